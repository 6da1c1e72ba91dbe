#include "journal/DayHours.h"

#include "db/Changes.h"
#include "db/Extension.h"
#include "db/Query.h"
#include "db/Transaction.h"

#include <QSqlQuery>

namespace {
QString dayColumn(const QDate& d) {
    return QStringLiteral("d") + QString::number(d.day());
}

QMap<QString, QVariant> rowKey(int w, int s, const QDate& d) {
    return {{QStringLiteral("w"), w},
            {QStringLiteral("s"), s},
            {QStringLiteral("m"), d.month()},
            {QStringLiteral("y"), d.year()}};
}

QString monthKey(const QDate& d) {
    return QStringLiteral("%1-%2").arg(d.year()).arg(d.month());
}
} // namespace

namespace DayHours {

QList<LockRequest> rowLocks(int w, int s, const QDate& d) {
    return {{LockSpace::TimesheetMonth, monthKey(d), true},
            {LockSpace::TimesheetRow, QStringLiteral("%1/%2/%3").arg(w).arg(s).arg(monthKey(d))}};
}

void lockRow(QSqlDatabase db, int w, int s, const QDate& d) {
    lockKeys(db, rowLocks(w, s, d));
}

int daySum(QSqlDatabase db, int w, int s, const QDate& d) {
    QSqlQuery& q = execKept(
        db,
        QStringLiteral("select sum(time) as tim from accounts_dep.smena where w_id=:w and smena=:s and "
                       "data=:data group by w_id, smena, data"),
        {{QStringLiteral("w"), w}, {QStringLiteral("s"), s}, {QStringLiteral("data"), d}});
    return q.next() ? q.value(0).toInt() : 0;
}

void afterSave(QSqlDatabase db, int w, int s, const QDate& d) {
    lockRow(db, w, s, d);
    afterSaveLocked(db, w, s, d);
}

// Where the access roles are the server's, the day is written by the extension's function: the
// roles that add lines have no right to write timesheet rows themselves.
bool throughExtension() {
    return Extension::current().roles;
}

void writeThroughExtension(QSqlDatabase db, int w, int s, const QDate& d, bool createRow) {
    execKept(db, QStringLiteral("select tabel_ext.write_day_hours(:w, :s, :data, :create)"),
             {{QStringLiteral("w"), w},
              {QStringLiteral("s"), s},
              {QStringLiteral("data"), d},
              {QStringLiteral("create"), createRow}});
}

void afterSaveLocked(QSqlDatabase db, int w, int s, const QDate& d) {
    Changes::note(db, Changes::timesheet(d.year(), d.month(), s));
    if (throughExtension()) {
        writeThroughExtension(db, w, s, d, true);
        return;
    }
    QSqlQuery& count = execKept(
        db,
        QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel where w_id=:w and smena=:s "
                       "and month=:m and year=:y"),
        rowKey(w, s, d));
    const qlonglong cnt = count.next() ? count.value(0).toLongLong() : 0;
    const int tim = daySum(db, w, s, d);
    auto params = rowKey(w, s, d);
    params.insert(QStringLiteral("tim"), tim);
    if (cnt != 0)
        execKept(db,
                 QStringLiteral("update accounts_dep.h_tabel set %1=:tim where w_id=:w and smena=:s and "
                                "month=:m and year=:y")
                     .arg(dayColumn(d)),
                 params);
    else
        execKept(db,
                 QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, %1) "
                                "values(:s, :w, :m, :y, :tim)")
                     .arg(dayColumn(d)),
                 params);
}

void recomputeDay(QSqlDatabase db, int w, int s, const QDate& d) {
    lockRow(db, w, s, d);
    recomputeDayLocked(db, w, s, d);
}

void recomputeDayLocked(QSqlDatabase db, int w, int s, const QDate& d) {
    Changes::note(db, Changes::timesheet(d.year(), d.month(), s));
    if (throughExtension()) {
        writeThroughExtension(db, w, s, d, false);
        return;
    }
    const int tim = daySum(db, w, s, d);
    auto params = rowKey(w, s, d);
    params.insert(QStringLiteral("tim"), tim != 0 ? QVariant(tim) : QVariant(QMetaType(QMetaType::Int)));
    execKept(db,
             QStringLiteral("update accounts_dep.h_tabel set %1=:tim where w_id=:w and smena=:s and month=:m "
                            "and year=:y")
                 .arg(dayColumn(d)),
             params);
}

} // namespace DayHours
