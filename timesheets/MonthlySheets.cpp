#include "timesheets/MonthlySheets.h"

#include "db/Changes.h"
#include "db/Query.h"
#include "timesheets/TimesheetMonth.h"

#include <QDate>
#include <QSqlQuery>

namespace {
QString dayColumns() {
    QString days;
    for (int d = 1; d <= 31; ++d)
        days += QStringLiteral(
                    "%1case when sum(coalesce(h.d%2,0)) =0 then null else  sum(coalesce(h.d%2,0)) end d%2")
                    .arg(d > 1 ? QStringLiteral(", ") : QString())
                    .arg(d);
    return days;
}

QString householdSql(int kind) {
    return QStringLiteral(
               "select p.s_caption fio, p.id,h.i_type, case when h.i_night=0 then 'дн.' else 'ноч.' end as "
               "s_night, "
               "h.i_night, "
               "(select sum(f.cnt) from accounts_dep.fatigue f where f.d_date<:d_date1 and "
               "f.d_date>=:d_date2 and "
               "f.id_p=p.id and f.id_o=%1 and f.i_night=h.i_night) i_time, "
               "(select sum(f.cnt*f.price)::numeric(10,2) from accounts_dep.fatigue f where "
               "f.d_date<:d_date3 and "
               "f.d_date>=:d_date4 and f.id_p=p.id and f.id_o=%1 and f.i_night=h.i_night) f_price, "
               "(select case when coalesce(sum(f.cnt),0)::numeric(10,2)=0 then 0 else "
               "coalesce(sum((f.cnt*f.price))/sum(f.cnt),0)::numeric(10,2) end "
               "from accounts_dep.fatigue f where f.d_date<:d_date5 and f.d_date>=:d_date6 and f.id_p=p.id "
               "and "
               "f.id_o=%1 and f.i_night=h.i_night) average_price, %2 "
               "from  cmn_contractor.person p, accounts_dep.h_tabel h "
               "where h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=%1 "
               "group by p.id, p.s_caption, h.i_type, h.i_night "
               "order by fio")
        .arg(kind)
        .arg(dayColumns());
}

QString scalarText(QSqlDatabase db, const QString& sql, const QMap<QString, QVariant>& params) {
    QSqlQuery q(db);
    execBound(q, sql, params);
    return q.next() && !q.value(0).isNull() ? q.value(0).toString() : QString();
}
} // namespace

namespace MonthlySheets {

QString caption(int mode) {
    switch (mode) {
    case HouseholdWorks:
        return QStringLiteral("Табель хоз. работы (27)");
    case AveragePieceRate:
        return QStringLiteral("Табель ср. сдельная (27)");
    case General:
        return QStringLiteral("Общий табель (27)");
    default:
        return QStringLiteral("Табель сделка (27)");
    }
}

QString queryName(int mode) {
    switch (mode) {
    case HouseholdWorks:
        return QStringLiteral("H_Tabel7777");
    case AveragePieceRate:
        return QStringLiteral("H_Tabel7778");
    case General:
        return QStringLiteral("H_Tabel_all");
    default:
        return QStringLiteral("H_Tabel0");
    }
}

QString sql(int mode) {
    switch (mode) {
    case HouseholdWorks:
        return householdSql(7777);
    case AveragePieceRate:
        return householdSql(7778);
    case General:
        return QStringLiteral(
                   "select p.s_caption fio, p.id, "
                   "coalesce((select sum(s.time) from accounts_dep.smena s where s.data<:d_date1 and "
                   "s.data>=:d_date2 and s.w_id=p.id),0)+"
                   "coalesce((select sum(f.cnt) from accounts_dep.fatigue f where f.d_date<:d_date7 and "
                   "f.d_date>=:d_date8 and f.id_p=p.id),0) i_time, "
                   "coalesce((select sum((s.kol_vo-s.brak)*s.cena)::numeric(10,2)from accounts_dep.smena s "
                   "where "
                   "s.data<:d_date3 and s.data>=:d_date4 and s.w_id=p.id),0)+ "
                   "coalesce((select sum(f.cnt*f.price)::numeric(10,2)from accounts_dep.fatigue f where "
                   "f.d_date<:d_date5 and f.d_date>=:d_date6 and f.id_p=p.id),0) f_price, %1 "
                   "from  cmn_contractor.person p, accounts_dep.h_tabel h "
                   "where h.year=:i_year and h.month=:i_month and h.w_id=p.id "
                   "group by p.id, p.s_caption "
                   "order by fio")
            .arg(dayColumns());
    default:
        return QStringLiteral(
                   "select p.s_caption fio, p.id,h.i_type, "
                   "(select sum(s.time) from accounts_dep.smena s where s.data<:d_date1 and s.data>=:d_date2 "
                   "and "
                   "s.w_id=p.id) i_time, "
                   "(select sum((s.kol_vo-s.brak)*s.cena)::numeric(10,2)from accounts_dep.smena s where "
                   "s.data<:d_date3 and s.data>=:d_date4 and s.w_id=p.id) f_price, "
                   "(select case when coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 else "
                   "coalesce(sum((s.kol_vo-s.brak)*s.cena)/sum(time),0)::numeric(10,2) end from "
                   "accounts_dep.smena s "
                   "where s.data<:d_date5 and s.data>=:d_date6 and s.w_id=p.id) average_price, %1 "
                   "from  cmn_contractor.person p, accounts_dep.h_tabel h "
                   "where h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=0 "
                   "group by p.id, p.s_caption, h.i_type "
                   "order by fio")
            .arg(dayColumns());
    }
}

int nameBaseWidth(int mode) {
    return mode == Piecework ? 238 : mode == General ? 304 : 208;
}
bool showsNight(int mode) {
    return mode == HouseholdWorks || mode == AveragePieceRate;
}
bool showsHourPrice(int mode) {
    return mode != General;
}
int nameWidth(int mode, int daysInMonth) {
    return nameBaseWidth(mode) + 20 * (31 - daysInMonth);
}

void openMonthQuery(QSqlDatabase db, Query& query) {
    QSqlQuery set(db);
    execBound(set, QStringLiteral("select set_config('jit', 'off', false)"), {});
    struct Reset {
        QSqlDatabase db;
        ~Reset() {
            // A failure here (a lost connection) leaves a fresh session, which has the default.
            QSqlQuery reset(db);
            reset.exec(QStringLiteral("reset jit"));
        }
    } reset{db};
    query.open();
}

Totals totals(QSqlDatabase db, int month, int year) {
    const auto p = TimesheetMonth::monthParams(month, year);
    Totals t;
    const QString household = QStringLiteral("select sum(f.cnt*f.price)::numeric(100,2) as price from "
                                             "accounts_dep.fatigue f where f.d_date<:date2 and "
                                             "f.d_date>=:date1 and f.cnt>0 and f.price>0 and f.id_o=%1");
    t.averagePieceRate = scalarText(db, household.arg(7778), p);
    t.householdWorks = scalarText(db, household.arg(7777), p);
    t.piecework =
        scalarText(db,
                   QStringLiteral("select sum((s.kol_vo-s.brak)*s.cena)::numeric(100,2) as price from "
                                  "accounts_dep.smena s where s.data<:date2 and s.data>=:date1 and "
                                  "s.cena>0 and s.kol_vo>0"),
                   p);
    t.all = scalarText(
        db,
        QStringLiteral("select (coalesce((select sum((s.kol_vo-s.brak)*s.cena) from accounts_dep.smena s "
                       "where s.data<:date2 and s.data>=:date1 and s.cena>0 and s.kol_vo>0),0)+"
                       "coalesce((select sum(f.cnt*f.price) from accounts_dep.fatigue f where "
                       "f.d_date<:date2 and f.d_date>=:date1 and f.cnt>0 and f.price>0),0))"
                       "::numeric(20,2) as price"),
        p);
    return t;
}

void rebuildHousehold(QSqlDatabase db, int month, int year, const std::function<void(int, int)>& progress) {
    // Household saves take the month shared (Household::save) and wait.
    TimesheetMonth::replaceMonthRows(
        db, month, year, QStringLiteral("smena=0 and month=:m and year=:y"),
        QStringLiteral("insert into accounts_dep.h_tabel(i_type, w_id, i_night, month, year%1) "
                       "select id_o, id_p, i_night, :m, :y%2 from accounts_dep.fatigue "
                       "where d_date>=:date1 and d_date<:date2 group by id_o, id_p, i_night"),
        QStringLiteral("sum(cnt) filter (where d_date=:date1::date+%1)"), progress);
}

void rebuildHouseholdDayByDay(QSqlDatabase db, int month, int year) {
    const int days = QDate(year, month, 1).daysInMonth();
    Changes::note(db, Changes::timesheet(year, month, 0));
    QSqlQuery q(db);
    execBound(q, QStringLiteral("delete from accounts_dep.h_tabel where smena=0 and month=:m and year=:y"),
              {{QStringLiteral("m"), month}, {QStringLiteral("y"), year}});
    for (int i = 1; i <= days; ++i) {
        QSqlQuery dt(db);
        execBound(
            dt,
            QStringLiteral("select f.id_p, f.id_o, f.i_night, sum(f.cnt) as tim from accounts_dep.fatigue f "
                           "where f.d_date =:data group by f.id_p, f.id_o, f.i_night order by id_p"),
            {{QStringLiteral("data"), QDate(year, month, i)}});
        while (dt.next()) {
            const QMap<QString, QVariant> key{
                {QStringLiteral("p"), dt.value(0)}, {QStringLiteral("o"), dt.value(1)},
                {QStringLiteral("n"), dt.value(2)}, {QStringLiteral("t"), dt.value(3)},
                {QStringLiteral("m"), month},       {QStringLiteral("y"), year}};
            QSqlQuery control(db);
            execBound(control,
                      QStringLiteral(
                          "select count(w_id) as cnt from accounts_dep.h_tabel h_tabel where w_id=:p and "
                          "i_type=:o and i_night=:n and month=:m and year=:y"),
                      key);
            const qlonglong cnt = control.next() ? control.value(0).toLongLong() : 0;
            QSqlQuery write(db);
            if (cnt != 0)
                execBound(
                    write,
                    QStringLiteral("update accounts_dep.h_tabel set d%1=:t where w_id=:p and i_type=:o and "
                                   "i_night=:n and month=:m and year=:y")
                        .arg(i),
                    key);
            else
                execBound(write,
                          QStringLiteral(
                              "insert into accounts_dep.h_tabel(i_type, w_id, i_night, month, year, d%1) "
                              "values(:o, :p, :n, :m, :y, :t)")
                              .arg(i),
                          key);
        }
    }
}

} // namespace MonthlySheets
