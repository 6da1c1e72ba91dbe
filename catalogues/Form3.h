#pragma once
// The product list "Изделия (3)": the catalogue of products (Tag 0) and the product picker of
// the operation dialog (Tag 1).
#include "catalogues/CatalogueSupport.h"
#include "db/DbGrid.h"
#include "db/Query.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);

    int Tag = 0;

    DbGrid* DBGrid1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;

    // Journal lines of a product from a date on, and its priced operations.
    Query Izdel_Smena{QStringLiteral("Izdel_Smena")};
    Query ii_oper{QStringLiteral("ii_oper")};

    // What a pick hands back to the opener of `tag`: the brand and the id (from an empty list
    // an empty brand and the id 0).
    void setPickHandler(int tag, Catalogue::PickHandler handler);

    // The main menu's "Изделия": prepareCatalogue, show modally, close Izdel.
    void openCatalogue();
    // Tag 0, Izdel opened, "Изменить" not default, "Добавить" and "Удалить" shown, the search box
    // shown with its text and filter from the last showing.
    void prepareCatalogue();
    // The picker of an opener: preparePicker, show modally, finishPicker.
    void openPicker(int tag);
    // Tag, Izdel opened, "Выбрать" default, "Добавить" and "Удалить" hidden, the search box
    // shown and cleared (no filter).
    void preparePicker(int tag);
    // After the picker: "Выбрать" no longer default, the search box cleared and hidden, the
    // filter off, Izdel closed.
    void finishPicker();

    Query& Izdel() const;

public slots:
    void FormActivate();
    void Edit1Change();
    // The search box's keys (its event filter); true when the key was consumed.
    bool Edit1KeyDown(QKeyEvent* key);
    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    Catalogue::PickHandlers pickHandlers_;
};
