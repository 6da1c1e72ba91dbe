#pragma once
// A transaction on a connection that rolls back unless commit() was called, so a save
// that fails half-way leaves nothing half-done.
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
