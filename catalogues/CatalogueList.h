#pragma once
// A catalogue list: a grid over one query, a search box and the buttons "Добавить" (Button1),
// "Изменить" (Button2), "Удалить" (Button3) and "Выход" (Button4). With Tag 0 it is the
// catalogue opened from the main menu; any other Tag makes it the picker of the window that
// set it, where Button2 ("Выбрать") hands the current row back to that window.
#include "catalogues/CatalogueSupport.h"
#include "forms/DbGrid.h"
#include "forms/FormDialog.h"

#include <QLineEdit>
#include <QPushButton>

class QHBoxLayout;

class CatalogueList : public FormDialog {
    Q_OBJECT
public:
    int Tag = 0;

    DbGrid* DBGrid1;
    QLineEdit* Edit1; // the search box
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;

    // The opener of the picker of `tag` says here what a pick hands back to it; a tag without
    // a handler hands nothing back.
    void setPickHandler(int tag, Catalogue::PickHandler handler);

    // Tag 0, the query opened, "Изменить" not default, "Добавить" and "Удалить" shown.
    virtual void prepareCatalogue();
    // The picker of an opener: preparePicker, show modally, finishPicker.
    void openPicker(int tag);
    // Tag, the query opened, "Выбрать" shown and default, "Добавить" and "Удалить" hidden, the
    // search box shown and cleared (no filter).
    void preparePicker(int tag);
    // After the picker: the query closed.
    virtual void finishPicker();

public slots:
    // The search box takes the focus where it is shown.
    void FormActivate() override;
    virtual void Edit1Change() = 0;
    // The search box's keys (its event filter); true when the key was consumed.
    virtual bool Edit1KeyDown(QKeyEvent* key) = 0;
    virtual void Button1Click() = 0;
    // Also the double click on the grid.
    virtual void Button2Click() = 0;
    virtual void Button3Click() = 0;

protected:
    // Creates the controls in their tab order (grid, search box, buttons), the grid showing
    // `rows`, and connects them to their handlers; the list lays them out (layOutInColumn or
    // a layout of its own).
    CatalogueList(Query& rows, QWidget* parent);

    Query& rows() const { return rows_; }
    // Lays the controls out in a column: the grid, the search box under it, then the row of the
    // buttons with "Выход" apart at the right, which it returns.
    QHBoxLayout* layOutInColumn();
    // What each list's own openCatalogue runs (the main menu names that member by the list's
    // type): prepareCatalogue, show modally, close the query.
    void showCatalogue();
    // Hands a pick back to the opener of Tag.
    void handBack(const QString& text, int id) const;

    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    Query& rows_;
    Catalogue::PickHandlers pickHandlers_;
};
