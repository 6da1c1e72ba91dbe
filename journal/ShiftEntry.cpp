#include "journal/ShiftEntry.h"

#include "db/Changes.h"
#include "db/DataModule6.h"
#include "db/Messages.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "journal/DayHours.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <QSqlQuery>
#include <tuple>

namespace ShiftEntry {

bool isPaint(const QString& kind) {
    return kind.toUpper().contains(QStringLiteral("КРАСКА"));
}

namespace {

struct DayKey {
    int w, s;
    QDate d;
    bool operator<(const DayKey& o) const {
        return std::tuple(d.year(), d.month(), w, s, d.day()) <
               std::tuple(o.d.year(), o.d.month(), o.w, o.s, o.d.day());
    }
    bool operator==(const DayKey& o) const { return w == o.w && s == o.s && d == o.d; }
};

QString lineKey(const Entry& e, int colour) {
    return QStringLiteral("%1/%2/%3/%4/%5/%6")
        .arg(e.workerId)
        .arg(e.operationId)
        .arg(e.productId)
        .arg(e.date.toString(Qt::ISODate))
        .arg(e.shift)
        .arg(colour);
}

void reread(DataModule6& dm, int shift) {
    Query& q = dm.smenaQuery(shift);
    const int remembered = q.recNo();
    q.close();
    q.open();
    if (!q.isEmpty() && remembered >= 1) q.setRecNo(remembered);
    for (Query* h : {&dm.H_Tabel_1, &dm.H_Tabel_2, &dm.H_Tabel_3})
        h->close();
}
} // namespace

bool LineValues::operator==(const LineValues& o) const {
    return workerId == o.workerId && operationId == o.operationId && productId == o.productId &&
           date == o.date && shift == o.shift && colour == o.colour && kolVo == o.kolVo && brak == o.brak &&
           time == o.time && std::abs(price - o.price) <= 1e-6 * std::max(1.0, std::abs(price));
}

LineValues valuesOf(const QSqlRecord& line) {
    // Numbers may come as exact text (numeric): read through double and round.
    auto number = [&](const char* name) { return qRound64(line.value(QLatin1String(name)).toDouble()); };
    LineValues v;
    v.workerId = int(number("w_id"));
    v.operationId = int(number("o_id"));
    v.productId = int(number("i_id"));
    v.date = line.value(QStringLiteral("data")).toDate();
    v.shift = int(number("smena"));
    v.colour = int(number("color"));
    v.kolVo = number("kol_vo");
    v.brak = number("brak");
    v.time = number("time");
    v.price = line.value(QStringLiteral("cena")).toDouble();
    return v;
}

QString describeLine(QSqlDatabase db, int lineId) {
    QSqlQuery q(db);
    execBound(
        q,
        QStringLiteral(
            "select (select p.s_caption from cmn_contractor.person p where p.id=s.w_id or "
            "p.s_code::t_id=s.w_id order by p.id limit 1) as fio, i.marka, v.vid, s.data, s.smena, "
            "s.kol_vo, s.brak, s.time, s.color from accounts_dep.smena s left join accounts_dep.izdel i "
            "on i.id=s.i_id left join accounts_dep.oper o on o.id=s.o_id left join "
            "accounts_dep.vid_oper v on v.id=o.vid where s.id=:id"),
        {{QStringLiteral("id"), lineId}});
    if (!q.next()) return QStringLiteral("Позиции больше нет в журнале.");
    QString text =
        QStringLiteral("Сейчас в позиции: %1; %2; %3; дата %4, смена %5; кол-во %6, брак %7, время %8")
            .arg(q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
                 q.value(2).toString().trimmed(), q.value(3).toDate().toString(QStringLiteral("dd.MM.yyyy")))
            .arg(q.value(4).toInt())
            .arg(q.value(5).toLongLong())
            .arg(q.value(6).toLongLong())
            .arg(q.value(7).toLongLong());
    if (q.value(8).toInt() != 0) text += QStringLiteral(", цвет %1").arg(q.value(8).toInt());
    return text + QLatin1Char('.');
}

QString refusal(const Entry& e) {
    // On a paint operation 0 is no colour, as an empty box is.
    const bool incomplete = e.worker.trimmed().isEmpty() || e.operation.trimmed().isEmpty() ||
                            e.kolVo.trimmed().isEmpty() || e.brak.trimmed().isEmpty() ||
                            (isPaint(e.kind) && Bounds::typed(e.colour) <= 0) || e.time.trimmed().isEmpty();
    if (incomplete) return IncompleteMessage;
    // Each number as its column takes it: quantity, hours and colour are integers, rejects a
    // small integer.
    const struct {
        const QString& text;
        qlonglong max;
        const char16_t* field;
    } numbers[] = {
        {e.kolVo, Bounds::IntegerMax, u"Кол-во"},
        {e.brak, Bounds::SmallIntMax, u"Брак"},
        {e.time, Bounds::IntegerMax, u"Время"},
        {e.colour, Bounds::IntegerMax, u"Цвет"},
    };
    for (const auto& n : numbers)
        if (const QString why = Bounds::tooLarge(n.text, n.max, QString::fromUtf16(n.field)); !why.isEmpty())
            return why;
    for (const QString* text : {&e.kolVo, &e.brak, &e.time})
        if (Bounds::typed(*text) < 0) return IncompleteMessage;
    const qlonglong kolVo = Bounds::typed(e.kolVo), time = Bounds::typed(e.time);
    if (kolVo == 0 && time == 0) return EmptyLineMessage;
    if (Bounds::typed(e.brak) > kolVo) return RejectsOverQuantityMessage;
    // The day's hours are dayRefusal's: the message names the day's total, the worker's other
    // hours included, which only the database knows.
    return {};
}

QString dayRefusal(QSqlDatabase db, const Entry& e) {
    const auto day = Bounds::dayHours(db, e.workerId, e.date, e.shift, e.tag == ChangeLine ? e.lineId : 0, 0);
    return Bounds::dayHoursRefusal(day, Bounds::typed(e.time), e.date, true);
}

QStringList doubts(QSqlDatabase db, const Entry& e) {
    QStringList out;
    const qlonglong kolVo = Bounds::typed(e.kolVo);
    if (kolVo > Bounds::QuantityFloor)
        out << Bounds::quantityDoubt(kolVo, Bounds::largestQuantity(db, e.operationId));
    out << Bounds::dateDoubt(e.date);
    if (!e.colour.trimmed().isEmpty()) out << Bounds::colourDoubt(Bounds::typed(e.colour));
    out.removeAll(QString());
    return out;
}

namespace {
// One attempt of a save; nothing when the line moved to another day between its first read
// and its lock (then the attempt wrote nothing and is made again).
std::optional<Outcome> writeOnce(QSqlDatabase db, const Entry& e, LineValues* current, int* savedId) {
    const int colour = e.colour.trimmed().isEmpty() ? 0 : e.colour.trimmed().toInt();
    const bool change = e.tag == ChangeLine;
    // A refusal returns before the commit: the transaction rolls back, and no lock is held
    // while the user reads the message.
    {
        Transaction t(db);

        // The line's key first (two saves of one line never pass the count together), then the
        // days: the one the line leaves, when a change moves it to another worker, shift or
        // date, is read before any lock and locked with the new day in one order, as a delete
        // locks its day before it touches the line; then the line itself is locked and read again.
        std::optional<DayKey> oldDay;
        auto readOld = [&]() -> std::optional<DayKey> {
            QSqlQuery& old =
                execKept(db, QStringLiteral("select w_id, smena, data from accounts_dep.smena where id=:id"),
                         {{QStringLiteral("id"), e.lineId}});
            if (!old.next()) return std::nullopt;
            return DayKey{old.value(0).toInt(), old.value(1).toInt(), old.value(2).toDate()};
        };
        // The line as it is now, locked against every other change until the commit.
        auto lockLine = [&]() -> std::optional<LineValues> {
            QSqlQuery& line = execKept(
                db,
                QStringLiteral("select w_id, smena, data, o_id, i_id, color, kol_vo, brak, time, cena "
                               "from accounts_dep.smena where id=:id for update"),
                {{QStringLiteral("id"), e.lineId}});
            if (!line.next()) return std::nullopt;
            return valuesOf(line.record());
        };
        if (change && !(oldDay = readOld())) return Outcome::Gone;
        const DayKey newDay{e.workerId, e.shift, e.date};
        QList<DayKey> days{newDay};
        if (oldDay && !(*oldDay == newDay)) days << *oldDay;
        std::sort(days.begin(), days.end());
        QList<LockRequest> locks{{LockSpace::JournalLine, lineKey(e, colour)}};
        for (const DayKey& k : days)
            locks << DayHours::rowLocks(k.w, k.s, k.d);
        lockKeys(db, locks);
        if (change) {
            const auto locked = lockLine();
            if (!locked) return Outcome::Gone;
            // Changed since the dialog read it: nothing is overwritten.
            if (e.seen && !(*locked == *e.seen)) {
                if (current) *current = *locked;
                return Outcome::Stale;
            }
            // Moved by another workstation in between: its present day is not locked, and
            // locking it now, out of order, could wait in a circle with a delete that holds
            // it. Nothing is written yet: the attempt is given up and made again.
            if (!(DayKey{locked->workerId, locked->shift, locked->date} == *oldDay)) return std::nullopt;
        }

        // Identical lines: same worker, operation, product, date, shift and colour; a change
        // leaves its own line out. Quantity, rejects and hours take no part.
        QMap<QString, QVariant> key{{QStringLiteral("w"), e.workerId},  {QStringLiteral("o"), e.operationId},
                                    {QStringLiteral("i"), e.productId}, {QStringLiteral("data"), e.date},
                                    {QStringLiteral("s"), e.shift},     {QStringLiteral("color"), colour}};
        QString count = QStringLiteral(
            "select count(id) as cnt from accounts_dep.SMENA where w_id=:w and o_id=:o and i_id=:i and "
            "data=:data and smena=:s");
        if (change) {
            count += QStringLiteral(" and id<>:id");
            key.insert(QStringLiteral("id"), e.lineId);
        }
        count += QStringLiteral(" and color=:color");
        QSqlQuery& cnt = execKept(db, count, key);
        if (cnt.next() && cnt.value(0).toLongLong() > 0) return Outcome::Duplicate;

        QMap<QString, QVariant> v = key;
        v.insert(QStringLiteral("cena"), SqlText::roundTo(e.price, 4));
        v.insert(QStringLiteral("kol_vo"), e.kolVo.trimmed().toInt());
        v.insert(QStringLiteral("brak"), e.brak.trimmed().toInt());
        v.insert(QStringLiteral("time"), e.time.trimmed().toInt());
        v.insert(QStringLiteral("vvod"), QDate::currentDate());
        int lineId = e.lineId;
        if (change)
            execKept(
                db,
                QStringLiteral(
                    "update accounts_dep.SMENA set w_id=:w, i_id=:i, o_id=:o, cena=:cena, kol_vo=:kol_vo, "
                    "brak=:brak, data=:data, smena=:s, color=:color, time=:time, vvod=:vvod, prize=0, "
                    "id_doc=0, id_doc_item=0, f_gds_qty_use=0, id_gds_use=0, id_cons_use=0 where id=:id"),
                v);
        else {
            QSqlQuery& inserted = execKept(
                db,
                QStringLiteral(
                    "insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
                    "color, time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, "
                    "id_cons_use) values(:w, :i, :o, :cena, :kol_vo, :brak, :data, :s, :color, :time, "
                    ":vvod, 'no', 0, 0, 0, 0, 0, 0) returning id"),
                v);
            lineId = inserted.next() ? inserted.value(0).toInt() : 0;
        }
        Changes::note(db, Changes::journal(newDay.d, newDay.s));
        if (oldDay && !(*oldDay == newDay)) Changes::note(db, Changes::journal(oldDay->d, oldDay->s));
        DayHours::afterSaveLocked(db, newDay.w, newDay.s, newDay.d);
        if (oldDay && !(*oldDay == newDay)) DayHours::recomputeDayLocked(db, oldDay->w, oldDay->s, oldDay->d);
        t.commit();
        if (savedId) *savedId = lineId;
        return Outcome::Saved;
    }
}
} // namespace

Outcome write(QSqlDatabase db, const Entry& e, LineValues* current, int* savedId) {
    for (;;)
        if (const auto outcome = writeOnce(db, e, current, savedId)) return *outcome;
}

Outcome save(DataModule6& dm, const Entry& e, LineValues* current, int* savedId) {
    if (const QString why = refusal(e); !why.isEmpty()) {
        messages().error(Caption::Error, why);
        return Outcome::Refused;
    }
    if (const QString why = dayRefusal(dm.ADO_DB(), e); !why.isEmpty()) {
        messages().error(Caption::Error, why);
        return Outcome::Refused;
    }
    if (const QString ask = Bounds::question(doubts(dm.ADO_DB(), e));
        !ask.isEmpty() && !messages().doubt(Bounds::QuestionCaption, ask))
        return Outcome::Refused;
    LineValues present;
    Outcome outcome;
    try {
        outcome = write(dm.ADO_DB(), e, &present, savedId);
    } catch (const LockBusy&) {
        // Rolled back whole; the typed values stay in the dialog.
        messages().error(Caption::Error,
                         busyText(dm.ADO_DB(), {e.date, e.seen ? e.seen->date : QDate()}, SaveNotDoneText));
        return Outcome::Busy;
    }
    switch (outcome) {
    case Outcome::Busy:
    case Outcome::Refused:
        break;
    case Outcome::Duplicate:
        messages().error(Caption::Error, DuplicateMessage);
        break;
    case Outcome::Gone:
        reread(dm, e.shift);
        messages().error(Caption::Error, LineGoneMessage);
        break;
    case Outcome::Stale: {
        if (current) *current = present;
        const QString now = describeLine(dm.ADO_DB(), e.lineId);
        reread(dm, e.shift);
        messages().error(Caption::Error, ChangedElsewhereMessage + QStringLiteral("\n\n") + now +
                                             QStringLiteral("\n\n") + ChangedElsewhereHint);
        break;
    }
    case Outcome::Saved:
        // The line is committed: a failed re-read must not make it look unsaved (saving it
        // again would only meet the duplicate check). The journal stays closed and is read
        // again at the next action.
        try {
            reread(dm, e.shift);
        } catch (const DbError&) {
            messages().error(Caption::Error, SavedNotRereadMessage);
        }
        break;
    }
    return outcome;
}

} // namespace ShiftEntry
