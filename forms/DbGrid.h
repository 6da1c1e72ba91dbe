#pragma once
// A read-only grid bound to a Query: one row per visible row of the query, the columns
// chosen by field name. The grid's selected row and the query's current row are the same
// row: moving one moves the other.
#include "db/Query.h"

#include <functional>
#include <QAbstractTableModel>
#include <QHash>
#include <QTableView>
#include <QVariantMap>

struct GridColumn {
    QString field;
    QString title;
    int width = 64; // the toolkit's default column width
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool visible = true;
    // Money and other fixed-point values: shown with this many decimals (-1: as read).
    int decimals = -1;
};

class QueryGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Extra looks of one cell (font, colours) by field and row; an invalid QVariant keeps the standard.
    using CellStyle = std::function<QVariant(const QString& field, const QSqlRecord& row, int role)>;

    explicit QueryGridModel(QObject* parent = nullptr);
    void setQuery(Query* query);
    Query* query() const { return query_; }
    void setColumns(const QList<GridColumn>& columns);
    const QList<GridColumn>& columns() const { return columns_; }
    void setCellStyle(CellStyle style) { style_ = std::move(style); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // How a value appears in a cell: dates day-first, numbers in the workstation's format.
    static QString displayText(const QVariant& value);

private:
    // The record of one row for the cell style, made once for all the cells and roles of the
    // row a view asks about in turn (not once for every cell and role).
    const QSqlRecord& recordOf(int row) const;
    void forgetRecord() const { cachedRow_ = -1; }

    Query* query_ = nullptr;
    mutable int cachedRow_ = -1;
    mutable QSqlRecord cachedRecord_;
    QMetaObject::Connection reset_;
    QList<GridColumn> columns_;
    CellStyle style_;
};

class DbGrid : public QTableView {
    Q_OBJECT
public:
    explicit DbGrid(QWidget* parent = nullptr);
    void setQuery(Query* query);
    Query* query() const { return model_->query(); }
    void setColumns(const QList<GridColumn>& columns);
    void setCellStyle(QueryGridModel::CellStyle style) { model_->setCellStyle(std::move(style)); }
    QueryGridModel* gridModel() const { return model_; }
    // Text of a cell as shown (0-based row among the visible rows).
    QString cellText(int row, const QString& field) const;

    // Column widths the user has set, by field; they win over the columns' own widths.
    QVariantMap keptWidths() const;
    void setKeptWidths(const QVariantMap& widths);

    // The tooltip of a cell: the model's own, else the whole text when the column cuts it.
    QString toolTipAt(const QModelIndex& index) const;

protected:
    bool viewportEvent(QEvent* e) override;

private:
    void followQuery(int row);
    void applyWidths();

    QueryGridModel* model_;
    QMetaObject::Connection current_;
    bool syncing_ = false;
    bool applying_ = false;
    QHash<QString, int> keptWidths_;
};
