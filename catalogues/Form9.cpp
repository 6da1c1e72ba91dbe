#include "catalogues/Form9.h"

#include "catalogues/KindCatalogue.h"
#include "db/DataModule6.h"
#include "db/Instances.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

Form9::Form9(QWidget* parent) : CatalogueDialog(parent) {
    setObjectName(QStringLiteral("Form9"));

    GroupBox1 = new QGroupBox(QStringLiteral("Вид операции"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = new QLabel(QStringLiteral("Операция"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(337);
    Edit1->setMaxLength(128);
    auto* fields = new QHBoxLayout(GroupBox1);
    fields->setContentsMargins(8, 2, 8, 4);
    fields->addWidget(Label1);
    fields->addWidget(Edit1);
    fields->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(GroupBox1);
    layout->addLayout(saveCancelRow());
    setFixedSize(418, 92);
}

void Form9::FormActivate() {
    Edit1->setFocus();
}

void Form9::Button1Click() {
    DataModule6& dm = the<DataModule6>();
    const int current = dm.Vid_oper.field(QStringLiteral("id")).toInt();
    if (!KindCatalogue::save(dm, Tag, current, Edit1->text())) return;
    dm.Vid_oper.reopen();
    accept();
}
