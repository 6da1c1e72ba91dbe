#include "db/Query.h"

#include "db/DbError.h"

#include <QSqlError>
#include <QSqlQuery>

void execBound(QSqlQuery& q, const QString& sql, const QMap<QString, QVariant>& params) {
    // Numeric columns arrive as exact text (money must stay exact to the kopeck).
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.prepare(sql)) throw DbError(q.lastError().text());
    for (auto it = params.begin(); it != params.end(); ++it) {
        const QString placeholder = it.key().startsWith(':') ? it.key() : ':' + it.key();
        q.bindValue(placeholder, it.value());
    }
    if (!q.exec()) {
        QString text = q.lastError().databaseText();
        if (text.isEmpty()) text = q.lastError().text();
        throw DbError(text.trimmed());
    }
}

bool startsWithIgnoringCase(const QString& text, const QString& prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive) ||
           text.toUpper().startsWith(prefix.toUpper()); // QChar folding covers Cyrillic too
}

Query::Query(const QString& name, QObject* parent) : QObject(parent) {
    setObjectName(name);
}

void Query::setSql(const QString& sql) {
    close();
    sql_ = sql;
}

void Query::open() {
    if (open_) return;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    // Bind only the parameters the statement names; a scratch query keeps none.
    QMap<QString, QVariant> used;
    for (auto it = params_.begin(); it != params_.end(); ++it)
        if (sql_.contains(':' + it.key())) used.insert(it.key(), it.value());
    execBound(q, sql_, used);
    header_ = q.record();
    rows_.clear();
    while (q.next())
        rows_.append(q.record());
    open_ = true;
    current_ = -1;
    applyFilter();
}

void Query::close() {
    if (!open_ && rows_.isEmpty()) return;
    open_ = false;
    rows_.clear();
    visible_.clear();
    current_ = -1;
    emit rowsReset();
    emit currentChanged(-1);
}

void Query::reopen() {
    close();
    open();
}

void Query::setRecNo(int n) {
    if (visible_.isEmpty()) return;
    const int row = std::clamp(n, 1, int(visible_.size())) - 1;
    if (row == current_) return;
    current_ = row;
    emit currentChanged(current_);
}

bool Query::locate(const QString& fieldName, const QVariant& value) {
    for (int i = 0; i < visible_.size(); ++i) {
        if (rows_[visible_[i]].value(fieldName) == value) {
            setRecNo(i + 1);
            return true;
        }
    }
    return false;
}

QVariant Query::field(const QString& name) const {
    if (current_ < 0) return {};
    return rows_[visible_[current_]].value(name);
}

QSqlRecord Query::record() const {
    if (current_ < 0) return header_;
    return rows_[visible_[current_]];
}

void Query::setFilter(RowFilter filter) {
    filter_ = std::move(filter);
    if (open_) applyFilter();
}

void Query::applyFilter() {
    visible_.clear();
    for (int i = 0; i < rows_.size(); ++i)
        if (!filter_ || filter_(rows_[i])) visible_.append(i);
    current_ = visible_.isEmpty() ? -1 : 0;
    emit rowsReset();
    emit currentChanged(current_);
}

Command::Command(const QString& name, QObject* parent) : QObject(parent) {
    setObjectName(name);
}

int Command::exec() {
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    execBound(q, sql_, params_);
    return q.numRowsAffected();
}
