#include "catalogues/Form7.h"

#include "catalogues/ProductCatalogue.h"
#include "db/DataModule6.h"
#include "db/Instances.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QVBoxLayout>

Form7::Form7(QWidget* parent) : CatalogueDialog(parent) {
    setObjectName(QStringLiteral("Form7"));
    setWindowTitle(QStringLiteral("Изделие"));

    item.setConnectionName(DataModule6::ConnectionName);
    item.setSql(QStringLiteral("select * from cmn_classifier.item where id_level=2 order by s_caption"));

    GroupBox1 = new QGroupBox(QStringLiteral("Данные об изделии"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    Label1 = new QLabel(QStringLiteral("Марка"), GroupBox1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setFixedWidth(289);
    Edit1->setMaxLength(254);
    Label2 = new QLabel(QStringLiteral("Расценка"), GroupBox1);
    Label2->setObjectName(QStringLiteral("Label2"));
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setFixedWidth(49);
    Edit2->setMaxLength(19); // numeric(18, 6) with its point
    Edit2->installEventFilter(this);
    // Text pasted or dropped into the box follows the same rule as typed keys.
    connect(Edit2, &QLineEdit::textEdited, this, [this](const QString& text) {
        QString clean = text;
        clean.replace(QLatin1Char(','), QLatin1Char('.'));
        clean.remove(QRegularExpression(QStringLiteral("[^0-9.]")));
        if (clean != text) {
            const int cursor = Edit2->cursorPosition() - int(text.size() - clean.size());
            Edit2->setText(clean);
            Edit2->setCursorPosition(std::max(0, cursor));
        }
    });
    cb_item = new LookupCombo(GroupBox1);
    cb_item->setObjectName(QStringLiteral("cb_item"));
    cb_item->setFixedWidth(241);
    cb_item->setListSource(&item, QStringLiteral("id"), QStringLiteral("s_caption"));

    auto* line = new QHBoxLayout;
    line->setSpacing(4);
    line->addWidget(Label1);
    line->addWidget(Edit1);
    line->addSpacing(6);
    line->addWidget(Label2);
    line->addWidget(Edit2);
    line->addStretch();
    // Every box is named by its label.
    auto* classLabel = new QLabel(QStringLiteral("Класс"), GroupBox1);
    classLabel->setObjectName(QStringLiteral("Label3"));
    classLabel->setMinimumWidth(Label1->sizeHint().width());
    const std::pair<QLabel*, QWidget*> named[] = {{Label1, Edit1}, {Label2, Edit2}, {classLabel, cb_item}};
    for (auto [label, box] : named) {
        label->setBuddy(box);
        box->setAccessibleName(label->text());
    }
    auto* classLine = new QHBoxLayout;
    classLine->addWidget(classLabel);
    classLine->addWidget(cb_item);
    classLine->addStretch();
    auto* fields = new QVBoxLayout(GroupBox1);
    fields->setContentsMargins(6, 4, 6, 6);
    fields->addLayout(line);
    fields->addLayout(classLine);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 6);
    layout->addWidget(GroupBox1);
    layout->addLayout(saveCancelRow());
    setFixedSize(460, 131);
}

bool Form7::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit2 && e->type() == QEvent::KeyPress) return Edit2KeyPress(static_cast<QKeyEvent*>(e));
    return QDialog::eventFilter(watched, e);
}

void Form7::FormActivate() {
    Edit1->setFocus();
}

bool Form7::Edit2KeyPress(QKeyEvent* key) {
    switch (key->key()) {
    // Keys the window handles, and the caret keys, which type no character.
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Backspace:
    case Qt::Key_Delete: // carries a text of its own on some platforms
        return false;
    default:
        break;
    }
    // Shortcuts (Ctrl+A selects all, the clipboard keys) edit the box as everywhere else.
    if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    const QString text = key->text();
    if (text.isEmpty()) return false;
    if (text == QLatin1String(".") || text == QLatin1String(",")) {
        Edit2->insert(QStringLiteral("."));
        return true;
    }
    if (text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9')) return false;
    return true;
}

void Form7::Button1Click() {
    DataModule6& dm = the<DataModule6>();
    const int current = dm.Izdel.field(QStringLiteral("id")).toInt();
    if (!ProductCatalogue::save(dm, Tag, current, Edit1->text(), Edit2->text(), cb_item->keyId())) return;
    dm.Izdel.reopen();
    accept();
}
