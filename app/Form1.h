#pragma once
// The main window "Табель": the journal of one date and shift, its menus, and the timer
// that repeats the build check. Created once at start-up, shown modally by the login.
#include "forms/DbGrid.h"
#include "forms/FormDialog.h"

#include <functional>
#include <memory>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTimer>

class ClosedMonthLock;
class Form11;
class Query;

class Form1 : public FormDialog {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // Members other windows read and write.
    int CurSmena = 1;
    Query* CurQuery = nullptr;
    QString LoginText;
    int BuildDate = 0;
    int BuildTime = 0;

    // Controls.
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton4;
    QDateEdit* DateT;
    QCheckBox* CBox1;
    QLabel* Label1;
    // Beside the date: the month of the date is closed (the extension's month close).
    QLabel* ClosedMark;
    // "История" of the current line: a key and the grid's context menu.
    QAction* HistoryAction;
    DbGrid* DBGrid2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button8;
    QPushButton* Button5;
    QPushButton* Button4;
    QTimer* Timer1;

    // Main menu.
    QMenuBar* MainMenu1;
    QMenu* N2; // Справочники
    QAction* N1;
    QAction* N3;
    QAction* N4;
    QAction* N6;
    QAction* N8;
    QMenu* N11; // Табель
    QAction* N9;
    QAction* N13;
    QAction* N14;
    QAction* N15;
    QAction* N17;
    // Month close and the journal of changes: on the database extension, else disabled.
    QAction* NMonthClose;
    QAction* NChanges;
    QMenu* N7; // Отчеты
    QAction* N10;
    QAction* N5;

    // Today's date as the journal sees it (replaceable so tests can pick the weekday).
    std::function<QDate()> today = [] { return QDate::currentDate(); };

    // Controls whose windows do not exist in this build: they stay disabled whatever the role.
    QSet<QObject*> unavailable;

    // The shift selector of a shift number (1..4; others count as 1).
    QRadioButton* shiftButton(int shift) const;
    // The menu actions whose windows exist are connected by the application; the others stay disabled.
    QList<QAction*> windowActions() const;

public slots:
    void FormActivate() override;
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void DateTChange();
    void CBox1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button8Click();
    void DBGrid2DblClick();
    void Timer1Timer();
    // Build check, also run by the login at every activation; ends the program on a mismatch.
    void CheckVersion();

protected:
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    // The closed month of the date shown, where the extension has one; the buttons that write
    // are disabled with the reason while it is closed.
    void updateClosedMonth();
    // True (and the user told why) when the shown date's month is closed.
    bool refuseClosedMonth();

private:
    void selectShift(int shift);
    // Shows the entry dialog prepared for a new or a changed line of the current shift.
    void execEntry(Form11& f);
    std::unique_ptr<ClosedMonthLock> closedLock_;
    // Re-reads the journal when the picker's date is not the one shown.
    void followDate();
    // Reads the journal of the picker's date and ticks "Выходной" on a weekend.
    void readDate();
    QDate shownDate_;
    // The shift of the entry dialog open from the journal (0 while none is).
    int enteringShift_ = 0;
};
