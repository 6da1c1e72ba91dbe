#include "forms/DbGrid.h"

#include <QDate>
#include <QDateTime>
#include <QFont>
#include <QHeaderView>
#include <QLocale>
#include <QSqlField>

QueryGridModel::QueryGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void QueryGridModel::setQuery(Query* query) {
    if (query == query_) return;
    beginResetModel();
    disconnect(reset_);
    query_ = query;
    if (query_)
        reset_ = connect(query_, &Query::rowsReset, this, [this] {
            beginResetModel();
            endResetModel();
        });
    endResetModel();
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
        const QVariant styled = style_(column.field, query_->row(row), role);
        if (styled.isValid()) return styled;
    }
    switch (role) {
    case Qt::DisplayRole: {
        const int field = query_->fieldIndex(column.field);
        if (field < 0) return {};
        QString text = displayText(query_->value(row, field));
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
    const auto& columns = model_->columns();
    for (int i = 0; i < columns.size(); ++i) {
        setColumnWidth(i, columns[i].width);
        setColumnHidden(i, !columns[i].visible);
    }
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
