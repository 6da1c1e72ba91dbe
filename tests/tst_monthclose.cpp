// Month close and change history on the database extension: every write into a closed month
// refused by the database whoever writes it, a close and a save racing each other, a line's
// history read back, and a deleted line restored.
#include "app/Form1.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "journal/ChangesForm.h"
#include "journal/DayHours.h"
#include "journal/History.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"
#include "tests/support/Workbook.h"
#include "timesheets/Form25.h"
#include "timesheets/Household.h"
#include "timesheets/MonthClose.h"
#include "timesheets/MonthCloseForm.h"
#include "timesheets/MonthlySheets.h"
#include "timesheets/TimesheetMonth.h"

#include <functional>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

namespace {
// Runs `work` on a thread of its own (a second workstation's statement that may wait for a lock).
class Worker : public QThread {
public:
    explicit Worker(std::function<void()> work) : work_(std::move(work)) {}
    void run() override { work_(); }

private:
    std::function<void()> work_;
};
} // namespace

class TestMonthClose : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    int worker = 0, oper = 0, product = 0;
    const QDate may10{2026, 5, 10};
    const QDate june3{2026, 6, 3};

    ShiftEntry::Entry entry(const QDate& date, const QString& kolVo = "10", int lineId = 0) {
        ShiftEntry::Entry e;
        e.tag = lineId ? ShiftEntry::ChangeLine : ShiftEntry::NewLine;
        e.lineId = lineId;
        e.workerId = worker;
        e.operationId = oper;
        e.productId = product;
        e.price = 5;
        e.worker = "Орлов П. А.";
        e.operation = "Стол СТ-1; Сборка; Готовая продукция";
        e.kolVo = kolVo;
        e.brak = "0";
        e.time = "4";
        e.colour = "";
        e.date = date;
        e.shift = 1;
        return e;
    }
    // Everything a refused write could have touched, as one text to compare before and after.
    QString state() {
        return t
            ->scalar("select concat((select string_agg(s::text, '|' order by id) from accounts_dep.smena s), "
                     "(select string_agg(h::text, '|' order by id) from accounts_dep.h_tabel h), "
                     "(select string_agg(f::text, '|' order by id) from accounts_dep.fatigue f))")
            .toString();
    }
    // The access role as the program takes it: the group role (the fixture's superuser may take
    // any), and the workstation's name.
    void setRole(QSqlDatabase db, const QString& role) {
        Extension::setSessionActor(db, role, QStringLiteral("тест-1"));
        QSqlQuery q(db);
        execBound(q, "select set_config('role', :r, false)", {{"r", Extension::groupRole(role)}});
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("monthclose");
        const Extension::Status s = Extension::detect(t->db());
        QVERIFY(s.installed);
        QCOMPARE(s.version, Extension::RequiredVersion);
    }
    // A connection opened again (after a lost server) is opened with the same options: it must
    // come back with the role and workstation and with the session's bounds, not with one of them.
    void theActorAndTheSessionBoundsSurviveAReconnect() {
        setRole(t->db(), "office");
        setRole(t->db(), "full");
        {
            QSqlDatabase again = QSqlDatabase::cloneDatabase(t->db(), "again");
            QVERIFY(again.open());
            QSqlQuery q(again);
            QVERIFY(q.exec(
                "select current_setting('tabel.role'), current_setting('tabel.station'), "
                "current_setting('lock_timeout'), current_setting('idle_in_transaction_session_timeout'), "
                "current_setting('tabel.notifies', true)"));
            QVERIFY(q.next());
            QCOMPARE(q.value(0).toString(), QString("full"));
            QCOMPARE(q.value(1).toString(), QString("____-1")); // the option form of "тест-1"
            QCOMPARE(q.value(2).toString(), QString("%1s").arg(SaveLockSeconds));
            QVERIFY(q.value(3).toString() != "0");
            QCOMPARE(q.value(4).toString(), QString("program"));
        }
        QSqlDatabase::removeDatabase("again");

        // The program's own connection, cut by the server and opened again by its next read,
        // names the workstation in full again.
        const qlonglong pid = t->scalar("select pg_backend_pid()").toLongLong();
        {
            QSqlDatabase other = t->openOther("other");
            QSqlQuery kill(other);
            QVERIFY(kill.exec(QString("select pg_terminate_backend(%1, 5000)").arg(pid)));
        }
        QSqlDatabase::removeDatabase("other");
        QSqlQuery q(t->db());
        execBound(q,
                  "select current_setting('tabel.station'), current_setting('tabel.role'), pg_backend_pid()",
                  {});
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toString(), QString("тест-1"));
        QCOMPARE(q.value(1).toString(), QString("full"));
        QVERIFY(q.value(2).toLongLong() != pid);
    }
    void init() {
        t->clearData();
        shown.clear();
        worker = t->addWorker("Орлов П. А.");
        product = t->addProduct("Стол СТ-1");
        oper = t->addOperation(t->addKind("Сборка"), product, 0, {5});
        setRole(t->db(), "full");
    }

    // Each write path of the program into a closed month: refused by the database with the
    // month and who closed it, and nothing written.
    void writesIntoClosedMonthAreRefused_data() {
        QTest::addColumn<QString>("path");
        for (const char* p : {"add line", "change line", "move line into month", "move line out of month",
                              "delete line", "confirm line", "day hours", "rebuild shift rows",
                              "rebuild household rows", "add household record", "change household record",
                              "delete household record", "average piece rate"})
            QTest::newRow(p) << QString(p);
    }
    void writesIntoClosedMonthAreRefused() {
        QFETCH(QString, path);
        QSqlDatabase db = t->db();
        const int mayLine = t->addLine(worker, oper, may10, 1, 10, 0, 5, 4);
        const int juneLine = t->addLine(worker, oper, june3, 1, 10, 0, 5, 4);
        DayHours::afterSave(db, worker, 1, may10);
        DayHours::afterSave(db, worker, 1, june3);
        Household::Record r;
        r.nomId = 7777;
        r.kind = 7778;
        r.worker = worker;
        r.date = may10;
        r.hours = "3";
        r.normPrice = 190;
        QVERIFY(Household::save(db, r));
        const int record = t->scalar("select max(id) from accounts_dep.fatigue").toInt();

        MonthClose::close(db, 2026, 5, "передан в расчёт");
        const QString before = state();

        const QMap<QString, std::function<void()>> paths{
            {"add line", [&] { ShiftEntry::write(db, entry(QDate(2026, 5, 11))); }},
            {"change line", [&] { ShiftEntry::write(db, entry(may10, "12", mayLine)); }},
            {"move line into month",
             [&] { ShiftEntry::write(db, entry(QDate(2026, 5, 20), "10", juneLine)); }},
            {"move line out of month",
             [&] { ShiftEntry::write(db, entry(june3.addDays(1), "10", mayLine)); }},
            {"delete line", [&] { Journal::deleteLine(db, mayLine); }},
            {"confirm line",
             [&] {
                 QSqlQuery q(db);
                 execBound(q, "update accounts_dep.smena set ok='ok' where id=:id", {{"id", mayLine}});
             }},
            {"day hours", [&] { DayHours::afterSave(db, worker, 1, may10); }},
            {"rebuild shift rows", [&] { TimesheetMonth::rebuild(db, 5, 2026); }},
            {"rebuild household rows", [&] { MonthlySheets::rebuildHousehold(db, 5, 2026); }},
            {"add household record",
             [&] {
                 Household::Record n = r;
                 n.date = QDate(2026, 5, 12);
                 Household::save(db, n);
             }},
            {"change household record",
             [&] {
                 Household::Record c = r;
                 c.id = record;
                 c.hours = "5";
                 Household::save(db, c);
             }},
            {"delete household record", [&] { Household::remove(db, record); }},
            {"average piece rate", [&] { Household::computeAveragePieceRate(db, 5, 2026); }},
        };
        QString refusal;
        try {
            paths.value(path)();
        } catch (const DbError& e) {
            refusal = e.message();
        }
        QVERIFY2(refusal.contains("Месяц 05.2026 закрыт"), qPrintable(refusal));
        QVERIFY2(refusal.contains("полный доступ"), qPrintable(refusal));
        QVERIFY2(!refusal.contains("CONTEXT") && !refusal.contains("PL/pgSQL"), qPrintable(refusal));
        QCOMPARE(state(), before);
    }

    // psql or an older build on another connection meets the same refusals.
    void plainSqlFromAnotherConnectionIsRefused_data() {
        QTest::addColumn<QString>("sql");
        QTest::newRow("insert line")
            << "insert into accounts_dep.smena (w_id, i_id, o_id, kol_vo, brak, data, "
               "smena, cena, color, time, ok) values (1, 1, 1, 1, 0, '2026-05-02', 1, 1, "
               "0, 1, 'no')";
        QTest::newRow("update line") << "update accounts_dep.smena set kol_vo = 99";
        QTest::newRow("move line out") << "update accounts_dep.smena set data = '2026-06-01'";
        QTest::newRow("delete line") << "delete from accounts_dep.smena";
        QTest::newRow("timesheet row") << "update accounts_dep.h_tabel set d10 = 1";
        QTest::newRow("timesheet insert")
            << "insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) values (1, 2, 5, 2026, 8)";
        QTest::newRow("household insert") << "insert into accounts_dep.fatigue (id_nom, id_o, id_p, d_date, "
                                             "i_mnth, i_year, i_smena, cnt, price) values (7777, 1, 1, "
                                             "'2026-05-03', 5, 2026, 1, 2, 10)";
        QTest::newRow("history rewritten") << "delete from tabel_ext.history";
    }
    void plainSqlFromAnotherConnectionIsRefused() {
        QFETCH(QString, sql);
        t->addLine(worker, oper, may10, 1, 10, 0, 5, 4);
        DayHours::afterSave(t->db(), worker, 1, may10);
        MonthClose::close(t->db(), 2026, 5, {});
        const QString before = state();
        const qlonglong history = t->scalar("select count(*) from tabel_ext.history").toLongLong();
        QSqlDatabase other = t->openOther("psql");
        QSqlQuery q(other);
        QVERIFY(!q.exec(sql));
        QVERIFY2(q.lastError().nativeErrorCode().startsWith("TB"), qPrintable(q.lastError().text()));
        QCOMPARE(state(), before);
        QCOMPARE(t->scalar("select count(*) from tabel_ext.history").toLongLong(), history);
    }

    // A close waits for a save in progress, and a save that comes during a close waits for it
    // and is then refused: no write lands in a month after its close commits.
    void closeAndSaveNeverInterleave() {
        QSqlDatabase saver = t->openOther("saver");
        // The save first: it holds the month until it commits, and the close waits.
        QSqlQuery s(saver);
        QVERIFY(s.exec("begin"));
        QVERIFY(s.exec(
            QString("insert into accounts_dep.smena (w_id, i_id, o_id, kol_vo, brak, data, smena, cena, "
                    "color, time, ok) values (%1, %2, %3, 1, 0, '2026-05-02', 1, 1, 0, 1, 'no')")
                .arg(worker)
                .arg(product)
                .arg(oper)));
        QString closeError;
        Worker close([&] {
            QSqlDatabase c = t->openOther("closer");
            setRole(c, "office");
            try {
                MonthClose::close(c, 2026, 5, {});
            } catch (const DbError& e) {
                closeError = e.message();
            }
        });
        close.start();
        QVERIFY(!close.wait(500)); // waiting for the save
        QVERIFY(s.exec("commit"));
        QVERIFY(close.wait(10000));
        QCOMPARE(closeError, QString());
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena where data = '2026-05-02'").toLongLong(),
                 1);

        // The close first (its transaction still open): the save waits, then is refused.
        MonthClose::reopen(t->db(), 2026, 5, "проверка");
        QSqlDatabase closer = t->openOther("closer2");
        setRole(closer, "full");
        QSqlQuery c(closer);
        QVERIFY(c.exec("begin"));
        QVERIFY(c.exec("select tabel_ext.close_month(2026, 5, '')"));
        QString saveError;
        Worker save([&] {
            try {
                ShiftEntry::write(t->openOther("saver2"), entry(QDate(2026, 5, 3)));
            } catch (const DbError& e) {
                saveError = e.message();
            }
        });
        save.start();
        QVERIFY(!save.wait(500));
        QVERIFY(c.exec("commit"));
        QVERIFY(save.wait(10000));
        QVERIFY2(saveError.contains("закрыт"), qPrintable(saveError));
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena where data = '2026-05-03'").toLongLong(),
                 0);
    }

    // Who may close and reopen, the reason a reopen needs, and the log of both.
    void closeAndReopenAreLoggedWithRoleAndReason() {
        QSqlDatabase db = t->db();
        const qlonglong logged =
            t->scalar("select coalesce(max(id), 0) from tabel_ext.close_log").toLongLong();
        setRole(db, "masters");
        QVERIFY_THROWS_EXCEPTION(DbError, MonthClose::close(db, 2026, 5, {}));
        setRole(db, "office");
        MonthClose::close(db, 2026, 5, "ведомость сдана");
        QVERIFY_THROWS_EXCEPTION(DbError, MonthClose::reopen(db, 2026, 5, "ошибка"));
        setRole(db, "full");
        QVERIFY_THROWS_EXCEPTION(DbError, MonthClose::reopen(db, 2026, 5, "  "));
        const auto closed = Extension::closedMonthOf(db, may10);
        QVERIFY(closed);
        QCOMPARE(closed->role, QString("бюджетный отдел (sys)"));
        QCOMPARE(closed->station, QString("тест-1"));
        MonthClose::reopen(db, 2026, 5, "ошибка в часах");
        QVERIFY(!Extension::closedMonthOf(db, may10));
        QCOMPARE(
            t->scalar("select string_agg(action || ':' || role || ':' || reason, ',' order by id) "
                      "from tabel_ext.close_log where id > :last",
                      {{"last", logged}})
                .toString(),
            QString("close:бюджетный отдел (sys):ведомость сдана,reopen:полный доступ (sys):ошибка в часах"));
        // The months listed: May open again, with its line count asked before a close.
        t->addLine(worker, oper, may10, 1, 10, 0, 5, 4);
        const auto months = MonthClose::months(db);
        QVERIFY(!months.isEmpty());
        QCOMPARE(months.first().month, 5);
        QVERIFY(!months.first().closed);
        QCOMPARE(MonthClose::contents(db, 2026, 5).lines, 1);
        QCOMPARE(MonthClose::contents(db, 2026, 5).differingDays, 1); // the line's day has no hours yet
        QVERIFY(MonthClose::closeQuestion(2026, 5, MonthClose::contents(db, 2026, 5)).contains("расходится"));
        // The question names the month in the list's words.
        QVERIFY(MonthClose::closeQuestion(2026, 5, {}).startsWith("Закрыть месяц Май 2026?"));
    }

    // A line changed three times and deleted: its versions newest first, each change as
    // before -> after with names, and the deleted line restored through the ordinary save.
    void historyOfALineAndItsRestore() {
        QSqlDatabase db = t->db();
        const int other = t->addWorker("Сидоров К. Л.");
        QCOMPARE(ShiftEntry::write(db, entry(may10)), ShiftEntry::Outcome::Saved);
        const int line = t->scalar("select max(id) from accounts_dep.smena").toInt();
        QCOMPARE(ShiftEntry::write(db, entry(may10, "12", line)), ShiftEntry::Outcome::Saved);
        ShiftEntry::Entry moved = entry(may10, "12", line);
        moved.workerId = other;
        QCOMPARE(ShiftEntry::write(db, moved), ShiftEntry::Outcome::Saved);
        moved.time = "6";
        QCOMPARE(ShiftEntry::write(db, moved), ShiftEntry::Outcome::Saved);
        Journal::deleteLine(db, line);

        const QList<History::Change> h = History::ofLine(db, line);
        QStringList actions;
        for (const auto& c : h)
            actions << c.action;
        QCOMPARE(actions, QStringList({"delete", "update", "update", "update", "insert"}));
        QCOMPARE(History::describe(db, h[3]), QString("Кол-во: 10 → 12"));
        QCOMPARE(History::describe(db, h[2]), QString("Работник: Орлов П. А. → Сидоров К. Л."));
        QCOMPARE(History::describe(db, h[1]), QString("Часы: 4 → 6"));
        QVERIFY(History::describe(db, h[0]).contains("Кол-во: 12"));
        QCOMPARE(h[0].role, QString("полный доступ (sys)"));

        History::Filter f{QDate(2026, 5, 1), QDate(2026, 5, 31), other, "delete"};
        QCOMPARE(History::changes(db, f).size(), 1);
        f.worker = worker;
        QCOMPARE(History::changes(db, f).size(), 0);

        QCOMPARE(History::restore(db, h[0]), QString());
        QCOMPARE(
            t->scalar("select count(*) from accounts_dep.smena where w_id = :w and kol_vo = 12 and time = 6",
                      {{"w", other}})
                .toLongLong(),
            1);
        QCOMPARE(DayHours::daySum(db, other, 1, may10), 6);
        QCOMPARE(
            t->scalar("select d10 from accounts_dep.h_tabel where w_id = :w and smena = 1", {{"w", other}})
                .toInt(),
            6);
        // Restored once: a second restore is the duplicate it would be.
        QCOMPARE(History::restore(db, h[0]), ShiftEntry::DuplicateMessage);
        // Nor into a closed month.
        t->exec("delete from accounts_dep.smena where w_id = :w", {{"w", other}});
        MonthClose::close(db, 2026, 5, {});
        QVERIFY_THROWS_EXCEPTION(DbError, History::restore(db, h[0]));
    }

    // The journal, on a date of a closed month: a mark beside the date, the writing buttons
    // disabled with the reason, their keys refused in words; all given back when it opens.
    void journalShowsAClosedDatePlainly() {
        const int line = t->addLine(worker, oper, may10, 1, 10, 0, 5, 4);
        Q_UNUSED(line);
        MonthClose::close(t->db(), 2026, 5, {});
        Form1 journal;
        journal.today = [this] { return may10; };
        journal.FormActivate();
        QVERIFY(!journal.ClosedMark->isHidden());
        for (QPushButton* b : {journal.Button1, journal.Button2, journal.Button3}) {
            QVERIFY2(!b->isEnabled(), qPrintable(b->text()));
            QVERIFY2(b->toolTip().contains("Месяц 05.2026 закрыт"), qPrintable(b->toolTip()));
        }
        journal.DBGrid2DblClick(); // the confirmation
        journal.Button3Click();
        QCOMPARE(shown.texts().size(), 2);
        QVERIFY(shown.texts().first().contains("закрыт"));
        QCOMPARE(t->scalar("select ok from accounts_dep.smena").toString(), QString("no"));

        journal.DateT->setDate(june3); // an open month
        QVERIFY(journal.ClosedMark->isHidden());
        for (QPushButton* b : {journal.Button1, journal.Button2, journal.Button3}) {
            QVERIFY(b->isEnabled());
            QVERIFY(b->toolTip().isEmpty());
        }
        journal.DateT->setDate(may10);
        QVERIFY(!journal.Button1->isEnabled());
        MonthClose::reopen(t->db(), 2026, 5, "исправление");
        journal.Button8Click();
        journal.DateT->setDate(june3);
        journal.DateT->setDate(may10);
        QVERIFY(journal.Button1->isEnabled());
    }

    // The household works list of a closed date: its writing buttons disabled with the reason.
    void householdListShowsAClosedDate() {
        MonthClose::close(t->db(), 2026, 5, {});
        Form25 list;
        list.DTPcker1->setDate(may10);
        list.FormActivate();
        for (QPushButton* b : {list.Button5, list.Button6, list.Button7, list.Button1})
            QVERIFY2(!b->isEnabled() && b->toolTip().contains("закрыт"), qPrintable(b->text()));
        list.DTPcker1->setDate(june3);
        for (QPushButton* b : {list.Button5, list.Button6, list.Button7, list.Button1})
            QVERIFY2(b->isEnabled(), qPrintable(b->text()));
    }

    // The window "Закрытие месяцев": a month whose timesheet differs from the journal closes only
    // on an explicit "close anyway"; reopening needs a reason; both are listed with who did them.
    void monthCloseWindowClosesAndReopens() {
        t->addLine(worker, oper, may10, 1, 10, 0, 5, 4); // no timesheet hours: the day differs
        MonthCloseForm w;
        w.FormActivate();
        QCOMPARE(w.Grid->item(0, 0)->text(), QString("Май 2026"));
        QCOMPARE(w.Grid->item(0, 1)->text(), QString("открыт"));
        const int logged = w.LogGrid->rowCount(); // May's closes by the tests before (the log stays)
        QVERIFY(w.CloseButton->isEnabled());
        QVERIFY(!w.ReopenButton->isEnabled());

        shown.answers = {true, false}; // yes to close, no to "close anyway"
        w.CloseButton->click();
        QCOMPARE(shown.shown.size(), 2);
        QVERIFY(shown.shown[0].text.contains("строк журнала 1"));
        QVERIFY(shown.shown[1].text.contains("всё равно"));
        QVERIFY(!Extension::closedMonthOf(t->db(), may10));

        shown.clear();
        shown.answers = {true, true};
        w.Reason->setText("сдан в расчёт");
        w.CloseButton->click();
        QVERIFY(Extension::closedMonthOf(t->db(), may10));
        QCOMPARE(w.Grid->item(0, 1)->text(), QString("закрыт"));
        QCOMPARE(w.Grid->item(0, 2)->text(), QString("полный доступ (sys)"));
        QCOMPARE(w.Grid->item(0, 5)->text(), QString("сдан в расчёт"));
        QVERIFY(w.ReopenButton->isEnabled());

        shown.clear();
        w.ReopenButton->click(); // no reason
        QCOMPARE(shown.shown.size(), 1);
        QCOMPARE(shown.shown[0].kind, ShownMessage::Error);
        QVERIFY(Extension::closedMonthOf(t->db(), may10));
        shown.clear();
        shown.answers = {true};
        w.Reason->setText("ошибка в часах");
        w.ReopenButton->click();
        QVERIFY(!Extension::closedMonthOf(t->db(), may10));
        QCOMPARE(w.Grid->item(0, 1)->text(), QString("открыт"));
        // The reasons stay in sight: the month's log, each close and reopen with who and why.
        QCOMPARE(w.LogGrid->rowCount(), logged + 2);
        QCOMPARE(w.LogGrid->item(logged, 0)->text(), QString("закрыт"));
        QCOMPARE(w.LogGrid->item(logged, 2)->text(), QString("полный доступ (sys)"));
        QCOMPARE(w.LogGrid->item(logged, 4)->text(), QString("сдан в расчёт"));
        QCOMPARE(w.LogGrid->item(logged + 1, 0)->text(), QString("открыт заново"));
        QCOMPARE(w.LogGrid->item(logged + 1, 4)->text(), QString("ошибка в часах"));

        // The budget office closes but does not reopen.
        setRole(t->db(), "office");
        w.FormActivate();
        QVERIFY(w.CloseButton->isEnabled());
        shown.answers = {true, true};
        w.CloseButton->click();
        QVERIFY(!w.ReopenButton->isEnabled());
        setRole(t->db(), "full");
    }

    // The journal of changes: a deleted line found by worker and action, and restored from it.
    void changesWindowFindsAndRestoresADeletedLine() {
        QCOMPARE(ShiftEntry::write(t->db(), entry(may10)), ShiftEntry::Outcome::Saved);
        const int line = t->scalar("select max(id) from accounts_dep.smena").toInt();
        Journal::deleteLine(t->db(), line);
        ChangesForm w;
        w.From->setDate(QDate(2026, 5, 1));
        w.To->setDate(QDate(2026, 5, 31));
        // Nothing recorded for another worker: said in words, not an empty grid alone.
        w.Worker->setText(QString::number(worker + 1000));
        w.ShowButtonClick();
        QCOMPARE(w.Grid->rowCount(), 0);
        QVERIFY(!w.Nothing->isHidden());
        QVERIFY2(w.Nothing->text().contains("изменений не записано"), qPrintable(w.Nothing->text()));
        w.Worker->setText(QString::number(worker));
        w.Action->setCurrentIndex(w.Action->findText("удалена"));
        w.ShowButtonClick();
        QCOMPARE(w.shown().size(), 1);
        QVERIFY(w.Nothing->isHidden());
        QCOMPARE(w.Grid->item(0, 1)->text(), QString("строка удалена"));
        QVERIFY(w.Grid->item(0, 4)->text().contains("Работник: Орлов П. А."));
        // The workbook holds what the window shows, titles first.
        {
            RecordingOpener opener;
            w.ExcelButton->click();
            QCOMPARE(opener.opened.size(), 1);
            const QMap<QString, QString> cells = readCells(opener.opened.last());
            QCOMPARE(cells.value("A1"), w.Grid->horizontalHeaderItem(0)->text());
            for (int c = 0; c < w.Grid->columnCount(); ++c)
                QCOMPARE(cells.value(QString(QChar('A' + c)) + "2"), w.Grid->item(0, c)->text());
            QVERIFY(!cells.contains("A3"));
        }
        QVERIFY(w.RestoreButton->isEnabled());
        shown.answers = {true};
        w.RestoreButton->click();
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena").toLongLong(), 1);
        QCOMPARE(shown.shown.last().kind, ShownMessage::Information);
        setRole(t->db(), "office");
        w.ShowButtonClick();
        QVERIFY(!w.RestoreButton->isEnabled());
        setRole(t->db(), "full");
    }
};

QTEST_MAIN(TestMonthClose)
#include "tst_monthclose.moc"
