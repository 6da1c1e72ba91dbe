#pragma once
// The product list "Изделия (3)": the catalogue of products (Tag 0) and the product picker of
// the operation dialog (Tag 1).
#include "catalogues/CatalogueList.h"
#include "db/Query.h"

class Form3 : public CatalogueList {
    Q_OBJECT
public:
    explicit Form3(QWidget* parent = nullptr);

    // Journal lines of a product from a date on, and its priced operations.
    Query Izdel_Smena{QStringLiteral("Izdel_Smena")};
    Query ii_oper{QStringLiteral("ii_oper")};

    // The main menu's "Изделия": prepareCatalogue, show modally, close Izdel.
    void openCatalogue() { showCatalogue(); }
    // Also shows the search box, with its text and filter from the last showing.
    void prepareCatalogue() override;
    // After the picker: "Выбрать" no longer default, the search box cleared and hidden, the
    // filter off, Izdel closed.
    void finishPicker() override;

    Query& Izdel() const;

public slots:
    void Edit1Change() override;
    bool Edit1KeyDown(QKeyEvent* key) override;
    void Button1Click() override;
    void Button2Click() override;
    void Button3Click() override;
};
