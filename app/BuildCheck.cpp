#include "app/BuildCheck.h"

#include "db/Extension.h"

#include "app/Form1.h"
#include "app/Form23.h"
#include "app/Program.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Messages.h"

#include <optional>
#include <QCoreApplication>
#include <QSqlQuery>

// The compiler's own texts of this program's build; BuildStamp.cpp is compiled anew at every build.
extern const char* const tabelBuildDateText;
extern const char* const tabelBuildTimeText;

namespace BuildCheck {

namespace {
int digit(const QString& s, int i) {
    return i < s.size() && s[i].isDigit() ? s[i].digitValue() : 0;
}
QChar at(const QString& s, int i) {
    return i < s.size() ? s[i] : QChar(' ');
}

BuildStamp& stamp() {
    static BuildStamp s{buildDate(QString::fromLatin1(tabelBuildDateText)),
                        buildTime(QString::fromLatin1(tabelBuildTimeText))};
    return s;
}
} // namespace

int buildDate(const QString& d) {
    int month = 12;
    const QChar c2 = at(d, 2);
    if (c2 == '?')
        month = 1;
    else if (c2 == 'n')
        month = at(d, 1) == 'a' ? 1 : 6;
    else if (c2 == 'b')
        month = 2;
    else if (c2 == 'r')
        month = at(d, 0) == 'M' ? 3 : 4;
    else if (c2 == 'y')
        month = 5;
    else if (c2 == 'l')
        month = 7;
    else if (c2 == 'g')
        month = 8;
    else if (c2 == 'p')
        month = 9;
    else if (c2 == 't')
        month = 10;
    else if (c2 == 'v')
        month = 11;

    int day;
    if (at(d, 4) == '?')
        day = 1;
    else
        day = (at(d, 4) == ' ' ? 0 : digit(d, 4) * 10) + digit(d, 5);

    const QString year = at(d, 7) == '?' ? QStringLiteral("1900") : d.mid(7, 4);
    const QString text = year + QStringLiteral("%1").arg(month, 2, 10, QChar('0')) +
                         QStringLiteral("%1").arg(day, 2, 10, QChar('0'));
    return text.toInt();
}

int buildTime(const QString& t) {
    return digit(t, 0) * 36000 + digit(t, 1) * 3600 + digit(t, 3) * 600 + digit(t, 4) * 60 +
           digit(t, 6) * 10 + digit(t, 7);
}

BuildStamp current() {
    return stamp();
}
void setCurrent(const QString& dateText, const QString& timeText) {
    stamp() = {buildDate(dateText), buildTime(timeText)};
}
void setCurrent(BuildStamp s) {
    stamp() = s;
}

namespace {
// The build record as the check leaves it: raised to this build where this build is newer.
struct Record {
    int d = 0;
    int t = 0;
    QString delim;
    bool raised = false;
};

// Where the access roles are the server's, the extension's function reads and raises the record:
// the one write of it that a login may make (at the login window too, before it has taken a
// role). None where the table has no row and the login may not add it.
std::optional<Record> throughExtension(QSqlDatabase db, BuildStamp build) {
    QSqlQuery q(db);
    execBound(q, QStringLiteral("select d, t, delim, raised from tabel_ext.check_build(:d, :t)"),
              {{QStringLiteral("d"), build.date}, {QStringLiteral("t"), build.time}});
    if (!q.next()) return std::nullopt;
    return Record{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toString(), q.value(3).toBool()};
}

// Elsewhere the table is read and written directly; an empty table gets its row.
Record throughTable(QSqlDatabase db, BuildStamp build) {
    QSqlQuery ver(db);
    execBound(ver, QStringLiteral("select ctid::text as row, d, t, delim from accounts_dep.ver limit 1"), {});
    if (!ver.next()) {
        QSqlQuery add(db);
        execBound(add, QStringLiteral("insert into accounts_dep.ver (d, t, delim) values (:d, :t, :delim)"),
                  {{QStringLiteral("d"), build.date},
                   {QStringLiteral("t"), build.time},
                   {QStringLiteral("delim"), QStringLiteral(".")}});
        return Record{build.date, build.time, QStringLiteral("."), true};
    }
    Record r{ver.value(QStringLiteral("d")).toInt(), ver.value(QStringLiteral("t")).toInt(),
             ver.value(QStringLiteral("delim")).toString()};
    if (r.d < build.date || (r.d == build.date && r.t < build.time)) {
        QSqlQuery raise(db);
        execBound(raise, QStringLiteral("update accounts_dep.ver set d=:d, t=:t where ctid=(:row)::tid"),
                  {{QStringLiteral("d"), build.date},
                   {QStringLiteral("t"), build.time},
                   {QStringLiteral("row"), ver.value(QStringLiteral("row")).toString()}});
        r = Record{build.date, build.time, r.delim, true};
    }
    return r;
}
} // namespace

Outcome check(DataModule6& dm, BuildStamp build) {
    QSqlDatabase db = dm.ADO_DB();
    const std::optional<Record> r =
        Extension::current().roles ? throughExtension(db, build) : std::optional(throughTable(db, build));
    // The server reads number texts with a point. A record that names no separator (null,
    // empty or blank), or a new record, means that point: an empty separator would turn
    // 12.5 into 125.
    const QString point = QStringLiteral(".");
    if (!r) {
        dm.Delim = point;
        return Outcome::Same;
    }
    dm.Delim = r->delim.trimmed().isEmpty() ? point : r->delim;
    if (r->d > build.date || (r->d == build.date && r->t > build.time)) return Outcome::Newer;
    return r->raised ? Outcome::Raised : Outcome::Same;
}

void run(Form1& form) {
    const BuildStamp build = current();
    form.BuildDate = build.date;
    form.BuildTime = build.time;
    Outcome outcome;
    try {
        outcome = check(the<DataModule6>(), build);
    } catch (const ConnectionLost& lost) {
        // The check repeats every 30 seconds by itself: while the server is away it reports
        // the loss once (when it is the first to meet it), not at every tick. The check runs
        // again, and the connection is opened again, at the next tick.
        if (lost.firstOfOutage()) throw;
        return;
    }
    if (outcome != Outcome::Newer) return;
    // The login window's timer ends the program within 5 seconds even if nobody presses OK:
    // ending the application also closes the message box's own event loop.
    if (Form23* login = instanceOf<Form23>()) login->Timer1->start();
    messages().error(Caption::Error, MismatchMessage);
    Program::end();
}

} // namespace BuildCheck
