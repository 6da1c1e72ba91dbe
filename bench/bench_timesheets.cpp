// Timesheets on the benchmark database: the rebuild of the busiest month's shift rows as the
// program does it (a few set-based statements) against the day-by-day writes (a count, update
// or insert per worker and shift for every day), both giving the same rows; then opening
// each of the four monthly timesheets of that month, with their totals. Prints medians.
//   bench_timesheets SOCKET_FOLDER [DATABASE]
#include "bench/BenchSupport.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "timesheets/MonthlySheets.h"
#include "timesheets/TimesheetMonth.h"

#include <algorithm>
#include <cstdio>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

namespace {
// A fingerprint of the month's shift rows: every column but the generated id, in key order.
QString shiftRows(QSqlDatabase db, int month, int year) {
    QString days;
    for (int d = 1; d <= 31; ++d)
        days += QStringLiteral(", coalesce(d%1::text, '-')").arg(d);
    QSqlQuery q =
        run(db,
            QStringLiteral("select count(*), md5(string_agg(r, '|' order by r)) from (select "
                           "concat_ws(' ', smena, w_id, month, year, i_type, coalesce(i_night::text, "
                           "'-')%1) r from accounts_dep.h_tabel where smena>0 and month=:m and year=:y) x")
                .arg(days),
            {{"m", month}, {"y", year}});
    q.next();
    return QStringLiteral("%1 rows, %2").arg(q.value(0).toLongLong()).arg(q.value(1).toString());
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    DataModule6 dm;
    if (const int status = connectBench(dm, args, "bench_timesheets SOCKET_FOLDER [DATABASE]")) return status;
    QSqlDatabase db = dm.ADO_DB();
    try {
        QSqlQuery busiest =
            run(db, "select extract(month from data)::int, extract(year from data)::int, count(*), "
                    "count(distinct w_id) from accounts_dep.smena group by 1, 2 order by 3 desc, "
                    "2, 1 limit 1");
        busiest.next();
        const int month = busiest.value(0).toInt(), year = busiest.value(1).toInt();
        std::printf("Busiest month: %02d.%d with %lld journal lines of %lld workers\n", month, year,
                    busiest.value(2).toLongLong(), busiest.value(3).toLongLong());

        QElapsedTimer t;
        t.start();
        TimesheetMonth::rebuildDayByDay(db, month, year);
        const double loop = t.nsecsElapsed() / 1e6;
        const QString loopRows = shiftRows(db, month, year);

        QVector<double> setBased;
        for (int i = 0; i < 7; ++i) {
            t.restart();
            TimesheetMonth::rebuild(db, month, year);
            setBased << t.nsecsElapsed() / 1e6;
        }
        const QString setRows = shiftRows(db, month, year);
        std::printf("Rebuild of the month's shift rows:\n");
        std::printf("  day by day (one run)      %10.1f ms  %s\n", loop, qPrintable(loopRows));
        std::printf("  set-based (median of 7)   %10.1f ms  %s\n", median(setBased), qPrintable(setRows));
        std::printf("  same rows: %s, %.0f times faster\n", loopRows == setRows ? "yes" : "NO",
                    loop / std::max(median(setBased), 0.001));

        QSqlQuery index =
            run(db, "select count(*) from pg_indexes where indexname='smena_worker_numeric_day'");
        index.next();
        std::printf("Monthly timesheets of %02d.%d (index on the journal's numeric worker id: %s):\n", month,
                    year, index.value(0).toLongLong() ? "present" : "MISSING, the database predates it");
        const QDate first(year, month, 1);
        for (int mode : {9, 14, 15, 17}) {
            Query q(MonthlySheets::queryName(mode));
            q.setConnectionName(DataModule6::ConnectionName);
            q.setSql(MonthlySheets::sql(mode));
            q.setParam("i_month", month);
            q.setParam("i_year", year);
            for (int i = 1; i <= 8; ++i)
                q.setParam(QStringLiteral("d_date%1").arg(i), i % 2 ? first.addMonths(1) : first);
            QVector<double> open;
            for (int i = 0; i < 7; ++i) {
                q.close();
                t.restart();
                MonthlySheets::openMonthQuery(db, q);
                MonthlySheets::totals(db, month, year);
                open << t.nsecsElapsed() / 1e6;
            }
            std::printf("  %s: %.1f ms (median of 7, with the totals), %d rows\n",
                        qPrintable(MonthlySheets::caption(mode)), median(open), q.recordCount());
            q.release();
        }
        // The three shift grids of the timesheet by time, as its month selection opens them.
        for (bool withoutJit : {false, true}) {
            QVector<double> open;
            int rows = 0;
            for (int i = 0; i < 7; ++i) {
                t.restart();
                rows = 0;
                for (Query* q : {&dm.H_Tabel_1, &dm.H_Tabel_2, &dm.H_Tabel_3}) {
                    q->close();
                    q->setParam("mnth", month);
                    q->setParam("yea", year);
                    q->setParam("date1", first);
                    q->setParam("date2", first.addMonths(1));
                    if (withoutJit)
                        MonthlySheets::openMonthQuery(db, *q);
                    else
                        q->open();
                    rows += q->recordCount();
                }
                TimesheetMonth::mismatches(db, month, year);
                open << t.nsecsElapsed() / 1e6;
            }
            std::printf(
                "Timesheet by time, three shift grids and the days differing from the journal (%s): %.1f ms "
                "(median of 7), %d rows\n",
                withoutJit ? "JIT off" : "server's JIT setting", median(open), rows);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    unregisterInstance<DataModule6>();
    return 0;
}
