#pragma once
// Hands a written workbook to the desktop's spreadsheet application. Behind an interface so
// that tests record what would be opened instead of starting a program.
#include <QString>
#include <QStringList>

class SpreadsheetOpener {
public:
    virtual ~SpreadsheetOpener() = default;
    // Whether this workstation has an application that opens .xlsx workbooks.
    virtual bool canOpenWorkbooks() = 0;
    // Starts that application on the workbook at `path` without waiting for it; false when it
    // could not be started.
    virtual bool open(const QString& path) = 0;
};

// Decides from the environment, in this order:
//  1. TABEL_SPREADSHEET, when set: the command line that opens a workbook (the file is appended
//     as its last argument). Set but empty, or naming a program that is not there, means the
//     workstation has no spreadsheet application; nothing else is tried.
//  2. xdg-open, when xdg-mime knows a default application for .xlsx workbooks.
//  3. libreoffice, localc or soffice found on PATH.
class DesktopSpreadsheetOpener final : public SpreadsheetOpener {
public:
    bool canOpenWorkbooks() override;
    bool open(const QString& path) override;

    // The program and its leading arguments; empty when there is none.
    static QStringList command();
};

// The installed opener; the desktop one until a test installs its own.
SpreadsheetOpener& spreadsheetOpener();
// Installs `opener` (not owned; null restores the desktop one) and returns the previous one.
SpreadsheetOpener* setSpreadsheetOpener(SpreadsheetOpener* opener);
