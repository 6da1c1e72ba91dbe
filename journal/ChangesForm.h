#pragma once
// The change history windows over the database extension's history: "История" of one journal
// line (its versions, newest first) and "Журнал изменений" of a period, filtered by worker,
// dates and action, exportable as a workbook. A deleted line is restored from either by full
// access while its month is open.
#include "forms/FormDialog.h"
#include "journal/History.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

class ChangesForm : public FormDialog {
    Q_OBJECT
public:
    explicit ChangesForm(QWidget* parent = nullptr);

    // "История": the versions of one journal line.
    void openLine(int lineId);
    // "Журнал изменений" of the month holding `date`.
    void openPeriod(const QDate& date);

    QDateEdit* From;
    QDateEdit* To;
    QLineEdit* Worker;
    QComboBox* Action;
    QPushButton* ShowButton;
    QTableWidget* Grid;
    // Says so when nothing is recorded (hidden otherwise).
    QLabel* Nothing;
    QPushButton* RestoreButton;
    QPushButton* ExcelButton;
    QPushButton* ExitButton;

    // The changes shown, in the grid's order.
    const QList<History::Change>& shown() const { return shown_; }

public slots:
    void ShowButtonClick();
    void RestoreButtonClick();
    void ExcelButtonClick();

private:
    void fill(const QList<History::Change>& changes);
    void updateButtons();
    int lineId_ = 0;
    QList<History::Change> shown_;
    QWidget* filters_ = nullptr;
};
