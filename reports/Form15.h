#pragma once
// The monthly hours summary: one line per worker with his hours on each day of the month,
// summed over all his timesheet rows of the month whatever their shift, and their total.
// A4 landscape; the column header starts every page.
#include "reports/ReportForm.h"

class Form15 : public ReportForm {
    Q_OBJECT
public:
    explicit Form15(QObject* parent = nullptr);
    Query H_Tabel{QStringLiteral("H_Tabel")};
    Query& reportQuery() override { return H_Tabel; }
    static QString sql();

    // The column header's caption, "Данные за:" until the caller names the month.
    report::Item* QRLabel33 = nullptr;

    // Opens H_Tabel for the month (1..12) and year.
    void openMonth(int month, int year);
    // The whole printing of a month: H_Tabel opened, QRLabel33 set to `caption`, the report
    // previewed (zoomed to the whole page) until the user closes it, H_Tabel closed.
    void printMonth(int month, int year, const QString& caption);
    // "Табель за март 2024.pdf".
    static QString fileName(int month, int year);

    // Where the day cells start (day 1 to 31), in mm from the left margin; each is 5.3 mm wide.
    static const double DayLeft[31];
};
