#include "db/Transaction.h"

#include "db/DbError.h"
#include "db/Query.h"

#include <QSqlError>
#include <QSqlQuery>

Transaction::Transaction(QSqlDatabase db) : db_(db) {
    if (!db_.transaction()) throw DbError(db_.lastError().text());
    active_ = true;
}

Transaction::~Transaction() {
    if (active_) db_.rollback();
}

void Transaction::commit() {
    if (!active_) return;
    if (!db_.commit()) {
        const QString text = db_.lastError().text();
        db_.rollback();
        active_ = false;
        throw DbError(text);
    }
    active_ = false;
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
