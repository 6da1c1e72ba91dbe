#pragma once
// The one way the program puts a table into a spreadsheet. A caller opens a new workbook,
// writes its cells one at a time and finally shows the workbook: it is written to a fresh
// owner-only .xlsx file in the user's own workbook folder (mode 0700, in the temporary folder)
// and opened in the desktop's spreadsheet
// application, where the user saves it wherever they like.
//
// Calling order: OpenExcel(""), stop on -1; optionally SetExcelVisible(false); the WriteCell
// calls; SetExcelVisible(true). Failures are reported through messages(), never by a window of
// this code, and the results are 1 (done) and -1 (failed, already reported).
#include <QString>

#include <memory>
#include <optional>

class XlsxWorkbook;

struct CellFormat {
    bool asText = false;  // number format "@": the text is kept as typed (a leading zero stays)
    bool autoFit = false; // fit the column's width to its contents
    bool bold = false;    // bold font on (true) or off (false)
};

class ExcelExport {
public:
    ExcelExport();
    ~ExcelExport();
    ExcelExport(const ExcelExport&) = delete;
    ExcelExport& operator=(const ExcelExport&) = delete;

    // Starts a new workbook with one sheet when `fileName` is empty, replacing this instance's
    // previous one. Existing workbooks cannot be opened for writing: a named file is reported
    // as not opened. -1 when no spreadsheet application can open workbooks here.
    int OpenExcel(const QString& fileName);
    // true: writes the workbook to a fresh file and opens it in the spreadsheet application.
    // false, or before an OpenExcel that succeeded: nothing. Always 1.
    int SetExcelVisible(bool visible);
    // Writes `text` into the cell (sheet, column and row from 1; column 1 is A). An empty text
    // writes nothing. A write without `format` changes the value only; with one, the number
    // format "@" is set first if asked, and the font is set bold or not bold.
    int WriteCell(int sheet, int column, int row, const QString& text,
                  const std::optional<CellFormat>& format = std::nullopt);

    // The user's own folder of workbooks handed to the spreadsheet application (created 0700 on
    // first use); empty, with `error` set, where it cannot be had safely.
    static QString workbookFolder(QString* error = nullptr);
    // Removes the workbooks of earlier runs: those written more than OldWorkbookHours ago.
    // Called at the program's start, never while it runs: the spreadsheet application may still
    // hold the ones this run (or another instance running now) handed to it. Returns how many.
    static int removeOldWorkbooks();
    static constexpr int OldWorkbookHours = 12;

    // The workbook being filled; null until an OpenExcel succeeded.
    const XlsxWorkbook* workbook() const { return workbook_.get(); }

private:
    std::unique_ptr<XlsxWorkbook> workbook_;
};

// The instance of the operations and prices window and the summary reports window.
ExcelExport& sharedExcel();
// The instance of the timesheet by time window.
ExcelExport& timesheetExcel();
// The monthly timesheets window makes its own ExcelExport for each export.
