#pragma once
// A lookup list: a drop-down of the rows of a query, showing one field and keyed by another
// (the id). The chosen key stays when the query is closed and re-opened, so the list keeps
// its entry from one showing of its dialog to the next; a key that is no longer among the
// rows shows nothing.
#include <QComboBox>
#include <QMetaObject>
#include <QVariant>

class Query;

class LookupCombo : public QComboBox {
    Q_OBJECT
public:
    explicit LookupCombo(QWidget* parent = nullptr);

    void setListSource(Query* query, const QString& keyField, const QString& listField);

    // The chosen key; invalid when none was ever chosen.
    QVariant keyValue() const { return key_; }
    // The chosen key as a number; 0 when there is none.
    qlonglong keyId() const { return key_.isValid() ? key_.toLongLong() : 0; }
    // Chooses the entry with this key (shows nothing when no row has it); an invalid or null
    // value clears the choice.
    void setKeyValue(const QVariant& key);
    // The text the list shows; empty when no entry is chosen.
    QString shownText() const { return currentIndex() < 0 ? QString() : currentText(); }

private:
    void rebuild();

    Query* query_ = nullptr;
    QString keyField_;
    QString listField_;
    QVariant key_;
    bool rebuilding_ = false;
    QMetaObject::Connection reset_;
};
