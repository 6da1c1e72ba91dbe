#include "catalogues/Form5.h"

#include "catalogues/Form2.h"
#include "catalogues/WorkerCatalogue.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Messages.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

Form5::Form5(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Список рабочих"));

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setColumns({
        {QStringLiteral("fio"), QStringLiteral("ФИО"), 300},
        {QStringLiteral("s_staffpos_hl"), QStringLiteral("Должность"), 300},
    });
    DBGrid1->setQuery(&Workers());
    DBGrid1->viewport()->installEventFilter(this);

    auto button = [this](const QString& text, const char* name) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    Button1 = button(QStringLiteral("Добавить"), "Button1");
    Button2 = button(QStringLiteral("Изменить"), "Button2");
    Button3 = button(QStringLiteral("Удалить"), "Button3");
    Button4 = button(QStringLiteral("Выход"), "Button4");
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(241);
    Edit1->setMaxLength(254);
    Edit1->installEventFilter(this);
    Catalogue::makeDefault(Button1, nullptr);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button1);
    bottom->addWidget(Button2);
    bottom->addWidget(Button3);
    bottom->addSpacing(46);
    bottom->addWidget(Edit1);
    bottom->addStretch();
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);
    setFixedSize(641, 550);

    connect(Edit1, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit1Change(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
}

Query& Form5::Workers() const {
    return the<DataModule6>().Workers;
}

void Form5::setPickHandler(int tag, Catalogue::PickHandler handler) {
    pickHandlers_.set(tag, std::move(handler));
}

void Form5::prepareCatalogue() {
    Tag = 0;
    Workers().reopen();
    Catalogue::makeDefault(Button1, Button2);
    Button2->setText(QStringLiteral("Изменить"));
    Button1->setVisible(true);
    Button3->setVisible(true);
}

void Form5::openCatalogue() {
    prepareCatalogue();
    exec();
    Workers().close();
}

void Form5::preparePicker(int tag) {
    Tag = tag;
    Workers().reopen();
    Button2->setText(QStringLiteral("Выбрать"));
    Catalogue::makeDefault(Button2, Button1);
    Button2->setVisible(true);
    Button3->setVisible(false);
    Button1->setVisible(false);
    Edit1->setVisible(true);
    Edit1->clear();
}

void Form5::openPicker(int tag) {
    preparePicker(tag);
    exec();
    Workers().close();
}

bool Form5::event(QEvent* e) {
    const bool handled = QDialog::event(e);
    if (e->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
    return handled;
}

void Form5::showEvent(QShowEvent* e) {
    Catalogue::centreOverOpener(this);
    QDialog::showEvent(e);
}

bool Form5::eventFilter(QObject* watched, QEvent* e) {
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

void Form5::FormActivate() {
    if (Edit1->isVisible()) Edit1->setFocus();
}

void Form5::Edit1Change() {
    Catalogue::applySearch(Workers(), QStringLiteral("fio"), Edit1->text());
}

bool Form5::Edit1KeyDown(QKeyEvent* key) {
    return Catalogue::searchBoxKey(key, Workers(), Catalogue::SearchKeys::CharactersOnly);
}

void Form5::Button1Click() {
    Form2& form2 = the<Form2>();
    form2.Edit1->clear();
    form2.setWindowTitle(QStringLiteral("Заведение данных нового работника"));
    form2.Tag = WorkerCatalogue::NewWorker;
    form2.reopenLookups();
    form2.exec();
    Workers().reopen();
}

void Form5::Button2Click() {
    Query& workers = Workers();
    if (Tag != 0) {
        if (!workers.isEmpty())
            pickHandlers_.handBack(Tag, workers.field(QStringLiteral("fio")).toString().trimmed(),
                                   workers.field(QStringLiteral("id")).toInt());
        accept();
        return;
    }
    if (workers.isEmpty()) return; // nothing to change
    const int remembered = workers.recNo();
    Form2& form2 = the<Form2>();
    form2.setWindowTitle(QStringLiteral("Изменение данных работника"));
    form2.Tag = WorkerCatalogue::ChangeWorker;
    form2.reopenLookups();
    form2.Edit1->setText(workers.field(QStringLiteral("fio")).toString().trimmed());
    form2.PersonId = workers.field(QStringLiteral("id")).toInt();
    form2.exec();
    workers.reopen();
    Catalogue::standOn(workers, remembered);
}

void Form5::Button3Click() {
    Query& workers = Workers();
    if (workers.isEmpty()) return; // nothing to delete
    if (!messages().question(Caption::Delete, WorkerCatalogue::DeleteQuestion)) return;
    const int remembered = workers.recNo();
    WorkerCatalogue::remove(the<Form2>().cmd_person, workers.field(QStringLiteral("id")).toInt());
    workers.reopen();
    Catalogue::standOn(workers, remembered);
}
