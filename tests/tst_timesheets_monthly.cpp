// The monthly timesheets: the household rows rebuilt from the records as the day-by-day
// writes would leave them, the four modes' rows and columns, the money totals and the
// spreadsheet.
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/SaveDuringRebuild.h"
#include "tests/support/TestDb.h"
#include "tests/support/Workbook.h"
#include "timesheets/Form27.h"
#include "timesheets/Household.h"
#include "timesheets/MonthlySheets.h"
#include "timesheets/TimesheetMonth.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

namespace {
QJsonObject sheetCells(const QString& path) {
    QProcess reader;
    reader.start(QStringLiteral(SYSTEM_PYTHON), {QStringLiteral(XLSX_READER), path});
    if (!reader.waitForFinished(60000) || reader.exitCode() != 0) qFatal("workbook not read");
    return QJsonDocument::fromJson(reader.readAllStandardOutput())
        .object()[u"sheets"]
        .toArray()
        .first()
        .toObject()[u"cells"]
        .toObject();
}
} // namespace

class TestMonthly : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDb> t;
    RecordingMessages shown;
    Form27* form = nullptr;
    int orlov = 0, belova = 0, tables = 0, tableOp = 0;

    void household(int worker, int kind, const QDate& d, int hours, bool night = false) {
        Household::Record r;
        r.nomId = tables;
        r.kind = kind;
        r.worker = worker;
        r.date = d;
        r.hours = QString::number(hours);
        r.normPrice = 100;
        r.night = night;
        QVERIFY(Household::save(t->db(), r));
    }
    QStringList rows(int month, int year) {
        QString days;
        for (int d = 1; d <= 31; ++d)
            days += QString(", coalesce(d%1::text, '-')").arg(d);
        QSqlQuery q(t->db());
        q.prepare(QString("select concat_ws(' ', smena, w_id, i_type, coalesce(i_night::text, '-')%1) from "
                          "accounts_dep.h_tabel where month=:m and year=:y order by 1")
                      .arg(days));
        q.bindValue(":m", month);
        q.bindValue(":y", year);
        if (!q.exec()) qFatal("%s", qPrintable(q.lastError().text()));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }

private slots:
    void initTestCase() {
        t = std::make_unique<TestDb>("monthly");
        form = new Form27;
        registerInstance(form);
    }
    void cleanupTestCase() {
        unregisterInstance<Form27>();
        delete form;
        t.reset();
    }
    void init() {
        t->clearData();
        shown.clear();
        orlov = t->addWorker("Орлов Павел Андреевич");
        belova = t->addWorker("Белова Анна Сергеевна");
        tables = t->addClassItem("Столы");
        tableOp = t->addOperation(t->addKind("Сборка"), t->addProduct("Стол СТ-1", 1, tables), 0, {5});
    }

    void householdRebuildGivesTheRowsOfTheDayByDayWrites_data() {
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::newRow("leap February") << 2 << 2024;
        QTest::newRow("December") << 12 << 2024;
    }
    void householdRebuildGivesTheRowsOfTheDayByDayWrites() {
        QFETCH(int, month);
        QFETCH(int, year);
        const QDate first(year, month, 1), last = first.addMonths(1).addDays(-1);
        household(orlov, Household::HouseholdWorks, first, 8);
        household(orlov, Household::HouseholdWorks, first, 3);
        household(orlov, Household::HouseholdWorks, last, 2, true);
        household(belova, Household::AveragePieceRate, first.addDays(3), 5);
        household(belova, Household::AveragePieceRate, last.addDays(1), 4);
        t->addLine(orlov, tableOp, first, 1, 10, 0, 5, 7);
        TimesheetMonth::rebuild(t->db(), month, year);
        // A day changed behind the program and a household record without its row.
        t->exec("update accounts_dep.h_tabel set d1=1 where i_type=7777 and i_night=0");
        t->exec("insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, "
                "price, "
                "i_holiday, i_night) values (:nom, 7778, :w, :d, :m, :y, 1, 6, 100, 0, 1)",
                {{"nom", tables}, {"w", orlov}, {"d", first.addDays(9)}, {"m", month}, {"y", year}});
        MonthlySheets::rebuildHouseholdDayByDay(t->db(), month, year);
        const QStringList expected = rows(month, year);
        QCOMPARE(expected.size(), 5); // Orlov's three household rows, Belova's one, a shift row
        t->exec("update accounts_dep.h_tabel set d1=1 where i_type=7777 and i_night=0");
        MonthlySheets::rebuildHousehold(t->db(), month, year);
        QCOMPARE(rows(month, year), expected);
        QCOMPARE(t->scalar("select d1 from accounts_dep.h_tabel where i_type=7777 and i_night=0").toInt(),
                 11);
        QCOMPARE(t->scalar("select d1 from accounts_dep.h_tabel where smena=1").toInt(), 7);
    }

    void aHouseholdSaveDuringTheRebuildKeepsItsHours() {
        const QDate d(2024, 3, 5);
        household(orlov, Household::HouseholdWorks, d, 8);
        bool saved = false;
        // Between the rebuild's delete and its insert another workstation writes a record of
        // the month: it waits, then adds its hours to the rebuilt row.
        QVERIFY(saveDuringRebuild(
            *t, [&](const auto& progress) { MonthlySheets::rebuildHousehold(t->db(), 3, 2024, progress); },
            [&](QSqlDatabase db) {
                Household::Record r;
                r.nomId = tables;
                r.kind = Household::HouseholdWorks;
                r.worker = orlov;
                r.date = d;
                r.hours = "3";
                r.normPrice = 100;
                saved = Household::save(db, r);
            }));
        QVERIFY(saved);
        QCOMPARE(t->scalar("select count(*) from accounts_dep.h_tabel").toLongLong(), 1);
        QCOMPARE(t->scalar("select d5 from accounts_dep.h_tabel where i_type=7777").toInt(), 11);
    }

    void theNameColumnTakesTheWidthOfHiddenDays_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("width");
        QTest::newRow("piecework, 30 days") << 9 << 4 << 2024 << 258;
        QTest::newRow("household, 31 days") << 14 << 3 << 2024 << 208;
        QTest::newRow("average, common February") << 15 << 2 << 2023 << 268;
        QTest::newRow("general, leap February") << 17 << 2 << 2024 << 344;
    }
    void theNameColumnTakesTheWidthOfHiddenDays() {
        QFETCH(int, mode);
        QFETCH(int, month);
        QFETCH(int, year);
        form->prepare(mode, QDate(year, month, 1));
        QTEST(form->nameColumnWidth(), "width");
        const int days = QDate(year, month, 1).daysInMonth();
        for (int d = 28; d <= 31; ++d)
            QCOMPARE(form->DBGrid->isColumnHidden(d + 1), d > days);
        QCOMPARE(form->DBGrid->isColumnHidden(1), !MonthlySheets::showsNight(mode));
        QCOMPARE(form->DBGrid->isColumnHidden(35), mode == 17);
        // Switching months back and forth never widens it beyond its base + 60.
        for (int m : {2, 4, 2, 1, 2}) {
            form->ComboBox1->setCurrentIndex(m - 1);
            QVERIFY(form->nameColumnWidth() <= MonthlySheets::nameBaseWidth(mode) + 60);
        }
        form->ComboBox1->setCurrentIndex(0);
        QCOMPARE(form->nameColumnWidth(), MonthlySheets::nameBaseWidth(mode));
    }

    void modesListTheirRowsAndTotals() {
        const QDate d(2024, 3, 5);
        t->addLine(orlov, tableOp, d, 1, 10, 2, 5, 4);
        t->addLine(orlov, tableOp, d, 4, 2, 0, 5, 1);
        t->addLine(orlov, tableOp, d.addDays(1), 2, 4, 0, 5, 4);
        TimesheetMonth::rebuild(t->db(), 3, 2024);
        form->prepare(9, d);
        // Without household records the month's whole is its piecework.
        QCOMPARE(form->DBText2->text(), "70.00");
        QCOMPARE(form->DBText1->text(), form->DBText2->text());
        QCOMPARE(form->DBText3->text(), "");
        QCOMPARE(form->cur_query->recordCount(), 1);
        QCOMPARE(form->DBGrid->cellText(0, "d5"), "5");
        QCOMPARE(form->DBGrid->cellText(0, "i_time"), "9");
        household(orlov, Household::HouseholdWorks, d, 8);
        household(orlov, Household::HouseholdWorks, d, 2, true);
        household(belova, Household::AveragePieceRate, d, 3);
        form->prepare(14, d);
        QCOMPARE(form->cur_query->recordCount(), 2);
        QCOMPARE(form->DBGrid->cellText(0, "s_night"), "дн.");
        QCOMPARE(form->DBGrid->cellText(1, "s_night"), "ноч.");
        QCOMPARE(form->DBGrid->cellText(1, "d5"), "2");
        QCOMPARE(form->DBText3->text(), "1040.00"); // 8 × 100 + 2 × 120
        QCOMPARE(form->DBText4->text(), "300.00");
        QCOMPARE(form->DBText1->text(), "1410.00");
        // With a Russian locale the totals take the grid's comma.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        form->prepare(14, d);
        QLocale::setDefault(QLocale::c());
        QCOMPARE(form->DBText3->text(), "1040,00");
        QCOMPARE(form->DBText1->text(), "1410,00");
        QCOMPARE(form->DBGrid->cellText(0, "d5").contains(u'.'), false);
        form->prepare(17, d);
        QCOMPARE(form->cur_query->recordCount(), 2);
        QCOMPARE(form->DBGrid->cellText(1, "fio"), "Орлов Павел Андреевич");
        QCOMPARE(form->DBGrid->cellText(1, "d5"), "15");
        QCOMPARE(form->DBGrid->cellText(1, "i_time"), "19");
    }

    void theSpreadsheetFollowsTheMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("b3");
        QTest::addColumn<QString>("ag2");
        QTest::newRow("piecework") << 9 << ""
                                   << "Итого (ч.)";
        QTest::newRow("household") << 14 << "дн."
                                   << "Итого (ч.)";
        QTest::newRow("general") << 17 << ""
                                 << "Итого (ч.)";
    }
    void theSpreadsheetFollowsTheMode() {
        QFETCH(int, mode);
        RecordingOpener opener;
        const QDate d(2024, 3, 5);
        t->addLine(orlov, tableOp, d, 1, 10, 0, 5, 4);
        TimesheetMonth::rebuild(t->db(), 3, 2024);
        household(orlov, Household::HouseholdWorks, d, 8);
        form->prepare(mode, d);
        form->Button2Click();
        QCOMPARE(form->Button2->text(), "Excel (1 из 1)");
        const QJsonObject cells = sheetCells(opener.opened.last());
        auto text = [&](const char* c) { return cells[c].toObject()["value"].toVariant().toString(); };
        QCOMPARE(text("A1"), "Март 2024");
        QCOMPARE(text("A2"), "Фамилия И.О.");
        QCOMPARE(text("C2"), "1");
        QCOMPARE(text("AH2"), "Итого (ч.)");
        QCOMPARE(text("AI2"), "Итого (р.)");
        QCOMPARE(text("AJ2"), mode == 17 ? "" : "Час (р.)");
        QCOMPARE(text("A3"), "Орлов Павел Андреевич");
        QTEST(text("B3"), "b3");
        QCOMPARE(text("G3"), mode == 9 ? "4" : mode == 14 ? "8" : "12");
    }
};

QTEST_MAIN(TestMonthly)
#include "tst_timesheets_monthly.moc"
