#pragma once
// The product dialog "Изделие": a new product or the change of the product list's current one.
#include "catalogues/LookupCombo.h"
#include "db/Query.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

class Form7 : public QDialog {
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
    QPushButton* Button1;
    QPushButton* Button2;

    // The classes of the second level, by caption; open while the dialog shows.
    Query item{QStringLiteral("item")};

public slots:
    void FormActivate();
    // The key filter of "Расценка" (Edit2): digits and Backspace pass, a point or a comma
    // is entered as a point, every other character is dropped. True when the key was taken.
    bool Edit2KeyPress(QKeyEvent* key);
    void Button1Click();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
};
