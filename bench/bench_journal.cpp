// The journal on the benchmark database: re-opening the four journal queries of the busiest
// date, one save through the entry dialog's save, and one delete, each with its day hours. Prints medians and
// query plans.
//   bench_journal SOCKET_FOLDER [DATABASE]
#include "bench/BenchLine.h"
#include "bench/BenchSupport.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "db/Transaction.h"
#include "journal/DayHours.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>

namespace {
void printPlan(DataModule6& dm, int shift, const QDate& date) {
    // EXPLAIN cannot be prepared: the date goes in as its text here (the program binds it).
    QString sql = DataModule6::smenaSql(shift);
    sql.replace(":data", "'" + date.toString("yyyy-MM-dd") + "'::date").replace(":ok", "'ta'");
    QSqlQuery q(dm.ADO_DB());
    if (!q.exec("explain (analyze, buffers off) " + sql)) throw DbError(q.lastError().text());
    std::printf("\nPlan of the shift %d journal query:\n", shift);
    while (q.next())
        std::printf("  %s\n", qPrintable(q.value(0).toString()));
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    DataModule6 dm;
    YesMessages yes;
    setMessages(&yes);
    if (const int status = connectBench(dm, args, "bench_journal SOCKET_FOLDER [DATABASE]")) return status;
    try {
        for (int s = 1; s <= 4; ++s)
            dm.smenaQuery(s).setParam("ok", Journal::HiddenMark);
        QSqlQuery sizes = run(dm, "select (select count(*) from accounts_dep.smena), (select count(*) from "
                                  "cmn_contractor.person), (select count(*) from accounts_dep.person)");
        sizes.next();
        QSqlQuery busiest =
            run(dm, "select data, count(*) from accounts_dep.smena group by data order by 2 desc, 1 "
                    "limit 1");
        busiest.next();
        const QDate date = busiest.value(0).toDate();
        std::printf("Database: %lld journal lines, %lld people, %lld workers\n", sizes.value(0).toLongLong(),
                    sizes.value(1).toLongLong(), sizes.value(2).toLongLong());
        std::printf("Busiest date: %s with %lld lines\n", qPrintable(date.toString("dd.MM.yyyy")),
                    busiest.value(1).toLongLong());

        // The four journal queries, closed and opened as the journal does on every activation.
        QVector<double> open;
        int rows = 0;
        for (int i = 0; i < 60; ++i) {
            QElapsedTimer t;
            t.start();
            Journal::openAll(dm, date);
            open << t.nsecsElapsed() / 1e6;
            rows = 0;
            for (int s = 1; s <= 4; ++s)
                rows += dm.smenaQuery(s).recordCount();
        }
        open.remove(0, 10); // warm-up
        std::printf("\nRe-open of the four journal queries: median %.2f ms (min %.2f, max %.2f), %d rows\n",
                    median(open), *std::min_element(open.begin(), open.end()),
                    *std::max_element(open.begin(), open.end()), rows);

        // One save through the entry dialog's save: the checks, the duplicate count, the line
        // and its day hours in one transaction, and the re-read of the shift's journal query.
        // Each saved line is deleted again (with its day hours) before the next.
        const BenchLine line = BenchLine::on(dm.ADO_DB(), date);
        Journal::openAll(dm, date);
        auto entry = [&](int colour) { return line.entry(colour); };
        auto savedLine = [&](int colour) { return line.savedId(dm.ADO_DB(), colour); };
        QVector<double> save, remove, write, reread;
        for (int i = 0; i < 60; ++i) {
            QElapsedTimer t;
            t.start();
            if (ShiftEntry::save(dm, entry(90000 + i)) != ShiftEntry::Outcome::Saved)
                throw DbError("the benchmark line was refused");
            save << t.nsecsElapsed() / 1e6;
            const int id = savedLine(90000 + i);
            t.restart();
            Journal::deleteLine(dm, id);
            remove << t.nsecsElapsed() / 1e6;
        }
        // The two parts of a save apart: the write (one transaction) and the re-read.
        for (int i = 0; i < 60; ++i) {
            QElapsedTimer t;
            t.start();
            if (ShiftEntry::write(dm.ADO_DB(), entry(91000 + i)) != ShiftEntry::Outcome::Saved)
                throw DbError("the benchmark line was refused");
            write << t.nsecsElapsed() / 1e6;
            Journal::deleteLine(dm, savedLine(91000 + i));
            t.restart();
            dm.smenaQuery(1).close();
            dm.smenaQuery(1).open();
            reread << t.nsecsElapsed() / 1e6;
        }
        for (QVector<double>* v : {&save, &remove, &write, &reread})
            v->remove(0, 10); // warm-up
        std::printf("Save through the entry dialog (checks, duplicate count, line, day hours, re-read of the "
                    "shift's %d lines): median %.2f ms (min %.2f, max %.2f)\n",
                    dm.smenaQuery(1).recordCount(), median(save), *std::min_element(save.begin(), save.end()),
                    *std::max_element(save.begin(), save.end()));
        std::printf("  of which the write (one transaction): median %.2f ms; the re-read: median %.2f ms\n",
                    median(write), median(reread));
        std::printf("Delete of a line with its day hours: median %.2f ms\n", median(remove));

        // Bounded waits: another workstation holds the month (as a rebuild does). A save and a
        // delete give up after the lock bound with nothing written; the wait is what a user sees.
        {
            if (ShiftEntry::write(dm.ADO_DB(), entry(92000)) != ShiftEntry::Outcome::Saved)
                throw DbError("the benchmark line was refused");
            const int id = savedLine(92000);
            QSqlDatabase other = QSqlDatabase::cloneDatabase(dm.ADO_DB(), "holder");
            if (!other.open()) throw DbError(other.lastError().text());
            {
                QSqlQuery hold(other);
                hold.exec("begin");
                hold.exec(QString("select pg_advisory_xact_lock(%1, hashtext('%2'))")
                              .arg(int(LockSpace::TimesheetMonth))
                              .arg(monthLockKey(date.year(), date.month())));
                auto gaveUpAfter = [](const std::function<void()>& f) {
                    QElapsedTimer t;
                    t.start();
                    try {
                        f();
                    } catch (const LockBusy&) {
                        return t.nsecsElapsed() / 1e6;
                    }
                    return -1.0;
                };
                const double save = gaveUpAfter([&] { ShiftEntry::write(dm.ADO_DB(), entry(92001)); });
                const double del = gaveUpAfter([&] { Journal::deleteLine(dm, id); });
                hold.exec("rollback");
                std::printf(
                    "Behind a month held elsewhere (bound %d s): a save gave up after %.0f ms, a delete "
                    "after %.0f ms (-1: it did not give up)\n",
                    SaveLockSeconds, save, del);
            }
            other.close();
            other = QSqlDatabase();
            QSqlDatabase::removeDatabase("holder");
            Journal::deleteLine(dm, id);
        }
        for (int s = 1; s <= 4; ++s)
            printPlan(dm, s, date);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    unregisterInstance<DataModule6>();
    return 0;
}
