#include "catalogues/CatalogueSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWidget>

namespace Catalogue {

Query::RowFilter prefixFilter(const QString& field, const QString& typed) {
    return [field, typed](const QSqlRecord& row) {
        return startsWithIgnoringCase(row.value(field).toString(), typed);
    };
}

void applySearch(Query& query, const QString& field, const QString& typed) {
    if (typed.isEmpty())
        query.clearFilter();
    else
        query.setFilter(prefixFilter(field, typed));
}

void standOn(Query& query, int recNo) {
    if (!query.isEmpty()) query.setRecNo(recNo);
}

bool searchBoxKey(QKeyEvent* key, Query& query) {
    switch (key->key()) {
    case Qt::Key_Up:
        query.prior();
        return true;
    case Qt::Key_Down:
        query.next();
        return true;
    default:
        return false;
    }
}

void PickHandlers::set(int tag, PickHandler handler) {
    if (handler)
        handlers_[tag] = std::move(handler);
    else
        handlers_.remove(tag);
}

bool PickHandlers::handBack(int tag, const QString& text, int id) const {
    const auto it = handlers_.find(tag);
    if (it == handlers_.end()) return false;
    (*it)(text, id);
    return true;
}

void centreOverOpener(QWidget* window) {
    QWidget* opener = QApplication::activeWindow();
    QRect over;
    if (opener && opener != window && opener->isVisible())
        over = opener->frameGeometry();
    else if (QScreen* screen = window->screen())
        over = screen->availableGeometry();
    if (!over.isValid()) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(over.center());
    window->move(frame.topLeft());
}

void boldTitle(QGroupBox* box) {
    QFont bold = box->font();
    bold.setBold(true);
    box->setFont(bold);
    // The weight is set explicitly, or the children would inherit the bold one.
    QFont normal = QApplication::font();
    normal.setBold(false);
    for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->setFont(normal);
}

void makeDefault(QPushButton* button, QPushButton* previous) {
    if (previous) previous->setDefault(false);
    if (button) button->setDefault(true);
}

} // namespace Catalogue
