#pragma once
// Spreadsheets in tests: an opener that records the workbooks the program would open (and
// removes them afterwards), and a reader that reads a written workbook back with openpyxl
// (support/xlsx_read.py), never with the library that wrote it. Needs XLSX_READER and
// SYSTEM_PYTHON defined by the build.
#include "spreadsheet/XlsxOpener.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStringList>

class RecordingOpener final : public SpreadsheetOpener {
public:
    RecordingOpener() { previous_ = setSpreadsheetOpener(this); }
    ~RecordingOpener() override {
        setSpreadsheetOpener(previous_);
        for (const QString& path : std::as_const(opened))
            QFile::remove(path);
    }
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

// The cells of the first sheet, by address ("A1"), as texts; numbers in their shortest form.
inline QMap<QString, QString> readCells(const QString& path) {
    QProcess reader;
    reader.start(QStringLiteral(SYSTEM_PYTHON), {QStringLiteral(XLSX_READER), path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0)
        qFatal("workbook not read: %s", reader.readAllStandardError().constData());
    const QJsonObject sheet =
        QJsonDocument::fromJson(reader.readAllStandardOutput())[u"sheets"].toArray().first().toObject();
    QMap<QString, QString> cells;
    const QJsonObject all = sheet[u"cells"].toObject();
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonValue v = it.value().toObject()[u"value"];
        cells.insert(it.key(), v.isDouble() ? QString::number(v.toDouble(), 'g', 15) : v.toString());
    }
    return cells;
}
