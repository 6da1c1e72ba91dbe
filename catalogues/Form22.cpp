#include "catalogues/Form22.h"

#include "catalogues/CatalogueSupport.h"
#include "db/DataModule6.h"
#include "db/DbError.h"
#include "db/Instances.h"
#include "db/Messages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {
// Editors that take only what the column can hold: whole numbers for the norm and the
// premium, a price with a point or a comma. What still is no number is refused by the table;
// a minus sign may be typed, so that a negative value is refused in words. An editor shows
// the stored value at full precision and stores nothing when its text was left as it was.
class NormDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        const QString pattern = index.column() == NormTable::Price
                                    ? QStringLiteral("-?[0-9]{0,12}([.,][0-9]{0,4})?")
                                    : QStringLiteral("-?[0-9]{0,9}");
        editor->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), editor));
        Q_UNUSED(option);
        return editor;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const QString text = index.data(Qt::EditRole).toString();
        auto* line = static_cast<QLineEdit*>(editor);
        line->setText(text);
        line->setProperty(ShownText, text);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        const auto* line = static_cast<QLineEdit*>(editor);
        const QString text = line->text();
        if (text == line->property(ShownText).toString()) return; // looked at, not changed
        guarded([&] { model->setData(index, text, Qt::EditRole); });
    }

private:
    static constexpr const char* ShownText = "shownText";
};
} // namespace

void NormGrid::commitOpenEditor() {
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) {
        // Delegate editors are not index widgets: find the one that has the focus.
        QWidget* focus = QApplication::focusWidget();
        if (focus && viewport()->isAncestorOf(focus)) editor = focus;
    }
    if (!editor) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void NormGrid::discardOpenEditor() {
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) {
        QWidget* focus = QApplication::focusWidget();
        if (focus && viewport()->isAncestorOf(focus)) editor = focus;
    }
    if (!editor) {
        // Not focused (the window is not active): the editor of the current cell, if any.
        for (QLineEdit* line : viewport()->findChildren<QLineEdit*>())
            if (line->isVisible()) editor = line;
    }
    if (!editor) return;
    // The editor is released before it loses the focus, so nothing of it is stored.
    closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

Form22::Form22(QWidget* parent) : FormDialog(parent) {
    setObjectName(QStringLiteral("Form22"));
    setWindowTitle(QStringLiteral("Норматив"));
    norm.setDatabase(the<DataModule6>().ADO_DB());

    DBGrid1 = new NormGrid(this);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setModel(&norm);
    DBGrid1->setItemDelegate(new NormDelegate(DBGrid1));
    DBGrid1->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                             QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectItems);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->verticalHeader()->setDefaultSectionSize(18);
    DBGrid1->verticalHeader()->setFixedWidth(12);
    DBGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid1->setColumnWidth(NormTable::Norma, 133);
    DBGrid1->setColumnWidth(NormTable::Price, 105);
    DBGrid1->setColumnWidth(NormTable::Prize, 82);
    DBGrid1->setFixedSize(365, 241);
    DBGrid1->setAccessibleName(windowTitle());

    Button2 = new QPushButton(QStringLiteral("Удалить"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    Button1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Catalogue::makeDefault(Button1, nullptr);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(4, 4, 4, 4);
    buttons->addWidget(Button2);
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(DBGrid1);
    layout->addLayout(buttons);
    setFixedSize(365, 278);

    connect(Button1, &QPushButton::clicked, this, [this] { guarded([this] { Button1Click(); }); });
    connect(Button2, &QPushButton::clicked, this, [this] { guarded([this] { Button2Click(); }); });
}

void Form22::openFor(int operationId) {
    norm.load(operationId);
    DBGrid1->setCurrentIndex(norm.index(0, NormTable::Norma));
    exec();
}

void Form22::showEvent(QShowEvent* e) {
    Catalogue::centreOverOpener(this);
    FormDialog::showEvent(e);
}

void Form22::FormActivate() {
    DBGrid1->setFocus();
}

bool Form22::mayClose() {
    if (norm.storedCount() > 0) return true;
    return !messages().question(windowTitle(), NoNormQuestion);
}

void Form22::Button1Click() {
    DBGrid1->commitOpenEditor();
    if (!mayClose()) {
        DBGrid1->setCurrentIndex(norm.index(norm.storedCount(), NormTable::Norma));
        DBGrid1->setFocus();
        return;
    }
    rereadOperations();
    accept();
}

void Form22::rereadOperations() {
    // The operations list shows the lowest price and the count afresh, on the same row
    // number (its last row when it became shorter).
    Query& oper = the<DataModule6>().Oper;
    if (oper.isOpen()) {
        const int remembered = oper.recNo();
        oper.reopen();
        Catalogue::standOn(oper, remembered);
    }
}

void Form22::Button2Click() {
    DBGrid1->commitOpenEditor();
    const int row = DBGrid1->currentIndex().row();
    const int column = std::max(0, DBGrid1->currentIndex().column());
    if (!norm.removeNorm(row)) return;
    DBGrid1->setCurrentIndex(norm.index(std::min(row, norm.storedCount() - 1), column));
}

void Form22::reject() {
    if (closeBox_) {
        // The close box stores nothing further; the values stored before still show in the
        // operations list.
        closeBox_ = false;
        if (norm.changedSinceLoad()) guarded([this] { rereadOperations(); });
        FormDialog::reject();
        return;
    }
    // Escape is "Сохранить".
    guarded([this] { Button1Click(); });
}

void Form22::closeEvent(QCloseEvent* e) {
    DBGrid1->discardOpenEditor(); // what is still being typed is not stored
    closeBox_ = true;
    FormDialog::closeEvent(e);
    closeBox_ = false;
}
