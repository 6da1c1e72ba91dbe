#pragma once
// The detailed report by workers: per worker each product brand, operation kind, colour
// and kind with rejects, pieces and earnings.
#include "reports/ReportForm.h"

class Form20 : public PeriodReport {
    Q_OBJECT
public:
    explicit Form20(QObject* parent = nullptr);
    Query w_Report{QStringLiteral("w_Report")};
    Query& reportQuery() override { return w_Report; }
    static QString sql();
};
