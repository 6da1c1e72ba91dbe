#pragma once
// Query: a statement with named parameters whose rows are read at once when it is opened,
// with a current row (a cursor) that grids and handlers share, and a client-side row filter.
// It shows the rows of the moment it was opened; later changes appear only when it is
// opened again. Command: a statement that is executed and returns no rows.
//
// Both throw DbError with the server's message when the server refuses a statement.
#include <functional>
#include <memory>

#include "db/DbError.h"

class QSqlQuery;
class QSqlDriver;
class QSqlError;
#include <QMap>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

class Query : public QObject {
    Q_OBJECT
public:
    using RowFilter = std::function<bool(const QSqlRecord&)>;

    explicit Query(const QString& name = {}, QObject* parent = nullptr);
    ~Query() override;

    void setConnectionName(const QString& connection) { connection_ = connection; }

    // The statement; replacing it closes the query and forgets the parameters of the previous
    // statement, so a scratch query never carries a value into its next use. Parameters are
    // ":name" placeholders; set them after the statement.
    void setSql(const QString& sql);
    const QString& sql() const { return sql_; }
    void setParam(const QString& name, const QVariant& value) { params_[name] = value; }
    QVariant param(const QString& name) const { return params_.value(name); }
    void clearParams() { params_.clear(); }

    void open();
    void close();
    // Runs the statement again with the current parameters; the rows of the moment stay until
    // the new ones have arrived, and stay as they were when it fails.
    void reopen();
    bool isOpen() const { return open_; }

    // Rows that pass the filter, the cursor among them (1-based, 0 when there are none).
    int recordCount() const { return visible_.size(); }
    bool isEmpty() const { return visible_.isEmpty(); }
    int recNo() const { return current_ + 1; }
    // Moves to row n, kept within 1..recordCount(); nothing on an empty query.
    void setRecNo(int n);
    void first() { setRecNo(1); }
    void last() { setRecNo(recordCount()); }
    void next() { setRecNo(recNo() + 1); }
    void prior() { setRecNo(recNo() - 1); }
    // Moves to the first row whose field equals value; false (cursor unchanged) when none.
    bool locate(const QString& field, const QVariant& value);

    // Field of the current row; an invalid QVariant when the query is empty or closed.
    QVariant field(const QString& name) const;
    QSqlRecord record() const;
    // Row i (0-based) among the visible rows, as a record.
    QSqlRecord row(int i) const;
    // One value of row i (0-based among the visible rows); column from fieldIndex().
    QVariant value(int i, int column) const;
    int fieldIndex(const QString& name) const { return header_.indexOf(name); }
    QSqlRecord fields() const { return header_; }
    // Frees the prepared statement (before the connection goes away).
    void release();
    // Whether the statement is prepared on the server (tests see a re-preparation after a
    // lost connection through it).
    bool isPrepared() const { return bool(prepared_); }

    // Client-side filter over the loaded rows; the statement is not run again.
    void setFilter(RowFilter filter);
    void clearFilter() { setFilter({}); }
    bool isFiltered() const { return bool(filter_); }

signals:
    // The set of visible rows changed (opened, closed, filtered).
    void rowsReset();
    // The cursor moved to another row (0-based among the visible rows, -1 for none).
    void currentChanged(int row);

private:
    // Runs the statement (once more on a new connection when a read met a lost one) and takes
    // its rows; the rows before stay when it fails.
    void run();
    void openOnce();
    void applyFilter();
    friend void forgetPreparedStatements(const QString& connection);

    QString connection_;
    QString sql_;
    QMap<QString, QVariant> params_;
    bool open_ = false;
    QSqlRecord header_;
    struct Rows;
    std::unique_ptr<Rows> rows_;
    // Kept prepared between openings: the server parses the statement once.
    std::unique_ptr<QSqlQuery> prepared_;
    QString preparedSql_;
    QVector<int> visible_;
    int current_ = -1;
    RowFilter filter_;
};

class Command : public QObject {
    Q_OBJECT
public:
    explicit Command(const QString& name = {}, QObject* parent = nullptr);
    void setConnectionName(const QString& connection) { connection_ = connection; }
    // A new statement starts without parameters, as Query's does.
    void setSql(const QString& sql) {
        sql_ = sql;
        params_.clear();
    }
    const QString& sql() const { return sql_; }
    void setParam(const QString& name, const QVariant& value) { params_[name] = value; }
    void clearParams() { params_.clear(); }
    // Executes the statement; returns the number of rows it changed.
    int exec();

private:
    QString connection_;
    QString sql_;
    QMap<QString, QVariant> params_;
};

// The names of the ":name" placeholders of a statement, each once, without the colon. A name
// is a whole word (":id" is no part of ":id_ii"); "::" casts and the insides of quoted
// literals and identifiers are no placeholders.
QStringList placeholderNames(const QString& sql);

// Why a text holding the character 0 is refused (before any statement).
inline const QString NulCharacterMessage =
    QStringLiteral("В тексте есть невидимый символ с кодом 0, который база данных не хранит. "
                   "Уберите его (наберите текст заново) и повторите.");

// Runs one statement on a connection with its parameters bound; throws DbError.
// Only the parameters the statement names are bound. Used by Query and Command, and by code
// that needs a single value.
void execBound(QSqlQuery& q, const QString& sql, const QMap<QString, QVariant>& params);

// Runs a statement the program runs again and again (a save's locks, checks and writes) as
// execBound does, but prepared once per connection and kept: each run then costs one round
// trip to the server instead of three (prepare, execute, free), which is most of a save's
// time. A placeholder without a value in params is bound to null, as a fresh statement's
// would be. The returned query holds the result until the same statement runs again on that
// connection; a statement lost with its session is prepared again. For a fixed set of texts
// only (they are kept for as long as the connection lives), never for a text made of input.
QSqlQuery& execKept(QSqlDatabase db, const QString& sql, const QMap<QString, QVariant>& params);

// The health of the connections the program follows (the data module's). A statement that
// fails because its connection is gone marks the connection lost and throws ConnectionLost;
// the next statement on it opens it again first, the queries prepare their statements anew,
// and the work goes on. Nothing that failed is run again by itself.
namespace DbConnection {
// Follows the loss of `db`, known by `name` (set again after every open of the connection).
void follow(const QSqlDatabase& db, const QString& name);
// The followed connection a driver belongs to; empty for any other.
QString nameOf(const QSqlDriver* driver);
bool isLost(const QString& name);
// Before a statement on `name`: a lost connection is opened again; while the server is still
// away this throws ConnectionLost (work tells what became of the caller's work).
void ensure(const QString& name, ConnectionLost::Work work = ConnectionLost::Work::NotDone);
// One attempt to open a lost connection again, without an error; true when it is open.
bool reopen(const QString& name);
// Run after every successful reopen, with the connection's name (a new session: what the
// old one listened to is to be asked for again). Kept for the program's life.
void afterReopen(std::function<void(const QString&)> callback);
// Without a word to the server: true (and the connection marked lost) when the followed
// connection is closed or libpq has seen its session end.
bool checkBroken(const QString& name);
// The error for a failed statement: ConnectionLost when its connection is gone (which is
// then marked lost), otherwise DbError with the server's text.
[[noreturn]] void raise(const QSqlDriver* driver, const QSqlError& error);
// True when the error (or the state of the driver's connection) means the connection is gone.
// An error without SQLSTATE is checked against the socket itself: libpq reports the first
// failure after the server died under an idle connection so.
bool isConnectionGone(const QSqlDriver* driver, const QSqlError& error);
// Whether a statement that failed on a lost connection may run once more on a new one: a read
// outside any transaction, which changed nothing.
bool canRunAgain(const QString& name, const QString& sql);
// Opens a lost connection again; true when it is open (then nothing was shown).
bool reopenAfterLoss(const QString& name);

// Transactions under way on a connection: a loss inside one rolls it back whole.
void enterTransaction(const QString& name);
void leaveTransaction(const QString& name);
// A commit cut off by a loss whose outcome the server could not be asked about yet: the
// reopening asks (the transaction's id) and tells the user whether it was saved.
void setPendingCommit(const QString& name, qlonglong transactionId);
// "committed", "aborted", "in progress" or empty (unknown) for a transaction id.
QString transactionStatus(const QString& name, qlonglong transactionId);
} // namespace DbConnection

// Compares two texts the way a user expects a name search to: letter case ignored,
// Cyrillic included; true when `text` begins with `prefix`.
bool startsWithIgnoringCase(const QString& text, const QString& prefix);
