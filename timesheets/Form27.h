#pragma once
// The monthly timesheets: piecework, household works, average piece rate or general, by the
// menu item that opens the window, with the month's money totals, the rebuild of the month's
// household rows and the spreadsheet.
#include "db/Query.h"
#include "forms/DbGrid.h"
#include "forms/FormDialog.h"

#include "forms/ClosedMonthLock.h"
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

class Form27 : public FormDialog {
    Q_OBJECT
public:
    explicit Form27(QWidget* parent = nullptr);

    int Tag = 9;
    Query H_Tabel0{QStringLiteral("H_Tabel0")};
    Query H_Tabel7777{QStringLiteral("H_Tabel7777")};
    Query H_Tabel7778{QStringLiteral("H_Tabel7778")};
    Query H_Tabel_all{QStringLiteral("H_Tabel_all")};
    Query* cur_query = &H_Tabel0;

    DbGrid* DBGrid;
    QComboBox* ComboBox1; // month
    QComboBox* cb_year;
    QLabel* DBText4;      // Ср. сдел.
    QLabel* DBText3;      // Хоз. работы
    QLabel* DBText2;      // Сделка
    QLabel* DBText1;      // Итого
    QPushButton* Button2; // Excel
    QPushButton* Button5; // Обновить
    QPushButton* Button3; // Перестроить
    QProgressBar* PB;
    QPushButton* Button1; // Выход

    // The mode's columns, caption and query set, today's month chosen and read (no showing).
    void prepare(int mode, const QDate& today = QDate::currentDate());
    // The menu items: prepare and show modally.
    void openPiecework() { open(9); }
    void openHousehold() { open(14); }
    void openAveragePieceRate() { open(15); }
    void openGeneral() { open(17); }
    void selectMonth(int month, int year);
    int month() const { return ComboBox1->currentIndex() + 1; }
    int year() const { return cb_year->currentText().toInt(); }
    int nameColumnWidth() const;

public slots:
    void ComboBox1Change();
    void Button5Click();
    void Button3Click();
    void Button2Click();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // "Перестроить" while the month is closed.
    ClosedMonthLock closedLock_;
    void open(int mode);
    void readYears(int keep);
    QColor titleColour(int day) const;
};
