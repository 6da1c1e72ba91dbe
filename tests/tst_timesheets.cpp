// The timesheet by time: a month rebuilt from the journal gives the rows of the day-by-day
// writes and loses no save made meanwhile; day cells are drawn by their hours and days; the
// month's spreadsheet; days that disagree with the journal are marked until a rebuild.
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "db/Transaction.h"
#include "journal/ShiftEntry.h"
#include "reports/Form15.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/SaveDuringRebuild.h"
#include "tests/support/TestDb.h"
#include "tests/support/Workbook.h"
#include "timesheets/Form19.h"
#include "timesheets/TimesheetMonth.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <QThread>
#include <QTimer>

using TimesheetMonth::CellLook;

namespace {
// The cells of a workbook's first sheet, read back with openpyxl.
QJsonObject sheetCells(const QString& path, QString* error) {
    QProcess reader;
    reader.start(QStringLiteral(SYSTEM_PYTHON), {QStringLiteral(XLSX_READER), path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0) {
        *error = QString::fromUtf8(reader.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(reader.readAllStandardOutput())
        .object()[u"sheets"]
        .toArray()
        .first()
        .toObject()[u"cells"]
        .toObject();
}
} // namespace

class TestTimesheets : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    Form15* report = nullptr;
    Form19* form = nullptr;
    int orlov = 0, belova = 0, assembly = 0, product = 0;

    // Every shift row of the month, whole, in a fixed order (ids aside).
    QStringList shiftRows(int month, int year) {
        QString days;
        for (int d = 1; d <= 31; ++d)
            days += QString(", coalesce(d%1::text, '-')").arg(d);
        QSqlQuery q(t->db());
        q.prepare(
            QString("select concat_ws(' ', smena, w_id, month, year, i_type, coalesce(i_night::text, '-')%1) "
                    "from accounts_dep.h_tabel where month=:m and year=:y order by smena, w_id, 1")
                .arg(days));
        q.bindValue(":m", month);
        q.bindValue(":y", year);
        if (!q.exec()) qFatal("%s", qPrintable(q.lastError().text()));
        QStringList rows;
        while (q.next())
            rows << q.value(0).toString();
        return rows;
    }
    void line(int w, const QDate& d, int shift, int time) {
        t->addLine(w, assembly, d, shift, 10, 0, 5, time);
    }
    QVariant day(int d, int w, int shift, int month, int year) {
        return t->scalar(
            QString("select d%1 from accounts_dep.h_tabel where w_id=:w and smena=:s and month=:m "
                    "and year=:y")
                .arg(d),
            {{"w", w}, {"s", shift}, {"m", month}, {"y", year}});
    }
    // The journal of a month with every kind of day: two lines summed, a 0-hour line, all four
    // shifts, lines just outside the month, a stale shift row and a household row.
    void busyMonth(int month, int year) {
        const QDate first(year, month, 1), last = first.addMonths(1).addDays(-1);
        line(orlov, first, 1, 4);
        line(orlov, first, 1, 3);
        line(orlov, first.addDays(1), 2, 0);
        line(orlov, last, 3, 9);
        line(belova, first.addDays(4), 4, 2);
        line(belova, first.addDays(4), 1, 8);
        line(belova, first.addDays(-1), 1, 5);
        line(belova, last.addDays(1), 1, 6);
        t->exec("insert into accounts_dep.h_tabel(smena, w_id, month, year, d3) values (2, :w, :m, :y, 11)",
                {{"w", belova}, {"m", month}, {"y", year}});
        t->exec("insert into accounts_dep.h_tabel(smena, w_id, month, year, d2, i_type, i_night) "
                "values (0, :w, :m, :y, 7, 7777, 1)",
                {{"w", orlov}, {"m", month}, {"y", year}});
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("timesheets");
        setMessages(&shown);
        report = new Form15;
        registerInstance(report);
        form = new Form19;
        registerInstance(form);
    }
    void cleanupTestCase() {
        unregisterInstance<Form19>();
        unregisterInstance<Form15>();
        delete form;
        delete report;
        t.reset();
    }
    void init() {
        t->clearData();
        shown.clear();
        orlov = t->addWorker("Орлов Павел Андреевич");
        belova = t->addWorker("Белова Анна Сергеевна");
        product = t->addProduct("Стол СТ-1");
        assembly = t->addOperation(t->addKind("Сборка"), product, 0, {5});
    }

    void rebuildGivesTheRowsOfTheDayByDayWrites_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::newRow("leap February") << 2 << 2024;
        QTest::newRow("December") << 12 << 2024;
        QTest::newRow("31-day March") << 3 << 2023;
    }
    void rebuildGivesTheRowsOfTheDayByDayWrites() {
        QFETCH(int, month);
        QFETCH(int, year);
        busyMonth(month, year);
        TimesheetMonth::rebuildDayByDay(t->db(), month, year);
        const QStringList expected = shiftRows(month, year);
        // The loop's rows are the reference: they hold the household row and the four shifts.
        QCOMPARE(expected.size(), 6);
        QVERIFY(
            expected.first().startsWith(QString("0 %1 %2 %3 7777 1 - 7 -").arg(orlov).arg(month).arg(year)));
        // A stale shift row again, which the rebuild must remove as the loop did.
        t->exec("insert into accounts_dep.h_tabel(smena, w_id, month, year, d3) values (2, :w, :m, :y, 11)",
                {{"w", belova}, {"m", month}, {"y", year}});
        QList<int> steps;
        TimesheetMonth::rebuild(t->db(), month, year, [&steps](int done, int) { steps << done; });
        QCOMPARE(shiftRows(month, year), expected);
        QCOMPARE(steps.last(), QDate(year, month, 1).daysInMonth());
        // Sums of a day, a 0-hour day kept as 0, the overtime shift, nothing outside the month.
        QCOMPARE(day(1, orlov, 1, month, year).toInt(), 7);
        QCOMPARE(day(2, orlov, 2, month, year), QVariant(0));
        QCOMPARE(day(5, belova, 4, month, year).toInt(), 2);
        QCOMPARE(t->scalar("select count(*) from accounts_dep.h_tabel where smena=1 and w_id=:w and month=:m",
                           {{"w", belova}, {"m", month}})
                     .toLongLong(),
                 1);
    }

    void aMonthWithoutLinesKeepsOnlyItsHouseholdRows() {
        busyMonth(6, 2024);
        t->exec("delete from accounts_dep.smena");
        TimesheetMonth::rebuild(t->db(), 6, 2024);
        QCOMPARE(t->scalar("select string_agg(smena::text, ',') from accounts_dep.h_tabel").toString(), "0");
    }

    void aSaveFromAnotherWorkstationDuringARebuildKeepsItsHours() {
        const QDate day5(2024, 3, 5);
        line(orlov, day5, 1, 4);
        line(belova, day5.addDays(1), 1, 3);
        ShiftEntry::Outcome outcome{};
        // Between the rebuild's delete and its insert another workstation saves a line of
        // the month; it must wait for the rebuild and then write its day into the new row.
        QVERIFY(saveDuringRebuild(
            *t, [&](const auto& progress) { TimesheetMonth::rebuild(t->db(), 3, 2024, progress); },
            [&](QSqlDatabase db) {
                ShiftEntry::Entry e;
                e.workerId = orlov;
                e.operationId = assembly;
                e.productId = product;
                e.price = 5;
                e.worker = "Орлов П. А.";
                e.operation = "Стол СТ-1; Сборка; Готовая продукция";
                e.kolVo = "2";
                e.brak = "0";
                e.time = "5";
                e.date = day5.addDays(2);
                e.shift = 1;
                outcome = ShiftEntry::write(db, e);
            }));
        QCOMPARE(outcome, ShiftEntry::Outcome::Saved);
        QCOMPARE(day(5, orlov, 1, 3, 2024).toInt(), 4);
        QCOMPARE(day(7, orlov, 1, 3, 2024).toInt(), 5);
        QCOMPARE(day(6, belova, 1, 3, 2024).toInt(), 3);
        QCOMPARE(t->scalar("select count(*) from accounts_dep.h_tabel where smena=1").toLongLong(), 2);
        QVERIFY(TimesheetMonth::mismatches(t->db(), 3, 2024).isEmpty());
    }

    // A save of the month is stuck on another workstation (it holds the month shared): the
    // rebuild gives up within its bound with the message and changes nothing, and the saves
    // that came after it are not kept waiting behind its request.
    void aRebuildBehindAStuckSaveGivesUpAndSavesGoOn() {
        const QDate day5(2024, 3, 5);
        line(orlov, day5, 1, 4);
        TimesheetMonth::rebuild(t->db(), 3, 2024);
        t->exec("update accounts_dep.h_tabel set d5=9");
        QSqlDatabase stuck = t->openOther("stuck");
        {
            QSqlQuery q(stuck);
            QVERIFY(q.exec("begin"));
            QVERIFY(q.exec(QString("select pg_advisory_xact_lock_shared(%1, hashtext('2024-3'))")
                               .arg(int(LockSpace::TimesheetMonth))));
            try {
                TimesheetMonth::rebuild(t->db(), 3, 2024);
                QFAIL("the rebuild did not give up");
            } catch (const LockBusy& e) {
                QVERIFY2(e.message().contains("Табель не перестроен: ничего не изменено."),
                         qPrintable(e.message()));
            }
            QCOMPARE(day(5, orlov, 1, 3, 2024).toInt(), 9);
            ShiftEntry::Entry e;
            e.workerId = belova;
            e.operationId = assembly;
            e.productId = product;
            e.price = 5;
            e.worker = "Белова А. С.";
            e.operation = "Стол СТ-1; Сборка; Готовая продукция";
            e.kolVo = "2";
            e.brak = "0";
            e.time = "3";
            e.date = day5;
            QCOMPARE(ShiftEntry::write(t->db(), e), ShiftEntry::Outcome::Saved);
            QVERIFY(q.exec("commit"));
        }
        stuck.close();
        stuck = QSqlDatabase();
        QSqlDatabase::removeDatabase("stuck");
        TimesheetMonth::rebuild(t->db(), 3, 2024);
        QCOMPARE(day(5, orlov, 1, 3, 2024).toInt(), 4);
        QCOMPARE(day(5, belova, 1, 3, 2024).toInt(), 3);
    }

    // The rebuild's progress repaints the window and runs nothing else: no timer (the build
    // check's statements) and no click can run inside the month's transaction.
    void aRebuildRunsNoOtherEventInsideItsTransaction() {
        line(orlov, QDate(2024, 3, 5), 1, 4);
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        form->Button1Click();
        QVERIFY(!ran);
        QCoreApplication::processEvents();
        QVERIFY(ran);
    }

    void dayCellsAreDrawnByTheirHours_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("weekend");
        QTest::addColumn<bool>("past");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<QColor>("foreground");
        QTest::addColumn<QColor>("background");
        const QColor none, red(255, 0, 0), silver(192, 192, 192), green(192, 220, 192), window(Qt::white);
        QTest::newRow("empty") << 0 << false << false << false << silver << none;
        QTest::newRow("empty weekend") << 0 << true << false << false << red << none;
        QTest::newRow("past the month") << 0 << false << true << false << window << none;
        QTest::newRow("4 hours") << 4 << false << false << false << none << none;
        QTest::newRow("8 hours") << 8 << false << false << true << none << none;
        QTest::newRow("8 hours weekend") << 8 << true << false << true << red << none;
        QTest::newRow("10 hours") << 10 << false << false << true << none << green;
        QTest::newRow("10 hours weekend") << 10 << true << false << true << red << green;
    }
    void dayCellsAreDrawnByTheirHours() {
        QFETCH(int, value);
        QFETCH(bool, weekend);
        QFETCH(bool, past);
        const CellLook look = TimesheetMonth::dayCellLook(value, weekend, past, QColor(Qt::white));
        QTEST(look.bold, "bold");
        QTEST(look.foreground, "foreground");
        QTEST(look.background, "background");
    }

    void theGridShowsTheMonthItsDaysAndWeekends() {
        line(orlov, QDate(2024, 2, 29), 1, 10);
        line(orlov, QDate(2024, 2, 3), 1, 8);
        TimesheetMonth::rebuild(t->db(), 2, 2024);
        form->selectMonth(2, 2024);
        form->ComboBox1Change();
        QCOMPARE(form->DBGrid1->model()->rowCount(), 1);
        QCOMPARE(form->DBGrid2->model()->rowCount(), 0);
        QCOMPARE(form->DBGrid1->cellText(0, "fio"), "Орлов Павел Андреевич");
        QCOMPARE(form->DBGrid1->cellText(0, "summ"), "18");
        QCOMPARE(form->titleColour(29), QColor());
        QCOMPARE(form->titleColour(30), QColor(192, 192, 192));
        QCOMPARE(form->titleColour(31), QColor(192, 192, 192));
        QCOMPARE(form->titleColour(3), QColor(255, 0, 0)); // a Saturday
        QAbstractItemModel* m = form->DBGrid1->model();
        QCOMPARE(m->index(0, 29).data(Qt::BackgroundRole).value<QColor>(), QColor(192, 220, 192));
        QCOMPARE(m->index(0, 3).data(Qt::FontRole).value<QFont>().bold(), true);
        QCOMPARE(m->index(0, 30).data(Qt::ForegroundRole).value<QColor>(),
                 form->palette().color(QPalette::Window));
        // The row total "Итого": bold on its own ground.
        QCOMPARE(m->headerData(32, Qt::Horizontal).toString(), QStringLiteral("Итого"));
        QCOMPARE(m->index(0, 32).data(Qt::FontRole).value<QFont>().bold(), true);
        QCOMPARE(m->index(0, 32).data(Qt::BackgroundRole).value<QColor>(), QColor(225, 228, 255));
        // This year's journal and the next year's first days can be chosen.
        QVERIFY(form->ComboBox2->findText(QString::number(QDate::currentDate().year() + 1)) >= 0);
        form->selectMonth(5, 2005);
        QCOMPARE(form->year(), 2005);
        QCOMPARE(form->month(), 5);
    }

    void theSpreadsheetHoldsTitleHeaderAndWorkers() {
        RecordingOpener opener;
        line(orlov, QDate(2024, 3, 1), 1, 8);
        line(orlov, QDate(2024, 3, 1), 4, 2);
        line(belova, QDate(2024, 3, 31), 2, 5);
        TimesheetMonth::rebuild(t->db(), 3, 2024);
        // A household row of the worker with an empty day 1 still counts into his total.
        t->exec("insert into accounts_dep.h_tabel(smena, w_id, month, year, d2, i_type, i_night) "
                "values (0, :w, 3, 2024, 3, 7777, 0)",
                {{"w", belova}});
        form->selectMonth(3, 2024);
        form->ComboBox1Change();
        form->Button2Click();
        QCOMPARE(form->Button2->text(), "Excel (2 из 2)");
        QCOMPARE(opener.opened.size(), 1);
        QString error;
        const QJsonObject cells = sheetCells(opener.opened.last(), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        auto text = [&](const char* cell) { return cells[cell].toObject()["value"].toVariant().toString(); };
        QCOMPARE(text("A1"), "Март 2024");
        QCOMPARE(cells["A1"].toObject()["bold"].toBool(), true);
        QCOMPARE(text("A2"), "Фамилия И.О.");
        QCOMPARE(text("B2"), "1");
        QCOMPARE(text("AF2"), "31");
        QCOMPARE(text("AG2"), "Итого");
        QCOMPARE(text("A3"), "Белова Анна Сергеевна");
        QVERIFY(!cells.contains("B3"));
        QCOMPARE(text("C3"), "3");
        QCOMPARE(text("AF3"), "5");
        QCOMPARE(text("AG3"), "8");
        QCOMPARE(text("A4"), "Орлов Павел Андреевич");
        QCOMPARE(text("B4"), "10");
        QCOMPARE(text("AG4"), "10");
        form->FormActivate();
        QCOMPARE(form->Button2->text(), "Excel");
    }

    void printingPreviewsTheMonthWithItsCaption() {
        line(orlov, QDate(2024, 3, 5), 1, 8);
        TimesheetMonth::rebuild(t->db(), 3, 2024);
        form->selectMonth(3, 2024);
        form->ComboBox1Change();
        QString shownTitle;
        int rows = -1;
        whenModal([&](QWidget* preview) {
            shownTitle = preview->windowTitle();
            rows = report->H_Tabel.recordCount();
            preview->close();
            return true;
        });
        form->Button6Click();
        QCOMPARE(report->QRLabel33->text, "Март 2024 г.");
        QVERIFY(shownTitle.contains("Март 2024 г."));
        QCOMPARE(rows, 1);
        QVERIFY(!report->H_Tabel.isOpen());
    }

    void aDayChangedBehindTheProgramIsMarkedUntilARebuild() {
        line(orlov, QDate(2024, 3, 5), 1, 4);
        line(belova, QDate(2024, 3, 6), 2, 6);
        TimesheetMonth::rebuild(t->db(), 3, 2024);
        form->selectMonth(3, 2024);
        form->ComboBox1Change();
        QVERIFY(form->mismatches().isEmpty());
        QCOMPARE(form->Label1->text(), "");
        t->exec("update accounts_dep.h_tabel set d5=7 where w_id=:w and smena=1", {{"w", orlov}});
        t->exec("update accounts_dep.h_tabel set d9=2 where w_id=:w and smena=2", {{"w", belova}});
        form->Button5Click();
        QCOMPARE(form->mismatches().size(), 2);
        QCOMPARE(form->Label1->text(), "Дней, расходящихся с журналом: 2");
        QAbstractItemModel* m = form->DBGrid1->model();
        QCOMPARE(m->index(0, 5).data(Qt::ToolTipRole).toString(), "по журналу: 4 ч");
        QVERIFY(!m->index(0, 6).data(Qt::ToolTipRole).isValid());
        QCOMPARE(form->DBGrid2->model()->index(0, 9).data(Qt::ToolTipRole).toString(), "по журналу: 0 ч");
        form->Button1Click();
        QVERIFY(form->mismatches().isEmpty());
        QCOMPARE(form->Label1->text(), "");
        QVERIFY(!m->index(0, 5).data(Qt::ToolTipRole).isValid());
        QCOMPARE(day(5, orlov, 1, 3, 2024).toInt(), 4);
        QVERIFY(form->PB->isHidden());
    }
};

QTEST_MAIN(TestTimesheets)
#include "tst_timesheets.moc"
