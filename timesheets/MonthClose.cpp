#include "timesheets/MonthClose.h"

#include "db/Extension.h"
#include "db/Query.h"
#include "db/Transaction.h"
#include "timesheets/TimesheetMonth.h"

#include <QDate>
#include <QSet>
#include <QSqlQuery>

namespace MonthClose {

QList<MonthState> months(QSqlDatabase db) {
    QSqlQuery q(db);
    execBound(
        q,
        QStringLiteral(
            "with m as ("
            " select distinct extract(year from data)::integer as y, extract(month from data)::integer as m"
            " from accounts_dep.smena where data is not null"
            " union select year, month from accounts_dep.h_tabel where year is not null and month is not null"
            " union select year, month from tabel_ext.closed_month)"
            " select m.y, m.m, c.closed_at, c.role, c.station, c.reason"
            " from m left join tabel_ext.closed_month c on c.year = m.y and c.month = m.m"
            " order by m.y desc, m.m desc"),
        {});
    QList<MonthState> out;
    while (q.next()) {
        MonthState s;
        s.year = q.value(0).toInt();
        s.month = q.value(1).toInt();
        s.closed = !q.value(2).isNull();
        s.closedAt = q.value(2).toDateTime();
        s.role = q.value(3).toString();
        s.station = q.value(4).toString();
        s.reason = q.value(5).toString();
        out << s;
    }
    return out;
}

QList<LogEntry> log(QSqlDatabase db, int year, int month) {
    QSqlQuery q(db);
    execBound(q,
              QStringLiteral("select action, at, role, station, reason from tabel_ext.close_log "
                             "where year = :y and month = :m order by id"),
              {{QStringLiteral("y"), year}, {QStringLiteral("m"), month}});
    QList<LogEntry> out;
    while (q.next())
        out << LogEntry{q.value(0).toString(), q.value(1).toDateTime(), q.value(2).toString(),
                        q.value(3).toString(), q.value(4).toString()};
    return out;
}

Contents contents(QSqlDatabase db, int year, int month) {
    Contents c;
    const QDate first(year, month, 1);
    QSqlQuery q(db);
    execBound(
        q,
        QStringLiteral("select (select count(*) from accounts_dep.smena where data >= :d1 and data < :d2),"
                       " (select count(*) from accounts_dep.h_tabel where year = :y and month = :m),"
                       " (select count(*) from accounts_dep.fatigue where d_date >= :d1 and d_date < :d2)"),
        {{QStringLiteral("d1"), first},
         {QStringLiteral("d2"), first.addMonths(1)},
         {QStringLiteral("y"), year},
         {QStringLiteral("m"), month}});
    if (q.next()) {
        c.lines = q.value(0).toLongLong();
        c.timesheetRows = q.value(1).toLongLong();
        c.householdRecords = q.value(2).toLongLong();
    }
    QSet<QString> days;
    for (const TimesheetMonth::Mismatch& m : TimesheetMonth::mismatches(db, month, year))
        days << QStringLiteral("%1/%2/%3").arg(m.worker).arg(m.shift).arg(m.day);
    c.differingDays = int(days.size());
    return c;
}

QString monthWords(int year, int month) {
    return QStringLiteral("%1 %2").arg(TimesheetMonth::monthNames().value(month - 1)).arg(year);
}

QString closeQuestion(int year, int month, const Contents& c) {
    QString text = QStringLiteral("Закрыть месяц %1?\n\nВ месяце: строк журнала %2, строк табеля %3, "
                                  "записей хоз. работ %4.\nПосле закрытия ничего, датированное этим месяцем, "
                                  "нельзя будет добавить, изменить или удалить.")
                       .arg(monthWords(year, month))
                       .arg(c.lines)
                       .arg(c.timesheetRows)
                       .arg(c.householdRecords);
    if (c.differingDays > 0)
        text += QStringLiteral("\n\nВнимание: дней, в которых табель расходится с журналом: %1. "
                               "Перестройте табель месяца перед закрытием.")
                    .arg(c.differingDays);
    return text;
}

void close(QSqlDatabase db, int year, int month, const QString& reason) {
    Transaction t(db);
    QSqlQuery q(db);
    execBound(q, QStringLiteral("select tabel_ext.close_month(:y, :m, :why)"),
              {{QStringLiteral("y"), year},
               {QStringLiteral("m"), month},
               {QStringLiteral("why"), reason.trimmed()}});
    t.commit();
}

void reopen(QSqlDatabase db, int year, int month, const QString& reason) {
    Transaction t(db);
    QSqlQuery q(db);
    execBound(q, QStringLiteral("select tabel_ext.reopen_month(:y, :m, :why)"),
              {{QStringLiteral("y"), year},
               {QStringLiteral("m"), month},
               {QStringLiteral("why"), reason.trimmed()}});
    t.commit();
}

bool mayClose(const QString& roleCode) {
    return roleCode == QLatin1String("full") || roleCode == QLatin1String("office");
}

bool mayReopen(const QString& roleCode) {
    return roleCode == QLatin1String("full");
}

} // namespace MonthClose
