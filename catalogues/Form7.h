#pragma once
// The product dialog "Изделие": a new product or the change of the product list's current one.
#include "catalogues/CatalogueDialog.h"
#include "catalogues/LookupCombo.h"
#include "db/Query.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

class Form7 : public CatalogueDialog {
    Q_OBJECT
public:
    explicit Form7(QWidget* parent = nullptr);

    int Tag = 0; // ProductCatalogue::NewProduct or ProductCatalogue::ChangeProduct

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    QLineEdit* Edit2;
    LookupCombo* cb_item;

    // The classes of the second level, by caption; open while the dialog shows.
    Query item{QStringLiteral("item")};

public slots:
    void FormActivate() override;
    // The key filter of "Расценка" (Edit2): digits and Backspace pass, a point or a comma
    // is entered as a point, every other character is dropped. True when the key was taken.
    bool Edit2KeyPress(QKeyEvent* key);
    void Button1Click() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};
