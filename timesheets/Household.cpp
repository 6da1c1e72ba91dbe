#include "timesheets/Household.h"

#include "db/Changes.h"
#include "db/Extension.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

#include <optional>
#include <QSqlQuery>

namespace {
struct DayKey {
    int worker = 0;
    int kind = 0;
    int night = 0;
    QDate date;
    bool operator==(const DayKey& o) const {
        return worker == o.worker && kind == o.kind && night == o.night && date == o.date;
    }
    bool operator<(const DayKey& o) const {
        return std::tie(worker, kind, night, date) < std::tie(o.worker, o.kind, o.night, o.date);
    }
    QString monthKey() const { return QStringLiteral("%1-%2").arg(date.year()).arg(date.month()); }
    QMap<QString, QVariant> params() const {
        return {{QStringLiteral("w"), worker},      {QStringLiteral("k"), kind},
                {QStringLiteral("n"), night},       {QStringLiteral("m"), date.month()},
                {QStringLiteral("y"), date.year()}, {QStringLiteral("d_date"), date}};
    }
};

// The month shared (a rebuild of the month's rows holds it exclusively), then the row's key,
// so the count-then-insert of a row is never run twice at once for one key.
void lockDay(QSqlDatabase db, const DayKey& k) {
    lockKeyShared(db, LockSpace::TimesheetMonth, k.monthKey());
    lockKey(db, LockSpace::TimesheetRow,
            QStringLiteral("h/%1/%2/%3/%4").arg(k.worker).arg(k.kind).arg(k.night).arg(k.monthKey()));
}

int daySum(QSqlDatabase db, const DayKey& k) {
    QSqlQuery q(db);
    execBound(
        q,
        QStringLiteral("select sum(f.cnt) as tim from accounts_dep.fatigue f where f.id_p=:w and f.id_o=:k "
                       "and i_night=:n and f.d_date=:d_date group by f.id_p, f.d_date"),
        k.params());
    return q.next() ? q.value(0).toInt() : 0;
}

// The day of the key's row gets the records' sum; a missing row is created when `create`,
// and a day left without hours becomes empty.
void writeDay(QSqlDatabase db, const DayKey& k, bool create) {
    Changes::note(db, Changes::timesheet(k.date.year(), k.date.month(), 0));
    if (Extension::current().roles) {
        // The access roles are the server's: household rows are written by the extension's
        // function, from the records, and by no role directly.
        QSqlQuery q(db);
        execBound(q, QStringLiteral("select tabel_ext.write_household_hours(:w, :k, :n, :d_date, :create)"),
                  {{QStringLiteral("w"), k.worker},
                   {QStringLiteral("k"), k.kind},
                   {QStringLiteral("n"), k.night},
                   {QStringLiteral("d_date"), k.date},
                   {QStringLiteral("create"), create}});
        return;
    }
    const QString column = QStringLiteral("d%1").arg(k.date.day());
    const int t = daySum(db, k);
    auto params = k.params();
    params.insert(QStringLiteral("t"), t != 0 ? QVariant(t) : QVariant(QMetaType(QMetaType::Int)));
    QSqlQuery count(db);
    execBound(
        count,
        QStringLiteral("select count(w_id) as cnt from accounts_dep.h_tabel where w_id=:w and i_type=:k and "
                       "month=:m and year=:y and i_night=:n"),
        params);
    const qlonglong cnt = count.next() ? count.value(0).toLongLong() : 0;
    QSqlQuery write(db);
    if (cnt != 0)
        execBound(write,
                  QStringLiteral(
                      "update accounts_dep.h_tabel set %1=:t where w_id=:w and i_type=:k and month=:m and "
                      "year=:y and i_night=:n")
                      .arg(column),
                  params);
    else if (create && t != 0)
        execBound(write,
                  QStringLiteral("insert into accounts_dep.h_tabel(i_type, w_id, month, year, %1, i_night) "
                                 "values(:k, :w, :m, :y, :t, :n)")
                      .arg(column),
                  params);
}

// The average piece rate of the records of kind 7778 of `month` that `where` selects (its
// parameters with them): per record, the journal lines of the record's worker and group in
// the month. Returns the number of records written.
int writeAverageRate(QSqlDatabase db, const QDate& month, const QString& where,
                     QMap<QString, QVariant> params) {
    const QDate first(month.year(), month.month(), 1);
    params.insert(QStringLiteral("date1"), first);
    params.insert(QStringLiteral("date2"), first.addMonths(1));
    QSqlQuery q(db);
    // Grouped per item and worker; no ordering inside the sub-select, which a grouped query
    // over the person view could not take and which changes no value.
    execBound(
        q,
        QStringLiteral(
            "UPDATE accounts_dep.fatigue f SET price=coalesce((select case when "
            "coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 else "
            "coalesce(sum((s.kol_vo-s.brak)*(s.cena+s.cena*f.i_holiday))/sum(time),0)::numeric(10,2) end as "
            "price from cmn_classifier.item i, accounts_dep.smena s, accounts_dep.izdel gas, "
            "accounts_dep.person p where i.id_level =2 and s.i_id = gas.id and gas.id_class_item =i.id "
            "and s.data<:date2 and s.data>=:date1 and p.id=s.w_id and p.id=f.id_p and i.id=f.id_nom "
            "group by i.s_caption, i.id, p.id),0) where ") +
            where + QStringLiteral(" and id_o=7778"),
        params);
    return q.numRowsAffected();
}

std::optional<DayKey> readRecord(QSqlDatabase db, int id, bool forUpdate, Household::Seen* seen = nullptr) {
    QSqlQuery q(db);
    execBound(
        q,
        QStringLiteral("select id_p, id_o, i_night, d_date, id_nom, cnt from accounts_dep.fatigue where "
                       "id=:id") +
            (forUpdate ? QStringLiteral(" for update") : QString()),
        {{QStringLiteral("id"), id}});
    if (!q.next()) return std::nullopt;
    if (seen) *seen = Household::seenOf(q.record());
    return DayKey{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toDate()};
}

QString describe(QSqlDatabase db, int id) {
    QSqlQuery q(db);
    execBound(q,
              QStringLiteral("select (select p.fio from accounts_dep.person p where p.id=f.id_p limit 1), "
                             "(select i.s_caption from cmn_classifier.item i where i.id=f.id_nom), "
                             "(select vo.vid from accounts_dep.vid_oper vo where vo.id=f.id_o), f.d_date, "
                             "f.cnt, f.i_night from accounts_dep.fatigue f where f.id=:id"),
              {{QStringLiteral("id"), id}});
    if (!q.next()) return {};
    return QStringLiteral("Сейчас в записи: %1; %2; %3; дата %4; часов %5%6.")
        .arg(q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
             q.value(2).toString().trimmed(), q.value(3).toDate().toString(QStringLiteral("dd.MM.yyyy")))
        .arg(q.value(4).toInt())
        .arg(q.value(5).toInt() != 0 ? QStringLiteral(", ночные") : QString());
}
} // namespace

namespace Household {

QString refusal(const Record& r) {
    // No kind chosen is as incomplete as no worker.
    if (r.nomId == 0 || r.worker == 0 || r.kind == 0) return MissingFieldsMessage;
    bool ok = false;
    const int h = r.hours.trimmed().toInt(&ok);
    if (!ok || h < 1) return MissingHoursMessage;
    return {};
}

double price(double normPrice, bool dayOff, bool night) {
    double p = normPrice;
    if (dayOff) p *= 2;
    if (night) p *= 1.2;
    return p;
}

Seen seenOf(const QSqlRecord& row) {
    Seen s;
    s.nomId = row.value(QStringLiteral("id_nom")).toInt();
    s.kind = row.value(QStringLiteral("id_o")).toInt();
    s.worker = row.value(QStringLiteral("id_p")).toInt();
    s.night = row.value(QStringLiteral("i_night")).toInt();
    s.hours = row.value(QStringLiteral("cnt")).toInt();
    s.date = row.value(QStringLiteral("d_date")).toDate();
    return s;
}

namespace {
// One attempt of a save; nothing when the record moved between its first read and its lock
// (then nothing was written and the attempt is made again).
std::optional<bool> saveOnce(QSqlDatabase db, const Record& r) {
    const int night = r.night ? 1 : 0;
    const double p = price(r.normPrice, r.dayOff, r.night);
    Transaction tx(db);
    std::optional<DayKey> old;
    if (r.id != 0 && !(old = readRecord(db, r.id, false))) return false;
    // A change keeps its date; its new key is the new worker, kind and night flag.
    const DayKey now{r.worker, r.kind, night, old ? old->date : r.date};
    QList<DayKey> days{now};
    if (old && !(*old == now)) days << *old;
    std::sort(days.begin(), days.end());
    for (const DayKey& k : days)
        lockDay(db, k);
    if (old) {
        Seen present;
        const auto locked = readRecord(db, r.id, true, &present);
        if (!locked) return false;
        if (r.seen && !(present == *r.seen))
            throw ChangedElsewhere(
                QStringLiteral("Запись изменена на другом рабочем месте. Ваши изменения не "
                               "записаны.\n\n") +
                    describe(db, r.id) +
                    QStringLiteral("\n\nЧтобы всё же записать введённые значения "
                                   "поверх, нажмите «Записать» ещё раз."),
                present);
        // Moved in between: the locks taken are not its days'.
        if (!(*locked == *old)) return std::nullopt;
    }

    QMap<QString, QVariant> params{{QStringLiteral("nom"), r.nomId},
                                   {QStringLiteral("k"), r.kind},
                                   {QStringLiteral("w"), r.worker},
                                   {QStringLiteral("cnt"), r.hours.trimmed().toInt()},
                                   {QStringLiteral("price"), SqlText::price(p)},
                                   {QStringLiteral("hol"), r.dayOff ? 1 : 0},
                                   {QStringLiteral("n"), night},
                                   {QStringLiteral("id"), r.id},
                                   {QStringLiteral("d_date"), r.date},
                                   {QStringLiteral("m"), r.date.month()},
                                   {QStringLiteral("y"), r.date.year()},
                                   {QStringLiteral("s"), r.shift}};
    QSqlQuery q(db);
    if (old)
        execBound(q,
                  QStringLiteral("UPDATE accounts_dep.fatigue SET id_nom=:nom, id_o=:k, id_p=:w, cnt=:cnt, "
                                 "price=:price::numeric, i_holiday=:hol, i_night=:n where id=:id"),
                  params);
    else
        execBound(
            q,
            QStringLiteral("INSERT INTO accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, "
                           "i_smena, cnt, price, i_holiday, i_night) VALUES(:nom, :k, :w, :d_date, :m, :y, "
                           ":s, :cnt, :price::numeric, :hol, :n)"),
            params);
    // A changed average piece-rate record keeps its rate: computed again from the month's
    // journal, as "Расчитать ср.сд." would.
    if (old && r.kind == AveragePieceRate)
        writeAverageRate(db, old->date, QStringLiteral("id=:id"), {{QStringLiteral("id"), r.id}});
    Changes::note(db, Changes::household(now.date, old ? -1 : r.shift));
    writeDay(db, now, true);
    if (old && !(*old == now)) writeDay(db, *old, false);
    tx.commit();
    return true;
}

std::optional<bool> removeOnce(QSqlDatabase db, int id) {
    Transaction tx(db);
    const auto key = readRecord(db, id, false);
    if (!key) return false;
    lockDay(db, *key);
    const auto locked = readRecord(db, id, true);
    if (!locked) return false;
    // Moved to another worker, kind, night or date in between: the day locked is not its day.
    if (!(*locked == *key)) return std::nullopt;
    QSqlQuery q(db);
    execBound(q, QStringLiteral("delete from accounts_dep.fatigue where id=:id"),
              {{QStringLiteral("id"), id}});
    Changes::note(db, Changes::household(key->date, -1));
    writeDay(db, *key, false);
    tx.commit();
    return true;
}
} // namespace

bool save(QSqlDatabase db, const Record& r) {
    try {
        for (;;)
            if (const auto saved = saveOnce(db, r)) return *saved;
    } catch (const LockBusy&) {
        throw LockBusy(busyText(db, {r.date, r.seen ? r.seen->date : QDate()},
                                QStringLiteral("Запись не сохранена: ничего не записано. Введённые значения "
                                               "остались в окне; повторите немного позже.")));
    }
}

bool remove(QSqlDatabase db, int id) {
    try {
        for (;;)
            if (const auto removed = removeOnce(db, id)) return *removed;
    } catch (const LockBusy&) {
        throw LockBusy(QStringLiteral("Табель хоз. работ этого дня сейчас занят на другом рабочем месте, и "
                                      "ожидание превысило допустимое время. Запись не удалена: ничего не "
                                      "изменено. Повторите немного позже."));
    }
}

int computeAveragePieceRate(QSqlDatabase db, int month, int year) {
    Transaction tx(db);
    setLockBound(db, RebuildLockSeconds);
    try {
        lockKey(db, LockSpace::TimesheetMonth, monthLockKey(year, month));
    } catch (const LockBusy&) {
        throw LockBusy(
            QStringLiteral("Табель этого месяца сейчас занят на другом рабочем месте (записывается "
                           "позиция или идёт перестроение), и ожидание превысило допустимое время. "
                           "Средняя сдельная расценка не рассчитана: ничего не изменено. "
                           "Повторите немного позже."));
    }
    const int written = writeAverageRate(db, QDate(year, month, 1), QStringLiteral("i_mnth=:m and i_year=:y"),
                                         {{QStringLiteral("m"), month}, {QStringLiteral("y"), year}});
    if (written > 0)
        Changes::note(db, QStringLiteral("f%1-%2/*")
                              .arg(year, 4, 10, QLatin1Char('0'))
                              .arg(month, 2, 10, QLatin1Char('0')));
    tx.commit();
    return written;
}

} // namespace Household
