#pragma once
// The operation kind list "Виды операций (8)": the catalogue of kinds (Tag 0) and the kind
// picker of the operation dialog (Tag 1).
#include "catalogues/CatalogueSupport.h"
#include "db/DbGrid.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

class Query;

class Form8 : public QDialog {
    Q_OBJECT
public:
    explicit Form8(QWidget* parent = nullptr);

    int Tag = 0;

    DbGrid* DBGrid1;
    QLineEdit* Edit1; // the picker's search box, hidden in the catalogue
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;

    // What a pick hands back to the opener of `tag`: the kind's name and id (from an empty
    // list an empty name and the id 0).
    void setPickHandler(int tag, Catalogue::PickHandler handler);

    // The main menu's "Операции": prepareCatalogue, show modally, close Vid_oper.
    void openCatalogue();
    // Tag 0, the filter off and Vid_oper opened (every kind), "Изменить" not default,
    // "Добавить" and "Удалить" shown.
    void prepareCatalogue();
    // The picker of an opener: preparePicker, show modally, finishPicker.
    void openPicker(int tag);
    // Tag, Vid_oper opened, "Выбрать" default, "Добавить" and "Удалить" hidden, the search box
    // shown and cleared (no filter).
    void preparePicker(int tag);
    // After the picker: "Выбрать" no longer default, the search box hidden, Vid_oper closed.
    void finishPicker();

    Query& Vid_oper() const;

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
