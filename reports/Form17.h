#pragma once
// The report by products: per product the kind, operation kind, colour, boxes (mass) and
// good pieces.
#include "reports/ReportForm.h"

class Form17 : public PeriodReport {
    Q_OBJECT
public:
    explicit Form17(QObject* parent = nullptr);
    Query t_Report{QStringLiteral("t_Report")};
    Query& reportQuery() override { return t_Report; }
    static QString sql();
};
