#include "reports/Form20.h"
#include "reports/PeriodLines.h"

using namespace report;
using namespace layout;

// Grouped by the worker's number, so namesakes stay two workers; the name is what prints.
QString Form20::sql() {
    using namespace PeriodLines;
    return workerRanks(QStringLiteral("marka"), QStringLiteral("vid, naimen"), true) +
           QStringLiteral("select coalesce(min(w.fio), '') as fio, s.w_id, min(i.marka) as marka, min(o.vid) as vid, "
                          "min(o.naimen) as naimen,\nsum(coalesce(s.kol_vo,0))::numeric as kolvo, "
                          "sum(coalesce(s.brak,0))::bigint as brk, ") +
           amount() + QStringLiteral(" as summa, s.color, sum(s.s_prize) as s_prize\n") + workerFrom() +
           QStringLiteral("group by ") + workerRank() + QStringLiteral(", s.w_id, ") + productRank() +
           QStringLiteral(", ") + operationRank() + QStringLiteral(", s.color\norder by ") + workerRank() +
           QStringLiteral(", s.w_id, ") + productRank() + QStringLiteral(", ") + operationRank();
}

Form20::Form20(QObject* parent) : PeriodReport(parent) {
    setObjectName(QStringLiteral("Form20"));
    onConnection(w_Report, sql());

    addTitle(7.7, 0.0, 10);
    Band& title = QuickRep1.bands.back();
    title.add(label(QStringLiteral("Брак"), 124.1, 7.7, heading(9, true), Align::Centre, White));
    title.add(label(QStringLiteral("Количество"), 133.3, 18.5, heading(9, true), Align::Centre, White));
    title.add(label(QStringLiteral("Сумма"), 157.4, 10.1, heading(9, true), Align::Centre, White));
    addSpacer();
    addGroupHeader(QStringLiteral("worker"), QStringLiteral("w_id"), 5.3, QStringLiteral("fio"));

    Band& detail = QuickRep1.add(band(QStringLiteral("detail"), BandKind::Detail, 4.2));
    detail.add(value(QStringLiteral("marka"), 0.3, 41.0, Align::Left, body(8)));
    detail.add(value(QStringLiteral("vid"), 42.9, 29.1, Align::Centre, body(8)));
    detail.add(value(QStringLiteral("color"), 73.6, 16.1, Align::Centre, body(8)));
    detail.add(value(QStringLiteral("IF(naimen=0,'Готовая продукция','Заготовки')"), 91.3, 29.9, Align::Left,
                     body(8)));
    detail.add(value(QStringLiteral("brk"), 128.1, 9.0, Align::Centre, body(8)));
    detail.add(value(QStringLiteral("kolvo"), 146.3, 17.5, Align::Centre, body(8)));
    detail.add(value(QStringLiteral("summa"), 169.9, 19.6, Align::Centre, body(8), QStringLiteral("#0.00")));

    Band& workerFooter =
        QuickRep1.add(band(QStringLiteral("workerFooter"), BandKind::GroupFooter, 6.3, {}, 0));
    workerFooter.add(sum(QStringLiteral("sum(brk)"), 128.3, 9.0, 9));
    workerFooter.add(sum(QStringLiteral("sum(kolvo)"), 145.5, 19.3, 9));
    workerFooter.add(sum(QStringLiteral("sum(summa)"), 169.9, 19.6, 9, QStringLiteral("#0.00")));

    Band& total = addReportFooter(5.8, 106.1);
    total.add(sum(QStringLiteral("sum(brk)"), 132.0, 11.4, 11));
    total.add(sum(QStringLiteral("sum(kolvo)"), 145.0, 19.3, 11));
    total.add(sum(QStringLiteral("sum(summa)"), 165.9, 23.5, 11, QStringLiteral("#0.00")));
    addPageFooter();
    finish();
}
