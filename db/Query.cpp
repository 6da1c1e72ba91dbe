#include "db/Query.h"

#include "db/DbError.h"
#include "db/Messages.h"
#include "db/PgHandle.h"
#include "db/StatementWait.h"

#include <libpq-fe.h>
#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlResult>
#include <unordered_map>

namespace {
int digits(const char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i)
        v = v * 10 + (p[i] - '0');
    return v;
}

// One value of PostgreSQL's text form as the program reads it. A timestamp without time zone
// is a wall-clock time: it is kept as that time (in UTC terms, so it never moves when it is
// bound back). Returns an invalid QVariant for a type it does not know.
QVariant convertCell(Oid type, const char* text, int length) {
    switch (type) {
    case 21: // int2
    case 23: // int4
        return QByteArrayView(text, length).toInt();
    case 20: // int8
        return QByteArrayView(text, length).toLongLong();
    case 700: // float4
    case 701: // float8
        return QByteArrayView(text, length).toDouble();
    case 1700: // numeric: exact, as its text
        return QString::fromLatin1(text, length);
    case 1082: // date, ISO output: YYYY-MM-DD
        if (length != 10) return {};
        return QDate(digits(text, 4), digits(text + 5, 2), digits(text + 8, 2));
    case 1114: { // timestamp without time zone: YYYY-MM-DD HH:MM:SS[.ffffff]
        if (length < 19 || text[4] != '-') return {};
        int ms = 0;
        if (length > 20) {
            const int n = std::min(3, length - 20);
            ms = digits(text + 20, n) * (n == 1 ? 100 : n == 2 ? 10 : 1);
        }
        return QDateTime(QDate(digits(text, 4), digits(text + 5, 2), digits(text + 8, 2)),
                         QTime(digits(text + 11, 2), digits(text + 14, 2), digits(text + 17, 2), ms),
                         Qt::UTC);
    }
    case 25:   // text
    case 1043: // varchar
    case 1042: // bpchar
    case 19:   // name
        return QString::fromUtf8(text, length);
    default:
        return {};
    }
}
} // namespace

// The rows of an opened query. PostgreSQL's results are copied as their texts and each value
// is converted only when it is read: a busy journal opens without building tens of thousands
// of values nobody looks at. Other results (and unknown types) are converted at once by Qt.
struct Query::Rows {
    int columns = 0;
    int count = 0;
    QByteArray text;            // every cell's text, one after the other
    QVector<int> start;         // per cell (row * columns + column)
    QVector<int> length;        // per cell; -1 for null
    QVector<Oid> types;         // per column
    QVector<QMetaType> metas;   // per column
    QHash<int, QVariant> ready; // cells converted by Qt (types without a text conversion)

    QVariant value(int row, int column) const {
        const int cell = row * columns + column;
        if (auto it = ready.constFind(cell); it != ready.constEnd()) return *it;
        if (length[cell] < 0) return QVariant(metas[column]);
        const QVariant v = convertCell(types[column], text.constData() + start[cell], length[cell]);
        return v.isValid() ? v : QVariant(metas[column]);
    }

    // From PostgreSQL's result of q; false when q's result is not PostgreSQL's.
    bool readFrom(QSqlQuery& q, const QSqlRecord& header) {
        const QVariant handle = q.result()->handle();
        // Registered by the driver as "PGresult*" or, by its struct name, "pg_result*".
        if (qstrcmp(handle.typeName(), "PGresult*") != 0 && qstrcmp(handle.typeName(), "pg_result*") != 0)
            return false;
        const PGresult* r = *static_cast<PGresult* const*>(handle.constData());
        if (!r || PQnfields(r) != header.count()) return false;
        columns = PQnfields(r);
        count = PQntuples(r);
        types.resize(columns);
        metas.resize(columns);
        for (int c = 0; c < columns; ++c) {
            types[c] = PQftype(r, c);
            metas[c] = header.field(c).metaType();
        }
        // Types without a text conversion of their own are converted by Qt at once.
        QVector<bool> known(columns);
        for (int c = 0; c < columns; ++c) {
            static const Oid converted[] = {21, 23, 20, 700, 701, 1700, 1082, 1114, 25, 1043, 1042, 19};
            known[c] = std::find(std::begin(converted), std::end(converted), types[c]) != std::end(converted);
        }
        start.resize(count * columns);
        length.resize(count * columns);
        qsizetype total = 0;
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < columns; ++c)
                total += PQgetlength(r, i, c);
        text.reserve(total);
        for (int i = 0; i < count; ++i) {
            for (int c = 0; c < columns; ++c) {
                const int cell = i * columns + c;
                if (PQgetisnull(r, i, c)) {
                    start[cell] = 0;
                    length[cell] = -1;
                    continue;
                }
                const int n = PQgetlength(r, i, c);
                const char* value = PQgetvalue(r, i, c);
                start[cell] = int(text.size());
                length[cell] = n;
                text.append(value, n);
                if (!known[c] && q.seek(i)) ready.insert(cell, q.value(c));
            }
        }
        return true;
    }

    // Any other result: every value converted by Qt.
    void readConverted(QSqlQuery& q, const QSqlRecord& header) {
        columns = header.count();
        metas.resize(columns);
        types.fill(0, columns);
        for (int c = 0; c < columns; ++c)
            metas[c] = header.field(c).metaType();
        count = 0;
        while (q.next()) {
            for (int c = 0; c < columns; ++c) {
                start.append(0);
                length.append(0);
                ready.insert(count * columns + c, q.value(c));
            }
            ++count;
        }
    }
};

QStringList placeholderNames(const QString& sql) {
    QStringList names;
    const auto wordChar = [](QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); };
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // A doubled quote inside stays inside; the loop steps over it as two quotes.
            const qsizetype end = sql.indexOf(c, i + 1);
            if (end < 0) break;
            i = end;
            continue;
        }
        if (c != QLatin1Char(':')) continue;
        if (i + 1 < n && sql[i + 1] == QLatin1Char(':')) { // a cast
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < n && wordChar(sql[end]))
            ++end;
        if (end > i + 1) {
            const QString name = sql.mid(i + 1, end - i - 1);
            if (!names.contains(name)) names.append(name);
        }
        i = end - 1;
    }
    return names;
}

namespace {
// Binds the parameters the statement names (a name with or without its colon) and runs it.
void bindAndExec(QSqlQuery& q, const QString& sql, const QMap<QString, QVariant>& params) {
    const QStringList names = placeholderNames(sql);
    for (auto it = params.begin(); it != params.end(); ++it) {
        const QString name = it.key().startsWith(':') ? it.key().mid(1) : it.key();
        if (!names.contains(name)) continue;
        // PostgreSQL keeps no character 0 in a text, and the driver would cut the statement
        // short there: such a text (pasted from somewhere) is refused before the statement.
        if (it.value().typeId() == QMetaType::QString && it.value().toString().contains(QChar(0)))
            throw DbError(NulCharacterMessage);
        q.bindValue(':' + name, it.value());
    }
    if (!StatementWait::run(q.driver(), [&q] { return q.exec(); }))
        DbConnection::raise(q.driver(), q.lastError());
}

const char* const FollowedProperty = "tabelConnection";

struct ConnectionState {
    bool lost = false;
    int transactions = 0;
    qlonglong pendingCommit = 0; // transaction id of a commit cut off, 0 for none
};

// Each connection's state, looked up under a lock: workstations of the soak (and any program
// with more than one thread) follow their connections each from a thread of its own. A state
// is only ever read and written by the thread that uses its connection, and stays where it is
// (the map's nodes never move), so the lock covers the lookup alone.
ConnectionState& stateOf(const QString& name) {
    static QMutex mutex;
    static std::unordered_map<QString, ConnectionState> states;
    QMutexLocker lock(&mutex);
    return states[name];
}

QMutex& liveQueriesMutex() {
    static QMutex m;
    return m;
}

// Under liveQueriesMutex().
QSet<Query*>& liveQueries() {
    static QSet<Query*> q;
    return q;
}

const QString ReconnectedCaption = QStringLiteral("Табель");

// Asks the reopened server how a commit that was cut off ended, and tells the user.
void resolvePendingCommit(const QString& name, ConnectionState& state) {
    if (!state.pendingCommit) return;
    const qlonglong id = state.pendingCommit;
    state.pendingCommit = 0;
    QString status;
    try {
        status = DbConnection::transactionStatus(name, id);
    } catch (const std::exception&) {
        status.clear();
    }
    const QString back = QStringLiteral("Связь с сервером базы данных восстановлена. ");
    if (status == QLatin1String("committed"))
        messages().information(ReconnectedCaption,
                               back + QStringLiteral("Изменения, которые сохранялись при обрыве "
                                                     "связи, сохранены полностью."));
    else if (status == QLatin1String("aborted") || status == QLatin1String("in progress"))
        messages().information(ReconnectedCaption,
                               back +
                                   QStringLiteral("Изменения, которые сохранялись при обрыве связи, не "
                                                  "сохранены: ни одна их часть не записана. Повторите их."));
    else
        messages().information(ReconnectedCaption,
                               back +
                                   QStringLiteral("Сохранились ли изменения, которые сохранялись при обрыве "
                                                  "связи, сервер не сообщил: проверьте их."));
}
} // namespace

namespace {
// The statements kept on one connection, owned by its driver (so they go with it).
class KeptStatements : public QObject {
public:
    using QObject::QObject;
    ~KeptStatements() override {
        qDeleteAll(queries);
        qDeleteAll(stale);
    }
    // A statement given up is never freed on the server from here: its session is gone, or
    // the server no longer knows it, and a failed free would break the transaction under way.
    // It is freed when the connection goes (without a word to the server).
    void forget() {
        for (QSqlQuery* q : std::as_const(queries))
            stale.append(q);
        queries.clear();
    }
    void forget(const QString& sql) {
        if (QSqlQuery* q = queries.take(sql)) stale.append(q);
    }
    QHash<QString, QSqlQuery*> queries;
    QList<QSqlQuery*> stale;
    // The server session they were prepared on: a connection opened anew has none of them.
    const PGconn* session = nullptr;
    int backend = 0;
};

KeptStatements* keptStatements(const QSqlDriver* driver, bool create) {
    if (!driver) return nullptr;
    auto* kept = driver->findChild<KeptStatements*>(QString(), Qt::FindDirectChildrenOnly);
    if (!kept && create) kept = new KeptStatements(const_cast<QSqlDriver*>(driver));
    return kept;
}
} // namespace

void forgetPreparedStatements(const QString& connection) {
    QMutexLocker lock(&liveQueriesMutex());
    for (Query* q : liveQueries())
        if (q->connection_ == connection) {
            q->prepared_.reset();
            q->preparedSql_.clear();
        }
    const QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (KeptStatements* kept = db.isValid() ? keptStatements(db.driver(), false) : nullptr) kept->forget();
}

namespace DbConnection {

namespace {
QList<std::function<void(const QString&)>>& reopenCallbacks() {
    static QList<std::function<void(const QString&)>> callbacks;
    return callbacks;
}
} // namespace

void follow(const QSqlDatabase& db, const QString& name) {
    if (QSqlDriver* driver = db.driver()) driver->setProperty(FollowedProperty, name);
    ConnectionState& state = stateOf(name);
    state.lost = false;
}

QString nameOf(const QSqlDriver* driver) {
    return driver ? driver->property(FollowedProperty).toString() : QString();
}

bool isLost(const QString& name) {
    return stateOf(name).lost;
}

bool isConnectionGone(const QSqlDriver* driver, const QSqlError& error) {
    if (!driver || !driver->isOpen()) return true;
    PGconn* conn = nullptr;
    const bool pg = pgConnection(driver, &conn);
    if (pg && (!conn || PQstatus(conn) == CONNECTION_BAD)) return true;
    // Class 08 (connection exception); 57P01..57P03: the server shut down or is starting.
    const QString code = error.nativeErrorCode();
    if (code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") ||
        code == QLatin1String("57P02") || code == QLatin1String("57P03"))
        return true;
    if (!code.isEmpty()) return false; // the server answered: the connection works
    // No SQLSTATE: libpq itself gave up. After the server died under an idle connection, its
    // first failure comes so, with the status still CONNECTION_OK until the socket is read.
    if (pg && conn && (!PQconsumeInput(conn) || PQstatus(conn) == CONNECTION_BAD)) return true;
    const QString text = error.databaseText() + QLatin1Char('\n') + error.driverText();
    static const char* const lost[] = {"server closed the connection",
                                       "no connection to the server",
                                       "terminating connection",
                                       "could not receive data from server",
                                       "could not send data to server",
                                       "connection to server",
                                       "SSL connection has been closed",
                                       "SSL SYSCALL error",
                                       "Broken pipe",
                                       "Connection reset",
                                       "lost synchronization"};
    for (const char* l : lost)
        if (text.contains(QLatin1String(l), Qt::CaseInsensitive)) return true;
    return false;
}

bool canRunAgain(const QString& name, const QString& sql) {
    // Only a read outside any transaction: its first run changed nothing, and a transaction's
    // earlier statements are gone with the session.
    if (name.isEmpty() || stateOf(name).transactions > 0) return false;
    const QString s = sql.trimmed().toLower();
    if (!s.startsWith(QLatin1String("select")) && !s.startsWith(QLatin1String("with"))) return false;
    for (const char* w : {"insert", "update", "delete", "nextval", "setval", "pg_notify", "for share"})
        if (s.contains(QLatin1String(w))) return false;
    return true;
}

bool reopenAfterLoss(const QString& name) {
    return isLost(name) && reopen(name);
}

void raise(const QSqlDriver* driver, const QSqlError& error) {
    QString text = error.databaseText().trimmed();
    if (text.isEmpty()) text = error.text().trimmed();
    // The extension's own refusals (SQLSTATE class TB: a closed month, a history that only
    // grows) are sentences for the user: their first line without the severity, without the
    // server's detail and trigger context.
    if (error.nativeErrorCode().startsWith(QLatin1String("TB"))) {
        QString first = text.section(QLatin1Char('\n'), 0, 0);
        const int colon = first.indexOf(QLatin1String(":  "));
        if (colon > 0 && colon < 12) first = first.mid(colon + 3);
        throw DbError(first.trimmed());
    }
    const QString name = nameOf(driver);
    if (!name.isEmpty() && isConnectionGone(driver, error)) {
        ConnectionState& state = stateOf(name);
        const bool first = !state.lost;
        state.lost = true;
        throw ConnectionLost(
            text, state.transactions > 0 ? ConnectionLost::Work::NotSaved : ConnectionLost::Work::NotDone,
            first);
    }
    const QString code = error.nativeErrorCode();
    // 55P03: the bounded lock wait ran out.
    if (code == QLatin1String("55P03")) throw LockBusy();
    // 57014: the statement's time limit ran out, or the user cancelled it.
    if (code == QLatin1String("57014")) {
        if (StatementWait::cancelledByUser()) throw Cancelled();
        throw DbError(QStringLiteral("Запрос прерван: он выполнялся дольше допустимого или был отменён. "
                                     "Ничего не изменено."));
    }
    throw DbError(text);
}

bool reopen(const QString& name) {
    ConnectionState& state = stateOf(name);
    if (!state.lost) return true;
    QSqlDatabase db = QSqlDatabase::database(name, false);
    if (!db.isValid()) return false;
    // Statements prepared on the old session are gone with it: drop them before the new one
    // opens, so none is freed (or run) on the new session by mistake.
    forgetPreparedStatements(name);
    db.close();
    if (!db.open()) return false;
    follow(db, name);
    resolvePendingCommit(name, stateOf(name));
    for (const auto& callback : reopenCallbacks())
        callback(name);
    return true;
}

void afterReopen(std::function<void(const QString&)> callback) {
    reopenCallbacks().append(std::move(callback));
}

bool checkBroken(const QString& name) {
    ConnectionState& state = stateOf(name);
    if (state.lost) return true;
    const QSqlDatabase db = QSqlDatabase::database(name, false);
    if (!db.isValid()) return false;
    PGconn* conn = nullptr;
    const bool broken =
        !db.isOpen() || (pgConnection(db.driver(), &conn) && (!conn || PQstatus(conn) == CONNECTION_BAD));
    if (broken) state.lost = true;
    return broken;
}

void ensure(const QString& name, ConnectionLost::Work work) {
    StatementWait::refuseWhileWaiting();
    if (name.isEmpty() || !isLost(name)) return;
    if (reopen(name)) return;
    const QSqlDatabase db = QSqlDatabase::database(name, false);
    throw ConnectionLost(db.lastError().text(), work, false);
}

void enterTransaction(const QString& name) {
    if (!name.isEmpty()) ++stateOf(name).transactions;
}

void leaveTransaction(const QString& name) {
    if (!name.isEmpty() && stateOf(name).transactions > 0) --stateOf(name).transactions;
}

void setPendingCommit(const QString& name, qlonglong transactionId) {
    stateOf(name).pendingCommit = transactionId;
}

QString transactionStatus(const QString& name, qlonglong transactionId) {
    QSqlQuery q(QSqlDatabase::database(name, false));
    execBound(q, QStringLiteral("select txid_status(:id)::text"), {{QStringLiteral("id"), transactionId}});
    return q.next() ? q.value(0).toString() : QString();
}

} // namespace DbConnection

void execBound(QSqlQuery& q, const QString& sql, const QMap<QString, QVariant>& params) {
    const QString name = DbConnection::nameOf(q.driver());
    DbConnection::ensure(name);
    auto run = [&] {
        // Numeric columns arrive as exact text (money must stay exact to the kopeck).
        q.setNumericalPrecisionPolicy(QSql::HighPrecision);
        if (!StatementWait::run(q.driver(), [&] { return q.prepare(sql); }))
            DbConnection::raise(q.driver(), q.lastError());
        bindAndExec(q, sql, params);
    };
    try {
        run();
    } catch (const ConnectionLost&) {
        // A read that met a connection lost since the last statement (the server restarted
        // meanwhile) runs once more on a new one, without a word; anything else is reported.
        if (!DbConnection::canRunAgain(name, sql) || !DbConnection::reopenAfterLoss(name)) throw;
        q = QSqlQuery(QSqlDatabase::database(name, false));
        run();
    }
}

QSqlQuery& execKept(QSqlDatabase db, const QString& sql, const QMap<QString, QVariant>& params) {
    DbConnection::ensure(DbConnection::nameOf(db.driver()));
    KeptStatements* kept = keptStatements(db.driver(), true);
    if (!kept) throw DbError(QStringLiteral("Нет соединения с сервером базы данных"));
    PGconn* conn = nullptr;
    if (pgConnection(db.driver(), &conn) && conn) {
        const int backend = PQbackendPID(conn);
        if (kept->session != conn || kept->backend != backend) {
            kept->forget();
            kept->session = conn;
            kept->backend = backend;
        }
    }
    QMap<QString, QVariant> values = params;
    for (const QString& name : placeholderNames(sql))
        if (!values.contains(name) && !values.contains(':' + name)) values.insert(name, QVariant());
    for (int attempt = 0;; ++attempt) {
        QSqlQuery* q = kept->queries.value(sql);
        if (!q) {
            auto fresh = std::make_unique<QSqlQuery>(db);
            fresh->setNumericalPrecisionPolicy(QSql::HighPrecision);
            if (!StatementWait::run(fresh->driver(), [&] { return fresh->prepare(sql); }))
                DbConnection::raise(fresh->driver(), fresh->lastError());
            q = fresh.release();
            kept->queries.insert(sql, q);
        }
        try {
            bindAndExec(*q, sql, values);
            return *q;
        } catch (const DbError&) {
            const QSqlError error = q->lastError();
            const bool gone = DbConnection::isConnectionGone(q->driver(), error);
            // 26000: the statement is no longer on the server (its session was opened anew
            // under it); nothing ran, so it is prepared again and run once more.
            const bool unknown = error.nativeErrorCode() == QLatin1String("26000");
            if (gone || unknown) kept->forget(sql);
            if (unknown && attempt == 0) continue;
            throw;
        }
    }
}

bool startsWithIgnoringCase(const QString& text, const QString& prefix) {
    return text.startsWith(prefix, Qt::CaseInsensitive) ||
           text.toUpper().startsWith(prefix.toUpper()); // QChar folding covers Cyrillic too
}

Query::Query(const QString& name, QObject* parent) : QObject(parent) {
    setObjectName(name);
    QMutexLocker lock(&liveQueriesMutex());
    liveQueries().insert(this);
}

void Query::setSql(const QString& sql) {
    close();
    sql_ = sql;
    params_.clear();
}

Query::~Query() {
    QMutexLocker lock(&liveQueriesMutex());
    liveQueries().remove(this);
}

void Query::release() {
    close();
    prepared_.reset();
    preparedSql_.clear();
}

void Query::open() {
    if (open_) return;
    run();
}

void Query::run() {
    try {
        openOnce();
    } catch (const ConnectionLost&) {
        // A read: run once more on a new connection when the old one was lost under it.
        if (!DbConnection::canRunAgain(connection_, sql_) || !DbConnection::reopenAfterLoss(connection_))
            throw;
        openOnce();
    }
}

void Query::openOnce() {
    DbConnection::ensure(connection_);
    if (!prepared_ || preparedSql_ != sql_) {
        prepared_ = std::make_unique<QSqlQuery>(QSqlDatabase::database(connection_, false));
        // Not forward-only: the server's whole result arrives at once and is read from there.
        prepared_->setForwardOnly(false);
        prepared_->setNumericalPrecisionPolicy(QSql::HighPrecision);
        QSqlQuery* q = prepared_.get();
        if (!StatementWait::run(q->driver(), [&] { return q->prepare(sql_); })) {
            const QSqlError error = prepared_->lastError();
            const QSqlDriver* driver = prepared_->driver();
            prepared_.reset();
            DbConnection::raise(driver, error);
        }
        preparedSql_ = sql_;
    }
    QSqlQuery& q = *prepared_;
    try {
        bindAndExec(q, sql_, params_);
    } catch (...) {
        // The connection may have been lost: prepare afresh next time.
        prepared_.reset();
        throw;
    }
    header_ = q.record();
    rows_ = std::make_unique<Rows>();
    if (!rows_->readFrom(q, header_)) {
        rows_ = std::make_unique<Rows>();
        rows_->readConverted(q, header_);
    }
    q.finish();
    open_ = true;
    current_ = -1;
    applyFilter();
}

QSqlRecord Query::row(int i) const {
    QSqlRecord r = header_;
    for (int c = 0; c < header_.count(); ++c)
        r.setValue(c, rows_->value(visible_[i], c));
    return r;
}

QVariant Query::value(int i, int column) const {
    return rows_->value(visible_[i], column);
}

void Query::close() {
    if (!open_ && !rows_) return;
    open_ = false;
    rows_.reset();
    visible_.clear();
    current_ = -1;
    emit rowsReset();
    emit currentChanged(-1);
}

void Query::reopen() {
    // The rows shown stay until the new ones have arrived: a re-read that waits shows them
    // meanwhile, and one that fails or is cancelled leaves them as they were.
    run();
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
        if (rows_->value(visible_[i], column) == value) {
            setRecNo(i + 1);
            return true;
        }
    }
    return false;
}

QVariant Query::field(const QString& name) const {
    if (current_ < 0) return {};
    const int column = header_.indexOf(name);
    return column < 0 ? QVariant() : rows_->value(visible_[current_], column);
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
    const int count = rows_ ? rows_->count : 0;
    visible_.reserve(count);
    for (int i = 0; i < count; ++i)
        visible_.append(i);
    if (filter_) {
        QVector<int> passing;
        for (int i = 0; i < count; ++i)
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
