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

// The worker's person, one at most per number (outer); its name column is "person.s_caption".
QString person();

// The worker's printed name: his name, or his number where no person has it.
QString workerName();

} // namespace PeriodLines
