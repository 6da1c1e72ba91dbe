#pragma once
// The operation kind dialog: a new kind or the new name of the kind list's current one.
#include "catalogues/CatalogueDialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

class Form9 : public CatalogueDialog {
    Q_OBJECT
public:
    explicit Form9(QWidget* parent = nullptr);

    int Tag = 0; // KindCatalogue::NewKind or KindCatalogue::ChangeKind

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1;

public slots:
    void FormActivate() override;
    void Button1Click() override;
};
