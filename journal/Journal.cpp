#include "journal/Journal.h"

#include "db/DataModule6.h"
#include "db/Transaction.h"
#include "journal/DayHours.h"

#include <QSqlQuery>

namespace Journal {

void openAll(DataModule6& dm, const QDate& date) {
    for (int shift = 1; shift <= 4; ++shift)
        dm.smenaQuery(shift).close();
    for (int shift = 1; shift <= 4; ++shift) {
        Query& q = dm.smenaQuery(shift);
        q.setParam(QStringLiteral("data"), date);
        q.open();
    }
}

void refreshAll(DataModule6& dm) {
    for (int shift = 1; shift <= 4; ++shift)
        dm.smenaQuery(shift).close();
    for (int shift = 1; shift <= 4; ++shift)
        dm.smenaQuery(shift).open();
}

void deleteLine(DataModule6& dm, int lineId, int workerId, int shift, const QDate& date) {
    Transaction t(dm.ADO_DB());
    DayHours::lockRow(dm.ADO_DB(), workerId, shift, date);
    dm.DelSmena.clearParams();
    dm.DelSmena.setSql(QStringLiteral("delete from accounts_dep.smena where id=:id"));
    dm.DelSmena.setParam(QStringLiteral("id"), lineId);
    dm.DelSmena.exec();
    DayHours::recomputeDay(dm.ADO_DB(), workerId, shift, date);
    t.commit();
}

QString toggledMark(const QString& mark) {
    return mark == QStringLiteral("да") || mark == QStringLiteral("ok") ? QStringLiteral("no")
                                                                        : QStringLiteral("ok");
}

void setMark(DataModule6& dm, int lineId, const QString& mark) {
    QSqlQuery updtOK(dm.ADO_DB());
    execBound(updtOK, QStringLiteral("update accounts_dep.smena set ok=:ok where id=:id"),
              {{QStringLiteral("ok"), mark}, {QStringLiteral("id"), lineId}});
}

} // namespace Journal
