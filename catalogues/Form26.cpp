#include "catalogues/Form26.h"

#include "db/DataModule6.h"
#include "db/DbError.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

Form26::Form26(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form26"));
    setWindowTitle(QStringLiteral("Номенклатура (26)"));
    // A single, fixed border with the close box only.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    item.setConnectionName(DataModule6::ConnectionName);
    item.setSql(QStringLiteral("select * from cmn_classifier.item where id_level=2 order by s_caption"));

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setQuery(&item);
    DBGrid1->setColumns({{QStringLiteral("s_caption"), QStringLiteral("Наименование"), 365}});
    DBGrid1->setAccessibleName(QStringLiteral("Наименование"));
    DBGrid1->viewport()->installEventFilter(this);
    DBGrid1->installEventFilter(this);

    Button1 = new QPushButton(QStringLiteral("Выбрать"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(174);
    Edit1->setMaxLength(254);
    Edit1->setAccessibleName(QStringLiteral("Поиск по наименованию"));
    Edit1->setPlaceholderText(QStringLiteral("Поиск"));
    Edit1->installEventFilter(this);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    Button4->setObjectName(QStringLiteral("Button4"));
    // No default button: Enter in the list picks (below), not in the dialog at large.
    for (QPushButton* b : {Button1, Button4})
        b->setAutoDefault(false);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(4, 2, 4, 4);
    bottom->setSpacing(6);
    bottom->addWidget(Button1);
    bottom->addWidget(Edit1);
    bottom->addStretch();
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);
    setFixedSize(394, 299);

    connect(Edit1, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit1Change(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { DBGrid1DblClick(); }); });
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
}

void Form26::setPickHandler(int tag, Catalogue::PickHandler handler) {
    pickHandlers_.set(tag, std::move(handler));
}

bool Form26::openPicker(int tag) {
    Tag = tag;
    item.reopen();
    // The filter of the last showing applies to the rows read afresh.
    Edit1Change();
    const bool picked = exec() == QDialog::Accepted;
    item.close();
    return picked;
}

void Form26::showEvent(QShowEvent* e) {
    centreOnScreen(this);
    FormDialog::showEvent(e);
}

void Form26::FormActivate() {
    Edit1->setFocus();
}

void Form26::Edit1Change() {
    Catalogue::applySearch(item, QStringLiteral("s_caption"), Edit1->text());
}

bool Form26::Edit1KeyDown(QKeyEvent* key) {
    // Enter in the search box picks the current item, as a double click does.
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        DBGrid1DblClick();
        return true;
    }
    return Catalogue::searchBoxKey(key, item);
}

void Form26::DBGrid1DblClick() {
    const bool empty = item.isEmpty();
    pickHandlers_.handBack(Tag, empty ? QString() : item.field(QStringLiteral("s_caption")).toString(),
                           empty ? 0 : item.field(QStringLiteral("id")).toInt());
    accept();
}

bool Form26::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        bool consumed = false;
        guarded([&] { consumed = Edit1KeyDown(static_cast<QKeyEvent*>(e)); });
        return consumed;
    }
    if (watched == DBGrid1 && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([this] { DBGrid1DblClick(); });
            return true;
        }
    }
    if (watched == DBGrid1->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        guarded([this] { DBGrid1DblClick(); });
        return true;
    }
    return FormDialog::eventFilter(watched, e);
}
