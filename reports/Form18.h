#pragma once
// The summary reports window "Отчеты (8)": a period and a product kind, four printed period
// reports and the product summary written into a new spreadsheet.
#include "db/Query.h"
#include "forms/FormDialog.h"

#include <functional>
#include <QButtonGroup>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

class PeriodReport;

class Form18 : public FormDialog {
    Q_OBJECT
public:
    explicit Form18(QWidget* parent = nullptr);

    // "Вид продукции": item 0 "Все", 1 "Готовая продукция", 2 "Заготовки".
    QGroupBox* RadioGroup1;
    QButtonGroup* RadioGroup1Items;
    QGroupBox* GroupBox1; // "Период отбора"
    QLabel* Label1;
    QDateEdit* DTPicker1; // first day of the period
    QLabel* Label2;
    QDateEdit* DTPicker2; // last day of the period, included
    QLabel* Label3;       // the days the period covers, both dates included
    QPushButton* Button4;
    QPushButton* Button2;
    QPushButton* Button1;
    QPushButton* Button3;
    QPushButton* Button6;
    QPushButton* Button5;

    Query XLS_Rep{QStringLiteral("XLS_Rep")};

    int kindIndex() const;
    void setKindIndex(int index);

    // Today's date as the window sees it (replaceable so tests can pick the month).
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    // The main menu's "Сводные отчеты": the previous month as the period, then the window
    // shown modally.
    void openWithDefaultPeriod();
    void setDefaultPeriod();
    // The period as the statements take it: the first day, and the first day no longer included.
    QDate data1() const;
    QDate data2() const;

public slots:
    void Button4Click();
    void Button2Click();
    void Button1Click();
    void Button3Click();
    void Button6Click();
    void Button5Click();

protected:
    void showEvent(QShowEvent* e) override;

private:
    void printReport(PeriodReport& form, const QString& titlePiece, const QString& reportName);
    void showPeriodDays();
};
