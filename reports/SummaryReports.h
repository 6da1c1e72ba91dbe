#pragma once
// The work of the summary reports window that needs no window: its default period, the
// statement of its export query and the texts of the exported cells, and the export itself.
#include "db/Query.h"

#include <functional>
#include <QDate>
#include <QLocale>
#include <utility>

class ExcelExport;

namespace SummaryReports {

// The previous calendar month as (first day, last day), both included: December of the
// previous year in January.
std::pair<QDate, QDate> defaultPeriod(const QDate& today);

// XLS_Rep: the period's good pieces and mass per product name, colour, kind and operation kind.
QString xlsRepSql();

// Column 2: the operation kind with " (грунт)" for primer and " (цвет: N)" for a colour above 1.
QString operationText(const QVariant& vid, const QVariant& color);
// Column 3.
QString kindText(const QVariant& naimen);
// Column 4: the mass in its shortest form (up to 15 significant digits) with the locale's
// separator; an empty mass is 0.
QString massText(const QVariant& mass, const QLocale& locale = QLocale());
// Column 5: the pieces rounded to a whole number, a half to the even neighbour; empty is 0.
QString kolvoText(const QVariant& kolvo);

// Writes XLS_Rep (open, its kind filter applied) into a new workbook of `excel`: the header,
// then one row per visible row. `progress(k, n)` is told before the first row (k = 0) and
// after each row. False when no workbook could be opened (nothing written).
bool exportRows(Query& xlsRep, ExcelExport& excel, const std::function<void(int, int)>& progress);

} // namespace SummaryReports
