#pragma once
// The norms of one operation as an editable table: one row per norm of accounts_dep.norm,
// sorted by "Норматив", and a blank row at the foot where a new norm is typed. A value is
// stored as soon as it is set (the grid sets it when the user leaves the cell): a new row is
// inserted with the operation's id, an existing one updated by its id. Rows keep their places
// while the user edits; the sort is applied again at the next load.
#include <optional>
#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QVariant>
#include <QVector>

class NormTable : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Norma, Price, Prize, ColumnCount };

    explicit NormTable(QObject* parent = nullptr);

    void setDatabase(QSqlDatabase db) { db_ = db; }
    // Reads the norms of operation `operationId`.
    void load(int operationId);
    int operationId() const { return operationId_; }
    // Norms stored (the blank row not counted).
    int storedCount() const { return int(rows_.size()); }
    // The id of the norm in row `row`; 0 for the blank row.
    int idAt(int row) const;
    // Deletes the norm of `row` unless it is the operation's last one; true when deleted.
    bool removeNorm(int row);

    // The price as the grid shows it: two decimals, a third when it is not 0 ("#0.00#").
    static QString priceText(const QVariant& price);
    // A typed value of a column, or an invalid QVariant when it is not a number that fits the
    // column (an empty text is a null value).
    static std::optional<QVariant> parse(int column, const QString& typed);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stores the value at once; false (nothing stored) for a value that is not a number.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    struct Row {
        int id = 0;
        QVariant values[ColumnCount];
    };
    QSqlDatabase db_;
    int operationId_ = 0;
    QVector<Row> rows_;
};
