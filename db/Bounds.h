#pragma once
// The limits of the numbers a worker is paid by, in one place: what a column can hold, what
// no plant can have (refused in words), and what is only unlikely (asked about once before
// it is stored). The journal's entry dialog and the household works dialog both check here.
// No widgets; the texts are returned, the caller shows them.
#include <functional>
#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace Bounds {

// Column ranges of the journal line and the timesheet's day cell.
constexpr qlonglong IntegerMax = 2147483647; // kol_vo, color, time, cnt
constexpr qlonglong SmallIntMax = 32767;     // brak, h_tabel.d1..d31
// Digits a box of such a column takes: every value of the column fits, and one more
// number past its range is refused in words rather than cut.
constexpr int IntegerDigits = 10;
constexpr int SmallIntDigits = 5;

// A worker's hours of one day, over all shifts and household records.
constexpr int DayHoursMax = 24;

// Quantities: up to QuantityFloor pieces never ask; above it a quantity asks when it is more
// than QuantityGrowth times the operation's largest so far (or the operation has none), and
// above PieceCountCeiling it always asks.
constexpr qlonglong QuantityFloor = 1000;
constexpr qlonglong QuantityGrowth = 10;
constexpr qlonglong PieceCountCeiling = 100000;

// Dates: more than FutureDays after today, or in a year before last.
constexpr int FutureDays = 3;
constexpr int ClosedYearsBack = 2; // today's year minus this and earlier are long closed

// Colours: 0 none, 1 primer, RAL codes 1000..9999.
constexpr int RalFirst = 1000;
constexpr int RalLast = 9999;

inline const QString TooLargeMessage = QStringLiteral("Слишком большое число в поле «%1»: не больше %2!");
inline const QString DayHoursMessage =
    QStringLiteral("В сутках не больше 24 часов: у работника за %1 получится %2 ч.");
inline const QString DayCellMessage =
    QStringLiteral("Часы работника за %1 в смене (%2 ч.) не помещаются в клетку табеля (не больше %3)!");
inline const QString QuestionCaption = QStringLiteral("Подтверждение");

// The date the checks call today; replaceable so that tests fix it.
QDate today();
void setClock(std::function<QDate()> clock);

// A count or an amount in a message, grouped as Russian text writes it ("2 147 483 647"); codes
// such as colours and years are written as they are.
QString grouped(qlonglong n);
// The number a digits-only box holds, or -1 when it is empty or not a number.
qlonglong typed(const QString& text);
// The refusal of a typed number past `max`, naming its box; empty when it fits.
QString tooLarge(const QString& text, qlonglong max, const QString& box);

// The hours of worker w on date d that a save leaves in place: his journal lines of every
// shift except line `exceptLine`, and his household records except record `exceptRecord`;
// `replaced` gets the hours of that line or record when it is on this worker and date.
struct DayHours {
    qlonglong others = 0;
    qlonglong replaced = 0;
    qlonglong shiftOthers = 0; // the journal lines of shift `shift` among `others`
};
DayHours dayHours(QSqlDatabase db, int w, const QDate& d, int shift, int exceptLine, int exceptRecord);

// The refusal of `hours` more on top of `day`: past 24 in the day (unless the day was already
// past and the save does not make it more), or, for a journal line of a shift, past the
// timesheet cell. Empty when the hours can be written.
QString dayHoursRefusal(const DayHours& day, qlonglong hours, const QDate& d, bool journalLine);

// Doubts: each a sentence with the value in it; empty when the value is ordinary.
QString quantityDoubt(qlonglong quantity, qlonglong largestSoFar);
QString dateDoubt(const QDate& d);
QString colourDoubt(qlonglong colour);
// The operation's largest quantity of a line so far (0 without lines).
qlonglong largestQuantity(QSqlDatabase db, int operationId);

// The one question that asks about all the doubts together (empty ones left out); empty
// without doubts.
QString question(QStringList doubts);

} // namespace Bounds
