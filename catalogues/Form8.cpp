#include "catalogues/Form8.h"

#include "catalogues/Form9.h"
#include "catalogues/KindCatalogue.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "db/Messages.h"

#include <QHBoxLayout>

Form8::Form8(QWidget* parent) : CatalogueList(the<DataModule6>().Vid_oper, parent) {
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Виды операций (8)"));

    DBGrid1->setColumns({{QStringLiteral("vid"), QStringLiteral("Операции"), 309}});

    Edit1->setMaxLength(128);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по операции"));
    Edit1->setAccessibleName(Edit1->placeholderText());
    // The window keeps its layout when the box is hidden.
    QSizePolicy policy = Edit1->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    Edit1->setSizePolicy(policy);
    Edit1->setVisible(false);

    layOutInColumn()->setSpacing(4);
    makeResizable(QSize(334, 576));
}

Query& Form8::Vid_oper() const {
    return rows();
}

void Form8::prepareCatalogue() {
    Vid_oper().clearFilter();
    CatalogueList::prepareCatalogue();
}

void Form8::finishPicker() {
    Catalogue::makeDefault(Button1, Button2);
    Edit1->setVisible(false);
    CatalogueList::finishPicker();
}

void Form8::Edit1Change() {
    Catalogue::applySearch(Vid_oper(), QStringLiteral("vid"), Edit1->text());
}

bool Form8::Edit1KeyDown(QKeyEvent* key) {
    return Catalogue::searchBoxKey(key, Vid_oper());
}

void Form8::Button1Click() {
    Form9& form9 = the<Form9>();
    form9.Edit1->clear();
    form9.setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    form9.Tag = KindCatalogue::NewKind;
    form9.exec();
}

void Form8::Button2Click() {
    Query& kinds = Vid_oper();
    if (Tag != 0) {
        handBack(kinds.field(QStringLiteral("vid")).toString().trimmed(),
                 kinds.field(QStringLiteral("id")).toInt());
        accept();
        return;
    }
    if (kinds.isEmpty()) return; // nothing to change
    Form9& form9 = the<Form9>();
    form9.setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    form9.Tag = KindCatalogue::ChangeKind;
    form9.Edit1->setText(kinds.field(QStringLiteral("vid")).toString().trimmed());
    form9.exec();
}

void Form8::Button3Click() {
    Query& kinds = Vid_oper();
    if (kinds.isEmpty()) return; // nothing to delete
    if (!messages().question(Caption::Delete, KindCatalogue::DeleteQuestion)) return;
    KindCatalogue::remove(the<DataModule6>(), kinds.field(QStringLiteral("id")).toInt());
    kinds.reopen();
}
