#pragma once
// Household works records (accounts_dep.fatigue): hours paid at the household works rate
// (kind 7777) or at the worker's average piece rate (kind 7778), and their day in the
// worker's household timesheet row (shift 0, keyed by worker, kind, night flag and month).
// No widgets here.
#include "db/DbError.h"

#include <optional>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>

namespace Household {

constexpr int HouseholdWorks = 7777;
constexpr int AveragePieceRate = 7778;

inline const QString MissingFieldsMessage = QStringLiteral("Все поля должны быть заполнены!");
inline const QString MissingHoursMessage = QStringLiteral("Нужно завести количество!");

// What a change compares: the record as the dialog read it. Another workstation's change of
// any of these since then refuses the save.
struct Seen {
    int nomId = 0;
    int kind = 0;
    int worker = 0;
    int night = 0;
    int hours = 0;
    QDate date;
    bool operator==(const Seen& o) const {
        return nomId == o.nomId && kind == o.kind && worker == o.worker && night == o.night &&
               hours == o.hours && date == o.date;
    }
};
// From a row of accounts_dep.fatigue (id_nom, id_o, id_p, i_night, cnt, d_date).
Seen seenOf(const QSqlRecord& row);

// A change refused because the record was changed on another workstation after the dialog
// read it; nothing was written. Carries the record's present values.
class ChangedElsewhere : public DbError {
public:
    ChangedElsewhere(const QString& message, const Seen& current) : DbError(message), current_(current) {}
    const Seen& current() const { return current_; }

private:
    Seen current_;
};

struct Record {
    int id = 0; // the record being changed; 0 for a new one
    int nomId = 0;
    int kind = 0;
    int worker = 0;
    QDate date;
    int shift = 1;
    QString hours; // as typed
    double normPrice = 0;
    bool dayOff = false;
    bool night = false;
    // For a change: the record as the dialog read it; without it the record is taken as it is.
    std::optional<Seen> seen;
};

// Why a record cannot be written (worker, item or kind missing first, then the hours); empty
// when it can.
QString refusal(const Record& r);
// The hourly price: the norm price, doubled on a day off, raised by 1.2 for night hours.
double price(double normPrice, bool dayOff, bool night);

// Writes the record (new, or the change of r.id) and its day in the household timesheet
// row in one transaction; a change that moves the record also recomputes the day it left.
// The price is written as computed (180, 186.6). A changed record of kind 7778 gets its
// average piece rate computed afresh, never the norm price. False when the record to change
// no longer exists. Throws ChangedElsewhere (nothing written) when r.seen is given and the
// record differs from it now.
bool save(QSqlDatabase db, const Record& r);
// Deletes a record and recomputes the day it is on now (no hours left: the day becomes empty),
// in one transaction. False when it was already gone.
bool remove(QSqlDatabase db, int id);

// The average piece rate of a month written into the month's records of kind 7778: per
// record, the worker's piece earnings on the products of the record's group in the month
// (prices doubled for a day-off record) divided by their hours, to two decimals; 0 without
// such lines. Runs with the month held, so no journal save of the month comes in between.
// Returns the number of records written.
int computeAveragePieceRate(QSqlDatabase db, int month, int year);

} // namespace Household
