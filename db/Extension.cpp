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
        if (s.version >= 3) {
            execBound(q, QStringLiteral("select to_regrole('tabel_full') is not null"), {});
            s.roles = q.next() && q.value(0).toBool();
        }
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

QStringList splitStatements(const QString& sql) {
    QStringList out;
    QString current;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    auto flush = [&] {
        if (!current.trimmed().isEmpty()) out << current.trimmed();
        current.clear();
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') { // a comment to the end of the line
            const qsizetype end = sql.indexOf(u'\n', i);
            i = end < 0 ? n : end + 1;
            current += u'\n';
        } else if (c == u'\'') { // a literal, '' inside it included
            qsizetype end = i + 1;
            while (end < n && !(sql[end] == u'\'' && (end + 1 >= n || sql[end + 1] != u'\'')))
                end += sql[end] == u'\'' ? 2 : 1;
            current += sql.mid(i, end + 1 - i);
            i = end + 1;
        } else if (c == u'$') { // a dollar-quoted body: $$ ... $$ or $tag$ ... $tag$
            qsizetype tagEnd = i + 1;
            while (tagEnd < n && (sql[tagEnd].isLetterOrNumber() || sql[tagEnd] == u'_'))
                ++tagEnd;
            if (tagEnd < n && sql[tagEnd] == u'$') {
                const QString tag = sql.mid(i, tagEnd + 1 - i);
                const qsizetype close = sql.indexOf(tag, tagEnd + 1);
                const qsizetype end = close < 0 ? n : close + tag.size();
                current += sql.mid(i, end - i);
                i = end;
            } else {
                current += c;
                ++i;
            }
        } else if (c == u';') {
            flush();
            ++i;
        } else {
            current += c;
            ++i;
        }
    }
    flush();
    return out;
}

void install(QSqlDatabase db, const QString& sql) {
    Transaction t(db);
    QSqlQuery q(db);
    // Statement by statement, unprepared (the file holds $$-quoted function bodies), so that a
    // refusal is reported in its own words, not as the aborted transaction that follows it.
    for (const QString& statement : splitStatements(sql))
        if (!q.exec(statement)) throw DbError(q.lastError().databaseText().trimmed());
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

namespace {
// Puts `-c name=value` settings into the connection's start-up options (replacing earlier values
// of the same names), so that a connection opened again after a loss starts with them. The
// session's other settings (its lock and statement bounds) stay as they are.
void keepInStartupOptions(QSqlDatabase db, const QList<std::pair<QString, QString>>& settings) {
    QString options = db.connectOptions();
    const QRegularExpression startup(QStringLiteral("options='([^']*)'"));
    const QRegularExpressionMatch m = startup.match(options);
    QString kept = m.hasMatch() ? m.captured(1) : QString();
    for (const auto& [name, value] : settings) {
        kept.remove(
            QRegularExpression(QStringLiteral("\\s*-c %1=\\S*").arg(QRegularExpression::escape(name))));
        kept = (kept.trimmed() + QStringLiteral(" -c %1=%2").arg(name, value)).trimmed();
    }
    const QString replaced = QStringLiteral("options='%1'").arg(kept);
    if (m.hasMatch())
        options.replace(m.capturedStart(), m.capturedLength(), replaced);
    else
        options += (options.isEmpty() ? QString() : QStringLiteral(";")) + replaced;
    db.setConnectOptions(options);
}
} // namespace

namespace {
// Each access role's code, its database group role, and its name in the windows' words.
struct AccessRole {
    const char* code;
    const char* group;
    const char* words;
};
const AccessRole AccessRoles[] = {
    {"full", "tabel_full", "полный доступ"},
    {"office", "tabel_office", "бюджетный отдел"},
    {"masters", "tabel_masters", "мастер"},
    {"warehouse", "tabel_warehouse", "склад"},
};
const AccessRole* accessRole(const QString& roleCode) {
    for (const AccessRole& r : AccessRoles)
        if (roleCode == QLatin1String(r.code)) return &r;
    return nullptr;
}
} // namespace

QString groupRole(const QString& roleCode) {
    const AccessRole* r = accessRole(roleCode);
    return r ? QString::fromLatin1(r->group) : QString();
}

QString roleWords(const QString& roleCode) {
    const AccessRole* r = accessRole(roleCode);
    return r ? QString::fromUtf8(r->words) : roleCode;
}

QString notGrantedMessage(const QString& roleCode) {
    return QStringLiteral("Этому рабочему месту роль «%1» не назначена.").arg(roleWords(roleCode));
}

RoleTaken takeRole(QSqlDatabase db, const QString& roleCode) {
    if (!current().roles) return RoleTaken::NotEnforced;
    const QString role = groupRole(roleCode);
    if (role.isEmpty()) return RoleTaken::NotGranted;
    QSqlQuery q(db);
    // Membership, not the privileges: logins are NOINHERIT and use a role only once taken.
    execBound(q, QStringLiteral("select pg_has_role(session_user, :r, 'MEMBER')"),
              {{QStringLiteral("r"), role}});
    if (!q.next() || !q.value(0).toBool()) return RoleTaken::NotGranted;
    execBound(q, QStringLiteral("select set_config('role', :r, false)"), {{QStringLiteral("r"), role}});
    // The server checks the membership again whenever a connection starts with it.
    keepInStartupOptions(db, {{QStringLiteral("role"), role}});
    return RoleTaken::Taken;
}

void setSessionActor(QSqlDatabase db, const QString& roleCode, const QString& station) {
    Extension::role() = roleCode;
    const QString role = optionSafe(roleCode);
    const QString where = optionSafe(station);
    // tabel.role is what an extension of version 2 records (and authorises by); version 3 takes
    // the role from the server. The workstation's name is information either way.
    keepInStartupOptions(db,
                         {{QStringLiteral("tabel.role"), role}, {QStringLiteral("tabel.station"), where}});
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
