// The printed reports on the benchmark database, over the twelve months before the current one:
// each period report from opening its query to a finished PDF file, and the preview of the
// detailed report by products from its prepared pages to the first page on screen. The month
// before the current one is printed as the monthly hours summary too.
//   bench_report SOCKET_FOLDER [DATABASE] [PDF_FOLDER]
// With PDF_FOLDER the last PDF of each report is kept there.
#include "bench/BenchSupport.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "reportengine/ReportPainter.h"
#include "reportengine/ReportPreview.h"
#include "reports/Form15.h"
#include "reports/Form16.h"
#include "reports/Form17.h"
#include "reports/Form20.h"
#include "reports/Form21.h"
#include "reports/SummaryReports.h"

#include <algorithm>
#include <cstdio>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGraphicsView>
#include <QPrintPreviewWidget>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace {
double ms(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e6;
}

struct Timing {
    QVector<double> query, layout, pdf, total;
    int rows = 0;
    int pages = 0;
};

// Opens the report's query for the period, lays it out and writes the PDF, timing each step.
Timing runPdf(ReportForm& form, const std::function<void()>& open, const QString& path, int runs) {
    Timing t;
    for (int i = 0; i < runs; ++i) {
        form.reportQuery().close();
        QElapsedTimer all;
        all.start();
        QElapsedTimer step;
        step.start();
        open();
        t.query << ms(step);
        step.restart();
        const report::PageModel model = form.prepare();
        t.layout << ms(step);
        step.restart();
        QString error;
        if (!report::writePdf(model, path, QStringLiteral("bench"), &error))
            std::fprintf(stderr, "PDF failed: %s\n", qPrintable(error));
        t.pdf << ms(step);
        t.total << ms(all);
        t.rows = form.reportQuery().recordCount();
        t.pages = model.pageCount();
        form.reportQuery().close();
    }
    return t;
}

void print(const char* name, const Timing& t) {
    std::printf("%-44s %6d rows %4d pages  query %7.1f  layout %6.1f  PDF %7.1f  total %7.1f ms (median)\n",
                name, t.rows, t.pages, median(t.query), median(t.layout), median(t.pdf), median(t.total));
}

// Milliseconds from the preview being asked for (pages prepared) to its first page painted.
class FirstPaint : public QObject {
public:
    bool painted = false;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted = true;
        return false;
    }
};

// The preview window as the program opens it, closed as soon as it has painted its first page;
// `clock` runs from the report being asked for with its rows already read.
class FirstPageViewer final : public ReportViewer {
public:
    QElapsedTimer clock;
    QVector<double> firstPage;
    int pagesThen = 0;
    void preview(report::Layout& layout, const PreviewRequest& request) override {
        ReportPreview preview(layout, request);
        FirstPaint watch;
        auto* view = preview.view()->findChild<QGraphicsView*>();
        view->viewport()->installEventFilter(&watch);
        preview.show();
        while (!watch.painted && clock.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        firstPage << ms(clock);
        pagesThen = layout.model().pageCount();
        preview.close();
    }
};

double previewFirstPage(const report::PageModel& model) {
    QElapsedTimer t;
    t.start();
    ReportPreview preview(model, {QStringLiteral("bench"), QStringLiteral("bench.pdf"), false});
    FirstPaint watch;
    auto* view = preview.view()->findChild<QGraphicsView*>();
    view->viewport()->installEventFilter(&watch);
    preview.show();
    while (!watch.painted && t.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double elapsed = ms(t);
    preview.close();
    return elapsed;
}
} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    DataModule6 dm;
    if (const int status = connectBench(dm, args, "bench_report SOCKET_FOLDER [DATABASE] [PDF_FOLDER]"))
        return status;
    QTemporaryDir scratch;
    const QString keep = args.value(3);
    auto pdfPath = [&](const QString& name) {
        return keep.isEmpty() ? scratch.filePath(name) : QDir(keep).filePath(name);
    };

    const QDate thisMonth(QDate::currentDate().year(), QDate::currentDate().month(), 1);
    const QDate data1 = thisMonth.addYears(-1), data2 = thisMonth;
    std::printf("Period %s .. %s (excluded)\n", qPrintable(data1.toString("dd.MM.yyyy")),
                qPrintable(data2.toString("dd.MM.yyyy")));

    try {
        Form16 form16;
        Form17 form17;
        Form20 form20;
        Form21 form21;
        Form15 form15;
        auto period = [&](PeriodReport& form, const QString& piece) {
            return [&form, piece, data1, data2] {
                Query& q = form.reportQuery();
                q.setParam(QStringLiteral("data1"), data1);
                q.setParam(QStringLiteral("data2"), data2);
                q.open();
                form.QRLabel1->text = PeriodReport::title(piece, data1, data2);
            };
        };
        const Timing t21 =
            runPdf(form21, period(form21, QStringLiteral("   Детальный отчет по продукции за период с ")),
                   pdfPath("form21.pdf"), 7);
        print("Detailed report by products (Form21)", t21);
        print("Detailed report by workers (Form20)",
              runPdf(form20, period(form20, QStringLiteral("   Детальный отчет по рабочим за период с ")),
                     pdfPath("form20.pdf"), 3));
        print("Report by workers (Form16)",
              runPdf(form16, period(form16, QStringLiteral("   Отчет по рабочим за период с ")),
                     pdfPath("form16.pdf"), 3));
        print("Report by products (Form17)",
              runPdf(form17, period(form17, QStringLiteral("   Отчет по продукции за период с ")),
                     pdfPath("form17.pdf"), 3));
        const QDate month = thisMonth.addMonths(-1);
        print("Monthly hours summary (Form15), one month",
              runPdf(
                  form15,
                  [&] {
                      form15.openMonth(month.month(), month.year());
                      form15.QRLabel33->text = month.toString(QStringLiteral("MM.yyyy"));
                  },
                  pdfPath("form15.pdf"), 3));

        // Each period statement beside its floor: the server's time for one plain aggregate of
        // the period's journal lines (the amount summed by the report's finest key), both run
        // and read to their last row the same way, side by side.
        {
            auto timeOnce = [&](const QString& sql) {
                QSqlQuery q(dm.ADO_DB());
                q.setForwardOnly(true);
                QElapsedTimer t;
                t.start();
                execBound(q, sql, {{QStringLiteral("data1"), data1}, {QStringLiteral("data2"), data2}});
                while (q.next()) {
                }
                return ms(t);
            };
            auto floorOf = [](const QString& keys) {
                return QStringLiteral("select %1, sum((kol_vo-brak)*cena) from accounts_dep.smena "
                                      "where data<:data2 and data>=:data1 group by %1")
                    .arg(keys);
            };
            const QString byWorker = QStringLiteral("w_id, i_id, o_id, color");
            const QString byProduct = QStringLiteral("i_id, o_id, color");
            struct Statement {
                const char* name;
                QString sql, keys;
            } statements[] = {{"Report by workers (Form16)", Form16::sql(), byWorker},
                              {"Report by products (Form17)", Form17::sql(), byProduct},
                              {"Detailed report by workers (Form20)", Form20::sql(), byWorker},
                              {"Detailed report by products (Form21)", Form21::sql(), byProduct},
                              {"Product summary workbook (XLS_Rep)", SummaryReports::xlsRepSql(), byProduct}};
            // The two alternate, so a slower spell of this shared machine falls on both alike.
            for (const Statement& st : statements) {
                timeOnce(st.sql); // warm the cache
                timeOnce(floorOf(st.keys));
                QVector<double> statementTimes, floorTimes;
                for (int i = 0; i < 7; ++i) {
                    statementTimes << timeOnce(st.sql);
                    floorTimes << timeOnce(floorOf(st.keys));
                }
                const double statement = median(statementTimes), floor = median(floorTimes);
                std::printf("%-44s statement %7.1f ms, floor %7.1f ms: %.2fx (target at most 2x)\n", st.name,
                            statement, floor, statement / floor);
            }
        }

        // The preview of the detailed report by products.
        period(form21, QStringLiteral("   Детальный отчет по продукции за период с "))();
        const report::PageModel model = form21.prepare();
        form21.reportQuery().close();
        QVector<double> first;
        for (int i = 0; i < 5; ++i)
            first << previewFirstPage(model);
        std::printf("Preview of Form21 (%d pages): first page on screen after %.1f ms (median of %d), "
                    "%.1f ms from opening the query\n",
                    model.pageCount(), median(first), int(first.size()),
                    median(t21.query) + median(t21.layout) + median(first));

        // The detailed report by workers: from its rows having arrived to its first page on
        // screen, through the program's own preview (the rest is laid out while it is shown).
        {
            FirstPageViewer viewer;
            ReportViewer* previous = setReportViewer(&viewer);
            QVector<double> open;
            for (int i = 0; i < 5; ++i) {
                form20.reportQuery().close();
                QElapsedTimer t;
                t.start();
                period(form20, QStringLiteral("   Детальный отчет по рабочим за период с "))();
                open << ms(t);
                viewer.clock.start();
                form20.preview({QStringLiteral("bench"), QStringLiteral("bench.pdf"), false});
            }
            setReportViewer(previous);
            std::printf("Preview of Form20 (%d rows): first page on screen %.1f ms after the rows arrived "
                        "(median of %d; %d pages laid out by then; the query %.1f ms before)\n",
                        form20.reportQuery().recordCount(), median(viewer.firstPage),
                        int(viewer.firstPage.size()), viewer.pagesThen, median(open));
            form20.reportQuery().close();
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
        return 1;
    }
    dm.ADO_DB().close();
    unregisterInstance<DataModule6>();
    return 0;
}
