#pragma once
// "Номенклатура (26)": the picker of the household works dialog for a nomenclature item, the
// level-2 items of the enterprise classifier. Its search finds the names that begin with the
// typed text, letter case ignored; the text and its filter stay from one opening to the next.
// Nothing is written here.
#include "catalogues/CatalogueSupport.h"
#include "db/Query.h"
#include "forms/DbGrid.h"
#include "forms/FormDialog.h"

#include <QLineEdit>
#include <QPushButton>

class Form26 : public FormDialog {
    Q_OBJECT
public:
    explicit Form26(QWidget* parent = nullptr);

    int Tag = 24; // the household works dialog
    Query item{QStringLiteral("item")};
    DbGrid* DBGrid1;
    QPushButton* Button1; // Выбрать
    QLineEdit* Edit1;     // the search box
    QPushButton* Button4; // Выход

    // What a pick hands back to the opener of `tag`: the item's name as stored (not trimmed)
    // and its id; a pick from an empty list hands back an empty name and 0.
    void setPickHandler(int tag, Catalogue::PickHandler handler);
    // Opens item, shows the window modally, closes item. The search box keeps its text and
    // filter. True when an item was picked.
    bool openPicker(int tag);

public slots:
    void FormActivate() override;
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* key);
    void DBGrid1DblClick();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    Catalogue::PickHandlers pickHandlers_;
};
