#pragma once
// The detailed report by products: per product each brand, operation kind, colour and kind
// with rejects, boxes (mass), pieces and earnings.
#include "reports/ReportForm.h"

class Form21 : public PeriodReport {
    Q_OBJECT
public:
    explicit Form21(QObject* parent = nullptr);
    Query i_Report{QStringLiteral("i_Report")};
    Query& reportQuery() override { return i_Report; }
    static QString sql();
};
