#include "catalogues/Form5.h"

#include "catalogues/Form2.h"
#include "catalogues/WorkerCatalogue.h"
#include "db/DataModule6.h"
#include "db/Instances.h"
#include "db/Messages.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

Form5::Form5(QWidget* parent) : CatalogueList(the<DataModule6>().Workers, parent) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Список рабочих"));

    DBGrid1->setColumns({
        {QStringLiteral("fio"), QStringLiteral("ФИО"), 300},
        {QStringLiteral("s_staffpos_hl"), QStringLiteral("Должность"), 300},
    });
    Edit1->setFixedWidth(241);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по ФИО"));
    Edit1->setAccessibleName(Edit1->placeholderText());
    Edit1->setMaxLength(254);
    // The search box stands between the buttons and comes last in the tab order.
    setTabOrder(Button4, Edit1);

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
    makeResizable(QSize(641, 550));
}

Query& Form5::Workers() const {
    return rows();
}

void Form5::Edit1Change() {
    Catalogue::applySearch(Workers(), QStringLiteral("fio"), Edit1->text());
}

bool Form5::Edit1KeyDown(QKeyEvent* key) {
    return Catalogue::searchBoxKey(key, Workers());
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
            handBack(workers.field(QStringLiteral("fio")).toString().trimmed(),
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
