#pragma once
// The worker dialog "Работники": a new worker or the change of one, opened by the worker list.
#include "catalogues/CatalogueDialog.h"
#include "catalogues/LookupCombo.h"
#include "db/Query.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

class Form2 : public CatalogueDialog {
    Q_OBJECT
public:
    explicit Form2(QWidget* parent = nullptr);

    int Tag = 0;      // WorkerCatalogue::NewWorker or WorkerCatalogue::ChangeWorker
    int PersonId = 0; // the worker being changed

    QGroupBox* GroupBox1;
    QLabel* Label1;
    QLineEdit* Edit1;
    QLabel* Label2;
    LookupCombo* LCB_department;
    QLabel* Label3;
    LookupCombo* LCB_staffpos;
    QLabel* Label4;
    LookupCombo* LCB_roles;

    // The lookup tables, each read whole in the server's order.
    Query department{QStringLiteral("department")};
    Query staffpos{QStringLiteral("staffpos")};
    Query roles{QStringLiteral("roles")};
    // Writes the worker rows (also the list's delete).
    Command cmd_person{QStringLiteral("cmd_person")};

    // Closes and opens staffpos, roles and department, in this order.
    void reopenLookups();
    // The lists stepped by the mouse wheel, in the order they are looked at.
    QList<LookupCombo*> wheelLists() const { return {LCB_roles, LCB_staffpos, LCB_department}; }

public slots:
    void FormActivate() override;
    void FormMouseWheelDown();
    void FormMouseWheelUp();
    void Button1Click() override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void wheel(QWheelEvent* e);
    void stepFocusedList(int key);
};
