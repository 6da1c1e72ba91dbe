#include "timesheets/MonthCloseForm.h"

#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "timesheets/MonthClose.h"
#include "timesheets/TimesheetMonth.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

namespace {
enum Column { MonthColumn, StateColumn, RoleColumn, StationColumn, WhenColumn, ReasonColumn, ColumnCount };
}

MonthCloseForm::MonthCloseForm(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("MonthCloseForm"));
    setWindowTitle(MonthClose::WindowCaption);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);

    Grid = new QTableWidget(0, ColumnCount, this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setAccessibleName(QStringLiteral("Месяцы"));
    Grid->setHorizontalHeaderLabels({QStringLiteral("Месяц"), QStringLiteral("Состояние"),
                                     QStringLiteral("Закрыл"), QStringLiteral("Рабочее место"),
                                     QStringLiteral("Когда"), QStringLiteral("Причина")});
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setTabKeyNavigation(false);
    Grid->verticalHeader()->hide();
    Grid->horizontalHeader()->setStretchLastSection(true);
    for (auto [c, w] : {std::pair{MonthColumn, 110},
                        {StateColumn, 90},
                        {RoleColumn, 130},
                        {StationColumn, 150},
                        {WhenColumn, 120}})
        Grid->setColumnWidth(c, w);

    auto* logLabel = new QLabel(QStringLiteral("Закрытия и открытия месяца:"), this);
    LogGrid = new QTableWidget(0, 5, this);
    LogGrid->setObjectName(QStringLiteral("LogGrid"));
    LogGrid->setAccessibleName(logLabel->text());
    logLabel->setBuddy(LogGrid);
    LogGrid->setHorizontalHeaderLabels({QStringLiteral("Действие"), QStringLiteral("Когда"),
                                        QStringLiteral("Кто"), QStringLiteral("Рабочее место"),
                                        QStringLiteral("Причина")});
    LogGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    LogGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LogGrid->setTabKeyNavigation(false);
    LogGrid->verticalHeader()->hide();
    LogGrid->horizontalHeader()->setStretchLastSection(true);
    for (auto [c, w] : {std::pair{0, 110}, {1, 120}, {2, 200}, {3, 150}})
        LogGrid->setColumnWidth(c, w);

    auto* reasonLabel = new QLabel(QStringLiteral("Причина:"), this);
    Reason = new QLineEdit(this);
    Reason->setObjectName(QStringLiteral("Reason"));
    Reason->setMaxLength(500);
    Reason->setPlaceholderText(QStringLiteral("для открытия заново обязательна"));
    reasonLabel->setBuddy(Reason);
    Reason->setAccessibleName(QStringLiteral("Причина"));

    CloseButton = formButton(this, QStringLiteral("Закрыть месяц"), "CloseButton");
    ReopenButton = formButton(this, QStringLiteral("Открыть заново"), "ReopenButton");
    ExitButton = formButton(this, QStringLiteral("Выход"), "ExitButton");

    auto* reasonRow = new QHBoxLayout;
    reasonRow->addWidget(reasonLabel);
    reasonRow->addWidget(Reason, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CloseButton);
    buttons->addWidget(ReopenButton);
    buttons->addStretch();
    buttons->addWidget(ExitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Grid, 2);
    layout->addWidget(logLabel);
    layout->addWidget(LogGrid, 1);
    layout->addLayout(reasonRow);
    layout->addLayout(buttons);
    resize(860, 560);

    connect(CloseButton, &QPushButton::clicked, this, [this] { guarded([this] { CloseButtonClick(); }); });
    connect(ReopenButton, &QPushButton::clicked, this, [this] { guarded([this] { ReopenButtonClick(); }); });
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::close);
    connect(Grid, &QTableWidget::itemSelectionChanged, this, &MonthCloseForm::updateButtons);
    connect(Grid, &QTableWidget::itemSelectionChanged, this, [this] { guarded([this] { showLog(); }); });
}

void MonthCloseForm::openWindow() {
    exec();
}

void MonthCloseForm::FormActivate() {
    reread();
}

void MonthCloseForm::reread() {
    int keepYear = 0, keepMonth = 0;
    bool closed = false;
    const bool had = selected(&keepYear, &keepMonth, &closed);
    const QList<MonthClose::MonthState> months = MonthClose::months(the<DataModule6>().ADO_DB());
    Grid->setRowCount(int(months.size()));
    int select = 0;
    for (int r = 0; r < months.size(); ++r) {
        const auto& m = months[r];
        auto set = [&](int column, const QString& text) {
            auto* item = new QTableWidgetItem(text);
            item->setData(Qt::UserRole, m.year * 100 + m.month);
            item->setData(Qt::UserRole + 1, m.closed);
            item->setToolTip(text);
            Grid->setItem(r, column, item);
        };
        set(MonthColumn, MonthClose::monthWords(m.year, m.month));
        set(StateColumn, m.closed ? QStringLiteral("закрыт") : QStringLiteral("открыт"));
        set(RoleColumn, m.role);
        set(StationColumn, m.station);
        set(WhenColumn,
            m.closed ? m.closedAt.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")) : QString());
        set(ReasonColumn, m.reason);
        if (m.closed) {
            for (int c = 0; c < ColumnCount; ++c)
                Grid->item(r, c)->setForeground(QColor(0x80, 0, 0));
        }
        if (had && m.year == keepYear && m.month == keepMonth) select = r;
    }
    if (!months.isEmpty()) Grid->selectRow(select);
    updateButtons();
    showLog();
}

bool MonthCloseForm::selected(int* year, int* month, bool* closed) const {
    const QList<QTableWidgetItem*> items = Grid->selectedItems();
    if (items.isEmpty()) return false;
    const int key = items.first()->data(Qt::UserRole).toInt();
    *year = key / 100;
    *month = key % 100;
    *closed = items.first()->data(Qt::UserRole + 1).toBool();
    return true;
}

void MonthCloseForm::showLog() {
    int y = 0, m = 0;
    bool closed = false;
    const QList<MonthClose::LogEntry> entries = selected(&y, &m, &closed)
                                                    ? MonthClose::log(the<DataModule6>().ADO_DB(), y, m)
                                                    : QList<MonthClose::LogEntry>();
    LogGrid->setRowCount(int(entries.size()));
    for (int r = 0; r < entries.size(); ++r) {
        const auto& e = entries[r];
        const QStringList texts{
            e.action == QLatin1String("close") ? QStringLiteral("закрыт") : QStringLiteral("открыт заново"),
            e.at.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm")), e.role, e.station, e.reason};
        for (int c = 0; c < texts.size(); ++c) {
            auto* item = new QTableWidgetItem(texts[c]);
            item->setToolTip(texts[c]);
            LogGrid->setItem(r, c, item);
        }
    }
}

void MonthCloseForm::updateButtons() {
    int y = 0, m = 0;
    bool closed = false;
    const bool any = selected(&y, &m, &closed);
    const QString role = Extension::sessionRole();
    CloseButton->setEnabled(any && !closed && MonthClose::mayClose(role));
    ReopenButton->setEnabled(any && closed && MonthClose::mayReopen(role));
    CloseButton->setToolTip(MonthClose::mayClose(role) ? QString()
                                                       : QStringLiteral("Закрыть месяц могут полный доступ и "
                                                                        "бюджетный отдел."));
    ReopenButton->setToolTip(MonthClose::mayReopen(role)
                                 ? QString()
                                 : QStringLiteral("Открыть закрытый месяц может только полный доступ."));
}

void MonthCloseForm::CloseButtonClick() {
    int y = 0, m = 0;
    bool closed = false;
    if (!selected(&y, &m, &closed) || closed) return;
    QSqlDatabase db = the<DataModule6>().ADO_DB();
    const MonthClose::Contents c = MonthClose::contents(db, y, m);
    if (!messages().question(MonthClose::WindowCaption, MonthClose::closeQuestion(y, m, c))) return;
    // Days that differ from the journal: closed only on an explicit "close anyway".
    if (c.differingDays > 0 &&
        !messages().doubt(MonthClose::WindowCaption,
                          QStringLiteral("%1: табель расходится с журналом (дней: %2). "
                                         "Закрыть месяц всё равно?")
                              .arg(MonthClose::monthWords(y, m))
                              .arg(c.differingDays)))
        return;
    MonthClose::close(db, y, m, Reason->text());
    Reason->clear();
    reread();
}

void MonthCloseForm::ReopenButtonClick() {
    int y = 0, m = 0;
    bool closed = false;
    if (!selected(&y, &m, &closed) || !closed) return;
    if (Reason->text().trimmed().isEmpty()) {
        messages().error(Caption::Error,
                         QStringLiteral("Укажите причину, по которой месяц %1 открывается заново.")
                             .arg(MonthClose::monthWords(y, m)));
        Reason->setFocus();
        return;
    }
    if (!messages().question(MonthClose::WindowCaption,
                             QStringLiteral("Открыть месяц %1 заново?\nПричина: %2")
                                 .arg(MonthClose::monthWords(y, m), Reason->text().trimmed())))
        return;
    MonthClose::reopen(the<DataModule6>().ADO_DB(), y, m, Reason->text());
    Reason->clear();
    reread();
}
