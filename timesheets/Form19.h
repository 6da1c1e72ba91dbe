#pragma once
// The timesheet by time "Табель по времени": the shift rows of a month, one tab per shift,
// with their rebuild from the journal, the month's spreadsheet and its printout. Days that
// no longer agree with the journal are marked, and counted in the window.
#include "db/Query.h"
#include "forms/DbGrid.h"
#include "forms/FormDialog.h"
#include "timesheets/TimesheetMonth.h"

#include "forms/ClosedMonthLock.h"
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>

class Form19 : public FormDialog {
    Q_OBJECT
public:
    explicit Form19(QWidget* parent = nullptr);

    QTabWidget* PageControl1;
    QWidget* TabSheet1;
    QWidget* TabSheet2;
    QWidget* TabSheet3;
    DbGrid* DBGrid1;
    DbGrid* DBGrid2;
    DbGrid* DBGrid3;
    QPushButton* Button1; // Перестроить
    QProgressBar* PB;
    QPushButton* Button2; // Excel
    QComboBox* ComboBox1; // month
    QComboBox* ComboBox2; // year
    QPushButton* Button5; // Обновить
    QPushButton* Button6; // Печать
    QPushButton* Button4; // Выход
    QLabel* Label1;       // days that differ from the journal

    // "Табель по сменам" of the journal: the month of `journalDate` chosen, the grids read,
    // shown modally; the shift queries are closed afterwards.
    void openMonth(const QDate& journalDate);
    // Chooses the month and year in the combo boxes (a year missing from the list is added).
    void selectMonth(int month, int year);
    int month() const { return ComboBox1->currentIndex() + 1; }
    int year() const { return ComboBox2->currentText().toInt(); }
    DbGrid* grid(int shift) const;
    // The title colour of a day column of the shown month (red weekend, silver past the end).
    QColor titleColour(int day) const;
    // The mismatching days of the month as last read.
    const QList<TimesheetMonth::Mismatch>& mismatches() const { return mismatches_; }

public slots:
    void ComboBox1Change();
    void Button5Click();
    void Button1Click();
    void Button2Click();
    void Button6Click();
    void FormActivate() override;

private:
    // "Перестроить" while the month is closed.
    ClosedMonthLock closedLock_;
    void readMismatches();
    QVariant cellStyle(int shift, const QString& field, const QSqlRecord& row, int role) const;

    QList<TimesheetMonth::Mismatch> mismatches_;
    QHash<QString, int> journalHours_; // "shift/worker/day" -> the journal's hours there
    int shownMonth_ = 1;
    int shownYear_ = 2007;
};
