#pragma once
// What every period statement of the summary reports reads: the journal lines of the period
// (first day included, data2 excluded) summed per worker, product, operation and colour before
// anything is joined to them, so the same lines are counted the same way everywhere:
//  - an empty rejects count is no rejects, an empty quantity no pieces;
//  - the amount is quantity less rejects times the line's price, summed as exact decimals
//    (the price's decimal form), rounded only where it is printed;
//  - every line of the period is in every report: products, operations, operation kinds and
//    people are joined to it, never filter it; a worker number that names no person prints
//    as that number.
// Summing first and joining the sums gives the same rows as joining every line and grouping
// the result (the sums of the sums are the sums), in a fraction of the time over a long period.
#include <QString>

namespace PeriodLines {

// The period's lines summed per `keys` (a list of smena's columns, such as "w_id, i_id, o_id,
// color") and price: the keys, kol_vo, brak (64-bit integers), summa (exact numeric) and, with
// `withPrize`, s_prize (the bonus: premium percent of the amount). Aliased "smena"; a key may
// come in several rows (one per price), so the statements sum these again.
QString summed(const QString& keys, bool withPrize = false);

// The names the summed lines are joined to: products, operations, operation kinds (outer joins).
QString names();

// The two reports by workers read the period's lines of each worker, product, operation,
// colour and price summed once ("s": kol_vo, brak, and with `withPrize` s_prize), then group
// those sums by ranks rather than by names: "w" ranks the period's workers by printed name (his
// person's name, or his number where no person has it, or nothing without a number), "i" the
// products by `productName` (a column of izdel), "o" the operations by `operationOrder` (naimen
// and vid, in the order the report sorts them). Equal names share a rank, a product or
// operation the line names but that does not exist ranks with those that have no name, so
// grouping by the ranks groups exactly as by the names, and ordering by them orders exactly as
// by the names (in the database's collation) while the server compares integers. Each price's
// exact decimal form is taken once ("pr.n"). The text ends with the WITH clause; the
// statement goes on with its select list, then workerFrom(), then its grouping.
QString workerRanks(const QString& productName, const QString& operationOrder, bool withPrize = false);
QString workerFrom();

// The ranks to group and order by; the names are taken as min(w.fio), min(i.<name>) and so on,
// the same within a group (w.fio is empty for lines without a worker number).
QString workerRank();
QString productRank();
QString operationRank();

// Good pieces (made less rejects) of the summed rows, and their amount as an exact decimal.
QString goodPieces();
QString amount();

} // namespace PeriodLines
