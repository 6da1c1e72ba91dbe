#include "timesheets/Form24.h"

#include <QLocale>

#include "catalogues/Form26.h"
#include "catalogues/Form5.h"
#include "db/Bounds.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Messages.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int PickerTag = 24;
}

Form24::Form24(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form24"));
    setWindowTitle(QStringLiteral("Хоз. работы/среднесдельная (24)"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    type_work.setConnectionName(DataModule6::ConnectionName);
    type_work.setSql(
        QStringLiteral("select vo.id, vo.vid, n.price, (n.price*:cnt) as summ from accounts_dep.vid_oper "
                       "vo,accounts_dep.norm n, "
                       "accounts_dep.oper o where n.o_id =o.id and o.vid=vo.id and (vo.id = 7777 or vo.id = "
                       "7778) and n.price is "
                       "not null"));
    type_work.setParam(QStringLiteral("cnt"), 0);

    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto edit = [this](const char* name, const QString& label) {
        auto* e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setAccessibleName(label);
        return e;
    };
    auto button = [this](const QString& caption, const char* name, const QString& accessible = {}) {
        return formButton(this, caption, name, accessible);
    };
    Edit1 = edit("Edit1", QStringLiteral("ФИО"));
    Edit1->setReadOnly(true);
    Button3 = button(QStringLiteral("..."), "Button3", QStringLiteral("Выбрать работника"));
    Edit2 = edit("Edit2", QStringLiteral("Номенклатура"));
    Edit2->setReadOnly(true);
    Button4 = button(QStringLiteral("..."), "Button4", QStringLiteral("Выбрать номенклатуру"));
    cb_type_work = new QComboBox(this);
    cb_type_work->setObjectName(QStringLiteral("cb_type_work"));
    cb_type_work->setAccessibleName(QStringLiteral("Работа"));
    Edit6 = edit("Edit6", QStringLiteral("Часы"));
    Edit6->setValidator(new QIntValidator(0, 999, Edit6));
    DBEdit1 = edit("DBEdit1", QStringLiteral("Цена"));
    DBEdit1->setEnabled(false);
    DBEdit2 = edit("DBEdit2", QStringLiteral("Сумма"));
    DBEdit2->setEnabled(false);
    CBox1 = new QCheckBox(QStringLiteral("Ночные"), this);
    CBox1->setObjectName(QStringLiteral("CBox1"));
    Button1 = button(QStringLiteral("Записать"), "Button1");
    Button1->setDefault(true);
    Button6 = button(QStringLiteral("Выход"), "Button6");

    auto* form = new QFormLayout(GroupBox1);
    auto* workerRow = new QHBoxLayout;
    workerRow->addWidget(Edit1);
    workerRow->addWidget(Button3);
    auto* nomRow = new QHBoxLayout;
    nomRow->addWidget(Edit2);
    nomRow->addWidget(Button4);
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(Edit6);
    numbers->addWidget(new QLabel(QStringLiteral("ч.    Цена"), this));
    numbers->addWidget(DBEdit1);
    numbers->addWidget(new QLabel(QStringLiteral("р.    Сумма"), this));
    numbers->addWidget(DBEdit2);
    form->addRow(QStringLiteral("ФИО"), workerRow);
    form->addRow(QStringLiteral("Номенклатура"), nomRow);
    form->addRow(QStringLiteral("Работа"), cb_type_work);
    form->addRow(QStringLiteral("Часы"), numbers);
    if (auto* hours = qobject_cast<QLabel*>(form->labelForField(numbers))) hours->setBuddy(Edit6);
    form->addRow(QString(), CBox1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button6);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);

    // The pickers take the same keys as in the shift entry dialog.
    makePicker(Button3, Edit1);
    makePicker(Button4, Edit2);

    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guarded([this] { Button4Click(); }); });
    connect(Button6, &QPushButton::clicked, this, &QDialog::reject);
    connect(cb_type_work, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { cb_type_workChange(); }); });
    connect(Edit6, &QLineEdit::textChanged, this, [this] { Edit6Exit(); });
}

void Form24::selectKind(int kind) {
    type_work.close();
    type_work.open();
    const QSignalBlocker block(cb_type_work);
    cb_type_work->clear();
    for (int i = 0; i < type_work.recordCount(); ++i)
        cb_type_work->addItem(type_work.row(i).value(QStringLiteral("vid")).toString().trimmed(),
                              type_work.row(i).value(QStringLiteral("id")));
    cb_type_work->setCurrentIndex(cb_type_work->findData(kind));
    cb_type_workChange();
}

int Form24::kind() const {
    return cb_type_work->currentIndex() < 0 ? 0 : cb_type_work->currentData().toInt();
}

void Form24::prepareNew() {
    Tag = 0;
    RecordId = 0;
    Seen.reset();
    Edit1->clear();
    Edit2->clear();
    Edit6->setText(QStringLiteral("0"));
    CBox1->setChecked(false);
    CBox1->setEnabled(true);
    sel_nom_id = 0;
    sel_worker_id = 0;
    selectKind(Household::HouseholdWorks);
}

void Form24::prepareChange(const QSqlRecord& row) {
    Tag = 1;
    RecordId = row.value(QStringLiteral("id")).toInt();
    Seen = Household::seenOf(row);
    Edit1->setText(row.value(QStringLiteral("fio")).toString().trimmed());
    Edit2->setText(row.value(QStringLiteral("s_caption")).toString());
    Edit6->setText(row.value(QStringLiteral("cnt")).toString());
    sel_nom_id = row.value(QStringLiteral("id_nom")).toInt();
    sel_worker_id = row.value(QStringLiteral("id_p")).toInt();
    CBox1->setChecked(row.value(QStringLiteral("i_night")).toInt() != 0);
    // The night flag of a written record stays as it is.
    CBox1->setEnabled(false);
    selectKind(row.value(QStringLiteral("id_o")).toInt());
}

bool Form24::run() {
    centreOnScreen(this);
    const bool saved = exec() == QDialog::Accepted;
    type_work.close();
    return saved;
}

namespace {
// Money as the lists show it: Russian decimal comma, two decimals, no grouping ("165,50").
QString money(double value) {
    QLocale locale(QLocale::Russian, QLocale::Russia);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', 2);
}
} // namespace

void Form24::cb_type_workChange() {
    if (kind() != 0) type_work.locate(QStringLiteral("id"), kind());
    DBEdit1->setText(kind() != 0 ? money(type_work.field(QStringLiteral("price")).toDouble()) : QString());
    Edit6Exit();
}

void Form24::Edit6Exit() {
    // The sum follows the hours: price × hours.
    if (kind() == 0) {
        DBEdit2->clear();
        return;
    }
    const double sum = type_work.field(QStringLiteral("price")).toDouble() * Edit6->text().toInt();
    DBEdit2->setText(money(sum));
}

Household::Record Form24::record() const {
    Household::Record r;
    r.id = Tag == 1 ? RecordId : 0;
    r.nomId = sel_nom_id;
    r.kind = kind();
    r.worker = sel_worker_id;
    r.date = ListDate;
    r.shift = Shift;
    r.hours = Edit6->text();
    r.normPrice = kind() != 0 ? type_work.field(QStringLiteral("price")).toDouble() : 0;
    r.dayOff = DayOff;
    r.night = CBox1->isChecked();
    if (Tag == 1) r.seen = Seen;
    return r;
}

void Form24::Button1Click() {
    const Household::Record r = record();
    const QString why = Household::refusal(r);
    if (!why.isEmpty()) {
        messages().error(Caption::Error, why);
        return;
    }
    // The worker's day, journal lines and household records together, holds 24 hours at most;
    // a date far from today is asked about.
    QSqlDatabase db = the<DataModule6>().ADO_DB();
    const auto day = Bounds::dayHours(db, r.worker, r.date, 0, 0, r.id);
    if (const QString over = Bounds::dayHoursRefusal(day, Bounds::typed(r.hours), r.date, false);
        !over.isEmpty()) {
        messages().error(Caption::Error, over);
        return;
    }
    if (const QString ask = Bounds::question({Bounds::dateDoubt(r.date)});
        !ask.isEmpty() && !messages().doubt(Bounds::QuestionCaption, ask))
        return;
    bool saved = false;
    try {
        saved = Household::save(db, r);
    } catch (const Household::ChangedElsewhere& changed) {
        // The typed values stay; saving again writes them over the present record.
        Seen = changed.current();
        throw;
    }
    if (!saved) {
        messages().error(Caption::Error, QStringLiteral("Запись уже удалена с другого рабочего места."));
        reject();
        return;
    }
    accept();
}

void Form24::Button3Click() {
    Form5& list = the<Form5>();
    list.setPickHandler(PickerTag, [this](const QString& name, int id) {
        Edit1->setText(name.trimmed());
        sel_worker_id = id;
    });
    list.openPicker(PickerTag);
}

void Form24::Button4Click() {
    Form26& picker = the<Form26>();
    picker.setPickHandler(PickerTag, [this](const QString& name, int id) {
        Edit2->setText(name);
        sel_nom_id = id;
    });
    picker.openPicker(PickerTag);
}
