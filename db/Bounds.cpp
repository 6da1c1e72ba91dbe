#include "db/Bounds.h"

#include <QLocale>

#include "db/Query.h"
#include "db/SqlText.h"

#include <QSqlQuery>

namespace Bounds {

namespace {
std::function<QDate()>& clock() {
    static std::function<QDate()> c = [] { return QDate::currentDate(); };
    return c;
}
} // namespace

QDate today() {
    return clock()();
}

void setClock(std::function<QDate()> c) {
    clock() = c ? std::move(c) : [] { return QDate::currentDate(); };
}

QString grouped(qlonglong n) {
    static const QLocale russian(QLocale::Russian, QLocale::Russia);
    return russian.toString(n);
}

qlonglong typed(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 18) return t.isEmpty() ? -1 : IntegerMax + 1;
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    return ok && n >= 0 ? n : -1;
}

QString tooLarge(const QString& text, qlonglong max, const QString& box) {
    return typed(text) > max ? TooLargeMessage.arg(box, grouped(max)) : QString();
}

DayHours dayHours(QSqlDatabase db, int w, const QDate& d, int shift, int exceptLine, int exceptRecord) {
    QSqlQuery q(db);
    execBound(
        q,
        QStringLiteral("select coalesce(sum(time) filter (where id<>:line), 0), "
                       "coalesce(sum(time) filter (where id=:line), 0), "
                       "coalesce(sum(time) filter (where id<>:line and smena=:s), 0), "
                       "(select coalesce(sum(cnt) filter (where id<>:rec), 0) from accounts_dep.fatigue "
                       "where id_p=:w and d_date=:d), "
                       "(select coalesce(sum(cnt) filter (where id=:rec), 0) from accounts_dep.fatigue "
                       "where id_p=:w and d_date=:d) "
                       "from accounts_dep.smena where w_id=:w and data=:d"),
        {{QStringLiteral("w"), w},
         {QStringLiteral("d"), d},
         {QStringLiteral("s"), shift},
         {QStringLiteral("line"), exceptLine},
         {QStringLiteral("rec"), exceptRecord}});
    DayHours h;
    if (q.next()) {
        h.others = q.value(0).toLongLong() + q.value(3).toLongLong();
        h.replaced = q.value(1).toLongLong() + q.value(4).toLongLong();
        h.shiftOthers = q.value(2).toLongLong();
    }
    return h;
}

QString dayHoursRefusal(const DayHours& day, qlonglong hours, const QDate& d, bool journalLine) {
    const qlonglong total = day.others + hours;
    // A day that was already past 24 (old data) may still be corrected downwards.
    if (total > DayHoursMax && total > day.others + day.replaced)
        return DayHoursMessage.arg(SqlText::date(d), grouped(total));
    if (journalLine && day.shiftOthers + hours > SmallIntMax)
        return DayCellMessage.arg(SqlText::date(d), grouped(day.shiftOthers + hours), grouped(SmallIntMax));
    return {};
}

QString quantityDoubt(qlonglong quantity, qlonglong largestSoFar) {
    if (quantity > PieceCountCeiling)
        return QStringLiteral("Кол-во %1 — больше %2 штук в одной позиции.")
            .arg(grouped(quantity), grouped(PieceCountCeiling));
    if (quantity <= QuantityFloor) return {};
    if (largestSoFar <= 0)
        return QStringLiteral("Кол-во %1 — много для операции, у которой ещё не было ни одной позиции.")
            .arg(grouped(quantity));
    if (quantity > QuantityGrowth * largestSoFar)
        return QStringLiteral(
                   "Кол-во %1 — намного больше, чем бывало у этой операции (до сих пор не больше %2).")
            .arg(grouped(quantity), grouped(largestSoFar));
    return {};
}

QString dateDoubt(const QDate& d) {
    const QDate now = today();
    if (d > now.addDays(FutureDays))
        return QStringLiteral("Дата %1 — больше чем на %2 дня позже сегодняшней (%3).")
            .arg(SqlText::date(d))
            .arg(FutureDays)
            .arg(SqlText::date(now));
    if (d.year() <= now.year() - ClosedYearsBack)
        return QStringLiteral("Дата %1 — в давно закрытом %2 году.").arg(SqlText::date(d)).arg(d.year());
    return {};
}

QString colourDoubt(qlonglong colour) {
    if (colour == 0 || colour == 1 || (colour >= RalFirst && colour <= RalLast)) return {};
    return QStringLiteral("Цвет %1 — не код завода (0 — нет, 1 — грунт, %2–%3 — RAL).")
        .arg(colour)
        .arg(RalFirst)
        .arg(RalLast);
}

qlonglong largestQuantity(QSqlDatabase db, int operationId) {
    QSqlQuery q(db);
    execBound(q, QStringLiteral("select coalesce(max(kol_vo), 0) from accounts_dep.smena where o_id=:o"),
              {{QStringLiteral("o"), operationId}});
    return q.next() ? q.value(0).toLongLong() : 0;
}

QString question(QStringList doubts) {
    doubts.removeAll(QString());
    if (doubts.isEmpty()) return {};
    return QStringLiteral("Проверьте перед записью:\n") + doubts.join(QLatin1Char('\n')) +
           QStringLiteral("\nЗаписать?");
}

} // namespace Bounds
