#pragma once
// The work of the shift entry dialog on the database, without a window: the checks of an
// entry and the save of one journal line with the day hours it changes.
//
// A save is one transaction. The line's key (worker, operation, product, date, shift,
// colour) is locked before the duplicate count, so two workstations saving the same line at
// the same moment cannot both pass the count; then the timesheet rows of the days the save
// touches are locked in one fixed order, so two saves never wait on each other in a circle.
// The line and the hours of its day (and, when a change moves it, of its old day) are
// committed together or not at all.
#include "db/Bounds.h"

#include <optional>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>

class DataModule6;

namespace ShiftEntry {

inline const QString IncompleteMessage = QStringLiteral("Все поля должны быть заполнены!");
inline const QString DuplicateMessage = QStringLiteral("Позиция с такими параметрами уже заведена!");
inline const QString RejectsOverQuantityMessage = QStringLiteral("Брак не может быть больше количества!");
inline const QString EmptyLineMessage = QStringLiteral("Нужно завести количество или время!");
inline const QString LineGoneMessage =
    QStringLiteral("Позиция уже удалена на другом рабочем месте. Журнал перечитан.");

// A change refused because another workstation changed or moved the line after the dialog
// read it; followed by the line's present values.
inline const QString ChangedElsewhereMessage =
    QStringLiteral("Позиция изменена на другом рабочем месте. Ваши изменения не записаны, журнал перечитан.");
inline const QString ChangedElsewhereHint = QStringLiteral(
    "Чтобы всё же записать введённые значения поверх, нажмите «Запись» ещё раз; чтобы оставить "
    "позицию как есть, нажмите «Отмена».");

inline const QString SavedNotRereadMessage =
    QStringLiteral("Позиция сохранена, но журнал не удалось перечитать. Он будет перечитан при следующем "
                   "действии.");

inline const QString SaveNotDoneText =
    QStringLiteral("Позиция не записана: ничего не записано. Введённые значения остались в окне; "
                   "повторите запись немного позже.");

// Dialog modes.
constexpr int NewLine = 1;
constexpr int ChangeLine = 2;

// Digits the boxes take: quantity, hours and colour are integer columns, rejects a small
// integer; every value of the column fits, and a number past it is refused in words.
constexpr int IntegerDigits = Bounds::IntegerDigits;
constexpr int SmallIntegerDigits = Bounds::SmallIntDigits;

// True for a paint operation, whose line needs a colour: its kind contains "КРАСКА" in any
// letter case. The brand takes no part ("Краска ПФ-115" may be painted or not).
bool isPaint(const QString& kind);

// What a change compares: the line's values as the dialog read them. Another workstation's
// change of any of them since then refuses the save.
struct LineValues {
    int workerId = 0;
    int operationId = 0;
    int productId = 0;
    QDate date;
    int shift = 0;
    int colour = 0;
    qlonglong kolVo = 0;
    qlonglong brak = 0;
    qlonglong time = 0;
    double price = 0;
    bool operator==(const LineValues& o) const;
};
// The values of a journal row (a record of the journal query, or of smena itself).
LineValues valuesOf(const QSqlRecord& line);

struct Entry {
    int tag = NewLine;
    int lineId = 0; // the line being changed
    int workerId = 0;
    int operationId = 0;
    int productId = 0;
    double price = 0;
    QString worker;    // the worker's name as the dialog shows it
    QString operation; // brand; kind; kind of output
    QString kind;      // the operation's kind: decides whether the line needs a colour
    QString kolVo;     // as typed
    QString brak;
    QString time;
    QString colour;
    QDate date;
    int shift = 1; // the journal's shift
    // For a change: the line as the dialog read it; without it the line is taken as it is.
    std::optional<LineValues> seen;
};

// The message that refuses the entry before anything is asked of the server; empty when
// the entry is complete, has pieces or hours, and its numbers fit their columns and a day.
QString refusal(const Entry& e);

// The refusal that needs the database: the worker's hours of the day, over every shift and
// his household records, past 24, or the shift's day past the timesheet cell.
QString dayRefusal(QSqlDatabase db, const Entry& e);

// The unlikely values of the entry (quantity far above the operation's, a date far ahead
// or in a long-closed year, a colour the plant does not use), each a sentence.
QStringList doubts(QSqlDatabase db, const Entry& e);

enum class Outcome {
    Saved,     // written with its day hours
    Refused,   // incomplete, a number that does not fit, or a doubt answered No; nothing written
    Duplicate, // an identical line exists; nothing written
    Gone,      // the line to change no longer exists; nothing written
    Stale,     // the line was changed elsewhere since it was read; nothing written
    Busy,      // another workstation held what the save needs past the bound; nothing written
};

// The database part of a save, on any connection (each workstation has its own): one
// transaction that counts identical lines and writes the line with its day hours. The
// entry must have passed refusal(). Shows nothing.
// On Stale, `current` (when given) receives the line's present values.
// A saved line's id goes to savedId.
Outcome write(QSqlDatabase db, const Entry& e, LineValues* current = nullptr, int* savedId = nullptr);

// What "Запись" does: checks the entry, asks once about its unlikely values (No writes
// nothing), writes it, tells the user why when it is not written, re-reads the journal query of the shift (on
// the same row number) and closes the timesheet-by-time queries so they read afresh.
// On Stale the message shows the line's present values, which `current` (when given)
// receives: a second save from them is the user's deliberate overwrite.
Outcome save(DataModule6& dm, const Entry& e, LineValues* current = nullptr, int* savedId = nullptr);

// The line's present values in words (worker, product, operation, date, shift, numbers).
QString describeLine(QSqlDatabase db, int lineId);

} // namespace ShiftEntry
