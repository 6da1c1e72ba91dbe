// The summary reports window: its default period, the four report buttons with their titles
// and periods, the product kind choice, the spreadsheet export read back with openpyxl, and
// what the foremen and the warehouse keep of the window after their login.
#include "app/Access.h"
#include "db/Instances.h"
#include "spreadsheet/ExcelExport.h"
#include "reports/Form16.h"
#include "reports/Form17.h"
#include "reports/Form18.h"
#include "reports/Form20.h"
#include "reports/Form21.h"
#include "reportengine/ReportPreview.h"
#include "reports/SummaryReports.h"
#include "spreadsheet/XlsxOpener.h"
#include "tests/support/ModalDriver.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/RecordingViewer.h"
#include "tests/support/TestDb.h"
#include "tests/support/Workbook.h"

#include <memory>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

using namespace report;

class TestForm18 : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> db;
    std::unique_ptr<RecordingMessages> shown;
    std::unique_ptr<Form16> form16;
    std::unique_ptr<Form17> form17;
    std::unique_ptr<Form20> form20;
    std::unique_ptr<Form21> form21;
    std::unique_ptr<Form18> form18;

    int worker = 0;

    int operation(const QString& marka, const QString& nom, double massa, const QString& vid, int naimen) {
        const int product = db->addProduct(marka, massa, db->addClassItem(nom));
        return db->addOperation(db->addKind(vid), product, naimen, {1.0});
    }

    void setPeriod(const QDate& from, const QDate& to) {
        form18->DTPicker1->setDate(from);
        form18->DTPicker2->setDate(to);
    }

    QPushButton* button(const QString& name) { return form18->findChild<QPushButton*>(name); }

private slots:
    void initTestCase() {
        db = std::make_unique<TestDb>(QStringLiteral("form18"));
        shown = std::make_unique<RecordingMessages>();
        form16 = std::make_unique<Form16>();
        form17 = std::make_unique<Form17>();
        form20 = std::make_unique<Form20>();
        form21 = std::make_unique<Form21>();
        form18 = std::make_unique<Form18>();
        registerInstance(form16.get());
        registerInstance(form17.get());
        registerInstance(form20.get());
        registerInstance(form21.get());
        registerInstance(form18.get());
    }

    void init() {
        db->clearData();
        shown->clear();
        worker = db->addWorker(QStringLiteral("Иванов И.И."));
        form18->setKindIndex(0);
        for (QWidget* w : form18->findChildren<QWidget*>())
            w->setEnabled(true);
    }

    void cleanupTestCase() {
        unregisterInstance<Form18>();
        unregisterInstance<Form21>();
        unregisterInstance<Form20>();
        unregisterInstance<Form17>();
        unregisterInstance<Form16>();
        form18.reset();
        form21.reset();
        form20.reset();
        form17.reset();
        form16.reset();
        shown.reset();
        db.reset();
    }

    // ---- The window ---------------------------------------------------------------------

    void theWindowHasItsControls() {
        QCOMPARE(form18->windowTitle(), QStringLiteral("Отчеты (8)"));
        QCOMPARE(form18->width(), 180);
        QCOMPARE(form18->RadioGroup1->title(), QStringLiteral("Вид продукции"));
        QVERIFY(form18->RadioGroup1->font().bold());
        QCOMPARE(form18->GroupBox1->title(), QStringLiteral("Период отбора"));
        QStringList items;
        for (QAbstractButton* b : form18->RadioGroup1Items->buttons())
            items << b->text();
        QCOMPARE(items, (QStringList{"Все", "Готовая продукция", "Заготовки"}));
        QCOMPARE(form18->DTPicker1->accessibleName(), QStringLiteral("с"));
        QCOMPARE(form18->DTPicker2->accessibleName(), QStringLiteral("по"));
        QStringList captions;
        for (QPushButton* b :
             {form18->Button4, form18->Button2, form18->Button1, form18->Button3, form18->Button5})
            captions << b->text();
        QCOMPARE(captions,
                 (QStringList{"Отчет по рабочим", "Отчет по продукции", "Детальный отчет по рабочим",
                              "Детальный отчет по продукции", "Выход"}));
        QVERIFY(form18->Button6->text().startsWith(QStringLiteral("Excel (")));
    }

    void theDefaultPeriodIsThePreviousMonth_data() {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::newRow("January: December of the year before")
            << QDate(2024, 1, 15) << QDate(2023, 12, 1) << QDate(2024, 1, 1);
        QTest::newRow("March") << QDate(2024, 3, 31) << QDate(2024, 2, 1) << QDate(2024, 3, 1);
        QTest::newRow("first of December") << QDate(2024, 12, 1) << QDate(2024, 11, 1) << QDate(2024, 12, 1);
    }
    void theDefaultPeriodIsThePreviousMonth() {
        QFETCH(QDate, today);
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        setPeriod(QDate(2000, 1, 1), QDate(2000, 1, 1));
        form18->setKindIndex(2);
        form18->today = [today] { return today; };
        bool ran = false;
        QDate shownFrom, shownTo;
        int shownKind = -1;
        whenModal([&](QWidget* w) {
            if (w != form18.get()) return false;
            ran = true;
            shownFrom = form18->DTPicker1->date();
            shownTo = form18->DTPicker2->date();
            shownKind = form18->kindIndex();
            QTest::keyClick(form18.get(), Qt::Key_Escape);
            return true;
        });
        form18->openWithDefaultPeriod();
        QVERIFY(ran);
        QVERIFY(!form18->isVisible());
        QCOMPARE(shownFrom, from);
        QCOMPARE(shownTo, to);
        // The kind choice stays from the last use.
        QCOMPARE(shownKind, 2);
    }

    // ---- The printed reports ------------------------------------------------------------

    void eachButtonPrintsItsReportForThePeriod_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sumBand");
        QTest::addColumn<QString>("sumItem");
        QTest::newRow("by workers") << "Button4"
                                    << "   Отчет по рабочим за период с "
                                    << "Отчет по рабочим"
                                    << "workerFooter"
                                    << "sum(summa)";
        QTest::newRow("by products") << "Button2"
                                     << "   Отчет по продукции за период с "
                                     << "Отчет по продукции"
                                     << "productFooter"
                                     << "sum(kolvo)";
        QTest::newRow("detailed by workers") << "Button1"
                                             << "   Детальный отчет по рабочим за период с "
                                             << "Детальный отчет по рабочим"
                                             << "workerFooter"
                                             << "sum(kolvo)";
        QTest::newRow("detailed by products") << "Button3"
                                              << "   Детальный отчет по продукции за период с "
                                              << "Детальный отчет по продукции"
                                              << "productFooter"
                                              << "sum(kolvo)";
    }
    void eachButtonPrintsItsReportForThePeriod() {
        QFETCH(QString, button);
        QFETCH(QString, title);
        QFETCH(QString, file);
        QFETCH(QString, sumBand);
        QFETCH(QString, sumItem);
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const int op = operation("Корпус КМ-1", "Корпуса", 1, "Сварка", 0);
        db->addLine(worker, op, QDate(2024, 2, 1), 1, 3, 0, 1.0, 8);  // the first day: included
        db->addLine(worker, op, QDate(2024, 2, 29), 2, 4, 0, 1.0, 8); // the last day: included
        db->addLine(worker, op, QDate(2024, 3, 1), 1, 50, 0, 1.0, 8); // the end day: excluded
        db->addLine(worker, op, QDate(2024, 1, 31), 1, 50, 0, 1.0, 8);
        setPeriod(QDate(2024, 2, 1), QDate(2024, 3, 1));
        RecordingViewer viewer;
        QTest::mouseClick(this->button(button), Qt::LeftButton);
        QLocale::setDefault(QLocale::c());
        QVERIFY2(shown->shown.isEmpty(), qPrintable(shown->texts().join('\n')));
        QCOMPARE(viewer.models.size(), std::size_t(1));
        const PageModel& m = viewer.models.front();
        QCOMPARE(m.pages[0].text("title", "QRLabel1")->text, title + "01.02.2024 по 01.03.2024");
        QCOMPARE(viewer.requests.front().fileName, file + " с 01.02.2024 по 29.02.2024.pdf");
        QCOMPARE(viewer.requests.front().wholePage, false);
        const QString expected = sumItem == u"sum(summa)" ? QStringLiteral("7,00") : QStringLiteral("7");
        QCOMPARE(m.pages[0].text(sumBand, sumItem)->text, expected);
        for (PeriodReport* form :
             std::initializer_list<PeriodReport*>{form16.get(), form17.get(), form20.get(), form21.get()})
            QVERIFY(!form->reportQuery().isOpen());
    }

    void theKindChoiceFiltersTheReportRows() {
        db->addLine(worker, operation("Корпус КМ-1", "Корпуса", 1, "Сварка", 0), QDate(2024, 2, 5), 1, 10, 0,
                    1, 8);
        db->addLine(worker, operation("Заготовка З-1", "Заготовки", 1, "Резка", 1), QDate(2024, 2, 5), 1, 3,
                    0, 1, 8);
        setPeriod(QDate(2024, 2, 1), QDate(2024, 3, 1));
        form18->setKindIndex(2);
        RecordingViewer viewer;
        form18->Button3->click();
        const PageModel& m = viewer.models.front();
        QCOMPARE(m.textsOf("product"), QStringList{"Заготовки"});
        QCOMPARE(m.pages[0].text("total", "sum(kolvo)")->text, QStringLiteral("3"));
    }

    // ---- The spreadsheet export ---------------------------------------------------------

    void theExportWritesEveryRowAndCountsThem() {
        const QString kinds[] = {QStringLiteral("Сварка"), QStringLiteral("Покраска"),
                                 QStringLiteral("Резка")};
        // 25 rows: five products, five colours each (0, empty, primer and two RAL colours).
        for (int p = 0; p < 5; ++p) {
            const int op = operation(QStringLiteral("Изделие %1").arg(p), QStringLiteral("Группа %1").arg(p),
                                     0.5, kinds[p % 3], p % 2);
            for (int colour : {0, -1, 1, 5, 1015}) {
                const int line = db->addLine(worker, op, QDate(2024, 2, 10), 1, 5, 2, 1.0, 8,
                                             QStringLiteral("no"), std::max(colour, 0));
                if (colour < 0)
                    db->exec("update accounts_dep.smena set color = null where id = :id", {{"id", line}});
            }
        }
        db->addLine(worker, operation("Вне периода", "Вне", 1, "Сварка", 0), QDate(2024, 3, 1), 1, 5, 0, 1,
                    8);
        setPeriod(QDate(2024, 2, 1), QDate(2024, 3, 1));
        RecordingOpener opener;
        form18->Button6->click();
        QCOMPARE(form18->Button6->text(), QStringLiteral("Excel (25 из 25)"));
        QVERIFY2(shown->shown.isEmpty(), qPrintable(shown->texts().join('\n')));
        QVERIFY(!form18->XLS_Rep.isOpen());
        QCOMPARE(opener.opened.size(), 1);
        const QMap<QString, QString> cells = readCells(opener.opened.first());
        QCOMPARE((QStringList{cells["A1"], cells["B1"], cells["C1"], cells["D1"], cells["E1"]}),
                 (QStringList{"Наименование", "Операция", "Вид продукции", "Коробки", "Кол-во"}));
        QCOMPARE(cells.value("A27"), QString());
        QStringList operations;
        for (int row = 2; row <= 26; ++row) {
            QVERIFY(cells.value(QStringLiteral("A%1").arg(row)).startsWith(QStringLiteral("Группа ")));
            QCOMPARE(cells.value(QStringLiteral("D%1").arg(row)), QStringLiteral("1.5"));
            QCOMPARE(cells.value(QStringLiteral("E%1").arg(row)), QStringLiteral("3"));
            if (cells.value(QStringLiteral("A%1").arg(row)) == u"Группа 0")
                operations << cells.value(QStringLiteral("B%1").arg(row)) + " / " +
                                  cells.value(QStringLiteral("C%1").arg(row));
        }
        QStringList expected{"Сварка / Готовая продукция", "Сварка / Готовая продукция",
                             "Сварка (грунт) / Готовая продукция", "Сварка (цвет: 1015) / Готовая продукция",
                             "Сварка (цвет: 5) / Готовая продукция"};
        operations.sort();
        expected.sort();
        QCOMPARE(operations, expected);
    }

    void theKindChoiceFiltersTheExportAndItsCount_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("kinds");
        QTest::newRow("all") << 0 << "Excel (3 из 3)"
                             << QStringList{"Готовая продукция", "Заготовки", "Заготовки"};
        QTest::newRow("finished product") << 1 << "Excel (1 из 1)" << QStringList{"Готовая продукция"};
        QTest::newRow("blanks") << 2 << "Excel (2 из 2)" << QStringList{"Заготовки", "Заготовки"};
    }
    void theKindChoiceFiltersTheExportAndItsCount() {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(QStringList, kinds);
        db->addLine(worker, operation("А", "Группа А", 1, "Сварка", 0), QDate(2024, 2, 1), 1, 1, 0, 1, 8);
        db->addLine(worker, operation("Б", "Группа Б", 1, "Резка", 1), QDate(2024, 2, 28), 1, 2, 0, 1, 8);
        db->addLine(worker, operation("В", "Группа В", 1, "Гибка", 1), QDate(2024, 2, 28), 1, 4, 0, 1, 8);
        setPeriod(QDate(2024, 2, 1), QDate(2024, 3, 1));
        form18->setKindIndex(kind);
        RecordingOpener opener;
        form18->Button6->click();
        QCOMPARE(form18->Button6->text(), caption);
        const QMap<QString, QString> cells = readCells(opener.opened.first());
        QStringList written;
        for (int row = 2; cells.contains(QStringLiteral("C%1").arg(row)); ++row)
            written << cells.value(QStringLiteral("C%1").arg(row));
        QCOMPARE(written, kinds);
    }

    void anEmptyPeriodExportsTheHeaderOnly() {
        setPeriod(QDate(2024, 2, 1), QDate(2024, 3, 1));
        RecordingOpener opener;
        form18->Button6->click();
        QCOMPARE(form18->Button6->text(), QStringLiteral("Excel (0 из 0)"));
        const QMap<QString, QString> cells = readCells(opener.opened.first());
        QCOMPARE(cells.keys(), (QStringList{"A1", "B1", "C1", "D1", "E1"}));
    }

    void withoutASpreadsheetNothingIsWrittenAndALaterExportTakesTheNewPeriod() {
        db->addLine(worker, operation("А", "Группа А", 1, "Сварка", 0), QDate(2024, 2, 1), 1, 1, 0, 1, 8);
        db->addLine(worker, operation("Б", "Группа Б", 1, "Резка", 0), QDate(2024, 4, 1), 1, 2, 0, 1, 8);
        form18->Button6->setText(QStringLiteral("Excel (7 из 7)"));
        setPeriod(QDate(2024, 2, 1), QDate(2024, 3, 1));
        RecordingOpener opener;
        opener.available = false;
        form18->Button6->click();
        QCOMPARE(shown->texts(), QStringList{"Невозможно открыть Microsoft Excel."});
        QCOMPARE(opener.opened.size(), 0);
        QCOMPARE(form18->Button6->text(), QStringLiteral("Excel (7 из 7)"));
        QVERIFY(!form18->XLS_Rep.isOpen());
        QVERIFY(!QApplication::overrideCursor());
        opener.available = true;
        setPeriod(QDate(2024, 4, 1), QDate(2024, 5, 1));
        form18->Button6->click();
        QCOMPARE(form18->Button6->text(), QStringLiteral("Excel (1 из 1)"));
        QCOMPARE(readCells(opener.opened.first()).value("A2"), QStringLiteral("Группа Б"));
    }

    void exportedNumbersKeepTheirValue_data() {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("mass");
        QTest::addColumn<QString>("kolvo");
        QTest::newRow("whole") << QVariant(QStringLiteral("12.000000")) << "12"
                               << "12";
        QTest::newRow("fraction") << QVariant(QStringLiteral("7.250000")) << "7.25"
                                  << "7";
        QTest::newRow("half to even, down") << QVariant(QStringLiteral("2.5")) << "2.5"
                                            << "2";
        QTest::newRow("half to even, up") << QVariant(QStringLiteral("3.5")) << "3.5"
                                          << "4";
        QTest::newRow("empty") << QVariant(QMetaType(QMetaType::QString)) << "0"
                               << "0";
    }
    void exportedNumbersKeepTheirValue() {
        QFETCH(QVariant, value);
        QFETCH(QString, mass);
        QFETCH(QString, kolvo);
        QCOMPARE(SummaryReports::massText(value, QLocale::c()), mass);
        QCOMPARE(SummaryReports::kolvoText(value), kolvo);
    }

    // ---- Roles --------------------------------------------------------------------------

    void theLoginLeavesEachRoleItsButtons_data() {
        QTest::addColumn<int>("role");
        QTest::addColumn<QStringList>("enabled");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("kindFree");
        const QStringList all{"Button4", "Button2", "Button1", "Button3", "Button6", "Button5"};
        QTest::newRow("full access") << int(Role::Full) << all << 0 << true;
        QTest::newRow("budget office") << int(Role::Budget) << all << 0 << true;
        QTest::newRow("foremen") << int(Role::Foreman) << QStringList{"Button3", "Button5"} << 0 << true;
        QTest::newRow("warehouse") << int(Role::Depot) << QStringList{"Button3", "Button5"} << 1 << false;
    }
    void theLoginLeavesEachRoleItsButtons() {
        QFETCH(int, role);
        QFETCH(QStringList, enabled);
        QFETCH(int, kind);
        QFETCH(bool, kindFree);
        Access::applyToReports(Role(role), *form18);
        QStringList on;
        for (const char* name : {"Button4", "Button2", "Button1", "Button3", "Button6", "Button5"})
            if (button(QLatin1String(name))->isEnabled()) on << QLatin1String(name);
        QCOMPARE(on, enabled);
        QCOMPARE(form18->kindIndex(), kind);
        QCOMPARE(form18->RadioGroup1->isEnabled(), kindFree);
        // The warehouse's report shows finished product only.
        if (!kindFree) {
            db->addLine(worker, operation("А", "Группа А", 1, "Сварка", 0), QDate(2024, 2, 1), 1, 1, 0, 1, 8);
            db->addLine(worker, operation("Б", "Группа Б", 1, "Резка", 1), QDate(2024, 2, 1), 1, 2, 0, 1, 8);
            setPeriod(QDate(2024, 2, 1), QDate(2024, 3, 1));
            RecordingViewer viewer;
            form18->Button3->click();
            QCOMPARE(viewer.models.front().textsOf("product"), QStringList{"Группа А"});
        }
    }
};

QTEST_MAIN(TestForm18)
#include "tst_form18.moc"
