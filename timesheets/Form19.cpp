#include "timesheets/Form19.h"

#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "reports/Form15.h"
#include "spreadsheet/ExcelExport.h"

#include "forms/LiveRefresh.h"
#include <QApplication>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QStyleOptionHeader>
#include <QVBoxLayout>

namespace {
// A grid header whose day titles take the colour of their column (red weekends, silver days
// past the month's end).
class DayHeader : public QHeaderView {
public:
    DayHeader(const Form19* form, QWidget* parent) : QHeaderView(Qt::Horizontal, parent), form_(form) {
        setSectionsMovable(false);
        setHighlightSections(false);
    }

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        // Section 0 is the name; sections 1..31 the days.
        if (logicalIndex >= 1 && logicalIndex <= 31) {
            const QColor c = form_->titleColour(logicalIndex);
            if (c.isValid()) option->palette.setColor(QPalette::ButtonText, c);
        }
    }

private:
    const Form19* form_;
};

QString hoursKey(int shift, int worker, int day) {
    return QStringLiteral("%1/%2/%3").arg(shift).arg(worker).arg(day);
}
} // namespace

Form19::Form19(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form19"));
    setWindowTitle(QStringLiteral("Табель по времени"));
    DataModule6& dm = the<DataModule6>();

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    QList<GridColumn> columns{{QStringLiteral("fio"), QStringLiteral("Фамилия И. О."), 208}};
    for (int d = 1; d <= 31; ++d)
        columns << GridColumn{QStringLiteral("d%1").arg(d), QString::number(d), 20, Qt::AlignCenter};
    columns << GridColumn{QStringLiteral("summ"), QStringLiteral("Итого"), 47,
                          Qt::AlignRight | Qt::AlignVCenter};

    QList<QWidget*> sheets;
    QList<DbGrid*> grids;
    Query* queries[] = {&dm.H_Tabel_1, &dm.H_Tabel_2, &dm.H_Tabel_3};
    for (int s = 1; s <= 3; ++s) {
        auto* sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("TabSheet%1").arg(s));
        auto* grid = new DbGrid(sheet);
        grid->setObjectName(QStringLiteral("DBGrid%1").arg(s));
        grid->setAccessibleName(QStringLiteral("Смена №%1").arg(s));
        grid->setHorizontalHeader(new DayHeader(this, grid));
        grid->setQuery(queries[s - 1]);
        grid->setColumns(columns);
        grid->setCellStyle([this, s](const QString& field, const QSqlRecord& row, int role) {
            return cellStyle(s, field, row, role);
        });
        auto* layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(2, 2, 2, 2);
        layout->addWidget(grid, 1);
        PageControl1->addTab(sheet, QStringLiteral("Смена №%1").arg(s));
        sheets << sheet;
        grids << grid;
    }
    TabSheet1 = sheets[0];
    TabSheet2 = sheets[1];
    TabSheet3 = sheets[2];
    DBGrid1 = grids[0];
    DBGrid2 = grids[1];
    DBGrid3 = grids[2];

    auto button = [this](const QString& caption, const char* name, const QString& accessible = {}) {
        return formButton(this, caption, name, accessible);
    };
    Button1 = button(QStringLiteral("Перестроить"), "Button1");
    Button2 = button(QStringLiteral("Excel"), "Button2");
    Button5 = button(QStringLiteral("Обновить"), "Button5");
    Button6 = button(QStringLiteral("Печать"), "Button6");
    Button4 = button(QStringLiteral("Выход"), "Button4");
    Button2->setMinimumWidth(120);
    PB = new QProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setAccessibleName(QStringLiteral("Перестроение"));
    PB->setMinimum(1);
    PB->hide();
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setAccessibleName(QStringLiteral("Месяц"));
    ComboBox1->addItems(TimesheetMonth::monthNames());
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->setAccessibleName(QStringLiteral("Год"));
    ComboBox2->addItems(TimesheetMonth::yearChoices());
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));

    // The rebuild, its progress and the export sit on the first tab, under its grid.
    auto* first = new QHBoxLayout;
    first->addWidget(Button1);
    first->addWidget(PB, 1);
    first->addWidget(Button2);
    static_cast<QVBoxLayout*>(TabSheet1->layout())->addLayout(first);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(ComboBox1);
    bottom->addWidget(ComboBox2);
    bottom->addWidget(Button5);
    bottom->addWidget(Button6);
    bottom->addWidget(Label1, 1);
    bottom->addWidget(Button4);
    closedLock_.watch({Button1});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(bottom);
    makeResizable(QSize(958, 577));

    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { ComboBox1Change(); }); });
    connect(ComboBox2, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { ComboBox1Change(); }); });
    connect(Button5, &QPushButton::clicked, this, [this] { guarded([this] { Button5Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button6, &QPushButton::clicked, this, [this] { guarded([this] { Button6Click(); }); });
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);

    // A change of the shown month's journal or timesheet rows marks the window instead of
    // reading it again: the user may be comparing days across three tabs, or printing.
    new LiveRefresh(
        this, LiveRefresh::Mode::Mark,
        [this](const Changes::Change& c) {
            return c.kind != Changes::Change::Household && c.shift != 0 &&
                   c.touchesMonth(shownYear_, shownMonth_);
        },
        [this] { Button5Click(); });
}

DbGrid* Form19::grid(int shift) const {
    return shift == 2 ? DBGrid2 : shift == 3 ? DBGrid3 : DBGrid1;
}

void Form19::selectMonth(int month, int year) {
    const QSignalBlocker b1(ComboBox1), b2(ComboBox2);
    ComboBox1->setCurrentIndex(month - 1);
    int i = ComboBox2->findText(QString::number(year));
    if (i < 0) {
        // A year outside the list (an old journal date) is added in its place, so the journal's
        // month always opens.
        int at = 0;
        while (at < ComboBox2->count() && ComboBox2->itemText(at).toInt() < year)
            ++at;
        ComboBox2->insertItem(at, QString::number(year));
        i = at;
    }
    ComboBox2->setCurrentIndex(i);
}

void Form19::openMonth(const QDate& journalDate) {
    selectMonth(journalDate.month(), journalDate.year());
    ComboBox1Change();
    centreOnScreen(this);
    exec();
    DataModule6& dm = the<DataModule6>();
    for (Query* q : {&dm.H_Tabel_1, &dm.H_Tabel_2, &dm.H_Tabel_3})
        q->close();
}

void Form19::FormActivate() {
    Button2->setText(QStringLiteral("Excel"));
}

QColor Form19::titleColour(int day) const {
    if (day > QDate(shownYear_, shownMonth_, 1).daysInMonth()) return QColor(192, 192, 192);
    if (TimesheetMonth::isWeekend(shownYear_, shownMonth_, day)) return QColor(255, 0, 0);
    return {};
}

void Form19::ComboBox1Change() {
    DataModule6& dm = the<DataModule6>();
    const QDate first(year(), month(), 1);
    shownMonth_ = month();
    shownYear_ = year();
    for (Query* q : {&dm.H_Tabel_1, &dm.H_Tabel_2, &dm.H_Tabel_3}) {
        q->close();
        q->setParam(QStringLiteral("mnth"), month());
        q->setParam(QStringLiteral("yea"), year());
        q->setParam(QStringLiteral("date1"), first);
        q->setParam(QStringLiteral("date2"), first.addMonths(1));
    }
    closedLock_.follow(first);
    Button5Click();
}

void Form19::Button5Click() {
    if (auto* live = findChild<LiveRefresh*>()) live->clear();
    DataModule6& dm = the<DataModule6>();
    readMismatches();
    for (Query* q : {&dm.H_Tabel_1, &dm.H_Tabel_2, &dm.H_Tabel_3})
        q->reopen();
    for (DbGrid* g : {DBGrid1, DBGrid2, DBGrid3})
        g->horizontalHeader()->viewport()->update();
}

void Form19::readMismatches() {
    mismatches_ = TimesheetMonth::mismatches(the<DataModule6>().ADO_DB(), month(), year());
    journalHours_.clear();
    for (const auto& m : mismatches_)
        journalHours_.insert(hoursKey(m.shift, m.worker, m.day), m.journal);
    Label1->setText(mismatches_.isEmpty()
                        ? QString()
                        : QStringLiteral("Дней, расходящихся с журналом: %1").arg(mismatches_.size()));
}

QVariant Form19::cellStyle(int shift, const QString& field, const QSqlRecord& row, int role) const {
    if (field == QLatin1String("summ")) {
        // The row total: bold on its own ground.
        if (role == Qt::BackgroundRole) return QColor(225, 228, 255);
        if (role != Qt::FontRole) return {};
        QFont f = font();
        f.setBold(true);
        return f;
    }
    if (!field.startsWith(QLatin1Char('d'))) return {};
    const int day = field.mid(1).toInt();
    if (day < 1 || day > 31) return {};
    const bool past = day > QDate(shownYear_, shownMonth_, 1).daysInMonth();
    const bool weekend = !past && TimesheetMonth::isWeekend(shownYear_, shownMonth_, day);
    const auto look = TimesheetMonth::dayCellLook(row.value(field).toInt(), weekend, past,
                                                  palette().color(QPalette::Window));
    const QString key = hoursKey(shift, row.value(QStringLiteral("w_id")).toInt(), day);
    switch (role) {
    case Qt::FontRole: {
        if (!look.bold) return {};
        QFont f = font();
        f.setBold(true);
        return f;
    }
    case Qt::ForegroundRole:
        return look.foreground.isValid() ? QVariant(look.foreground) : QVariant();
    case Qt::BackgroundRole:
        // A day that differs from the journal shows it above all.
        if (journalHours_.contains(key)) return QColor(255, 200, 120);
        return look.background.isValid() ? QVariant(look.background) : QVariant();
    case Qt::ToolTipRole:
        if (journalHours_.contains(key))
            return QStringLiteral("по журналу: %1 ч").arg(journalHours_.value(key));
        return {};
    default:
        return {};
    }
}

void Form19::Button1Click() {
    if (closedLock_.refuse(QDate(year(), month(), 1))) return;
    DataModule6& dm = the<DataModule6>();
    for (Query* q : {&dm.H_Tabel_1, &dm.H_Tabel_2, &dm.H_Tabel_3})
        q->close();
    const int days = QDate(year(), month(), 1).daysInMonth();
    PB->setMaximum(days);
    PB->setValue(1);
    PB->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        Form19* f;
        ~Restore() {
            QApplication::restoreOverrideCursor();
            f->PB->hide();
        }
    } restore{this};
    TimesheetMonth::rebuild(dm.ADO_DB(), month(), year(), [this](int done, int) {
        // Inside the month's transaction: repaint only, no event runs (no timer, no click).
        PB->setValue(done);
        PB->repaint();
    });
    Button5Click();
}

void Form19::Button2Click() {
    Form15& report = the<Form15>();
    report.openMonth(month(), year());
    const QString title = ComboBox1->currentText() + QLatin1Char(' ') + ComboBox2->currentText();
    const bool done =
        TimesheetMonth::exportMonth(timesheetExcel(), report.H_Tabel, title, [this](int k, int n) {
            Button2->setText(QStringLiteral("Excel (%1 из %2)").arg(k).arg(n));
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    if (!done) QApplication::restoreOverrideCursor();
    report.H_Tabel.close();
}

void Form19::Button6Click() {
    the<Form15>().printMonth(month(), year(),
                             ComboBox1->currentText() + QLatin1Char(' ') + ComboBox2->currentText() +
                                 QStringLiteral(" г."));
}
