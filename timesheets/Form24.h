#pragma once
// The household works entry "Хоз. работы/среднесдельная (24)": one record of hours paid at
// the household works rate or at the average piece rate, added or changed. The list window
// hands in its date, its day-off box and its shift number.
#include "db/Query.h"
#include "forms/FormDialog.h"
#include "timesheets/Household.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlRecord>

class Form24 : public FormDialog {
    Q_OBJECT
public:
    explicit Form24(QWidget* parent = nullptr);

    int Tag = 0; // 0 new record, 1 change
    int sel_worker_id = 0;
    int sel_nom_id = 0;
    // From the list window.
    QDate ListDate;
    bool DayOff = false;
    int Shift = 1;
    int RecordId = 0;
    // The record as it was read when the dialog opened for a change.
    std::optional<Household::Seen> Seen;

    Query type_work{QStringLiteral("type_work")};

    QGroupBox* GroupBox1;
    QLineEdit* Edit1; // ФИО
    QPushButton* Button3;
    QLineEdit* Edit2; // Номенклатура
    QPushButton* Button4;
    QComboBox* cb_type_work;
    QLineEdit* Edit6;     // hours
    QLineEdit* DBEdit1;   // price
    QLineEdit* DBEdit2;   // sum
    QCheckBox* CBox1;     // Ночные
    QPushButton* Button1; // Записать
    QPushButton* Button6; // Выход

    // Prepares a new record (kind 7777) or the change of the list's record `row`.
    void prepareNew();
    void prepareChange(const QSqlRecord& row);
    // Shows the prepared dialog modally; true when a record was written.
    bool run();
    // The record as the fields give it.
    Household::Record record() const;
    int kind() const;

public slots:
    void Button1Click();
    void Button3Click();
    void Button4Click();
    void cb_type_workChange();
    void Edit6Exit();

private:
    void selectKind(int kind);
};
