#pragma once
// How values are written where the system puts them into text: the day-first date form of
// the journal, prices rounded to 4 decimals with a point, the decimal separator of the
// server. Values a user typed never go into SQL text: they are bound as parameters.
#include <QDate>
#include <QString>

namespace SqlText {
// 22.02.2024
QString date(const QDate& d);
// A price rounded to 4 decimals in its shortest form with a point: 12.5, 10, 0.1235.
QString price(double value);
// Round half away from zero to `decimals` places, on the decimal text of the value so that
// 2.675 rounds to 2.68 as a person would expect.
double roundTo(double value, int decimals);
} // namespace SqlText

// The text with its first "," (or, when there is none, its first ".") replaced by `delim`;
// an empty delim just removes it. A text with neither comes back unchanged.
QString DecimalToDb(const QString& text, const QString& delim);
