#pragma once
// Keeps the day columns of the monthly shift timesheet (accounts_dep.h_tabel) in step with
// the journal: the hours of a worker in a shift on a date are the sum of the time of his
// journal lines there, written into the day's column d1..d31 of his row for that month.
//
// Callers run these inside the Transaction of the journal change they follow, so the line
// and its day hours are committed together or not at all. The row key (worker, shift,
// month, year) is locked first, so two workstations saving at the same moment never
// create a second row for one key, and a month rebuild that holds the month excludes them.
#include <QDate>
#include <QSqlDatabase>

#include "db/Transaction.h"

namespace DayHours {
// The hours of worker w in shift s on date d: 0 when he has no lines there.
int daySum(QSqlDatabase db, int w, int s, const QDate& d);

// After a line was saved: update the row's day, or create the row when the key has none
// (a day of 0 hours is still written as 0).
void afterSave(QSqlDatabase db, int w, int s, const QDate& d);

// After a line was deleted, or moved away from this day: the row's day gets the remaining
// sum, or no hours (null) when nothing is left; no row is created. Every other day keeps
// its hours.
void recomputeDay(QSqlDatabase db, int w, int s, const QDate& d);

// Takes the locks a change of this worker's timesheet row needs (inside a transaction).
void lockRow(QSqlDatabase db, int w, int s, const QDate& d);
// Those locks, for a caller that takes them together with others in one statement: the
// month's shared lock, then the row's.
QList<LockRequest> rowLocks(int w, int s, const QDate& d);

// afterSave and recomputeDay for a caller that holds the row's locks already.
void afterSaveLocked(QSqlDatabase db, int w, int s, const QDate& d);
void recomputeDayLocked(QSqlDatabase db, int w, int s, const QDate& d);
} // namespace DayHours
