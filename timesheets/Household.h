#pragma once
// Household works records (accounts_dep.fatigue): hours paid at the household works rate
// (kind 7777) or at the worker's average piece rate (kind 7778), and their day in the
// worker's household timesheet row (shift 0, keyed by worker, kind, night flag and month).
// No widgets here.
#include <QDate>
#include <QSqlDatabase>
#include <QString>

namespace Household {

constexpr int HouseholdWorks = 7777;
constexpr int AveragePieceRate = 7778;

inline const QString MissingFieldsMessage = QStringLiteral("Все поля должны быть заполнены!");
inline const QString MissingHoursMessage = QStringLiteral("Нужно завести количество!");

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
// no longer exists.
bool save(QSqlDatabase db, const Record& r);
// Deletes a record and recomputes its day (no hours left: the day becomes empty), in one
// transaction. False when it was already gone.
bool remove(QSqlDatabase db, int id);

// The average piece rate of a month written into the month's records of kind 7778: per
// record, the worker's piece earnings on the products of the record's group in the month
// (prices doubled for a day-off record) divided by their hours, to two decimals; 0 without
// such lines. Runs with the month held, so no journal save of the month comes in between.
// Returns the number of records written.
int computeAveragePieceRate(QSqlDatabase db, int month, int year);

} // namespace Household
