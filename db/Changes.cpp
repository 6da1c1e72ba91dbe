#include "db/Changes.h"

#include "db/Query.h"

#include <algorithm>
#include <atomic>
#include <libpq-fe.h>
#include <poll.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QSqlQuery>

namespace Changes {

namespace {
QString day(const QDate& d) {
    return d.toString(Qt::ISODate);
}
QString shiftText(int shift) {
    return shift < 0 ? QStringLiteral("*") : QString::number(shift);
}

struct Pending {
    bool inTransaction = false;
    QStringList tokens;
};
QMutex& pendingMutex() {
    static QMutex m;
    return m;
}
QHash<const QSqlDriver*, Pending>& pending() {
    static QHash<const QSqlDriver*, Pending> p;
    return p;
}
} // namespace

QString journal(const QDate& date, int shift) {
    return QLatin1Char('j') + day(date) + QLatin1Char('/') + shiftText(shift);
}
QString household(const QDate& date, int shift) {
    return QLatin1Char('f') + day(date) + QLatin1Char('/') + shiftText(shift);
}
QString timesheet(int year, int month, int shift) {
    return QStringLiteral("t%1-%2/%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(shiftText(shift));
}
QString anyJournal() {
    return QStringLiteral("j*");
}
QString wholeMonth(int year, int month) {
    return timesheet(year, month, -1);
}

std::optional<Change> parse(const QString& token) {
    if (token.isEmpty()) return std::nullopt;
    Change c;
    switch (token[0].unicode()) {
    case 'j':
        c.kind = Change::Journal;
        break;
    case 'f':
        c.kind = Change::Household;
        break;
    case 't':
        c.kind = Change::Timesheet;
        break;
    default:
        return std::nullopt;
    }
    const QString rest = token.mid(1);
    if (rest == QLatin1String("*")) return c;
    const qsizetype slash = rest.indexOf(QLatin1Char('/'));
    if (slash < 0) return std::nullopt;
    const QString when = rest.left(slash), shift = rest.mid(slash + 1);
    if (shift != QLatin1String("*")) {
        bool ok = false;
        c.shift = shift.toInt(&ok);
        if (!ok) return std::nullopt;
    }
    if (when == QLatin1String("*")) return c;
    if (c.kind == Change::Timesheet || when.size() == 7) { // a month
        const QDate first = QDate::fromString(when + QStringLiteral("-01"), Qt::ISODate);
        if (!first.isValid()) return std::nullopt;
        c.year = first.year();
        c.month = first.month();
    } else {
        c.date = QDate::fromString(when, Qt::ISODate);
        if (!c.date.isValid()) return std::nullopt;
        c.year = c.date.year();
        c.month = c.date.month();
    }
    return c;
}

bool Change::touchesJournal(const QDate& d, int s) const {
    return kind == Journal && (date.isValid() ? date == d : touchesMonth(d.year(), d.month())) &&
           (shift < 0 || shift == s);
}

bool Change::touchesMonth(int y, int m) const {
    return year == 0 || (year == y && month == m);
}

namespace {
std::atomic<bool> sending{true};
}

void setSending(bool on) {
    sending = on;
}

void note(QSqlDatabase db, const QStringList& tokens) {
    if (tokens.isEmpty() || !sending) return;
    {
        QMutexLocker lock(&pendingMutex());
        auto it = pending().find(db.driver());
        if (it != pending().end() && it->inTransaction) {
            for (const QString& t : tokens)
                if (!it->tokens.contains(t)) it->tokens << t;
            return;
        }
    }
    // Not inside a Transaction: the write has been committed by itself already.
    execKept(
        db,
        QStringLiteral("select count(pg_notify('tabel_changes', x)) from unnest(string_to_array(:p, ' ')) x"),
        {{QStringLiteral("p"), tokens.join(QLatin1Char(' '))}});
}

void note(QSqlDatabase db, const QString& token) {
    note(db, QStringList{token});
}

void begin(const QSqlDriver* driver) {
    QMutexLocker lock(&pendingMutex());
    pending()[driver] = Pending{true, {}};
}

QStringList take(const QSqlDriver* driver) {
    QMutexLocker lock(&pendingMutex());
    Pending p = pending().take(driver);
    return p.tokens;
}

void discard(const QSqlDriver* driver) {
    QMutexLocker lock(&pendingMutex());
    pending().remove(driver);
}

} // namespace Changes

ChangeListener::ChangeListener(QObject* parent) : QObject(parent) {
    qRegisterMetaType<Changes::Change>();
    watchdog_.setInterval(1000);
    connect(&watchdog_, &QTimer::timeout, this, &ChangeListener::watch);
}

ChangeListener::~ChangeListener() {
    dropProbe();
    disconnect(notifications_);
}

ChangeListener& ChangeListener::of(const QString& connection) {
    // Owned by the application, so it lives until the very end (windows may hold it) and goes
    // with the application; a later one is made anew.
    static QHash<QString, QPointer<ChangeListener>> listeners;
    QPointer<ChangeListener>& l = listeners[connection];
    if (!l) l = new ChangeListener(QCoreApplication::instance());
    return *l;
}

void ChangeListener::stop() {
    watchdog_.stop();
    disconnect(notifications_);
    name_.clear();
}

void ChangeListener::listen(const QString& name) {
    name_ = name;
    if (!hooked_) {
        hooked_ = true;
        QPointer<ChangeListener> self(this);
        DbConnection::afterReopen([self](const QString& reopened) {
            if (!self || reopened != self->name_) return;
            self->subscribe();
            self->backoff_ = 1;
            self->waitTicks_ = 0;
            // Not under the statement that reopened the connection: windows read afterwards.
            QMetaObject::invokeMethod(self, &ChangeListener::reconnected, Qt::QueuedConnection);
        });
    }
    subscribe();
    watchdog_.start();
}

bool ChangeListener::isListening() const {
    const QSqlDatabase db = QSqlDatabase::database(name_, false);
    return db.isValid() && db.driver() && db.driver()->subscribedToNotifications().contains(Changes::Channel);
}

void ChangeListener::subscribe() {
    const QSqlDatabase db = QSqlDatabase::database(name_, false);
    QSqlDriver* driver = db.isValid() ? db.driver() : nullptr;
    if (!driver || !db.isOpen()) return;
    disconnect(notifications_);
    notifications_ = connect(driver, &QSqlDriver::notification, this, &ChangeListener::received);
    if (!driver->subscribedToNotifications().contains(Changes::Channel))
        driver->subscribeToNotification(Changes::Channel);
}

void ChangeListener::received(const QString& channel, QSqlDriver::NotificationSource source,
                              const QVariant& payload) {
    if (channel != Changes::Channel) return;
    auto change = Changes::parse(payload.toString());
    if (!change) return;
    change->fromOther = source != QSqlDriver::SelfSource;
    emit changed(*change);
}

void ChangeListener::watch() {
    if (name_.isEmpty() || !DbConnection::checkBroken(name_)) {
        dropProbe(); // opened again meanwhile by a statement
        return;
    }
    // Lost: tried again after 1, 2, 4 ... up to 16 seconds; the first statement of any window
    // may open it sooner.
    if (!probe_ && ++waitTicks_ < backoff_) return;
    waitTicks_ = 0;
    if (!serverAnswers()) return;
    if (!DbConnection::reopen(name_)) backoff_ = std::min(backoff_ * 2, 16);
}

void ChangeListener::dropProbe() {
    if (probe_) PQfinish(static_cast<PGconn*>(probe_));
    probe_ = nullptr;
}

bool ChangeListener::serverAnswers() {
    const QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (!db.isValid()) return false;
    if (!probe_) {
        auto quoted = [](QString v) {
            v.replace(QLatin1String("\\"), QLatin1String("\\\\"))
                .replace(QLatin1String("'"), QLatin1String("\\'"));
            return QLatin1Char('\'') + v + QLatin1Char('\'');
        };
        QString info = QStringLiteral("host=%1 dbname=%2 user=%3 password=%4 connect_timeout=15 ")
                           .arg(quoted(db.hostName()), quoted(db.databaseName()), quoted(db.userName()),
                                quoted(db.password()));
        if (db.port() > 0) info += QStringLiteral("port=%1 ").arg(db.port());
        info += QString(db.connectOptions()).replace(QLatin1Char(';'), QLatin1Char(' '));
        probe_ = PQconnectStart(info.toUtf8().constData());
        probeStarted_ = QDateTime::currentMSecsSinceEpoch();
        if (!probe_) return false;
    }
    auto* conn = static_cast<PGconn*>(probe_);
    // Steps the attempt on as far as its socket allows now, without waiting.
    for (PostgresPollingStatusType status = PGRES_POLLING_WRITING;;) {
        if (PQstatus(conn) == CONNECTION_BAD) break;
        if (PQstatus(conn) == CONNECTION_OK) {
            dropProbe();
            return true;
        }
        pollfd fd{PQsocket(conn), short(status == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        if (fd.fd < 0 || ::poll(&fd, 1, 0) <= 0) {
            if (QDateTime::currentMSecsSinceEpoch() - probeStarted_ < 15000) return false;
            break; // no answer within the connect timeout
        }
        status = PQconnectPoll(conn);
        if (status == PGRES_POLLING_FAILED) break;
        if (status == PGRES_POLLING_OK) {
            dropProbe();
            return true;
        }
    }
    dropProbe();
    backoff_ = std::min(backoff_ * 2, 16);
    return false;
}
