#pragma once
// Month close, on the database extension: the months with their state, what a month holds
// before it is closed, closing and reopening (each kept in the extension's log). The rule
// itself (nothing dated in a closed month is written) is the extension's triggers'; what
// the program checks here only explains early. No widgets here.
#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace MonthClose {

inline const QString WindowCaption = QStringLiteral("Закрытие месяцев");

// A month as the window lists it: the months that have journal lines or timesheet rows, and
// those closed, newest first.
struct MonthState {
    int year = 0;
    int month = 0;
    bool closed = false;
    QDateTime closedAt; // when closed
    QString role;       // who closed it (the access role) ...
    QString station;    // ... at which workstation
    QString reason;
};
QList<MonthState> months(QSqlDatabase db);

// One close or reopen of a month as the close log keeps it.
struct LogEntry {
    QString action; // "close" or "reopen"
    QDateTime at;
    QString role;    // who (the access role and the login)
    QString station; // at which workstation
    QString reason;
};
// The month's closes and reopens, oldest first.
QList<LogEntry> log(QSqlDatabase db, int year, int month);

// What a month holds, for the question before it is closed.
struct Contents {
    qlonglong lines = 0;         // journal lines dated in it
    qlonglong timesheetRows = 0; // rows of its timesheet (shift and household)
    int differingDays = 0;       // days whose timesheet hours differ from the journal
    qlonglong householdRecords = 0;
};
Contents contents(QSqlDatabase db, int year, int month);

// The question "close?" with the month's contents.
QString closeQuestion(int year, int month, const Contents& c);
// The month as the window's list names it, and its questions and messages with it: "Ноябрь 2026".
QString monthWords(int year, int month);

// Closes the month (the role's code and the reason are recorded). A month that is already
// closed stays as it was. Throws DbError with the server's text when refused.
void close(QSqlDatabase db, int year, int month, const QString& reason);
// Reopens a closed month; the reason is required.
void reopen(QSqlDatabase db, int year, int month, const QString& reason);

// Who may: full access and the budget office close, only full access reopens.
bool mayClose(const QString& roleCode);
bool mayReopen(const QString& roleCode);

} // namespace MonthClose
