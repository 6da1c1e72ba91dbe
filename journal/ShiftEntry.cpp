#include "journal/ShiftEntry.h"

#include "db/DataModule6.h"
#include "db/Messages.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"
#include "journal/DayHours.h"

#include <algorithm>
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

QString refusal(const Entry& e) {
    const bool incomplete = e.worker.trimmed().isEmpty() || e.operation.trimmed().isEmpty() ||
                            e.kolVo.trimmed().isEmpty() || e.brak.trimmed().isEmpty() ||
                            (isPaint(e.kind) && e.colour.trimmed().isEmpty()) || e.time.trimmed().isEmpty();
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
    // One line alone past a day's hours needs no look at the others.
    return Bounds::dayHoursRefusal({}, time, e.date, false);
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
std::optional<Outcome> writeOnce(QSqlDatabase db, const Entry& e, int* savedId) {
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
        auto readOld = [&](bool forUpdate) -> std::optional<DayKey> {
            QSqlQuery& old =
                execKept(db,
                         QStringLiteral("select w_id, smena, data from accounts_dep.smena where id=:id") +
                             (forUpdate ? QStringLiteral(" for update") : QString()),
                         {{QStringLiteral("id"), e.lineId}});
            if (!old.next()) return std::nullopt;
            return DayKey{old.value(0).toInt(), old.value(1).toInt(), old.value(2).toDate()};
        };
        if (change && !(oldDay = readOld(false))) return Outcome::Gone;
        const DayKey newDay{e.workerId, e.shift, e.date};
        QList<DayKey> days{newDay};
        if (oldDay && !(*oldDay == newDay)) days << *oldDay;
        std::sort(days.begin(), days.end());
        QList<LockRequest> locks{{LockSpace::JournalLine, lineKey(e, colour)}};
        for (const DayKey& k : days)
            locks << DayHours::rowLocks(k.w, k.s, k.d);
        lockKeys(db, locks);
        if (change) {
            const auto locked = readOld(true);
            if (!locked) return Outcome::Gone;
            // Moved by another workstation in between: its present day is not locked, and
            // locking it now, out of order, could wait in a circle with a delete that holds
            // it. Nothing is written yet: the attempt is given up and made again.
            if (!(*locked == *oldDay)) return std::nullopt;
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
        DayHours::afterSaveLocked(db, newDay.w, newDay.s, newDay.d);
        if (oldDay && !(*oldDay == newDay)) DayHours::recomputeDayLocked(db, oldDay->w, oldDay->s, oldDay->d);
        t.commit();
        if (savedId) *savedId = lineId;
        return Outcome::Saved;
    }
}
} // namespace

Outcome write(QSqlDatabase db, const Entry& e, int* savedId) {
    for (;;)
        if (const auto outcome = writeOnce(db, e, savedId)) return *outcome;
}

Outcome save(DataModule6& dm, const Entry& e, int* savedId) {
    if (const QString why = refusal(e); !why.isEmpty()) {
        messages().error(Caption::Error, why);
        return Outcome::Refused;
    }
    if (const QString why = dayRefusal(dm.ADO_DB(), e); !why.isEmpty()) {
        messages().error(Caption::Error, why);
        return Outcome::Refused;
    }
    if (const QString ask = Bounds::question(doubts(dm.ADO_DB(), e));
        !ask.isEmpty() && !messages().question(Bounds::QuestionCaption, ask))
        return Outcome::Refused;
    const Outcome outcome = write(dm.ADO_DB(), e, savedId);
    switch (outcome) {
    case Outcome::Refused:
        break;
    case Outcome::Duplicate:
        messages().error(Caption::Error, DuplicateMessage);
        break;
    case Outcome::Gone:
        reread(dm, e.shift);
        messages().error(Caption::Error, LineGoneMessage);
        break;
    case Outcome::Saved:
        reread(dm, e.shift);
        break;
    }
    return outcome;
}

} // namespace ShiftEntry
