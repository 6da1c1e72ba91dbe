// The summary reports window: its default period, the four report buttons with their titles
// and periods, the product kind choice, the spreadsheet export read back with openpyxl, and
// what the foremen and the warehouse keep of the window after their login.
#include "app/Access.h"
#include "db/Instances.h"
#include "reportengine/ReportPreview.h"
#include "reports/Form16.h"
#include "reports/Form17.h"
#include "reports/Form18.h"
#include "reports/Form20.h"
#include "reports/Form21.h"
#include "reports/SummaryReports.h"
#include "spreadsheet/ExcelExport.h"
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
#include <QRegularExpression>
#include <QSqlQuery>
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

    // The names of a report's groups in print order; a header repeated above the footer that
    // opens a page is not a group of its own.
    static QStringList groupNames(const PageModel& m, const QString& band, const QString& item) {
        QStringList names;
        for (const Page& page : m.pages) {
            int n = 0;
            for (std::size_t i = 0; i < page.bands.size(); ++i) {
                if (page.bands[i].name != band) continue;
                const int placement = n++;
                std::size_t next = i + 1;
                while (next < page.bands.size() && page.bands[next].kind == BandKind::GroupHeader)
                    ++next;
                if (next < page.bands.size() && page.bands[next].kind == BandKind::GroupFooter) continue;
                names << page.text(band, item, placement)->text;
            }
        }
        return names;
    }

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
        // Both dates are days of the period: it ends on the previous month's last day.
        QTest::newRow("January: December of the year before")
            << QDate(2024, 1, 15) << QDate(2023, 12, 1) << QDate(2023, 12, 31);
        QTest::newRow("March: February of a leap year")
            << QDate(2024, 3, 31) << QDate(2024, 2, 1) << QDate(2024, 2, 29);
        QTest::newRow("first of December") << QDate(2024, 12, 1) << QDate(2024, 11, 1) << QDate(2024, 11, 30);
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

    void thePeriodSaysWhichDaysItCovers_data() {
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QDate>("to");
        QTest::addColumn<QString>("days");
        QTest::newRow("May") << QDate(2024, 5, 1) << QDate(2024, 5, 31) << "включительно, дней: 31";
        QTest::newRow("one day") << QDate(2024, 5, 7) << QDate(2024, 5, 7) << "включительно, дней: 1";
        QTest::newRow("ends before it starts")
            << QDate(2024, 5, 7) << QDate(2024, 5, 6) << "включительно, дней: 0";
    }
    void thePeriodSaysWhichDaysItCovers() {
        QFETCH(QDate, from);
        QFETCH(QDate, to);
        QFETCH(QString, days);
        setPeriod(from, to);
        QCOMPARE(form18->Label3->text(), days);
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
        db->addLine(worker, op, QDate(2024, 2, 29), 2, 4, 0, 1.0, 8); // the "по" day: included
        db->addLine(worker, op, QDate(2024, 3, 1), 1, 50, 0, 1.0, 8); // the day after: excluded
        db->addLine(worker, op, QDate(2024, 1, 31), 1, 50, 0, 1.0, 8);
        setPeriod(QDate(2024, 2, 1), QDate(2024, 2, 29));
        RecordingViewer viewer;
        QTest::mouseClick(this->button(button), Qt::LeftButton);
        QLocale::setDefault(QLocale::c());
        QVERIFY2(shown->shown.isEmpty(), qPrintable(shown->texts().join('\n')));
        QCOMPARE(viewer.models.size(), std::size_t(1));
        const PageModel& m = viewer.models.front();
        // The title and the file name both name the last day the report covers.
        QCOMPARE(m.pages[0].text("title", "QRLabel1")->text, title + "01.02.2024 по 29.02.2024");
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
        setPeriod(QDate(2024, 2, 1), QDate(2024, 2, 29));
        form18->setKindIndex(2);
        RecordingViewer viewer;
        form18->Button3->click();
        const PageModel& m = viewer.models.front();
        QCOMPARE(m.textsOf("product"), QStringList{"Заготовки"});
        QCOMPARE(m.pages[0].text("total", "sum(kolvo)")->text, QStringLiteral("3"));
    }

    // ---- All reports agree ----------------------------------------------------------------

    // One varied period: namesakes, a worker number that names nobody, empty colours, rejects,
    // prices and kinds, prices whose amounts end in half kopecks, lines on both bounds and just
    // outside them. Every report's grand total equals every other's and the journal's own sum.
    void everyReportAndTheWorkbookAgreeWithTheJournal() {
        QLocale::setDefault(QLocale::c());
        const QDate first(2024, 2, 1), last(2024, 2, 29);
        const int namesake = db->addWorker(QStringLiteral("Иванов И.И."));
        const int petrov = db->addWorker(QStringLiteral("Петров П.П."));
        const int nobody = 987654;
        const QList<int> ops{operation("Корпус КМ-1", "Корпуса", 1.25, "Сварка", 0),
                             operation("Полка П-1", "Полки", 0.333333, "Покраска", 1),
                             operation("Деталь Д-1", "Детали", 2, "Резка", 0),
                             operation("Кронштейн К-1", "Кронштейны", 0.5, "Гибка", 0)};
        // The third operation's kind is empty.
        db->exec("update accounts_dep.oper set naimen = null where id = :id", {{"id", ops[2]}});
        const double prices[] = {21.05, 0.1234, 12.345, 7.005, 0.37};
        const QDate days[] = {first, first.addDays(9), last, last.addDays(1), first.addDays(-1)};
        int n = 0;
        for (int w : {worker, namesake, petrov, nobody}) {
            for (int op : ops) {
                for (const QDate& day : days) {
                    ++n;
                    const int colour = n % 4 == 0 ? -1 : n % 4 == 1 ? 0 : n % 4 == 2 ? 1 : 9016;
                    const int line = db->addLine(w, op, day, 1 + n % 3, 3 + n % 11, n % 3, prices[n % 5], 8,
                                                 QStringLiteral("no"), std::max(colour, 0));
                    if (colour < 0)
                        db->exec("update accounts_dep.smena set color = null where id = :id", {{"id", line}});
                    if (n % 7 == 0)
                        db->exec("update accounts_dep.smena set brak = null where id = :id", {{"id", line}});
                    if (n % 13 == 0)
                        db->exec("update accounts_dep.smena set cena = null where id = :id", {{"id", line}});
                }
            }
        }
        QSqlQuery q(db->db());
        QVERIFY(q.exec("select round(sum((kol_vo-coalesce(brak,0))*cena::numeric),2)::text, "
                       "sum(kol_vo-coalesce(brak,0))::text, sum(coalesce(brak,0))::text, sum(kol_vo)::text "
                       "from accounts_dep.smena where data between '2024-02-01' and '2024-02-29'"));
        QVERIFY(q.next());
        const QString money = q.value(0).toString(), good = q.value(1).toString(),
                      rejects = q.value(2).toString(), all = q.value(3).toString();
        setPeriod(first, last);
        RecordingViewer viewer;
        for (QPushButton* b : {form18->Button4, form18->Button2, form18->Button1, form18->Button3})
            b->click();
        QCOMPARE(viewer.models.size(), std::size_t(4));
        auto total = [&viewer](int report, const char* item) {
            return viewer.models[std::size_t(report)].pages.back().text("total", QLatin1String(item))->text;
        };
        QCOMPARE(total(0, "sum(summa)"), money); // by workers
        QCOMPARE(total(1, "sum(kolvo)"), good);  // by products
        QCOMPARE(total(2, "sum(summa)"), money); // detailed by workers
        QCOMPARE(total(2, "sum(kolvo)"), all);
        QCOMPARE(total(2, "sum(brk)"), rejects);
        QCOMPARE(total(3, "sum(summa)"), money); // detailed by products
        QCOMPARE(total(3, "sum(kolvo)"), all);
        QCOMPARE(total(3, "sum(brk)"), rejects);
        // The worker who is nobody is there under his number; the namesakes are two workers.
        const QStringList workers{"987654", "Иванов И.И.", "Иванов И.И.", "Петров П.П."};
        QCOMPARE(groupNames(viewer.models[0], "worker", "fio"), workers);
        QCOMPARE(groupNames(viewer.models[2], "worker", "fio"), workers);
        // The empty kind is blanks in print as in the workbook.
        RecordingOpener opener;
        form18->Button6->click();
        const QMap<QString, QString> cells = readCells(opener.opened.first());
        qlonglong pieces = 0;
        QStringList workbookKinds;
        for (int row = 2; cells.contains(QStringLiteral("A%1").arg(row)); ++row) {
            pieces += cells.value(QStringLiteral("E%1").arg(row)).toLongLong();
            if (cells.value(QStringLiteral("A%1").arg(row)) == u"Детали")
                workbookKinds << cells.value(QStringLiteral("C%1").arg(row));
        }
        QCOMPARE(QString::number(pieces), good);
        QStringList printedKinds;
        for (const Page& page : viewer.models[1].pages) {
            bool inBlanks = false;
            for (const TextElement& t : page.texts) {
                if (t.band == u"product") inBlanks = t.text == u"Детали";
                if (inBlanks && t.band == u"detail" && t.item.startsWith(QLatin1String("IF(naimen")))
                    printedKinds << t.text;
            }
        }
        QVERIFY(!workbookKinds.isEmpty());
        QCOMPARE(printedKinds, workbookKinds);
        QVERIFY(workbookKinds.contains(QStringLiteral("Заготовки")));
        QVERIFY(!workbookKinds.contains(QStringLiteral("Готовая продукция")));
    }

    // ---- The spreadsheet export ---------------------------------------------------------

    void theExportCaptionIsPaintedWhileItRuns() {
        for (int p = 0; p < 3; ++p)
            db->addLine(worker,
                        operation(QStringLiteral("Изделие %1").arg(p), QStringLiteral("Группа %1").arg(p), 1,
                                  "Сварка", 0),
                        QDate(2024, 2, 10), 1, 5, 0, 1.0, 8);
        setPeriod(QDate(2024, 2, 1), QDate(2024, 2, 29));
        struct Painted : QObject {
            QStringList captions;
            bool eventFilter(QObject* o, QEvent* e) override {
                if (e->type() == QEvent::Paint) captions << static_cast<QPushButton*>(o)->text();
                return false;
            }
        } painted;
        form18->show();
        QVERIFY(QTest::qWaitForWindowExposed(form18.get()));
        form18->Button6->installEventFilter(&painted);
        RecordingOpener opener;
        // As a click does: the export runs before the event loop can paint anything.
        form18->Button6Click();
        form18->Button6->removeEventFilter(&painted);
        form18->hide();
        for (const QString& caption : {QStringLiteral("Excel (0 из 3)"), QStringLiteral("Excel (1 из 3)"),
                                       QStringLiteral("Excel (2 из 3)"), QStringLiteral("Excel (3 из 3)")})
            QVERIFY2(painted.captions.contains(caption), qPrintable(painted.captions.join(", ")));
    }

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
        setPeriod(QDate(2024, 2, 1), QDate(2024, 2, 29));
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
        setPeriod(QDate(2024, 2, 1), QDate(2024, 2, 29));
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
        setPeriod(QDate(2024, 2, 1), QDate(2024, 2, 29));
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
        setPeriod(QDate(2024, 2, 1), QDate(2024, 2, 29));
        RecordingOpener opener;
        opener.available = false;
        form18->Button6->click();
        QCOMPARE(shown->texts(), QStringList{"Невозможно открыть Microsoft Excel."});
        QCOMPARE(opener.opened.size(), 0);
        QCOMPARE(form18->Button6->text(), QStringLiteral("Excel (7 из 7)"));
        QVERIFY(!form18->XLS_Rep.isOpen());
        QVERIFY(!QApplication::overrideCursor());
        opener.available = true;
        setPeriod(QDate(2024, 4, 1), QDate(2024, 4, 30));
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
            setPeriod(QDate(2024, 2, 1), QDate(2024, 2, 29));
            RecordingViewer viewer;
            form18->Button3->click();
            QCOMPARE(viewer.models.front().textsOf("product"), QStringList{"Группа А"});
        }
    }
};

QTEST_MAIN(TestForm18)
#include "tst_form18.moc"
