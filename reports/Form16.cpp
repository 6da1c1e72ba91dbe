#include "reports/Form16.h"

using namespace report;
using namespace layout;

QString Form16::sql() {
    return QStringLiteral(
        "select person.s_caption fio, sum(smena.kol_vo-smena.brak)::numeric as kolvo, \n"
        "sum((kol_vo-brak)*smena.cena) as summa,vid_oper.vid,\n"
        "izdel.nom, oper.naimen, color from cmn_contractor.person "
        "person,accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper,\n"
        "accounts_dep.oper where w_id=s_code::integer and izdel.id=smena.i_id and vid_oper.id=oper.vid\n"
        "and oper.id=smena.o_id and smena.data<:data2 and smena.data>=:data1 \n"
        "group by fio, izdel.nom, oper.naimen, vid_oper.vid, color order by fio, izdel.nom");
}

Form16::Form16(QObject* parent) : PeriodReport(parent) {
    setObjectName(QStringLiteral("Form16"));
    onConnection(t_Report, sql());

    addTitle(4.2, 0.3, 10);
    addSpacer();
    Band& worker = addGroupHeader(QStringLiteral("worker"), QStringLiteral("fio"), 6.6);
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
