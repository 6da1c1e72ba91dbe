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

QString person() {
    // One person per number, the first made; joined by hash rather than looked up per row.
    return QStringLiteral(
        "left join (select distinct on (p.s_code::integer) p.s_code::integer as code, p.s_caption "
        "from cmn_contractor.person p where p.s_code is not null order by p.s_code::integer, p.id) person "
        "on person.code=smena.w_id\n");
}

QString workerName() {
    return QStringLiteral("coalesce(person.s_caption, smena.w_id::text, '')");
}

} // namespace PeriodLines
