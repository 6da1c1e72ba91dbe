#include "journal/Form11.h"

#include "catalogues/CatalogueSupport.h"
#include "catalogues/Form4.h"
#include "catalogues/Form5.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/SqlText.h"
#include "journal/Pricing.h"
#include "journal/ShiftEntry.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QRegularExpressionValidator>
#include <QSqlQuery>
#include <QTimer>
#include <QVBoxLayout>

namespace {
// A number in the displays: rounded to 4 decimals, shortest form, the workstation's separator.
QString displayNumber(double value) {
    QString text = SqlText::price(value);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

// The worker list picks for this dialog with Tag 1, and so does the operations list.
constexpr int PickerTag = 1;
} // namespace

Form11::Form11(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Заведение новой позиции (11)"));

    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto label = [this](const QString& text, const char* name) {
        auto* l = new QLabel(text, GroupBox1);
        l->setObjectName(QLatin1String(name));
        return l;
    };
    auto edit = [this](const char* name, int width) {
        auto* e = new QLineEdit(GroupBox1);
        e->setObjectName(QLatin1String(name));
        if (width) e->setFixedWidth(width);
        return e;
    };
    auto dots = [this](const char* name) {
        auto* b = new QPushButton(QStringLiteral("..."), GroupBox1);
        b->setObjectName(QLatin1String(name));
        b->setAccessibleName(QStringLiteral("..."));
        b->setFixedWidth(25);
        return b;
    };

    Label1 = label(QStringLiteral("ФИО"), "Label1");
    Edit1 = edit("Edit1", 0);
    Button3 = dots("Button3");
    Button3->setAccessibleDescription(QStringLiteral("Выбор работника (F4)"));
    Label2 = label(QStringLiteral("Операция"), "Label2");
    Edit2 = edit("Edit2", 0);
    Button4 = dots("Button4");
    Button4->setAccessibleDescription(QStringLiteral("Выбор операции (F4)"));
    Label3 = label(QStringLiteral("Кол-во"), "Label3");
    Edit3 = edit("Edit3", 70);
    Label5 = label(QStringLiteral("Время"), "Label5");
    Edit6 = edit("Edit6", 50);
    Edit6->setText(QStringLiteral("0"));
    Label6 = label(QStringLiteral("Цвет"), "Label6");
    Edit5 = edit("Edit5", 60);
    Label7 = label(QStringLiteral("Дата"), "Label7");
    DTimeP = new QDateEdit(QDate::currentDate(), GroupBox1);
    DTimeP->setObjectName(QStringLiteral("DTimeP"));
    DTimeP->setCalendarPopup(true);
    DTimeP->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    Label4 = label(QStringLiteral("Брак"), "Label4");
    Edit4 = edit("Edit4", 50);
    Edit4->setText(QStringLiteral("0"));
    Label8 = label(QStringLiteral("Цена база"), "Label8");
    Edit8 = edit("Edit8", 70);
    Label9 = label(QStringLiteral("Цена итог"), "Label9");
    Edit7 = edit("Edit7", 70);
    Label10 = label(QStringLiteral("Сумма"), "Label10");
    Edit9 = edit("Edit9", 90);
    // What "Цена итог" holds beyond the norm: "выходной ×2, 3 смена ×1,2".
    Label11 = label(QString(), "Label11");

    const std::pair<QLabel*, QWidget*> buddies[] = {
        {Label1, Edit1},  {Label2, Edit2}, {Label3, Edit3}, {Label5, Edit6}, {Label6, Edit5},
        {Label7, DTimeP}, {Label4, Edit4}, {Label8, Edit8}, {Label9, Edit7}, {Label10, Edit9}};
    for (auto [l, w] : buddies) {
        l->setBuddy(w);
        w->setAccessibleName(l->text());
    }

    // The worker and the operation come only from their pickers.
    for (QLineEdit* e : {Edit1, Edit2, Edit8, Edit7, Edit9}) {
        e->setReadOnly(true);
        e->installEventFilter(this);
    }
    Edit1->setFocusPolicy(Qt::ClickFocus);
    Edit2->setFocusPolicy(Qt::ClickFocus);
    for (QLineEdit* e : {Edit8, Edit7, Edit9})
        e->setFocusPolicy(Qt::ClickFocus);
    // Digits only, and no more of them than the column takes.
    const std::pair<QLineEdit*, int> digitBoxes[] = {{Edit3, ShiftEntry::IntegerDigits},
                                                     {Edit6, ShiftEntry::IntegerDigits},
                                                     {Edit5, ShiftEntry::IntegerDigits},
                                                     {Edit4, ShiftEntry::SmallIntegerDigits}};
    for (auto [box, digits] : digitBoxes) {
        box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), box));
        box->setMaxLength(digits);
    }
    for (QWidget* w : {static_cast<QWidget*>(Edit3), static_cast<QWidget*>(Edit6),
                       static_cast<QWidget*>(Button3), static_cast<QWidget*>(Button4)})
        w->installEventFilter(this);

    auto* grid = new QGridLayout(GroupBox1);
    grid->setContentsMargins(8, 6, 8, 8);
    grid->setHorizontalSpacing(6);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Edit1, 0, 1, 1, 6);
    grid->addWidget(Button3, 0, 7);
    grid->addWidget(Label2, 1, 0);
    grid->addWidget(Edit2, 1, 1, 1, 6);
    grid->addWidget(Button4, 1, 7);
    grid->addWidget(Label3, 2, 0);
    grid->addWidget(Edit3, 2, 1);
    grid->addWidget(Label5, 2, 2, Qt::AlignRight);
    grid->addWidget(Edit6, 2, 3);
    grid->addWidget(Label6, 2, 4, Qt::AlignRight);
    grid->addWidget(Edit5, 2, 5);
    grid->addWidget(Label7, 3, 4, Qt::AlignRight);
    grid->addWidget(DTimeP, 3, 5, 1, 2);
    grid->addWidget(Label4, 3, 0);
    grid->addWidget(Edit4, 3, 1);
    grid->addWidget(Label8, 4, 0);
    grid->addWidget(Edit8, 4, 1);
    grid->addWidget(Label9, 4, 2, Qt::AlignRight);
    grid->addWidget(Edit7, 4, 3);
    grid->addWidget(Label10, 4, 4, Qt::AlignRight);
    grid->addWidget(Edit9, 4, 5, 1, 2);
    grid->addWidget(Label11, 5, 2, 1, 5);
    grid->setColumnStretch(6, 1);
    Catalogue::boldTitle(GroupBox1);

    Button1 = new QPushButton(QStringLiteral("Запись"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Catalogue::makeDefault(Button1, nullptr);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    setFixedSize(560, 220);

    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Edit3);
    setTabOrder(Edit3, Edit6);
    setTabOrder(Edit6, Edit5);
    // Reading order, the date last: it would take digits meant for "Брак" (the colour box
    // between them is disabled for most operations).
    setTabOrder(Edit5, Edit4);
    setTabOrder(Edit4, DTimeP);
    setTabOrder(DTimeP, Button1);
    setTabOrder(Button1, Button2);

    connect(Button3, &QPushButton::clicked, this, [this] { guarded([this] { Button3Click(); }); });
    connect(Button4, &QPushButton::clicked, this, [this] { guarded([this] { Button4Click(); }); });
    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void Form11::showEvent(QShowEvent* e) {
    Catalogue::centreOverOpener(this);
    justShown_ = true;
    FormDialog::showEvent(e);
}

void Form11::FormActivate() {
    // Only the showing puts the focus on the worker's "..."; the return from a picker
    // leaves it where the pick put it.
    if (!justShown_) return;
    justShown_ = false;
    Button3->setFocus();
}

bool Form11::eventFilter(QObject* watched, QEvent* e) {
    const bool workerBox = watched == Edit1 || watched == Button3;
    const bool operationBox = watched == Edit2 || watched == Button4;
    if ((workerBox || operationBox) && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_F4 || key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([&] { workerBox ? Button3Click() : Button4Click(); });
            return true;
        }
    }
    if ((watched == Edit1 || watched == Edit2) && e->type() == QEvent::MouseButtonRelease) {
        guarded([&] { watched == Edit1 ? Button3Click() : Button4Click(); });
        return true;
    }
    if ((watched == Edit3 || watched == Edit6) && e->type() == QEvent::FocusOut)
        guarded([this] { Edit6Exit(); });
    return FormDialog::eventFilter(watched, e);
}

void Form11::pickWorker(const QString& name, int id) {
    Edit1->setText(name);
    SelWId = id;
}

void Form11::pickOperation(const QSqlRecord& row) {
    SelIId = row.value(QStringLiteral("i_id")).toInt();
    SelOId = row.value(QStringLiteral("id")).toInt();
    SelNaimen = row.value(QStringLiteral("NAIMEN")).toInt();
    SelVid = row.value(QStringLiteral("VID")).toString().trimmed();
    SelPrice = Pricing::pickPrice(row.value(QStringLiteral("cena")).toDouble(), DayOff, CurSmena);
    Edit2->setText(row.value(QStringLiteral("MARKA")).toString().trimmed() + QStringLiteral("; ") +
                   row.value(QStringLiteral("VID")).toString().trimmed() + QStringLiteral("; ") +
                   (SelNaimen == 0 ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки")));
}

void Form11::applyPaint() {
    const bool paint = ShiftEntry::isPaint(SelVid);
    if (!paint) Edit5->clear();
    Edit5->setEnabled(paint);
    Label6->setEnabled(paint);
}

void Form11::Button3Click() {
    Form5& list = the<Form5>();
    list.setPickHandler(PickerTag, [this](const QString& name, int id) { pickWorker(name, id); });
    list.openPicker(PickerTag);
    // Keyboard entry goes on with the operation once a worker is chosen.
    (Edit1->text().isEmpty() ? Button3 : Button4)->setFocus();
}

void Form11::Button4Click() {
    Form4& list = the<Form4>();
    list.setRowPickHandler(PickerTag, [this](const QSqlRecord& row) { pickOperation(row); });
    const bool picked = list.openPicker(PickerTag, Tag == ShiftEntry::ChangeLine ? SelOId : 0);
    applyPaint();
    Edit6Exit();
    if (picked) {
        // The next box to type in, its text selected: typing replaces the "0" it holds.
        QLineEdit* next = Edit5->isEnabled() && Edit3->text() != QLatin1String("0") ? Edit5 : Edit3;
        next->setFocus();
        next->selectAll();
    }
}

void Form11::Edit6Exit() {
    if (Edit6->text().isEmpty()) Edit6->setText(QStringLiteral("0"));
    if (Edit3->text().isEmpty()) Edit3->setText(QStringLiteral("0"));
    Edit7->setText(displayNumber(SelPrice));
    // The base price: the operations list's current row when it stands on this operation,
    // otherwise the operation's lowest norm price read afresh.
    Query& oper = the<DataModule6>().Oper;
    double base = 0;
    if (oper.isOpen() && !oper.isEmpty() && oper.field(QStringLiteral("id")).toInt() == SelOId) {
        base = oper.field(QStringLiteral("cena")).toDouble();
        Edit8->setText(displayNumber(base));
    } else if (SelOId != 0) {
        QSqlQuery q(the<DataModule6>().ADO_DB());
        execBound(q, QStringLiteral("select min(price) from accounts_dep.norm where o_id=:o"),
                  {{QStringLiteral("o"), SelOId}});
        const bool priced = q.next() && !q.value(0).isNull();
        base = priced ? q.value(0).toDouble() : 0;
        Edit8->setText(priced ? displayNumber(base) : QString());
    } else {
        Edit8->clear();
    }
    Label11->setText(SelOId != 0 ? Pricing::surchargeWords(SelPrice, base) : QString());
    Label11->setAccessibleName(Label11->text());
    Edit9->setText(displayNumber(Edit3->text().toDouble() * SelPrice));
}

void Form11::Button1Click() {
    ShiftEntry::Entry e;
    e.tag = Tag;
    e.lineId = LineId;
    e.workerId = SelWId;
    e.operationId = SelOId;
    e.productId = SelIId;
    e.price = SelPrice;
    e.worker = Edit1->text();
    e.operation = Edit2->text();
    e.kind = SelVid;
    e.kolVo = Edit3->text();
    e.brak = Edit4->text();
    e.time = Edit6->text();
    e.colour = Edit5->text();
    e.date = DTimeP->date();
    e.shift = CurSmena;
    if (Tag == ShiftEntry::ChangeLine) e.seen = Seen;
    ShiftEntry::LineValues present;
    SavedId = 0;
    const auto outcome = ShiftEntry::save(the<DataModule6>(), e, &present, &SavedId);
    // Changed elsewhere: the typed values stay, and saving again writes them over the present line.
    if (outcome == ShiftEntry::Outcome::Stale) Seen = present;
    if (outcome == ShiftEntry::Outcome::Refused || outcome == ShiftEntry::Outcome::Duplicate ||
        outcome == ShiftEntry::Outcome::Stale || outcome == ShiftEntry::Outcome::Busy)
        return;
    for (QLineEdit* box : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9})
        box->clear();
    accept();
}
