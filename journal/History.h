#pragma once
// The change history of journal lines (and household records) that the database extension
// keeps: a line's versions, the journal of changes over a period, and the restore of a deleted
// line through the ordinary save. No widgets here.
#include <optional>
#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace History {

inline const QString LineCaption = QStringLiteral("История");
inline const QString ChangesCaption = QStringLiteral("Журнал изменений");

struct Change {
    qlonglong id = 0;
    QDateTime at;
    QString table;  // "smena" or "fatigue"
    QString action; // "insert", "update", "delete"
    int recordId = 0;
    QDate recordDate;
    int worker = 0;
    QJsonObject oldValues; // an update: only the columns that changed
    QJsonObject newValues;
    QString role;
    QString station;
};

// A journal line's versions, newest first.
QList<Change> ofLine(QSqlDatabase db, int lineId);

// The journal of changes: changes of journal lines (and household records) dated from..to
// (both included), of one worker (0: all) and one action (empty: all), newest first.
struct Filter {
    QDate from;
    QDate to;
    int worker = 0;
    QString action;
    bool householdToo = true;
};
QList<Change> changes(QSqlDatabase db, const Filter& f);

// "добавлена", "изменена", "удалена" (a line); for the grids.
QString actionText(const QString& action);
// The changed values as "Кол-во: 5 → 6; Работник: Иванов И.И. → Петров П.П.", with names for
// the worker and the operation where the journal shows names. An insert lists the values it
// wrote, a delete those it removed.
QString describe(QSqlDatabase db, const Change& c);

// Restores a deleted journal line as a new line through the ordinary save (its checks, its
// duplicate refusal and its day hours); the restore is itself recorded. Returns the message
// that refuses it, or an empty text when the line is back.
QString restore(QSqlDatabase db, const Change& deleted);

} // namespace History
