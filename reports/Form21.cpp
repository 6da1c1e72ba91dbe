#include "reports/Form21.h"
#include "reports/PeriodLines.h"

using namespace report;
using namespace layout;

QString Form21::sql() {
    return QStringLiteral("select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom,\n"
                          "sum(smena.kol_vo)::numeric as kolvo, sum(smena.brak)::bigint as brk, \n"
                          "sum(smena.summa) as summa, smena.color, "
                          "round((izdel.massa*sum(smena.kol_vo)::bigint)::numeric,2) as "
                          "mass\nfrom ") +
           PeriodLines::summed(QStringLiteral("i_id, o_id, color")) + PeriodLines::names() +
           QStringLiteral("group by izdel.nom, marka, vid_oper.vid, oper.naimen, smena.color, massa \n"
                          "order by izdel.nom, marka, vid_oper.vid, oper.naimen");
}

Form21::Form21(QObject* parent) : PeriodReport(parent) {
    setObjectName(QStringLiteral("Form21"));
    onConnection(i_Report, sql());

    addTitle(7.7, 0.0, 9);
    Band& title = QuickRep1.bands.back();
    title.add(label(QStringLiteral("Брак"), 124.4, 8.7, heading(10, true), Align::Centre, White));
    title.add(label(QStringLiteral("Коробки"), 134.9, 14.8, heading(10, true), Align::Centre, White));
    title.add(label(QStringLiteral("Кол-во"), 153.5, 11.9, heading(10, true), Align::Centre, White));
    title.add(label(QStringLiteral("Сумма"), 173.8, 11.4, heading(10, true), Align::Centre, White));
    addSpacer();
    addGroupHeader(QStringLiteral("product"), QStringLiteral("nom"), 5.3);

    Band& detail = QuickRep1.add(band(QStringLiteral("detail"), BandKind::Detail, 4.2));
    detail.add(value(QStringLiteral("marka"), 1.1, 52.1, Align::Left, body(9)));
    detail.add(value(QStringLiteral("vid"), 52.9, 27.8, Align::Left, body(9)));
    detail.add(value(QStringLiteral("color"), 81.2, 16.7, Align::Centre, body(9)));
    detail.add(value(QStringLiteral("IF(naimen=0,'Готовая продукция','Заготовки')"), 99.5, 27.0, Align::Left,
                     body(9)));
    detail.add(value(QStringLiteral("brk"), 125.4, 6.6, Align::Centre, body(9)));
    detail.add(value(QStringLiteral("mass"), 133.6, 18.8, Align::Centre, body(9)));
    detail.add(value(QStringLiteral("kolvo"), 152.1, 16.7, Align::Centre, body(9)));
    detail.add(value(QStringLiteral("summa"), 169.9, 19.1, Align::Centre, body(9), QStringLiteral("#0.000")));

    Band& productFooter =
        QuickRep1.add(band(QStringLiteral("productFooter"), BandKind::GroupFooter, 5.3, {}, 0));
    productFooter.add(sum(QStringLiteral("sum(brk)"), 124.4, 8.7, 9));
    productFooter.add(sum(QStringLiteral("sum(mass)"), 132.8, 18.8, 9, QStringLiteral("#0.00")));
    productFooter.add(sum(QStringLiteral("sum(kolvo)"), 152.1, 16.7, 9));
    productFooter.add(sum(QStringLiteral("sum(summa)"), 169.9, 20.1, 9, QStringLiteral("#0.00")));

    Band& total = addReportFooter(6.6, 99.7);
    total.add(sum(QStringLiteral("sum(brk)"), 124.4, 8.5, 11));
    total.add(sum(QStringLiteral("sum(mass)"), 132.8, 18.8, 11));
    total.add(sum(QStringLiteral("sum(kolvo)"), 152.1, 16.7, 11));
    total.add(sum(QStringLiteral("sum(summa)"), 169.9, 19.1, 11, QStringLiteral("#0.00")));
    addPageFooter();
    finish();
}
