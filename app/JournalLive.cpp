#include "app/JournalLive.h"

#include "db/Changes.h"
#include "db/DataModule6.h"
#include "db/Instances.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <utility>

JournalLive::JournalLive(DbGrid* grid, QWidget* window) : QObject(window), grid_(grid) {
    setObjectName(QStringLiteral("JournalLive"));
    paced_ = new PacedRun(window, [this] { reread(); });
    clock_.start();
    fade_.setInterval(500);
    connect(&fade_, &QTimer::timeout, this, [this] {
        const qint64 now = clock_.elapsed();
        const qsizetype before = highlighted_.size();
        for (auto it = highlighted_.begin(); it != highlighted_.end();)
            it = it.value() <= now ? highlighted_.erase(it) : std::next(it);
        if (highlighted_.size() != before) grid_->viewport()->update();
        if (highlighted_.isEmpty()) fade_.stop();
    });
    ChangeListener& live = ChangeListener::of(DataModule6::ConnectionName);
    connect(&live, &ChangeListener::changed, this, &JournalLive::changed);
    connect(&live, &ChangeListener::reconnected, this, [this] {
        if (DataModule6* dm = instanceOf<DataModule6>())
            for (int s = 1; s <= 4; ++s)
                if (dm->smenaQuery(s).isOpen()) dirty_.insert(s);
        if (!dirty_.isEmpty()) paced_->request();
    });
}

QueryGridModel::CellStyle JournalLive::wrap(QueryGridModel::CellStyle inner) {
    return
        [this, inner = std::move(inner)](const QString& field, const QSqlRecord& row, int role) -> QVariant {
            if (role == Qt::BackgroundRole && !highlighted_.isEmpty() &&
                highlighted_.contains(row.value(QStringLiteral("id")).toInt()))
                return QColor(255, 243, 160);
            return inner ? inner(field, row, role) : QVariant();
        };
}

void JournalLive::changed(const Changes::Change& change) {
    // The journal's own saves, deletions and marks re-read it already.
    DataModule6* dm = instanceOf<DataModule6>();
    if (!dm || (!change.fromOther && change.date.isValid())) return;
    for (int s = 1; s <= 4; ++s) {
        const Query& q = dm->smenaQuery(s);
        if (!q.isOpen() || !change.touchesJournal(q.param(QStringLiteral("data")).toDate(), s)) continue;
        dirty_.insert(s);
        if (change.fromOther) fromOther_.insert(s);
    }
    if (!dirty_.isEmpty()) paced_->request();
}

void JournalLive::reread() {
    const QSet<int> shifts = std::exchange(dirty_, {});
    const QSet<int> other = std::exchange(fromOther_, {});
    for (int s : shifts) {
        try {
            rereadShift(s, other.contains(s));
        } catch (const std::exception&) {
            // The server went away: the journal is read again once it is back.
        }
    }
}

void JournalLive::rereadShift(int shift, bool highlight) {
    DataModule6* dm = instanceOf<DataModule6>();
    if (!dm) return;
    Query& q = dm->smenaQuery(shift);
    if (!q.isOpen()) return;
    const int idColumn = q.fieldIndex(QStringLiteral("id"));
    auto idAt = [&](int row) { return q.value(row, idColumn).toInt(); };
    QSet<int> before;
    for (int i = 0; i < q.recordCount(); ++i)
        before.insert(idAt(i));
    const bool shown = grid_->query() == &q;
    const int currentRow = q.recNo() - 1;
    const QVariant currentId = q.field(QStringLiteral("id"));
    QScrollBar* vertical = grid_->verticalScrollBar();
    QScrollBar* horizontal = grid_->horizontalScrollBar();
    const int top = vertical->value(), left = horizontal->value();
    QSet<int> selected;
    if (shown && grid_->selectionModel())
        for (const QModelIndex& index : grid_->selectionModel()->selectedRows())
            selected.insert(idAt(index.row()));

    q.reopen();

    if (!currentId.isNull() && !q.locate(QStringLiteral("id"), currentId) && currentRow >= 0)
        q.setRecNo(currentRow + 1); // the line is gone: the row it was on
    if (highlight && !before.isEmpty()) {
        const qint64 until = clock_.elapsed() + HighlightFor;
        for (int i = 0; i < q.recordCount(); ++i)
            if (!before.contains(idAt(i))) highlighted_.insert(idAt(i), until);
        if (!highlighted_.isEmpty()) fade_.start();
    }
    if (!shown) return;
    // The current line stays where it was on the screen.
    const int moved = (q.recNo() - 1) - currentRow;
    const int step = grid_->verticalScrollMode() == QAbstractItemView::ScrollPerItem
                         ? 1
                         : grid_->verticalHeader()->defaultSectionSize();
    vertical->setValue(top + moved * step);
    horizontal->setValue(left);
    if (selected.size() > 1 && grid_->selectionModel()) {
        QItemSelection keep;
        for (int i = 0; i < q.recordCount(); ++i)
            if (selected.contains(idAt(i)))
                keep.select(grid_->model()->index(i, 0),
                            grid_->model()->index(i, grid_->model()->columnCount() - 1));
        grid_->selectionModel()->select(keep, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}
