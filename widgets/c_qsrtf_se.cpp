#include "widgets/c_qsrtf_se.h"

#include <QLoggingCategory>
#include <cmath>

#include "widgets/c_qrecord_model.h"
#include "widgets/record_table_source.h"

// Every tested cell can be traced; off by default, since a large table would flood the log.
Q_LOGGING_CATEGORY(lcTableFilter, "tarvix.widgets.filter", QtWarningMsg)

c_qsrtf_se::c_qsrtf_se(QObject* parent, const record_table_source* source)
    : QSortFilterProxyModel(parent), source_(source)
{
}

bool c_qsrtf_se::filterAcceptsRow(int sourceRow, const QModelIndex&) const
{
    if (sourceRow < source_->fixed_rows() || !source_->filter_on())
        return true;
    const auto* model = qobject_cast<const c_qrecord_model*>(sourceModel());
    const std::vector<column_filter_record>& filters = source_->column_filters();
    const int columns = model ? int(filters.size()) : 0;
    for (int c = 0; c < columns; ++c) {
        const column_filter_record& rec = filters[std::size_t(c)];
        if (!rec.filterable || !rec.active)
            continue;
        bool pass;
        if (rec.type == filter_none) {
            pass = true;
        } else if (filter_kind_is_numeric(rec.kind) && !lcTableFilter().isDebugEnabled()) {
            pass = filter_value_passes(model->cell_value(sourceRow, c, rec.kind), rec);
        } else {
            const QString text = model->scan_text(sourceRow, c);
            qCDebug(lcTableFilter, "filterAcceptRows: %s", qPrintable(text));
            pass = cell_passes_filter(text, rec);
        }
        if (!pass)
            return false;
    }
    return true;
}

namespace {

bool read_number(const QString& text, double* value)
{
    bool ok = false;
    *value = text.trimmed().toDouble(&ok);
    return ok;
}

}  // namespace

void c_qsrtf_se::sort(int column, Qt::SortOrder order)
{
    // A large table would format every record about log2(n) times while sorting; take the
    // column's numbers once when every cell of it is a number.
    sortKeys_.clear();
    const auto* model = qobject_cast<const c_qrecord_model*>(sourceModel());
    const int rows = model ? model->rowCount() : 0;
    const int fixed = source_->fixed_rows();
    if (column >= 0 && rows - fixed > 1000) {
        sortKeys_.resize(rows);
        for (int r = fixed; r < rows; ++r)
            if (!read_number(model->scan_text(r, column), &sortKeys_[r])) {
                sortKeys_.clear();
                break;
            }
    }
    QSortFilterProxyModel::sort(column, order);
    sortKeys_.clear();
    sortKeys_.squeeze();
}

bool c_qsrtf_se::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    // The fixed rows stay on top in either order.
    const int f = source_->fixed_rows();
    const bool ascending = sortOrder() == Qt::AscendingOrder;
    if (left.row() < f || right.row() < f) {
        if (left.row() < f && right.row() < f)
            return ascending ? left.row() < right.row() : left.row() > right.row();
        return (left.row() < f) == ascending;
    }
    if (!sortKeys_.isEmpty())
        return sortKeys_.at(left.row()) < sortKeys_.at(right.row());
    const QString a = sourceModel()->data(left).toString();
    const QString b = sourceModel()->data(right).toString();
    double x = 0;
    double y = 0;
    if (read_number(a, &x) && read_number(b, &y))
        return x < y;
    return QString::compare(a, b, Qt::CaseInsensitive) < 0;
}
