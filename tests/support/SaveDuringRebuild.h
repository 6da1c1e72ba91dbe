#pragma once
// Another workstation saving while this one rebuilds a month of the timesheet.
#include "tests/support/TestDb.h"

#include <functional>
#include <memory>
#include <QSqlQuery>
#include <QThread>

// Runs `rebuild`, handing it a progress function. When the rebuild reports its first step
// done (the month's rows deleted, the new ones still to come), another workstation runs `work`
// on a connection of its own, and the rebuild goes on once that workstation waits for a lock.
// The wait is watched from a third connection: inside the rebuild's transaction the server's
// activity view would not change. Returns whether the workstation ran and ended in time.
inline bool saveDuringRebuild(TestDb& t,
                              const std::function<void(const std::function<void(int, int)>&)>& rebuild,
                              const std::function<void(QSqlDatabase)>& work) {
    QThread* station = nullptr;
    auto watcher = std::make_unique<QSqlDatabase>(t.openOther("watcher"));
    rebuild([&](int done, int) {
        if (station || done != 1) return;
        station = QThread::create([&] {
            {
                QSqlDatabase db = t.openOther("station");
                work(db);
                db.close();
            }
            QSqlDatabase::removeDatabase("station");
        });
        station->start();
        for (int tries = 0; tries < 500; ++tries) {
            QSqlQuery w(*watcher);
            w.exec("select count(*) from pg_stat_activity where wait_event_type='Lock' and "
                   "datname=current_database()");
            if (w.next() && w.value(0).toLongLong() == 1) break;
            QThread::msleep(10);
        }
    });
    watcher->close();
    watcher.reset();
    QSqlDatabase::removeDatabase("watcher");
    if (!station || !station->wait(20000)) return false; // a workstation still running is left
    delete station;
    return true;
}
