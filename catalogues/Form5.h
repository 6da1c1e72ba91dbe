#pragma once
// The worker list "Список рабочих": the catalogue of workers (Tag 0) and the worker picker
// of the entry dialogs (Tag 1: the shift entry dialog, 24: the household works dialog).
// Its search box is always shown; in the catalogue it keeps its text and filter from the
// last showing.
#include "catalogues/CatalogueList.h"

class Form5 : public CatalogueList {
    Q_OBJECT
public:
    explicit Form5(QWidget* parent = nullptr);

    // The main menu's "Рабочие": prepareCatalogue, show modally, close Workers.
    void openCatalogue() { showCatalogue(); }

    Query& Workers() const;

public slots:
    void Edit1Change() override;
    bool Edit1KeyDown(QKeyEvent* key) override;
    void Button1Click() override;
    void Button2Click() override;
    void Button3Click() override;
};
