#include "journal/History.h"

#include "db/Query.h"
#include "journal/ShiftEntry.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <QSqlQuery>

namespace History {
namespace {
const QString Columns = QStringLiteral("select id, at, tbl, action, rec_id, rec_date, rec_worker, "
                                       "old_values::text, new_values::text, role, station "
                                       "from tabel_ext.history ");

Change read(const QSqlQuery& q) {
    Change c;
    c.id = q.value(0).toLongLong();
    c.at = q.value(1).toDateTime();
    c.table = q.value(2).toString();
    c.action = q.value(3).toString();
    c.recordId = q.value(4).toInt();
    c.recordDate = q.value(5).toDate();
    c.worker = q.value(6).toInt();
    c.oldValues = QJsonDocument::fromJson(q.value(7).toString().toUtf8()).object();
    c.newValues = QJsonDocument::fromJson(q.value(8).toString().toUtf8()).object();
    c.role = q.value(9).toString();
    c.station = q.value(10).toString();
    return c;
}

QList<Change> readAll(QSqlQuery& q) {
    QList<Change> out;
    while (q.next())
        out << read(q);
    return out;
}

// The columns of a journal line and of a household record as the windows call them, in the
// order a description lists them.
const QList<std::pair<QString, QString>>& labels() {
    static const QList<std::pair<QString, QString>> l{
        {QStringLiteral("w_id"), QStringLiteral("Работник")},
        {QStringLiteral("id_p"), QStringLiteral("Работник")},
        {QStringLiteral("data"), QStringLiteral("Дата")},
        {QStringLiteral("d_date"), QStringLiteral("Дата")},
        {QStringLiteral("smena"), QStringLiteral("Смена")},
        {QStringLiteral("i_smena"), QStringLiteral("Смена")},
        {QStringLiteral("o_id"), QStringLiteral("Операция")},
        {QStringLiteral("id_o"), QStringLiteral("Операция")},
        {QStringLiteral("i_id"), QStringLiteral("Изделие")},
        {QStringLiteral("kol_vo"), QStringLiteral("Кол-во")},
        {QStringLiteral("cnt"), QStringLiteral("Часы")},
        {QStringLiteral("brak"), QStringLiteral("Брак")},
        {QStringLiteral("time"), QStringLiteral("Часы")},
        {QStringLiteral("cena"), QStringLiteral("Цена")},
        {QStringLiteral("price"), QStringLiteral("Цена")},
        {QStringLiteral("color"), QStringLiteral("Цвет")},
        {QStringLiteral("ok"), QStringLiteral("Отметка")},
        {QStringLiteral("i_holiday"), QStringLiteral("Выходной")},
        {QStringLiteral("i_night"), QStringLiteral("Ночь")},
    };
    return l;
}

QString workerName(QSqlDatabase db, int worker) {
    QSqlQuery q(db);
    execBound(q,
              QStringLiteral("select s_caption from cmn_contractor.person where id = :w or s_code::t_id = :w "
                             "order by (id = :w) desc limit 1"),
              {{QStringLiteral("w"), worker}});
    return q.next() ? q.value(0).toString() : QStringLiteral("№%1").arg(worker);
}

QString operationText(QSqlDatabase db, int operation) {
    QSqlQuery q(db);
    execBound(q,
              QStringLiteral("select izdel.marka, vid_oper.vid from accounts_dep.oper "
                             "left join accounts_dep.izdel on izdel.id = oper.i_id "
                             "left join accounts_dep.vid_oper on vid_oper.id = oper.vid where oper.id = :o"),
              {{QStringLiteral("o"), operation}});
    if (!q.next()) return QStringLiteral("№%1").arg(operation);
    return QStringLiteral("%1; %2").arg(q.value(0).toString(), q.value(1).toString());
}

QString shown(QSqlDatabase db, const QString& column, const QJsonValue& v) {
    if (v.isNull() || v.isUndefined()) return QStringLiteral("—");
    if (column == QLatin1String("w_id") || column == QLatin1String("id_p")) return workerName(db, v.toInt());
    if (column == QLatin1String("o_id")) return operationText(db, v.toInt());
    if (column == QLatin1String("data") || column == QLatin1String("d_date"))
        return QDate::fromString(v.toString().left(10), Qt::ISODate).toString(QStringLiteral("dd.MM.yyyy"));
    if (v.isDouble()) return QLocale(QLocale::Russian).toString(v.toDouble(), 'g', 12);
    return v.toVariant().toString();
}
} // namespace

QList<Change> ofLine(QSqlDatabase db, int lineId) {
    QSqlQuery q(db);
    execBound(q, Columns + QStringLiteral("where tbl = 'smena' and rec_id = :id order by id desc"),
              {{QStringLiteral("id"), lineId}});
    return readAll(q);
}

QList<Change> changes(QSqlDatabase db, const Filter& f) {
    QString sql = Columns + QStringLiteral("where rec_date >= :d1 and rec_date <= :d2");
    QMap<QString, QVariant> p{{QStringLiteral("d1"), f.from}, {QStringLiteral("d2"), f.to}};
    if (!f.householdToo) sql += QStringLiteral(" and tbl = 'smena'");
    if (f.worker != 0) {
        sql += QStringLiteral(" and rec_worker = :w");
        p.insert(QStringLiteral("w"), f.worker);
    }
    if (!f.action.isEmpty()) {
        sql += QStringLiteral(" and action = :a");
        p.insert(QStringLiteral("a"), f.action);
    }
    sql += QStringLiteral(" order by id desc");
    QSqlQuery q(db);
    execBound(q, sql, p);
    return readAll(q);
}

QString actionText(const QString& action) {
    if (action == QLatin1String("insert")) return QStringLiteral("добавлена");
    if (action == QLatin1String("update")) return QStringLiteral("изменена");
    if (action == QLatin1String("delete")) return QStringLiteral("удалена");
    return action;
}

QString describe(QSqlDatabase db, const Change& c) {
    QStringList parts;
    for (const auto& [column, label] : labels()) {
        const bool inOld = c.oldValues.contains(column);
        const bool inNew = c.newValues.contains(column);
        if (!inOld && !inNew) continue;
        if (c.action == QLatin1String("update"))
            parts << QStringLiteral("%1: %2 → %3")
                         .arg(label, shown(db, column, c.oldValues.value(column)),
                              shown(db, column, c.newValues.value(column)));
        else
            parts << QStringLiteral("%1: %2").arg(
                label, shown(db, column, inNew ? c.newValues.value(column) : c.oldValues.value(column)));
    }
    return parts.join(QStringLiteral("; "));
}

QString restore(QSqlDatabase db, const Change& deleted) {
    if (deleted.table != QLatin1String("smena") || deleted.action != QLatin1String("delete"))
        return QStringLiteral("Восстановить можно только удалённую строку журнала.");
    const QJsonObject& v = deleted.oldValues;
    ShiftEntry::Entry e;
    e.tag = ShiftEntry::NewLine;
    e.workerId = v.value(QStringLiteral("w_id")).toInt();
    e.operationId = v.value(QStringLiteral("o_id")).toInt();
    e.productId = v.value(QStringLiteral("i_id")).toInt();
    e.price = v.value(QStringLiteral("cena")).toDouble();
    e.worker = workerName(db, e.workerId);
    e.operation = operationText(db, e.operationId);
    e.kolVo = QString::number(v.value(QStringLiteral("kol_vo")).toInt());
    e.brak = QString::number(v.value(QStringLiteral("brak")).toInt());
    e.time = QString::number(v.value(QStringLiteral("time")).toInt());
    e.colour = QString::number(v.value(QStringLiteral("color")).toInt());
    e.date = QDate::fromString(v.value(QStringLiteral("data")).toString().left(10), Qt::ISODate);
    e.shift = v.value(QStringLiteral("smena")).toInt();
    if (const QString why = ShiftEntry::refusal(e); !why.isEmpty()) return why;
    if (const QString why = ShiftEntry::dayRefusal(db, e); !why.isEmpty()) return why;
    switch (ShiftEntry::write(db, e)) {
    case ShiftEntry::Outcome::Saved:
        return {};
    case ShiftEntry::Outcome::Duplicate:
        return ShiftEntry::DuplicateMessage;
    case ShiftEntry::Outcome::Refused:
    case ShiftEntry::Outcome::Gone:
    case ShiftEntry::Outcome::Stale:
    case ShiftEntry::Outcome::Busy:
        break;
    }
    return QStringLiteral("Строка не восстановлена.");
}

} // namespace History
