// Fills a 10,000-row, 36-column timesheet-like workbook through ExcelExport (WriteCell with
// formats, then SetExcelVisible(true), which writes the .xlsx) and compares it with libxlsxwriter
// writing the same cells directly. Prints the medians and their ratio; never fails.
//
//   bench_excel [repetitions]
#include "spreadsheet/ExcelExport.h"
#include "spreadsheet/XlsxOpener.h"
#include "spreadsheet/XlsxWorkbook.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QString>

#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {
constexpr int DataRows = 10000;
constexpr int Columns = 36;
constexpr int DayColumns = 31; // columns 5..35

struct Write {
    int column;
    int row;
    QString text;
    std::optional<CellFormat> format;
};

// What the caller writes: a bold fitted header, then per worker a row number, a personnel
// number kept as text, a name, a profession, 31 days of hours or absence codes, and a bold total.
std::vector<Write> timesheetWrites() {
    std::vector<Write> writes;
    writes.reserve(size_t(DataRows + 1) * Columns);
    const CellFormat header{false, true, true};
    const CellFormat text{true, true, false};
    const CellFormat fit{false, true, false};
    const CellFormat plain{false, false, false};
    const CellFormat total{false, false, true};
    const QStringList heads = {QStringLiteral("№"), QStringLiteral("Таб. №"), QStringLiteral("Фамилия И.О."),
                               QStringLiteral("Профессия")};
    for (int c = 1; c <= Columns; ++c) {
        QString head = c <= heads.size() ? heads[c - 1] : QString::number(c - 4);
        if (c == Columns) head = QStringLiteral("Итого часов");
        writes.push_back({c, 1, head, header});
    }
    const QStringList professions = {QStringLiteral("Токарь"), QStringLiteral("Фрезеровщик"),
                                     QStringLiteral("Слесарь-сборщик"), QStringLiteral("Контролёр ОТК")};
    const QLocale locale;
    for (int i = 0; i < DataRows; ++i) {
        const int row = i + 2;
        writes.push_back({1, row, QString::number(i + 1), std::nullopt});
        writes.push_back({2, row, QStringLiteral("%1").arg(i * 7 % 100000, 5, 10, QLatin1Char('0')), text});
        writes.push_back({3, row, QStringLiteral("Работник%1 Иван Петрович").arg(i), fit});
        writes.push_back({4, row, professions[i % professions.size()], std::nullopt});
        double hours = 0;
        for (int d = 0; d < DayColumns; ++d) {
            const int kind = (i + d) % 10;
            QString day;
            if (kind == 7) {
                day = QStringLiteral("Б");
            } else if (kind == 9) {
                day = QStringLiteral("О");
            } else {
                const double h = kind == 3 ? 7.5 : 8;
                hours += h;
                day = locale.toString(h);
            }
            writes.push_back({5 + d, row, day, plain});
        }
        writes.push_back({Columns, row, locale.toString(hours), total});
    }
    return writes;
}

// The same cells as libxlsxwriter takes them: typed, UTF-8, with their format and widths.
struct DirectCell {
    lxw_row_t row;
    lxw_col_t col;
    bool isNumber;
    double number;
    std::string utf8;
    int format; // 0 none, 1 text, 2 bold, 3 text and bold
};
struct DirectSheet {
    std::vector<DirectCell> cells;
    std::map<int, double> widths;
};

DirectSheet directCells(const std::vector<Write>& writes) {
    DirectSheet sheet;
    const QLocale locale;
    std::map<int, double> widest;
    for (const Write& w : writes) {
        const bool asText = w.format && w.format->asText;
        const bool bold = w.format && w.format->bold;
        const std::optional<double> number = asText ? std::nullopt : XlsxWorkbook::readNumber(w.text, locale);
        sheet.cells.push_back({lxw_row_t(w.row - 1), lxw_col_t(w.column - 1), number.has_value(),
                               number.value_or(0), w.text.toStdString(), (asText ? 1 : 0) + (bold ? 2 : 0)});
        double& wide = widest[w.column - 1];
        wide = std::max(wide, XlsxWorkbook::textWidth(w.text, bold));
        if (w.format && w.format->autoFit) sheet.widths[w.column - 1] = wide;
    }
    return sheet;
}

double writeDirect(const DirectSheet& sheet, const QByteArray& path) {
    QElapsedTimer timer;
    timer.start();
    lxw_workbook* book = workbook_new(path.constData());
    lxw_worksheet* ws = workbook_add_worksheet(book, "Лист1");
    lxw_format* formats[4] = {nullptr, workbook_add_format(book), workbook_add_format(book),
                              workbook_add_format(book)};
    format_set_num_format(formats[1], "@");
    format_set_bold(formats[2]);
    format_set_num_format(formats[3], "@");
    format_set_bold(formats[3]);
    for (const auto& [col, width] : sheet.widths)
        worksheet_set_column(ws, lxw_col_t(col), lxw_col_t(col), width, nullptr);
    for (const DirectCell& c : sheet.cells) {
        if (c.isNumber)
            worksheet_write_number(ws, c.row, c.col, c.number, formats[c.format]);
        else
            worksheet_write_string(ws, c.row, c.col, c.utf8.c_str(), formats[c.format]);
    }
    const lxw_error closed = workbook_close(book);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (closed != LXW_NO_ERROR) std::printf("direct: workbook_close failed: %s\n", lxw_strerror(closed));
    return ms;
}

class KeepingOpener final : public SpreadsheetOpener {
public:
    bool canOpenWorkbooks() override { return true; }
    bool open(const QString& path) override {
        opened = path;
        return true;
    }
    QString opened;
};

struct ExportTimes {
    double writeMs;
    double totalMs;
};

ExportTimes writeThroughExport(const std::vector<Write>& writes, KeepingOpener& opener) {
    QElapsedTimer timer;
    timer.start();
    ExcelExport excel;
    excel.OpenExcel(QString());
    excel.SetExcelVisible(false);
    for (const Write& w : writes)
        excel.WriteCell(1, w.column, w.row, w.text, w.format);
    const double writeMs = double(timer.nsecsElapsed()) / 1e6;
    excel.SetExcelVisible(true);
    const double totalMs = double(timer.nsecsElapsed()) / 1e6;
    QFile::remove(opener.opened);
    return {writeMs, totalMs};
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); // the plant's workstations

    KeepingOpener opener;
    setSpreadsheetOpener(&opener);
    const std::vector<Write> writes = timesheetWrites();
    const DirectSheet direct = directCells(writes);
    const QByteArray directPath =
        QFile::encodeName(QDir(QDir::tempPath()).filePath("bench-excel-direct.xlsx"));

    std::vector<double> directMs, exportMs, exportWriteMs;
    for (int i = 0; i < repetitions; ++i) {
        directMs.push_back(writeDirect(direct, directPath));
        const ExportTimes t = writeThroughExport(writes, opener);
        exportMs.push_back(t.totalMs);
        exportWriteMs.push_back(t.writeMs);
    }
    QFile::remove(QFile::decodeName(directPath));
    setSpreadsheetOpener(nullptr);

    const double d = median(directMs);
    const double e = median(exportMs);
    std::printf("cells: %zu (%d rows + header, %d columns), repetitions: %d\n", writes.size(), DataRows,
                Columns, repetitions);
    std::printf("libxlsxwriter direct:  median %.1f ms\n", d);
    std::printf("ExcelExport:           median %.1f ms (WriteCell calls %.1f ms, save %.1f ms)\n", e,
                median(exportWriteMs), e - median(exportWriteMs));
    std::printf("ratio ExcelExport / direct: %.2f (target at most 1.50)\n", e / d);
    return 0;
}
