#pragma once
// A transaction on a connection that rolls back unless commit() was called, so a save
// that fails half-way leaves nothing half-done.
#include <QSqlDatabase>
#include <QString>

class Transaction {
public:
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    QSqlDatabase db_;
    bool active_ = false;
};

// Namespaces of the advisory locks the program takes, one per kind of key.
enum class LockSpace : int {
    TimesheetRow = 7001,   // a timesheet row: worker, shift, month, year (and kind)
    TimesheetMonth = 7002, // a whole month being rebuilt
    JournalLine = 7003,    // a journal line: worker, operation, product, date, shift, colour
    Operation = 7004,      // a priced operation: kind, kind of output, product
};

// Takes the transaction-scoped advisory lock on (space, key); waits for another holder.
// Only meaningful inside a Transaction.
void lockKey(QSqlDatabase db, LockSpace space, const QString& key);
// The shared form: many holders at once, excluded only by a holder of lockKey.
void lockKeyShared(QSqlDatabase db, LockSpace space, const QString& key);
