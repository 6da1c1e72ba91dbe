#include "catalogues/Form3.h"

#include "catalogues/Form7.h"
#include "catalogues/ProductCatalogue.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

Form3::Form3(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Изделия (3)"));

    for (Query* q : {&Izdel_Smena, &ii_oper})
        q->setConnectionName(DataModule6::ConnectionName);
    Izdel_Smena.setSql(ProductCatalogue::izdelSmenaSql());
    ii_oper.setSql(ProductCatalogue::iiOperSql());

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setFixedSize(577, 529);
    DBGrid1->setColumns({
        {QStringLiteral("marka"), QStringLiteral("Марка изделия"), 315},
        {QStringLiteral("nom"), QStringLiteral("Номенклатурная группа"), 162},
        {QStringLiteral("massa"), QStringLiteral("Коробки"), 67, Qt::AlignLeft | Qt::AlignVCenter},
    });
    // The mass in its shortest form, as the dialog shows it.
    DBGrid1->setCellStyle([](const QString& field, const QSqlRecord& row, int role) -> QVariant {
        if (role != Qt::DisplayRole || field != QLatin1String("massa")) return {};
        return ProductCatalogue::massaText(row.value(field));
    });
    DBGrid1->setQuery(&Izdel());
    DBGrid1->viewport()->installEventFilter(this);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMaxLength(254);
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

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(4, 0, 4, 4);
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
    setFixedSize(577, 574);

    connect(Edit1, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit1Change(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
}

Query& Form3::Izdel() const {
    return the<DataModule6>().Izdel;
}

void Form3::setPickHandler(int tag, Catalogue::PickHandler handler) {
    pickHandlers_.set(tag, std::move(handler));
}

void Form3::prepareCatalogue() {
    Tag = 0;
    Izdel().reopen();
    Catalogue::makeDefault(Button1, Button2);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->setVisible(true);
    Button3->setVisible(true);
    // The catalogue keeps its search box also after the list has served as a picker.
    Edit1->setVisible(true);
}

void Form3::openCatalogue() {
    prepareCatalogue();
    exec();
    Izdel().close();
}

void Form3::preparePicker(int tag) {
    Tag = tag;
    Izdel().reopen();
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->setVisible(false);
    Button3->setVisible(false);
    Catalogue::makeDefault(Button2, Button1);
    Edit1->setVisible(true);
    Edit1->clear();
}

void Form3::finishPicker() {
    Catalogue::makeDefault(Button1, Button2);
    Edit1->clear();
    Edit1->setVisible(false);
    Izdel().clearFilter();
    Izdel().close();
}

void Form3::openPicker(int tag) {
    preparePicker(tag);
    exec();
    finishPicker();
}

bool Form3::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return handled;
}

void Form3::showEvent(QShowEvent* e) {
    Catalogue::centreOverOpener(this);
    QDialog::showEvent(e);
}

bool Form3::eventFilter(QObject* watched, QEvent* e) {
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

void Form3::FormActivate() {
    if (Edit1->isVisible()) Edit1->setFocus();
}

void Form3::Edit1Change() {
    Catalogue::applySearch(Izdel(), QStringLiteral("marka"), Edit1->text());
}

bool Form3::Edit1KeyDown(QKeyEvent* key) {
    return Catalogue::searchBoxKey(key, Izdel(), Catalogue::SearchKeys::ArrowsOnly);
}

void Form3::Button1Click() {
    Query& izdel = Izdel();
    const int remembered = izdel.recNo();
    Form7& form7 = the<Form7>();
    form7.Edit1->clear();
    form7.Edit2->clear();
    form7.setWindowTitle(QStringLiteral("Заведение нового изделия (7)"));
    form7.Tag = ProductCatalogue::NewProduct;
    form7.item.reopen();
    form7.exec();
    form7.item.close();
    Catalogue::standOn(izdel, remembered);
}

void Form3::Button2Click() {
    Query& izdel = Izdel();
    const int remembered = izdel.recNo();
    Form7& form7 = the<Form7>();
    if (Tag == 0) {
        if (izdel.isEmpty()) return; // nothing to change
        form7.setWindowTitle(QStringLiteral("Изменение данных изделия (7)"));
        form7.Tag = ProductCatalogue::ChangeProduct;
        form7.Edit1->setText(izdel.field(QStringLiteral("marka")).toString().trimmed());
        form7.Edit2->setText(ProductCatalogue::massaText(izdel.field(QStringLiteral("massa"))));
        form7.item.reopen();
        form7.cb_item->setKeyValue(izdel.field(QStringLiteral("id_class_item")).toLongLong());
        form7.exec();
    } else {
        pickHandlers_.handBack(Tag, izdel.field(QStringLiteral("marka")).toString().trimmed(),
                               izdel.field(QStringLiteral("id")).toInt());
        accept();
    }
    form7.item.close();
    Catalogue::standOn(izdel, remembered);
}

void Form3::Button3Click() {
    Query& izdel = Izdel();
    if (izdel.isEmpty()) return; // nothing to delete
    const int product = izdel.field(QStringLiteral("id")).toInt();
    ProductCatalogue::remove(the<DataModule6>(), Izdel_Smena, ii_oper, product, QDate::currentDate());
    izdel.reopen();
}
