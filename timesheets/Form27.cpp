#include "timesheets/Form27.h"

#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "spreadsheet/ExcelExport.h"
#include "timesheets/MonthlySheets.h"
#include "timesheets/TimesheetMonth.h"

#include "forms/LiveRefresh.h"
#include <QApplication>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QSqlQuery>
#include <QStyleOptionHeader>
#include <QVBoxLayout>

namespace {
// Day titles in the colour of their column; sections 2..32 are the days 1..31.
class DayHeader : public QHeaderView {
public:
    DayHeader(std::function<QColor(int)> colour, QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent), colour_(std::move(colour)) {}

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override {
        QHeaderView::initStyleOptionForIndex(option, logicalIndex);
        if (logicalIndex >= 2 && logicalIndex <= 32) {
            const QColor c = colour_(logicalIndex - 1);
            if (c.isValid()) option->palette.setColor(QPalette::ButtonText, c);
        }
    }

private:
    std::function<QColor(int)> colour_;
};
} // namespace

Form27::Form27(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form27"));
    for (int mode : {9, 14, 15, 17}) {
        Query* q = mode == 9    ? &H_Tabel0
                   : mode == 14 ? &H_Tabel7777
                   : mode == 15 ? &H_Tabel7778
                                : &H_Tabel_all;
        q->setConnectionName(DataModule6::ConnectionName);
        q->setSql(MonthlySheets::sql(mode));
    }
    DBGrid = new DbGrid(this);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->setAccessibleName(QStringLiteral("Табель"));
    DBGrid->setHorizontalHeader(new DayHeader([this](int day) { return titleColour(day); }, DBGrid));
    DBGrid->setCellStyle([this](const QString& field, const QSqlRecord& row, int role) -> QVariant {
        if (field == QLatin1String("f_price") || field == QLatin1String("i_time") ||
            field == QLatin1String("average_price"))
            return role == Qt::BackgroundRole ? QVariant(QColor(225, 228, 255)) : QVariant();
        if (!field.startsWith(QLatin1Char('d')) || role != Qt::ForegroundRole) return {};
        Q_UNUSED(row);
        return titleColour(field.mid(1).toInt());
    });

    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setAccessibleName(QStringLiteral("Месяц"));
    ComboBox1->addItems(TimesheetMonth::monthNames());
    cb_year = new QComboBox(this);
    cb_year->setObjectName(QStringLiteral("cb_year"));
    cb_year->setAccessibleName(QStringLiteral("Год"));
    auto label = [this](const QString& caption, QLabel** value, const char* name) {
        auto* l = new QLabel(caption, this);
        *value = new QLabel(this);
        (*value)->setObjectName(QLatin1String(name));
        (*value)->setAccessibleName(caption);
        (*value)->setMinimumWidth(80);
        l->setBuddy(*value);
        return l;
    };
    QLabel* l4 = label(QStringLiteral("Ср. сдел.:"), &DBText4, "DBText4");
    QLabel* l3 = label(QStringLiteral("Хоз. работы:"), &DBText3, "DBText3");
    QLabel* l2 = label(QStringLiteral("Сделка:"), &DBText2, "DBText2");
    QLabel* l1 = label(QStringLiteral("Итого:"), &DBText1, "DBText1");
    auto button = [this](const QString& caption, const char* name, const QString& accessible = {}) {
        return formButton(this, caption, name, accessible);
    };
    Button2 = button(QStringLiteral("Excel"), "Button2");
    Button2->setMinimumWidth(120);
    Button5 = button(QStringLiteral("Обновить"), "Button5");
    Button3 = button(QStringLiteral("Перестроить"), "Button3");
    Button1 = button(QStringLiteral("Выход"), "Button1");
    closedLock_.watch({Button3});
    PB = new QProgressBar(this);
    PB->setObjectName(QStringLiteral("PB"));
    PB->setAccessibleName(QStringLiteral("Перестроение"));
    PB->setMinimum(1);
    PB->hide();

    auto* totals = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{l4, DBText4, l3, DBText3, l2, DBText2, l1, DBText1})
        totals->addWidget(w);
    totals->addStretch();
    auto* bottom = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{ComboBox1, cb_year, Button5, Button3, Button2})
        bottom->addWidget(w);
    bottom->addWidget(PB, 1);
    bottom->addStretch();
    bottom->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(DBGrid, 1);
    layout->addLayout(totals);
    layout->addLayout(bottom);
    makeResizable(QSize(1200, 600));

    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { ComboBox1Change(); }); });
    connect(cb_year, &QComboBox::currentIndexChanged, this,
            [this] { guarded([this] { ComboBox1Change(); }); });
    connect(Button5, &QPushButton::clicked, this, [this] { guarded([this] { Button5Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button1, &QPushButton::clicked, this, &QDialog::reject);

    // A change of the shown month marks the window instead of reading it again: the sheet and
    // its money totals are read together, and the user may be in the middle of comparing them.
    new LiveRefresh(
        this, LiveRefresh::Mode::Mark,
        [this](const Changes::Change& c) { return c.touchesMonth(year(), month()); },
        [this] { ComboBox1Change(); });
}

QColor Form27::titleColour(int day) const {
    if (day < 1 || day > 31) return {};
    if (day > QDate(year(), month(), 1).daysInMonth()) return QColor(192, 192, 192);
    if (TimesheetMonth::isWeekend(year(), month(), day)) return QColor(255, 0, 0);
    return {};
}

void Form27::readYears(int keep) {
    // The years of the table and this year, so a new year can always be chosen.
    QSqlQuery q(the<DataModule6>().ADO_DB());
    execBound(q, QStringLiteral("select distinct ht.year from accounts_dep.h_tabel ht order by year"), {});
    QList<int> years{QDate::currentDate().year(), keep};
    while (q.next())
        if (!q.value(0).isNull()) years << q.value(0).toInt();
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    const QSignalBlocker block(cb_year);
    cb_year->clear();
    for (int y : years)
        cb_year->addItem(QString::number(y));
    cb_year->setCurrentIndex(cb_year->findText(QString::number(keep)));
}

void Form27::selectMonth(int month, int year) {
    readYears(year);
    const QSignalBlocker block(ComboBox1);
    ComboBox1->setCurrentIndex(month - 1);
}

void Form27::prepare(int mode, const QDate& today) {
    Tag = mode;
    setWindowTitle(MonthlySheets::caption(mode));
    Button2->setText(QStringLiteral("Excel"));
    cur_query->close();
    cur_query = mode == 14 ? &H_Tabel7777 : mode == 15 ? &H_Tabel7778 : mode == 17 ? &H_Tabel_all : &H_Tabel0;
    DBGrid->setQuery(cur_query);
    selectMonth(today.month(), today.year());
    ComboBox1Change();
}

void Form27::open(int mode) {
    prepare(mode);
    centreOnScreen(this);
    exec();
    cur_query->close();
}

int Form27::nameColumnWidth() const {
    return DBGrid->columnWidth(0);
}

void Form27::ComboBox1Change() {
    if (auto* live = findChild<LiveRefresh*>()) live->clear();
    const QDate first(year(), month(), 1), next = first.addMonths(1);
    cur_query->close();
    cur_query->setParam(QStringLiteral("i_month"), month());
    cur_query->setParam(QStringLiteral("i_year"), year());
    for (int i = 1; i <= 8; ++i)
        cur_query->setParam(QStringLiteral("d_date%1").arg(i), i % 2 ? next : first);
    const int days = first.daysInMonth();
    QList<GridColumn> columns{
        {QStringLiteral("fio"), QStringLiteral("Фамилия И. О."), MonthlySheets::nameWidth(Tag, days)},
        {QStringLiteral("s_night"), QStringLiteral(" "), 30, Qt::AlignLeft | Qt::AlignVCenter,
         MonthlySheets::showsNight(Tag)}};
    for (int d = 1; d <= 31; ++d)
        columns << GridColumn{QStringLiteral("d%1").arg(d), QString::number(d), 20, Qt::AlignCenter,
                              d <= days};
    columns << GridColumn{QStringLiteral("f_price"),
                          QStringLiteral("Итого (р.)"),
                          66,
                          Qt::AlignRight | Qt::AlignVCenter,
                          true,
                          2}
            << GridColumn{QStringLiteral("i_time"), QStringLiteral("Итого (ч.)"), 66, Qt::AlignCenter}
            << GridColumn{QStringLiteral("average_price"),
                          QStringLiteral("Час (р.)"),
                          66,
                          Qt::AlignCenter,
                          MonthlySheets::showsHourPrice(Tag),
                          2};
    DBGrid->setColumns(columns);
    closedLock_.follow(first);
    MonthlySheets::openMonthQuery(the<DataModule6>().ADO_DB(), *cur_query);
    const auto t = MonthlySheets::totals(the<DataModule6>().ADO_DB(), month(), year());
    // With the grid's decimal separator; the digits stay the server's exact ones.
    const QString point = QLocale().decimalPoint();
    auto local = [&point](QString text) { return text.replace(u'.', point); };
    DBText4->setText(local(t.averagePieceRate));
    DBText3->setText(local(t.householdWorks));
    DBText2->setText(local(t.piecework));
    DBText1->setText(local(t.all));
    DBGrid->horizontalHeader()->viewport()->update();
}

void Form27::Button5Click() {
    if (auto* live = findChild<LiveRefresh*>()) live->clear();
    cur_query->close();
    MonthlySheets::openMonthQuery(the<DataModule6>().ADO_DB(), *cur_query);
}

void Form27::Button3Click() {
    if (closedLock_.refuse(QDate(year(), month(), 1))) return;
    cur_query->close();
    const int days = QDate(year(), month(), 1).daysInMonth();
    PB->setMaximum(days);
    PB->setValue(1);
    PB->show();
    struct Hide {
        QProgressBar* pb;
        ~Hide() { pb->hide(); }
    } hide{PB};
    MonthlySheets::rebuildHousehold(the<DataModule6>().ADO_DB(), month(), year(), [this](int done, int) {
        // Inside the month's transaction: repaint only, no event runs (no timer, no click).
        PB->setValue(done);
        PB->repaint();
    });
    MonthlySheets::openMonthQuery(the<DataModule6>().ADO_DB(), *cur_query);
}

void Form27::Button2Click() {
    const int at = cur_query->recNo();
    ExcelExport excel;
    if (excel.OpenExcel(QString()) == -1) {
        QApplication::restoreOverrideCursor();
        return;
    }
    excel.SetExcelVisible(false);
    const int n = cur_query->recordCount();
    Button2->setText(QStringLiteral("Excel (0 из %1)").arg(n));
    const CellFormat text{true, true, false}, boldText{true, true, true}, number{false, true, false},
        boldNumber{false, true, true};
    const bool hourPrice = MonthlySheets::showsHourPrice(Tag), night = MonthlySheets::showsNight(Tag);
    excel.WriteCell(1, 1, 1, ComboBox1->currentText() + QLatin1Char(' ') + cb_year->currentText(), boldText);
    excel.WriteCell(1, 1, 2, QStringLiteral("Фамилия И.О."), boldText);
    for (int i = 1; i <= 31; ++i)
        excel.WriteCell(1, i + 2, 2, QString::number(i), boldNumber);
    excel.WriteCell(1, 34, 2, QStringLiteral("Итого (ч.)"), boldText);
    excel.WriteCell(1, 35, 2, QStringLiteral("Итого (р.)"), boldText);
    if (hourPrice) excel.WriteCell(1, 36, 2, QStringLiteral("Час (р.)"), boldText);
    auto cell = [this](int row, const QString& field) {
        const int c = cur_query->fieldIndex(field);
        return c < 0 ? QString() : cur_query->value(row, c).toString();
    };
    for (int k = 0; k < n; ++k) {
        const int r = k + 3;
        excel.WriteCell(1, 1, r, cell(k, QStringLiteral("fio")), text);
        if (night) excel.WriteCell(1, 2, r, cell(k, QStringLiteral("s_night")), text);
        for (int j = 1; j <= 31; ++j)
            excel.WriteCell(1, j + 2, r, cell(k, QStringLiteral("d%1").arg(j)), number);
        excel.WriteCell(1, 34, r, cell(k, QStringLiteral("i_time")), number);
        excel.WriteCell(1, 35, r, cell(k, QStringLiteral("f_price")), number);
        if (hourPrice) excel.WriteCell(1, 36, r, cell(k, QStringLiteral("average_price")), number);
        Button2->setText(QStringLiteral("Excel (%1 из %2)").arg(k + 1).arg(n));
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    excel.SetExcelVisible(true);
    cur_query->setRecNo(at);
}

void Form27::closeEvent(QCloseEvent* e) {
    Button2->setText(QStringLiteral("Excel"));
    FormDialog::closeEvent(e);
}
