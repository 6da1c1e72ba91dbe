// Household works: records and their day in the household timesheet row, the price with its
// day-off and night factors, the checks of the entry dialog, deletes and moves that recompute
// their days, and the average piece rate of a month computed from the journal.
#include "catalogues/Form26.h"
#include "catalogues/Form5.h"
#include "db/Bounds.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "db/Transaction.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/TestDb.h"
#include "timesheets/Form24.h"
#include "timesheets/Form25.h"
#include "timesheets/Household.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSqlQuery>
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
    // Household days whose timesheet hours differ from the sum of their records (null as 0).
    qlonglong daysDifferingFromRecords() {
        QStringList columns;
        for (int d = 1; d <= 31; ++d)
            columns << QString("h.d%1").arg(d);
        return t
            ->scalar(
                QString(
                    "with f as (select id_p as w_id, id_o as i_type, i_night, d_date as data, sum(cnt) as "
                    "t from accounts_dep.fatigue group by 1, 2, 3, 4), h as (select h.w_id, h.i_type, "
                    "h.i_night, make_date(h.year, h.month, 1) + (d - 1) as data, (array[%1])[d] as t "
                    "from accounts_dep.h_tabel h, generate_series(1, 31) d where h.smena = 0) "
                    "select count(*) from f full join h using (w_id, i_type, i_night, data) "
                    "where coalesce(f.t, 0) <> coalesce(h.t, 0)")
                    .arg(columns.join(", ")))
            .toLongLong();
    }
    Household::Seen seenNow(int id) {
        QSqlQuery q(t->db());
        q.prepare("select * from accounts_dep.fatigue where id=:id");
        q.bindValue(":id", id);
        if (!q.exec() || !q.next()) qFatal("record %d not read", id);
        return Household::seenOf(q.record());
    }
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
        // The fixtures' dates are ordinary dates of the week around today.
        Bounds::setClock([] { return QDate(2024, 3, 12); });
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
        QCOMPARE(dialog->DBEdit1->text(), "165,50");
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

    void theKindsIgnoreANormWithoutAPrice() {
        // A norm without a price beside the reserved one of kind 7777 prices nothing.
        t->exec("insert into accounts_dep.norm (o_id, norma, price, prize) select id, 1, null, 0 from "
                "accounts_dep.oper where vid=7777");
        dialog->ListDate = tuesday;
        dialog->prepareNew();
        QStringList kinds;
        for (int i = 0; i < dialog->cb_type_work->count(); ++i)
            kinds << dialog->cb_type_work->itemData(i).toString();
        const QString price = dialog->DBEdit1->text();
        t->exec("delete from accounts_dep.norm where price is null");
        QCOMPARE(kinds.count("7777"), 1);
        QCOMPARE(price, "165,50");
    }

    void theDialogWritesTheRecordWithItsSum() {
        t->exec("update accounts_dep.person set fio=fio where id=:w", {{"w", orlov}});
        dialog->ListDate = tuesday;
        dialog->DayOff = true;
        dialog->prepareNew();
        dialog->sel_worker_id = orlov;
        dialog->sel_nom_id = tables;
        dialog->Edit6->setText("8");
        QCOMPARE(dialog->DBEdit2->text(), "1324,00");
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

    // Another workstation moved or changed a record after this one read it: a change from the
    // old reading is refused with nothing written; a delete removes it from the day it is on
    // now. The timesheet stays equal to the records.
    void recordsChangedElsewhereAreRefusedOrDeletedWhereTheyAreNow_data() {
        QTest::addColumn<int>("worker");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("hours");
        QTest::newRow("moved to another worker") << 1 << int(Household::HouseholdWorks) << 8;
        QTest::newRow("moved to another kind") << 0 << int(Household::AveragePieceRate) << 8;
        QTest::newRow("hours changed") << 0 << int(Household::HouseholdWorks) << 5;
    }
    void recordsChangedElsewhereAreRefusedOrDeletedWhereTheyAreNow() {
        QFETCH(int, worker);
        QFETCH(int, kind);
        QFETCH(int, hours);
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 8)));
        const int id = lastRecord();
        const Household::Seen seenHere = seenNow(id);

        Record there = record(worker ? belova : orlov, kind, tuesday, hours);
        there.id = id;
        there.seen = seenNow(id);
        QSqlDatabase station = t->openOther("station");
        QVERIFY(Household::save(station, there));
        station.close();
        QSqlDatabase::removeDatabase("station");
        const Household::Seen afterThere = seenNow(id);

        Record here = record(orlov, Household::HouseholdWorks, tuesday, 2);
        here.id = id;
        here.seen = seenHere;
        try {
            Household::save(t->db(), here);
            QFAIL("the change was not refused");
        } catch (const Household::ChangedElsewhere& changed) {
            QVERIFY2(changed.message().startsWith("Запись изменена на другом рабочем месте."),
                     qPrintable(changed.message()));
            QVERIFY(changed.current() == afterThere);
        }
        QVERIFY(seenNow(id) == afterThere);
        QCOMPARE(daysDifferingFromRecords(), 0LL);

        QVERIFY(Household::remove(t->db(), id));
        QCOMPARE(t->scalar("select count(*) from accounts_dep.fatigue").toLongLong(), 0LL);
        QVERIFY(day(5, worker ? belova : orlov, kind, 0).isNull());
        QCOMPARE(daysDifferingFromRecords(), 0LL);
    }

    // A save of the month is stuck on another workstation: the average rate gives up within
    // its bound with the message, changes nothing, and works once the other side lets go.
    void theAverageRateBehindAStuckSaveGivesUp() {
        const QDate first(2024, 3, 1);
        t->addLine(orlov, tableOp, first, 1, 10, 0, 5, 2);
        QVERIFY(Household::save(t->db(), record(orlov, Household::AveragePieceRate, first, 2)));
        const int id = lastRecord();
        QSqlDatabase stuck = t->openOther("stuck");
        {
            QSqlQuery q(stuck);
            QVERIFY(q.exec("begin"));
            QVERIFY(q.exec(QString("select pg_advisory_xact_lock_shared(%1, hashtext('2024-3'))")
                               .arg(int(LockSpace::TimesheetMonth))));
            try {
                Household::computeAveragePieceRate(t->db(), 3, 2024);
                QFAIL("the average rate did not give up");
            } catch (const LockBusy& e) {
                QVERIFY2(e.message().contains("не рассчитана: ничего не изменено"), qPrintable(e.message()));
            }
            QCOMPARE(priceOf(id), 190.0);
            QVERIFY(q.exec("commit"));
        }
        stuck.close();
        stuck = QSqlDatabase();
        QSqlDatabase::removeDatabase("stuck");
        Household::computeAveragePieceRate(t->db(), 3, 2024);
        QCOMPARE(priceOf(id), 25.0);
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

    void thePriceIsStoredAsComputedAndShownAsMoney_data() {
        QTest::addColumn<double>("normPrice");
        QTest::addColumn<bool>("dayOff");
        QTest::addColumn<bool>("night");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("sum");
        QTest::newRow("whole") << 180.0 << false << false << "180"
                               << "180.00"
                               << "1440.00";
        QTest::newRow("day off and night") << 77.75 << true << true << "186.6"
                                           << "186.60"
                                           << "1492.80";
        QTest::newRow("four decimals") << 10.1234 << false << false << "10.1234"
                                       << "10.12"
                                       << "80.99";
    }
    void thePriceIsStoredAsComputedAndShownAsMoney() {
        QFETCH(double, normPrice);
        QFETCH(bool, dayOff);
        QFETCH(bool, night);
        Record r = record(orlov, Household::HouseholdWorks, tuesday, 8, night, dayOff);
        r.normPrice = normPrice;
        QVERIFY(Household::save(t->db(), r));
        QTEST(t->scalar("select price::text from accounts_dep.fatigue where id=:id", {{"id", lastRecord()}})
                  .toString(),
              "stored");
        list->DTPcker1->setDate(tuesday);
        list->FormActivate();
        const QString point = QLocale().decimalPoint();
        QTEST(list->DBGrid1->cellText(0, "price").replace(point, "."), "price");
        QTEST(list->DBGrid1->cellText(0, "summ").replace(point, "."), "sum");
    }

    void anAverageRateRecordSavedUnchangedKeepsItsRate_data() {
        QTest::addColumn<bool>("dayOff");
        QTest::addColumn<double>("rate");
        QTest::newRow("working day") << false << 15.0;
        QTest::newRow("day off") << true << 30.0;
    }
    void anAverageRateRecordSavedUnchangedKeepsItsRate() {
        QFETCH(bool, dayOff);
        // Orlov's tables of March: (10-2)*5 + 4*5 in 4 hours, 15 an hour.
        t->addLine(orlov, tableOp, tuesday, 1, 10, 2, 5, 4);
        t->addLine(orlov, tableOp, tuesday.addDays(1), 2, 4, 0, 5, 0);
        QVERIFY(
            Household::save(t->db(), record(orlov, Household::AveragePieceRate, tuesday, 2, false, dayOff)));
        const int id = lastRecord();
        Household::computeAveragePieceRate(t->db(), 3, 2024);
        QTEST(priceOf(id), "rate");
        // Opened from the list and saved as it is.
        list->DTPcker1->setDate(tuesday);
        list->CBox1->setChecked(dayOff);
        list->FormActivate();
        QVERIFY(list->fatigue.locate("id", id));
        whenModal([&](QWidget* w) {
            if (w != dialog) return false;
            dialog->Button1->click();
            return true;
        });
        list->Button6Click();
        QVERIFY2(shown.shown.isEmpty(), qPrintable(shown.texts().join("; ")));
        QTEST(priceOf(id), "rate");
        QCOMPARE(day(5, orlov, Household::AveragePieceRate, 0).toInt(), 2);
        list->CBox1->setChecked(false);
    }

    void theAverageRateButtonSaysWhatItDid_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("report");
        QTest::newRow("March") << QDate(2024, 3, 20) << "Среднесдельная пересчитана за март 2024: записей 2.";
        QTest::newRow("a month without records")
            << QDate(2024, 5, 2) << "За май 2024 нет записей среднесдельной: пересчитывать нечего.";
    }
    void theAverageRateButtonSaysWhatItDid() {
        QFETCH(QDate, date);
        t->addLine(orlov, tableOp, tuesday, 1, 10, 2, 5, 4);
        QVERIFY(Household::save(t->db(), record(orlov, Household::AveragePieceRate, tuesday, 2)));
        QVERIFY(Household::save(t->db(), record(belova, Household::AveragePieceRate, tuesday.addDays(7), 2)));
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 2)));
        QVERIFY(Household::save(t->db(), record(orlov, Household::AveragePieceRate, QDate(2024, 4, 2), 2)));
        list->DTPcker1->setDate(date);
        list->FormActivate();
        list->Button1->click();
        QCOMPARE(shown.texts().size(), 1);
        QTEST(shown.texts().value(0), "report");
        QCOMPARE(shown.shown.value(0).caption, "Хоз. работы (25)");
    }

    void impossibleAndUnlikelyHoursThroughTheDialog_data() {
        QTest::addColumn<int>("journal");   // the worker's journal hours that day (shifts 1 and 3)
        QTest::addColumn<int>("household"); // his other household records that day
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("hours");
        QTest::addColumn<QString>("refusal"); // empty: not refused
        QTest::addColumn<QString>("asked");   // in the question; empty: no question
        QTest::addColumn<bool>("yes");
        const QString over = Bounds::DayHoursMessage;
        const QDate d = tuesday;
        QTest::newRow("123 hours") << 0 << 0 << d << "123" << over.arg("05.03.2024", "123") << "" << false;
        QTest::newRow("25 hours") << 0 << 0 << d << "25" << over.arg("05.03.2024", "25") << "" << false;
        QTest::newRow("past 24 with the journal's shifts")
            << 16 << 0 << d << "9" << over.arg("05.03.2024", "25") << "" << false;
        QTest::newRow("past 24 with other records")
            << 0 << 20 << d << "5" << over.arg("05.03.2024", "25") << "" << false;
        QTest::newRow("24 in all") << 10 << 6 << d << "8"
                                   << ""
                                   << "" << false;
        QTest::newRow("a date in the year 3000, No") << 0 << 0 << QDate(3000, 11, 2) << "8"
                                                     << ""
                                                     << "02.11.3000" << false;
        QTest::newRow("a date in a long-closed year, Yes") << 0 << 0 << QDate(2020, 3, 5) << "8"
                                                           << ""
                                                           << "05.03.2020" << true;
    }
    void impossibleAndUnlikelyHoursThroughTheDialog() {
        QFETCH(int, journal);
        QFETCH(int, household);
        QFETCH(QDate, date);
        QFETCH(QString, hours);
        QFETCH(QString, refusal);
        QFETCH(QString, asked);
        QFETCH(bool, yes);
        if (journal) {
            t->addLine(orlov, tableOp, date, 1, 1, 0, 5, journal / 2);
            t->addLine(orlov, tableOp, date, 3, 1, 0, 5, journal - journal / 2);
        }
        if (household)
            QVERIFY(Household::save(t->db(), record(orlov, Household::AveragePieceRate, date, household)));
        const qlonglong before = t->scalar("select count(*) from accounts_dep.fatigue").toLongLong();
        list->DTPcker1->setDate(date);
        list->FormActivate();
        shown.answers = {yes};
        whenModal([&](QWidget* w) {
            if (w != dialog) return false;
            whenModal([&](QWidget* picker) {
                if (picker != workers) return false;
                workers->Workers().locate("id", orlov);
                workers->Button2->click();
                return true;
            });
            dialog->Button3->click();
            whenModal([&](QWidget* picker) {
                if (picker != items) return false;
                items->item.locate("id", tables);
                items->Button1->click();
                return true;
            });
            dialog->Button4->click();
            dialog->Edit6->selectAll();
            QTest::keyClicks(dialog->Edit6, hours);
            dialog->Button1->click();
            if (dialog->isVisible()) dialog->Button6->click();
            return true;
        });
        list->Button5Click();
        QStringList errors, questions;
        for (const auto& m : shown.shown)
            (m.kind == ShownMessage::Doubt ? questions : errors) << m.text;
        QCOMPARE(errors, refusal.isEmpty() ? QStringList() : QStringList{refusal});
        QCOMPARE(questions.size(), asked.isEmpty() ? 0 : 1);
        if (!asked.isEmpty()) QVERIFY2(questions.first().contains(asked), qPrintable(questions.first()));
        const bool stored = refusal.isEmpty() && (asked.isEmpty() || yes);
        QCOMPARE(t->scalar("select count(*) from accounts_dep.fatigue").toLongLong(),
                 before + (stored ? 1 : 0));
        QCOMPARE(day(date.day(), orlov, Household::HouseholdWorks, 0, date.month(), date.year()).toInt(),
                 stored ? hours.toInt() : 0);
    }

    void aChangedRecordCountsItsOwnHoursOnce() {
        t->addLine(orlov, tableOp, tuesday, 2, 1, 0, 5, 14);
        QVERIFY(Household::save(t->db(), record(orlov, Household::HouseholdWorks, tuesday, 8)));
        list->DTPcker1->setDate(tuesday);
        list->FormActivate();
        auto change = [&](const QString& hours) {
            whenModal([&](QWidget* w) {
                if (w != dialog) return false;
                dialog->Edit6->selectAll();
                QTest::keyClicks(dialog->Edit6, hours);
                dialog->Button1->click();
                if (dialog->isVisible()) dialog->Button6->click();
                return true;
            });
            list->Button6Click();
        };
        change("10"); // 14 + 10: its own 8 hours are replaced, not added
        QCOMPARE(shown.texts(), QStringList());
        QCOMPARE(day(5, orlov, Household::HouseholdWorks, 0).toInt(), 10);
        change("11");
        QCOMPARE(shown.texts(), QStringList{Bounds::DayHoursMessage.arg("05.03.2024", "25")});
        QCOMPARE(t->scalar("select cnt from accounts_dep.fatigue").toInt(), 10);
    }
};

QTEST_MAIN(TestHousehold)
#include "tst_household.moc"
