// The database decides who may do what: against the tests' cluster with real logins that hold one
// access role each, every role's writes that its windows make go through and every other write
// is refused by the server; a closed month cannot be talked open by anything a client sets; the
// extension's functions cannot be hijacked through the caller's temporary schema; the history
// names the login; and the program's login takes the code's role only where the login holds it.
#include "app/Access.h"
#include "app/BuildCheck.h"
#include "app/Form1.h"
#include "app/Form23.h"
#include "app/Program.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Query.h"
#include "journal/ShiftEntry.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {
// A session as psql would have it: a login of the cluster, the access role it takes (none: the
// login as it is), and statements run one by one; each result is the error's text or empty.
class Session {
public:
    Session(const TestDb& t, const QString& login, const QString& role = {})
        : name_(QStringLiteral("as_") + login) {
        QSqlDatabase db = t.openOther(name_, login);
        if (!role.isEmpty()) roleError_ = run(QStringLiteral("set role ") + role);
    }
    ~Session() {
        QSqlDatabase::database(name_, false).close();
        QSqlDatabase::removeDatabase(name_);
    }
    QString run(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        if (q.exec(sql)) return {};
        return q.lastError().databaseText() + QStringLiteral(" [") + q.lastError().nativeErrorCode() +
               QStringLiteral("]");
    }
    QVariant value(const QString& sql) {
        QSqlQuery q(QSqlDatabase::database(name_, false));
        if (!q.exec(sql) || !q.next()) return {};
        return q.value(0);
    }
    const QString& roleError() const { return roleError_; }

private:
    QString name_;
    QString roleError_;
};
} // namespace

class TestAccess : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    int worker = 0, product = 0, kind = 0, oper = 0, line = 0, mayLine = 0;

    QString insertLine(const QString& date) const {
        return QStringLiteral(
                   "insert into accounts_dep.smena (w_id, i_id, o_id, kol_vo, brak, data, smena, cena, "
                   "time, ok) values (%1, %2, %3, 5, 0, '%4', 1, 2.5, 4, 'no')")
            .arg(worker)
            .arg(product)
            .arg(oper)
            .arg(date);
    }
    QString replace(QString sql) const {
        return sql.replace("$W", QString::number(worker))
            .replace("$P", QString::number(product))
            .replace("$K", QString::number(kind))
            .replace("$O", QString::number(oper))
            .replace("$MAYLINE", QString::number(mayLine))
            .replace("$L", QString::number(line))
            .replace("$INSERT_JUNE", insertLine("2026-06-04"))
            .replace("$INSERT_MAY", insertLine("2026-05-11"));
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("access");
        QVERIFY(Extension::detect(t->db()).roles);
    }
    void cleanupTestCase() { t.reset(); }
    void init() {
        t->clearData();
        shown.clear();
        Extension::detect(t->db());
        worker = t->addWorker("Орлов П. А.");
        product = t->addProduct("Стол СТ-1");
        kind = t->addKind("Сборка");
        oper = t->addOperation(kind, product, 0, {5});
        line = t->addLine(worker, oper, QDate(2026, 6, 3), 1, 10, 0, 5, 4);
        mayLine = t->addLine(worker, oper, QDate(2026, 5, 10), 1, 10, 0, 5, 4);
        t->exec(
            QStringLiteral(
                "insert into accounts_dep.h_tabel (w_id, smena, month, year, d3) values (%1, 1, 6, 2026, 4)")
                .arg(worker));
        t->exec("insert into tabel_ext.closed_month (year, month, role, station) values (2026, 5, 'бюджетный "
                "отдел', 'тест')");
    }

    // A table of role x statement, each against the fixture afresh: allowed writes go through,
    // the others are refused by the server itself.
    void eachRoleWritesWhatItsWindowsWriteAndNothingElse_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("allowed");
        const QString masters = "tabel_masters", office = "tabel_office", warehouse = "tabel_warehouse",
                      full = "tabel_full";
        auto row = [](const char* name, const QString& login, const QString& role, const QString& sql,
                      bool allowed) { QTest::newRow(name) << login << role << sql << allowed; };
        row("foremen add a line", "tabel_t_masters", masters, "$INSERT_JUNE", true);
        row("foremen change no line", "tabel_t_masters", masters,
            "update accounts_dep.smena set kol_vo = 1 where id = $L", false);
        row("foremen delete no line", "tabel_t_masters", masters,
            "delete from accounts_dep.smena where id = $L", false);
        row("foremen write no norm", "tabel_t_masters", masters, "update accounts_dep.norm set price = 1",
            false);
        row("foremen add no operation", "tabel_t_masters", masters,
            "insert into accounts_dep.oper (vid, naimen, i_id) values ($K, 0, $P)", false);
        row("foremen add no worker", "tabel_t_masters", masters,
            "insert into accounts_dep.person (fio) values ('X')", false);
        row("foremen write no timesheet row", "tabel_t_masters", masters,
            "update accounts_dep.h_tabel set d3 = 12", false);
        row("foremen's day hours through the function", "tabel_t_masters", masters,
            "select tabel_ext.write_day_hours($W, 1, '2026-06-03', true)", true);
        row("foremen keep household records", "tabel_t_masters", masters,
            "insert into accounts_dep.fatigue (id_p, id_o, d_date, i_mnth, i_year, cnt, i_night) "
            "values ($W, 7777, '2026-06-03', 6, 2026, 2, 0)",
            true);
        row("foremen close no month", "tabel_t_masters", masters, "select tabel_ext.close_month(2026, 6, '')",
            false);
        row("foremen write no build record", "tabel_t_masters", masters,
            "update accounts_dep.ver set d = 99999999", false);
        row("warehouse confirms a line", "tabel_t_warehouse", warehouse,
            "update accounts_dep.smena set ok = 'ok' where id = $L", true);
        row("warehouse changes nothing else of it", "tabel_t_warehouse", warehouse,
            "update accounts_dep.smena set kol_vo = 1 where id = $L", false);
        row("warehouse adds no line", "tabel_t_warehouse", warehouse, "$INSERT_JUNE", false);
        row("office adds no line", "tabel_t_office", office, "$INSERT_JUNE", false);
        row("office closes a month", "tabel_t_office", office,
            "select tabel_ext.close_month(2026, 6, 'сдано')", true);
        row("office reopens none", "tabel_t_office", office,
            "select tabel_ext.reopen_month(2026, 5, 'ошибка')", false);
        row("office writes no norm", "tabel_t_office", office, "update accounts_dep.norm set price = 1",
            false);
        row("office rebuilds no timesheet", "tabel_t_office", office, "delete from accounts_dep.h_tabel",
            false);
        row("full access writes norms", "tabel_t_full", full, "update accounts_dep.norm set price = 1", true);
        row("full access adds workers", "tabel_t_full", full,
            "insert into accounts_dep.person (fio) values ('X')", true);
        row("full access adds products", "tabel_t_full", full,
            "insert into cmn_gds_and_srv.gds_and_srv (s_caption, s_description, id_msm_bs) values ('Y', '', "
            "6)",
            true);
        row("full access deletes a line", "tabel_t_full", full,
            "delete from accounts_dep.smena where id = $L", true);
        row("full access rebuilds timesheets", "tabel_t_full", full,
            "delete from accounts_dep.h_tabel where month = 6", true);
        row("full access reopens a month", "tabel_t_full", full,
            "select tabel_ext.reopen_month(2026, 5, 'ошибка')", true);
        row("nobody writes the history", "tabel_t_full", full,
            "insert into tabel_ext.history (tbl, action, rec_id, role, station) values ('smena', 'delete', "
            "1, 'x', 'x')",
            false);
        row("nobody deletes a closed month", "tabel_t_full", full, "delete from tabel_ext.closed_month",
            false);
        row("nobody turns the triggers off", "tabel_t_full", full, "set session_replication_role = replica",
            false);
        row("a role not taken is no role", "tabel_t_masters", "", "$INSERT_JUNE", false);
        row("a login without roles reads no line", "tabel_t_none", "",
            "select count(*) from accounts_dep.smena", false);
        row("nor the history", "tabel_t_none", "", "select count(*) from tabel_ext.history", false);
        row("nor closes a month", "tabel_t_none", "", "select tabel_ext.close_month(2026, 6, '')", false);
        row("the roles read the history", "tabel_t_warehouse", warehouse,
            "select count(*) from tabel_ext.history", true);
    }
    void eachRoleWritesWhatItsWindowsWriteAndNothingElse() {
        QFETCH(QString, login);
        QFETCH(QString, role);
        QFETCH(QString, sql);
        QFETCH(bool, allowed);
        Session s(*t, login, role);
        QCOMPARE(s.roleError(), QString());
        const QString error = s.run(replace(sql));
        if (allowed)
            QVERIFY2(error.isEmpty(), qPrintable(error));
        else
            QVERIFY2(error.contains("42501") || error.contains("TB003"),
                     qPrintable(error.isEmpty() ? "allowed" : error));
    }

    void noLoginTakesARoleItIsNotGranted() {
        Session s(*t, "tabel_t_masters", "tabel_full");
        QVERIFY2(s.roleError().contains("permission denied"), qPrintable(s.roleError()));
        QCOMPARE(s.value("select current_user").toString(), QString("tabel_t_masters"));
    }

    // Whatever a session sets, a closed month takes no write.
    void aClosedMonthCannotBeTalkedOpen_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("write");
        const QString add = "$INSERT_MAY";
        const QString change = "update accounts_dep.smena set kol_vo = 1 where id = $MAYLINE";
        const QString remove = "delete from accounts_dep.smena where id = $MAYLINE";
        for (const char* setting : {"set tabel_ext.open_202605 = 'yes'", "set tabel.role = 'full'",
                                    "set tabel.notifies = 'program'", "set application_name = 'tabel'",
                                    "set session_replication_role = replica"}) {
            QTest::addRow("foremen add, %s", setting) << "tabel_t_masters"
                                                      << "tabel_masters" << setting << add;
            QTest::addRow("full changes, %s", setting) << "tabel_t_full"
                                                       << "tabel_full" << setting << change;
            QTest::addRow("full deletes, %s", setting) << "tabel_t_full"
                                                       << "tabel_full" << setting << remove;
        }
        QTest::newRow("full moves a line in")
            << "tabel_t_full"
            << "tabel_full"
            << "select 1"
            << "update accounts_dep.smena set data = '2026-05-02' where id = $L";
        QTest::newRow("full writes May's hours")
            << "tabel_t_full"
            << "tabel_full"
            << "select 1"
            << "insert into accounts_dep.h_tabel (w_id, smena, month, year) values (1, 1, 5, 2026)";
        QTest::newRow("foremen's hours through the function")
            << "tabel_t_masters"
            << "tabel_masters"
            << "select 1"
            << "select tabel_ext.write_day_hours(1, 1, '2026-05-10', true)";
    }
    void aClosedMonthCannotBeTalkedOpen() {
        QFETCH(QString, login);
        QFETCH(QString, role);
        QFETCH(QString, setting);
        QFETCH(QString, write);
        write = replace(write);
        const QString before =
            t->scalar("select string_agg(s::text, '|' order by id) from accounts_dep.smena s").toString();
        Session s(*t, login, role);
        s.run(setting); // those a login may not set fail themselves
        const QString error = s.run(write);
        QVERIFY2(error.contains("TB001") && error.contains("закрыт"),
                 qPrintable(error.isEmpty() ? "written" : error));
        QCOMPARE(
            t->scalar("select string_agg(s::text, '|' order by id) from accounts_dep.smena s").toString(),
            before);
    }

    // A transaction whose snapshot is older than a close cannot write into the month it closed.
    void anOldSnapshotMeetsTheCloseItCannotSee() {
        Session writer(*t, "tabel_t_masters", "tabel_masters");
        QCOMPARE(writer.run("begin isolation level repeatable read"), QString());
        QCOMPARE(writer.value("select count(*) from accounts_dep.smena").toLongLong(), 2);
        {
            Session office(*t, "tabel_t_office", "tabel_office");
            QCOMPARE(office.run("select tabel_ext.close_month(2026, 6, 'сдано')"), QString());
        }
        const QString error = writer.run(insertLine("2026-06-05"));
        QVERIFY2(error.contains("TB001"), qPrintable(error.isEmpty() ? "written" : error));
        writer.run("rollback");
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena where data = '2026-06-05'").toLongLong(),
                 0);
    }

    // Close and reopen are the roles' to do, whatever the session says it is.
    void closeAndReopenFollowTheGrantsNotTheSettings_data() {
        QTest::addColumn<QString>("login");
        QTest::addColumn<QString>("role");
        QTest::addColumn<QString>("call");
        QTest::newRow("foremen close as 'office'") << "tabel_t_masters"
                                                   << "tabel_masters"
                                                   << "select tabel_ext.close_month(2026, 6, '')";
        QTest::newRow("office reopens as 'full'") << "tabel_t_office"
                                                  << "tabel_office"
                                                  << "select tabel_ext.reopen_month(2026, 5, 'x')";
        QTest::newRow("no roles, close as 'office'") << "tabel_t_none"
                                                     << ""
                                                     << "select tabel_ext.close_month(2026, 6, '')";
        QTest::newRow("all four, none taken") << "tabel_t_all"
                                              << ""
                                              << "select tabel_ext.close_month(2026, 6, '')";
    }
    void closeAndReopenFollowTheGrantsNotTheSettings() {
        QFETCH(QString, login);
        QFETCH(QString, role);
        QFETCH(QString, call);
        Session s(*t, login, role);
        s.run("set tabel.role = 'full'");
        s.run("select set_config('tabel.role', 'office', false)");
        QVERIFY(!s.run(call).isEmpty());
        QCOMPARE(
            t->scalar("select string_agg(year || '-' || month, ',') from tabel_ext.closed_month").toString(),
            QString("2026-5"));
    }

    // The extension's functions that run as its owner resolve nothing through the caller's
    // temporary schema: types named as the ones they use, first in the caller's search_path,
    // never run as the owner (the caller's own statements may meet them, with his own rights).
    void theCallersTemporarySchemaHijacksNothing() {
        const QString trap = "create function pg_temp.hijack() returns boolean language plpgsql as "
                             "'begin perform pg_catalog.set_config(''hijack.ran'', "
                             "coalesce(pg_catalog.current_setting(''hijack.ran'', "
                             "true), '''') || '' '' || current_user, false); return true; end';"
                             "create domain pg_temp.jsonb as pg_catalog.jsonb check (pg_temp.hijack());"
                             "create domain pg_temp.text as pg_catalog.text check (pg_temp.hijack());"
                             "create domain pg_temp.int4 as pg_catalog.int4 check (pg_temp.hijack());"
                             "create domain pg_temp.bool as pg_catalog.bool check (pg_temp.hijack());"
                             "set search_path = pg_temp, pg_catalog, public";
        auto armed = [&](Session& s) {
            QCOMPARE(s.run(trap), QString());
            // The trap is live: the session's own use of the type runs it.
            QCOMPARE(s.run("select '{}'::jsonb"), QString());
            QVERIFY(!s.value("select current_setting('hijack.ran', true)").toString().isEmpty());
        };
        auto ranAsOwner = [](Session& s) {
            return s.value("select current_setting('hijack.ran', true)")
                .toString()
                .contains("tabel_ext_owner");
        };
        const qlonglong history = t->scalar("select count(*) from tabel_ext.history").toLongLong();
        {
            Session masters(*t, "tabel_t_masters", "tabel_masters");
            armed(masters);
            if (QTest::currentTestFailed()) return;
            for (const QString& sql :
                 {replace("$INSERT_JUNE"),
                  replace("select tabel_ext.write_day_hours($W, 1, '2026-06-04', true)"),
                  replace(
                      "insert into accounts_dep.fatigue (id_p, id_o, d_date, i_mnth, i_year, cnt, i_night) "
                      "values ($W, 7777, '2026-06-04', 6, 2026, 2, 0)"),
                  replace("select tabel_ext.write_household_hours($W, 7777, 0, '2026-06-04', true)"),
                  QString("select * from tabel_ext.check_build(20240222, 53972)")}) {
                QCOMPARE(masters.run(sql), QString());
                QVERIFY2(!ranAsOwner(masters), qPrintable(sql));
            }
        }
        {
            Session office(*t, "tabel_t_office", "tabel_office");
            armed(office);
            QCOMPARE(office.run("select tabel_ext.close_month(2026, 6, 'сдано')"), QString());
            QVERIFY(!ranAsOwner(office));
        }
        {
            Session full(*t, "tabel_t_full", "tabel_full");
            armed(full);
            QCOMPARE(full.run("select tabel_ext.reopen_month(2026, 6, 'ошибка')"), QString());
            QCOMPARE(full.run(replace("update accounts_dep.smena set kol_vo = 7 where id = $L")), QString());
            QCOMPARE(full.run(replace("delete from accounts_dep.smena where id = $L")), QString());
            QVERIFY(!ranAsOwner(full));
        }
        // Every write was recorded, nothing more: a line, a household record, a change, a delete.
        QCOMPARE(t->scalar("select count(*) from tabel_ext.history").toLongLong(), history + 4);
        QCOMPARE(
            t->scalar("select count(*) from pg_roles where rolsuper and rolname like 'tabel%'").toLongLong(),
            0);
    }

    // Every function that runs as the extension's owner pins its search_path and is not PUBLIC's,
    // but the build check that every login makes at its login window.
    void definerFunctionsArePinnedAndNotPublic() {
        QCOMPARE(t->scalar("select string_agg(p.proname, ',' order by p.proname) from pg_proc p "
                           "where p.pronamespace = 'tabel_ext'::regnamespace and p.prosecdef "
                           "and not coalesce(p.proconfig @> array['search_path=pg_catalog, pg_temp'], false)")
                     .toString(),
                 QString());
        QCOMPARE(t->scalar("select string_agg(p.proname, ',' order by p.proname) from pg_proc p "
                           "where p.pronamespace = 'tabel_ext'::regnamespace and p.prosecdef "
                           "and has_function_privilege('public', p.oid, 'execute')")
                     .toString(),
                 QString("check_build"));
        QCOMPARE(t->scalar("select string_agg(p.proname, ',' order by p.proname) from pg_proc p "
                           "where p.pronamespace = 'tabel_ext'::regnamespace and p.proowner <> "
                           "'tabel_ext_owner'::regrole")
                     .toString(),
                 QString());
    }

    // The history and the close log name the login and the role it took.
    void theHistoryNamesTheLogin() {
        {
            Session masters(*t, "tabel_t_masters", "tabel_masters");
            masters.run("set tabel.station = 'цех-2'");
            QCOMPARE(masters.run(replace("$INSERT_JUNE")), QString());
            Session office(*t, "tabel_t_office", "tabel_office");
            QCOMPARE(office.run("select tabel_ext.close_month(2026, 6, 'сдано')"), QString());
        }
        QCOMPARE(
            t->scalar(
                 "select role || '|' || login || '|' || db_role || '|' || station from tabel_ext.history "
                 "order by id desc limit 1")
                .toString(),
            QString("мастер (tabel_t_masters)|tabel_t_masters|tabel_masters|цех-2"));
        QCOMPARE(t->scalar("select role || '|' || login || '|' || db_role from tabel_ext.close_log "
                           "order by id desc limit 1")
                     .toString(),
                 QString("бюджетный отдел (tabel_t_office)|tabel_t_office|tabel_office"));
    }

    // The program's login: the code chooses the role, the grants decide. A code whose role the
    // login lacks is refused in one sentence with the box cleared; one it holds is taken.
    void theLoginTakesTheCodesRoleOnlyWhereGranted() {
        DataModule6& dm = t->dm();
        Session admin(*t, "sys");
        QVERIFY(dm.connectTo(t->settings("tabel_t_masters")));
        QVERIFY(Extension::detect(dm.ADO_DB()).roles);
        // The build check at the login window, before any role is taken, raises the record.
        QCOMPARE(BuildCheck::check(dm, {20991231, 100}), BuildCheck::Outcome::Raised);
        QCOMPARE(admin.value("select d from accounts_dep.ver").toInt(), 20991231);
        auto* form1 = new Form1;
        registerInstance(form1);
        auto* form23 = new Form23;
        registerInstance(form23);
        Program::setEnder([] {});
        bool journalShown = false;
        QString roleInJournal;
        auto logIn = [&](const QString& code) {
            journalShown = false;
            const auto driver = whenModal([&](QWidget* w) {
                if (w != form1) return false;
                journalShown = true;
                QSqlQuery q(dm.ADO_DB());
                execBound(q, "select current_user", {});
                roleInJournal = q.next() ? q.value(0).toString() : QString();
                form1->reject();
                return true;
            });
            form23->Edit1->setText(code);
            form23->Button1Click();
            stopDriving(driver);
        };
        logIn("5938");
        QVERIFY(!journalShown);
        QCOMPARE(shown.texts(), QStringList{"Этому рабочему месту роль «полный доступ» не назначена."});
        QCOMPARE(form23->Edit1->text(), QString());
        QCOMPARE(Access::current(), Role::None);
        QCOMPARE(admin
                     .value("select count(*) from pg_stat_activity where usename = 'tabel_t_masters' "
                            "and datname = current_database()")
                     .toLongLong(),
                 1);
        logIn("foreman");
        QVERIFY(journalShown);
        QCOMPARE(roleInJournal, QString("tabel_masters"));
        QCOMPARE(shown.texts().size(), 1);
        // A connection opened again after a loss comes back with the role taken.
        {
            QSqlDatabase again = QSqlDatabase::cloneDatabase(dm.ADO_DB(), "again");
            QVERIFY(again.open());
            QSqlQuery q(again);
            QVERIFY(q.exec("select current_user"));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), QString("tabel_masters"));
        }
        QSqlDatabase::removeDatabase("again");
        // The foreman's save goes through, day hours and all; a change of the line does not.
        ShiftEntry::Entry e;
        e.workerId = worker;
        e.operationId = oper;
        e.productId = product;
        e.price = 5;
        e.worker = "Орлов П. А.";
        e.operation = "Стол СТ-1; Сборка; Готовая продукция";
        e.kolVo = "3";
        e.brak = "0";
        e.time = "2";
        e.date = QDate(2026, 6, 8);
        QCOMPARE(ShiftEntry::write(dm.ADO_DB(), e), ShiftEntry::Outcome::Saved);
        QCOMPARE(
            admin
                .value(
                    QString("select d8 from accounts_dep.h_tabel where w_id = %1 and smena = 1 and month = 6")
                        .arg(worker))
                .toInt(),
            2);
        e.tag = ShiftEntry::ChangeLine;
        e.lineId = line;
        QVERIFY_THROWS_EXCEPTION(DbError, ShiftEntry::write(dm.ADO_DB(), e));
        unregisterInstance<Form23>();
        unregisterInstance<Form1>();
        delete form23;
        delete form1;
        Access::setCurrent(Role::None);
        QVERIFY(dm.connectTo(t->settings()));
    }

    // The connection takes what libpq takes: a service file and the password file; a TLS that
    // the service requires and the server lacks fails in Russian words, and so does a password
    // file that others may read (libpq then ignores it).
    void theConnectionFollowsLibpqsOwnSources() {
        QTemporaryDir folder;
        QFile services(folder.filePath("pg_service.conf"));
        QVERIFY(services.open(QIODevice::WriteOnly));
        services.write(QString("[tabel]\nhost=%1\nuser=tabel_t_all\ndbname=%2\n")
                           .arg(TestDb::socketDir(), t->databaseName())
                           .toUtf8());
        services.close();
        qputenv("PGSERVICEFILE", QFile::encodeName(services.fileName()));
        DataModule6& dm = t->dm();
        QString error;
        QVERIFY2(dm.connectTo(ConnectionSettings::fromArguments({"tabel"}), &error), qPrintable(error));
        const auto restore = qScopeGuard([&] {
            qunsetenv("PGSERVICEFILE");
            dm.connectTo(t->settings());
        });
        QSqlQuery q(dm.ADO_DB());
        execBound(q, "select session_user, current_database()", {});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("tabel_t_all"));
        QCOMPARE(q.value(1).toString(), t->databaseName());
        QCOMPARE(dm.unencryptedNote(), QString()); // a unix socket crosses no network

        // TLS is negotiated over TCP only: a server that answers the TLS request with "no", as a
        // server without TLS does, on a loopback port of the test's own.
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        QCOMPARE(::listen(listener, 1), 0);
        socklen_t length = sizeof address;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
        std::thread noTls([listener] {
            const int peer = ::accept(listener, nullptr, nullptr);
            if (peer < 0) return;
            char request[8];
            if (::recv(peer, request, sizeof request, MSG_WAITALL) == sizeof request) ::send(peer, "N", 1, 0);
            ::close(peer);
        });
        const QString server =
            QString("host=127.0.0.1 port=%1 user=tabel_t_all sslmode=require").arg(ntohs(address.sin_port));
        QVERIFY(
            !dm.connectTo(ConnectionSettings::fromArguments({"tabel", t->databaseName(), server}), &error));
        noTls.join();
        ::close(listener);
        QVERIFY2(ConnectFailure::explain(error).startsWith("Сервер базы данных не поддерживает шифрованное"),
                 qPrintable(error));

        // The password file readable by others is ignored by libpq: the login is refused, in words.
        const QByteArray passfile = qgetenv("PGPASSFILE");
        QFile copy(folder.filePath("pgpass"));
        QVERIFY(QFile::copy(QString::fromLocal8Bit(passfile), copy.fileName()));
        QVERIFY(
            copy.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
        qputenv("PGPASSFILE", QFile::encodeName(copy.fileName()));
        QVERIFY(!dm.connectTo(ConnectionSettings::fromArguments({"tabel"}), &error));
        QVERIFY2(ConnectFailure::explain(error).startsWith("Сервер базы данных не принял вход"),
                 qPrintable(error));
        qputenv("PGPASSFILE", passfile);

        // The real program says it in one box, in Russian only (the same password file).
        QProcess tabel;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TABEL_MESSAGES", "stderr");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("PGPASSFILE", copy.fileName());
        env.insert("PGUSER", "tabel_t_all");
        tabel.setProcessEnvironment(env);
        tabel.start(TABEL_BINARY_DIR "/app/tabel", {t->databaseName(), TestDb::socketDir()});
        QVERIFY(tabel.waitForFinished(30000));
        const QString said = QString::fromUtf8(tabel.readAllStandardError());
        QVERIFY2(said.contains("Подключение к БД отсутсвует!!!") && said.contains("не принял вход") &&
                     said.contains("~/.pgpass"),
                 qPrintable(said));
        // (libpq's own warning about the file's mode comes before it, on the error stream.)
        const QString message = said.mid(said.indexOf("Подключение к БД"));
        QVERIFY2(!message.contains("password") && !message.contains("FATAL"), qPrintable(message));
        QCOMPARE(tabel.exitCode(), 1);
    }

    // No password of the cluster's logins is in the built program.
    void noPasswordIsInTheProgram() {
        QFile passfile(TestDb::clusterDir() + "/pgpass");
        QVERIFY(passfile.open(QIODevice::ReadOnly));
        const QByteArray password = passfile.readAll().trimmed().split(':').last();
        QVERIFY(password.size() >= 16);
        QFile program(TABEL_BINARY_DIR "/app/tabel");
        QVERIFY(program.open(QIODevice::ReadOnly));
        const QByteArray bytes = program.readAll();
        const QString text = QString::fromLatin1(password);
        const QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        QVERIFY(!bytes.contains(password));
        QVERIFY(!bytes.contains(utf16));
        QVERIFY(!bytes.contains("PWD="));
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
