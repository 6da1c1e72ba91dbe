#include "journal/Journal.h"

#include "db/Changes.h"
#include "db/DataModule6.h"
#include "db/Transaction.h"
#include "journal/DayHours.h"
#include "journal/Pricing.h"

#include <QLocale>
#include <QSqlQuery>

namespace Journal {

void openAll(DataModule6& dm, const QDate& date) {
    openAll(dm, date, 0);
}

void openAll(DataModule6& dm, const QDate& date, int fresh) {
    auto kept = [&](int shift) {
        const Query& q = dm.smenaQuery(shift);
        return shift == fresh && q.isOpen() && q.param(QStringLiteral("data")).toDate() == date;
    };
    for (int shift = 1; shift <= 4; ++shift)
        if (!kept(shift)) dm.smenaQuery(shift).close();
    for (int shift = 1; shift <= 4; ++shift) {
        Query& q = dm.smenaQuery(shift);
        if (q.isOpen()) continue;
        q.setParam(QStringLiteral("data"), date);
        q.open();
    }
}

void refreshAll(DataModule6& dm) {
    // Each shift keeps its lines on screen until its new ones have arrived.
    for (int shift = 1; shift <= 4; ++shift) {
        Query& q = dm.smenaQuery(shift);
        if (q.isOpen())
            q.reopen();
        else
            q.open();
    }
}

QString deleteQuestion(const QSqlRecord& line) {
    auto text = [&line](const char* field) { return line.value(QLatin1String(field)).toString().trimmed(); };
    auto number = [&line](const char* field) {
        return QLocale().toString(line.value(QLatin1String(field)).toDouble(), 'g', 15);
    };
    QString operation = text("vid");
    if (const QString brand = text("marka"); !brand.isEmpty())
        operation += QStringLiteral(" (%1)").arg(brand);
    return QStringLiteral("Удалить позицию из списка?\n\n%1\nОперация: %2\nКол-во: %3, часы: %4")
        .arg(text("fio"), operation, number("kol_vo"), number("time"));
}

bool deleteLine(DataModule6& dm, int lineId) {
    return deleteLine(dm.ADO_DB(), lineId);
}

namespace {
struct Day {
    int w = 0, s = 0;
    QDate d;
    bool operator==(const Day& o) const { return w == o.w && s == o.s && d == o.d; }
};

std::optional<Day> dayOf(QSqlDatabase db, int lineId, bool forUpdate) {
    QSqlQuery& q = execKept(db,
                            QStringLiteral("select w_id, smena, data from accounts_dep.smena where id=:id") +
                                (forUpdate ? QStringLiteral(" for update") : QString()),
                            {{QStringLiteral("id"), lineId}});
    if (!q.next()) return std::nullopt;
    return Day{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toDate()};
}

bool deleteOnce(QSqlDatabase db, int lineId, QDate& month) {
    for (;;) {
        Transaction t(db);
        // The day the line is on now; its timesheet row is locked before the line, as a save
        // locks them, and the line is then locked and read again.
        const auto day = dayOf(db, lineId, false);
        if (!day) return false;
        month = day->d;
        DayHours::lockRow(db, day->w, day->s, day->d);
        const auto locked = dayOf(db, lineId, true);
        if (!locked) return false;
        // Moved in between: nothing is written yet; the delete starts again from its new day.
        if (!(*locked == *day)) continue;
        execKept(db, QStringLiteral("delete from accounts_dep.smena where id=:id"),
                 {{QStringLiteral("id"), lineId}});
        Changes::note(db, Changes::journal(day->d, day->s));
        DayHours::recomputeDayLocked(db, day->w, day->s, day->d);
        t.commit();
        return true;
    }
}
} // namespace

bool deleteLine(QSqlDatabase db, int lineId) {
    QDate month;
    try {
        return deleteOnce(db, lineId, month);
    } catch (const LockBusy&) {
        throw LockBusy(busyText(db, {month},
                                QStringLiteral("Позиция не удалена: ничего не изменено. "
                                               "Повторите удаление немного позже.")));
    }
}

std::optional<double> lowestNormPrice(DataModule6& dm, int operationId) {
    QSqlQuery q(dm.ADO_DB());
    execBound(q, QStringLiteral("select min(price) from accounts_dep.norm where o_id=:o"),
              {{QStringLiteral("o"), operationId}});
    if (!q.next() || q.value(0).isNull()) return std::nullopt;
    return q.value(0).toDouble();
}

QString explainLine(DataModule6& dm, const QSqlRecord& line) {
    double lowest = 0;
    try {
        lowest = lowestNormPrice(dm, line.value(QStringLiteral("o_id")).toInt()).value_or(0);
    } catch (const std::exception&) {
        return {}; // a tooltip never raises an error box
    }
    return Pricing::explainAmount(line.value(QStringLiteral("kol_vo")).toLongLong(),
                                  line.value(QStringLiteral("brak")).toLongLong(),
                                  line.value(QStringLiteral("cena")).toDouble(), lowest);
}

QString toggledMark(const QString& mark) {
    return mark == QStringLiteral("да") || mark == QStringLiteral("ok") ? QStringLiteral("no")
                                                                        : QStringLiteral("ok");
}

void setMark(DataModule6& dm, int lineId, const QString& mark) {
    // The mark and the word to the other workstations in one statement.
    QSqlQuery updtOK(dm.ADO_DB());
    execBound(
        updtOK,
        QStringLiteral("with u as (update accounts_dep.smena set ok=:ok where id=:id returning data, smena) "
                       "select pg_notify('tabel_changes', 'j' || to_char(data, 'YYYY-MM-DD') || '/' || "
                       "smena) from u"),
        {{QStringLiteral("ok"), mark}, {QStringLiteral("id"), lineId}});
}

} // namespace Journal
