// Household works: records and their day in the household timesheet row, the price with its
// day-off and night factors, the checks of the entry dialog, deletes and moves that recompute
// their days, and the average piece rate of a month computed from the journal.
#include "catalogues/Form26.h"
#include "catalogues/Form5.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"
#include "timesheets/Form24.h"
#include "timesheets/Form25.h"
#include "timesheets/Household.h"

#include <QRegularExpression>
#include <QTest>

using Household::Record;

class TestHousehold : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    Form24* dialog = nullptr;
    Form25* list = nullptr;
    Form5* workers = nullptr;
    Form26* items = nullptr;
    int orlov = 0, belova = 0, tables = 0, chairs = 0, table = 0, chair = 0, tableOp = 0, chairOp = 0;
    const QDate tuesday{2024, 3, 5};
    static constexpr double NormPrice = 165.5; // the reserved norm of kind 7777

    Record record(int worker, int kind, const QDate& date, int hours, bool night = false,
                  bool dayOff = false) {
        Record r;
        r.nomId = tables;
        r.kind = kind;
        r.worker = worker;
        r.date = date;
        r.hours = QString::number(hours);
        r.normPrice = kind == Household::HouseholdWorks ? NormPrice : 190;
        r.night = night;
        r.dayOff = dayOff;
        return r;
    }
    int lastRecord() { return t->scalar("select max(id) from accounts_dep.fatigue").toInt(); }
    QVariant day(int d, int w, int kind, int night, int month = 3, int year = 2024) {
        return t->scalar(
            QString("select d%1 from accounts_dep.h_tabel where w_id=:w and i_type=:k and i_night=:n "
                    "and month=:m and year=:y and smena=0")
                .arg(d),
            {{"w", w}, {"k", kind}, {"n", night}, {"m", month}, {"y", year}});
    }
    double priceOf(int id) {
        return t->scalar("select price from accounts_dep.fatigue where id=:id", {{"id", id}}).toDouble();
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("household");
        workers = new Form5;
        registerInstance(workers);
        items = new Form26;
        registerInstance(items);
        list = new Form25;
        registerInstance(list);
        dialog = new Form24;
        registerInstance(dialog);
    }
    void cleanupTestCase() {
        unregisterInstance<Form24>();
        unregisterInstance<Form25>();
        delete dialog;
        delete list;
        unregisterInstance<Form26>();
        unregisterInstance<Form5>();
        delete items;
        delete workers;
        t.reset();
    }
    void init() {
        t->clearData();
        shown.clear();
        orlov = t->addWorker("Орлов Павел Андреевич");
        belova = t->addWorker("Белова Анна Сергеевна");
        tables = t->addClassItem("Столы");
        chairs = t->addClassItem("Стулья");
        table = t->addProduct("Стол СТ-1", 1, tables);
        chair = t->addProduct("Стул С-2", 1, chairs);
        const int kind = t->addKind("Сборка");
        tableOp = t->addOperation(kind, table, 0, {5});
        chairOp = t->addOperation(kind, chair, 0, {7});
    }

    void recordsOfADayAddUpInTheirRow() {
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 8)));
        QCOMPARE(priceOf(lastRecord()), NormPrice);
        QCOMPARE(t->scalar("select concat_ws(' ', smena, i_type, i_night, d5, d6) from accounts_dep.h_tabel")
                     .toString(),
                 "0 7777 0 8");
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 3)));
        QCOMPARE(day(5, orlov, Household::HouseholdWorks, 0).toInt(), 11);
        // Another night flag and another kind are rows of their own.
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 2, true)));
        QVERIFY(Household::save(t->db(), record(orlov, Household::AveragePieceRate, tuesday, 4)));
        QCOMPARE(day(5, orlov, Household::HouseholdWorks, 0).toInt(), 11);
        QCOMPARE(day(5, orlov, Household::HouseholdWorks, 1).toInt(), 2);
        QCOMPARE(day(5, orlov, Household::AveragePieceRate, 0).toInt(), 4);
        QCOMPARE(t->scalar("select count(*) from accounts_dep.h_tabel").toLongLong(), 3);
    }

    void thePriceTakesTheDayOffAndNightFactors_data() {
        QTest::addColumn<bool>("dayOff");
        QTest::addColumn<bool>("night");
        QTest::addColumn<double>("price");
        QTest::newRow("working day") << false << false << 165.5;
        QTest::newRow("day off") << true << false << 331.0;
        QTest::newRow("night") << false << true << 198.6;
        QTest::newRow("day off and night") << true << true << 397.2;
    }
    void thePriceTakesTheDayOffAndNightFactors() {
        QFETCH(bool, dayOff);
        QFETCH(bool, night);
        QVERIFY(
            Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 8, night, dayOff)));
        QTEST(priceOf(lastRecord()), "price");
        QCOMPARE(t->scalar("select i_holiday*10+i_night from accounts_dep.fatigue").toInt(),
                 int(dayOff) * 10 + int(night));
    }

    void incompleteEntriesAreRefusedInOrder_data() {
        QTest::addColumn<bool>("worker");
        QTest::addColumn<bool>("item");
        QTest::addColumn<bool>("kind");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("message");
        QTest::newRow("no worker, no hours")
            << false << true << true << "0" << Household::MissingFieldsMessage;
        QTest::newRow("no item") << true << false << true << "8" << Household::MissingFieldsMessage;
        QTest::newRow("no kind") << true << true << false << "8" << Household::MissingFieldsMessage;
        QTest::newRow("0 hours") << true << true << true << "0" << Household::MissingHoursMessage;
        QTest::newRow("emptied hours") << true << true << true << "" << Household::MissingHoursMessage;
    }
    void incompleteEntriesAreRefusedInOrder() {
        QFETCH(bool, worker);
        QFETCH(bool, item);
        QFETCH(bool, kind);
        QFETCH(QString, hours);
        dialog->ListDate = tuesday;
        dialog->prepareNew();
        QCOMPARE(dialog->kind(), Household::HouseholdWorks);
        QCOMPARE(dialog->DBEdit1->text(), "165.5");
        if (worker) dialog->sel_worker_id = orlov;
        if (item) dialog->sel_nom_id = tables;
        if (!kind) dialog->cb_type_work->setCurrentIndex(-1);
        dialog->Edit6->setText(hours);
        dialog->Button1Click();
        QTEST(shown.texts().value(0), "message");
        QCOMPARE(shown.shown.value(0).caption, "Ошибка");
        QCOMPARE(t->scalar("select count(*) from accounts_dep.fatigue").toLongLong(), 0);
        QCOMPARE(t->scalar("select count(*) from accounts_dep.h_tabel").toLongLong(), 0);
    }

    void theDialogWritesTheRecordWithItsSum() {
        t->exec("update accounts_dep.person set fio=fio where id=:w", {{"w", orlov}});
        dialog->ListDate = tuesday;
        dialog->DayOff = true;
        dialog->prepareNew();
        dialog->sel_worker_id = orlov;
        dialog->sel_nom_id = tables;
        dialog->Edit6->setText("8");
        QCOMPARE(dialog->DBEdit2->text(), "1324.00");
        dialog->CBox1->setChecked(true);
        dialog->Button1Click();
        QVERIFY(shown.shown.isEmpty());
        QCOMPARE(priceOf(lastRecord()), 397.2);
        QCOMPARE(day(5, orlov, Household::HouseholdWorks, 1).toInt(), 8);
        dialog->DayOff = false;
    }

    void deletesAndMovesRecomputeTheirDays() {
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday.addDays(1), 6)));
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 8)));
        const int first = lastRecord();
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 3)));
        const int second = lastRecord();
        QVERIFY(Household::remove(t->db(), first));
        QCOMPARE(day(5, orlov, Household::HouseholdWorks, 0).toInt(), 3);
        // The record moves to another worker and kind: both days are recomputed.
        Record moved = record(belova, Household::AveragePieceRate, tuesday, 3);
        moved.id = second;
        QVERIFY(Household::save(t->db(), moved));
        QVERIFY(day(5, orlov, Household::HouseholdWorks, 0).isNull());
        QCOMPARE(day(5, belova, Household::AveragePieceRate, 0).toInt(), 3);
        QVERIFY(Household::remove(t->db(), second));
        QVERIFY(day(5, belova, Household::AveragePieceRate, 0).isNull());
        QCOMPARE(day(6, orlov, Household::HouseholdWorks, 0).toInt(), 6);
        QVERIFY(!Household::remove(t->db(), second));
    }

    void theListDeletesItsCurrentRecordAfterAYes() {
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 8)));
        QVERIFY(Household::save(t->db(), record(belova, Household::HouseholdWorks, tuesday, 2)));
        list->DTPcker1->setDate(tuesday);
        list->FormActivate();
        QCOMPARE(list->fatigue.recordCount(), 2);
        QCOMPARE(list->DBGrid1->cellText(0, "fio"), "Белова Анна Сергеевна");
        list->fatigue.setRecNo(2);
        list->Button7Click();
        QCOMPARE(shown.texts(), QStringList{"Удалить позицию из списка?"});
        QCOMPARE(list->fatigue.recordCount(), 2);
        shown.answers << true;
        list->Button7Click();
        QCOMPARE(list->fatigue.recordCount(), 1);
        QVERIFY(day(5, orlov, Household::HouseholdWorks, 0).isNull());
        QCOMPARE(day(5, belova, Household::HouseholdWorks, 0).toInt(), 2);
        // The user's choice of a Saturday ticks "Выходной".
        list->DTPcker1->setDate(QDate(2024, 3, 9));
        QVERIFY(list->CBox1->isChecked());
        QVERIFY(list->CBox1->font().bold());
        list->DTPcker1->setDate(tuesday);
        QVERIFY(!list->CBox1->isChecked());
    }

    void pickerKeysOpenTheirLists_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("list");
        QTest::newRow("worker's ..., Enter") << "Button3" << int(Qt::Key_Return) << "workers";
        QTest::newRow("worker's ..., F4") << "Button3" << int(Qt::Key_F4) << "workers";
        QTest::newRow("worker's box, F4") << "Edit1" << int(Qt::Key_F4) << "workers";
        QTest::newRow("item's ..., Enter") << "Button4" << int(Qt::Key_Enter) << "items";
        QTest::newRow("item's ..., F4") << "Button4" << int(Qt::Key_F4) << "items";
        QTest::newRow("item's box, Enter") << "Edit2" << int(Qt::Key_Return) << "items";
    }
    void pickerKeysOpenTheirLists() {
        // As in the shift entry dialog: Enter or F4 on a "..." or its box opens the list, and
        // never runs "Записать".
        QFETCH(QString, control);
        QFETCH(int, key);
        QFETCH(QString, list);
        dialog->show();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        auto* w = dialog->findChild<QWidget*>(control);
        QVERIFY(w);
        w->setFocus();
        QString opened;
        const auto driver = whenModal([&](QWidget* modal) {
            if (modal == workers)
                opened = "workers";
            else if (modal == items)
                opened = "items";
            else
                return false;
            static_cast<QDialog*>(modal)->reject();
            return true;
        });
        QTest::keyClick(w, Qt::Key(key));
        stopDriving(driver);
        dialog->hide();
        QCOMPARE(opened, list);
        QCOMPARE(shown.texts(), QStringList());
    }

    void aRecordIsAddedThroughThePickersAndChangedFromTheList() {
        list->DTPcker1->setDate(tuesday);
        list->FormActivate();
        // "Добавить": the worker and the item are picked in their lists, the hours typed.
        whenModal([&](QWidget* w) {
            if (w != dialog) return false;
            whenModal([&](QWidget* picker) {
                if (picker != workers) return false;
                workers->Workers().locate("id", belova);
                workers->Button2->click();
                return true;
            });
            dialog->Button3->click();
            whenModal([&](QWidget* picker) {
                if (picker != items) return false;
                items->item.locate("id", chairs);
                items->Button1->click();
                return true;
            });
            dialog->Button4->click();
            dialog->Edit6->setText("6");
            dialog->Button1->click();
            return true;
        });
        list->Button5Click();
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join("; ")));
        QCOMPARE(list->fatigue.recordCount(), 1);
        QCOMPARE(list->DBGrid1->cellText(0, "fio"), "Белова Анна Сергеевна");
        QCOMPARE(list->DBGrid1->cellText(0, "s_caption"), "Стулья");
        // Money with two decimals (the columns hold four).
        for (const char* money : {"price", "summ"})
            QVERIFY2(
                QRegularExpression("^[0-9]+\\.[0-9]{2}$").match(list->DBGrid1->cellText(0, money)).hasMatch(),
                qPrintable(list->DBGrid1->cellText(0, money)));
        QCOMPARE(day(5, belova, Household::HouseholdWorks, 0).toInt(), 6);
        // "Изменить": the record's fields are shown, its night flag fixed; new hours written.
        QString shownName;
        bool nightFixed = false;
        whenModal([&](QWidget* w) {
            if (w != dialog) return false;
            shownName = dialog->Edit1->text();
            nightFixed = !dialog->CBox1->isEnabled();
            dialog->cb_type_work->setCurrentIndex(
                dialog->cb_type_work->findData(Household::AveragePieceRate));
            dialog->Edit6->setText("5");
            dialog->Button1->click();
            return true;
        });
        list->Button6Click();
        QCOMPARE(shownName, "Белова Анна Сергеевна");
        QVERIFY(nightFixed);
        QCOMPARE(list->fatigue.recordCount(), 1);
        QCOMPARE(list->DBGrid1->cellText(0, "cnt"), "5");
        QVERIFY(day(5, belova, Household::HouseholdWorks, 0).isNull());
        QCOMPARE(day(5, belova, Household::AveragePieceRate, 0).toInt(), 5);
    }

    void averagePieceRateComesFromTheMonthsJournal_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::newRow("March") << 3 << 2024;
        QTest::newRow("December") << 12 << 2024;
    }
    void averagePieceRateComesFromTheMonthsJournal() {
        QFETCH(int, month);
        QFETCH(int, year);
        const QDate first(year, month, 1), next = first.addMonths(1);
        // Orlov's tables of the month: (10-2)*5 in 4 hours; his chairs and the lines just
        // outside the month take no part.
        t->addLine(orlov, tableOp, first, 1, 10, 2, 5, 4);
        t->addLine(orlov, tableOp, next.addDays(-1), 2, 4, 0, 5, 0);
        t->addLine(orlov, chairOp, first, 1, 10, 0, 7, 1);
        t->addLine(orlov, tableOp, first.addDays(-1), 1, 100, 0, 5, 1);
        t->addLine(orlov, tableOp, next, 1, 100, 0, 5, 1);
        QVERIFY(Household::save(t->db(), record(orlov, Household::AveragePieceRate, first, 2)));
        const int working = lastRecord();
        QVERIFY(Household::save(t->db(), record(orlov, Household::AveragePieceRate, first, 2, false, true)));
        const int dayOff = lastRecord();
        QVERIFY(Household::save(t->db(), record(orlov, Household::AveragePieceRate, first, 1, true)));
        const int night = lastRecord();
        QVERIFY(Household::save(t->db(), record(belova, Household::AveragePieceRate, first, 2)));
        const int noLines = lastRecord();
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, first, 2)));
        const int household = lastRecord();
        Household::computeAveragePieceRate(t->db(), month, year);
        QCOMPARE(priceOf(working), 15.0); // (40 + 20) / 4
        QCOMPARE(priceOf(dayOff), 30.0);
        QCOMPARE(priceOf(night), 15.0);
        QCOMPARE(priceOf(noLines), 0.0);
        QCOMPARE(priceOf(household), NormPrice);
        // The hours of the timesheet are not touched.
        QCOMPARE(day(1, orlov, Household::AveragePieceRate, 0, month, year).toInt(), 4);
    }
};

QTEST_MAIN(TestHousehold)
#include "tst_household.moc"
