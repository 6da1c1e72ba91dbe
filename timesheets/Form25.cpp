#include "timesheets/Form25.h"

#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "db/SqlText.h"
#include "timesheets/Form24.h"
#include "timesheets/Household.h"

#include "forms/LiveRefresh.h"
#include <QEvent>

#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QSqlRecord>
#include <QVBoxLayout>

QString Form25::fatigueSql() {
    return QStringLiteral(
        "select distinct vo.vid, p.fio, i.s_caption, (f.cnt*f.price) as summ,  f.*, case when f.i_holiday=0 "
        "then '' "
        "else '+' end as s_holiday, case when f.i_night=0 then '' else '+' end as s_night "
        "from accounts_dep.fatigue f, cmn_classifier.item i, accounts_dep.person p,accounts_dep.vid_oper vo, "
        "accounts_dep.oper o "
        "where f.id_nom =i.id and p.id=f.id_p and vo.id = f.id_o and o.i_id >=7777 and o.vid >=7777 and "
        "f.d_date = "
        ":d_date "
        "order by p.fio, f.id");
}

Form25::Form25(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form25"));
    setWindowTitle(QStringLiteral("Хоз. работы (25)"));
    fatigue.setConnectionName(DataModule6::ConnectionName);
    fatigue.setSql(fatigueSql());

    DBGrid1 = new DbGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setAccessibleName(QStringLiteral("Хоз. работы"));
    DBGrid1->setQuery(&fatigue);
    DBGrid1->setColumns({
        {QStringLiteral("fio"), QStringLiteral("ФИО"), 300},
        {QStringLiteral("s_caption"), QStringLiteral("Номенклатура"), 267},
        {QStringLiteral("vid"), QStringLiteral("Работа"), 156},
        {QStringLiteral("price"), QStringLiteral("Цена"), 80, Qt::AlignRight | Qt::AlignVCenter, true, 2},
        {QStringLiteral("cnt"), QStringLiteral("Кол-во")},
        {QStringLiteral("summ"), QStringLiteral("Итого"), 80, Qt::AlignRight | Qt::AlignVCenter, true, 2},
        {QStringLiteral("s_holiday"), QStringLiteral("Вых."), 33, Qt::AlignCenter},
        {QStringLiteral("s_night"), QStringLiteral("Ноч."), 64, Qt::AlignCenter},
    });
    // Money with two decimals: the price per hour and the sum.
    DBGrid1->setCellStyle([](const QString& field, const QSqlRecord& row, int role) -> QVariant {
        if (role != Qt::DisplayRole || (field != QLatin1String("price") && field != QLatin1String("summ")))
            return {};
        const QVariant v = row.value(field);
        if (v.isNull()) return QString();
        QLocale locale;
        locale.setNumberOptions(QLocale::OmitGroupSeparator);
        return locale.toString(SqlText::roundTo(v.toDouble(), 2), 'f', 2);
    });
    DBGrid1->viewport()->installEventFilter(this);

    auto button = [this](const QString& caption, const char* name, const QString& accessible = {}) {
        return formButton(this, caption, name, accessible);
    };
    Button5 = button(QStringLiteral("Добавить"), "Button5");
    Button6 = button(QStringLiteral("Изменить"), "Button6");
    Button7 = button(QStringLiteral("Удалить"), "Button7");
    Button1 = button(QStringLiteral("Расчитать ср.сд."), "Button1");
    Button8 = button(QStringLiteral("Выход"), "Button8");
    DTPcker1 = new QDateEdit(this);
    DTPcker1->setObjectName(QStringLiteral("DTPcker1"));
    DTPcker1->setAccessibleName(QStringLiteral("Дата"));
    DTPcker1->setCalendarPopup(true);
    DTPcker1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    CBox1 = new QCheckBox(QStringLiteral("Выходной"), this);
    CBox1->setObjectName(QStringLiteral("CBox1"));
    CBox1->setAutoFillBackground(true);

    auto* bottom = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{Button5, Button6, Button7, Button1, DTPcker1, CBox1})
        bottom->addWidget(w);
    bottom->addStretch();
    bottom->addWidget(Button8);
    auto* closedMark = new QLabel(this);
    bottom->insertWidget(bottom->count() - 2, closedMark);
    closedLock_.watch({Button5, Button6, Button7, Button1}, closedMark);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);
    makeResizable(QSize(1060, 480));

    connect(Button5, &QPushButton::clicked, this, [this] { guarded([this] { Button5Click(); }); });
    connect(Button6, &QPushButton::clicked, this, [this] { guarded([this] { Button6Click(); }); });
    connect(Button7, &QPushButton::clicked, this, [this] { guarded([this] { Button7Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button8, &QPushButton::clicked, this, &QDialog::reject);
    connect(CBox1, &QCheckBox::toggled, this, [this] { CBox1Click(); });
    // Only the user's change of the date runs the handler; the journal's setting does not.
    connect(DTPcker1, &QDateEdit::userDateChanged, this, [this] {
        if (DTPcker1->property("settingDate").toBool()) return;
        guarded([this] { DTPcker1Change(); });
    });

    // The date's few records are read again in place (the current one by its id) when another
    // workstation changes them; not under the record dialog opened from here.
    new LiveRefresh(
        this, LiveRefresh::Mode::Reread,
        [this](const Changes::Change& c) {
            const QDate shown = fatigue.param(QStringLiteral("d_date")).toDate();
            return c.kind == Changes::Change::Household && fatigue.isOpen() &&
                   (c.date.isValid() ? c.date == shown : c.touchesMonth(shown.year(), shown.month()));
        },
        [this] {
            const QVariant id = fatigue.field(QStringLiteral("id"));
            const int at = fatigue.recNo();
            fatigue.reopen();
            if (!id.isNull() && !fatigue.locate(QStringLiteral("id"), id) && at > 0) fatigue.setRecNo(at);
        });
}

bool Form25::eventFilter(QObject* watched, QEvent* e) {
    if (watched == DBGrid1->viewport() && e->type() == QEvent::MouseButtonDblClick) {
        guarded([this] { Button6Click(); });
        return true;
    }
    return FormDialog::eventFilter(watched, e);
}

void Form25::openForDate(const QDate& date) {
    DTPcker1->setProperty("settingDate", true);
    DTPcker1->setDate(date);
    DTPcker1->setProperty("settingDate", false);
    centreOnScreen(this);
    exec();
    fatigue.close();
}

void Form25::FormActivate() {
    fatigue.close();
    fatigue.setParam(QStringLiteral("d_date"), DTPcker1->date());
    fatigue.open();
    closedLock_.follow(DTPcker1->date());
    smena_no = 1;
}

void Form25::DTPcker1Change() {
    CBox1->setChecked(DTPcker1->date().dayOfWeek() >= 6);
    fatigue.close();
    fatigue.setParam(QStringLiteral("d_date"), DTPcker1->date());
    fatigue.open();
    closedLock_.follow(DTPcker1->date());
}

void Form25::CBox1Click() {
    QFont f = CBox1->font();
    f.setBold(CBox1->isChecked());
    CBox1->setFont(f);
    QPalette p = palette();
    if (CBox1->isChecked()) p.setColor(QPalette::Window, QColor(255, 0, 0));
    CBox1->setPalette(p);
}

void Form25::reread() {
    const int at = fatigue.recNo();
    fatigue.close();
    fatigue.setParam(QStringLiteral("d_date"), DTPcker1->date());
    fatigue.open();
    if (!fatigue.isEmpty() && at > 0) fatigue.setRecNo(at);
}

void Form25::Button5Click() {
    if (closedLock_.refuse(DTPcker1->date())) return;
    Form24& dialog = the<Form24>();
    dialog.ListDate = DTPcker1->date();
    dialog.DayOff = CBox1->isChecked();
    dialog.Shift = smena_no;
    dialog.prepareNew();
    if (dialog.run()) reread();
}

void Form25::Button6Click() {
    if (fatigue.isEmpty()) return;
    if (closedLock_.refuse(DTPcker1->date())) return;
    Form24& dialog = the<Form24>();
    dialog.ListDate = DTPcker1->date();
    dialog.DayOff = CBox1->isChecked();
    dialog.Shift = smena_no;
    dialog.prepareChange(fatigue.record());
    if (dialog.run()) reread();
}

void Form25::Button7Click() {
    if (closedLock_.refuse(DTPcker1->date())) return;
    if (fatigue.isEmpty()) return;
    if (!messages().question(Caption::Delete, QStringLiteral("Удалить позицию из списка?"))) return;
    Household::remove(the<DataModule6>().ADO_DB(), fatigue.field(QStringLiteral("id")).toInt());
    reread();
}

QString Form25::averageRateReport(int records, int month, int year) {
    const QString period = QLocale(QLocale::Russian).standaloneMonthName(month).toLower() + QLatin1Char(' ') +
                           QString::number(year);
    if (records == 0)
        return QStringLiteral("За %1 нет записей среднесдельной: пересчитывать нечего.").arg(period);
    return QStringLiteral("Среднесдельная пересчитана за %1: записей %2.").arg(period).arg(records);
}

void Form25::Button1Click() {
    if (closedLock_.refuse(DTPcker1->date())) return;
    const QDate d = DTPcker1->date();
    const int written = Household::computeAveragePieceRate(the<DataModule6>().ADO_DB(), d.month(), d.year());
    reread();
    messages().information(windowTitle(), averageRateReport(written, d.month(), d.year()));
}
