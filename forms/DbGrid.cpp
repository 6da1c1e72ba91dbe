#include "forms/DbGrid.h"

#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLocale>
#include <QSqlField>
#include <QStyle>
#include <QToolTip>

QueryGridModel::QueryGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void QueryGridModel::setQuery(Query* query) {
    if (query == query_) return;
    beginResetModel();
    disconnect(reset_);
    query_ = query;
    forgetRecord();
    if (query_)
        reset_ = connect(query_, &Query::rowsReset, this, [this] {
            beginResetModel();
            forgetRecord();
            endResetModel();
        });
    endResetModel();
}

const QSqlRecord& QueryGridModel::recordOf(int row) const {
    if (row != cachedRow_) {
        cachedRecord_ = query_->row(row);
        cachedRow_ = row;
    }
    return cachedRecord_;
}

void QueryGridModel::setColumns(const QList<GridColumn>& columns) {
    beginResetModel();
    columns_ = columns;
    endResetModel();
}

int QueryGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !query_ ? 0 : query_->recordCount();
}

int QueryGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns_.size();
}

QString QueryGridModel::displayText(const QVariant& value) {
    if (value.isNull()) return {};
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        if (dt.time() == QTime(0, 0)) return dt.date().toString(QStringLiteral("dd.MM.yyyy"));
        return dt.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return locale.toString(value.toDouble(), 'g', 15);
    case QMetaType::QString:
        return value.toString();
    default:
        return value.toString();
    }
}

QVariant QueryGridModel::data(const QModelIndex& index, int role) const {
    if (!query_ || !index.isValid() || index.row() >= query_->recordCount()) return {};
    const GridColumn& column = columns_[index.column()];
    const int row = index.row();
    if (style_) {
        const QVariant styled = style_(column.field, recordOf(row), role);
        if (styled.isValid()) return styled;
    }
    switch (role) {
    case Qt::DisplayRole: {
        const int field = query_->fieldIndex(column.field);
        if (field < 0) return {};
        const QVariant value = query_->value(row, field);
        if (column.decimals >= 0 && !value.isNull()) {
            bool number = false;
            const double n = value.toDouble(&number);
            if (number) {
                QLocale locale;
                locale.setNumberOptions(QLocale::OmitGroupSeparator);
                return locale.toString(n, 'f', column.decimals);
            }
        }
        QString text = displayText(value);
        // Exact numbers arrive as text with a point: show them in the workstation's format.
        const int type = query_->fields().field(field).metaType().id();
        if (type == QMetaType::Double || type == QMetaType::Float) {
            const QString point = QLocale().decimalPoint();
            if (point != QLatin1String(".")) text.replace('.', point);
        }
        return text;
    }
    case Qt::TextAlignmentRole:
        return int(column.alignment);
    default:
        return {};
    }
}

QVariant QueryGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) return {};
    switch (role) {
    case Qt::DisplayRole:
        return columns_[section].title;
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::FontRole: {
        QFont f;
        f.setBold(true);
        return f;
    }
    default:
        return {};
    }
}

DbGrid::DbGrid(QWidget* parent) : QTableView(parent), model_(new QueryGridModel(this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setHighlightSections(false);
    setShowGrid(true);
    setWordWrap(false);
    // Tab and Shift+Tab move between the window's controls; the arrows move in the grid.
    setTabKeyNavigation(false);
    // A column the user widens or narrows stays so.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int width) {
        const auto& columns = model_->columns();
        if (applying_ || width <= 0 || column < 0 || column >= columns.size() || isColumnHidden(column))
            return;
        keptWidths_[columns[column].field] = width;
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (syncing_ || !query() || !current.isValid()) return;
                syncing_ = true;
                query()->setRecNo(current.row() + 1);
                syncing_ = false;
            });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] {
        if (query()) followQuery(query()->recNo() - 1);
    });
}

void DbGrid::setQuery(Query* query) {
    disconnect(current_);
    model_->setQuery(query);
    if (query) {
        current_ = connect(query, &Query::currentChanged, this, &DbGrid::followQuery);
        followQuery(query->recNo() - 1);
    }
    applyWidths();
}

void DbGrid::setColumns(const QList<GridColumn>& columns) {
    model_->setColumns(columns);
    applyWidths();
}

void DbGrid::applyWidths() {
    applying_ = true;
    const auto& columns = model_->columns();
    for (int i = 0; i < columns.size(); ++i) {
        setColumnWidth(i, keptWidths_.value(columns[i].field, columns[i].width));
        setColumnHidden(i, !columns[i].visible);
    }
    applying_ = false;
}

QVariantMap DbGrid::keptWidths() const {
    QVariantMap out;
    for (auto it = keptWidths_.begin(); it != keptWidths_.end(); ++it)
        out.insert(it.key(), it.value());
    return out;
}

void DbGrid::setKeptWidths(const QVariantMap& widths) {
    keptWidths_.clear();
    for (auto it = widths.begin(); it != widths.end(); ++it)
        if (const int w = it.value().toInt(); w > 0) keptWidths_.insert(it.key(), w);
    applyWidths();
}

QString DbGrid::toolTipAt(const QModelIndex& index) const {
    if (!index.isValid()) return {};
    const QString own = index.data(Qt::ToolTipRole).toString();
    if (!own.isEmpty()) return own;
    const QString text = index.data(Qt::DisplayRole).toString();
    QFont font = this->font();
    if (const QVariant f = index.data(Qt::FontRole); f.canConvert<QFont>()) font = f.value<QFont>();
    // The cell's text margins on both sides, as the style draws them.
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    return QFontMetrics(font).horizontalAdvance(text) + margins > columnWidth(index.column()) ? text
                                                                                              : QString();
}

bool DbGrid::viewportEvent(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(e);
        const QString tip = toolTipAt(indexAt(help->pos()));
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(indexAt(help->pos())));
        return true;
    }
    return QTableView::viewportEvent(e);
}

void DbGrid::followQuery(int row) {
    if (syncing_) return;
    syncing_ = true;
    if (row < 0) {
        selectionModel()->clearCurrentIndex();
        clearSelection();
    } else {
        int column = 0;
        while (column < model_->columnCount() && isColumnHidden(column))
            ++column;
        const QModelIndex index = model_->index(row, column);
        selectionModel()->setCurrentIndex(index,
                                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(index);
    }
    syncing_ = false;
}

QString DbGrid::cellText(int row, const QString& field) const {
    const auto& columns = model_->columns();
    for (int i = 0; i < columns.size(); ++i)
        if (columns[i].field == field) return model_->index(row, i).data(Qt::DisplayRole).toString();
    return {};
}
