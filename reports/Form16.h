#pragma once
// The report by workers: per worker and product the kind, operation kind, colour, good
// pieces and earnings, with the earnings less the regional coefficient (divided by 1.2).
#include "reports/ReportForm.h"

class Form16 : public PeriodReport {
    Q_OBJECT
public:
    explicit Form16(QObject* parent = nullptr);
    Query t_Report{QStringLiteral("t_Report")};
    Query& reportQuery() override { return t_Report; }
    static QString sql();
};
