#include "spreadsheet/XlsxOpener.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace {
const char* const CommandVariable = "TABEL_SPREADSHEET";
const QString XlsxMimeType =
    QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet");
// xdg-mime is a shell script reading a few files; it answers at once or not at all.
constexpr int XdgMimeTimeoutMs = 5000;

// The executable `program` stands for (a path, or a name looked up on PATH); empty when absent.
QString findProgram(const QString& program) {
    if (program.contains(u'/')) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(program);
}

bool hasDefaultXlsxApplication(const QString& xdgMime) {
    QProcess query;
    query.start(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), XlsxMimeType});
    if (!query.waitForFinished(XdgMimeTimeoutMs)) {
        query.kill();
        query.waitForFinished();
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

DesktopSpreadsheetOpener desktopOpener;
SpreadsheetOpener* current = &desktopOpener;
} // namespace

QStringList DesktopSpreadsheetOpener::command() {
    if (qEnvironmentVariableIsSet(CommandVariable)) {
        QStringList cmd = QProcess::splitCommand(qEnvironmentVariable(CommandVariable));
        if (cmd.isEmpty()) return {};
        cmd[0] = findProgram(cmd[0]);
        return cmd[0].isEmpty() ? QStringList() : cmd;
    }
    const QString xdgOpen = findProgram(QStringLiteral("xdg-open"));
    const QString xdgMime = findProgram(QStringLiteral("xdg-mime"));
    if (!xdgOpen.isEmpty() && !xdgMime.isEmpty() && hasDefaultXlsxApplication(xdgMime)) return {xdgOpen};
    for (const char* name : {"libreoffice", "localc", "soffice"}) {
        const QString program = findProgram(QString::fromLatin1(name));
        if (!program.isEmpty()) return {program};
    }
    return {};
}

bool DesktopSpreadsheetOpener::canOpenWorkbooks() {
    return !command().isEmpty();
}

bool DesktopSpreadsheetOpener::open(const QString& path) {
    QStringList cmd = command();
    if (cmd.isEmpty()) return false;
    const QString program = cmd.takeFirst();
    cmd << path;
    return QProcess::startDetached(program, cmd);
}

SpreadsheetOpener& spreadsheetOpener() {
    return *current;
}

SpreadsheetOpener* setSpreadsheetOpener(SpreadsheetOpener* opener) {
    SpreadsheetOpener* previous = current;
    current = opener ? opener : &desktopOpener;
    return previous;
}
