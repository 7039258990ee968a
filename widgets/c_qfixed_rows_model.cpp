#include "widgets/c_qfixed_rows_model.h"

c_qfixed_rows_model::c_qfixed_rows_model(QAbstractItemModel* source, int rows, QObject* parent)
    : QAbstractTableModel(parent), source_(source), rows_(rows)
{
    connect(source, &QAbstractItemModel::dataChanged, this, &c_qfixed_rows_model::source_changed);
    connect(source, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(source, &QAbstractItemModel::modelReset, this, [this] { endResetModel(); });
    connect(source, &QAbstractItemModel::headerDataChanged, this, &QAbstractItemModel::headerDataChanged);
}

int c_qfixed_rows_model::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !source_)
        return 0;
    return qMin(rows_, source_->rowCount());
}

int c_qfixed_rows_model::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !source_ ? 0 : source_->columnCount();
}

QVariant c_qfixed_rows_model::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !source_)
        return QVariant();
    return source_->data(source_->index(index.row(), index.column()), role);
}

bool c_qfixed_rows_model::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || !source_)
        return false;
    return source_->setData(source_->index(index.row(), index.column()), value, role);
}

Qt::ItemFlags c_qfixed_rows_model::flags(const QModelIndex& index) const
{
    if (!index.isValid() || !source_)
        return Qt::NoItemFlags;
    return source_->flags(source_->index(index.row(), index.column()));
}

QVariant c_qfixed_rows_model::headerData(int section, Qt::Orientation orientation, int role) const
{
    return source_ ? source_->headerData(section, orientation, role) : QVariant();
}

void c_qfixed_rows_model::source_changed(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                         const QVector<int>& roles)
{
    if (topLeft.row() >= rows_)
        return;
    const int last = qMin(bottomRight.row(), rows_ - 1);
    emit dataChanged(index(topLeft.row(), topLeft.column()), index(last, bottomRight.column()), roles);
}
