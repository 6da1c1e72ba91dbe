#include "db/Query.h"

#include "db/DbError.h"

#include <libpq-fe.h>
#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlResult>

namespace {
// Reads every row of an executed PostgreSQL query straight from its result, converting each
// value once into what the grids and handlers read. Qt's own conversion builds a local-time
// QDateTime per timestamp, which dominated the opening of a busy journal. A timestamp without
// time zone is a wall-clock time: it is kept as that time (in UTC terms, so that it never
// moves when bound back). Returns false when the result is not PostgreSQL's.
bool readAllRows(QSqlQuery& q, const QSqlRecord& header, QVector<QVector<QVariant>>& rows) {
    const QVariant handle = q.result()->handle();
    if (qstrcmp(handle.typeName(), "PGresult*") != 0) return false;
    const PGresult* r = *static_cast<PGresult* const*>(handle.constData());
    if (!r) return false;
    const int columns = PQnfields(r);
    if (columns != header.count()) return false;
    const int count = PQntuples(r);
    QVector<Oid> types(columns);
    QVector<QMetaType> metaTypes(columns);
    for (int c = 0; c < columns; ++c) {
        types[c] = PQftype(r, c);
        metaTypes[c] = header.field(c).metaType();
    }
    auto digits = [](const char* p, int n) {
        int v = 0;
        for (int i = 0; i < n; ++i)
            v = v * 10 + (p[i] - '0');
        return v;
    };
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        QVector<QVariant> values(columns);
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(r, i, c)) {
                values[c] = QVariant(metaTypes[c]);
                continue;
            }
            const char* text = PQgetvalue(r, i, c);
            const int length = PQgetlength(r, i, c);
            switch (types[c]) {
            case 21: // int2
            case 23: // int4
                values[c] = QByteArrayView(text, length).toInt();
                break;
            case 20: // int8
                values[c] = QByteArrayView(text, length).toLongLong();
                break;
            case 700: // float4
            case 701: // float8
                values[c] = QByteArrayView(text, length).toDouble();
                break;
            case 1700: // numeric: exact, as its text
                values[c] = QString::fromLatin1(text, length);
                break;
            case 1082: // date, ISO output: YYYY-MM-DD
                if (length == 10)
                    values[c] = QDate(digits(text, 4), digits(text + 5, 2), digits(text + 8, 2));
                else
                    values[c] = q.value(c); // years beyond 9999 or BC
                break;
            case 1114: // timestamp without time zone: YYYY-MM-DD HH:MM:SS[.ffffff]
                if (length >= 19) {
                    int ms = 0;
                    if (length > 20)
                        ms = digits(text + 20, std::min(3, length - 20)) * (length - 20 == 1   ? 100
                                                                            : length - 20 == 2 ? 10
                                                                                               : 1);
                    values[c] = QDateTime(
                        QDate(digits(text, 4), digits(text + 5, 2), digits(text + 8, 2)),
                        QTime(digits(text + 11, 2), digits(text + 14, 2), digits(text + 17, 2), ms), Qt::UTC);
                } else {
                    values[c] = QVariant(metaTypes[c]);
                }
                break;
            case 25:   // text
            case 1043: // varchar
            case 1042: // bpchar
            case 19:   // name
                values[c] = QString::fromUtf8(text, length);
                break;
            default: {
                if (!q.seek(i)) return false;
                values[c] = q.value(c);
            }
            }
        }
        rows.append(std::move(values));
    }
    return true;
}

void bindAndExec(QSqlQuery& q, const QMap<QString, QVariant>& params) {
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
} // namespace

void execBound(QSqlQuery& q, const QString& sql, const QMap<QString, QVariant>& params) {
    // Numeric columns arrive as exact text (money must stay exact to the kopeck).
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (!q.prepare(sql)) throw DbError(q.lastError().text());
    bindAndExec(q, params);
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

Query::~Query() = default;

void Query::release() {
    close();
    prepared_.reset();
    preparedSql_.clear();
}

void Query::open() {
    if (open_) return;
    if (!prepared_ || preparedSql_ != sql_) {
        prepared_ = std::make_unique<QSqlQuery>(QSqlDatabase::database(connection_, false));
        // Not forward-only: the server's whole result arrives at once and is read from there.
        prepared_->setForwardOnly(false);
        prepared_->setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!prepared_->prepare(sql_)) {
            const QString text = prepared_->lastError().text();
            prepared_.reset();
            throw DbError(text);
        }
        preparedSql_ = sql_;
    }
    // Bind only the parameters the statement names; a scratch query keeps none.
    QMap<QString, QVariant> used;
    for (auto it = params_.begin(); it != params_.end(); ++it)
        if (sql_.contains(':' + it.key())) used.insert(it.key(), it.value());
    QSqlQuery& q = *prepared_;
    try {
        bindAndExec(q, used);
    } catch (...) {
        // The connection may have been lost: prepare afresh next time.
        prepared_.reset();
        throw;
    }
    header_ = q.record();
    rows_.clear();
    if (!readAllRows(q, header_, rows_)) {
        rows_.clear();
        const int columns = header_.count();
        while (q.next()) {
            QVector<QVariant> values(columns);
            for (int c = 0; c < columns; ++c)
                values[c] = q.value(c);
            rows_.append(std::move(values));
        }
    }
    q.finish();
    open_ = true;
    current_ = -1;
    applyFilter();
}

QSqlRecord Query::row(int i) const {
    QSqlRecord r = header_;
    const auto& values = rows_[visible_[i]];
    for (int c = 0; c < values.size(); ++c)
        r.setValue(c, values[c]);
    return r;
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
    const int column = header_.indexOf(fieldName);
    if (column < 0) return false;
    for (int i = 0; i < visible_.size(); ++i) {
        if (rows_[visible_[i]][column] == value) {
            setRecNo(i + 1);
            return true;
        }
    }
    return false;
}

QVariant Query::field(const QString& name) const {
    if (current_ < 0) return {};
    const int column = header_.indexOf(name);
    return column < 0 ? QVariant() : rows_[visible_[current_]][column];
}

QSqlRecord Query::record() const {
    if (current_ < 0) return header_;
    return row(current_);
}

void Query::setFilter(RowFilter filter) {
    filter_ = std::move(filter);
    if (open_) applyFilter();
}

void Query::applyFilter() {
    visible_.clear();
    visible_.reserve(rows_.size());
    for (int i = 0; i < rows_.size(); ++i)
        visible_.append(i);
    if (filter_) {
        QVector<int> passing;
        for (int i = 0; i < rows_.size(); ++i)
            if (filter_(row(i))) passing.append(i);
        visible_ = std::move(passing);
    }
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
