// A lost server is survived: the journal window against a private cluster of its own that
// the test stops and starts, and whose backends it terminates between actions and in the
// middle of a save. One plain Russian message per loss (the build-check timer adds none),
// the work goes on when the server is back, and no save is ever half-written.
#include "app/BuildCheck.h"
#include "app/Form1.h"
#include "app/JournalLive.h"
#include "db/Changes.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Transaction.h"
#include "journal/DayHours.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"

#include <atomic>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <thread>

namespace {
const QString LostPrefix = QStringLiteral("Нет связи с сервером базы данных. ");

QString cluster() {
    return qEnvironmentVariable("TABEL_TEST_CLUSTER");
}

void pgcluster(const QString& command) {
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral(TABEL_SOURCE_DIR "/scripts/pgcluster"), {command, cluster()});
    QVERIFY(p.waitForFinished(120000));
    QCOMPARE(p.exitCode(), 0);
}

// On a thread of its own (the test's thread is inside the save): waits until the program's
// backend sleeps in the trigger the case put in its way, then cuts it off, by terminating the
// backend or by stopping the server. Nothing can let the sleeping save go on meanwhile.

// The first line of every message (the delete question names its line below it).
static QStringList firstLines(const QStringList& texts) {
    QStringList out;
    for (const QString& t : texts)
        out << t.section(u'\n', 0, 0);
    return out;
}

class Cutter {
public:
    enum How { Terminate, StopServer };
    // waiting: what the program's backend is doing when it is cut off.
    Cutter(const TestDb& t, How how, const QString& waiting = QStringLiteral("wait_event = 'PgSleep'"))
        : settings_(t.settings()), how_(how), waiting_(waiting) {
        thread_ = std::thread([this] { run(); });
    }
    ~Cutter() { thread_.join(); }
    bool done() const { return done_; }

private:
    void run() {
        const QString name = QStringLiteral("cutter");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
            openWith(db, settings_, QString());
            if (db.open()) {
                const QDeadlineTimer deadline(30000);
                int pid = 0;
                while (!pid && !deadline.hasExpired()) {
                    QSqlQuery q(db);
                    q.exec(QStringLiteral("select pid from pg_stat_activity where application_name = 'tabel' "
                                          "and %1 and datname = current_database()")
                               .arg(waiting_));
                    if (q.next())
                        pid = q.value(0).toInt();
                    else
                        QThread::msleep(20);
                }
                if (pid && how_ == Terminate) {
                    QSqlQuery q(db);
                    done_ = q.exec(QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
                }
                db.close();
                if (pid && how_ == StopServer) {
                    QProcess p;
                    p.start(QStringLiteral(TABEL_SOURCE_DIR "/scripts/pgcluster"), {"stop", cluster()});
                    done_ = p.waitForFinished(120000) && p.exitCode() == 0;
                }
            }
        }
        QSqlDatabase::removeDatabase(name);
    }

    ConnectionSettings settings_;
    How how_;
    QString waiting_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};
} // namespace

class TestReconnect : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    Form1* form = nullptr;
    int worker = 0, oper = 0;
    const QDate march5{2024, 3, 5};

    QVariant day5() {
        return t->scalar(
            "select d5 from accounts_dep.h_tabel where w_id=:w and smena=1 and month=3 and year=2024",
            {{"w", worker}});
    }
    qlonglong lines() { return t->scalar("select count(*) from accounts_dep.smena").toLongLong(); }
    int gridRows() const { return form->DBGrid2->model()->rowCount(); }
    // The test's own connection to the database, reopened after the server came back.
    void reconnectFixture() {
        QSqlDatabase db = t->db();
        if (!DbConnection::isLost(DataModule6::ConnectionName)) return;
        QVERIFY(DbConnection::reopen(DataModule6::ConnectionName));
        QVERIFY(db.isOpen());
    }
    void expectOneLossMessage(const QString& work) {
        QCOMPARE(shown.shown.size(), 1);
        const ShownMessage& m = shown.shown[0];
        QCOMPARE(m.kind, ShownMessage::Error);
        QCOMPARE(m.caption, QString("Ошибка"));
        QVERIFY2(m.text.startsWith(LostPrefix + work), qPrintable(m.text));
        // Russian only: libpq's English text never reaches the user.
        QVERIFY2(!m.text.contains(QRegularExpression("[A-Za-z]")), qPrintable(m.text));
        shown.clear();
    }
    // A journal line of 4 hours with its day in the timesheet.
    int addLineWithHours() {
        const int id = t->addLine(worker, oper, march5, 1, 2, 0, 5, 4);
        t->exec("insert into accounts_dep.h_tabel (w_id, smena, month, year, d5) values (:w, 1, 3, 2024, 4)",
                {{"w", worker}});
        return id;
    }

    // A trigger that makes the program's statement sleep (where the case cuts it off).
    void sleepIn(const QString& when, const QString& kind = QStringLiteral("trigger")) {
        t->exec("create function tabel_test_sleep() returns trigger language plpgsql as $$ begin "
                "if current_setting('application_name') = 'tabel' then perform pg_sleep(60); end if; "
                "return new; end $$");
        t->exec(QString("create %1 tabel_test_sleep %2 execute function tabel_test_sleep()").arg(kind, when));
    }
    void wakeUp() { t->exec("drop function tabel_test_sleep() cascade"); }

private slots:
    void initTestCase() { t = std::make_unique<TestDb>("reconnect"); }
    void cleanupTestCase() { t.reset(); }
    void init() {
        // A case that failed half-way may have left the connection lost.
        if (DbConnection::isLost(DataModule6::ConnectionName)) {
            if (!QProcess::execute(QStringLiteral(TABEL_SOURCE_DIR "/scripts/pgcluster"),
                                   {"start", cluster()}))
                DbConnection::reopen(DataModule6::ConnectionName);
        }
        t->exec("drop function if exists tabel_test_sleep() cascade");
        t->clearData();
        shown.clear();
        worker = t->addWorker("Орлов Павел Андреевич");
        oper = t->addOperation(t->addKind("Сборка"), t->addProduct("Стеллаж СТ-2000"), 0, {5});
        form = new Form1;
        registerInstance(form);
        form->Timer1->stop(); // ticks are driven by the test
        form->DateT->setDate(march5);
        form->DateTChange();
    }
    void cleanup() {
        unregisterInstance<Form1>();
        delete form;
    }

    // A statement the server refuses on a good connection is no loss: its own message, and a
    // transaction it breaks is rolled back on the same connection.
    void refusalOnAGoodConnectionIsNoLoss() {
        try {
            Transaction tr(t->db());
            t->dm().SQL_exec.setSql("insert into accounts_dep.no_such_table values (:v)");
            t->dm().SQL_exec.setParam("v", 1);
            t->dm().SQL_exec.exec();
            QFAIL("no error");
        } catch (const ConnectionLost& e) {
            QFAIL(qPrintable("taken for a lost connection: " + e.message()));
        } catch (const DbError& e) {
            QVERIFY2(e.message().contains("no_such_table"), qPrintable(e.message()));
        }
        QVERIFY(!DbConnection::isLost(DataModule6::ConnectionName));
        QCOMPARE(t->scalar("select count(*) from accounts_dep.smena").toLongLong(), 0LL);
    }

    // Stopped and started, the server is found again without any action here: the journal
    // is read again once (changes may have been missed) and follows other workstations again.
    void journalFollowsOthersAfterTheServerCameBack() {
        // The journal's activation goes to "today": here the date of the test's lines.
        const auto today = form->today;
        form->today = [this] { return march5; };
        form->show();
        QTRY_COMPARE(form->DateT->date(), march5);
        QSignalSpy reconnected(&ChangeListener::of(DataModule6::ConnectionName),
                               &ChangeListener::reconnected);
        pgcluster("stop");
        pgcluster("start");
        QSignalSpy reread(&t->dm().Smena1, &Query::rowsReset);
        QTRY_VERIFY_WITH_TIMEOUT(reconnected.count() > 0, 60000);
        QTRY_VERIFY_WITH_TIMEOUT(reread.count() > 0, 20000);
        auto* live = form->findChild<JournalLive*>();
        QTRY_VERIFY(!live->isPending());
        QVERIFY(shown.shown.isEmpty());

        QSqlDatabase other = t->openOther("elsewhere");
        {
            Transaction tx(other);
            QSqlQuery q(other);
            QVERIFY(
                q.exec(QString("insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, brak, data, "
                               "smena, color, time, ok) select %1, i_id, id, 5, 1, 0, '2024-03-05', 1, 0, 1, "
                               "'no' from accounts_dep.oper where id=%2")
                           .arg(worker)
                           .arg(oper)));
            Changes::note(other, Changes::journal(march5, 1));
            tx.commit();
        }
        QTRY_COMPARE_WITH_TIMEOUT(gridRows(), 1, 20000);
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("elsewhere");
        form->today = today;
    }

    void journalGoesOnAfterTheConnectionWasLostBetweenActions_data() {
        QTest::addColumn<bool>("restartServer");
        QTest::newRow("backend terminated") << false;
        QTest::newRow("server stopped and started") << true;
    }
    void journalGoesOnAfterTheConnectionWasLostBetweenActions() {
        QFETCH(bool, restartServer);
        const int line = addLineWithHours();
        form->Button8Click();
        QCOMPARE(gridRows(), 1);
        QVERIFY(t->dm().Smena1.isPrepared());

        if (restartServer) {
            pgcluster("stop");
            // While it is away: the first action says so; the build check's ticks add nothing.
            form->Button8->click();
            expectOneLossMessage("Действие не выполнено.");
            // The lines read last stay on screen: the refresh that failed took nothing away.
            QCOMPARE(gridRows(), 1);
            for (int tick = 0; tick < 3; ++tick)
                form->Timer1Timer();
            QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
            // A user's action while it is still away is answered, again in plain words.
            form->Button8->click();
            QCOMPARE(shown.shown.size(), 1);
            QVERIFY2(shown.shown[0].text.startsWith(LostPrefix), qPrintable(shown.shown[0].text));
            shown.clear();
            pgcluster("start");
        } else {
            QSqlDatabase other = t->openOther("killer");
            QSqlQuery kill(other);
            QVERIFY(
                kill.exec("select pg_terminate_backend(pid) from pg_stat_activity where application_name = "
                          "'tabel' and datname = current_database()"));
            kill.finish();
            kill = QSqlQuery();
            other.close();
            other = QSqlDatabase();
            QSqlDatabase::removeDatabase("killer");
            // The server is there: the read runs once more on a new connection, without a word.
            form->Button8->click();
            QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
            QCOMPARE(gridRows(), 1);
        }

        // The next tick reconnects without a word; the journal reads again with its
        // statements prepared afresh, and saves work again.
        form->Timer1Timer();
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
        QVERIFY(!DbConnection::isLost(DataModule6::ConnectionName));
        form->Button8->click();
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
        QCOMPARE(gridRows(), 1);
        QVERIFY(form->DBGrid2->query()->locate("id", line));
        shown.answers = {true};
        form->Button3->click();
        QCOMPARE(firstLines(shown.texts()), QStringList{"Удалить позицию из списка?"});
        QCOMPARE(lines(), 0LL);
        QVERIFY(day5().isNull());
        QCOMPARE(gridRows(), 0);
    }

    // The server crashed (every backend gone without a word) and came back while the journal
    // sat idle: the next action, whichever it is, simply works, with no box.
    void serverCrashedUnderAnIdleJournalIsMetWithoutABox_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("refresh") << "refresh";
        QTest::newRow("build check") << "tick";
        QTest::newRow("delete") << "delete";
        QTest::newRow("save") << "save";
    }
    void serverCrashedUnderAnIdleJournalIsMetWithoutABox() {
        QFETCH(QString, action);
        // The cluster commits asynchronously: the fixture's rows must be on disk before the crash.
        t->exec("set synchronous_commit = on");
        const int line = addLineWithHours();
        form->Button8Click();
        QVERIFY(form->DBGrid2->query()->locate("id", line));
        pgcluster("crash");
        pgcluster("start");

        if (action == "refresh") {
            form->Button8->click();
            QCOMPARE(gridRows(), 1);
        } else if (action == "tick") {
            form->Timer1Timer();
        } else if (action == "delete") {
            shown.answers = {true};
            form->Button3->click();
            QCOMPARE(firstLines(shown.texts()), QStringList{"Удалить позицию из списка?"});
            shown.clear();
            QCOMPARE(lines(), 0LL);
            QVERIFY(day5().isNull());
        } else {
            ShiftEntry::Entry e;
            e.workerId = worker;
            e.operationId = oper;
            e.productId = t->scalar("select i_id from accounts_dep.oper where id=:o", {{"o", oper}}).toInt();
            e.price = 5;
            e.worker = "Орлов П. А.";
            e.operation = "Стеллаж СТ-2000; Сборка; Готовая продукция";
            e.kolVo = "3";
            e.brak = "0";
            e.time = "2";
            e.date = march5.addDays(1);
            QCOMPARE(ShiftEntry::write(t->db(), e), ShiftEntry::Outcome::Saved);
            QCOMPARE(lines(), 2LL);
        }
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
        QVERIFY(!DbConnection::isLost(DataModule6::ConnectionName));
        form->Button8->click();
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
    }

    // The line is committed, and the connection is cut while the journal is read again: the
    // user is told that it was saved (not that nothing was done), and the journal reads again
    // at the next action.
    void aSaveWhoseReReadWasCutOffIsReportedSaved() {
        form->Button8Click();
        // Another workstation holds a table the journal reads and the save does not write, so
        // the re-read waits there, where it is cut off.
        QSqlDatabase holderDb = t->openOther("holder");
        auto holder = std::make_unique<QSqlQuery>(holderDb);
        QVERIFY(holder->exec("begin"));
        QVERIFY(holder->exec("lock table accounts_dep.vid_oper in access exclusive mode"));
        ShiftEntry::Outcome outcome{};
        {
            Cutter cutter(*t, Cutter::Terminate, QStringLiteral("wait_event_type = 'Lock'"));
            ShiftEntry::Entry e;
            e.workerId = worker;
            e.operationId = oper;
            e.productId = t->scalar("select i_id from accounts_dep.oper where id=:o", {{"o", oper}}).toInt();
            e.price = 5;
            e.worker = "Орлов П. А.";
            e.operation = "Стеллаж СТ-2000; Сборка; Готовая продукция";
            e.kolVo = "3";
            e.brak = "0";
            e.time = "2";
            e.date = march5;
            shown.answers = {true}; // a date in a long-closed year is asked about
            outcome = ShiftEntry::save(t->dm(), e);
        }
        QVERIFY(holder->exec("commit"));
        holder.reset();
        holderDb.close();
        holderDb = QSqlDatabase();
        QSqlDatabase::removeDatabase("holder");
        QCOMPARE(outcome, ShiftEntry::Outcome::Saved);
        QCOMPARE(shown.texts().last(), ShiftEntry::SavedNotRereadMessage);
        QCOMPARE(int(std::count_if(shown.shown.begin(), shown.shown.end(),
                                   [](const ShownMessage& m) { return m.kind == ShownMessage::Error; })),
                 1);
        shown.clear();
        reconnectFixture();
        QCOMPARE(lines(), 1LL);
        QCOMPARE(day5().toInt(), 2);
        form->Button8->click();
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join('\n')));
        QCOMPARE(gridRows(), 1);
    }

    void saveCutOffMidwayIsWhollyUndone_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("work");
        QTest::newRow("backend terminated") << int(Cutter::Terminate) << "Изменения не сохранены";
        // The delete handler re-reads the journal before it reports, and meets the server away.
        QTest::newRow("server stopped") << int(Cutter::StopServer) << "Действие не выполнено";
    }
    void saveCutOffMidwayIsWhollyUndone() {
        QFETCH(int, how);
        QFETCH(QString, work);
        const int line = addLineWithHours();
        form->Button8Click();
        QVERIFY(form->DBGrid2->query()->locate("id", line));

        // The delete removes the line inside its transaction, then sleeps in the update of the
        // day's hours, where it is cut off.
        sleepIn("before update on accounts_dep.h_tabel for each row");
        {
            Cutter cutter(*t, Cutter::How(how));
            shown.answers = {true};
            form->Button3->click();
        }
        if (how == Cutter::StopServer) pgcluster("start");
        reconnectFixture();
        wakeUp();
        QVERIFY2(shown.shown.size() == 2, qPrintable(shown.texts().join('\n')));
        QCOMPARE(shown.shown[0].kind, ShownMessage::Question);
        shown.shown.removeFirst();
        expectOneLossMessage(work);
        // Nothing of the delete happened: the line and the day's hours are there.
        QCOMPARE(
            t->scalar("select count(*) from accounts_dep.smena where id=:id", {{"id", line}}).toLongLong(),
            1LL);
        QCOMPARE(day5().toInt(), 4);

        // And it can be done again, once.
        form->Button8->click();
        QVERIFY(form->DBGrid2->query()->locate("id", line));
        shown.answers = {true};
        form->Button3->click();
        QCOMPARE(firstLines(shown.texts()), QStringList{"Удалить позицию из списка?"});
        QCOMPARE(lines(), 0LL);
        QVERIFY(day5().isNull());
    }

    // The commit itself is cut off (a check deferred to the commit sleeps there): the server
    // is asked on a fresh connection how the transaction ended, and the caller told.
    void commitCutOffIsReportedAsNotSaved() {
        sleepIn("after insert on accounts_dep.h_tabel deferrable initially deferred for each row",
                "constraint trigger");
        {
            Cutter cutter(*t, Cutter::Terminate);
            try {
                Transaction tr(t->db());
                t->addLine(worker, oper, march5, 1, 1, 0, 5, 6);
                DayHours::afterSave(t->db(), worker, 1, march5);
                tr.commit();
                QFAIL("the commit was not cut off");
            } catch (const ConnectionLost& lost) {
                QCOMPARE(lost.work(), ConnectionLost::Work::NotSaved);
                QVERIFY2(lost.message().startsWith(LostPrefix + "Изменения не сохранены"),
                         qPrintable(lost.message()));
            }
            QVERIFY(cutter.done());
        }
        // The connection was opened again to ask.
        QVERIFY(!DbConnection::isLost(DataModule6::ConnectionName));
        wakeUp();
        QCOMPARE(lines(), 0LL);
        QVERIFY(day5().isNull());
    }
};

QTEST_MAIN(TestReconnect)
#include "tst_reconnect.moc"
