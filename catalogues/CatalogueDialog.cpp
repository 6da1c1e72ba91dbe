#include "catalogues/CatalogueDialog.h"

#include "catalogues/CatalogueSupport.h"
#include "db/DbError.h"

#include <QHBoxLayout>

QHBoxLayout* CatalogueDialog::saveCancelRow() {
    Button1 = new QPushButton(QStringLiteral("Записать"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Catalogue::makeDefault(Button1, nullptr);
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(Button1);
    row->addStretch();
    row->addWidget(Button2);
    return row;
}

void CatalogueDialog::showEvent(QShowEvent* e) {
    Catalogue::centreOverOpener(this);
    FormDialog::showEvent(e);
}
