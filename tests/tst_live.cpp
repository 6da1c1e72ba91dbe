// Live updates between workstations: what another connection commits reaches this one's
// journal, timesheet and household list without any action here; a rollback tells nothing;
// a change of a date or shift nobody shows reads nothing again.
#include "app/Form1.h"
#include "app/JournalLive.h"
#include "db/Changes.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "db/Transaction.h"
#include "forms/LiveRefresh.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"
#include "timesheets/Form19.h"
#include "timesheets/Form25.h"
#include "timesheets/Household.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

class TestLive : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    Form1* form = nullptr;
    QSqlDatabase other;
    int product = 0, oper = 0;
    const QDate march5{2024, 3, 5};

    JournalLive* live() const { return form->findChild<JournalLive*>(); }
    ChangeListener& listener() { return ChangeListener::of(DataModule6::ConnectionName); }

    // Another workstation's save of one line (through the program's own save).
    int saveElsewhere(int worker, const QDate& date, int shift = 1, const QString& kolVo = "10") {
        ShiftEntry::Entry e;
        e.workerId = worker;
        e.operationId = oper;
        e.productId = product;
        e.price = 5;
        e.worker = "x";
        e.operation = "x";
        e.kind = "Сборка";
        e.kolVo = kolVo;
        e.brak = "0";
        e.time = "1";
        e.date = date;
        e.shift = shift;
        if (ShiftEntry::write(other, e) != ShiftEntry::Outcome::Saved) return 0;
        return t->scalar("select max(id) from accounts_dep.smena").toInt();
    }
    // Waits until the listener has received a change of this date: every change committed
    // before it has been received by then too (they arrive in the order of their commits).
    void waitForChangeOf(QSignalSpy& spy, const QDate& date) {
        QTRY_VERIFY_WITH_TIMEOUT(std::any_of(spy.cbegin(), spy.cend(),
                                             [&](const QList<QVariant>& args) {
                                                 return args[0].value<Changes::Change>().date == date;
                                             }),
                                 20000);
    }
    void show(const QDate& d) {
        form->DateT->setDate(d);
        form->DateTChange();
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("live");
        setMessages(&shown);
        other = t->openOther("elsewhere");
    }
    void cleanupTestCase() {
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("elsewhere");
        t.reset();
    }
    void init() {
        t->clearData();
        shown.clear();
        product = t->addProduct("Стеллаж СТ-2000");
        oper = t->addOperation(t->addKind("Сборка"), product, 0, {5});
        form = new Form1;
        registerInstance(form);
        form->Timer1->stop();
        // An activation returns the journal to today: today is the fixtures' date.
        form->today = [this] { return march5; };
        form->show();
        // The activation (and its reading of the journal) is over before a case begins.
        QVERIFY(QTest::qWaitForWindowActive(form));
        QCoreApplication::processEvents();
    }
    void cleanup() {
        unregisterInstance<Form1>();
        delete form;
    }

    // A line saved elsewhere appears, highlighted; the line the user stands on stays current
    // and stays where it was on the screen, whether the new line sorts above or below it.
    void lineSavedElsewhereAppearsInPlace_data() {
        QTest::addColumn<QString>("newcomer");
        QTest::addColumn<int>("rowShift");
        QTest::newRow("sorted below the current line") << "Яковлев Яков" << 0;
        QTest::newRow("sorted above the current line") << "Аксёнов Аким" << 1;
    }
    void lineSavedElsewhereAppearsInPlace() {
        QFETCH(QString, newcomer);
        QFETCH(int, rowShift);
        // Enough lines to scroll: workers Б00..Б59.
        for (int i = 0; i < 60; ++i)
            t->addLine(t->addWorker(QString("Б%1 Борис").arg(i, 2, 10, QChar('0'))), oper, march5, 1, 1, 0, 5,
                       1);
        const int newWorker = t->addWorker(newcomer);
        show(march5);
        Query& q = t->dm().Smena1;
        QVERIFY(q.locate("fio", "Б40 Борис"));
        const QVariant current = q.field("id");
        const int row = q.recNo();
        form->DBGrid2->scrollTo(form->DBGrid2->model()->index(row - 1, 0),
                                QAbstractItemView::PositionAtCenter);
        const int top = form->DBGrid2->visualRect(form->DBGrid2->model()->index(row - 1, 0)).top();

        QCOMPARE(form->DBGrid2->model()->rowCount(), 60);
        const int added = saveElsewhere(newWorker, march5);
        QVERIFY(added);
        QTRY_COMPARE_WITH_TIMEOUT(form->DBGrid2->model()->rowCount(), 61, 20000);
        QCOMPARE(q.field("id"), current);
        QCOMPARE(q.recNo(), row + rowShift);
        QCOMPARE(form->DBGrid2->visualRect(form->DBGrid2->model()->index(q.recNo() - 1, 0)).top(), top);
        QVERIFY(live()->isHighlighted(added));
        QVERIFY(!live()->isHighlighted(current.toInt()));
        QVERIFY(shown.shown.isEmpty());
    }

    // Only the shift and date a change names are read again; a rolled-back write tells
    // nothing; a change of a date nobody shows reads nothing.
    void onlyWhatChangedIsReadAgain() {
        const int a = t->addWorker("Орлов Павел"), b = t->addWorker("Белова Анна");
        show(march5);
        QSignalSpy changes(&listener(), &ChangeListener::changed);
        QSignalSpy shift1(&t->dm().Smena1, &Query::rowsReset), shift2(&t->dm().Smena2, &Query::rowsReset);
        {
            // Written and rolled back elsewhere, with the words it would have sent.
            Transaction tx(other);
            QSqlQuery q(other);
            QVERIFY(
                q.exec(QString("insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, brak, data, "
                               "smena, color, time, ok) values (%1, %2, %3, 5, 1, 0, '2024-03-05', 1, 0, 1, "
                               "'no')")
                           .arg(a)
                           .arg(product)
                           .arg(oper)));
            Changes::note(other, Changes::journal(march5, 1));
        }
        QVERIFY(saveElsewhere(b, march5, 2));            // the other shift of the date
        QVERIFY(saveElsewhere(a, march5.addDays(1), 1)); // another date: the marker
        waitForChangeOf(changes, march5.addDays(1));
        QTRY_VERIFY(!live()->isPending());
        for (const auto& args : changes) {
            const auto c = args[0].value<Changes::Change>();
            QVERIFY2(!c.fromOther ||
                         !(c.kind == Changes::Change::Journal && c.date == march5 && c.shift == 1),
                     "a rolled-back write was announced");
        }
        QCOMPARE(shift1.count(), 0);
        QVERIFY(shift2.count() > 0);
        QCOMPARE(t->dm().Smena2.recordCount(), 1);
        QCOMPARE(form->DBGrid2->model()->rowCount(), 0);
    }

    // A write that does not come through the program (psql, an older build) is announced by
    // the extension's triggers.
    void writeFromElsewhereIsAnnouncedByTheExtension() {
        const int a = t->addWorker("Орлов Павел");
        show(march5);
        QSqlQuery q(other);
        QVERIFY(q.exec(
            QString("insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
                    "color, time, ok) values (%1, %2, %3, 5, 1, 0, '2024-03-05', 1, 0, 1, 'no')")
                .arg(a)
                .arg(product)
                .arg(oper)));
        QTRY_COMPARE_WITH_TIMEOUT(form->DBGrid2->model()->rowCount(), 1, 20000);
    }

    // Under a dialog opened from the journal nothing is read; it is read when the dialog closes.
    void dialogDefersTheReread() {
        const int a = t->addWorker("Орлов Павел");
        show(march5);
        QSignalSpy changes(&listener(), &ChangeListener::changed);
        QDialog dialog(form);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.show();
        QTRY_COMPARE(QApplication::activeModalWidget(), &dialog);
        QVERIFY(saveElsewhere(a, march5));
        waitForChangeOf(changes, march5);
        QTest::qWait(JournalLive::MinInterval + 100);
        QVERIFY(live()->isPending());
        QCOMPARE(form->DBGrid2->model()->rowCount(), 0);
        dialog.close();
        QTRY_COMPARE_WITH_TIMEOUT(form->DBGrid2->model()->rowCount(), 1, 20000);
    }

    // The timesheet by time marks itself; its bar reads the month again.
    void timesheetMarksItselfStale() {
        const int a = t->addWorker("Орлов Павел");
        Form19 sheet;
        registerInstance(&sheet);
        sheet.show();
        sheet.selectMonth(3, 2024);
        sheet.ComboBox1Change();
        auto* live = sheet.findChild<LiveRefresh*>();
        QVERIFY(live && !live->isStale());
        QVERIFY(saveElsewhere(a, march5));
        QTRY_VERIFY_WITH_TIMEOUT(live->isStale(), 20000);
        QCOMPARE(live->staleButton()->text(), QString("Данные изменились — Обновить"));
        QVERIFY(live->staleButton()->isVisible());
        QCOMPARE(sheet.DBGrid1->model()->rowCount(), 0);
        live->staleButton()->click();
        QVERIFY(!live->isStale());
        QCOMPARE(sheet.DBGrid1->model()->rowCount(), 1);
        unregisterInstance<Form19>();
    }

    // The household list of the date reads itself again, its current record kept.
    void householdListFollows() {
        const int a = t->addWorker("Орлов Павел"), b = t->addWorker("Яковлев Яков");
        const int group = t->addClassItem("Столы");
        Form25 list;
        registerInstance(&list);
        Household::Record r;
        r.nomId = group;
        r.kind = Household::HouseholdWorks;
        r.worker = a;
        r.date = march5;
        r.hours = "3";
        r.normPrice = 100;
        QVERIFY(Household::save(t->db(), r));
        list.DTPcker1->setProperty("settingDate", true);
        list.DTPcker1->setDate(march5);
        list.DTPcker1->setProperty("settingDate", false);
        list.show();
        list.FormActivate();
        QCOMPARE(list.fatigue.recordCount(), 1);
        const QVariant current = list.fatigue.field("id");
        r.worker = b;
        QVERIFY(Household::save(other, r));
        QTRY_COMPARE_WITH_TIMEOUT(list.fatigue.recordCount(), 2, 20000);
        QCOMPARE(list.fatigue.field("id"), current);
        unregisterInstance<Form25>();
    }
};

QTEST_MAIN(TestLive)
#include "tst_live.moc"
