#include "reports/Form16.h"
#include "reports/PeriodLines.h"

using namespace report;
using namespace layout;

// Grouped by the worker's number, so namesakes stay two workers; the name is what prints.
QString Form16::sql() {
    using namespace PeriodLines;
    return workerRanks(QStringLiteral("nom"), QStringLiteral("naimen, vid")) +
           QStringLiteral("select coalesce(min(w.fio), '') as fio, s.w_id, sum(") + goodPieces() +
           QStringLiteral(")::numeric as kolvo, ") + amount() +
           QStringLiteral(" as summa, min(o.vid) as vid, min(i.nom) as nom, min(o.naimen) as naimen, s.color\n") +
           workerFrom() + QStringLiteral("group by ") + workerRank() + QStringLiteral(", s.w_id, ") + productRank() +
           QStringLiteral(", ") + operationRank() + QStringLiteral(", s.color\norder by ") + workerRank() +
           QStringLiteral(", s.w_id, ") + productRank();
}

Form16::Form16(QObject* parent) : PeriodReport(parent) {
    setObjectName(QStringLiteral("Form16"));
    onConnection(t_Report, sql());

    addTitle(4.2, 0.3, 10);
    addSpacer();
    Band& worker =
        addGroupHeader(QStringLiteral("worker"), QStringLiteral("w_id"), 6.6, QStringLiteral("fio"));
    worker.add(label(QStringLiteral("Сумма без Р/К"), 163.2, 25.1, heading(10, true)));

    QuickRep1.groups.push_back({QStringLiteral("nom")});
    Band& product = QuickRep1.add(band(QStringLiteral("product"), BandKind::GroupHeader, 5.3, {}, 1));
    product.add(value(QStringLiteral("nom"), 0.3, 100, Align::Left, heading(10, true))).autoGrow = true;

    Band& detail = QuickRep1.add(band(QStringLiteral("detail"), BandKind::Detail, 4.2));
    detail.add(value(QStringLiteral("IF(naimen=0,'Готовая продукция','Заготовки')"), 0.3, 42.6, Align::Left,
                     body(9)));
    detail.add(value(QStringLiteral("vid"), 44.5, 38.6, Align::Centre, body(9)));
    detail.add(value(QStringLiteral("if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')"), 84.7,
                     28.0, Align::Left, body(9)));
    detail.add(value(QStringLiteral("kolvo"), 117.5, 19.3, Align::Centre, body(9)));
    detail.add(value(QStringLiteral("summa"), 138.1, 23.5, Align::Centre, body(9), QStringLiteral("#0.000")));

    Band& productFooter =
        QuickRep1.add(band(QStringLiteral("productFooter"), BandKind::GroupFooter, 5.3, {}, 1));
    productFooter.add(sum(QStringLiteral("sum(kolvo)"), 117.5, 19.3, 9));
    productFooter.add(sum(QStringLiteral("sum(summa)"), 137.8, 23.8, 9, QStringLiteral("#0.000")));
    productFooter.add(sum(QStringLiteral("sum(summa/1.2)"), 163.2, 23.8, 9, QStringLiteral("#0.000")));

    Band& workerFooter =
        QuickRep1.add(band(QStringLiteral("workerFooter"), BandKind::GroupFooter, 6.1, {}, 0));
    workerFooter.frame.bottom = true;
    workerFooter.add(sum(QStringLiteral("sum(summa)"), 137.8, 23.8, 9, QStringLiteral("#0.00")));
    workerFooter.add(sum(QStringLiteral("sum(summa/1.2)"), 163.2, 23.8, 9, QStringLiteral("#0.00")));

    Band& total = addReportFooter(5.8, 114.8);
    total.add(sum(QStringLiteral("sum(summa)"), 129.4, 28.0, 11, QStringLiteral("#0.00")));
    total.add(sum(QStringLiteral("sum(summa/1.2)"), 159.0, 28.0, 11, QStringLiteral("#0.00")));
    addPageFooter();
    finish();
}
