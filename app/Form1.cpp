#include "app/Form1.h"

#include "app/Access.h"
#include "app/BuildCheck.h"
#include "app/JournalLive.h"
#include "catalogues/CatalogueSupport.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Extension.h"
#include "db/Instances.h"
#include "db/Messages.h"
#include "forms/ClosedMonthLock.h"
#include "journal/ChangesForm.h"
#include "journal/Form11.h"
#include "journal/Journal.h"
#include "journal/ShiftEntry.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {
const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);

void setFace(QWidget* w, const QColor& background, bool bold) {
    QPalette p = QApplication::palette(w);
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
    if (background.isValid()) {
        p.setColor(QPalette::Window, background);
        p.setColor(QPalette::Button, background);
        w->setAutoFillBackground(true);
    } else {
        w->setAutoFillBackground(false);
    }
    w->setPalette(p);
}

bool isWeekend(const QDate& d) {
    return d.dayOfWeek() == Qt::Saturday || d.dayOfWeek() == Qt::Sunday;
}
} // namespace

Form1::Form1(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Табель"));

    auto make = [this](auto* w, const char* name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };

    MainMenu1 = make(new QMenuBar(this), "MainMenu1");
    N2 = make(MainMenu1->addMenu(QStringLiteral("Справочники")), "N2");
    N1 = make(N2->addAction(QStringLiteral("Рабочие")), "N1");
    N3 = make(N2->addAction(QStringLiteral("Изделия")), "N3");
    N4 = make(N2->addAction(QStringLiteral("Цены")), "N4");
    N6 = make(N2->addAction(QStringLiteral("Операции")), "N6");
    N8 = make(N2->addAction(QStringLiteral("Внеурочное")), "N8");
    N11 = make(MainMenu1->addMenu(QStringLiteral("Табель")), "N11");
    N9 = make(N11->addAction(QStringLiteral("Табель сделка")), "N9");
    N13 = make(N11->addAction(QStringLiteral("Табель по сменам")), "N13");
    N14 = make(N11->addAction(QStringLiteral("Табель хоз. работ")), "N14");
    N15 = make(N11->addAction(QStringLiteral("Табель ср. сдельная")), "N15");
    N17 = make(N11->addAction(QStringLiteral("Общий табель")), "N17");
    N11->addSeparator();
    NMonthClose = make(N11->addAction(QStringLiteral("Закрытие месяцев")), "NMonthClose");
    NChanges = make(N11->addAction(QStringLiteral("Журнал изменений")), "NChanges");
    N11->setToolTipsVisible(true);
    N7 = make(MainMenu1->addMenu(QStringLiteral("Отчеты")), "N7");
    N10 = make(N7->addAction(QStringLiteral("Сводные отчеты")), "N10");
    N5 = make(MainMenu1->addAction(QStringLiteral("Выход")), "N5");
    connect(N5, &QAction::triggered, this, &QDialog::reject);
    // "Внеурочное" has no action; the others are connected once their windows exist.
    for (QAction* a : windowActions()) {
        a->setEnabled(false);
        unavailable.insert(a);
    }
    // Enabled by the application where the database has the extension.
    for (QAction* a : {NMonthClose, NChanges}) {
        a->setEnabled(false);
        a->setToolTip(Extension::UnavailableTip);
        unavailable.insert(a);
    }

    RadioButton1 = make(new QRadioButton(QStringLiteral("Смена №1")), "RadioButton1");
    RadioButton2 = make(new QRadioButton(QStringLiteral("Смена №2")), "RadioButton2");
    RadioButton3 = make(new QRadioButton(QStringLiteral("Смена №3")), "RadioButton3");
    RadioButton4 = make(new QRadioButton(QStringLiteral("Переработка")), "RadioButton4");
    RadioButton1->setChecked(true);
    setFace(RadioButton1, Green, true);
    DateT = make(new QDateEdit(QDate::currentDate()), "DateT");
    DateT->setCalendarPopup(true);
    DateT->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateT->calendarWidget()->setFirstDayOfWeek(Qt::Monday);
    DateT->setMinimumWidth(110);
    CBox1 = make(new QCheckBox(QStringLiteral("Выходной")), "CBox1");
    Label1 = make(new QLabel(this), "Label1");
    Label1->hide();
    ClosedMark = make(new QLabel(this), "ClosedMark");

    DBGrid2 = make(new DbGrid, "DBGrid2");
    const auto centred = Qt::AlignCenter;
    DBGrid2->setColumns({
        {QStringLiteral("fio"), QStringLiteral("Фамилия И.О."), 250},
        {QStringLiteral("marka"), QStringLiteral("Марка изделия"), 260},
        {QStringLiteral("vid"), QStringLiteral("Операция"), 155},
        {QStringLiteral("nmn"), QStringLiteral("Вид"), 157},
        {QStringLiteral("color"), QStringLiteral("Цвет"), 64, centred},
        {QStringLiteral("time"), QStringLiteral("Часы"), 64},
        {QStringLiteral("kol_vo"), QStringLiteral("Кол-во"), 57},
        {QStringLiteral("brak"), QStringLiteral("Брак"), 49},
        {QStringLiteral("summa"), QStringLiteral("Итого (р.)"), 78},
        {QStringLiteral("prize"), QStringLiteral("Премия (%)"), 64, Qt::AlignLeft | Qt::AlignVCenter, false},
        {QStringLiteral("ok"), QStringLiteral("OK"), 37, centred},
        {QStringLiteral("vvod"), QStringLiteral("Заведен"), 72, centred},
    });
    // The journal follows what other workstations commit; their new lines are highlighted.
    auto* live = new JournalLive(DBGrid2, this);
    // The confirmation mark is drawn bold, green when confirmed and red otherwise.
    DBGrid2->setCellStyle(live->wrap([](const QString& field, const QSqlRecord& row, int role) -> QVariant {
        // The amount's tooltip says how it was made.
        if (field == QLatin1String("summa") && role == Qt::ToolTipRole)
            return Journal::explainLine(the<DataModule6>(), row);
        if (field != QLatin1String("ok")) return {};
        const QString ok = row.value(QStringLiteral("ok")).toString();
        if (role == Qt::ForegroundRole)
            return (ok == QLatin1String("ok") || ok == QStringLiteral("да")) ? Green : Red;
        if (role == Qt::FontRole) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    }));

    Button1 = make(new QPushButton(QStringLiteral("Добавить")), "Button1");
    Button2 = make(new QPushButton(QStringLiteral("Изменить")), "Button2");
    Button3 = make(new QPushButton(QStringLiteral("Удалить")), "Button3");
    Button8 = make(new QPushButton(QStringLiteral("Обновить")), "Button8");
    Button5 = make(new QPushButton(QStringLiteral("Ср.сд./хоз. работы")), "Button5");
    Button5->setFixedWidth(113);
    Button4 = make(new QPushButton(QStringLiteral("Выход")), "Button4");
    closedLock_ = std::make_unique<ClosedMonthLock>(QList<QWidget*>{Button1, Button2, Button3}, ClosedMark);
    for (QPushButton* b : {Button1, Button2, Button3, Button8, Button5, Button4})
        b->setAutoDefault(false);
    // Enabled when the application connects it to the household works list.
    for (QPushButton* b : {Button5}) {
        b->setEnabled(false);
        unavailable.insert(b);
    }

    auto* top = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{RadioButton1, RadioButton2, RadioButton3, RadioButton4})
        top->addWidget(w);
    top->addSpacing(16);
    // The date is named by its label.
    auto* dateLabel = make(new QLabel(QStringLiteral("Дата"), this), "DateLabel");
    dateLabel->setBuddy(DateT);
    DateT->setAccessibleName(dateLabel->text());
    top->addWidget(dateLabel);
    top->addWidget(DateT);
    top->addSpacing(16);
    top->addWidget(CBox1);
    top->addSpacing(16);
    top->addWidget(ClosedMark);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{Button1, Button2, Button3, Button8, Button5})
        bottom->addWidget(w);
    bottom->addStretch();
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(DBGrid2, 1);
    layout->addLayout(bottom);
    // 1281 × 585 at first start (the grid 523 high); the grid takes whatever the window gains.
    makeResizable(QSize(1281, 585 + MainMenu1->sizeHint().height()));

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(30000);
    connect(Timer1, &QTimer::timeout, this, &Form1::Timer1Timer);
    Timer1->start();

    // The shift follows its selector's state however it changes: the mouse, the keyboard, an
    // assistive technology's "Toggle", or the program.
    connect(RadioButton1, &QRadioButton::toggled, this, &Form1::RadioButton1Click);
    connect(RadioButton2, &QRadioButton::toggled, this, &Form1::RadioButton2Click);
    connect(RadioButton3, &QRadioButton::toggled, this, &Form1::RadioButton3Click);
    connect(RadioButton4, &QRadioButton::toggled, this, &Form1::RadioButton4Click);
    // The journal follows the date when the calendar closes or Enter is pressed in the picker.
    for (auto signal : {&QCalendarWidget::clicked, &QCalendarWidget::activated})
        connect(DateT->calendarWidget(), signal, this, [this] { guarded([this] { DateTChange(); }); });
    DateT->installEventFilter(this);
    // However the date changes (the calendar, the arrow keys, the wheel, typed digits), the
    // journal shows that date.
    connect(DateT, &QDateEdit::dateChanged, this, [this] { guarded([this] { followDate(); }); });
    DBGrid2->installEventFilter(this);
    connect(CBox1, &QCheckBox::toggled, this, &Form1::CBox1Click);
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button8, &QPushButton::clicked, this, [this] { guarded([this] { Button8Click(); }); });
    connect(Button4, &QPushButton::clicked, this, &QDialog::reject);
    connect(DBGrid2, &QTableView::doubleClicked, this, [this] { guarded([this] { DBGrid2DblClick(); }); });

    DBGrid2->setQuery(&the<DataModule6>().Smena1);

    // The keyboard walks the window in reading order: the shift (the arrows choose among the
    // four), the date, the day off, the lines, the buttons. Tab leaves the grid.
    DBGrid2->setTabKeyNavigation(false);
    QWidget* order[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4, DateT,   CBox1,  DBGrid2,
                        Button1,      Button2,      Button3,      Button8,      Button5, Button4};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    // Alt+1 .. Alt+4 choose the shift, F3 goes to the date (its day selected).
    for (int shift = 1; shift <= 4; ++shift) {
        auto* key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_0 + shift)), this);
        connect(key, &QShortcut::activated, this, [this, shift] {
            QRadioButton* b = shiftButton(shift);
            if (b->isEnabled()) b->click();
        });
    }
    // Ctrl+H and the grid's context menu: "История" of the current line.
    HistoryAction = new QAction(QStringLiteral("История"), this);
    HistoryAction->setObjectName(QStringLiteral("HistoryAction"));
    HistoryAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_H));
    HistoryAction->setShortcutContext(Qt::WindowShortcut);
    addAction(HistoryAction);
    DBGrid2->addAction(HistoryAction);
    DBGrid2->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(HistoryAction, &QAction::triggered, this, [this] {
        guarded([this] {
            if (!Extension::current().usable()) {
                messages().information(QStringLiteral("История"), Extension::UnavailableTip);
                return;
            }
            const Query& q = the<DataModule6>().smenaQuery(CurSmena);
            if (q.isEmpty()) return;
            the<ChangesForm>().openLine(q.field(QStringLiteral("id")).toInt());
        });
    });
    auto* toDate = new QShortcut(QKeySequence(Qt::Key_F3), this);
    connect(toDate, &QShortcut::activated, this, [this] {
        if (!DateT->isEnabled()) return;
        DateT->setFocus(Qt::TabFocusReason);
    });
}

Form1::~Form1() = default;

QList<QAction*> Form1::windowActions() const {
    return {N1, N3, N4, N6, N9, N13, N14, N15, N17, N10};
}

QRadioButton* Form1::shiftButton(int shift) const {
    switch (shift) {
    case 2:
        return RadioButton2;
    case 3:
        return RadioButton3;
    case 4:
        return RadioButton4;
    default:
        return RadioButton1;
    }
}

void Form1::showEvent(QShowEvent* e) {
    centreOnScreen(this);
    FormDialog::showEvent(e);
    // The activation opens the journal: ask for the focus rather than wait for it.
    activateWindow();
    raise();
}

void Form1::keyPressEvent(QKeyEvent* e) {
    // Keys of the journal wherever the focus is: Insert adds a line, F2 changes the current one,
    // F5 re-reads.
    auto press = [](QPushButton* b) {
        if (b->isEnabled()) b->click();
    };
    switch (e->key()) {
    case Qt::Key_Insert:
        press(Button1);
        return;
    case Qt::Key_F5:
        press(Button8);
        return;
    case Qt::Key_F2:
        press(Button2);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Enter presses nothing (no default button here).
        return;
    case Qt::Key_Escape:
        // One Escape too many after closing a list must not end the work: Escape asks first.
        // "Выход", the menu item and the close box end it without a question.
        if (e->modifiers() == Qt::NoModifier &&
            messages().question(QStringLiteral("Выход"), QStringLiteral("Выйти из программы?")))
            reject();
        return;
    default:
        QDialog::keyPressEvent(e);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* e) {
    // Coming into the date by keyboard, the day is selected: "12122026" types a whole date.
    if (watched == DateT && e->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason)
            QTimer::singleShot(0, DateT, [this] { DateT->setSelectedSection(QDateTimeEdit::DaySection); });
    }
    if (watched == DateT && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            guarded([this] { DateTChange(); });
            return true;
        }
    }
    // Keys of the grid's lines: Enter or F2 changes the line, Delete deletes it.
    if (watched == DBGrid2 && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        QPushButton* button = nullptr;
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_F2)
            button = Button2;
        else if (k->key() == Qt::Key_Delete)
            button = Button3;
        if (button) {
            if (button->isEnabled()) button->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void Form1::FormActivate() {
    const QDate now = today();
    {
        // The date is set and the journal read once below, not through the date's signal.
        const QSignalBlocker quiet(DateT);
        DateT->setDate(now);
    }
    // Back to another date, the day off follows that date; back on the date shown, a tick
    // set by hand (a holiday on a weekday, a working Saturday) stays as it is.
    if (now != shownDate_) CBox1->setChecked(isWeekend(now));
    // Back from a save in the entry dialog on the date shown: the save has just read its shift
    // again, the other three are read here.
    const bool saved = enteringShift_ != 0 && the<Form11>().SavedId != 0 && now == shownDate_;
    Journal::openAll(the<DataModule6>(), DateT->date(), saved ? enteringShift_ : 0);
    shownDate_ = DateT->date();
    updateClosedMonth();
    // The lines take the keys (Insert, Enter, Delete) as soon as the journal is shown.
    DBGrid2->setFocus();
}

void Form1::followDate() {
    if (DateT->date() != shownDate_) readDate();
}

void Form1::readDate() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    // Remembered first: a failed read is not tried again at every further step of the picker.
    shownDate_ = DateT->date();
    Journal::openAll(the<DataModule6>(), shownDate_);
    CBox1->setChecked(isWeekend(shownDate_));
    updateClosedMonth();
}

void Form1::updateClosedMonth() {
    closedLock_->follow(shownDate_);
    DBGrid2->setToolTip(closedLock_->reason());
}

bool Form1::refuseClosedMonth() {
    return closedLock_->refuse(shownDate_);
}

void Form1::selectShift(int shift) {
    DataModule6& dm = the<DataModule6>();
    DBGrid2->setQuery(&dm.smenaQuery(shift));
    for (int s = 1; s <= 4; ++s)
        setFace(shiftButton(s), s == shift ? Green : QColor(), s == shift);
    CurSmena = shift;
}

void Form1::RadioButton1Click() {
    if (RadioButton1->isChecked()) selectShift(1);
}
void Form1::RadioButton2Click() {
    if (RadioButton2->isChecked()) selectShift(2);
}
void Form1::RadioButton3Click() {
    if (RadioButton3->isChecked()) selectShift(3);
}
void Form1::RadioButton4Click() {
    if (RadioButton4->isChecked()) selectShift(4);
}

void Form1::DateTChange() {
    readDate();
    DBGrid2->setFocus();
}

void Form1::CBox1Click() {
    setFace(CBox1, CBox1->isChecked() ? Red : QColor(), CBox1->isChecked());
}

void Form1::Button1Click() {
    if (refuseClosedMonth()) return;
    CurQuery = &the<DataModule6>().smenaQuery(CurSmena);
    Form11& f = the<Form11>();
    f.DTimeP->setDate(DateT->date());
    for (QLineEdit* box : {f.Edit1, f.Edit2, f.Edit3, f.Edit5, f.Edit7, f.Edit8, f.Edit9})
        box->clear();
    f.Edit4->setText(QStringLiteral("0"));
    f.Edit6->setText(QStringLiteral("0"));
    f.SelVid.clear();
    f.applyPaint();
    f.CurSmena = CurSmena;
    f.DayOff = CBox1->isChecked();
    f.LineId = 0;
    f.Seen.reset();
    f.setWindowTitle(QStringLiteral("Заведение новой позиции (11)"));
    f.Tag = ShiftEntry::NewLine;
    f.SavedId = 0;
    execEntry(f);
    // The journal stands on the line just saved (the activation has re-read it), so the keys
    // that follow act on that line.
    if (f.SavedId) the<DataModule6>().smenaQuery(CurSmena).locate(QStringLiteral("id"), f.SavedId);
}

void Form1::execEntry(Form11& f) {
    enteringShift_ = CurSmena;
    struct Done {
        int& shift;
        ~Done() { shift = 0; }
    } done{enteringShift_};
    f.exec();
}

void Form1::Button2Click() {
    Query& q = the<DataModule6>().smenaQuery(CurSmena);
    CurQuery = &q;
    if (q.isEmpty()) return;
    if (refuseClosedMonth()) return;
    const int remembered = q.recNo();
    Form11& f = the<Form11>();
    f.setWindowTitle(QStringLiteral("Изменение данных о позиции (11)"));
    f.Tag = ShiftEntry::ChangeLine;
    f.CurSmena = CurSmena;
    f.DayOff = CBox1->isChecked();
    f.LineId = q.field(QStringLiteral("id")).toInt();
    f.Seen = ShiftEntry::valuesOf(q.record());
    f.SelPrice = q.field(QStringLiteral("cena")).toDouble();
    const QString vid = q.field(QStringLiteral("vid")).toString().trimmed();
    f.DTimeP->setDate(q.field(QStringLiteral("data")).toDate());
    f.Edit1->setText(q.field(QStringLiteral("fio")).toString().trimmed());
    f.Edit2->setText(q.field(QStringLiteral("marka")).toString().trimmed() + QStringLiteral("; ") + vid +
                     QStringLiteral("; ") +
                     (q.field(QStringLiteral("naimen")).toInt() == 0 ? QStringLiteral("Готовая продукция")
                                                                     : QStringLiteral("Заготовки")));
    f.Edit3->setText(q.field(QStringLiteral("kol_vo")).toString().trimmed());
    f.Edit4->setText(q.field(QStringLiteral("brak")).toString().trimmed());
    f.SelWId = q.field(QStringLiteral("w_id")).toInt();
    f.SelIId = q.field(QStringLiteral("i_id")).toInt();
    f.SelOId = q.field(QStringLiteral("o_id")).toInt();
    f.SelNaimen = q.field(QStringLiteral("naimen")).toInt();
    f.Edit6->setText(QString::number(qRound64(q.field(QStringLiteral("time")).toDouble())));
    f.SelVid = vid;
    f.Edit5->setText(q.field(QStringLiteral("color")).toString());
    f.applyPaint();
    f.Edit6Exit();
    f.SavedId = 0;
    execEntry(f);
    // Still on the changed line; on the same row number when it has left this journal.
    if (!q.locate(QStringLiteral("id"), f.LineId)) Catalogue::standOn(q, remembered);
}

void Form1::Button3Click() {
    Query& q = the<DataModule6>().smenaQuery(CurSmena);
    CurQuery = &q;
    const QString id = q.field(QStringLiteral("id")).toString();
    if (id.isEmpty()) return;
    if (refuseClosedMonth()) return;
    const QVariant lineId = q.field(QStringLiteral("id"));
    const int row = q.recNo();
    // After the delete the journal stands on the line that takes its place: the next one, or
    // the one before when it was the last; after No, on the same line.
    const int below = row < q.recordCount() ? row + 1 : row - 1;
    const QVariant next = below >= 1 ? q.row(below - 1).value(QStringLiteral("id")) : QVariant();
    auto standOn = [&q, row](const QVariant& line) {
        if (line.isNull() || !q.locate(QStringLiteral("id"), line)) Catalogue::standOn(q, row);
    };
    if (messages().question(Caption::Delete, Journal::deleteQuestion(q.row(row - 1)))) {
        try {
            Journal::deleteLine(the<DataModule6>(), id.toInt());
        } catch (...) {
            q.reopen();
            standOn(lineId);
            throw;
        }
        q.reopen();
        standOn(next);
    } else {
        q.reopen();
        standOn(lineId);
    }
}

void Form1::Button8Click() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct Restore {
        ~Restore() { QApplication::restoreOverrideCursor(); }
    } restore;
    Journal::refreshAll(the<DataModule6>());
}

void Form1::DBGrid2DblClick() {
    // The foremen's code cannot confirm lines, nor can the budget office, whose journal is
    // for reading.
    if (!Access::mayConfirm(Access::roleOfCode(LoginText))) return;
    Query& q = the<DataModule6>().smenaQuery(CurSmena);
    CurQuery = &q;
    if (q.isEmpty()) return;
    if (refuseClosedMonth()) return;
    const QString mark = Journal::toggledMark(q.field(QStringLiteral("ok")).toString());
    Journal::setMark(the<DataModule6>(), q.field(QStringLiteral("id")).toInt(), mark);
    const int row = q.recNo();
    q.reopen();
    q.setRecNo(row);
}

void Form1::Timer1Timer() {
    guarded([this] { CheckVersion(); });
}

void Form1::CheckVersion() {
    BuildCheck::run(*this);
}
