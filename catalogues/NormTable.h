#pragma once
// The norms of one operation as an editable table: one row per norm of accounts_dep.norm,
// sorted by "Норматив", and a blank row at the foot where a new norm is typed. A value is
// stored as soon as it is set (the grid sets it when the user leaves the cell): a new row is
// inserted with the operation's id, an existing one updated by its id. Rows keep their places
// while the user edits; the sort is applied again at the next load.
#include <optional>
#include <QAbstractTableModel>
#include <QSqlDatabase>
#include <QString>
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
    // Deletes the norm of `row` unless it is the operation's last one as the database holds
    // it now: the count and the delete run in one transaction under the operation's lock, so
    // two workstations cannot together take its last two norms. When the window showed more
    // norms than the database still holds, says so and reads the norms again. True when deleted.
    bool removeNorm(int row);
    // True when a norm was stored or deleted since the last load.
    bool changedSinceLoad() const { return changed_; }

    inline static const QString NegativeMessage =
        QStringLiteral("«%1» не может быть отрицательным: значение не записано.");
    inline static const QString LastNormMessage = QStringLiteral(
        "Это последний норматив операции: другое рабочее место уже удалило остальные. Удалить его "
        "нельзя.");

    // The price as the grid shows it: two decimals, a third when it is not 0 ("#0.00#").
    static QString priceText(const QVariant& price);
    // A value as its editor shows it: the stored value at full precision, with the
    // workstation's decimal separator.
    static QString editText(int column, const QVariant& value);
    // A typed value of a column, or an invalid QVariant when it is not a number that fits the
    // column (an empty text is a null value).
    static std::optional<QVariant> parse(int column, const QString& typed);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Stores the value at once; false (nothing stored) for a value that is not a number, and
    // for a negative one, which is refused in words.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

private:
    struct Row {
        int id = 0;
        QVariant values[ColumnCount];
    };
    QSqlDatabase db_;
    int operationId_ = 0;
    QVector<Row> rows_;
    bool changed_ = false;
};
