#pragma once
// The household works list "Хоз. работы (25)": the records of one date, added, changed and
// deleted, and the average piece rate of the date's month computed from the journal.
#include "db/Query.h"
#include "forms/ClosedMonthLock.h"
#include "forms/DbGrid.h"
#include "forms/FormDialog.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QPushButton>

class Form25 : public FormDialog {
    Q_OBJECT
public:
    explicit Form25(QWidget* parent = nullptr);

    int smena_no = 1;
    Query fatigue{QStringLiteral("fatigue")};
    static QString fatigueSql();

    DbGrid* DBGrid1;
    QPushButton* Button5; // Добавить
    QPushButton* Button6; // Изменить
    QPushButton* Button7; // Удалить
    QPushButton* Button1; // Расчитать ср.сд.
    QDateEdit* DTPcker1;
    QCheckBox* CBox1;     // Выходной
    QPushButton* Button8; // Выход

    // "Ср.сд./хоз. работы" of the journal: the journal's date taken, shown modally.
    void openForDate(const QDate& date);
    // Re-reads the list on the same record number.
    void reread();

    // What "Расчитать ср.сд." reports: the records written and their month.
    static QString averageRateReport(int records, int month, int year);

public slots:
    void FormActivate() override;
    void DTPcker1Change();
    void CBox1Click();
    void Button5Click();
    void Button6Click();
    void Button7Click();
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // Adding, changing, deleting and the average rate, while the date's month is closed.
    ClosedMonthLock closedLock_;
};
