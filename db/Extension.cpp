#include "db/Extension.h"

#include "db/DbError.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSysInfo>

namespace Extension {
namespace {
Status& status() {
    static Status s;
    return s;
}

QString& role() {
    static QString r;
    return r;
}

// A value that goes into the connection options: letters, digits and a few signs only, so it
// needs no quoting in libpq's option string.
QString optionSafe(const QString& text) {
    QString out;
    for (const QChar c : text)
        out += (c.isLetterOrNumber() && c.unicode() < 128) || c == u'-' || c == u'_' || c == u'.' ? c : u'_';
    return out.left(60);
}
} // namespace

Status detect(QSqlDatabase db) {
    Status s;
    QSqlQuery q(db);
    execBound(q, QStringLiteral("select to_regproc('tabel_ext.version') is not null as present"), {});
    if (q.next() && q.value(0).toBool()) {
        s.installed = true;
        execBound(q, QStringLiteral("select tabel_ext.version()"), {});
        if (q.next()) s.version = q.value(0).toInt();
    }
    status() = s;
    return s;
}

const Status& current() {
    return status();
}

void setCurrent(const Status& s) {
    status() = s;
}

QString shippedSql() {
    QFile f(QStringLiteral(":/schema/tabel_ext.sql"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

void install(QSqlDatabase db, const QString& sql) {
    Transaction t(db);
    QSqlQuery q(db);
    // The file as a whole, unprepared: it holds $$-quoted function bodies.
    if (!q.exec(sql)) throw DbError(q.lastError().databaseText().trimmed());
    t.commit();
}

QString stationName() {
    const QString host = QSysInfo::machineHostName();
    return host.isEmpty() ? QStringLiteral("unknown") : host;
}

QString sessionRole() {
    return role();
}

namespace {
void applyActor(QSqlDatabase db, const QString& role, const QString& station) {
    QSqlQuery q(db);
    execBound(q,
              QStringLiteral("select set_config('tabel.role', :role, false), "
                             "set_config('tabel.station', :station, false)"),
              {{QStringLiteral("role"), role}, {QStringLiteral("station"), station}});
}
} // namespace

void setSessionActor(QSqlDatabase db, const QString& roleCode, const QString& station) {
    Extension::role() = roleCode;
    const QString role = optionSafe(roleCode);
    const QString where = optionSafe(station);
    // A connection opened again after a loss starts with these settings already made.
    // The session's other settings (its lock and statement bounds) stay as they are.
    QString options = db.connectOptions();
    const QRegularExpression startup(QStringLiteral("options='([^']*)'"));
    const QRegularExpressionMatch m = startup.match(options);
    QString settings = m.hasMatch() ? m.captured(1) : QString();
    settings.remove(QRegularExpression(QStringLiteral("\\s*-c tabel\\.(role|station)=\\S*")));
    settings = (settings.trimmed() + QStringLiteral(" -c tabel.role=%1 -c tabel.station=%2").arg(role, where))
                   .trimmed();
    const QString replaced = QStringLiteral("options='%1'").arg(settings);
    if (m.hasMatch())
        options.replace(m.capturedStart(), m.capturedLength(), replaced);
    else
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) + replaced;
    db.setConnectOptions(options);
    // The option form keeps ASCII only: the workstation's own name is set in the session, now
    // and on every connection opened again after a loss.
    static QHash<QString, std::pair<QString, QString>> actors;
    const QString connection = DbConnection::nameOf(db.driver());
    if (!connection.isEmpty()) {
        if (!actors.contains(connection))
            DbConnection::afterReopen([](const QString& reopened) {
                const auto it = actors.constFind(reopened);
                if (it == actors.constEnd()) return;
                try {
                    applyActor(QSqlDatabase::database(reopened, false), it->first, it->second);
                } catch (const DbError&) {
                    // The next statement meets the same trouble and reports it.
                }
            });
        actors.insert(connection, {role, station.left(60)});
    }
    applyActor(db, role, station.left(60));
}

std::optional<ClosedMonth> closedMonthOf(QSqlDatabase db, const QDate& date) {
    if (!current().usable() || !date.isValid()) return std::nullopt;
    QSqlQuery q(db);
    execBound(
        q,
        QStringLiteral("select year, month, closed_at, role, station, reason from tabel_ext.closed_month "
                       "where year = :y and month = :m"),
        {{QStringLiteral("y"), date.year()}, {QStringLiteral("m"), date.month()}});
    if (!q.next()) return std::nullopt;
    ClosedMonth c;
    c.year = q.value(0).toInt();
    c.month = q.value(1).toInt();
    c.closedAt = q.value(2).toDateTime();
    c.role = q.value(3).toString();
    c.station = q.value(4).toString();
    c.reason = q.value(5).toString();
    return c;
}

QString monthText(int year, int month) {
    return QStringLiteral("%1.%2").arg(month, 2, 10, QLatin1Char('0')).arg(year);
}

QString closedMessage(const ClosedMonth& c) {
    return QStringLiteral("Месяц %1 закрыт: %2, %3, %4. Ничего не записано.")
        .arg(monthText(c.year, c.month), c.role, c.station,
             c.closedAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")));
}

} // namespace Extension
