#include "spreadsheet/ExcelExport.h"

#include "db/Messages.h"
#include "spreadsheet/XlsxOpener.h"
#include "spreadsheet/XlsxWorkbook.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtGlobal>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString CannotOpenApplication = QStringLiteral("Невозможно открыть Microsoft Excel.");
const QString CannotOpenFile = QStringLiteral("Ошибка открытия файла Microsoft Excel.");
const QString WrongSheetCaption = QStringLiteral("Ошибочный номер листа Microsoft Excel");
const QString CellFailureCaption = QStringLiteral("Ошибка Microsoft Excel");
// Enough for any number of exports started within one second.
constexpr int MaxNameAttempts = 1000;

QString writeFailureText(int sheet, int column, int row) {
    return QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3")
        .arg(QString::number(sheet), QString::number(column), QString::number(row));
}

// Creates a new empty file, readable by its owner only, in the user's workbook folder, named
// after what it is and when it was made, and returns its path; empty (with `error` set) when
// none could be created.
QString createExportFile(QString* error) {
    const QString folder = ExcelExport::workbookFolder(error);
    if (folder.isEmpty()) return {};
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QDir dir(folder);
    for (int attempt = 1; attempt <= MaxNameAttempts; ++attempt) {
        const QString name = attempt == 1 ? QStringLiteral("tabel-%1.xlsx").arg(stamp)
                                          : QStringLiteral("tabel-%1-%2.xlsx").arg(stamp).arg(attempt);
        QFile file(dir.filePath(name));
        // NewOnly claims the name, so two exports (or two programs) never share a file.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                      QFileDevice::ReadOwner | QFileDevice::WriteOwner))
            return file.fileName();
        if (!file.exists()) {
            *error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
            return {};
        }
    }
    *error = QStringLiteral("no free file name for %1 in %2").arg(stamp, folder);
    return {};
}
} // namespace

QString ExcelExport::workbookFolder(QString* error) {
    QString unused;
    QString& why = error ? *error : unused;
    const QString temp = QDir::tempPath(); // empty when TMPDIR names a missing folder
    if (temp.isEmpty() || !QFileInfo(temp).isDir()) {
        why = QStringLiteral("no temporary folder (TMPDIR=%1)").arg(qEnvironmentVariable("TMPDIR"));
        return {};
    }
    // A folder of the user's own in the shared temporary folder: a name that someone else made
    // first (a folder, a link) is no place for payroll tables.
    const QString folder = QDir(temp).filePath(QStringLiteral("tabel-workbooks-%1").arg(::getuid()));
    if (!QDir(folder).exists() &&
        !QDir().mkdir(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        if (!QDir(folder).exists()) {
            why = QStringLiteral("%1: cannot be created").arg(folder);
            return {};
        }
    }
    struct stat st {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != ::getuid()) {
        why = QStringLiteral("%1: not a folder of this user's own").arg(folder);
        return {};
    }
    if ((st.st_mode & 0077) != 0 && ::chmod(QFile::encodeName(folder).constData(), 0700) != 0) {
        why = QStringLiteral("%1: cannot be made private").arg(folder);
        return {};
    }
    return folder;
}

int ExcelExport::removeOldWorkbooks() {
    const QString folder = workbookFolder();
    if (folder.isEmpty()) return 0;
    // Only those of earlier runs: another instance of the program that the user runs at the same
    // time may have just handed one to the spreadsheet application.
    const QDateTime before = QDateTime::currentDateTime().addSecs(-OldWorkbookHours * 3600);
    int removed = 0;
    const QDir dir(folder);
    for (const QFileInfo& file :
         dir.entryInfoList({QStringLiteral("tabel-*.xlsx")}, QDir::Files | QDir::Hidden))
        if (file.lastModified() < before) removed += QFile::remove(file.filePath()) ? 1 : 0;
    return removed;
}

ExcelExport::ExcelExport() = default;
ExcelExport::~ExcelExport() = default;

int ExcelExport::OpenExcel(const QString& fileName) {
    if (!spreadsheetOpener().canOpenWorkbooks()) {
        messages().error(Caption::Error, CannotOpenApplication);
        return -1;
    }
    if (!fileName.isEmpty()) {
        // The workbook is written from scratch at the end; an existing one cannot be edited.
        messages().error(Caption::Error, CannotOpenFile);
        return -1;
    }
    workbook_ = std::make_unique<XlsxWorkbook>(1, QLocale());
    return 1;
}

int ExcelExport::SetExcelVisible(bool visible) {
    // There is no window to hide: until it is shown the workbook exists only here.
    if (!visible || !workbook_) return 1;
    QString error;
    const QString path = createExportFile(&error);
    if (path.isEmpty() || !workbook_->save(path, &error)) {
        if (!path.isEmpty()) QFile::remove(path);
        qWarning("Workbook not written: %s", qPrintable(error));
        messages().error(Caption::Error, CannotOpenFile);
        return 1;
    }
    if (!spreadsheetOpener().open(path)) messages().error(Caption::Error, CannotOpenApplication);
    return 1;
}

int ExcelExport::WriteCell(int sheet, int column, int row, const QString& text,
                           const std::optional<CellFormat>& format) {
    if (text.isEmpty()) return 1;
    if (!workbook_ || !workbook_->hasSheet(sheet)) {
        messages().error(WrongSheetCaption, writeFailureText(sheet, column, row));
        return -1;
    }
    if (!XlsxWorkbook::isCellAddress(column, row) || text.size() > XlsxWorkbook::MaxTextLength) {
        messages().error(CellFailureCaption, writeFailureText(sheet, column, row));
        return -1;
    }
    if (format && format->asText) workbook_->setTextFormat(sheet, column, row);
    workbook_->setValue(sheet, column, row, text);
    // The font comes before the fit, so that a bold text is measured bold.
    if (format) workbook_->setBold(sheet, column, row, format->bold);
    if (format && format->autoFit) workbook_->fitColumn(sheet, column);
    return 1;
}

ExcelExport& sharedExcel() {
    static ExcelExport instance;
    return instance;
}

ExcelExport& timesheetExcel() {
    static ExcelExport instance;
    return instance;
}
