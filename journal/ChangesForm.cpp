#include "journal/ChangesForm.h"

#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "spreadsheet/ExcelExport.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const QString NothingForLine =
    QStringLiteral("Изменений этой строки не записано: она заведена раньше, чем начал вестись журнал "
                   "изменений, и с тех пор не менялась.");
const QString NothingForPeriod = QStringLiteral("За этот период с этими условиями изменений не записано.");
const QStringList Titles{QStringLiteral("Когда"),        QStringLiteral("Действие"),
                         QStringLiteral("Строка"),       QStringLiteral("Дата строки"),
                         QStringLiteral("Изменения"),    QStringLiteral("Кто"),
                         QStringLiteral("Рабочее место")};
enum Column { WhenColumn, ActionColumn, LineColumn, DateColumn, ChangesColumn, RoleColumn, StationColumn };
} // namespace

ChangesForm::ChangesForm(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("ChangesForm"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowMaximizeButtonHint);

    filters_ = new QWidget(this);
    auto* f = new QHBoxLayout(filters_);
    f->setContentsMargins(0, 0, 0, 0);
    auto labelled = [&](const QString& caption, QWidget* w) {
        auto* l = new QLabel(caption, filters_);
        l->setBuddy(w);
        w->setAccessibleName(QString(caption).remove(QLatin1Char(':')));
        f->addWidget(l);
        f->addWidget(w);
    };
    From = new QDateEdit(filters_);
    To = new QDateEdit(filters_);
    for (QDateEdit* d : {From, To}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    }
    Worker = new QLineEdit(filters_);
    Worker->setPlaceholderText(QStringLiteral("номер, пусто — все"));
    Worker->setMaxLength(9);
    Worker->setValidator(nullptr);
    Action = new QComboBox(filters_);
    Action->addItem(QStringLiteral("все"), QString());
    Action->addItem(QStringLiteral("добавлена"), QStringLiteral("insert"));
    Action->addItem(QStringLiteral("изменена"), QStringLiteral("update"));
    Action->addItem(QStringLiteral("удалена"), QStringLiteral("delete"));
    labelled(QStringLiteral("Строки за дни с:"), From);
    labelled(QStringLiteral("по:"), To);
    labelled(QStringLiteral("Работник:"), Worker);
    labelled(QStringLiteral("Действие:"), Action);
    ShowButton = formButton(filters_, QStringLiteral("Показать"), "ShowButton");
    f->addWidget(ShowButton);
    f->addStretch();

    Grid = new QTableWidget(0, int(Titles.size()), this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setAccessibleName(QStringLiteral("Изменения"));
    Grid->setHorizontalHeaderLabels(Titles);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setTabKeyNavigation(false);
    Grid->setWordWrap(true);
    Grid->verticalHeader()->hide();
    Grid->horizontalHeader()->setSectionResizeMode(ChangesColumn, QHeaderView::Stretch);
    for (auto [c, w] : {std::pair{WhenColumn, 120},
                        {ActionColumn, 80},
                        {LineColumn, 60},
                        {DateColumn, 80},
                        {RoleColumn, 110},
                        {StationColumn, 130}})
        Grid->setColumnWidth(c, w);

    Nothing = new QLabel(this);
    Nothing->setObjectName(QStringLiteral("Nothing"));
    Nothing->setWordWrap(true);
    Nothing->hide();

    RestoreButton = formButton(this, QStringLiteral("Восстановить"), "RestoreButton");
    ExcelButton = formButton(this, QStringLiteral("Excel"), "ExcelButton");
    ExitButton = formButton(this, QStringLiteral("Выход"), "ExitButton");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(RestoreButton);
    buttons->addWidget(ExcelButton);
    buttons->addStretch();
    buttons->addWidget(ExitButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(filters_);
    layout->addWidget(Grid, 1);
    layout->addWidget(Nothing);
    layout->addLayout(buttons);
    resize(1100, 500);

    connect(ShowButton, &QPushButton::clicked, this, [this] { guarded([this] { ShowButtonClick(); }); });
    connect(RestoreButton, &QPushButton::clicked, this,
            [this] { guarded([this] { RestoreButtonClick(); }); });
    connect(ExcelButton, &QPushButton::clicked, this, [this] { guarded([this] { ExcelButtonClick(); }); });
    connect(ExitButton, &QPushButton::clicked, this, &QDialog::close);
    connect(Grid, &QTableWidget::itemSelectionChanged, this, &ChangesForm::updateButtons);
}

void ChangesForm::openLine(int lineId) {
    lineId_ = lineId;
    setWindowTitle(History::LineCaption + QStringLiteral(" строки %1").arg(lineId));
    filters_->hide();
    fill(History::ofLine(the<DataModule6>().ADO_DB(), lineId));
    exec();
}

void ChangesForm::openPeriod(const QDate& date) {
    lineId_ = 0;
    setWindowTitle(History::ChangesCaption);
    filters_->show();
    if (!From->date().isValid() || From->date() == QDate(2000, 1, 1)) {
        From->setDate(QDate(date.year(), date.month(), 1));
        To->setDate(QDate(date.year(), date.month(), 1).addMonths(1).addDays(-1));
    }
    ShowButtonClick();
    exec();
}

void ChangesForm::ShowButtonClick() {
    if (lineId_ != 0) {
        fill(History::ofLine(the<DataModule6>().ADO_DB(), lineId_));
        return;
    }
    History::Filter f;
    f.from = From->date();
    f.to = To->date();
    bool ok = false;
    const int w = Worker->text().trimmed().toInt(&ok);
    if (!Worker->text().trimmed().isEmpty() && (!ok || w <= 0)) {
        messages().error(Caption::Error,
                         QStringLiteral("Работник задаётся своим номером (табельным), например 1042."));
        return;
    }
    f.worker = ok ? w : 0;
    f.action = Action->currentData().toString();
    fill(History::changes(the<DataModule6>().ADO_DB(), f));
}

void ChangesForm::fill(const QList<History::Change>& changes) {
    QSqlDatabase db = the<DataModule6>().ADO_DB();
    shown_ = changes;
    Grid->setRowCount(int(changes.size()));
    for (int r = 0; r < changes.size(); ++r) {
        const History::Change& c = changes[r];
        const QString what = History::describe(db, c);
        const QStringList cells{c.at.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")),
                                (c.table == QLatin1String("fatigue") ? QStringLiteral("хоз. работа ")
                                                                     : QStringLiteral("строка ")) +
                                    History::actionText(c.action),
                                QString::number(c.recordId),
                                c.recordDate.toString(QStringLiteral("dd.MM.yyyy")),
                                what,
                                c.role,
                                c.station};
        for (int col = 0; col < cells.size(); ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            item->setToolTip(cells[col]);
            Grid->setItem(r, col, item);
        }
    }
    Grid->resizeRowsToContents();
    if (!changes.isEmpty()) Grid->selectRow(0);
    Nothing->setText(lineId_ != 0 ? NothingForLine : NothingForPeriod);
    Nothing->setVisible(changes.isEmpty());
    updateButtons();
}

void ChangesForm::updateButtons() {
    const int r = Grid->currentRow();
    const bool deletedLine = r >= 0 && r < shown_.size() && shown_[r].table == QLatin1String("smena") &&
                             shown_[r].action == QLatin1String("delete");
    const bool full = Extension::sessionRole() == QLatin1String("full");
    RestoreButton->setEnabled(deletedLine && full);
    RestoreButton->setToolTip(full ? QStringLiteral("Вернуть удалённую строку журнала обычной записью")
                                   : QStringLiteral("Восстанавливать строки может только полный доступ."));
    ExcelButton->setEnabled(!shown_.isEmpty());
}

void ChangesForm::RestoreButtonClick() {
    const int r = Grid->currentRow();
    if (r < 0 || r >= shown_.size()) return;
    const History::Change& c = shown_[r];
    QSqlDatabase db = the<DataModule6>().ADO_DB();
    if (const auto closed = Extension::closedMonthOf(db, c.recordDate)) {
        messages().error(Caption::Error, Extension::closedMessage(*closed));
        return;
    }
    if (!messages().question(
            History::LineCaption,
            QStringLiteral("Восстановить удалённую строку?\n%1").arg(History::describe(db, c))))
        return;
    if (const QString why = History::restore(db, c); !why.isEmpty()) {
        messages().error(Caption::Error, why);
        return;
    }
    messages().information(History::LineCaption,
                           QStringLiteral("Строка восстановлена в журнале за %1, смена %2.")
                               .arg(c.recordDate.toString(QStringLiteral("dd.MM.yyyy")))
                               .arg(c.oldValues.value(QStringLiteral("smena")).toInt()));
    ShowButtonClick();
}

void ChangesForm::ExcelButtonClick() {
    ExcelExport& excel = sharedExcel();
    if (excel.OpenExcel(QString()) == -1) return;
    excel.SetExcelVisible(false);
    const CellFormat head{true, true, true};
    const CellFormat text{true, true, false};
    for (int c = 0; c < Titles.size(); ++c)
        excel.WriteCell(1, c + 1, 1, Titles[c], head);
    for (int r = 0; r < Grid->rowCount(); ++r)
        for (int c = 0; c < Grid->columnCount(); ++c)
            excel.WriteCell(1, c + 1, r + 2, Grid->item(r, c)->text(), text);
    excel.SetExcelVisible(true);
}
