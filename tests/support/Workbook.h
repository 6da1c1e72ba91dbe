#pragma once
// Spreadsheets in tests: an opener that records the workbooks the program would open, and
// a reader that reads a written workbook back with openpyxl (support/xlsx_read.py), never
// with the library that wrote it. Needs XLSX_READER and SYSTEM_PYTHON defined by the build.
#include "reports/XlsxOpener.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

class RecordingOpener final : public SpreadsheetOpener {
public:
    RecordingOpener() { previous_ = setSpreadsheetOpener(this); }
    ~RecordingOpener() override { setSpreadsheetOpener(previous_); }
    bool canOpenWorkbooks() override { return available; }
    bool open(const QString& path) override {
        opened << path;
        return true;
    }
    bool available = true;
    QStringList opened;

private:
    SpreadsheetOpener* previous_ = nullptr;
};

// The cells of the first sheet, "A1" -> {"value", "type", "number_format", "bold"}.
inline QJsonObject readFirstSheetCells(const QString& path, QString* error) {
    QProcess reader;
    reader.start(QStringLiteral(SYSTEM_PYTHON), {QStringLiteral(XLSX_READER), path});
    if (!reader.waitForFinished(60000) || reader.exitStatus() != QProcess::NormalExit ||
        reader.exitCode() != 0) {
        *error = QString::fromUtf8(reader.readAllStandardError()) + reader.errorString();
        return {};
    }
    const QJsonObject book = QJsonDocument::fromJson(reader.readAllStandardOutput()).object();
    return book[u"sheets"].toArray().first().toObject()[u"cells"].toObject();
}
