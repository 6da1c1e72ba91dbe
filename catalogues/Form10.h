#pragma once
// The operation dialog: a new priced operation ("Заведение новой цены за операцию") or the
// change of the operations list's current one ("Изменение данных о цене за операцию"). The
// product and the kind are picked in their lists; a new operation goes on to its norms.
#include "catalogues/CatalogueDialog.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

class Form10 : public CatalogueDialog {
    Q_OBJECT
public:
    explicit Form10(QWidget* parent = nullptr);

    int Tag = 1; // OperationCatalogue::NewOperation or ChangeOperation
    int IzdelId = 0;
    int VidId = 0;
    // After a save: the operation whose norms are to be opened next (a new operation, or an
    // existing one that has no norm); 0 for none.
    int NormsFor = 0;

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1; // Марка изделия
    QPushButton* Button3;
    QLabel* Label2;
    QLineEdit* Edit2; // Операция
    QPushButton* Button4;
    QLabel* Label3;
    QComboBox* ComboBox1; // Вид

public slots:
    void FormActivate() override;
    void Button3Click();
    void Button4Click();
    void Button1Click() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};
