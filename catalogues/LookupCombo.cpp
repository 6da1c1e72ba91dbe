#include "catalogues/LookupCombo.h"

#include "db/Query.h"

namespace {
QVariant normalisedKey(const QVariant& key) {
    // Ids arrive as integers or, from numeric columns, as exact text: compare them as numbers.
    if (!key.isValid() || key.isNull()) return {};
    bool ok = false;
    const qlonglong id = key.toLongLong(&ok);
    return ok ? QVariant(id) : QVariant();
}
} // namespace

LookupCombo::LookupCombo(QWidget* parent) : QComboBox(parent) {
    setMaxVisibleItems(10);
    // A list view popup in every style, so that ten rows drop down.
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(8);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!rebuilding_ && index >= 0) key_ = itemData(index);
    });
}

void LookupCombo::setListSource(Query* query, const QString& keyField, const QString& listField) {
    disconnect(reset_);
    query_ = query;
    keyField_ = keyField;
    listField_ = listField;
    if (query_) reset_ = connect(query_, &Query::rowsReset, this, &LookupCombo::rebuild);
    rebuild();
}

void LookupCombo::setKeyValue(const QVariant& key) {
    key_ = normalisedKey(key);
    rebuilding_ = true;
    setCurrentIndex(key_.isValid() ? findData(key_) : -1);
    rebuilding_ = false;
}

void LookupCombo::rebuild() {
    rebuilding_ = true;
    clear();
    if (query_) {
        for (int i = 0; i < query_->recordCount(); ++i) {
            const QSqlRecord& row = query_->row(i);
            addItem(row.value(listField_).toString(), normalisedKey(row.value(keyField_)));
        }
    }
    setCurrentIndex(key_.isValid() ? findData(key_) : -1);
    rebuilding_ = false;
}
