#pragma once
// The operations list "Операции": the catalogue of priced operations (Tag 0), from which the
// norms of an operation are opened and every operation is exported to a spreadsheet, and
// the operation picker of the shift entry dialog (Tag 1).
#include "catalogues/CatalogueList.h"
#include "db/Query.h"

#include <QCheckBox>

class Form4 : public CatalogueList {
    Q_OBJECT
public:
    explicit Form4(QWidget* parent = nullptr);

    QPushButton* Button5; // Excel
    QCheckBox* CheckBox1; // Цены
    Query XLS_Rep{QStringLiteral("XLS_Rep")};

    // The main menu's "Цены": prepareCatalogue, show modally, close Oper.
    void openCatalogue() { showCatalogue(); }
    // Also shows the search box, with its text and filter from the last showing.
    void prepareCatalogue() override;

    // The picker of an opener: Oper opened and standing on operation `operationId` (the first
    // row when it is 0 or not listed), shown modally; afterwards "Выбрать" is no longer the
    // default, the search box is hidden and the filter off, and Oper stays open on the row
    // picked. True when an operation was picked.
    bool openPicker(int tag, int operationId);
    // What a pick hands back to the opener of `tag`: the whole current row of Oper.
    void setRowPickHandler(int tag, Catalogue::RowPickHandler handler);

    // Opens the norms of the current operation.
    void openNorms();

    Query& Oper() const;

public slots:
    void Edit1Change() override;
    bool Edit1KeyDown(QKeyEvent* key) override;
    void DBGrid1DblClick();
    void Button1Click() override;
    void Button2Click() override;
    void Button3Click() override;
    void Button5Click();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QMap<int, Catalogue::RowPickHandler> rowHandlers_;
};
