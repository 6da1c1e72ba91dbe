// Live updates between two workstations on the benchmark database: the time from one
// connection's commit of a journal line to the other's journal query holding it (the other
// re-reads its shift when the change arrives), and a save's cost with and without telling the
// others, measured alternately in one run. The extension's notify triggers are switched off
// for the run where the database user may (so "without" sends nothing at all) and back on.
//   bench_live SOCKET_FOLDER [DATABASE]
#include "bench/BenchLine.h"
#include "bench/BenchSupport.h"
#include "db/Changes.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"

#include <algorithm>
#include <cstdio>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>

namespace {
bool notifyTriggers(QSqlDatabase db, bool on) {
    QSqlQuery q(db);
    bool ok = true;
    for (const char* table : {"smena", "fatigue", "h_tabel"})
        ok = q.exec(QStringLiteral("alter table accounts_dep.%1 %2 trigger tabel_ext_notify")
                        .arg(table, on ? "enable" : "disable")) &&
             ok;
    return ok;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    DataModule6 dm;
    if (const int status = connectBench(dm, args, "bench_live SOCKET_FOLDER [DATABASE]")) return status;
    QSqlDatabase writer = QSqlDatabase::cloneDatabase(dm.ADO_DB(), QStringLiteral("writer"));
    if (!writer.open()) {
        std::fprintf(stderr, "cannot connect: %s\n", qPrintable(writer.lastError().text()));
        return 1;
    }
    try {
        for (int s = 1; s <= 4; ++s)
            dm.smenaQuery(s).setParam("ok", Journal::HiddenMark);
        QSqlQuery busiest =
            run(dm.ADO_DB(), "select data from accounts_dep.smena group by data order by count(*) "
                             "desc, 1 limit 1");
        busiest.next();
        const QDate date = busiest.value(0).toDate();
        const BenchLine line = BenchLine::on(dm.ADO_DB(), date);
        auto entry = [&](int colour) { return line.entry(colour); };
        auto savedLine = [&](int colour) { return line.savedId(writer, colour); };

        const bool triggersOff = notifyTriggers(writer, false);
        Journal::openAll(dm, date);
        Query& shown = dm.Smena1;
        // The other workstation: reads shift 1 again when a change of its date and shift arrives.
        QElapsedTimer arrival;
        QVector<double> delivered, held;
        QObject::connect(&ChangeListener::of(DataModule6::ConnectionName), &ChangeListener::changed,
                         [&](const Changes::Change& c) {
                             if (!c.fromOther || !c.touchesJournal(date, 1)) return;
                             delivered << arrival.nsecsElapsed() / 1e6;
                             shown.reopen();
                         });

        const int rounds = 200;
        QVector<double> withNotify, withoutNotify;
        for (int i = 0; i < rounds; ++i) {
            // The save's cost, with and without the notify, one after the other.
            for (bool notify : {true, false}) {
                Changes::setSending(notify);
                const int colour = 90000 + 2 * i + (notify ? 0 : 1);
                QElapsedTimer t;
                t.start();
                if (ShiftEntry::write(writer, entry(colour)) != ShiftEntry::Outcome::Saved)
                    throw DbError("the benchmark line was refused");
                (notify ? withNotify : withoutNotify) << t.nsecsElapsed() / 1e6;
                if (notify) {
                    // From the commit to the other's journal query holding the line.
                    arrival.start();
                    const qsizetype before = delivered.size();
                    QElapsedTimer wait;
                    wait.start();
                    while (!(delivered.size() > before && shown.locate("color", colour)) &&
                           wait.elapsed() < 5000)
                        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
                    held << arrival.nsecsElapsed() / 1e6;
                }
                Changes::setSending(false);
                Journal::deleteLine(writer, savedLine(colour));
                QCoreApplication::processEvents();
            }
        }
        Changes::setSending(true);
        if (triggersOff) notifyTriggers(writer, true);
        for (QVector<double>* v : {&withNotify, &withoutNotify, &held, &delivered})
            v->remove(0, std::min<qsizetype>(v->size(), 10)); // warm-up
        std::printf("Busiest date %s, shift 1 holds %d lines; %d rounds%s\n",
                    qPrintable(date.toString("dd.MM.yyyy")), shown.recordCount(), rounds,
                    triggersOff ? " (the extension's notify triggers off for the run)" : "");
        std::printf("Save (one transaction) with the notify: median %.3f ms, p99 %.3f ms\n",
                    median(withNotify), percentile(withNotify, 0.99));
        std::printf("Save without the notify:                median %.3f ms, p99 %.3f ms\n",
                    median(withoutNotify), percentile(withoutNotify, 0.99));
        std::printf("  the notify adds %.1f%% to the median save\n",
                    100.0 * (median(withNotify) - median(withoutNotify)) / median(withoutNotify));
        std::printf("Commit to the change arriving at the other connection: median %.3f ms, p99 %.3f ms\n",
                    median(delivered), percentile(delivered, 0.99));
        std::printf("Commit to the other's journal query holding the line (its re-read included): median "
                    "%.2f ms, p99 %.2f ms\n",
                    median(held), percentile(held, 0.99));
    } catch (const std::exception& e) {
        Changes::setSending(true);
        notifyTriggers(writer, true);
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    writer.close();
    unregisterInstance<DataModule6>();
    return 0;
}
