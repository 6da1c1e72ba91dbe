#include "db/Transaction.h"

#include "db/Changes.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "db/StatementWait.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

Transaction::Transaction(QSqlDatabase db) : db_(db), connection_(DbConnection::nameOf(db.driver())) {
    DbConnection::ensure(connection_, ConnectionLost::Work::NotSaved);
    for (int attempt = 0;; ++attempt) {
        if (StatementWait::run(db_.driver(), [this] { return db_.transaction(); })) break;
        const QSqlError error = db_.lastError();
        try {
            DbConnection::raise(db_.driver(), error);
        } catch (const ConnectionLost& lost) {
            // The connection was lost before the transaction began (the server restarted since
            // the last statement): nothing of it ran, so it begins once more on a new one.
            if (attempt == 0 && DbConnection::reopenAfterLoss(connection_)) continue;
            throw ConnectionLost(lost.serverText(), ConnectionLost::Work::NotSaved, lost.firstOfOutage());
        }
    }
    DbConnection::enterTransaction(connection_);
    active_ = true;
    Changes::begin(db_.driver());
}

Transaction::~Transaction() {
    if (!active_) return;
    // On a lost connection the server has rolled back already; the rollback then only fails.
    if (!DbConnection::isLost(connection_)) db_.rollback();
    finish();
}

void Transaction::finish() {
    active_ = false;
    Changes::discard(db_.driver());
    DbConnection::leaveTransaction(connection_);
}

void Transaction::commit() {
    if (!active_) return;
    // The transaction's id, if it wrote anything: with it the server can say afterwards whether
    // a commit that was cut off took place.
    // What it changed is told to the other workstations by the same statement (delivered on
    // the commit, so it costs no trip of its own).
    qlonglong id = 0;
    {
        const QStringList changes = Changes::take(db_.driver());
        QSqlQuery& q =
            changes.isEmpty()
                ? execKept(db_, QStringLiteral("select txid_current_if_assigned()"), {})
                : execKept(db_,
                           QStringLiteral("select txid_current_if_assigned(), (select count(pg_notify("
                                          "'tabel_changes', x)) from unnest(string_to_array(:p, ' ')) x)"),
                           {{QStringLiteral("p"), changes.join(QLatin1Char(' '))}});
        if (q.next()) id = q.value(0).toLongLong();
    }
    if (StatementWait::run(db_.driver(), [this] { return db_.commit(); })) {
        finish();
        return;
    }
    const QSqlError error = db_.lastError();
    const QSqlDriver* driver = db_.driver();
    if (connection_.isEmpty() || !DbConnection::isConnectionGone(driver, error)) {
        db_.rollback();
        finish();
        DbConnection::raise(driver, error);
    }
    finish();
    try {
        DbConnection::raise(driver, error); // marks the connection lost
    } catch (const ConnectionLost& lost) {
        QString status;
        if (id == 0) {
            status = QStringLiteral("aborted"); // it wrote nothing
        } else if (DbConnection::reopen(connection_)) {
            // A backend that was cut off may still be finishing its transaction: wait (briefly)
            // until the server knows how it ended.
            for (int wait = 0; wait < 100; ++wait) {
                status = DbConnection::transactionStatus(connection_, id);
                if (status != QLatin1String("in progress")) break;
                QThread::msleep(50);
            }
        } else {
            DbConnection::setPendingCommit(connection_, id);
            throw ConnectionLost(lost.serverText(), ConnectionLost::Work::SavedUnknown, lost.firstOfOutage());
        }
        if (status == QLatin1String("committed")) return;
        throw ConnectionLost(lost.serverText(), ConnectionLost::Work::NotSaved, lost.firstOfOutage());
    }
}

void lockKeys(QSqlDatabase db, const QList<LockRequest>& locks) {
    if (locks.isEmpty()) return;
    // The select list is evaluated from left to right: the locks are taken in their order.
    QStringList calls;
    QMap<QString, QVariant> params;
    for (qsizetype i = 0; i < locks.size(); ++i) {
        calls << QStringLiteral("pg_advisory_xact_lock%1(:s%2, hashtext(:k%2))")
                     .arg(locks[i].shared ? QStringLiteral("_shared") : QString())
                     .arg(i);
        params.insert(QStringLiteral("s%1").arg(i), int(locks[i].space));
        params.insert(QStringLiteral("k%1").arg(i), locks[i].key);
    }
    execKept(db, QStringLiteral("select ") + calls.join(QStringLiteral(", ")), params);
}

void lockKey(QSqlDatabase db, LockSpace space, const QString& key) {
    QSqlQuery q(db);
    execBound(q, QStringLiteral("select pg_advisory_xact_lock(:space, hashtext(:key))"),
              {{QStringLiteral("space"), int(space)}, {QStringLiteral("key"), key}});
}

void lockKeyShared(QSqlDatabase db, LockSpace space, const QString& key) {
    QSqlQuery q(db);
    execBound(q, QStringLiteral("select pg_advisory_xact_lock_shared(:space, hashtext(:key))"),
              {{QStringLiteral("space"), int(space)}, {QStringLiteral("key"), key}});
}

void setLockBound(QSqlDatabase db, int seconds) {
    execKept(db, QStringLiteral("select set_config('lock_timeout', :v, true)"),
             {{QStringLiteral("v"), QStringLiteral("%1s").arg(seconds)}});
}

bool monthHeldElsewhere(QSqlDatabase db, int year, int month) {
    try {
        QSqlQuery q(db);
        execBound(
            q,
            QStringLiteral("select exists(select 1 from pg_locks where locktype='advisory' and granted and "
                           "mode='ExclusiveLock' and classid=:s::integer::oid and "
                           "objid=(hashtext(:k)::bigint & 4294967295)::oid and objsubid=2 and "
                           "pid<>pg_backend_pid())"),
            {{QStringLiteral("s"), int(LockSpace::TimesheetMonth)},
             {QStringLiteral("k"), monthLockKey(year, month)}});
        return q.next() && q.value(0).toBool();
    } catch (const DbError&) {
        return false; // only the words depend on it
    }
}

QString busyText(QSqlDatabase db, const QList<QDate>& months, const QString& notDone) {
    for (const QDate& d : months)
        if (d.isValid() && monthHeldElsewhere(db, d.year(), d.month()))
            return QStringLiteral("Табель этого месяца сейчас перестраивается на другом рабочем месте. ") +
                   notDone;
    return QStringLiteral("Эти данные сейчас записываются на другом рабочем месте, и ожидание превысило "
                          "допустимое время. ") +
           notDone;
}
