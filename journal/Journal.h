#pragma once
// The journal's work on the database, without a window: the four journal queries of a
// date, deleting a line with its day hours, and the confirmation mark.
#include <optional>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>

class DataModule6;

namespace Journal {
// Closes Smena1..Smena4, then opens each for the date.
void openAll(DataModule6& dm, const QDate& date);
// The same, except that shift `fresh` keeps its rows when it is open on this date: it was read
// a moment ago (the entry dialog's save reads its shift again).
void openAll(DataModule6& dm, const QDate& date, int fresh);
// Closes and opens the four again with their current parameters.
void refreshAll(DataModule6& dm);

// Deletes the line and brings the hours of the day it is on now up to date (another
// workstation may have moved it to another worker, shift or date since it was shown); both
// are committed together or not at all. False when the line was already deleted elsewhere.
bool deleteLine(DataModule6& dm, int lineId);
// The same on any connection (each workstation has its own).
bool deleteLine(QSqlDatabase db, int lineId);

// The question before a line is deleted: "Удалить позицию из списка?" and, below it, the line
// it means (worker, operation, quantity, hours), so a slip of the keys shows whose line it is.
QString deleteQuestion(const QSqlRecord& line);

// The mark a double click gives a line: a confirmed line ("ok", "да") becomes "no",
// any other becomes "ok".
QString toggledMark(const QString& mark);
// Writes the mark through updtOK: "update accounts_dep.smena set ok=:ok where id=:id".
void setMark(DataModule6& dm, int lineId, const QString& mark);

// The lowest norm price of an operation now; nothing when it has no norm.
std::optional<double> lowestNormPrice(DataModule6& dm, int operationId);
// How a journal line's amount was made, in plain words (the grid's tooltip of "Итого (р.)");
// empty when it cannot be told (the server is away).
QString explainLine(DataModule6& dm, const QSqlRecord& line);

// Marks that stay hidden from the journal ("ta").
inline const QString HiddenMark = QStringLiteral("ta");
} // namespace Journal
