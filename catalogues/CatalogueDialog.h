#pragma once
// An entry dialog of a catalogue list: its fields, then "Записать" (Button1, the default
// button), which runs Button1Click, and "Отмена" (Button2), which closes the dialog. It is
// shown centred over the window that opens it.
#include "forms/FormDialog.h"

#include <QPushButton>

class QHBoxLayout;

class CatalogueDialog : public FormDialog {
    Q_OBJECT
public:
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;

public slots:
    virtual void Button1Click() = 0;

protected:
    using FormDialog::FormDialog;

    // Creates Button1 and Button2, after the fields so that they come last in the tab order,
    // and returns their row: "Записать" at the left, "Отмена" at the right.
    QHBoxLayout* saveCancelRow();

    void showEvent(QShowEvent* e) override;
};
