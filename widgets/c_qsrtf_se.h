// The filter proxy of the filtered table view: hides data rows whose cells fail an active
// column filter, keeps the fixed rows, and sorts numbers as numbers.
#pragma once
#include <QSortFilterProxyModel>
#include <QVector>

class record_table_source;

class c_qsrtf_se : public QSortFilterProxyModel {
    Q_OBJECT
public:
    c_qsrtf_se(QObject* parent, const record_table_source* source);
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    const record_table_source* source_;
    // Sort keys of one column, taken once before a sort of a large table (empty otherwise).
    QVector<double> sortKeys_;
};
