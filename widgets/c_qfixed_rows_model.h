// The fixed rows of a record model as a model of their own, for the overlay that keeps them
// on top of the table: the overlay never sees (or has to hide) the data rows.
#pragma once
#include <QAbstractTableModel>
#include <QPointer>

class c_qfixed_rows_model : public QAbstractTableModel {
    Q_OBJECT
public:
    c_qfixed_rows_model(QAbstractItemModel* source, int rows, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void source_changed(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QVector<int>& roles);

    QPointer<QAbstractItemModel> source_;
    int rows_;
};
