#include "reports/Form17.h"
#include "reports/PeriodLines.h"

using namespace report;
using namespace layout;

QString Form17::sql() {
    return QStringLiteral(
               "select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid,\n"
               "izdel.nom, oper.naimen, smena.color, "
               "round((izdel.massa*sum(smena.kol_vo-smena.brak)::bigint)::numeric,2) as mass\nfrom ") +
           PeriodLines::summed(QStringLiteral("i_id, o_id, color")) + PeriodLines::names() +
           QStringLiteral("group by izdel.nom, smena.color, oper.naimen, vid_oper.vid, izdel.massa order by "
                          "izdel.nom");
}

Form17::Form17(QObject* parent) : PeriodReport(parent) {
    setObjectName(QStringLiteral("Form17"));
    onConnection(t_Report, sql());

    addTitle(7.7, 0.0, 10);
    Band& title = QuickRep1.bands.back();
    title.add(label(QStringLiteral("Коробки"), 136.3, 14.8, heading(10, true), Align::Centre, White));
    title.add(label(QStringLiteral("Количество"), 165.1, 20.6, heading(10, true), Align::Centre, White));
    addSpacer();
    addGroupHeader(QStringLiteral("product"), QStringLiteral("nom"), 5.3);

    Band& detail = QuickRep1.add(band(QStringLiteral("detail"), BandKind::Detail, 4.2));
    detail.add(value(QStringLiteral("IF(naimen=0,'Готовая продукция','Заготовки')"), 13.2, 40.0, Align::Left,
                     body(9)));
    detail.add(value(QStringLiteral("vid"), 54.8, 36.2, Align::Centre, body(9)));
    detail.add(value(QStringLiteral("if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')"), 92.6,
                     39.4, Align::Left, body(9)));
    detail.add(value(QStringLiteral("mass"), 133.6, 19.3, Align::Centre, body(9)));
    detail.add(value(QStringLiteral("kolvo"), 163.0, 23.5, Align::Centre, body(9)));

    Band& productFooter =
        QuickRep1.add(band(QStringLiteral("productFooter"), BandKind::GroupFooter, 5.3, {}, 0));
    productFooter.add(sum(QStringLiteral("sum(mass)"), 133.6, 19.3, 9));
    productFooter.add(sum(QStringLiteral("sum(kolvo)"), 163.0, 23.8, 9));

    Band& total = addReportFooter(5.8, 106.4);
    total.add(sum(QStringLiteral("sum(mass)"), 131.2, 23.5, 11, QStringLiteral("#0")));
    total.add(sum(QStringLiteral("sum(kolvo)"), 160.9, 28.0, 11));
    addPageFooter();
    finish();
}
