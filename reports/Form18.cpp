#include "reports/Form18.h"

#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "reports/Form16.h"
#include "reports/Form17.h"
#include "reports/Form20.h"
#include "reports/Form21.h"
#include "reports/ReportForm.h"
#include "reports/SummaryReports.h"
#include "spreadsheet/ExcelExport.h"

#include <QApplication>
#include <QGridLayout>
#include <QLayout>
#include <QScreen>
#include <QVBoxLayout>

namespace {
// Shows the busy cursor for as long as it lives.
struct BusyCursor {
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};
} // namespace

Form18::Form18(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form18"));
    setWindowTitle(QStringLiteral("Отчеты (8)"));
    XLS_Rep.setConnectionName(DataModule6::ConnectionName);
    XLS_Rep.setSql(SummaryReports::xlsRepSql());

    QFont bold = font();
    bold.setBold(true);
    QFont plain = font();
    plain.setBold(false); // set explicitly, or the bold of the group's title would be inherited

    RadioGroup1 = new QGroupBox(QStringLiteral("Вид продукции"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setFont(bold);
    RadioGroup1Items = new QButtonGroup(this);
    auto* kinds = new QVBoxLayout(RadioGroup1);
    kinds->setContentsMargins(6, 2, 6, 4);
    kinds->setSpacing(2);
    const QString items[] = {QStringLiteral("Все"), QStringLiteral("Готовая продукция"),
                             QStringLiteral("Заготовки")};
    for (int i = 0; i < 3; ++i) {
        auto* item = new QRadioButton(items[i], RadioGroup1);
        item->setObjectName(QStringLiteral("RadioGroup1Item%1").arg(i));
        item->setFont(plain);
        item->setAccessibleName(items[i]);
        RadioGroup1Items->addButton(item, i);
        kinds->addWidget(item);
    }
    setKindIndex(0);

    GroupBox1 = new QGroupBox(QStringLiteral("Период отбора"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFont(bold);
    Label1 = new QLabel(QStringLiteral("с"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("по"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    auto picker = [&](const char* name, QLabel* label) {
        auto* p = new QDateEdit(GroupBox1);
        p->setObjectName(QLatin1String(name));
        p->setCalendarPopup(true);
        p->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        p->setFont(plain);
        label->setFont(plain);
        label->setBuddy(p);
        p->setAccessibleName(label->text());
        return p;
    };
    DTPicker1 = picker("DTPicker1", Label1);
    DTPicker2 = picker("DTPicker2", Label2);
    // Both dates are days of the period: "по 31.05" includes 31 May. The line under them says
    // so, with the number of days.
    Label3 = new QLabel(GroupBox1);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(plain);
    Label3->setWordWrap(true);
    auto* period = new QGridLayout(GroupBox1);
    period->setContentsMargins(6, 2, 6, 4);
    period->addWidget(Label1, 0, 0);
    period->addWidget(DTPicker1, 0, 1);
    period->addWidget(Label2, 1, 0);
    period->addWidget(DTPicker2, 1, 1);
    period->addWidget(Label3, 2, 0, 1, 2);
    connect(DTPicker1, &QDateEdit::dateChanged, this, &Form18::showPeriodDays);
    connect(DTPicker2, &QDateEdit::dateChanged, this, &Form18::showPeriodDays);
    showPeriodDays();

    auto button = [this](const QString& caption, const char* name, const QString& accessible = {}) {
        return formButton(this, caption, name, accessible);
    };
    Button4 = button(QStringLiteral("Отчет по рабочим"), "Button4");
    Button2 = button(QStringLiteral("Отчет по продукции"), "Button2");
    Button1 = button(QStringLiteral("Детальный отчет по рабочим"), "Button1");
    Button3 = button(QStringLiteral("Детальный отчет по продукции"), "Button3");
    Button6 = button(QStringLiteral("Excel (0 из 0)"), "Button6");
    Button5 = button(QStringLiteral("Выход"), "Button5");

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    for (QWidget* w : std::initializer_list<QWidget*>{RadioGroup1, GroupBox1, Button4, Button2, Button1,
                                                      Button3, Button6, Button5})
        layout->addWidget(w);
    // 180 pixels wide; as high as its controls.
    setFixedWidth(180);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (QWidget* w : std::initializer_list<QWidget*>{RadioGroup1, GroupBox1, Button4, Button2, Button1,
                                                      Button3, Button6, Button5})
        w->setFixedWidth(180 - 12);

    connect(Button4, &QPushButton::clicked, this, [this] { guarded([this] { Button4Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button6, &QPushButton::clicked, this, [this] { guarded([this] { Button6Click(); }); });
    // Esc closes the dialog as "Выход" does.
    connect(Button5, &QPushButton::clicked, this, &Form18::Button5Click);
}

int Form18::kindIndex() const {
    return std::max(0, RadioGroup1Items->checkedId());
}

void Form18::setKindIndex(int index) {
    if (QAbstractButton* b = RadioGroup1Items->button(index)) b->setChecked(true);
}

void Form18::setDefaultPeriod() {
    const auto [first, end] = SummaryReports::defaultPeriod(today());
    DTPicker1->setDate(first);
    DTPicker2->setDate(end);
}

QDate Form18::data1() const {
    return DTPicker1->date();
}

QDate Form18::data2() const {
    return DTPicker2->date().addDays(1);
}

void Form18::showPeriodDays() {
    const qint64 days = std::max<qint64>(0, data1().daysTo(data2()));
    Label3->setText(QStringLiteral("включительно, дней: %1").arg(days));
    Label3->setAccessibleName(Label3->text());
}

void Form18::openWithDefaultPeriod() {
    setDefaultPeriod();
    exec();
}

void Form18::showEvent(QShowEvent* e) {
    // In the middle of the main window, which is active when its menu opens this one.
    QWidget* main = QApplication::activeWindow();
    if (main && main != this) {
        adjustSize();
        move(main->frameGeometry().center() - rect().center());
    } else {
        centreOnScreen(this);
    }
    FormDialog::showEvent(e);
}

void Form18::printReport(PeriodReport& form, const QString& titlePiece, const QString& reportName) {
    form.run(titlePiece, reportName, data1(), data2(), kindIndex());
}

void Form18::Button4Click() {
    printReport(the<Form16>(), QStringLiteral("   Отчет по рабочим за период с "),
                QStringLiteral("Отчет по рабочим"));
}

void Form18::Button2Click() {
    printReport(the<Form17>(), QStringLiteral("   Отчет по продукции за период с "),
                QStringLiteral("Отчет по продукции"));
}

void Form18::Button1Click() {
    printReport(the<Form20>(), QStringLiteral("   Детальный отчет по рабочим за период с "),
                QStringLiteral("Детальный отчет по рабочим"));
}

void Form18::Button3Click() {
    printReport(the<Form21>(), QStringLiteral("   Детальный отчет по продукции за период с "),
                QStringLiteral("Детальный отчет по продукции"));
}

void Form18::Button6Click() {
    BusyCursor busy;
    XLS_Rep.close();
    QueryCloser closer(XLS_Rep);
    XLS_Rep.setParam(QStringLiteral("data1"), data1());
    XLS_Rep.setParam(QStringLiteral("data2"), data2());
    PeriodReport::applyKind(XLS_Rep, kindIndex());
    XLS_Rep.open();
    SummaryReports::exportRows(XLS_Rep, sharedExcel(), [this](int k, int n) {
        Button6->setText(QStringLiteral("Excel (%1 из %2)").arg(k).arg(n));
        // The export keeps the event loop waiting: paint the progress now.
        Button6->repaint();
    });
}

void Form18::Button5Click() {
    reject();
}
