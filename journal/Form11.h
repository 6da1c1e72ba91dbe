#pragma once
// The shift entry dialog: one journal line entered ("Заведение новой позиции (11)") or
// changed ("Изменение данных о позиции (11)"). The worker and the operation are picked in
// the worker list and the operations list; the journal hands in the rest before showing it.
#include "forms/FormDialog.h"
#include "journal/ShiftEntry.h"

#include <optional>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>

class Form11 : public FormDialog {
    Q_OBJECT
public:
    explicit Form11(QWidget* parent = nullptr);

    int Tag = 1; // ShiftEntry::NewLine or ShiftEntry::ChangeLine
    int SelWId = 0;
    int SelOId = 0;
    int SelIId = 0;
    int SelNaimen = 0;
    double SelPrice = 0;
    // The operation's kind, which decides whether the line needs a colour.
    QString SelVid;
    // Handed in by the journal: its shift, its "Выходной" box, and the line being changed.
    int CurSmena = 1;
    bool DayOff = false;
    int LineId = 0;
    // The line as it was read when the dialog opened for a change.
    std::optional<ShiftEntry::LineValues> Seen;
    // The line the last "Запись" saved (0 when the dialog closed without saving).
    int SavedId = 0;

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1; // ФИО
    QPushButton* Button3;
    QLabel* Label2;
    QLineEdit* Edit2; // Операция
    QPushButton* Button4;
    QLabel* Label3;
    QLineEdit* Edit3; // Кол-во
    QLabel* Label5;
    QLineEdit* Edit6; // Время
    QLabel* Label6;
    QLineEdit* Edit5; // Цвет
    QLabel* Label7;
    QDateEdit* DTimeP;
    QLabel* Label4;
    QLineEdit* Edit4; // Брак
    QLabel* Label8;
    QLineEdit* Edit8; // Цена база
    QLabel* Label9;
    QLineEdit* Edit7; // Цена итог
    QLabel* Label10;
    QLineEdit* Edit9;     // Сумма
    QLabel* Label11;      // the surcharges in "Цена итог", in words
    QPushButton* Button1; // Запись
    QPushButton* Button2; // Отмена

    // The pick of the operations list: the product, the operation, its kind of output and
    // its price with the journal's surcharges, and the text of Edit2.
    void pickOperation(const QSqlRecord& row);
    // The pick of the worker list.
    void pickWorker(const QString& name, int id);
    // Enables the colour box for a paint operation (its kind SelVid); otherwise empties and
    // disables it.
    void applyPaint();

public slots:
    void FormActivate() override;
    void Button3Click();
    void Button4Click();
    void Edit6Exit();
    void Button1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    bool justShown_ = false;
};
