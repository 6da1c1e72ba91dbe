#pragma once
// What the catalogue lists share: the prefix search over the loaded rows, the keys of the
// search box, the row a list stands on after a re-read, the hand-back of a pick to the
// window that opened the list as a picker, and a few layout helpers.
#include "db/Query.h"

#include <functional>
#include <QMap>
#include <QString>

class QGroupBox;
class QKeyEvent;
class QPushButton;
class QWidget;

namespace Catalogue {

// Rows whose `field` begins with `typed`, letter case ignored (Cyrillic included). The text
// is matched as typed: spaces, quotes and wildcard characters are ordinary characters.
Query::RowFilter prefixFilter(const QString& field, const QString& typed);
// The search of a list box: an empty text switches the filter off, any other text filters
// the loaded rows by prefix; the statement is not run again.
void applySearch(Query& query, const QString& field, const QString& typed);

// Moves a re-read list to the row number it stood on before; a list that became shorter
// stands on its last row, an empty list on none.
void standOn(Query& query, int recNo);

// The keys of a search box: Up and Down move the list and are consumed; every other key
// edits the box as text boxes do (the caret keys, Home, End, Delete, Ctrl+A), or keeps its
// meaning for the window (Enter, Escape, Tab). True when the key was consumed.
bool searchBoxKey(QKeyEvent* key, Query& query);

// What a pick hands back to the opener that set the list's Tag: the row's text (trimmed)
// and its id.
using PickHandler = std::function<void(const QString& text, int id)>;

// What a pick of a list whose opener needs more than a text and an id hands back: the
// whole current row.
using RowPickHandler = std::function<void(const QSqlRecord& row)>;

class PickHandlers {
public:
    void set(int tag, PickHandler handler);
    // Calls the handler of `tag`; false when there is none (the pick hands nothing back).
    bool handBack(int tag, const QString& text, int id) const;

private:
    QMap<int, PickHandler> handlers_;
};

// Centres a window that is about to be shown over the window that opens it (the active one),
// or over the screen when there is none.
void centreOverOpener(QWidget* window);
// A bold group box title over children in the normal font.
void boldTitle(QGroupBox* box);
// The Enter key presses `button`; only one button of a dialog is the default one.
void makeDefault(QPushButton* button, QPushButton* previous);

} // namespace Catalogue
