#include "reports/PeriodLines.h"

namespace PeriodLines {

QString summed(const QString& keys, bool withPrize) {
    // Summed per key and price: the price's decimal form is then taken once per price, not
    // once per line, which would be most of the statement's time.
    QString sql =
        QStringLiteral(
            "(select %1, sum(coalesce(kol_vo,0))::bigint as kol_vo, sum(coalesce(brak,0))::bigint as brak, "
            "(sum(coalesce(kol_vo,0))-sum(coalesce(brak,0)))*cena::numeric as summa")
            .arg(keys);
    if (withPrize)
        sql += QStringLiteral(", sum(prize*(coalesce(kol_vo,0)-coalesce(brak,0))*cena/100) as s_prize");
    sql += QStringLiteral(
               "\nfrom accounts_dep.smena where smena.data<:data2 and smena.data>=:data1 group by %1, cena) "
               "smena\n")
               .arg(keys);
    return sql;
}

QString names() {
    return QStringLiteral("left join accounts_dep.izdel on izdel.id=smena.i_id\n"
                          "left join accounts_dep.oper on oper.id=smena.o_id\n"
                          "left join accounts_dep.vid_oper on vid_oper.id=oper.vid\n");
}

QString workerRanks(const QString& productName, const QString& operationOrder, bool withPrize) {
    QString sql = QStringLiteral(
        "with s as materialized (select w_id, i_id, o_id, color, cena, sum(kol_vo) as kol_vo, sum(brak) as brak");
    if (withPrize)
        sql += QStringLiteral(", sum(prize*(coalesce(kol_vo,0)-coalesce(brak,0))*cena/100) as s_prize");
    sql += QStringLiteral(
               "\n  from accounts_dep.smena where smena.data<:data2 and smena.data>=:data1 "
               "group by w_id, i_id, o_id, color, cena),\n"
               "pr as materialized (select cena, cena::numeric as n from (select distinct cena from s) d),\n"
               // A worker's person is the first made with his number; looked up for the period's
               // few hundred workers only.
               "w as materialized (select d.w_id, coalesce(person.s_caption, d.w_id::text, '') as fio, "
               "dense_rank() over (order by coalesce(person.s_caption, d.w_id::text, '')) as r\n"
               "  from (select distinct w_id from s) d left join lateral (select p.s_caption from "
               "cmn_contractor.person p where p.s_code::integer=d.w_id order by p.id limit 1) person on true),\n"
               // The row of nulls ranks the lines whose product or operation does not exist.
               "i as materialized (select id, %1, dense_rank() over (order by %1) as r from (select "
               "id::integer as id, %1 from accounts_dep.izdel where id between -2147483648 and 2147483647 "
               "union all select null, null) x),\n"
               "o as materialized (select id, naimen, vid, dense_rank() over (order by %2) as r from (select "
               "oper.id, oper.naimen, vid_oper.vid from accounts_dep.oper left join accounts_dep.vid_oper on "
               "vid_oper.id=oper.vid union all select null, null, null) x)\n")
               .arg(productName, operationOrder);
    return sql;
}

QString workerFrom() {
    return QStringLiteral("from s left join pr on pr.cena=s.cena left join w on w.w_id=s.w_id "
                          "left join i on i.id=s.i_id left join o on o.id=s.o_id\n");
}

QString workerRank() {
    return QStringLiteral("coalesce(w.r, (select r from w where w_id is null))");
}

QString productRank() {
    return QStringLiteral("coalesce(i.r, (select r from i where id is null))");
}

QString operationRank() {
    return QStringLiteral("coalesce(o.r, (select r from o where id is null))");
}

QString goodPieces() {
    return QStringLiteral("(coalesce(s.kol_vo,0)-coalesce(s.brak,0))");
}

QString amount() {
    return QStringLiteral("sum(") + goodPieces() + QStringLiteral("*pr.n)");
}

} // namespace PeriodLines
