#include "catalogues/Form10.h"

#include "catalogues/CatalogueSupport.h"
#include "catalogues/Form3.h"
#include "catalogues/Form8.h"
#include "catalogues/OperationCatalogue.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace {
// The product and kind lists pick for this dialog with Tag 1.
constexpr int PickerTag = 1;
} // namespace

Form10::Form10(QWidget* parent) : CatalogueDialog(parent) {
    setObjectName(QStringLiteral("Form10"));

    GroupBox1 = new QGroupBox(QStringLiteral("Цена операции"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto label = [this](const QString& text, const char* name) {
        auto* l = new QLabel(text, GroupBox1);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto dots = [this](const char* name, const QString& what) {
        auto* b = new QPushButton(QStringLiteral("..."), GroupBox1);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleDescription(what);
        b->setFixedWidth(25);
        return b;
    };
    Label1 = label(QStringLiteral("Марка изделия"), "Label1");
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(329);
    Button3 = dots("Button3", QStringLiteral("Выбор изделия (F4)"));
    Label2 = label(QStringLiteral("Операция"), "Label2");
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFixedWidth(329);
    Button4 = dots("Button4", QStringLiteral("Выбор операции (F4)"));
    Label3 = label(QStringLiteral("Вид"), "Label3");
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({OperationCatalogue::outputName(0), OperationCatalogue::outputName(1)});
    ComboBox1->setFixedWidth(160);
    for (auto [l, w] : {std::pair<QLabel*, QWidget*>{Label1, Edit1}, {Label2, Edit2}, {Label3, ComboBox1}}) {
        l->setBuddy(w);
        w->setAccessibleName(l->text());
    }
    for (QLineEdit* e : {Edit1, Edit2}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus); // skipped by the Tab key
    }
    for (QWidget* w : std::initializer_list<QWidget*>{Edit1, Edit2, Button3, Button4})
        w->installEventFilter(this);

    auto* grid = new QGridLayout(GroupBox1);
    grid->setContentsMargins(8, 4, 8, 6);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Button3, 0, 2);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(Button4, 1, 2);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(ComboBox1, 2, 1, Qt::AlignLeft);
    Catalogue::boldTitle(GroupBox1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addWidget(GroupBox1);
    layout->addLayout(saveCancelRow());
    setFixedSize(473, 162);

    setTabOrder(Button3, Button4);
    setTabOrder(Button4, ComboBox1);
    setTabOrder(ComboBox1, Button1);
    setTabOrder(Button1, Button2);
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guarded([this] { Button4Click(); }); });
}

bool Form10::eventFilter(QObject* watched, QEvent* e) {
    const bool product = watched == Edit1 || watched == Button3;
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_F4 ||
            ((watched == Edit1 || watched == Edit2) && (key == Qt::Key_Return || key == Qt::Key_Enter))) {
            guarded([&] { product ? Button3Click() : Button4Click(); });
            return true;
        }
    }
    if ((watched == Edit1 || watched == Edit2) && e->type() == QEvent::MouseButtonRelease) {
        guarded([&] { product ? Button3Click() : Button4Click(); });
        return true;
    }
    return CatalogueDialog::eventFilter(watched, e);
}

void Form10::FormActivate() {
    Button3->setFocus();
}

void Form10::Button3Click() {
    Form3& list = the<Form3>();
    list.setPickHandler(PickerTag, [this](const QString& marka, int id) {
        Edit1->setText(marka);
        IzdelId = id;
    });
    list.openPicker(PickerTag);
    if (!Edit1->text().isEmpty()) Button4->setFocus();
}

void Form10::Button4Click() {
    Form8& list = the<Form8>();
    list.setPickHandler(PickerTag, [this](const QString& vid, int id) {
        Edit2->setText(vid);
        VidId = id;
    });
    list.openPicker(PickerTag);
    if (!Edit2->text().isEmpty()) ComboBox1->setFocus();
}

void Form10::Button1Click() {
    DataModule6& dm = the<DataModule6>();
    Query& oper = dm.Oper;
    const int current = oper.field(QStringLiteral("id")).toInt();
    const auto saved = OperationCatalogue::save(dm, Tag, current, Edit1->text(), Edit2->text(), IzdelId,
                                                VidId, ComboBox1->currentIndex());
    if (saved.result == OperationCatalogue::Saved::Refused) return;
    // A new operation has no norm yet, and an operation without norms is not listed: the
    // list opens its norms as soon as this dialog has closed, so it gets its first one.
    NormsFor = saved.result == OperationCatalogue::Saved::ExistsWithoutNorms ||
                       Tag == OperationCatalogue::NewOperation
                   ? saved.id
                   : 0;
    const int remembered = oper.recNo();
    oper.reopen();
    if (!oper.locate(QStringLiteral("id"), saved.id)) Catalogue::standOn(oper, remembered);
    accept();
}
