#include "catalogues/Form4.h"

#include "catalogues/Form10.h"
#include "catalogues/Form22.h"
#include "catalogues/OperationCatalogue.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "spreadsheet/ExcelExport.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

Form4::Form4(QWidget* parent) : CatalogueList(the<DataModule6>().Oper, parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Операции"));

    XLS_Rep.setConnectionName(DataModule6::ConnectionName);
    XLS_Rep.setSql(OperationCatalogue::xlsRepSql());

    DBGrid1->setColumns({
        {QStringLiteral("marka"), QStringLiteral("Марка"), 300},
        {QStringLiteral("vid"), QStringLiteral("Опреция"), 243},
        {QStringLiteral("cena"), QStringLiteral("Цена (min)"), 74},
        {QStringLiteral("nmn"), QStringLiteral("Вид"), 139},
        {QStringLiteral("id"), QStringLiteral("id"), 40, Qt::AlignLeft | Qt::AlignVCenter, false},
        {QStringLiteral("i_id"), QStringLiteral("i_id"), 40, Qt::AlignLeft | Qt::AlignVCenter, false},
        {QStringLiteral("oper_vid"), QStringLiteral("oper_vid"), 40, Qt::AlignLeft | Qt::AlignVCenter, false},
        {QStringLiteral("norma"), QStringLiteral("Нормы (шт.)"), 76},
    });

    Button5 = new QPushButton(QStringLiteral("Excel"), this);
    Button5->setObjectName(QStringLiteral("Button5"));
    Button5->setFixedWidth(42);
    CheckBox1 = new QCheckBox(QStringLiteral("Цены"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Edit1->setFixedWidth(321);
    Edit1->setMaxLength(254);
    Edit1->setAccessibleName(QStringLiteral("Поиск по марке"));
    Edit1->setPlaceholderText(QStringLiteral("Поиск по марке"));
    setTabOrder(Button3, Button5);
    setTabOrder(Button5, CheckBox1);
    setTabOrder(CheckBox1, Edit1);
    setTabOrder(Edit1, Button4);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(4, 0, 4, 4);
    for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button2, Button3, Button5, CheckBox1, Edit1})
        bottom->addWidget(w);
    bottom->addStretch();
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);
    makeResizable(QSize(865, 478));

    connect(Button5, &QPushButton::clicked, this, [this] { guarded([this] { Button5Click(); }); });
}

Query& Form4::Oper() const {
    return rows();
}

void Form4::prepareCatalogue() {
    CatalogueList::prepareCatalogue();
    // The catalogue keeps its search box also after the list has served as a picker.
    Edit1->setVisible(true);
}

void Form4::setRowPickHandler(int tag, Catalogue::RowPickHandler handler) {
    if (handler)
        rowHandlers_[tag] = std::move(handler);
    else
        rowHandlers_.remove(tag);
}

bool Form4::openPicker(int tag, int operationId) {
    preparePicker(tag);
    Query& oper = Oper();
    if (operationId == 0 || !oper.locate(QStringLiteral("id"), operationId)) oper.first();
    const bool picked = exec() == QDialog::Accepted;
    Catalogue::makeDefault(Button1, Button2);
    Edit1->setVisible(false);
    oper.clearFilter();
    return picked;
}

bool Form4::eventFilter(QObject* watched, QEvent* e) {
    if (watched == DBGrid1->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        guarded([this] { DBGrid1DblClick(); });
        return true;
    }
    return CatalogueList::eventFilter(watched, e);
}

void Form4::Edit1Change() {
    // Operations whose brand contains the typed text anywhere, letter case ignored; every
    // character counts literally. Only spaces show every operation.
    const QString typed = Edit1->text();
    if (typed.trimmed().isEmpty()) {
        Oper().clearFilter();
        return;
    }
    Oper().setFilter([typed](const QSqlRecord& row) {
        return row.value(QStringLiteral("marka")).toString().contains(typed, Qt::CaseInsensitive);
    });
}

bool Form4::Edit1KeyDown(QKeyEvent* key) {
    return Catalogue::searchBoxKey(key, Oper());
}

void Form4::DBGrid1DblClick() {
    if (!CheckBox1->isChecked() || Tag != 0) {
        Button2Click();
        return;
    }
    openNorms();
}

void Form4::openNorms() {
    Query& oper = Oper();
    if (oper.isEmpty()) return;
    the<Form22>().openFor(oper.field(QStringLiteral("id")).toInt());
}

void Form4::Button1Click() {
    Form10& form10 = the<Form10>();
    form10.Edit1->clear();
    form10.Edit2->clear();
    form10.ComboBox1->setCurrentIndex(0);
    form10.setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    form10.Tag = OperationCatalogue::NewOperation;
    form10.NormsFor = 0;
    if (form10.exec() != QDialog::Accepted || form10.NormsFor == 0) return;
    const int added = form10.NormsFor;
    the<Form22>().openFor(added);
    // The list stands on the new operation once it has a norm.
    Query& oper = Oper();
    if (!oper.locate(QStringLiteral("id"), added)) oper.first();
}

void Form4::Button2Click() {
    Query& oper = Oper();
    if (Tag != 0) {
        if (oper.isEmpty()) return; // nothing to pick
        // A line is priced from the operation's lowest norm price: without one it cannot be
        // picked.
        if (oper.field(QStringLiteral("cena")).isNull()) {
            messages().error(Caption::Error, OperationCatalogue::NoPriceMessage);
            return;
        }
        if (auto it = rowHandlers_.find(Tag); it != rowHandlers_.end()) (*it)(oper.record());
        accept();
        return;
    }
    if (oper.isEmpty()) return; // nothing to change
    Form10& form10 = the<Form10>();
    form10.setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    form10.Tag = OperationCatalogue::ChangeOperation;
    form10.Edit1->setText(oper.field(QStringLiteral("marka")).toString().trimmed());
    form10.Edit2->setText(oper.field(QStringLiteral("vid")).toString().trimmed());
    form10.ComboBox1->setCurrentIndex(oper.field(QStringLiteral("naimen")).toInt() == 0 ? 0 : 1);
    form10.IzdelId = oper.field(QStringLiteral("i_id")).toInt();
    form10.VidId = oper.field(QStringLiteral("oper_vid")).toInt();
    form10.NormsFor = 0;
    form10.exec();
}

void Form4::Button3Click() {
    Query& oper = Oper();
    if (oper.isEmpty()) return; // nothing to delete
    const int remembered = oper.recNo();
    if (!OperationCatalogue::remove(the<DataModule6>(), oper.field(QStringLiteral("id")).toInt())) return;
    oper.reopen();
    Catalogue::standOn(oper, remembered);
}

void Form4::Button5Click() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    OperationCatalogue::exportAll(XLS_Rep, sharedExcel());
}
