// Many workstations at once on one database: each on its own thread and connection, saving,
// changing and deleting journal lines and household records of the same few workers and
// dates, rebuilding the month's rows now and then, with every server connection cut once in
// the middle. At the end it checks that the timesheets still agree with the journal and the
// records, prints the figures, and exits 1 when a figure that must be 0 is not.
//   soak SOCKET_FOLDER [--workstations N] [--seconds S] [--database NAME]
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Query.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"
#include "timesheets/Household.h"
#include "timesheets/MonthlySheets.h"
#include "timesheets/TimesheetMonth.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <random>

namespace {

struct Settings {
    QString socket;
    QString database = QStringLiteral("vemor_erp");
    int workstations = 8;
    int seconds = 60;
};

QSqlDatabase openConnection(const Settings& s, const QString& name) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(s.socket);
    // The login and its password come from PGUSER and the cluster's password file (scripts/soak).
    db.setDatabaseName(s.database);
    // The program's own session settings: bounded lock waits among them.
    db.setConnectOptions(ConnectionSettings::sessionOptions());
    if (!db.open()) throw DbError(db.lastError().text());
    // A workstation login (the demo's) works as full access, as the program does after its code.
    QSqlQuery role(db);
    execBound(
        role,
        QStringLiteral("select set_config('role', 'tabel_full', false) from pg_roles "
                       "where rolname = 'tabel_full' and pg_has_role(session_user, 'tabel_full', 'MEMBER') "
                       "and not (select rolsuper from pg_roles where rolname = session_user)"),
        {});
    return db;
}

qlonglong scalar(QSqlDatabase db, const QString& sql, const QMap<QString, QVariant>& params = {}) {
    QSqlQuery q(db);
    execBound(q, sql, params);
    return q.next() ? q.value(0).toLongLong() : 0;
}

// Operation kinds, in the order of the printed table.
enum Op {
    LineNew,
    LineChange,
    LineDelete,
    RecordNew,
    RecordChange,
    RecordDelete,
    RebuildShifts,
    RebuildHousehold,
    AverageRate,
    OpCount
};
const char* const OpNames[OpCount] = {
    "journal line added",        "journal line changed",          "journal line deleted",
    "household record added",    "household record changed",      "household record deleted",
    "month rebuild, shift rows", "month rebuild, household rows", "average piece rate"};

// The soak's lines are known by these colours, so the checks and the choice of a line to
// change or delete never touch the lines the database had before.
constexpr int FirstColour = 901;
constexpr int Colours = 3;

struct Line {
    int id, worker, shift;
    QDate date;
};

struct Shared {
    Settings settings;
    QList<int> workers;
    struct Operation {
        int id, product;
        double price;
    };
    QList<Operation> operations;
    QList<QDate> dates;
    int nomId = 0;
    std::mutex mutex;
    QList<Line> lines;  // soak lines as last written by some workstation
    QList<int> records; // soak household records
    std::atomic<bool> stop{false};
    // Figures.
    std::atomic<int> done[OpCount]{};
    std::atomic<int> refused[OpCount]{}; // duplicates and lines or records already gone
    std::atomic<int> lost{0};            // operations cut by the terminated connections
    std::atomic<int> busy{0};            // operations that gave up waiting for a lock
    std::atomic<int> errors{0};
    QVector<double> saveMs;
    QStringList errorTexts;
};

class Workstation : public QThread {
public:
    Workstation(Shared& shared, int number) : shared_(shared), number_(number) {}

protected:
    void run() override {
        const QString name = QStringLiteral("soak%1").arg(number_);
        {
            QSqlDatabase db;
            try {
                db = openConnection(shared_.settings, name);
            } catch (const DbError& e) {
                fail(e.message());
                return;
            }
            DbConnection::follow(db, name);
            std::mt19937 rnd(1000 + number_);
            QVector<double> latencies;
            while (!shared_.stop) {
                const int roll = int(rnd() % 100);
                const Op op = roll < 32   ? LineNew
                              : roll < 50 ? LineChange
                              : roll < 62 ? LineDelete
                              : roll < 74 ? RecordNew
                              : roll < 82 ? RecordChange
                              : roll < 90 ? RecordDelete
                              : roll < 94 ? RebuildShifts
                              : roll < 98 ? RebuildHousehold
                                          : AverageRate;
                try {
                    step(db, op, rnd, latencies);
                } catch (const ConnectionLost&) {
                    ++shared_.lost; // the next statement opens the connection again
                } catch (const LockBusy&) {
                    ++shared_.busy; // gave up within its bound; nothing of it was written
                } catch (const DbError& e) {
                    fail(QString::fromLatin1(OpNames[op]) + QStringLiteral(": ") + e.message());
                }
            }
            std::lock_guard<std::mutex> lock(shared_.mutex);
            shared_.saveMs += latencies;
        }
        QSqlDatabase::removeDatabase(name);
    }

private:
    void fail(const QString& text) {
        ++shared_.errors;
        std::lock_guard<std::mutex> lock(shared_.mutex);
        if (shared_.errorTexts.size() < 20) shared_.errorTexts << text;
    }

    template <class T> static const T& pick(const QList<T>& list, std::mt19937& rnd) {
        return list[int(rnd() % list.size())];
    }

    ShiftEntry::Entry entry(std::mt19937& rnd) const {
        ShiftEntry::Entry e;
        e.workerId = pick(shared_.workers, rnd);
        const auto& o = pick(shared_.operations, rnd);
        e.operationId = o.id;
        e.productId = o.product;
        e.price = o.price;
        e.worker = QStringLiteral("Рабочий %1").arg(e.workerId);
        e.operation = QStringLiteral("Операция %1").arg(o.id);
        e.kolVo = QString::number(1 + rnd() % 50);
        e.brak = QStringLiteral("0");
        e.time = QString::number(1 + rnd() % 8);
        e.colour = QString::number(FirstColour + int(rnd() % Colours));
        e.date = pick(shared_.dates, rnd);
        e.shift = 1 + int(rnd() % 2);
        return e;
    }

    std::optional<Line> anyLine(std::mt19937& rnd) {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        if (shared_.lines.isEmpty()) return std::nullopt;
        return shared_.lines[int(rnd() % shared_.lines.size())];
    }
    void remember(const Line& l) {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        for (Line& x : shared_.lines)
            if (x.id == l.id) {
                x = l;
                return;
            }
        shared_.lines << l;
    }
    void forget(int id) {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        shared_.lines.removeIf([id](const Line& l) { return l.id == id; });
    }
    std::optional<int> anyRecord(std::mt19937& rnd) {
        std::lock_guard<std::mutex> lock(shared_.mutex);
        if (shared_.records.isEmpty()) return std::nullopt;
        return shared_.records[int(rnd() % shared_.records.size())];
    }

    Household::Record record(std::mt19937& rnd) const {
        Household::Record r;
        r.nomId = shared_.nomId;
        r.kind = rnd() % 2 ? Household::HouseholdWorks : Household::AveragePieceRate;
        r.worker = pick(shared_.workers, rnd);
        r.date = pick(shared_.dates, rnd);
        r.hours = QString::number(1 + rnd() % 6);
        r.normPrice = 50;
        r.night = rnd() % 4 == 0;
        return r;
    }

    void step(QSqlDatabase db, Op op, std::mt19937& rnd, QVector<double>& latencies) {
        const QDate month = shared_.dates.first();
        bool ok = true;
        switch (op) {
        case LineNew:
        case LineChange: {
            ShiftEntry::Entry e = entry(rnd);
            if (op == LineChange) {
                const auto l = anyLine(rnd);
                if (!l) return;
                e.tag = ShiftEntry::ChangeLine;
                e.lineId = l->id;
                // Every other change starts from the line as a dialog would have read it a moment
                // ago: racing a move or a change of another workstation, it is refused (Stale).
                if (rnd() % 2) {
                    QSqlQuery read(db);
                    read.prepare(QStringLiteral("select * from accounts_dep.smena where id=:id"));
                    read.bindValue(QStringLiteral(":id"), l->id);
                    if (read.exec() && read.next()) e.seen = ShiftEntry::valuesOf(read.record());
                }
            }
            if (!ShiftEntry::refusal(e).isEmpty()) {
                fail(QStringLiteral("entry refused before the save: ") + ShiftEntry::refusal(e));
                return;
            }
            QElapsedTimer t;
            t.start();
            const ShiftEntry::Outcome out = ShiftEntry::write(db, e);
            latencies << t.nsecsElapsed() / 1e6;
            if (out == ShiftEntry::Outcome::Saved) {
                int id = e.lineId;
                if (op == LineNew)
                    id = int(
                        scalar(db,
                               QStringLiteral("select max(id) from accounts_dep.smena where w_id=:w and "
                                              "o_id=:o and i_id=:i and data=:d and smena=:s and color=:c"),
                               {{QStringLiteral("w"), e.workerId},
                                {QStringLiteral("o"), e.operationId},
                                {QStringLiteral("i"), e.productId},
                                {QStringLiteral("d"), e.date},
                                {QStringLiteral("s"), e.shift},
                                {QStringLiteral("c"), e.colour.toInt()}}));
                remember({id, e.workerId, e.shift, e.date});
            } else if (out == ShiftEntry::Outcome::Gone) {
                forget(e.lineId);
                ok = false;
            } else if (out == ShiftEntry::Outcome::Duplicate || out == ShiftEntry::Outcome::Stale) {
                ok = false;
            } else {
                fail(QStringLiteral("save refused by the server side"));
                return;
            }
            break;
        }
        case LineDelete: {
            // The line as the deleting workstation last saw it (another may have moved it since).
            const auto l = anyLine(rnd);
            if (!l) return;
            Journal::deleteLine(db, l->id);
            forget(l->id);
            break;
        }
        case RecordNew:
        case RecordChange: {
            Household::Record r = record(rnd);
            if (op == RecordChange) {
                const auto id = anyRecord(rnd);
                if (!id) return;
                r.id = *id;
            }
            if (!Household::refusal(r).isEmpty()) {
                fail(QStringLiteral("record refused: ") + Household::refusal(r));
                return;
            }
            ok = Household::save(db, r);
            if (ok && op == RecordNew) {
                const int id =
                    int(scalar(db,
                               QStringLiteral("select max(id) from accounts_dep.fatigue where id_p=:w "
                                              "and id_nom=:n"),
                               {{QStringLiteral("w"), r.worker}, {QStringLiteral("n"), r.nomId}}));
                std::lock_guard<std::mutex> lock(shared_.mutex);
                shared_.records << id;
            }
            break;
        }
        case RecordDelete: {
            const auto id = anyRecord(rnd);
            if (!id) return;
            ok = Household::remove(db, *id);
            std::lock_guard<std::mutex> lock(shared_.mutex);
            shared_.records.removeAll(*id);
            break;
        }
        case RebuildShifts:
            TimesheetMonth::rebuild(db, month.month(), month.year());
            break;
        case RebuildHousehold:
            MonthlySheets::rebuildHousehold(db, month.month(), month.year());
            break;
        case AverageRate:
            Household::computeAveragePieceRate(db, month.month(), month.year());
            break;
        case OpCount:
            break;
        }
        if (ok)
            ++shared_.done[op];
        else
            ++shared_.refused[op];
    }

    Shared& shared_;
    int number_;
};

QString daysUnpivot() {
    QString v;
    for (int d = 1; d <= 31; ++d)
        v += QStringLiteral("%1(%2, d%2)").arg(d == 1 ? QString() : QStringLiteral(", ")).arg(d);
    return v;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    Shared shared;
    Settings& s = shared.settings;
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--workstations") && i + 1 < args.size())
            s.workstations = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--seconds") && i + 1 < args.size())
            s.seconds = std::max(2, args[++i].toInt());
        else if (args[i] == QLatin1String("--database") && i + 1 < args.size())
            s.database = args[++i];
        else
            s.socket = args[i];
    }
    if (s.socket.isEmpty()) {
        std::fprintf(stderr,
                     "usage: soak SOCKET_FOLDER [--workstations N] [--seconds S] [--database NAME]\n");
        return 2;
    }
    int exitCode = 0;
    {
        QSqlDatabase admin;
        try {
            admin = openConnection(s, QStringLiteral("admin"));
            // A few workers, operations with a product and dates of one month, so that the
            // workstations keep meeting on the same rows.
            QSqlQuery q(admin);
            execBound(
                q,
                QStringLiteral("select w_id from accounts_dep.smena where w_id is not null group by w_id "
                               "order by count(*) desc limit 4"),
                {});
            while (q.next())
                shared.workers << q.value(0).toInt();
            execBound(
                q,
                QStringLiteral("select o_id, i_id, max(cena) from accounts_dep.smena where o_id is not null "
                               "and i_id is not null group by o_id, i_id order by count(*) desc limit 3"),
                {});
            while (q.next())
                shared.operations << Shared::Operation{q.value(0).toInt(), q.value(1).toInt(),
                                                       q.value(2).toDouble()};
            execBound(q, QStringLiteral("select max(data) from accounts_dep.smena"), {});
            QDate last =
                q.next() && q.value(0).toDate().isValid() ? q.value(0).toDate() : QDate::currentDate();
            const QDate first(last.year(), last.month(), 1);
            for (int d : {3, 10, 17, 28})
                shared.dates << first.addDays(d - 1);
            shared.nomId = int(
                scalar(admin, QStringLiteral("select coalesce(max(id_nom), 1) from accounts_dep.fatigue")));
            if (shared.workers.isEmpty() || shared.operations.isEmpty()) {
                std::fprintf(stderr,
                             "the database has no journal lines to take workers and operations from\n");
                return 1;
            }
            // Start from timesheets that agree with the journal and the records.
            TimesheetMonth::rebuild(admin, first.month(), first.year());
            MonthlySheets::rebuildHousehold(admin, first.month(), first.year());
        } catch (const DbError& e) {
            std::fprintf(stderr, "cannot prepare: %s\n", qPrintable(e.message()));
            return 1;
        }
        const QDate month(shared.dates.first().year(), shared.dates.first().month(), 1);
        std::printf("Soak: %d workstations for %d s on %d workers, %d operations, %d dates of %s\n",
                    s.workstations, s.seconds, int(shared.workers.size()), int(shared.operations.size()),
                    int(shared.dates.size()), qPrintable(month.toString(QStringLiteral("MM.yyyy"))));
        std::fflush(stdout);

        QList<Workstation*> stations;
        for (int i = 0; i < s.workstations; ++i) {
            stations << new Workstation(shared, i + 1);
            stations.last()->start();
        }
        QThread::msleep(ulong(s.seconds) * 500);
        int terminated = 0;
        try {
            terminated =
                int(scalar(admin,
                           QStringLiteral("select count(pg_terminate_backend(pid)) from pg_stat_activity "
                                          "where datname=:d and pid<>pg_backend_pid()"),
                           {{QStringLiteral("d"), s.database}}));
        } catch (const DbError& e) {
            std::fprintf(stderr, "cannot terminate the connections: %s\n", qPrintable(e.message()));
        }
        std::printf("Terminated %d server connections at %d s\n", terminated, s.seconds / 2);
        std::fflush(stdout);
        QThread::msleep(ulong(s.seconds) * 500);
        shared.stop = true;
        for (Workstation* w : stations) {
            w->wait();
            delete w;
        }

        // The checks: no rebuild before them.
        const QMap<QString, QVariant> m{{QStringLiteral("m"), month.month()},
                                        {QStringLiteral("y"), month.year()},
                                        {QStringLiteral("a"), month},
                                        {QStringLiteral("b"), month.addMonths(1)}};
        qlonglong dupShift = 0, dupHousehold = 0, dayShift = 0, dayHousehold = 0, dupLines = 0;
        try {
            dupShift = scalar(
                admin, QStringLiteral("select count(*) from (select 1 from accounts_dep.h_tabel where "
                                      "smena>0 group by w_id, smena, month, year having count(*)>1) x"));
            dupHousehold =
                scalar(admin, QStringLiteral("select count(*) from (select 1 from accounts_dep.h_tabel "
                                             "where smena=0 group by w_id, i_type, i_night, month, year "
                                             "having count(*)>1) x"));
            dayShift = scalar(
                admin,
                QStringLiteral(
                    "with j as (select w_id, smena, extract(day from data)::int as d, sum(time) as t from "
                    "accounts_dep.smena where data>=:a and data<:b group by 1, 2, 3), "
                    "h as (select w_id, smena, x.d, x.v as t from accounts_dep.h_tabel, lateral (values %1) "
                    "x(d, v) where month=:m and year=:y and smena>0 and x.v is not null) "
                    "select count(*) from j full join h using (w_id, smena, d) "
                    "where coalesce(j.t, 0)<>coalesce(h.t, 0)")
                    .arg(daysUnpivot()),
                m);
            dayHousehold = scalar(
                admin,
                QStringLiteral(
                    "with f as (select id_p as w_id, id_o as i_type, i_night, extract(day from d_date)::int "
                    "as d, sum(cnt) as t from accounts_dep.fatigue where d_date>=:a and d_date<:b "
                    "group by 1, 2, 3, 4), "
                    "h as (select w_id, i_type, i_night, x.d, x.v as t from accounts_dep.h_tabel, lateral "
                    "(values %1) x(d, v) where month=:m and year=:y and smena=0 and x.v is not null) "
                    "select count(*) from f full join h using (w_id, i_type, i_night, d) "
                    "where coalesce(f.t, 0)<>coalesce(h.t, 0)")
                    .arg(daysUnpivot()),
                m);
            dupLines = scalar(
                admin,
                QStringLiteral("select coalesce(sum(n-1), 0) from (select count(*) as n from "
                               "accounts_dep.smena where color between :c1 and :c2 group by w_id, o_id, "
                               "i_id, data, smena, color having count(*)>1) x"),
                {{QStringLiteral("c1"), FirstColour}, {QStringLiteral("c2"), FirstColour + Colours - 1}});
        } catch (const DbError& e) {
            std::fprintf(stderr, "cannot check: %s\n", qPrintable(e.message()));
            return 1;
        }

        std::printf("\n%-32s %8s %10s\n", "operation", "done", "refused");
        for (int op = 0; op < OpCount; ++op)
            std::printf("%-32s %8d %10d\n", OpNames[op], shared.done[op].load(), shared.refused[op].load());
        std::printf(
            "journal lines confirmed: not driven (the mark is written only through the data module)\n");
        std::printf("operations cut by the terminated connections: %d\n", shared.lost.load());
        std::printf("operations that gave up waiting for a lock: %d\n", shared.busy.load());
        QVector<double> v = shared.saveMs;
        std::sort(v.begin(), v.end());
        const auto at = [&v](double p) {
            return v.isEmpty() ? 0.0 : v[std::min(int(v.size()) - 1, int(v.size() * p))];
        };
        std::printf("save latency: median %.1f ms, 99th percentile %.1f ms over %d saves\n", at(0.5),
                    at(0.99), int(v.size()));
        std::printf("\nmust be 0:\n");
        const struct {
            const char* what;
            qlonglong n;
        } zero[] = {{"duplicate timesheet rows, shift", dupShift},
                    {"duplicate timesheet rows, household", dupHousehold},
                    {"days differing from the journal", dayShift},
                    {"days differing from the records", dayHousehold},
                    {"duplicate journal lines", dupLines},
                    {"other errors", shared.errors.load()}};
        for (const auto& z : zero) {
            std::printf("  %-38s %lld\n", z.what, z.n);
            if (z.n != 0) exitCode = 1;
        }
        for (const QString& e : shared.errorTexts)
            std::printf("  error: %s\n", qPrintable(e.simplified()));
        if (dayShift != 0)
            for (const auto& x : TimesheetMonth::mismatches(admin, month.month(), month.year()))
                std::printf("  worker %d shift %d day %d: timesheet %d, journal %d\n", x.worker, x.shift,
                            x.day, x.timesheet, x.journal);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    return exitCode;
}
