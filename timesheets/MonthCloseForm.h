#pragma once
// The window "Закрытие месяцев": the months with their state, who closed them, when and why;
// closing a month (full access and the budget office) and reopening it (full access, with a
// reason). Opened from the timesheet menu where the database has the extension.
#include "forms/FormDialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

class MonthCloseForm : public FormDialog {
    Q_OBJECT
public:
    explicit MonthCloseForm(QWidget* parent = nullptr);

    void openWindow();

    QTableWidget* Grid;
    // The selected month's closes and reopens: what, when, who, where, why.
    QTableWidget* LogGrid;
    QLineEdit* Reason;
    QPushButton* CloseButton;
    QPushButton* ReopenButton;
    QPushButton* ExitButton;

public slots:
    void FormActivate() override;
    void CloseButtonClick();
    void ReopenButtonClick();

private:
    void reread();
    void updateButtons();
    void showLog();
    // The selected month; false when none.
    bool selected(int* year, int* month, bool* closed) const;
};
