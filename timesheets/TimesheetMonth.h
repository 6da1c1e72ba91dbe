#pragma once
// The shift rows of a month of the timesheet (accounts_dep.h_tabel, shifts 1..4): their
// rebuild from the journal, the looks of a day cell, the month's spreadsheet and the days
// whose value no longer agrees with the journal. No widgets here.
#include <functional>
#include <QColor>
#include <QDate>
#include <QList>
#include <QMap>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

class ExcelExport;
class Query;

namespace TimesheetMonth {

// "Январь" .. "Декабрь".
const QStringList& monthNames();
// The years a month can be chosen in: 2007 up to the year after `today`'s, so this year's
// journal (and the first days of the next) is always reachable.
QStringList yearChoices(const QDate& today = QDate::currentDate());

// The rebuild of a month's shift rows (shifts above 0) from the journal: the old rows are
// deleted and one row per worker and shift with lines in the month is written, each day the
// sum of that day's hours (no lines: no value). Household rows (shift 0) are not touched.
// It runs in one transaction holding the month exclusively, so the journal saves of the
// month wait for it and then write their day into the new rows: nothing is lost or doubled.
// `progress(done, total)` is told after each step.
void rebuild(QSqlDatabase db, int month, int year, const std::function<void(int, int)>& progress = {});

// The parameters of a month's statements: :m, :y, :date1 (its first day) and :date2 (the
// first day of the next month).
QMap<QString, QVariant> monthParams(int month, int year);

// What the month rebuilds of the shift rows and of the household rows share: in one
// transaction holding the month's lock exclusively (the saves of the month take it shared,
// wait, and then write their day into the new rows), the rows `rows` selects (a condition on
// accounts_dep.h_tabel) are deleted and those `insert` selects are written. `insert` names
// the day columns "%1" and their values "%2"; a day's value is `daySum` with "%1" the day's
// offset from :date1. The statements are given :m, :y, :date1 and :date2 (the first day of
// the month and of the next).
void replaceMonthRows(QSqlDatabase db, int month, int year, const QString& rows, const QString& insert,
                      const QString& daySum, const std::function<void(int, int)>& progress);

// The same rows written the slow way, a count, update or insert per worker and shift for
// every day of the month, statement by statement. Kept to check (and time) the rebuild above
// against; the program itself does not use it.
void rebuildDayByDay(QSqlDatabase db, int month, int year);

// How a day cell is drawn. `value` is the cell's hours (empty counts 0); `weekend`: the day
// is a Saturday or a Sunday; `pastMonthEnd`: the column is a day the month does not have.
struct CellLook {
    bool bold = false;
    QColor foreground; // invalid: the column's own colour
    QColor background; // invalid: the grid's own
};
CellLook dayCellLook(int value, bool weekend, bool pastMonthEnd, const QColor& windowBackground);
// Saturday or Sunday.
bool isWeekend(int year, int month, int day);

// The month's summary (Form15's H_Tabel, already open) written into a new workbook of
// `excel`: title, header, one row per worker with his day sums and their total.
// `progress(k, n)` after each worker's row. False when no workbook could be opened (the
// user has been told).
bool exportMonth(ExcelExport& excel, Query& summary, const QString& title,
                 const std::function<void(int, int)>& progress = {});

// A day whose timesheet value differs from the journal's sum of hours for that worker, shift
// and date (the journal lines of the month against the shift rows, both sides).
struct Mismatch {
    int worker = 0;
    int shift = 0;
    int day = 0;
    int timesheet = 0; // empty counts 0
    int journal = 0;
};
QList<Mismatch> mismatches(QSqlDatabase db, int month, int year);

} // namespace TimesheetMonth
