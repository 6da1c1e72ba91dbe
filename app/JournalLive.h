#pragma once
// The journal following what other workstations commit: a change of a date and shift the
// journal holds re-reads that shift's query, the shown one in place (its current line by id,
// scroll position and selection kept), at most once every half second under a burst, and
// never under a dialog opened from the journal (then when it closes). Lines that another
// workstation added are highlighted for a few seconds. After the connection was opened anew
// every shift is read again once. A change of any other date costs a comparison.
#include "forms/DbGrid.h"
#include "forms/PacedRun.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QTimer>

class DataModule6;
namespace Changes {
struct Change;
}

class JournalLive : public QObject {
    Q_OBJECT
public:
    static constexpr int MinInterval = PacedRun::MinInterval; // ms between two re-reads
    static constexpr int HighlightFor = 4000;                 // ms

    JournalLive(DbGrid* grid, QWidget* window);
    // The grid's cell style with the highlight of added lines over it.
    QueryGridModel::CellStyle wrap(QueryGridModel::CellStyle inner);
    bool isHighlighted(int lineId) const { return highlighted_.contains(lineId); }
    // A re-read is waiting (for its half second, or for a dialog to close).
    bool isPending() const { return !dirty_.isEmpty(); }

private:
    void changed(const Changes::Change& change);
    void reread();
    void rereadShift(int shift, bool highlight);

    DbGrid* grid_;
    QSet<int> dirty_;
    QSet<int> fromOther_;
    PacedRun* paced_;
    QHash<int, qint64> highlighted_; // line id -> until (ms of the clock below)
    QElapsedTimer clock_;
    QTimer fade_;
};
