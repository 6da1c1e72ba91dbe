// The spreadsheet export: every workbook is read back with openpyxl (tests/support/xlsx_read.py),
// never with the library that wrote it.
#include "spreadsheet/ExcelExport.h"
#include "spreadsheet/XlsxOpener.h"
#include "spreadsheet/XlsxWorkbook.h"
#include "tests/support/RecordingMessages.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString CannotOpenApplication = QStringLiteral("Невозможно открыть Microsoft Excel.");
const QString CannotOpenFile = QStringLiteral("Ошибка открытия файла Microsoft Excel.");
const QString WrongSheetCaption = QStringLiteral("Ошибочный номер листа Microsoft Excel");
const QString CellFailureCaption = QStringLiteral("Ошибка Microsoft Excel");

class RecordingOpener final : public SpreadsheetOpener {
public:
    RecordingOpener() { previous_ = setSpreadsheetOpener(this); }
    ~RecordingOpener() override { setSpreadsheetOpener(previous_); }

    bool canOpenWorkbooks() override {
        ++availabilityChecks;
        return available;
    }
    bool open(const QString& path) override {
        opened << path;
        return true;
    }

    bool available = true;
    int availabilityChecks = 0;
    QStringList opened;

private:
    SpreadsheetOpener* previous_ = nullptr;
};

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(const char* name)
        : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {}
    ~ScopedEnvironment() {
        if (wasSet_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    void set(const QByteArray& value) { qputenv(name_, value); }
    void unset() { qunsetenv(name_); }

private:
    const char* name_;
    bool wasSet_;
    QByteArray old_;
};

// "text bold" -> CellFormat{asText, bold}; "none" -> no CellFormat; "plain" -> all false.
std::optional<CellFormat> formatFrom(const QString& flags) {
    if (flags == u"none") return std::nullopt;
    const QStringList words = flags.split(u' ', Qt::SkipEmptyParts);
    return CellFormat{words.contains(u"text"), words.contains(u"fit"), words.contains(u"bold")};
}

bool readWorkbook(const QString& path, QJsonObject* book, QString* error) {
    QProcess reader;
    reader.start(QStringLiteral(SYSTEM_PYTHON), {QStringLiteral(XLSX_READER), path});
    if (!reader.waitForFinished(60000) || reader.exitStatus() != QProcess::NormalExit ||
        reader.exitCode() != 0) {
        *error = QString::fromUtf8(reader.readAllStandardError()) + reader.errorString();
        return false;
    }
    QJsonParseError parse;
    const QJsonDocument doc = QJsonDocument::fromJson(reader.readAllStandardOutput(), &parse);
    if (parse.error != QJsonParseError::NoError) {
        *error = parse.errorString();
        return false;
    }
    *book = doc.object();
    return true;
}

QJsonObject firstSheet(const QJsonObject& book) {
    return book[u"sheets"].toArray().first().toObject();
}
} // namespace

class TestExcelExport : public QObject {
    Q_OBJECT

private:
    // Shows `excel` and reads back the workbook handed to the spreadsheet application.
    void showAndRead(ExcelExport& excel, QJsonObject* sheet) {
        const qsizetype before = opener_->opened.size();
        QCOMPARE(excel.SetExcelVisible(true), 1);
        QCOMPARE(opener_->opened.size(), before + 1);
        QJsonObject book;
        QString error;
        QVERIFY2(readWorkbook(opener_->opened.last(), &book, &error), qPrintable(error));
        QCOMPARE(book[u"sheets"].toArray().size(), 1);
        *sheet = firstSheet(book);
    }

    std::unique_ptr<RecordingMessages> messages_;
    std::unique_ptr<RecordingOpener> opener_;
    QLocale defaultLocale_;

private slots:
    void init() {
        defaultLocale_ = QLocale();
        messages_ = std::make_unique<RecordingMessages>();
        opener_ = std::make_unique<RecordingOpener>();
    }
    void cleanup() {
        if (opener_) {
            for (const QString& path : std::as_const(opener_->opened))
                QFile::remove(path);
        }
        opener_.reset();
        messages_.reset();
        QLocale::setDefault(defaultLocale_);
    }

    void textIsStoredAsTypingItWould_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("numberFormat");
        QTest::addColumn<bool>("bold");

        const QString general = QStringLiteral("General");
        const QString text = QStringLiteral("@");
        QTest::newRow("integer") << "C"
                                 << "42"
                                 << "none" << QVariant(42.0) << "n" << general << false;
        QTest::newRow("point decimal") << "C"
                                       << "12.5"
                                       << "none" << QVariant(12.5) << "n" << general << false;
        QTest::newRow("negative") << "C"
                                  << "-3"
                                  << "none" << QVariant(-3.0) << "n" << general << false;
        QTest::newRow("leading zero is lost without text format")
            << "C"
            << "007"
            << "none" << QVariant(7.0) << "n" << general << false;
        QTest::newRow("comma decimal in Russian locale")
            << "ru_RU"
            << "12,5"
            << "none" << QVariant(12.5) << "n" << general << false;
        QTest::newRow("grouped number in Russian locale")
            << "ru_RU"
            << "1\u00a0234,5"
            << "none" << QVariant(1234.5) << "n" << general << false;
        QTest::newRow("point form in Russian locale") << "ru_RU"
                                                      << "12.5"
                                                      << "none" << QVariant(12.5) << "n" << general << false;
        QTest::newRow("comma in C locale is text") << "C"
                                                   << "12,5"
                                                   << "none" << QVariant("12,5") << "s" << general << false;
        QTest::newRow("date is text") << "ru_RU"
                                      << "01.02.2026"
                                      << "none" << QVariant("01.02.2026") << "s" << general << false;
        QTest::newRow("name") << "ru_RU"
                              << "Иванов И.И."
                              << "none" << QVariant("Иванов И.И.") << "s" << general << false;
        QTest::newRow("digits then a letter") << "ru_RU"
                                              << "12а"
                                              << "none" << QVariant("12а") << "s" << general << false;
        QTest::newRow("infinity is text") << "C"
                                          << "-inf"
                                          << "none" << QVariant("-inf") << "s" << general << false;
        QTest::newRow("formatted, no flags") << "C"
                                             << "5"
                                             << "plain" << QVariant(5.0) << "n" << general << false;
        QTest::newRow("text format keeps leading zero") << "C"
                                                        << "007"
                                                        << "text" << QVariant("007") << "s" << text << false;
        QTest::newRow("text format keeps the number as typed")
            << "ru_RU"
            << "12,50"
            << "text" << QVariant("12,50") << "s" << text << false;
        QTest::newRow("bold") << "ru_RU"
                              << "Итого"
                              << "bold" << QVariant("Итого") << "s" << general << true;
        QTest::newRow("bold number") << "C"
                                     << "8"
                                     << "bold fit" << QVariant(8.0) << "n" << general << true;
        QTest::newRow("bold text format") << "C"
                                          << "0042"
                                          << "text bold" << QVariant("0042") << "s" << text << true;
    }
    void textIsStoredAsTypingItWould() {
        QFETCH(QString, locale);
        QFETCH(QString, text);
        QFETCH(QString, format);
        QFETCH(QVariant, value);
        QFETCH(QString, type);
        QFETCH(QString, numberFormat);
        QFETCH(bool, bold);

        QLocale::setDefault(QLocale(locale));
        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(QString()), 1);
        QCOMPARE(excel.WriteCell(1, 1, 1, text, formatFrom(format)), 1);
        QJsonObject sheet;
        showAndRead(excel, &sheet);
        if (QTest::currentTestFailed()) return;

        const QJsonObject cell = sheet[u"cells"][u"A1"].toObject();
        QCOMPARE(cell[u"type"].toString(), type);
        if (type == u"n")
            QCOMPARE(cell[u"value"].toDouble(), value.toDouble());
        else
            QCOMPARE(cell[u"value"].toString(), value.toString());
        QCOMPARE(cell[u"number_format"].toString(), numberFormat);
        QCOMPARE(cell[u"bold"].toBool(), bold);
        QVERIFY(messages_->shown.isEmpty());
    }

    void laterWriteReplacesValueAndKeepsFormat_data() {
        QTest::addColumn<QString>("firstText");
        QTest::addColumn<QString>("firstFormat");
        QTest::addColumn<QString>("secondText");
        QTest::addColumn<QString>("secondFormat");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("numberFormat");
        QTest::addColumn<bool>("bold");

        QTest::newRow("unformatted write keeps bold") << "Итого"
                                                      << "bold"
                                                      << "Всего"
                                                      << "none"
                                                      << "Всего"
                                                      << "s"
                                                      << "General" << true;
        QTest::newRow("formatted write with bold off removes bold") << "Итого"
                                                                    << "bold"
                                                                    << "Всего"
                                                                    << "plain"
                                                                    << "Всего"
                                                                    << "s"
                                                                    << "General" << false;
        QTest::newRow("empty text leaves value and format") << "Итого"
                                                            << "text bold"
                                                            << ""
                                                            << "plain"
                                                            << "Итого"
                                                            << "s"
                                                            << "@" << true;
        QTest::newRow("text format stays for an unformatted write") << "0012"
                                                                    << "text"
                                                                    << "0034"
                                                                    << "none"
                                                                    << "0034"
                                                                    << "s"
                                                                    << "@" << false;
        QTest::newRow("text format stays for a formatted write without it") << "0012"
                                                                            << "text"
                                                                            << "0034"
                                                                            << "fit"
                                                                            << "0034"
                                                                            << "s"
                                                                            << "@" << false;
        QTest::newRow("number replaced by text") << "5"
                                                 << "none"
                                                 << "пять"
                                                 << "none"
                                                 << "пять"
                                                 << "s"
                                                 << "General" << false;
        QTest::newRow("text replaced by number") << "пять"
                                                 << "bold"
                                                 << "5"
                                                 << "none"
                                                 << "5"
                                                 << "n"
                                                 << "General" << true;
    }
    void laterWriteReplacesValueAndKeepsFormat() {
        QFETCH(QString, firstText);
        QFETCH(QString, firstFormat);
        QFETCH(QString, secondText);
        QFETCH(QString, secondFormat);
        QFETCH(QString, value);
        QFETCH(QString, type);
        QFETCH(QString, numberFormat);
        QFETCH(bool, bold);

        QLocale::setDefault(QLocale::c());
        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(QString()), 1);
        QCOMPARE(excel.WriteCell(1, 2, 3, firstText, formatFrom(firstFormat)), 1);
        QCOMPARE(excel.WriteCell(1, 2, 3, secondText, formatFrom(secondFormat)), 1);
        QJsonObject sheet;
        showAndRead(excel, &sheet);
        if (QTest::currentTestFailed()) return;

        const QJsonObject cells = sheet[u"cells"].toObject();
        QCOMPARE(cells.keys(), QStringList{QStringLiteral("B3")});
        const QJsonObject cell = cells[u"B3"].toObject();
        QCOMPARE(cell[u"type"].toString(), type);
        QCOMPARE(cell[u"value"].toVariant().toString(), value);
        QCOMPARE(cell[u"number_format"].toString(), numberFormat);
        QCOMPARE(cell[u"bold"].toBool(), bold);
    }

    void fittedColumnIsAsWideAsItsWidestText() {
        const QString longText = QStringLiteral("Длинное название операции"); // 25 characters
        const CellFormat fit{false, true, false};
        const CellFormat boldFit{false, true, true};
        const CellFormat noFit{false, false, false};
        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(QString()), 1);
        excel.WriteCell(1, 1, 1, QStringLiteral("abc"), fit); // A: short
        excel.WriteCell(1, 2, 1, QStringLiteral("abc"), fit); // B: grows with the longer text
        excel.WriteCell(1, 2, 2, longText, fit);
        excel.WriteCell(1, 3, 1, longText, boldFit); // C: bold is wider
        excel.WriteCell(1, 4, 1, longText);          // D: never fitted
        excel.WriteCell(1, 5, 1, longText, noFit);   // E: formatted, not fitted
        excel.WriteCell(1, 6, 1, longText, fit);     // F: a shorter text does not narrow it
        excel.WriteCell(1, 6, 2, QStringLiteral("ab"), fit);
        excel.WriteCell(1, 7, 1, QString(), fit); // G: empty text fits nothing
        excel.WriteCell(1, 8, 1, longText, fit);  // H: an unformatted write does not refit
        excel.WriteCell(1, 8, 2, longText + longText);
        QJsonObject sheet;
        showAndRead(excel, &sheet);
        if (QTest::currentTestFailed()) return;

        const QJsonObject widths = sheet[u"widths"].toObject();
        QCOMPARE(widths.keys(), (QStringList{"A", "B", "C", "F", "H"}));
        const double a = widths[u"A"].toDouble();
        const double b = widths[u"B"].toDouble();
        QVERIFY2(a >= 3 && a < b, qPrintable(QStringLiteral("A %1, B %2").arg(a).arg(b)));
        QVERIFY2(b >= longText.size(), qPrintable(QString::number(b)));
        QVERIFY2(widths[u"C"].toDouble() > b, qPrintable(QString::number(widths[u"C"].toDouble())));
        QCOMPARE(widths[u"F"].toDouble(), b);
        QCOMPARE(widths[u"H"].toDouble(), b);
        QVERIFY(!sheet[u"cells"].toObject().contains(u"G1"));
    }

    void failedWriteIsReported_data() {
        QTest::addColumn<bool>("open");
        QTest::addColumn<int>("sheet");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("caption"); // empty: no message
        QTest::addColumn<QString>("message");

        const QString x = QStringLiteral("x");
        QTest::newRow("sheet 5") << true << 5 << 1 << 2 << x << -1 << WrongSheetCaption
                                 << "Ошибка при записи: лист 5, столбец 1, строка 2";
        QTest::newRow("sheet 0") << true << 0 << 3 << 40 << x << -1 << WrongSheetCaption
                                 << "Ошибка при записи: лист 0, столбец 3, строка 40";
        QTest::newRow("sheet 2 of one") << true << 2 << 1 << 1 << x << -1 << WrongSheetCaption
                                        << "Ошибка при записи: лист 2, столбец 1, строка 1";
        QTest::newRow("before OpenExcel") << false << 1 << 1 << 1 << x << -1 << WrongSheetCaption
                                          << "Ошибка при записи: лист 1, столбец 1, строка 1";
        QTest::newRow("column 0") << true << 1 << 0 << 7 << x << -1 << CellFailureCaption
                                  << "Ошибка при записи: лист 1, столбец 0, строка 7";
        QTest::newRow("column after XFD") << true << 1 << 16385 << 1 << x << -1 << CellFailureCaption
                                          << "Ошибка при записи: лист 1, столбец 16385, строка 1";
        QTest::newRow("row after the last") << true << 1 << 1 << 1048577 << x << -1 << CellFailureCaption
                                            << "Ошибка при записи: лист 1, столбец 1, строка 1048577";
        QTest::newRow("text longer than a cell holds")
            << true << 1 << 2 << 3 << QString(XlsxWorkbook::MaxTextLength + 1, u'x') << -1
            << CellFailureCaption << "Ошибка при записи: лист 1, столбец 2, строка 3";
        QTest::newRow("empty text on a missing sheet")
            << true << 5 << 1 << 2 << QString() << 1 << QString() << QString();
        QTest::newRow("empty text before OpenExcel")
            << false << 1 << 1 << 1 << QString() << 1 << QString() << QString();
        QTest::newRow("last cell of the sheet")
            << true << 1 << 16384 << 1048576 << x << 1 << QString() << QString();
    }
    void failedWriteIsReported() {
        QFETCH(bool, open);
        QFETCH(int, sheet);
        QFETCH(int, column);
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(int, result);
        QFETCH(QString, caption);
        QFETCH(QString, message);

        ExcelExport excel;
        if (open) QCOMPARE(excel.OpenExcel(QString()), 1);
        QCOMPARE(excel.WriteCell(sheet, column, row, text, CellFormat{true, true, true}), result);
        if (caption.isEmpty()) {
            QVERIFY(messages_->shown.isEmpty());
            return;
        }
        QCOMPARE(messages_->shown.size(), 1);
        QCOMPARE(messages_->shown[0].kind, ShownMessage::Error);
        QCOMPARE(messages_->shown[0].caption, caption);
        QCOMPARE(messages_->shown[0].text, message);
    }

    void showDoesNothingWithoutWorkbookOrWhenHiding_data() {
        QTest::addColumn<QString>("open"); // "no", "ok", "failed"
        QTest::addColumn<bool>("visible");
        QTest::newRow("show before OpenExcel") << "no" << true;
        QTest::newRow("hide before OpenExcel") << "no" << false;
        QTest::newRow("hide after OpenExcel") << "ok" << false;
        QTest::newRow("show after a failed OpenExcel") << "failed" << true;
    }
    void showDoesNothingWithoutWorkbookOrWhenHiding() {
        QFETCH(QString, open);
        QFETCH(bool, visible);

        ExcelExport excel;
        if (open == u"ok") QCOMPARE(excel.OpenExcel(QString()), 1);
        if (open == u"failed") {
            opener_->available = false;
            QCOMPARE(excel.OpenExcel(QString()), -1);
            messages_->clear();
        }
        QCOMPARE(excel.SetExcelVisible(visible), 1);
        QVERIFY(opener_->opened.isEmpty());
        QVERIFY(messages_->shown.isEmpty());
    }

    void shownWorkbookIsAFreshFileInTheTemporaryFolder() {
        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(QString()), 1);
        QCOMPARE(excel.SetExcelVisible(false), 1);
        QCOMPARE(excel.WriteCell(1, 3, 2, QStringLiteral("Табель"), CellFormat{false, true, true}), 1);
        QJsonObject first;
        showAndRead(excel, &first);
        if (QTest::currentTestFailed()) return;
        // Shown again after more cells: a second file with everything written so far.
        QCOMPARE(excel.WriteCell(1, 1, 27, QStringLiteral("27")), 1);
        QJsonObject second;
        showAndRead(excel, &second);
        if (QTest::currentTestFailed()) return;

        QCOMPARE(first[u"title"].toString(), QStringLiteral("Лист1"));
        QCOMPARE(first[u"cells"].toObject().keys(), QStringList{QStringLiteral("C2")});
        QCOMPARE(first[u"cells"][u"C2"][u"value"].toString(), QStringLiteral("Табель"));
        QCOMPARE(second[u"cells"].toObject().keys(), (QStringList{"A27", "C2"}));

        QCOMPARE(opener_->opened.size(), 2);
        QVERIFY(opener_->opened[0] != opener_->opened[1]);
        const QRegularExpression name(
            QStringLiteral(R"(^tabel-\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d(-\d+)?\.xlsx$)"));
        for (const QString& path : std::as_const(opener_->opened)) {
            const QFileInfo info(path);
            QCOMPARE(info.absolutePath(), ExcelExport::workbookFolder());
            QCOMPARE(int(info.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)), 0);
            QVERIFY2(name.match(info.fileName()).hasMatch(), qPrintable(info.fileName()));
        }
        QVERIFY(messages_->shown.isEmpty());
    }

    void openExcelStartsANewWorkbookPerInstance() {
        QCOMPARE(&sharedExcel(), &sharedExcel());
        QVERIFY(&sharedExcel() != &timesheetExcel());

        QCOMPARE(sharedExcel().OpenExcel(QString()), 1);
        sharedExcel().WriteCell(1, 1, 1, QStringLiteral("old"));
        QCOMPARE(sharedExcel().OpenExcel(QString()), 1);
        sharedExcel().WriteCell(1, 2, 1, QStringLiteral("shared"));
        QCOMPARE(timesheetExcel().OpenExcel(QString()), 1);
        timesheetExcel().WriteCell(1, 3, 1, QStringLiteral("timesheet"));
        ExcelExport monthly;
        QCOMPARE(monthly.OpenExcel(QString()), 1);
        monthly.WriteCell(1, 4, 1, QStringLiteral("monthly"));

        QJsonObject shared, timesheet, month;
        showAndRead(sharedExcel(), &shared);
        showAndRead(timesheetExcel(), &timesheet);
        showAndRead(monthly, &month);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(shared[u"cells"].toObject().keys(), QStringList{QStringLiteral("B1")});
        QCOMPARE(timesheet[u"cells"].toObject().keys(), QStringList{QStringLiteral("C1")});
        QCOMPARE(month[u"cells"].toObject().keys(), QStringList{QStringLiteral("D1")});
    }

    void unavailableApplicationIsReportedOnce_data() {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("new workbook") << QString();
        QTest::newRow("named workbook") << QStringLiteral("/tmp/book.xlsx");
    }
    void unavailableApplicationIsReportedOnce() {
        QFETCH(QString, fileName);
        opener_->available = false;
        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(fileName), -1);
        QCOMPARE(opener_->availabilityChecks, 1);
        QVERIFY(opener_->opened.isEmpty());
        QCOMPARE(messages_->shown.size(), 1);
        QCOMPARE(messages_->shown[0].kind, ShownMessage::Error);
        QCOMPARE(messages_->shown[0].caption, Caption::Error);
        QCOMPARE(messages_->shown[0].text, CannotOpenApplication);
        QVERIFY(!excel.workbook());
    }

    void desktopOpenerFindsNoApplication_data() {
        QTest::addColumn<bool>("commandSet");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("emptyPath");
        QTest::newRow("TABEL_SPREADSHEET names a missing program")
            << true << QByteArray("/nonexistent/calc --calc") << false;
        QTest::newRow("TABEL_SPREADSHEET empty") << true << QByteArray() << false;
        QTest::newRow("nothing on PATH") << false << QByteArray() << true;
    }
    void desktopOpenerFindsNoApplication() {
        QFETCH(bool, commandSet);
        QFETCH(QByteArray, command);
        QFETCH(bool, emptyPath);

        opener_.reset(); // the desktop opener decides
        ScopedEnvironment spreadsheet("TABEL_SPREADSHEET");
        ScopedEnvironment path("PATH");
        QTemporaryDir emptyFolder;
        QVERIFY(emptyFolder.isValid());
        if (commandSet)
            spreadsheet.set(command);
        else
            spreadsheet.unset();
        if (emptyPath) path.set(QFile::encodeName(emptyFolder.path()));

        QVERIFY(!DesktopSpreadsheetOpener().canOpenWorkbooks());
        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(QString()), -1);
        QCOMPARE(excel.SetExcelVisible(true), 1);
        QCOMPARE(messages_->shown.size(), 1);
        QCOMPARE(messages_->shown[0].caption, Caption::Error);
        QCOMPARE(messages_->shown[0].text, CannotOpenApplication);
        opener_ = std::make_unique<RecordingOpener>();
    }

    void desktopOpenerStartsTheConfiguredCommand() {
        opener_.reset();
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        // A stand-in spreadsheet application: records its arguments and copies the workbook.
        const QString program = folder.filePath(QStringLiteral("fake calc"));
        {
            QFile script(program);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\n"
                         "printf '%s\\n' \"$@\" > \"$0.args\"\n"
                         "cp \"$2\" \"$0.part\" && mv \"$0.part\" \"$0.xlsx\"\n");
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        ScopedEnvironment spreadsheet("TABEL_SPREADSHEET");
        spreadsheet.set(QFile::encodeName(QStringLiteral("\"%1\" --calc").arg(program)));

        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(QString()), 1);
        QCOMPARE(excel.WriteCell(1, 1, 1, QStringLiteral("Открыто")), 1);
        QCOMPARE(excel.SetExcelVisible(true), 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(program + QStringLiteral(".xlsx")), 30000);
        opener_ = std::make_unique<RecordingOpener>();

        QFile argsFile(program + QStringLiteral(".args"));
        QVERIFY(argsFile.open(QIODevice::ReadOnly));
        const QStringList args = QString::fromUtf8(argsFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(args.size(), 2);
        QCOMPARE(args[0], QStringLiteral("--calc"));
        QVERIFY2(QFileInfo(args[1]).absolutePath() == ExcelExport::workbookFolder(), qPrintable(args[1]));
        QFile::remove(args[1]);

        QJsonObject book;
        QString error;
        QVERIFY2(readWorkbook(program + QStringLiteral(".xlsx"), &book, &error), qPrintable(error));
        QCOMPARE(firstSheet(book)[u"cells"][u"A1"][u"value"].toString(), QStringLiteral("Открыто"));
        QVERIFY(messages_->shown.isEmpty());
    }

    void namedWorkbookIsNotOpened_data() {
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing file") << false;
        QTest::newRow("existing workbook") << true;
    }
    void namedWorkbookIsNotOpened() {
        QFETCH(bool, exists);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("book.xlsx"));
        if (exists) {
            XlsxWorkbook book;
            book.setValue(1, 1, 1, QStringLiteral("x"));
            QVERIFY(book.save(path));
        }
        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(path), -1);
        QCOMPARE(messages_->shown.size(), 1);
        QCOMPARE(messages_->shown[0].caption, Caption::Error);
        QCOMPARE(messages_->shown[0].text, CannotOpenFile);
        QVERIFY(!excel.workbook());
    }

    // The workbooks handed to the spreadsheet application stay the user's: owner-only files in
    // a 0700 folder of his own; a folder of that name that is not his (here a link) is refused;
    // the next start of the program removes them.
    void workbooksAreTheUsersOwnAndGoAtTheNextStart() {
        QTemporaryDir temp;
        QVERIFY(temp.isValid());
        ScopedEnvironment tmpdir("TMPDIR");
        tmpdir.set(QFile::encodeName(temp.path()));
        const QFileDevice::Permissions othersMay = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                   QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                                   QFileDevice::WriteOther | QFileDevice::ExeOther;
        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(QString()), 1);
        QCOMPARE(excel.WriteCell(1, 1, 1, QStringLiteral("Табель")), 1);
        QCOMPARE(excel.SetExcelVisible(true), 1);
        QCOMPARE(opener_->opened.size(), 1);
        const QString folder = ExcelExport::workbookFolder();
        QCOMPARE(QFileInfo(opener_->opened[0]).absolutePath(), folder);
        QCOMPARE(QFileInfo(folder).absolutePath(), QFileInfo(temp.path()).absoluteFilePath());
        QCOMPARE(QFile::permissions(folder) & othersMay, QFileDevice::Permissions());
        QCOMPARE(QFile::permissions(opener_->opened[0]) & othersMay, QFileDevice::Permissions());
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(opener_->opened[0]).fileName()});

        // A workbook just handed over (by another instance running now, say) stays; one of an
        // earlier day goes.
        QCOMPARE(ExcelExport::removeOldWorkbooks(), 0);
        {
            QFile old(opener_->opened[0]);
            QVERIFY(old.open(QIODevice::ReadWrite));
            QVERIFY(old.setFileTime(
                QDateTime::currentDateTime().addSecs(-(ExcelExport::OldWorkbookHours + 1) * 3600),
                QFileDevice::FileModificationTime));
        }
        QCOMPARE(ExcelExport::removeOldWorkbooks(), 1);
        QVERIFY(!QFile::exists(opener_->opened[0]));

        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QDir(temp.path()).mkdir(QStringLiteral("elsewhere")));
        QVERIFY(QFile::link(temp.filePath(QStringLiteral("elsewhere")), folder));
        QString error;
        QCOMPARE(ExcelExport::workbookFolder(&error), QString());
        QVERIFY2(error.contains(QStringLiteral("not a folder of this user's own")), qPrintable(error));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Workbook not written")));
        QCOMPARE(excel.SetExcelVisible(true), 1);
        QCOMPARE(opener_->opened.size(), 1);
        QCOMPARE(QDir(temp.filePath(QStringLiteral("elsewhere"))).entryList(QDir::Files), QStringList());
    }

    void unwritableWorkbookIsReported() {
        XlsxWorkbook book;
        book.setValue(1, 1, 1, QStringLiteral("x"));
        QString error;
        QVERIFY(!book.save(QStringLiteral("/nonexistent-folder/book.xlsx"), &error));
        QVERIFY(error.contains(u"/nonexistent-folder/book.xlsx"));

        ExcelExport excel;
        QCOMPARE(excel.OpenExcel(QString()), 1);
        QCOMPARE(excel.WriteCell(1, 1, 1, QStringLiteral("x")), 1);
        ScopedEnvironment tmpdir("TMPDIR");
        tmpdir.set("/nonexistent-folder");
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Workbook not written")));
        QCOMPARE(excel.SetExcelVisible(true), 1);
        QVERIFY(opener_->opened.isEmpty());
        QCOMPARE(messages_->shown.size(), 1);
        QCOMPARE(messages_->shown[0].caption, Caption::Error);
        QCOMPARE(messages_->shown[0].text, CannotOpenFile);
    }
};

QTEST_GUILESS_MAIN(TestExcelExport)
#include "tst_excelexport.moc"
