#include "catalogues/Form3.h"

#include "catalogues/Form7.h"
#include "catalogues/ProductCatalogue.h"
#include "db/DataModule6.h"
#include "db/Instances.h"

Form3::Form3(QWidget* parent) : CatalogueList(the<DataModule6>().Izdel, parent) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Изделия (3)"));

    for (Query* q : {&Izdel_Smena, &ii_oper})
        q->setConnectionName(DataModule6::ConnectionName);
    Izdel_Smena.setSql(ProductCatalogue::izdelSmenaSql());
    ii_oper.setSql(ProductCatalogue::iiOperSql());

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
    Edit1->setMaxLength(254);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по марке"));
    Edit1->setAccessibleName(Edit1->placeholderText());

    layOutInColumn();
    makeResizable(QSize(577, 574));
}

Query& Form3::Izdel() const {
    return rows();
}

void Form3::prepareCatalogue() {
    CatalogueList::prepareCatalogue();
    // The catalogue keeps its search box also after the list has served as a picker.
    Edit1->setVisible(true);
}

void Form3::finishPicker() {
    Catalogue::makeDefault(Button1, Button2);
    Edit1->clear();
    Edit1->setVisible(false);
    Izdel().clearFilter();
    CatalogueList::finishPicker();
}

void Form3::Edit1Change() {
    Catalogue::applySearch(Izdel(), QStringLiteral("marka"), Edit1->text());
}

bool Form3::Edit1KeyDown(QKeyEvent* key) {
    return Catalogue::searchBoxKey(key, Izdel());
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
        handBack(izdel.field(QStringLiteral("marka")).toString().trimmed(),
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
