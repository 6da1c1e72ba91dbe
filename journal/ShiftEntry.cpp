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

bool isPaint(const QString& operationText) {
    return operationText.toUpper().contains(QStringLiteral("КРАСКА"));
}

namespace {
// A typed number of a digits-only box that fits its column; -1 when it does not.
qlonglong typedNumber(const QString& text, int digits) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > digits) return -1;
    bool ok = false;
    const qlonglong n = t.toLongLong(&ok);
    return ok && n >= 0 ? n : -1;
}

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
                            (isPaint(e.operation) && e.colour.trimmed().isEmpty()) ||
                            e.time.trimmed().isEmpty();
    if (incomplete) return IncompleteMessage;
    const struct {
        const QString& text;
        int digits;
        const char16_t* field;
    } numbers[] = {
        {e.kolVo, IntegerDigits, u"Кол-во"},
        {e.brak, SmallIntegerDigits, u"Брак"},
        {e.time, IntegerDigits, u"Время"},
    };
    for (const auto& n : numbers)
        if (typedNumber(n.text, n.digits) < 0) return TooLargeMessage.arg(QString::fromUtf16(n.field));
    if (!e.colour.trimmed().isEmpty() && typedNumber(e.colour, IntegerDigits) < 0)
        return TooLargeMessage.arg(QStringLiteral("Цвет"));
    if (typedNumber(e.brak, SmallIntegerDigits) > typedNumber(e.kolVo, IntegerDigits))
        return RejectsOverQuantityMessage;
    return {};
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
