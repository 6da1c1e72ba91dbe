#include "catalogues/NormTable.h"

#include "db/Messages.h"
#include "db/Query.h"
#include "db/SqlText.h"
#include "db/Transaction.h"

#include <cmath>
#include <optional>
#include <QLocale>
#include <QSqlQuery>

namespace {
const char* const Fields[] = {"norma", "price", "prize"};
} // namespace

NormTable::NormTable(QObject* parent) : QAbstractTableModel(parent) {}

void NormTable::load(int operationId) {
    beginResetModel();
    operationId_ = operationId;
    rows_.clear();
    changed_ = false;
    QSqlQuery q(db_);
    execBound(q,
              QStringLiteral("select id, norma, price, prize from accounts_dep.norm where o_id=:o "
                             "order by norma, id"),
              {{QStringLiteral("o"), operationId}});
    while (q.next()) {
        Row r;
        r.id = q.value(0).toInt();
        for (int c = 0; c < ColumnCount; ++c)
            r.values[c] = q.value(c + 1);
        rows_.append(r);
    }
    endResetModel();
}

int NormTable::idAt(int row) const {
    return row >= 0 && row < rows_.size() ? rows_[row].id : 0;
}

bool NormTable::removeNorm(int row) {
    if (rows_.size() <= 1 || row < 0 || row >= rows_.size()) return false;
    const bool removed = [&] {
        Transaction t(db_);
        lockKey(db_, LockSpace::Operation, QStringLiteral("norms/%1").arg(operationId_));
        QSqlQuery q(db_);
        execBound(q, QStringLiteral("select count(*) from accounts_dep.norm where o_id=:o"),
                  {{QStringLiteral("o"), operationId_}});
        if (!q.next() || q.value(0).toLongLong() <= 1) return false;
        execBound(q, QStringLiteral("delete from accounts_dep.norm where id=:id"),
                  {{QStringLiteral("id"), rows_[row].id}});
        t.commit();
        return true;
    }();
    if (!removed) {
        messages().error(Caption::Error, LastNormMessage);
        load(operationId_);
        return false;
    }
    changed_ = true;
    beginRemoveRows({}, row, row);
    rows_.remove(row);
    endRemoveRows();
    return true;
}

QString NormTable::priceText(const QVariant& price) {
    if (price.isNull() || !price.isValid()) return {};
    QString text = QString::number(SqlText::roundTo(price.toDouble(), 3), 'f', 3);
    if (text.endsWith(QLatin1Char('0'))) text.chop(1);
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}

QString NormTable::editText(int column, const QVariant& value) {
    if (value.isNull() || !value.isValid()) return {};
    if (column != Price) return value.toString();
    return QString::number(value.toDouble(), 'g', 15).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

std::optional<QVariant> NormTable::parse(int column, const QString& typed) {
    const QString t = typed.trimmed();
    if (t.isEmpty())
        return QVariant(column == Price ? QMetaType(QMetaType::Double) : QMetaType(QMetaType::Int));
    bool ok = false;
    if (column == Price) {
        QString point = t;
        point.replace(QLatin1Char(','), QLatin1Char('.'));
        const double v = point.toDouble(&ok);
        if (!ok || !std::isfinite(v) || v < -1e12 || v > 1e12) return std::nullopt;
        return QVariant(v);
    }
    const int v = t.toInt(&ok);
    if (!ok) return std::nullopt;
    return QVariant(v);
}

int NormTable::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size()) + 1;
}

int NormTable::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant NormTable::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) return {};
    const QVariant& v = rows_[index.row()].values[index.column()];
    if (role == Qt::DisplayRole) {
        if (v.isNull()) return QString();
        return index.column() == Price ? priceText(v) : v.toString();
    }
    if (role == Qt::EditRole) return editText(index.column(), v);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant NormTable::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical) {
        // The indicator column: the row being edited and the blank row for a new norm.
        if (role == Qt::DisplayRole) return section == rows_.size() ? QStringLiteral("*") : QString();
        return {};
    }
    if (role == Qt::DisplayRole) {
        switch (section) {
        case Norma:
            return QStringLiteral("Норматив");
        case Price:
            return QStringLiteral("Цена");
        case Prize:
            return QStringLiteral("Премия, %");
        }
    }
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

Qt::ItemFlags NormTable::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

bool NormTable::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    const int column = index.column();
    const auto parsed = parse(column, value.toString());
    if (!parsed) return false; // not a number: refused, nothing stored
    if (!parsed->isNull() && parsed->toDouble() < 0) {
        messages().error(Caption::Error,
                         NegativeMessage.arg(headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()));
        return false;
    }
    const bool isNew = index.row() >= rows_.size();
    if (isNew && parsed->isNull()) return true; // nothing typed into the blank row
    if (!isNew) {
        const QVariant& old = rows_[index.row()].values[column];
        if (old.isNull() == parsed->isNull() && (old.isNull() || old == *parsed)) return true; // no change
    }
    const QString field = QLatin1String(Fields[column]);
    QSqlQuery q(db_);
    changed_ = true;
    if (isNew) {
        execBound(
            q,
            QStringLiteral("insert into accounts_dep.norm(o_id, %1) values(:o, :v) returning id").arg(field),
            {{QStringLiteral("o"), operationId_}, {QStringLiteral("v"), *parsed}});
        Row r;
        r.id = q.next() ? q.value(0).toInt() : 0;
        for (int c = 0; c < ColumnCount; ++c)
            r.values[c] = QVariant(c == Price ? QMetaType(QMetaType::Double) : QMetaType(QMetaType::Int));
        r.values[column] = *parsed;
        // The blank row becomes the new norm, and a new blank row follows it.
        beginInsertRows({}, rows_.size() + 1, rows_.size() + 1);
        rows_.append(r);
        endInsertRows();
        emit dataChanged(this->index(rows_.size() - 1, 0), this->index(rows_.size() - 1, ColumnCount - 1));
        emit headerDataChanged(Qt::Vertical, rows_.size() - 1, rows_.size());
        return true;
    }
    Row& r = rows_[index.row()];
    execBound(q, QStringLiteral("update accounts_dep.norm set %1=:v where id=:id").arg(field),
              {{QStringLiteral("v"), *parsed}, {QStringLiteral("id"), r.id}});
    r.values[column] = *parsed;
    emit dataChanged(index, index);
    return true;
}
