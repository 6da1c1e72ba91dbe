// The database extension's cost on a save: one journal line saved through the entry dialog's
// save (with its day hours) and deleted again, with the extension's triggers (month close
// check, change history) and without them, alternating in one run on the benchmark database.
// "Without" is a second session of the same workstation with triggers switched off once
// (session_replication_role = replica, which also flushes the session's plans: hence a session
// of its own rather than a switch before every save). Both share the data and the machine's mood.
//   bench_extension SOCKET_FOLDER [DATABASE]
#include "bench/BenchSupport.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Query.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"

#include <cstdio>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

namespace {
// Session settings cannot be prepared: run as they are.
void runUnprepared(QSqlDatabase db, const QString& sql) {
    QSqlQuery q(db);
    if (!q.exec(sql)) throw DbError(sql);
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    DataModule6 dm;
    if (const int status = connectBench(dm, app.arguments(), "bench_extension SOCKET_FOLDER [DATABASE]"))
        return status;
    try {
        QSqlDatabase db = dm.ADO_DB();
        const Extension::Status ext = Extension::detect(db);
        if (!ext.usable()) {
            std::printf("The database has no extension tabel_ext: nothing to compare.\n");
            return 0;
        }
        Extension::setSessionActor(db, QStringLiteral("full"), QStringLiteral("bench"));
        QSqlQuery pick(db);
        execBound(
            pick,
            "select s.w_id, s.o_id, s.i_id, s.data from accounts_dep.smena s order by s.data desc, s.id "
            "limit 1",
            {});
        if (!pick.next()) throw DbError("no journal lines");
        ShiftEntry::Entry e;
        e.workerId = pick.value(0).toInt();
        e.operationId = pick.value(1).toInt();
        e.productId = pick.value(2).toInt();
        e.date = pick.value(3).toDate();
        e.shift = 2;
        e.price = 12.5;
        e.worker = "bench";
        e.operation = "bench; bench; Готовая продукция";
        e.kolVo = "10";
        e.brak = "0";
        e.time = "1";
        const qlonglong historyBefore = [&] {
            QSqlQuery q(db);
            execBound(q, "select count(*) from tabel_ext.history", {});
            q.next();
            return q.value(0).toLongLong();
        }();

        QVector<double> with, without;
        const int rounds = 300;
        for (int i = 0; i < rounds; ++i) {
            for (const bool triggers : {i % 2 == 0, i % 2 != 0}) {
                runUnprepared(db, triggers ? "set session_replication_role = origin"
                                           : "set session_replication_role = replica");
                e.colour = QString::number(900000 + i); // never a duplicate of a real line
                QElapsedTimer t;
                t.start();
                if (ShiftEntry::write(db, e) != ShiftEntry::Outcome::Saved) throw DbError("save refused");
                (triggers ? with : without) << t.nsecsElapsed() / 1e6;
                QSqlQuery id(db);
                execBound(id, "select max(id) from accounts_dep.smena", {});
                id.next();
                Journal::deleteLine(db, id.value(0).toInt());
            }
        }
        runUnprepared(db, "set session_replication_role = origin");
        QSqlQuery h(db);
        execBound(h, "select count(*) from tabel_ext.history", {});
        h.next();
        const double mw = median(with), mo = median(without);
        std::printf("Save of one journal line with its day hours, median of %d each, alternating:\n", rounds);
        std::printf("  with the extension's triggers     %7.3f ms\n", mw);
        std::printf("  without (triggers switched off)   %7.3f ms\n", mo);
        std::printf("  ratio                             %7.2f  (target at most 1.30)\n",
                    mo > 0 ? mw / mo : 0);
        std::printf("  history rows written by the run   %lld (saves and deletes with triggers)\n",
                    h.value(0).toLongLong() - historyBefore);
    } catch (const std::exception& ex) {
        std::fprintf(stderr, "bench_extension: %s\n", ex.what());
        return 1;
    }
    unregisterInstance<DataModule6>();
    return 0;
}
