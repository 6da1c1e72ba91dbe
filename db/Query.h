#pragma once
// Query: a statement with named parameters whose rows are read at once when it is opened,
// with a current row (a cursor) that grids and handlers share, and a client-side row filter.
// It shows the rows of the moment it was opened; later changes appear only when it is
// opened again. Command: a statement that is executed and returns no rows.
//
// Both throw DbError with the server's message when the server refuses a statement.
#include <functional>
#include <memory>

class QSqlQuery;
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
    // Close and open again, with the current parameters.
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
    void applyFilter();

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

// Runs one statement on a connection with its parameters bound; throws DbError.
// Only the parameters the statement names are bound. Used by Query and Command, and by code
// that needs a single value.
void execBound(QSqlQuery& q, const QString& sql, const QMap<QString, QVariant>& params);

// Compares two texts the way a user expects a name search to: letter case ignored,
// Cyrillic included; true when `text` begins with `prefix`.
bool startsWithIgnoringCase(const QString& text, const QString& prefix);
