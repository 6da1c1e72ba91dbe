#pragma once
// A transaction on a connection that rolls back unless commit() was called, so a save
// that fails half-way leaves nothing half-done.
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QString>

// When the connection is lost inside it, the server rolls it back whole and ConnectionLost
// says that nothing was saved. When the commit itself is cut off, the server is asked (on the
// connection opened again) whether it committed: commit() returns when it did, throws when it
// did not, and when the server is still away the user is told once it is back.
class Transaction {
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    void finish();

    QSqlDatabase db_;
    QString connection_;
    bool active_ = false;
};

// Namespaces of the advisory locks the program takes, one per kind of key.
enum class LockSpace : int {
    TimesheetRow = 7001,   // a timesheet row: worker, shift, month, year (and kind)
    TimesheetMonth = 7002, // a whole month being rebuilt
    JournalLine = 7003,    // a journal line: worker, operation, product, date, shift, colour
    Operation = 7004,      // a priced operation: kind, kind of output, product
};

// How long a statement waits for a lock another workstation holds. Every session starts with
// the bound of a save or a delete; a month's rebuild waits longer, inside its transaction.
constexpr int SaveLockSeconds = 5;
constexpr int RebuildLockSeconds = 10;
// Sets the lock bound for the rest of the transaction under way.
void setLockBound(QSqlDatabase db, int seconds);

// The key of a month's lock (space TimesheetMonth).
inline QString monthLockKey(int year, int month) {
    return QStringLiteral("%1-%2").arg(year).arg(month);
}
// True when another session holds the month exclusively (a rebuild or the average rate).
// Asked after a LockBusy, outside the failed transaction, to say what was busy.
bool monthHeldElsewhere(QSqlDatabase db, int year, int month);
// The words for a LockBusy of a change of these months: what is busy, then `notDone`.
QString busyText(QSqlDatabase db, const QList<QDate>& months, const QString& notDone);

// One advisory lock a statement asks for.
struct LockRequest {
    LockSpace space;
    QString key;
    bool shared = false;
};
// Takes the locks in the order given, in one statement (one trip to the server).
void lockKeys(QSqlDatabase db, const QList<LockRequest>& locks);

// Takes the transaction-scoped advisory lock on (space, key); waits for another holder.
// Only meaningful inside a Transaction.
void lockKey(QSqlDatabase db, LockSpace space, const QString& key);
// The shared form: many holders at once, excluded only by a holder of lockKey.
void lockKeyShared(QSqlDatabase db, LockSpace space, const QString& key);
