#include "widgets/c_qrecord_model.h"

#include <QBrush>
#include <cmath>
#include <limits>

#include "widgets/record_table_source.h"

c_qrecord_item::c_qrecord_item(c_qrecord_model* owner, quint64 key) : owner_(owner), key_(key) {}

QVariant c_qrecord_item::data(int role) const
{
    QVariant v = QStandardItem::data(role);
    if (!v.isValid() && owner_ && (role == Qt::DisplayRole || role == Qt::EditRole))
        return owner_->computed_text(key_);
    return v;
}

void c_qrecord_item::setData(const QVariant& value, int role)
{
    QStandardItem::setData(value, role);
    if (owner_)
        owner_->item_changed(this, role == Qt::EditRole ? int(Qt::DisplayRole) : role);
}

// ---------------------------------------------------------------------------------------------

c_qrecord_model::c_qrecord_model(const record_table_source* source) : source_(source), textCache_(2048) {}

c_qrecord_model::~c_qrecord_model()
{
    qDeleteAll(fixedItems_);
    qDeleteAll(dataItems_);
}

int c_qrecord_model::data_row_count() const
{
    return source_->variable_rows() ? source_->rows().size() : fixedDataRows_;
}

int c_qrecord_model::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : fixedRows_ + data_row_count();
}

int c_qrecord_model::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

int c_qrecord_model::position_of_row(int dataRow) const
{
    // A fixed table's rows exist before it is filled; they show no record until then.
    return source_->rows().id_at(dataRow);
}

const QStringList* c_qrecord_model::texts_of_position(int position) const
{
    if (position < 0 || position >= source_->element_count() || !source_->has_row_texts())
        return nullptr;
    if (const QStringList* cached = textCache_.object(position))
        return cached;
    auto* texts = new QStringList;
    source_->row_texts(position, texts);
    textCache_.insert(position, texts);
    return texts;
}

const QStringList* c_qrecord_model::scan_texts_of_position(int position) const
{
    if (position < 0 || position >= source_->element_count() || !source_->has_row_texts())
        return nullptr;
    if (position == scanPosition_)
        return &scanTexts_;
    if (const QStringList* cached = textCache_.object(position))
        return cached;
    scanTexts_.clear();
    scanPosition_ = -1;
    source_->row_texts(position, &scanTexts_);
    scanPosition_ = position;
    return &scanTexts_;
}

QString c_qrecord_model::text_from(const QStringList* texts, int column) const
{
    // A fixed table's cells hold their texts (written by the view when a record gives any);
    // only a dynamic table computes them when shown.
    if (!texts || !source_->variable_rows())
        return QString();
    // A dynamic table takes every column from the record; a fixed one from its first text column on.
    const int k = source_->variable_rows() ? column : column - source_->first_text_column();
    return (k >= 0 && k < texts->size()) ? texts->at(k) : QString();
}

QString c_qrecord_model::computed_text(quint64 key) const
{
    if (key & fixed_key_bit)
        return QString();
    const int position = int(key >> 20);
    const int column = int(key & 0xFFFFF);
    if (!source_->variable_rows() && position >= source_->rows().size())
        return QString();
    return text_from(texts_of_position(position), column);
}

Qt::ItemFlags c_qrecord_model::default_flags(int column) const
{
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (column + 1 == source_->check_column()) {
        f |= Qt::ItemIsUserCheckable;
        if (source_->variable_rows())
            f &= ~Qt::ItemIsSelectable;
    }
    return f;
}

QVariant c_qrecord_model::default_data(int dataRow, int position, int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (position < 0)
            return QString();
        return text_from(texts_of_position(position), column);
    case Qt::CheckStateRole:
        if (column + 1 == source_->check_column())
            return int(Qt::Unchecked);
        return QVariant();
    case Qt::BackgroundRole:
        if (const QColor c = source_->column_background(column); c.isValid())
            return QBrush(c);
        return QVariant();
    default:
        Q_UNUSED(dataRow);
        return QVariant();
    }
}

c_qrecord_item* c_qrecord_model::existing_item(int modelRow, int column) const
{
    if (modelRow < fixedRows_)
        return nullptr;
    if (dataItems_.isEmpty())
        return nullptr;
    const int d = modelRow - fixedRows_;
    const int position = position_of_row(d);
    return dataItems_.value(data_key(position >= 0 ? position : d, column), nullptr);
}

QVariant c_qrecord_model::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columns_)
        return QVariant();
    const int r = index.row();
    const int c = index.column();
    if (r < fixedRows_) {
        QStandardItem* it = fixedItems_.value(r * columns_ + c, nullptr);
        return it ? it->data(role) : QVariant();
    }
    if (c_qrecord_item* it = existing_item(r, c))
        return it->data(role);
    if (role == Qt::TextAlignmentRole)
        return QVariant();
    const int d = r - fixedRows_;
    return default_data(d, position_of_row(d), c, role);
}

Qt::ItemFlags c_qrecord_model::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.column() >= columns_)
        return Qt::NoItemFlags;
    const int r = index.row();
    if (r < fixedRows_) {
        QStandardItem* it = fixedItems_.value(r * columns_ + index.column(), nullptr);
        return it ? it->flags() : Qt::ItemIsEnabled;
    }
    if (c_qrecord_item* it = existing_item(r, index.column()))
        return it->flags();
    return default_flags(index.column());
}

bool c_qrecord_model::setData(const QModelIndex& index, const QVariant& value, int role)
{
    QStandardItem* it = item(index.row(), index.column());
    if (!it)
        return false;
    it->setData(value, role);
    return true;
}

QVariant c_qrecord_model::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= columns_)
            return QVariant();
        switch (role) {
        case Qt::DisplayRole: return headerText_.at(section);
        case Qt::TextAlignmentRole: return int(headerAlign_.at(section));
        case Qt::BackgroundRole:
            return headerBackground_.at(section).isValid() ? QVariant(QBrush(headerBackground_.at(section))) : QVariant();
        default: return QVariant();
        }
    }
    const int d = section - fixedRows_;
    if (role == Qt::DisplayRole)
        return (d >= 0 && d < rowLabels_.size()) ? rowLabels_.at(d) : QString::number(section + 1);
    if (role == Qt::TextAlignmentRole && d >= 0 && d < rowLabels_.size())
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return QVariant();
}

void c_qrecord_model::clear_layout(int columns, int fixedRows, int fixedDataRows)
{
    beginResetModel();
    for (QStandardItem* it : fixedItems_)
        delete it;
    for (c_qrecord_item* it : dataItems_)
        delete it;
    dataItems_.clear();
    textOverrides_ = 0;
    columns_ = columns;
    fixedRows_ = fixedRows;
    fixedDataRows_ = fixedDataRows;
    fixedItems_ = QVector<QStandardItem*>(fixedRows * columns, nullptr);
    headerText_ = QVector<QString>(columns);
    headerAlign_ = QVector<Qt::Alignment>(columns, Qt::AlignLeft | Qt::AlignVCenter);
    headerBackground_ = QVector<QColor>(columns);
    rowLabels_.clear();
    textCache_.clear();
    valueCache_.clear();
    endResetModel();
}

void c_qrecord_model::set_column_header(int column, const QString& label, Qt::Alignment align,
                                        const QColor& background)
{
    if (column < 0 || column >= columns_)
        return;
    headerText_[column] = label;
    headerAlign_[column] = align;
    headerBackground_[column] = background;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void c_qrecord_model::set_row_labels(const QStringList& labels)
{
    rowLabels_ = labels;
    if (rowCount() > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

void c_qrecord_model::drop_data_items()
{
    for (c_qrecord_item* it : dataItems_)
        delete it;
    dataItems_.clear();
    textOverrides_ = 0;
    records_changed();
}

void c_qrecord_model::remove_fixed_data_rows(int count)
{
    fixedDataRows_ = qMax(0, fixedDataRows_ - count);
}

void c_qrecord_model::drop_position_items(int position)
{
    for (int c = 0; c < columns_; ++c)
        delete dataItems_.take(data_key(position, c));
    textCache_.remove(position);
    scanPosition_ = -1;
    for (value_column& vc : valueCache_)
        if (position < vc.values.size())
            vc.values[position] = std::numeric_limits<double>::quiet_NaN();
}

void c_qrecord_model::rewrite_position(int position, int firstTextColumn)
{
    for (int c = 0; c < columns_; ++c)
        if (c_qrecord_item* it = dataItems_.value(data_key(position, c), nullptr)) {
            if (c >= firstTextColumn)
                it->forget(Qt::DisplayRole);
            it->forget(Qt::BackgroundRole);
        }
    textCache_.remove(position);
    scanPosition_ = -1;
    for (value_column& vc : valueCache_)
        if (position < vc.values.size())
            vc.values[position] = std::numeric_limits<double>::quiet_NaN();
}

void c_qrecord_model::records_changed()
{
    scanPosition_ = -1;
    textCache_.clear();
    valueCache_.clear();
}

void c_qrecord_model::drop_value_cache()
{
    valueCache_.clear();
}

void c_qrecord_model::row_changed(int modelRow)
{
    if (modelRow >= 0 && modelRow < rowCount() && columns_ > 0)
        emit dataChanged(index(modelRow, 0), index(modelRow, columns_ - 1));
}

QStandardItem* c_qrecord_model::item(int modelRow, int column)
{
    if (modelRow < 0 || modelRow >= rowCount() || column < 0 || column >= columns_)
        return nullptr;
    if (modelRow < fixedRows_) {
        QStandardItem*& slot = fixedItems_[modelRow * columns_ + column];
        if (!slot) {
            auto* it = new c_qrecord_item(this, fixed_key(modelRow, column));
            it->forget(Qt::DisplayRole);
            slot = it;
        }
        return slot;
    }
    const int d = modelRow - fixedRows_;
    const int position = position_of_row(d);
    // A fixed table that has not been filled yet still has its rows; key them by row.
    const quint64 key = data_key(position >= 0 ? position : d, column);
    if (c_qrecord_item* it = dataItems_.value(key, nullptr))
        return it;
    auto* it = new c_qrecord_item(nullptr, key);  // no announcements while it is initialised
    it->setFlags(default_flags(column));
    const QVariant check = default_data(d, position, column, Qt::CheckStateRole);
    if (check.isValid())
        it->setData(check, Qt::CheckStateRole);
    const QVariant bg = default_data(d, position, column, Qt::BackgroundRole);
    if (bg.isValid())
        it->setData(bg, Qt::BackgroundRole);
    it->attach(this);
    dataItems_.insert(key, it);
    return it;
}

void c_qrecord_model::set_fixed_item(int row, int column, QStandardItem* it)
{
    if (row < 0 || row >= fixedRows_ || column < 0 || column >= columns_) {
        delete it;
        return;
    }
    QStandardItem*& slot = fixedItems_[row * columns_ + column];
    delete slot;
    slot = it;
    emit dataChanged(index(row, column), index(row, column));
}

int c_qrecord_model::model_row_of_key(quint64 key) const
{
    if (key & fixed_key_bit)
        return int((key & ~fixed_key_bit) >> 20);
    const int position = int(key >> 20);
    // A fixed table that has not been filled keys its items by row.
    if (source_->variable_rows() || !source_->rows().empty()) {
        const int d = source_->rows().row_of(position);
        return d < 0 ? -1 : fixedRows_ + d;
    }
    return fixedRows_ + position;
}

void c_qrecord_model::item_changed(c_qrecord_item* it, int role)
{
    if (role == Qt::DisplayRole && !(it->key() & fixed_key_bit)) {
        ++textOverrides_;
        const int column = int(it->key() & 0xFFFFF);
        valueCache_.remove(column);
    }
    const int r = model_row_of_key(it->key());
    const int c = int(it->key() & 0xFFFFF);
    if (r >= 0 && r < rowCount() && c < columns_)
        emit dataChanged(index(r, c), index(r, c));
}

QString c_qrecord_model::cell_text(int modelRow, int column) const
{
    return data(index(modelRow, column), Qt::DisplayRole).toString();
}

QString c_qrecord_model::scan_text(int modelRow, int column) const
{
    const int d = modelRow - fixedRows_;
    const int position = position_of_row(d);
    if (position < 0 || (textOverrides_ > 0 && existing_item(modelRow, column)))
        return cell_text(modelRow, column);
    return text_from(scan_texts_of_position(position), column);
}

double c_qrecord_model::cell_value(int modelRow, int column, qint32 kind) const
{
    const int d = modelRow - fixedRows_;
    const int position = position_of_row(d);
    if (position < 0 || position >= source_->element_count() || (textOverrides_ > 0 && existing_item(modelRow, column)))
        return filter_cell_value(cell_text(modelRow, column), kind);
    value_column& vc = valueCache_[column];
    if (vc.kind != kind || vc.values.size() != source_->element_count()) {
        vc.kind = kind;
        vc.values = QVector<double>(source_->element_count(), std::numeric_limits<double>::quiet_NaN());
    }
    double& v = vc.values[position];
    if (std::isnan(v))
        v = filter_cell_value(text_from(scan_texts_of_position(position), column), kind);
    return v;
}
