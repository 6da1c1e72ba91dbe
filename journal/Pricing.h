#pragma once
// The price of a journal line and how its amount came about. A line is priced when its
// operation is picked: the operation's lowest norm price, doubled on a day off, then raised
// by 1.2 in the third shift or by 1.5 in overtime (shift 4); both surcharges multiply.
#include <QString>

namespace Pricing {

// The price a pick gives: `lowestNorm` with the day-off and shift surcharges.
double pickPrice(double lowestNorm, bool dayOff, int shift);

// The name of a known surcharge factor ("выходной", "3 смена", "переработка" and their
// products); empty for 1 and for a factor that is none of them.
QString surchargeName(double factor);

// The surcharges of a pick in words with their factors: "выходной ×2, 3 смена ×1,2";
// "без надбавок" when there are none.
QString surchargeWords(bool dayOff, int shift);
// The same for a price against the operation's lowest norm: the surcharges whose product the
// price carries, or the bare factor ("×1,75 к норме") when it is none of them; empty without
// a norm price.
QString surchargeWords(double price, double lowestNorm);

// A number as the workstation shows money: two decimals, groups of thousands ("1 820,50").
QString money(double value);

// The tooltip of a line's amount, in plain words:
//   "(55 − 0) × 33,10 = 1 820,50; цена 33,10 = норма 16,55 × 2 (выходной)"
// The factor is the line's price over the operation's current lowest norm price; it is named
// when it is a known surcharge, shown as a bare factor otherwise, and left out when it is 1.
// Without a norm (lowestNorm <= 0) only the amount itself is explained.
QString explainAmount(qlonglong kolVo, qlonglong brak, double price, double lowestNorm);

} // namespace Pricing
