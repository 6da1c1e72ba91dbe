#include "spreadsheet/XlsxWorkbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>

namespace {
// Excel's widest column.
constexpr double MaxColumnWidth = 255;
// Bold glyphs are wider; a fitted column must not clip a bold header.
constexpr double BoldWidthFactor = 1.15;
// Room for the cell's margins, so the last character is not cut off.
constexpr double CellPadding = 1;

const QLocale& pointLocale() {
    static const QLocale locale = [] {
        QLocale c = QLocale::c();
        // "12,5" must not read as twelve thousand and five.
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        return c;
    }();
    return locale;
}
} // namespace

XlsxWorkbook::XlsxWorkbook(int sheetCount, const QLocale& locale) : locale_(locale) {
    sheets_.resize(std::max(sheetCount, 1));
    for (size_t i = 0; i < sheets_.size(); ++i)
        sheets_[i].name = QStringLiteral("Лист%1").arg(i + 1);
}

std::optional<double> XlsxWorkbook::readNumber(const QString& text, const QLocale& locale) {
    // Names, codes and most other texts begin with a letter: no number does, in any locale,
    // and this keeps the full parse off most of them.
    for (QChar ch : text) {
        if (ch.isSpace()) continue;
        if (ch.isLetter()) return std::nullopt;
        break;
    }
    bool ok = false;
    double value = locale.toDouble(text, &ok);
    if (!ok) value = pointLocale().toDouble(text, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

double XlsxWorkbook::textWidth(const QString& text, bool bold) {
    qsizetype widest = 0;
    qsizetype line = 0;
    for (QChar ch : text) {
        if (ch == u'\n') {
            widest = std::max(widest, line);
            line = 0;
        } else if (!ch.isLowSurrogate()) {
            ++line;
        }
    }
    widest = std::max(widest, line);
    const double width = double(widest) * (bold ? BoldWidthFactor : 1.0) + CellPadding;
    return std::min(width, MaxColumnWidth);
}

XlsxWorkbook::Cell& XlsxWorkbook::cell(int sheet, int column, int row) {
    Sheet& s = sheets_[size_t(sheet - 1)];
    const int rowIndex = row - 1;
    if (lastSheet_ != &s || lastRow_ != rowIndex) {
        lastSheet_ = &s;
        lastRow_ = rowIndex;
        lastCells_ = &s.rows[rowIndex]; // map nodes stay put, so the pointer stays valid
    }
    std::vector<Cell>& cells = *lastCells_;
    const size_t columnIndex = size_t(column - 1);
    if (cells.size() <= columnIndex) cells.resize(columnIndex + 1);
    return cells[columnIndex];
}

void XlsxWorkbook::noteWidth(Sheet& sheet, int columnIndex, const Cell& c) {
    if (c.text.isEmpty()) return;
    if (sheet.widest.size() <= size_t(columnIndex)) sheet.widest.resize(size_t(columnIndex) + 1, 0.0);
    double& widest = sheet.widest[size_t(columnIndex)];
    widest = std::max(widest, textWidth(c.text, c.bold));
}

void XlsxWorkbook::setValue(int sheet, int column, int row, const QString& text) {
    Cell& c = cell(sheet, column, row);
    c.text = text;
    const std::optional<double> number = c.textFormat ? std::nullopt : readNumber(text, locale_);
    c.isNumber = number.has_value();
    c.number = number.value_or(0);
    noteWidth(sheets_[size_t(sheet - 1)], column - 1, c);
}

void XlsxWorkbook::setTextFormat(int sheet, int column, int row) {
    cell(sheet, column, row).textFormat = true;
}

void XlsxWorkbook::setBold(int sheet, int column, int row, bool bold) {
    Cell& c = cell(sheet, column, row);
    c.bold = bold;
    noteWidth(sheets_[size_t(sheet - 1)], column - 1, c);
}

void XlsxWorkbook::fitColumn(int sheet, int column) {
    Sheet& s = sheets_[size_t(sheet - 1)];
    const size_t index = size_t(column - 1);
    if (s.fitted.size() <= index) s.fitted.resize(index + 1, 0.0);
    // A column with nothing written into it yet keeps the default width.
    s.fitted[index] = index < s.widest.size() ? s.widest[index] : 0.0;
}

bool XlsxWorkbook::save(const QString& path, QString* error) const {
    const QByteArray fileName = QFile::encodeName(path);
    // Its working files go beside the workbook (the user's own folder), not into the shared /tmp.
    QByteArray tmpDir = QFile::encodeName(QFileInfo(path).absolutePath());
    lxw_workbook_options options = {};
    options.tmpdir = tmpDir.isEmpty() ? nullptr : tmpDir.data();
    lxw_workbook* book = workbook_new_opt(fileName.constData(), &options);
    if (!book) {
        if (error) *error = QStringLiteral("libxlsxwriter could not create a workbook");
        return false;
    }

    lxw_format* text = workbook_add_format(book);
    format_set_num_format(text, "@");
    lxw_format* bold = workbook_add_format(book);
    format_set_bold(bold);
    lxw_format* boldText = workbook_add_format(book);
    format_set_num_format(boldText, "@");
    format_set_bold(boldText);
    lxw_format* const formats[2][2] = {{nullptr, bold}, {text, boldText}};

    lxw_error firstError = LXW_NO_ERROR;
    auto note = [&firstError](lxw_error e) {
        if (firstError == LXW_NO_ERROR) firstError = e;
    };
    QByteArray utf8;
    for (const Sheet& sheet : sheets_) {
        lxw_worksheet* ws = workbook_add_worksheet(book, sheet.name.toUtf8().constData());
        if (!ws) {
            note(LXW_ERROR_MEMORY_MALLOC_FAILED);
            break;
        }
        for (size_t c = 0; c < sheet.fitted.size(); ++c) {
            if (sheet.fitted[c] > 0)
                note(worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), sheet.fitted[c], nullptr));
        }
        for (const auto& [rowIndex, cells] : sheet.rows) {
            const auto row = lxw_row_t(rowIndex);
            for (size_t c = 0; c < cells.size(); ++c) {
                const Cell& cell = cells[c];
                lxw_format* format = formats[cell.textFormat][cell.bold];
                const auto col = lxw_col_t(c);
                if (cell.text.isEmpty()) {
                    if (format) note(worksheet_write_blank(ws, row, col, format));
                } else if (cell.isNumber) {
                    note(worksheet_write_number(ws, row, col, cell.number, format));
                } else {
                    utf8 = cell.text.toUtf8();
                    note(worksheet_write_string(ws, row, col, utf8.constData(), format));
                }
            }
        }
    }

    // workbook_new accepts any path; a folder that is missing or not writable shows only here.
    const lxw_error closed = workbook_close(book);
    const lxw_error failure = closed != LXW_NO_ERROR ? closed : firstError;
    if (failure != LXW_NO_ERROR) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, QString::fromUtf8(lxw_strerror(failure)));
        return false;
    }
    return true;
}
