// The five report layouts over their real queries: which texts each report prints, with which
// sums, on which page; one report rendered to PDF and read back as text; the preview window.
#include "reportengine/ReportPainter.h"
#include "reportengine/ReportPreview.h"
#include "reports/Form15.h"
#include "reports/Form16.h"
#include "reports/Form17.h"
#include "reports/Form20.h"
#include "reports/Form21.h"
#include "reports/SummaryReports.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/RecordingViewer.h"
#include "tests/support/TestDb.h"

#include <memory>
#include <QFileInfo>
#include <QGraphicsView>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace report;

namespace {

const QDate Day1(2024, 3, 1);
const QDate Day2(2024, 4, 1);

QString pdfText(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(30000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestReportLayouts : public QObject {
    Q_OBJECT

    std::unique_ptr<TestDb> db;
    std::unique_ptr<RecordingMessages> shown;
    std::unique_ptr<Form15> form15;
    std::unique_ptr<Form16> form16;
    std::unique_ptr<Form17> form17;
    std::unique_ptr<Form20> form20;
    std::unique_ptr<Form21> form21;

    PeriodReport& periodForm(const QString& name) {
        if (name == u"Form16") return *form16;
        if (name == u"Form17") return *form17;
        if (name == u"Form20") return *form20;
        return *form21;
    }

    // A product of the nomenclature group `nom` with one operation of kind `vid`.
    int operation(const QString& marka, const QString& nom, double massa, const QString& vid,
                  int naimen = 0) {
        const int product = db->addProduct(marka, massa, db->addClassItem(nom));
        return db->addOperation(db->addKind(vid), product, naimen, {1.0});
    }

    // The period report over March 2024 with the kind choice, as the summary window runs it.
    PageModel run(PeriodReport& form, int kindIndex = 0) {
        RecordingViewer viewer;
        form.run(QStringLiteral("   Отчет за период с "), QStringLiteral("Отчет"), Day1, Day2, kindIndex);
        if (viewer.models.size() != 1) qFatal("the report was not shown");
        return viewer.models.front();
    }

private slots:
    void initTestCase() {
        db = std::make_unique<TestDb>(QStringLiteral("reportlayouts"));
        shown = std::make_unique<RecordingMessages>();
        form15 = std::make_unique<Form15>();
        form16 = std::make_unique<Form16>();
        form17 = std::make_unique<Form17>();
        form20 = std::make_unique<Form20>();
        form21 = std::make_unique<Form21>();
    }

    void init() {
        db->clearData();
        shown->clear();
        QLocale::setDefault(QLocale::c());
    }

    void cleanupTestCase() {
        QLocale::setDefault(QLocale::c());
        form21.reset();
        form20.reset();
        form17.reset();
        form16.reset();
        form15.reset();
        shown.reset();
        db.reset();
    }

    // ---- Report by workers ---------------------------------------------------------------

    void aWorkersFooterAddsUpHisProducts() {
        const int ivanov = db->addWorker(QStringLiteral("Иванов И.И."));
        const int petrov = db->addWorker(QStringLiteral("Петров П.П."));
        const int box = operation("Корпус КМ-1", "Корпуса", 1, "Сварка");
        const int shelf = operation("Полка П-1", "Полки", 1, "Резка");
        db->addLine(ivanov, box, Day1, 1, 12, 2, 12.0, 8); // 10 good pieces, 120.00
        db->addLine(ivanov, shelf, Day1, 2, 5, 0, 7.2, 8); // 36.00
        db->addLine(ivanov, shelf, Day1.addDays(3), 1, 5, 0, 7.2, 8);
        db->addLine(petrov, box, Day1.addDays(1), 1, 1, 0, 2.4, 8);
        const PageModel m = run(*form16);
        QCOMPARE(m.pageCount(), 1);
        const Page& page = m.pages[0];
        QCOMPARE(m.textsOf("worker"),
                 (QStringList{"Иванов И.И.", "Сумма без Р/К", "Петров П.П.", "Сумма без Р/К"}));
        QCOMPARE(m.textsOf("product"), (QStringList{"Корпуса", "Полки", "Корпуса"}));
        QCOMPARE(page.text("productFooter", "sum(kolvo)", 0)->text, QStringLiteral("10"));
        QCOMPARE(page.text("productFooter", "sum(summa)", 0)->text, QStringLiteral("120.000"));
        QCOMPARE(page.text("productFooter", "sum(summa/1.2)", 0)->text, QStringLiteral("100.000"));
        // The two lines of the shelf are one row (same product, kind, operation and colour).
        QCOMPARE(page.text("productFooter", "sum(kolvo)", 1)->text, QStringLiteral("10"));
        QCOMPARE(page.text("productFooter", "sum(summa)", 1)->text, QStringLiteral("72.000"));
        QCOMPARE(page.text("workerFooter", "sum(summa)", 0)->text, QStringLiteral("192.00"));
        QCOMPARE(page.text("workerFooter", "sum(summa/1.2)", 0)->text, QStringLiteral("160.00"));
        // Petrov's sums start again from zero.
        QCOMPARE(page.text("workerFooter", "sum(summa)", 1)->text, QStringLiteral("2.40"));
        QCOMPARE(page.text("total", "sum(summa)")->text, QStringLiteral("194.40"));
        QCOMPARE(page.text("total", "sum(summa/1.2)")->text, QStringLiteral("162.00"));
        QCOMPARE(page.bandNames(),
                 (QStringList{"title", "spacer", "worker", "product", "detail", "productFooter", "product",
                              "detail", "productFooter", "workerFooter", "worker", "product", "detail",
                              "productFooter", "workerFooter", "total", "pageFooter"}));
        // Closed again once the preview is closed.
        QVERIFY(!form16->t_Report.isOpen());
    }

    void theSumWithoutCoefficientIsTheSumDividedBy12_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("sum");
        QTest::addColumn<QString>("without");
        QTest::newRow("point") << "C"
                               << "120.00"
                               << "100.00";
        QTest::newRow("the user's comma") << "ru_RU"
                                          << "120,00"
                                          << "100,00";
    }
    void theSumWithoutCoefficientIsTheSumDividedBy12() {
        QFETCH(QString, locale);
        QFETCH(QString, sum);
        QFETCH(QString, without);
        QLocale::setDefault(QLocale(locale));
        const int worker = db->addWorker(QStringLiteral("Иванов И.И."));
        db->addLine(worker, operation("Корпус КМ-1", "Корпуса", 1, "Сварка"), Day1, 1, 10, 0, 12.0, 8);
        const PageModel m = run(*form16);
        QCOMPARE(m.pages[0].text("workerFooter", "sum(summa)")->text, sum);
        QCOMPARE(m.pages[0].text("workerFooter", "sum(summa/1.2)")->text, without);
        QCOMPARE(m.pages[0].text("detail", "summa")->text, QString(sum).insert(sum.size(), u'0'));
    }

    // ---- Colours and kinds in every period report ---------------------------------------

    void colourPrintsAsEachReportShowsIt_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("colour"); // -1: empty
        QTest::addColumn<QString>("printed");
        const QString expression =
            QStringLiteral("if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')");
        for (const char* form : {"Form16", "Form17"}) {
            QTest::addRow("%s colour 0", form) << form << expression << 0 << " ";
            QTest::addRow("%s colour empty", form) << form << expression << -1 << " ";
            QTest::addRow("%s primer", form) << form << expression << 1 << " (грунт)";
            QTest::addRow("%s RAL 1015", form) << form << expression << 1015 << " (RAL: 1015)";
        }
        // The detailed reports print the plain number.
        for (const char* form : {"Form20", "Form21"}) {
            QTest::addRow("%s colour 0", form) << form << "color" << 0 << "0";
            QTest::addRow("%s colour empty", form) << form << "color" << -1 << "";
            QTest::addRow("%s primer", form) << form << "color" << 1 << "1";
            QTest::addRow("%s RAL 1015", form) << form << "color" << 1015 << "1015";
        }
    }
    void colourPrintsAsEachReportShowsIt() {
        QFETCH(QString, form);
        QFETCH(QString, item);
        QFETCH(int, colour);
        QFETCH(QString, printed);
        const int worker = db->addWorker(QStringLiteral("Иванов И.И."));
        const int line = db->addLine(worker, operation("Корпус КМ-1", "Корпуса", 1, "Покраска"), Day1, 1, 3,
                                     0, 1.0, 8, QStringLiteral("no"), std::max(colour, 0));
        if (colour < 0) db->exec("update accounts_dep.smena set color = null where id = :id", {{"id", line}});
        const PageModel m = run(periodForm(form));
        const TextElement* text = m.pages[0].text("detail", item);
        QCOMPARE(text ? text->text : QString(), printed);
    }

    void theKindIsNamedAndFilteredInEveryReport_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("sumItem");
        for (const char* form : {"Form16", "Form17", "Form20", "Form21"})
            QTest::addRow("%s", form) << form << (QString(form) == u"Form16" ? "sum(summa)" : "sum(kolvo)");
    }
    void theKindIsNamedAndFilteredInEveryReport() {
        QFETCH(QString, form);
        QFETCH(QString, sumItem);
        const int worker = db->addWorker(QStringLiteral("Иванов И.И."));
        db->addLine(worker, operation("Корпус КМ-1", "Корпуса", 1, "Сварка", 0), Day1, 1, 10, 0, 1.0, 8);
        db->addLine(worker, operation("Заготовка З-1", "Корпуса", 1, "Резка", 1), Day1, 1, 7, 0, 1.0, 8);
        const QString kind = QStringLiteral("IF(naimen=0,'Готовая продукция','Заготовки')");
        struct Choice {
            int index;
            QStringList kinds;
            QString total;
        };
        const bool money = form == u"Form16";
        for (const Choice& c : {Choice{0, {"Готовая продукция", "Заготовки"}, money ? "17.00" : "17"},
                                Choice{1, {"Готовая продукция"}, money ? "10.00" : "10"},
                                Choice{2, {"Заготовки"}, money ? "7.00" : "7"}}) {
            const PageModel m = run(periodForm(form), c.index);
            QStringList kinds;
            for (const TextElement& t : m.pages[0].texts)
                if (t.band == u"detail" && t.item == kind) kinds << t.text;
            kinds.sort();
            QCOMPARE(kinds, c.kinds);
            QCOMPARE(m.pages[0].text("total", sumItem)->text, c.total);
        }
    }

    // ---- Report by products: the mass --------------------------------------------------

    void theMassIsPlainInTheFooterAndWholeInTheTotal() {
        const int worker = db->addWorker(QStringLiteral("Иванов И.И."));
        const int op = operation("Корпус КМ-1", "Корпуса", 1.25, "Покраска");
        db->addLine(worker, op, Day1, 1, 3, 0, 1.0, 8, QStringLiteral("no"), 0); // 3.75
        db->addLine(worker, op, Day1, 1, 3, 1, 1.0, 8, QStringLiteral("no"), 1); // 2 good: 2.50
        const PageModel m = run(*form17);
        QCOMPARE(m.textsOf("productFooter"), (QStringList{"6.25", "5"}));
        QCOMPARE(m.pages[0].text("detail", "mass", 0)->text, QStringLiteral("3.75"));
        QCOMPARE(m.pages[0].text("detail", "mass", 1)->text, QStringLiteral("2.5"));
        QCOMPARE(m.pages[0].text("total", "sum(mass)")->text, QStringLiteral("6"));
        QCOMPARE(m.pages[0].text("total", "sum(kolvo)")->text, QStringLiteral("5"));
    }

    void theDetailedReportByProductsCountsRejectsAndAllPieces() {
        const int worker = db->addWorker(QStringLiteral("Иванов И.И."));
        const int op = operation("Корпус КМ-1", "Корпуса", 2, "Сварка");
        db->addLine(worker, op, Day1, 1, 10, 3, 1.5, 8);
        db->addLine(worker, op, Day2.addDays(-1), 2, 5, 0, 1.5, 8); // the last day included
        db->addLine(worker, op, Day2, 1, 100, 0, 1.5, 8);           // the first day no longer
        db->addLine(worker, op, Day1.addDays(-1), 1, 100, 0, 1.5, 8);
        const PageModel m = run(*form21);
        const Page& p = m.pages[0];
        QCOMPARE(p.text("detail", "brk")->text, QStringLiteral("3"));
        QCOMPARE(p.text("detail", "kolvo")->text, QStringLiteral("15"));
        QCOMPARE(p.text("detail", "mass")->text, QStringLiteral("30"));
        QCOMPARE(p.text("detail", "summa")->text, QStringLiteral("18.000"));
        QCOMPARE(p.text("productFooter", "sum(mass)")->text, QStringLiteral("30.00"));
        QCOMPARE(p.text("total", "sum(summa)")->text, QStringLiteral("18.00"));
        QCOMPARE(p.text("title", "QRLabel1")->text,
                 QStringLiteral("   Отчет за период с 1 Mar 2024 по 31 Mar 2024"));
    }

    // The detailed report by products sums the lines per product, operation and colour before
    // grouping by names; its rows must be those of grouping the joined lines directly.
    void theDetailedReportByProductsHasTheRowsOfItsLinesGroupedByName() {
        const QString grouped = QStringLiteral(
            "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom, sum(smena.kol_vo)::numeric as "
            "kolvo, "
            "sum(smena.brak) as brk, sum((kol_vo-brak)*smena.cena) as summa, color, "
            "round((izdel.massa*sum(smena.kol_vo))::numeric,2) as mass "
            "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper "
            "where smena.o_id=oper.id and smena.i_id=izdel.id and smena.o_id=oper.id and "
            "oper.vid=vid_oper.id "
            "and smena.data<:data2 and smena.data>=:data1 group by izdel.nom, marka, vid_oper.vid, "
            "oper.naimen, "
            "color,massa order by izdel.nom,marka, vid_oper.vid, oper.naimen, color");
        const int a = db->addWorker(QStringLiteral("Иванов И.И."));
        const int b = db->addWorker(QStringLiteral("Петров П.П."));
        const int group = db->addClassItem(QStringLiteral("Корпуса"));
        // Two products of one group and brand with different masses, two operations of one kind
        // on one product, both kinds of output, colours 0, empty, primer and RAL.
        const int p1 = db->addProduct(QStringLiteral("Корпус КМ-1"), 1.25, group);
        const int p2 = db->addProduct(QStringLiteral("Корпус КМ-1"), 2.5, group);
        const int p3 = db->addProduct(QStringLiteral("Корпус КМ-2"), 0.333333, group);
        const int weld = db->addKind(QStringLiteral("Сварка"));
        const int paint = db->addKind(QStringLiteral("Покраска"));
        const QList<int> ops{db->addOperation(weld, p1, 0, {1}),  db->addOperation(weld, p1, 0, {1}),
                             db->addOperation(paint, p1, 1, {1}), db->addOperation(weld, p2, 0, {1}),
                             db->addOperation(paint, p3, 0, {1}), db->addOperation(paint, p3, 1, {1})};
        int n = 0;
        for (int op : ops) {
            for (int colour : {0, -1, 1, 9016}) {
                for (const QDate& day : {Day1, Day1.addDays(9), Day2.addDays(-1), Day2, Day1.addDays(-1)}) {
                    ++n;
                    const int line =
                        db->addLine(n % 2 ? a : b, op, day, 1 + n % 4, 3 + n % 7, n % 3, 0.37 * (n % 5 + 1),
                                    8, QStringLiteral("no"), std::max(colour, 0));
                    if (colour < 0)
                        db->exec("update accounts_dep.smena set color = null where id = :id", {{"id", line}});
                }
            }
        }
        auto rows = [this](const QString& sql) {
            QSqlQuery q(db->db());
            execBound(q, "select * from (" + sql + ") r order by nom, marka, vid, naimen, color",
                      {{"data1", Day1}, {"data2", Day2}});
            QStringList out;
            while (q.next()) {
                QStringList fields;
                for (const char* f : {"marka", "vid", "naimen", "nom", "kolvo", "brk", "color", "mass"})
                    fields << q.value(QLatin1String(f)).toString();
                fields << QString::number(q.value(QStringLiteral("summa")).toDouble(), 'f', 6);
                out << fields.join(u'|');
            }
            return out;
        };
        const QStringList expected = rows(grouped);
        QCOMPARE(expected.size(), 20); // five kinds of product line, four colours each
        QCOMPARE(rows(Form21::sql()), expected);
        // The column types stay those the layout prints (rejects as a whole number).
        form21->i_Report.setParam(QStringLiteral("data1"), Day1);
        form21->i_Report.setParam(QStringLiteral("data2"), Day2);
        form21->i_Report.open();
        QCOMPARE(
            form21->i_Report.value(0, form21->i_Report.fieldIndex(QStringLiteral("brk"))).metaType().id(),
            int(QMetaType::LongLong));
        form21->i_Report.close();
    }

    // Every period statement sums the period's lines before it joins names to them. Grouping the
    // joined lines themselves, with the same rules for empty values, gives the same rows.
    void everyPeriodStatementHasTheRowsOfItsLinesGroupedDirectly_data() {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("direct");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QString>("order");
        const QString lines =
            QStringLiteral("from accounts_dep.smena left join accounts_dep.izdel on izdel.id=smena.i_id "
                           "left join accounts_dep.oper on oper.id=smena.o_id "
                           "left join accounts_dep.vid_oper on vid_oper.id=oper.vid ");
        const QString person =
            QStringLiteral("left join lateral (select p.s_caption from cmn_contractor.person p where "
                           "p.s_code::integer=smena.w_id order by p.id limit 1) person on true ");
        const QString period = QStringLiteral("where smena.data<:data2 and smena.data>=:data1 ");
        const QString good = QStringLiteral("(coalesce(kol_vo,0)-coalesce(brak,0))");
        QTest::newRow("report by workers")
            << Form16::sql()
            << "select coalesce(person.s_caption, smena.w_id::text, '') fio, smena.w_id, sum(" + good +
                   ")::numeric as kolvo, sum(" + good +
                   "*smena.cena::numeric) as summa, vid_oper.vid, izdel.nom, oper.naimen, smena.color " +
                   lines + person + period +
                   "group by fio, smena.w_id, izdel.nom, oper.naimen, vid_oper.vid, smena.color"
            << QStringList{"fio", "w_id", "nom", "naimen", "vid", "color", "kolvo", "summa"}
            << QStringLiteral("fio, w_id, nom");
        QTest::newRow("report by products")
            << Form17::sql()
            << "select sum(" + good +
                   ")::numeric as kolvo, vid_oper.vid, izdel.nom, oper.naimen, smena.color, "
                   "round((izdel.massa*sum(" +
                   good + "))::numeric,2) as mass " + lines + period +
                   "group by izdel.nom, smena.color, oper.naimen, vid_oper.vid, izdel.massa"
            << QStringList{"nom", "color", "naimen", "vid", "kolvo", "mass"} << QStringLiteral("nom");
        QTest::newRow("detailed report by workers")
            << Form20::sql()
            << "select coalesce(person.s_caption, smena.w_id::text, '') fio, smena.w_id, izdel.marka, "
               "vid_oper.vid, "
               "oper.naimen, sum(coalesce(kol_vo,0))::numeric as kolvo, sum(coalesce(brak,0)) as brk, sum(" +
                   good + "*smena.cena::numeric) as summa, smena.color, round(sum(prize*" + good +
                   "*smena.cena/100)::numeric, 6) as s_prize " + lines + person + period +
                   "group by fio, smena.w_id, marka, vid_oper.vid, oper.naimen, smena.color"
            << QStringList{"fio",   "w_id",  "marka", "vid",   "naimen",
                           "color", "kolvo", "brk",   "summa", "s_prize"}
            << QStringLiteral("fio, w_id, marka, vid, naimen");
        QTest::newRow("detailed report by products")
            << Form21::sql()
            << "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom, "
               "sum(coalesce(kol_vo,0))::numeric as "
               "kolvo, sum(coalesce(brak,0)) as brk, sum(" +
                   good +
                   "*smena.cena::numeric) as summa, smena.color, "
                   "round((izdel.massa*sum(coalesce(kol_vo,0)))::numeric,2) as mass " +
                   lines + period + "group by izdel.nom, marka, vid_oper.vid, oper.naimen, smena.color, massa"
            << QStringList{"nom", "marka", "vid", "naimen", "color", "kolvo", "brk", "summa", "mass"}
            << QStringLiteral("nom, marka, vid, naimen");
        QTest::newRow("product summary workbook")
            << SummaryReports::xlsRepSql()
            << "select sum(" + good +
                   ")::numeric as kolvo, vid_oper.vid, izdel.nom, oper.naimen, smena.color, "
                   "izdel.massa*sum(" +
                   good + ") as mass " + lines + period +
                   "group by izdel.nom, smena.color, oper.naimen, vid_oper.vid, izdel.massa"
            << QStringList{"nom", "color", "naimen", "vid", "kolvo", "mass"} << QStringLiteral("nom");
    }
    void everyPeriodStatementHasTheRowsOfItsLinesGroupedDirectly() {
        QFETCH(QString, statement);
        QFETCH(QString, direct);
        QFETCH(QStringList, fields);
        const int a = db->addWorker(QStringLiteral("Иванов И.И."));
        const int b = db->addWorker(QStringLiteral("Иванов И.И.")); // a namesake
        const int c = db->addWorker(QStringLiteral("Петров П.П."));
        const int nobody = 987654;
        const int group = db->addClassItem(QStringLiteral("Корпуса"));
        const int p1 = db->addProduct(QStringLiteral("Корпус КМ-1"), 1.25, group);
        const int p2 = db->addProduct(QStringLiteral("Корпус КМ-1"), 2.5, group);
        const int p3 = db->addProduct(QStringLiteral("Корпус КМ-2"), 0.333333, group);
        const int weld = db->addKind(QStringLiteral("Сварка"));
        const int paint = db->addKind(QStringLiteral("Покраска"));
        const QList<int> ops{db->addOperation(weld, p1, 0, {1}),  db->addOperation(weld, p1, 0, {1}),
                             db->addOperation(paint, p1, 1, {1}), db->addOperation(weld, p2, 0, {1}),
                             db->addOperation(paint, p3, 0, {1}), db->addOperation(paint, p3, 1, {1})};
        db->exec("update accounts_dep.oper set naimen = null where id = :id", {{"id", ops[4]}});
        const double prices[] = {0.37, 21.05, 12.345, 0.1234, 7.005};
        int n = 0;
        for (int op : ops) {
            for (int colour : {0, -1, 1, 9016}) {
                for (const QDate& day : {Day1, Day1.addDays(9), Day2.addDays(-1), Day2, Day1.addDays(-1)}) {
                    ++n;
                    const int w = n % 5 == 0 ? nobody : n % 3 == 0 ? a : n % 3 == 1 ? b : c;
                    const int line = db->addLine(w, op, day, 1 + n % 4, 3 + n % 7, n % 3, prices[n % 5], 8,
                                                 QStringLiteral("no"), std::max(colour, 0));
                    db->exec("update accounts_dep.smena set prize = :p where id = :id",
                             {{"p", n % 4 * 5}, {"id", line}});
                    if (colour < 0)
                        db->exec("update accounts_dep.smena set color = null where id = :id", {{"id", line}});
                    if (n % 7 == 0)
                        db->exec("update accounts_dep.smena set brak = null where id = :id", {{"id", line}});
                    if (n % 11 == 0)
                        db->exec("update accounts_dep.smena set cena = null where id = :id", {{"id", line}});
                }
            }
        }
        // Lines whose names are missing in every way: no worker number; a product with no
        // group (no name) beside one that does not exist; an operation of no kind and no
        // operation name beside one that does not exist. Each pair groups as one.
        const int unnamed = db->addProduct(QStringLiteral("Без группы"), 1.0);
        const int bare = db->addOperation(weld, unnamed, 0, {1});
        db->exec("update accounts_dep.oper set naimen = null, vid = null where id = :id", {{"id", bare}});
        const struct {
            QVariant worker;
            int oper, product;
        } odd[] = {{QVariant(), ops[0], p1},    {QVariant(), ops[1], p1},      {a, bare, unnamed},
                   {a, 999999, unnamed},         {a, bare, 999998},             {a, 999999, 999998},
                   {c, ops[2], 999998},          {nobody, ops[3], p2}};
        for (const auto& l : odd) {
            const int line =
                db->addLine(a, l.oper == 999999 ? ops[0] : l.oper, Day1.addDays(3), 1, 5, 1, 3.3, 8, QStringLiteral("no"), 0);
            db->exec("update accounts_dep.smena set w_id = :w, o_id = :o, i_id = :i where id = :id",
                     {{"w", l.worker}, {"o", l.oper}, {"i", l.product}, {"id", line}});
        }
        auto rows = [&](const QString& sql) {
            QSqlQuery q(db->db());
            QStringList casts;
            for (const QString& f : fields)
                casts << (f == u"s_prize" ? QStringLiteral("round(r.s_prize::numeric, 6)::text")
                                          : QStringLiteral("r.%1::text").arg(f));
            execBound(q, "select " + casts.join(", ") + " from (" + sql + ") r order by " + fields.join(", "),
                      {{"data1", Day1}, {"data2", Day2}});
            QStringList out;
            while (q.next()) {
                QStringList values;
                for (int i = 0; i < fields.size(); ++i)
                    values << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
                out << values.join(u'|');
            }
            return out;
        };
        QStringList expected, actual;
        try {
            expected = rows(direct);
            actual = rows(statement);
        } catch (const std::exception& e) {
            QFAIL(e.what());
        }
        QVERIFY(expected.size() > 10);
        QCOMPARE(actual, expected);

        // In the statement's own order the rows come as the names order them.
        QFETCH(QString, order);
        auto sequence = [&](const QString& sql) {
            QSqlQuery q(db->db());
            execBound(q, "select " + order + " from (" + sql + ") r", {{"data1", Day1}, {"data2", Day2}});
            QStringList out;
            while (q.next()) {
                QStringList values;
                for (int i = 0; i < q.record().count(); ++i)
                    values << (q.value(i).isNull() ? QStringLiteral("<null>") : q.value(i).toString());
                out << values.join(u'|');
            }
            return out;
        };
        QStringList sorted = sequence(direct + " order by " + order);
        QCOMPARE(sequence(statement), sorted);
    }

    void anEmptyPeriodGivesTheHeaderAndZeroTotals() {
        const PageModel m = run(*form20);
        QCOMPARE(m.pageCount(), 1);
        QCOMPARE(m.pages[0].bandNames(), (QStringList{"title", "spacer", "total", "pageFooter"}));
        QCOMPARE(m.textsOf("title"), (QStringList{"   Отчет за период с 1 Mar 2024 по 31 Mar 2024", "Брак",
                                                  "Количество", "Сумма"}));
        QCOMPARE(m.textsOf("total"), (QStringList{"Итого:", "0", "0", "0.00"}));
    }

    // ---- Monthly hours summary ----------------------------------------------------------

    void theTimesheetRepeatsItsHeaderAndTotalsEmptyDaysAsZero() {
        QList<int> workers;
        for (int i = 1; i <= 40; ++i) {
            const int w = db->addWorker(QStringLiteral("Рабочий %1").arg(i, 2, 10, QChar(u'0')));
            db->exec(
                "insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) values (:w, 1, 3, 2024, 8)",
                {{"w", w}});
            workers << w;
        }
        // The first worker: two shifts on day 1, nothing on day 2, 4 hours on day 31.
        db->exec("insert into accounts_dep.h_tabel (w_id, smena, month, year, d1, d31) values (:w, 2, 3, "
                 "2024, 3, 4)",
                 {{"w", workers.first()}});
        // Another month is not in the summary.
        db->exec("insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) values (:w, 1, 4, 2024, 8)",
                 {{"w", workers.first()}});
        RecordingViewer viewer;
        viewer.whileShown = [this] { QVERIFY(form15->H_Tabel.isOpen()); };
        form15->printMonth(3, 2024, QStringLiteral("Март 2024"));
        QVERIFY(!form15->H_Tabel.isOpen());
        QCOMPARE(viewer.requests.front().wholePage, true);
        QCOMPARE(viewer.requests.front().fileName, QStringLiteral("Табель за март 2024.pdf"));
        const PageModel& m = viewer.models.front();
        QCOMPARE(m.setup.orientation, QPageLayout::Landscape);
        QVERIFY(m.pageCount() >= 2);
        QStringList names;
        for (int p = 0; p < m.pageCount(); ++p) {
            const Page& page = m.pages[std::size_t(p)];
            QCOMPARE(page.bandNames().first(), QStringLiteral("columns"));
            QCOMPARE(page.text("columns", "QRLabel33")->text, QStringLiteral("Март 2024"));
            QCOMPARE(page.textsOf("pageFooter"), QStringList{QString::number(p + 1)});
            for (const PlacedBand& b : page.bands)
                if (b.kind == BandKind::Detail) QVERIFY(b.rect.bottom() + 6.6 <= 210 - 10 - 4.5 + 1e-6);
            for (const TextElement& t : page.texts)
                if (t.band == u"detail" && t.item == u"fio") names << t.text;
        }
        QCOMPARE(names.size(), 40);
        QCOMPARE(names.first(), QStringLiteral("Рабочий 01"));
        QCOMPARE(names.last(), QStringLiteral("Рабочий 40"));
        const Page& first = m.pages[0];
        QCOMPARE(first.text("detail", "sd1", 0)->text, QStringLiteral("11"));
        QVERIFY(!first.text("detail", "sd2", 0)); // an empty day prints nothing
        QCOMPARE(first.text("detail", "sd31", 0)->text, QStringLiteral("4"));
        const QString total = form15->QuickRep1.bands[1].items.back().expression;
        QCOMPARE(first.text("detail", total, 0)->text, QStringLiteral("15"));
        QCOMPARE(first.text("detail", total, 1)->text, QStringLiteral("8"));
    }

    // ---- Namesakes ----------------------------------------------------------------------

    void namesakesAreTwoWorkersWithTheirOwnTotals_data() {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("headerItem");
        QTest::newRow("report by workers") << "Form16"
                                           << "fio";
        QTest::newRow("detailed report by workers") << "Form20"
                                                    << "fio";
    }
    void namesakesAreTwoWorkersWithTheirOwnTotals() {
        QFETCH(QString, form);
        QFETCH(QString, headerItem);
        const int first = db->addWorker(QStringLiteral("Иванов И.И."));
        const int second = db->addWorker(QStringLiteral("Иванов И.И."));
        const int box = operation("Корпус КМ-1", "Корпуса", 1, "Сварка");
        db->addLine(first, box, Day1, 1, 3, 0, 10.0, 8);  // 30.00
        db->addLine(second, box, Day1, 1, 1, 0, 12.0, 8); // 12.00
        const PageModel m = run(periodForm(form));
        QStringList names;
        for (const Page& page : m.pages)
            for (const TextElement& t : page.texts)
                if (t.band == u"worker" && t.item == headerItem) names << t.text;
        QCOMPARE(names, (QStringList{"Иванов И.И.", "Иванов И.И."}));
        QStringList sums;
        for (const Page& page : m.pages)
            for (const TextElement& t : page.texts)
                if (t.band == u"workerFooter" && t.item == u"sum(summa)") sums << t.text;
        QCOMPARE(sums, (QStringList{"30.00", "12.00"}));
        QCOMPARE(m.pages.back().text("total", "sum(summa)")->text, QStringLiteral("42.00"));
    }

    void namesakesKeepTheirOwnHoursInTheMonthlySummary() {
        const int first = db->addWorker(QStringLiteral("Иванов И.И."));
        const int second = db->addWorker(QStringLiteral("Иванов И.И."));
        for (int w : {first, second})
            db->exec(
                "insert into accounts_dep.h_tabel (w_id, smena, month, year, d1) values (:w, 1, 3, 2024, 8)",
                {{"w", w}});
        db->exec("insert into accounts_dep.h_tabel (w_id, smena, month, year, d2) values (:w, 2, 3, 2024, 4)",
                 {{"w", second}});
        RecordingViewer viewer;
        form15->printMonth(3, 2024, QStringLiteral("Март 2024"));
        const Page& page = viewer.models.front().pages[0];
        QCOMPARE(page.textsOf("detail").filter(QStringLiteral("Иванов")).size(), 2);
        const QString total = form15->QuickRep1.bands[1].items.back().expression;
        QCOMPARE(page.text("detail", "sd1", 0)->text, QStringLiteral("8"));
        QCOMPARE(page.text("detail", "sd1", 1)->text, QStringLiteral("8"));
        QCOMPARE(page.text("detail", total, 0)->text, QStringLiteral("8"));
        QCOMPARE(page.text("detail", total, 1)->text, QStringLiteral("12"));
    }

    // ---- Rendering and the preview ------------------------------------------------------

    void thePdfHoldsTheTitleAndTheTotals() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const int worker = db->addWorker(QStringLiteral("Иванов Иван Иванович"));
        db->addLine(worker, operation("Корпус КМ-1", "Корпуса", 1, "Сварка"), Day1, 1, 10, 0, 12.0, 8);
        QTemporaryDir dir;
        RecordingViewer viewer;
        viewer.whileShown = [&] {
            // Saved from the preview, and printed through its printer to a PDF printer.
            ReportPreview preview(viewer.models.front(), viewer.requests.front());
            QString suggested;
            preview.chooseFile = [&](QWidget*, const QString& path) {
                suggested = path;
                return dir.filePath("saved");
            };
            preview.saveAction()->trigger();
            QCOMPARE(QFileInfo(suggested).fileName(),
                     QStringLiteral("Отчет по рабочим с 01.03.2024 по 31.03.2024.pdf"));
            preview.printer()->setOutputFormat(QPrinter::PdfFormat);
            preview.printer()->setOutputFileName(dir.filePath("printed.pdf"));
            preview.view()->print();
        };
        form16->run(QStringLiteral("   Отчет по рабочим за период с "), QStringLiteral("Отчет по рабочим"),
                    Day1, Day2, 0);
        QVERIFY(shown->shown.isEmpty());
        for (const QString& file : {QStringLiteral("saved.pdf"), QStringLiteral("printed.pdf")}) {
            const QString text = pdfText(dir.filePath(file));
            QVERIFY2(text.contains(QStringLiteral("Отчет по рабочим за период с 01.03.2024 по 31.03.2024")),
                     qPrintable(text));
            QVERIFY2(text.contains(QStringLiteral("Иванов Иван Иванович")), qPrintable(text));
            QVERIFY2(text.contains(QRegularExpression(QStringLiteral("Итого:\\s+120,00\\s+100,00"))),
                     qPrintable(text));
        }
    }

    // In the fonts that print, with a rejects count and a money total as wide as a year's.
    void thePdfKeepsNeighbouringNumbersApart() {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        const int worker = db->addWorker(QStringLiteral("Иванов Иван Иванович"));
        const int op = operation("Корпус КМ-1", "Корпуса", 54.501234, "Сварка");
        for (int i = 0; i < 5; ++i)
            db->addLine(worker, op, Day1.addDays(i), 1, 30000, 345, 57213.16, 8);
        QTemporaryDir dir;
        RecordingViewer viewer;
        form21->run(QStringLiteral("   Отчет за период с "), QStringLiteral("Отчет"), Day1, Day2, 0);
        QVERIFY(writePdf(viewer.models.front(), dir.filePath("wide.pdf"), QStringLiteral("wide")));
        QLocale::setDefault(QLocale::c());
        const QString text = pdfText(dir.filePath("wide.pdf"));
        // Rejects 1725, mass 8 175 185,1, pieces 150000, amount 8 483 281 299,00 (no grouping).
        QVERIFY2(text.contains(QRegularExpression(
                     QStringLiteral("Итого:\\s+1725\\s+8175185,1\\s+150000\\s+8483281299,00"))),
                 qPrintable(text));
        QVERIFY2(
            text.contains(QRegularExpression(QStringLiteral("Готовая продукция\\s+1725\\s+8175185,1\\s"))),
            qPrintable(text));
    }

    void aPdfThatCannotBeWrittenIsReported() {
        const PageModel m = run(*form21);
        ReportPreview preview(m, {QStringLiteral("Отчет"), QStringLiteral("Отчет.pdf"), false});
        QVERIFY(!preview.savePdf(QStringLiteral("/nonexistent-folder/report.pdf")));
        QCOMPARE(shown->shown.size(), 1);
        QCOMPARE(shown->shown.first().caption, QStringLiteral("Ошибка"));
        QVERIFY(shown->shown.first().text.contains(u"/nonexistent-folder/report.pdf"));
    }

    void aLongReportIsShownOnItsFirstPageBeforeTheRestIsLaidOut() {
        const int worker = db->addWorker(QStringLiteral("Иванов И.И."));
        const int op = operation("Корпус КМ-1", "Корпуса", 1, "Сварка");
        for (int i = 0; i < 300; ++i)
            db->addLine(worker, op, Day1, 1, 1, 0, 1.0, 8, QStringLiteral("no"), i);
        RecordingViewer viewer;
        form21->run(QStringLiteral("   Отчет за период с "), QStringLiteral("Отчет"), Day1, Day2, 0);
        QCOMPARE(viewer.models.size(), std::size_t(1));
        QVERIFY(!viewer.shownDone.front());
        QVERIFY(viewer.shownPages.front() >= 1);
        QVERIFY(viewer.shownPages.front() < viewer.models.front().pageCount());
        // The pages it ends with are those of the report laid out at once.
        Query& query = form21->reportQuery();
        query.setParam(QStringLiteral("data1"), Day1);
        query.setParam(QStringLiteral("data2"), Day2);
        query.open();
        const PageModel whole = form21->prepare();
        query.close();
        const PageModel& shownModel = viewer.models.front();
        QCOMPARE(shownModel.pageCount(), whole.pageCount());
        for (int i = 0; i < whole.pageCount(); ++i) {
            QCOMPARE(shownModel.pages[i].bandNames(), whole.pages[i].bandNames());
            QCOMPARE(shownModel.pages[i].textsOf(), whole.pages[i].textsOf());
        }
    }

    void thePreviewOpensMaximizedAtItsZoom_data() {
        QTest::addColumn<bool>("wholePage");
        QTest::addColumn<int>("zoom");
        QTest::newRow("period report: page width") << false << int(QPrintPreviewWidget::FitToWidth);
        QTest::newRow("timesheet: whole page") << true << int(QPrintPreviewWidget::FitInView);
    }
    void thePreviewOpensMaximizedAtItsZoom() {
        QFETCH(bool, wholePage);
        QFETCH(int, zoom);
        const int worker = db->addWorker(QStringLiteral("Иванов И.И."));
        const int op = operation("Корпус КМ-1", "Корпуса", 1, "Сварка");
        for (int i = 0; i < 120; ++i)
            db->addLine(worker, op, Day1, 1, 1, 0, 1.0, 8, QStringLiteral("no"), i);
        const PageModel m = run(*form21);
        ReportPreview preview(m, {QStringLiteral("Детальный отчет"), QStringLiteral("a.pdf"), wholePage});
        preview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&preview));
        QVERIFY(preview.windowState() & Qt::WindowMaximized);
        QCOMPARE(int(preview.view()->zoomMode()), zoom);
        QCOMPARE(preview.view()->pageCount(), m.pageCount());
        QVERIFY(m.pageCount() >= 2);
        // It opens at the top of page 1, the title in view.
        auto* pages = preview.view()->findChild<QGraphicsView*>();
        QVERIFY(pages);
        QTRY_COMPARE(preview.view()->currentPage(), 1);
        QTRY_COMPARE(pages->verticalScrollBar()->value(), pages->verticalScrollBar()->minimum());
        preview.view()->setCurrentPage(2);
        QCOMPARE(preview.view()->currentPage(), 2);
        QCOMPARE(preview.windowTitle(), QStringLiteral("Детальный отчет"));
    }
};

QTEST_MAIN(TestReportLayouts)
#include "tst_reportlayouts.moc"
