#include "catalogues/CatalogueList.h"

#include "db/DbError.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

CatalogueList::CatalogueList(Query& rows, QWidget* parent) : FormDialog(parent), rows_(rows) {
    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setQuery(&rows_);
    DBGrid1->viewport()->installEventFilter(this);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->installEventFilter(this);

    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    Button1 = button(QStringLiteral("Добавить"), "Button1");
    Button2 = button(QStringLiteral("Изменить"), "Button2");
    Button3 = button(QStringLiteral("Удалить"), "Button3");
    Button4 = button(QStringLiteral("Выход"), "Button4");
    Catalogue::makeDefault(Button1, nullptr);

    connect(Edit1, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit1Change(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
}

QHBoxLayout* CatalogueList::layOutInColumn() {
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 0, 4, 4);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    buttons->addStretch();
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
    return buttons;
}

void CatalogueList::setPickHandler(int tag, Catalogue::PickHandler handler) {
    pickHandlers_.set(tag, std::move(handler));
}

void CatalogueList::handBack(const QString& text, int id) const {
    pickHandlers_.handBack(Tag, text, id);
}

void CatalogueList::prepareCatalogue() {
    Tag = 0;
    rows_.reopen();
    Catalogue::makeDefault(Button1, Button2);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->setVisible(true);
    Button3->setVisible(true);
}

void CatalogueList::showCatalogue() {
    prepareCatalogue();
    exec();
    rows_.close();
}

void CatalogueList::preparePicker(int tag) {
    Tag = tag;
    rows_.reopen();
    Button2->setText(QStringLiteral("Выбрать"));
    Button2->setVisible(true);
    Button1->setVisible(false);
    Button3->setVisible(false);
    Catalogue::makeDefault(Button2, Button1);
    Edit1->setVisible(true);
    Edit1->clear();
}

void CatalogueList::finishPicker() {
    rows_.close();
}

void CatalogueList::openPicker(int tag) {
    preparePicker(tag);
    exec();
    finishPicker();
}

void CatalogueList::showEvent(QShowEvent* e) {
    Catalogue::centreOverOpener(this);
    FormDialog::showEvent(e);
}

bool CatalogueList::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        bool consumed = false;
        guarded([&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(e)); });
        return consumed;
    }
    if (watched == DBGrid1->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        guarded([this] { Button2Click(); });
        return true;
    }
    return FormDialog::eventFilter(watched, e);
}

void CatalogueList::FormActivate() {
    if (Edit1->isVisible()) Edit1->setFocus();
}
