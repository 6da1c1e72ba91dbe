// The reference schema without the optional extension is a supported configuration: the
// extension is detected as absent, the journal saves as ever, and month close and history are
// shown as unavailable.
#include "app/Form1.h"
#include "app/Program.h"
#include "db/DataModule6.h"
#include "db/Extension.h"
#include "journal/DayHours.h"
#include "journal/ShiftEntry.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <QSqlQuery>
#include <QTest>

class TestNoExtension : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;

    static std::pair<int, QString> runInstall(const QStringList& a, const char* typed) {
        std::FILE* in = std::tmpfile();
        std::FILE* out = std::tmpfile();
        std::fputs(typed, in);
        std::rewind(in);
        const int status = Program::installExtension(a, in, out);
        std::rewind(out);
        char buf[4096] = {};
        const size_t n = std::fread(buf, 1, sizeof buf - 1, out);
        std::fclose(in);
        std::fclose(out);
        return std::pair{status, QString::fromUtf8(buf, int(n))};
    }

private slots:
    void initTestCase() { t = std::make_unique<TestDb>("noextension", TestDb::Template::Plain); }

    void journalWorksAndExtensionIsAbsent() {
        const Extension::Status s = Extension::detect(t->db());
        QVERIFY(!s.installed);
        QVERIFY(!s.usable());
        QVERIFY(!Extension::closedMonthOf(t->db(), QDate(2026, 5, 10)));
        Extension::setSessionActor(t->db(), "full", "тест-1"); // a session setting only: no table needed
        ShiftEntry::Entry e;
        e.workerId = t->addWorker("Орлов П. А.");
        e.productId = t->addProduct("Стол СТ-1");
        e.operationId = t->addOperation(t->addKind("Сборка"), e.productId, 0, {5});
        e.price = 5;
        e.worker = "Орлов П. А.";
        e.operation = "Стол СТ-1; Сборка; Готовая продукция";
        e.kolVo = "10";
        e.brak = "0";
        e.time = "4";
        e.date = QDate(2026, 5, 10);
        QCOMPARE(ShiftEntry::write(t->db(), e), ShiftEntry::Outcome::Saved);
        QCOMPARE(DayHours::daySum(t->db(), e.workerId, 1, e.date), 4);
        QCOMPARE(t->scalar("select to_regnamespace('tabel_ext') is null").toBool(), true);
    }

    // The journal's new items are there but disabled, their tooltip saying how to install the
    // extension; "История" says so too instead of failing.
    void itemsAreShownAsUnavailable() {
        Extension::detect(t->db());
        Form1 journal;
        for (QAction* a : {journal.NMonthClose, journal.NChanges}) {
            QVERIFY(a->isVisible());
            QVERIFY(!a->isEnabled());
            QVERIFY2(a->toolTip().contains("--install-extension"), qPrintable(a->toolTip()));
        }
        journal.HistoryAction->trigger();
        QCOMPARE(shown.shown.size(), 1);
        QVERIFY(shown.texts().first().contains("tabel_ext"));
    }

    // The install action: refused without a "да", then installed, then run again over itself
    // (the upgrade path) without harm; the data stay as they were.
    void installActionInstallsOnlyWhenConfirmed() {
        const QStringList args{"tabel", "--install-extension", t->databaseName(), t->settings().server};
        const qlonglong lines = t->scalar("select count(*) from accounts_dep.smena").toLongLong();
        auto run = [](const QStringList& a, const char* typed) { return runInstall(a, typed); };
        auto [no, noText] = run(args, "нет\n");
        QCOMPARE(no, 1);
        QVERIFY2(noText.contains("tabel_ext") && noText.contains("Ничего не установлено"),
                 qPrintable(noText));
        QVERIFY(!Extension::detect(t->db()).installed);

        auto [yes, yesText] = run(args, "да\n");
        QCOMPARE(yes, 0);
        QVERIFY2(yesText.contains(QString("установлено, версия %1").arg(Extension::RequiredVersion)),
                 qPrintable(yesText));
        QCOMPARE(Extension::detect(t->db()).version, Extension::RequiredVersion);

        auto [again, againText] = run(args + QStringList{"--yes"}, "");
        QCOMPARE(again, 0);
        QVERIFY2(againText.contains("обновлено"), qPrintable(againText));
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena").toLongLong(), lines);
    }

    // A schema tabel_ext that another role made first is not taken over: the install says whose
    // it is and changes nothing.
    void installRefusesASchemaAnotherRoleOwns() {
        const QString other = t->databaseName() + "_squatted";
        t->exec("drop database if exists " + other);
        t->exec("create database " + other + " template tabel_template_plain");
        t->exec("do $$ begin if not exists (select 1 from pg_roles where rolname = 'tabel_squatter') then "
                "create role tabel_squatter nologin; end if; end $$");
        {
            QSqlDatabase db = QSqlDatabase::cloneDatabase(t->db(), "squatted");
            db.setDatabaseName(other);
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("create schema tabel_ext authorization tabel_squatter"));
            const QStringList args{"tabel", "--install-extension", other, t->settings().server, "--yes"};
            auto [status, text] = runInstall(args, "");
            QCOMPARE(status, 1);
            QVERIFY2(text.contains("tabel_squatter") && text.contains("ничего не установлено"),
                     qPrintable(text.right(400)));
            QVERIFY(
                q.exec("select nspowner::regrole::text, (select count(*) from pg_class where relnamespace = "
                       "'tabel_ext'::regnamespace) from pg_namespace where nspname = 'tabel_ext'"));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), QString("tabel_squatter"));
            QCOMPARE(q.value(1).toLongLong(), 0);
            db.close();
        }
        QSqlDatabase::removeDatabase("squatted");
        t->exec("drop database " + other + " with (force)");
    }
};

QTEST_MAIN(TestNoExtension)
#include "tst_noextension.moc"
