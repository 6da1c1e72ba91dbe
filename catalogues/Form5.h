#pragma once
// The worker list "Список рабочих": the catalogue of workers (Tag 0) and the worker picker
// of the entry dialogs (Tag 1: the shift entry dialog, 24: the household works dialog).
#include "catalogues/CatalogueSupport.h"
#include "db/DbGrid.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

class Query;

class Form5 : public QDialog {
    Q_OBJECT
public:
    explicit Form5(QWidget* parent = nullptr);

    int Tag = 0;

    DbGrid* DBGrid1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QLineEdit* Edit1;
    QPushButton* Button4;

    // The opener of the picker of `tag` says here what a pick hands back to it; a tag without
    // a handler hands nothing back.
    void setPickHandler(int tag, Catalogue::PickHandler handler);

    // The main menu's "Рабочие": prepareCatalogue, show modally, close Workers.
    void openCatalogue();
    // Tag 0, Workers opened, "Изменить" not default, "Добавить" and "Удалить" shown. The
    // search box keeps its text and filter from the last showing.
    void prepareCatalogue();
    // The picker of an opener: preparePicker, show modally, close Workers.
    void openPicker(int tag);
    // Tag, Workers opened, "Выбрать" default, "Добавить" and "Удалить" hidden, the search box
    // shown and cleared (no filter).
    void preparePicker(int tag);

    Query& Workers() const;

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
