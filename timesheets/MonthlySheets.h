#pragma once
// The monthly timesheets per worker: piecework, household works, average piece rate and
// the general one over all of them, with the month's money totals, and the rebuild of the
// month's household rows (shift 0) from the household works records. No widgets here.
#include <functional>
#include <QSqlDatabase>
#include <QString>

class Query;

namespace MonthlySheets {

// The modes, by the menu item that opens them.
enum Mode { Piecework = 9, HouseholdWorks = 14, AveragePieceRate = 15, General = 17 };

QString caption(int mode);
QString queryName(int mode);
// The statement of a mode; parameters i_month, i_year, d_date1..d_date8 (odd: the first day
// of the following month, even: the first day of the month).
QString sql(int mode);
int nameBaseWidth(int mode);
bool showsNight(int mode);
bool showsHourPrice(int mode);
// The name column's width: its base plus 20 for each day column the month does not have,
// so the grid keeps its width.
int nameWidth(int mode, int daysInMonth);

// Opens a month query with the server's JIT compilation off for it: its estimated cost (a
// sub-select per worker) makes the server compile it, which takes a second where the query
// itself takes tens of milliseconds. The session's setting is restored afterwards.
void openMonthQuery(QSqlDatabase db, Query& query);

// The money of a month: average piece rate records, household works records, piecework, all.
struct Totals {
    QString averagePieceRate, householdWorks, piecework, all;
};
Totals totals(QSqlDatabase db, int month, int year);

// The household rows (shift 0) of the month recreated from the records: one row per worker,
// kind and night flag, each day the sum of that day's hours. Shift rows are not touched.
// One transaction holding the month, so household saves of the month wait for it.
void rebuildHousehold(QSqlDatabase db, int month, int year,
                      const std::function<void(int, int)>& progress = {});
// The same rows written day by day with a count, update or insert per worker, kind and night
// flag; kept to check the rebuild above against.
void rebuildHouseholdDayByDay(QSqlDatabase db, int month, int year);

} // namespace MonthlySheets
