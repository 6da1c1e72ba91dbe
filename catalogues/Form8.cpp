#include "catalogues/Form8.h"

#include "catalogues/Form9.h"
#include "catalogues/KindCatalogue.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Messages.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

Form8::Form8(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form8"));
    setWindowTitle(QStringLiteral("Виды операций (8)"));

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setFixedSize(334, 529);
    DBGrid1->setColumns({{QStringLiteral("vid"), QStringLiteral("Операции"), 309}});
    DBGrid1->setQuery(&Vid_oper());
    DBGrid1->viewport()->installEventFilter(this);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(128);
    Edit1->installEventFilter(this);
    // The window keeps its layout when the box is hidden.
    QSizePolicy policy = Edit1->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    Edit1->setSizePolicy(policy);
    Edit1->setVisible(false);

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

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(4, 0, 4, 4);
    bottom->setSpacing(4);
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);
    bottom->addWidget(Button3);
    bottom->addStretch();
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(DBGrid1);
    layout->addWidget(Edit1);
    layout->addLayout(bottom);
    setFixedSize(334, 576);

    connect(Edit1, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit1Change(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
}

Query& Form8::Vid_oper() const {
    return the<DataModule6>().Vid_oper;
}

void Form8::setPickHandler(int tag, Catalogue::PickHandler handler) {
    pickHandlers_.set(tag, std::move(handler));
}

void Form8::prepareCatalogue() {
    Tag = 0;
    Vid_oper().clearFilter();
    Vid_oper().reopen();
    Catalogue::makeDefault(Button1, Button2);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->setVisible(true);
    Button3->setVisible(true);
}

void Form8::openCatalogue() {
    prepareCatalogue();
    exec();
    Vid_oper().close();
}

void Form8::preparePicker(int tag) {
    Tag = tag;
    Vid_oper().reopen();
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->setVisible(false);
    Button3->setVisible(false);
    Catalogue::makeDefault(Button2, Button1);
    Edit1->setVisible(true);
    Edit1->clear();
}

void Form8::finishPicker() {
    Catalogue::makeDefault(Button1, Button2);
    Edit1->setVisible(false);
    Vid_oper().close();
}

void Form8::openPicker(int tag) {
    preparePicker(tag);
    exec();
    finishPicker();
}

bool Form8::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return handled;
}

void Form8::showEvent(QShowEvent* e) {
    Catalogue::centreOverOpener(this);
    QDialog::showEvent(e);
}

bool Form8::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        bool consumed = false;
        guarded([&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(e)); });
        return consumed;
    }
    if (watched == DBGrid1->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        guarded([this] { Button2Click(); });
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void Form8::FormActivate() {
    if (Edit1->isVisible()) Edit1->setFocus();
}

void Form8::Edit1Change() {
    Catalogue::applySearch(Vid_oper(), QStringLiteral("vid"), Edit1->text());
}

bool Form8::Edit1KeyDown(QKeyEvent* key) {
    return Catalogue::searchBoxKey(key, Vid_oper(), Catalogue::SearchKeys::CharactersOnly);
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
        pickHandlers_.handBack(Tag, kinds.field(QStringLiteral("vid")).toString().trimmed(),
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
