#include "timesheets/TimesheetMonth.h"

#include "db/Query.h"
#include "db/Transaction.h"
#include "spreadsheet/ExcelExport.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {
QString monthKey(int month, int year) {
    return QStringLiteral("%1-%2").arg(year).arg(month);
}
} // namespace

namespace TimesheetMonth {

QMap<QString, QVariant> monthParams(int month, int year) {
    const QDate first(year, month, 1);
    return {{QStringLiteral("m"), month},
            {QStringLiteral("y"), year},
            {QStringLiteral("date1"), first},
            {QStringLiteral("date2"), first.addMonths(1)}};
}

const QStringList& monthNames() {
    static const QStringList names{
        QStringLiteral("Январь"),  QStringLiteral("Февраль"), QStringLiteral("Март"),
        QStringLiteral("Апрель"),  QStringLiteral("Май"),     QStringLiteral("Июнь"),
        QStringLiteral("Июль"),    QStringLiteral("Август"),  QStringLiteral("Сентябрь"),
        QStringLiteral("Октябрь"), QStringLiteral("Ноябрь"),  QStringLiteral("Декабрь")};
    return names;
}

QStringList yearChoices(const QDate& today) {
    QStringList years;
    for (int y = 2007; y <= today.year() + 1; ++y)
        years << QString::number(y);
    return years;
}

void replaceMonthRows(QSqlDatabase db, int month, int year, const QString& rows, const QString& insert,
                      const QString& daySum, const std::function<void(int, int)>& progress) {
    const int days = QDate(year, month, 1).daysInMonth();
    const auto params = monthParams(month, year);
    Transaction tx(db);
    // A rebuild that cannot have the month within its bound gives up: the saves queued behind
    // its request then go on.
    setLockBound(db, RebuildLockSeconds);
    try {
        lockKey(db, LockSpace::TimesheetMonth, monthKey(month, year));
    } catch (const LockBusy&) {
        throw LockBusy(
            QStringLiteral("Табель этого месяца сейчас занят на другом рабочем месте (записывается "
                           "позиция или идёт перестроение), и ожидание превысило допустимое время. "
                           "Табель не перестроен: ничего не изменено. Повторите немного позже."));
    }
    QSqlQuery q(db);
    // Compiling the month's insert (JIT) would cost more than running it.
    execBound(q, QStringLiteral("select set_config('jit', 'off', true)"), {});
    execBound(q, QStringLiteral("delete from accounts_dep.h_tabel where ") + rows, params);
    if (progress) progress(1, days);
    QString dayColumns, daySums;
    for (int d = 1; d <= 31; ++d) {
        dayColumns += QStringLiteral(", d%1").arg(d);
        daySums += QStringLiteral(", ") + daySum.arg(d - 1);
    }
    execBound(q, insert.arg(dayColumns, daySums), params);
    if (progress) progress(days, days);
    tx.commit();
}

void rebuild(QSqlDatabase db, int month, int year, const std::function<void(int, int)>& progress) {
    // One row per worker and shift with lines in the month; a day without lines stays empty,
    // a day whose lines have 0 hours holds 0, as a day-by-day write would leave them.
    replaceMonthRows(
        db, month, year, QStringLiteral("smena>0 and month=:m and year=:y"),
        QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year%1) "
                       "select smena, w_id, :m, :y%2 from (select smena, w_id, data, sum(time) as tim "
                       "from accounts_dep.smena where data>=:date1 and data<:date2 and smena>0 "
                       "group by smena, w_id, data) days group by smena, w_id"),
        QStringLiteral("sum(tim) filter (where data=:date1::date+%1)"), progress);
}

void rebuildDayByDay(QSqlDatabase db, int month, int year) {
    const int days = QDate(year, month, 1).daysInMonth();
    QSqlQuery q(db);
    execBound(q, QStringLiteral("delete from accounts_dep.h_tabel where smena>0 and month=:m and year=:y"),
              {{QStringLiteral("m"), month}, {QStringLiteral("y"), year}});
    for (int i = 1; i <= days; ++i) {
        QSqlQuery dt(db);
        execBound(
            dt,
            QStringLiteral("select smena, w_id, sum(time) as tim from accounts_dep.smena where data=:data "
                           "group by smena,w_id"),
            {{QStringLiteral("data"), QDate(year, month, i)}});
        while (dt.next()) {
            const QMap<QString, QVariant> key{{QStringLiteral("w"), dt.value(1)},
                                              {QStringLiteral("s"), dt.value(0)},
                                              {QStringLiteral("m"), month},
                                              {QStringLiteral("y"), year},
                                              {QStringLiteral("t"), dt.value(2)}};
            QSqlQuery control(db);
            execBound(
                control,
                QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel h_tabel where w_id=:w "
                               "and smena=:s and month=:m and year=:y"),
                key);
            const qlonglong cnt = control.next() ? control.value(0).toLongLong() : 0;
            QSqlQuery write(db);
            if (cnt != 0)
                execBound(
                    write,
                    QStringLiteral("update accounts_dep.h_tabel set d%1=:t where w_id=:w and smena=:s and "
                                   "month=:m and year=:y")
                        .arg(i),
                    key);
            else
                execBound(write,
                          QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, d%1) "
                                         "values(:s, :w, :m, :y, :t)")
                              .arg(i),
                          key);
        }
    }
}

bool isWeekend(int year, int month, int day) {
    return QDate(year, month, day).dayOfWeek() >= 6;
}

CellLook dayCellLook(int value, bool weekend, bool pastMonthEnd, const QColor& windowBackground) {
    static const QColor red(255, 0, 0), silver(192, 192, 192), green(192, 220, 192);
    CellLook look;
    // The column's own colour: hidden past the month's end, red on a weekend.
    const QColor column = pastMonthEnd ? windowBackground : weekend ? red : QColor();
    look.foreground = column;
    if (value == 0) {
        if (!weekend) look.foreground = silver;
        if (pastMonthEnd) look.foreground = windowBackground;
    } else if (value == 8) {
        look.bold = true;
    } else if (value > 8) {
        look.bold = true;
        look.background = green;
    }
    return look;
}

bool exportMonth(ExcelExport& excel, Query& summary, const QString& title,
                 const std::function<void(int, int)>& progress) {
    if (excel.OpenExcel(QString()) == -1) return false;
    excel.SetExcelVisible(false);
    const int n = summary.recordCount();
    if (progress) progress(0, n);
    const CellFormat text{true, true, false}, boldText{true, true, true}, number{false, true, false},
        boldNumber{false, true, true};
    excel.WriteCell(1, 1, 1, title, boldText);
    excel.WriteCell(1, 1, 2, QStringLiteral("Фамилия И.О."), boldText);
    for (int i = 1; i <= 31; ++i)
        excel.WriteCell(1, i + 1, 2, QString::number(i), boldNumber);
    excel.WriteCell(1, 33, 2, QStringLiteral("Итого"), boldText);
    const int fio = summary.fieldIndex(QStringLiteral("fio"));
    for (int k = 0; k < n; ++k) {
        const int r = k + 3;
        excel.WriteCell(1, 1, r, summary.value(k, fio).toString(), text);
        qlonglong total = 0;
        for (int j = 1; j <= 31; ++j) {
            const QVariant v = summary.value(k, summary.fieldIndex(QStringLiteral("sd%1").arg(j)));
            total += v.toLongLong();
            excel.WriteCell(1, j + 1, r, v.isNull() ? QString() : v.toString(), number);
        }
        excel.WriteCell(1, 33, r, QString::number(total), number);
        if (progress) progress(k + 1, n);
    }
    excel.SetExcelVisible(true);
    return true;
}

QList<Mismatch> mismatches(QSqlDatabase db, int month, int year) {
    QString days;
    for (int d = 1; d <= 31; ++d)
        days += QStringLiteral("%1(%2, h.d%2)").arg(d > 1 ? QStringLiteral(", ") : QString()).arg(d);
    QSqlQuery q(db);
    execBound(
        q,
        QStringLiteral(
            "with j as (select w_id, smena, extract(day from data)::int as d, sum(time) as tim "
            "from accounts_dep.smena where data>=:date1 and data<:date2 and smena>0 "
            "group by w_id, smena, data), "
            "h as (select h.w_id, h.smena::int as smena, v.d, sum(v.val) as val from accounts_dep.h_tabel h "
            "cross join lateral (values %1) v(d, val) where h.smena>0 and h.month=:m and h.year=:y "
            "and v.d<=extract(day from :date2::date-1) group by h.w_id, h.smena, v.d) "
            "select coalesce(j.w_id, h.w_id), coalesce(j.smena, h.smena), coalesce(j.d, h.d), "
            "coalesce(h.val, 0), coalesce(j.tim, 0) from j full join h "
            "on h.w_id=j.w_id and h.smena=j.smena and h.d=j.d "
            "where coalesce(h.val, 0)<>coalesce(j.tim, 0) order by 1, 2, 3")
            .arg(days),
        monthParams(month, year));
    QList<Mismatch> found;
    while (q.next())
        found << Mismatch{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt(),
                          q.value(4).toInt()};
    return found;
}

} // namespace TimesheetMonth
