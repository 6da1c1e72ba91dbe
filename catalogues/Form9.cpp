#include "catalogues/Form9.h"

#include "catalogues/CatalogueSupport.h"
#include "catalogues/KindCatalogue.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

Form9::Form9(QWidget* parent) : QDialog(parent) {
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

    Button1 = new QPushButton(QStringLiteral("Записать"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Catalogue::makeDefault(Button1, nullptr);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    setFixedSize(418, 92);

    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool Form9::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return handled;
}

void Form9::showEvent(QShowEvent* e) {
    Catalogue::centreOverOpener(this);
    QDialog::showEvent(e);
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
