#pragma once
// The operation kind list "Виды операций (8)": the catalogue of kinds (Tag 0) and the kind
// picker of the operation dialog (Tag 1). Its search box serves only the picker.
#include "catalogues/CatalogueList.h"

class Form8 : public CatalogueList {
    Q_OBJECT
public:
    explicit Form8(QWidget* parent = nullptr);

    // The main menu's "Операции": prepareCatalogue, show modally, close Vid_oper.
    void openCatalogue() { showCatalogue(); }
    // Also switches the filter off first: the catalogue shows every kind.
    void prepareCatalogue() override;
    // After the picker: "Выбрать" no longer default, the search box hidden, Vid_oper closed.
    void finishPicker() override;

    Query& Vid_oper() const;

public slots:
    void Edit1Change() override;
    bool Edit1KeyDown(QKeyEvent* key) override;
    void Button1Click() override;
    void Button2Click() override;
    void Button3Click() override;
};
