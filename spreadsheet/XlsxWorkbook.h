#pragma once
// A workbook kept in memory cell by cell (value and format) and written out as a real .xlsx
// through libxlsxwriter when it is saved. libxlsxwriter fixes a cell's format when the cell is
// written and closes a workbook only once; keeping the cells here lets a later write replace a
// value or change a format, and lets the same workbook be saved again.
#include <QLocale>
#include <QString>

#include <map>
#include <optional>
#include <vector>

class XlsxWorkbook {
public:
    static constexpr int MaxRows = 1048576;
    static constexpr int MaxColumns = 16384;
    static constexpr int MaxTextLength = 32767;

    // `locale` decides which texts read as numbers (see readNumber).
    explicit XlsxWorkbook(int sheetCount = 1, const QLocale& locale = QLocale());

    int sheetCount() const { return int(sheets_.size()); }
    bool hasSheet(int sheet) const { return sheet >= 1 && sheet <= sheetCount(); }
    static bool isCellAddress(int column, int row) {
        return column >= 1 && column <= MaxColumns && row >= 1 && row <= MaxRows;
    }

    // The cell operations. Sheets, columns and rows count from 1 (column 1 is A); the caller
    // checks the address with hasSheet and isCellAddress first.
    //
    // Sets the value the way typing it would: a cell formatted as text keeps the text as it is,
    // otherwise a text that reads as a number is stored as that number.
    void setValue(int sheet, int column, int row, const QString& text);
    // Gives the cell the number format "@" (text). It stays for every later value.
    void setTextFormat(int sheet, int column, int row);
    void setBold(int sheet, int column, int row, bool bold);
    // Fits the column's width to the widest text written into it so far.
    void fitColumn(int sheet, int column);

    // The number `text` stands for in `locale`, or failing that in the C locale's point form;
    // nothing when it is not a finite number.
    static std::optional<double> readNumber(const QString& text, const QLocale& locale);
    // The width in characters (Excel's column unit) that shows `text`, its widest line counted.
    static double textWidth(const QString& text, bool bold);

    // Writes the workbook to `path`, replacing the file. On failure returns false and, when
    // `error` is given, sets it to the reason.
    bool save(const QString& path, QString* error = nullptr) const;

private:
    struct Cell {
        QString text; // as written; empty while the cell has only a format
        double number = 0;
        bool isNumber = false;
        bool textFormat = false;
        bool bold = false;
    };
    struct Sheet {
        QString name;
        std::map<int, std::vector<Cell>> rows; // row index from 0 -> cells by column index from 0
        std::vector<double> widest;            // widest text ever written, per column
        std::vector<double> fitted;            // fitted width per column; 0 keeps the default
    };

    Cell& cell(int sheet, int column, int row);
    void noteWidth(Sheet& sheet, int columnIndex, const Cell& cell);

    std::vector<Sheet> sheets_;
    QLocale locale_;
    // Exports write row after row: remember the last row reached.
    const Sheet* lastSheet_ = nullptr;
    int lastRow_ = -1;
    std::vector<Cell>* lastCells_ = nullptr;
};
