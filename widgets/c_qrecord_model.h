// The item model behind the filtered table view. It holds no copy of the records: cell texts
// are asked of the view's row-text callback when a cell is shown and kept in a small cache,
// and items exist only for cells that a caller touched, so a table of millions of rows costs
// little more than its list of row positions.
#pragma once
#include <QAbstractTableModel>
#include <QCache>
#include <QHash>
#include <QStandardItem>
#include <QStringList>
#include <QVector>

class record_table_source;
class c_qrecord_model;

// A cell a caller holds on to (check state, background, enabled). Its display text falls back
// to the record's text; every change is announced through the model.
class c_qrecord_item : public QStandardItem {
public:
    c_qrecord_item(c_qrecord_model* owner, quint64 key);
    QVariant data(int role = Qt::UserRole + 1) const override;
    void setData(const QVariant& value, int role = Qt::UserRole + 1) override;
    int type() const override { return QStandardItem::UserType + 104; }
    // Drops the stored value of a role without announcing it (the caller resets the view).
    void forget(int role) { QStandardItem::setData(QVariant(), role); }
    bool has_own(int role) const { return QStandardItem::data(role).isValid(); }
    quint64 key() const { return key_; }
    void attach(c_qrecord_model* owner) { owner_ = owner; }

private:
    c_qrecord_model* owner_;
    quint64 key_;
};

class c_qrecord_model : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit c_qrecord_model(const record_table_source* source);
    ~c_qrecord_model() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Layout, set by the view's set-up: columns, fixed rows and, in a fixed table, its data rows.
    void clear_layout(int columns, int fixedRows, int fixedDataRows);
    void set_column_header(int column, const QString& label, Qt::Alignment align, const QColor& background);
    void set_row_labels(const QStringList& labels);

    // The view changed its rows; these keep the items and caches in step.
    void begin_reset() { beginResetModel(); }
    void end_reset() { endResetModel(); }
    void begin_insert(int modelRow, int count = 1) { beginInsertRows(QModelIndex(), modelRow, modelRow + count - 1); }
    void end_insert() { endInsertRows(); }
    void begin_remove(int modelRow, int count = 1) { beginRemoveRows(QModelIndex(), modelRow, modelRow + count - 1); }
    void end_remove() { endRemoveRows(); }
    void drop_data_items();                       // a dynamic refill makes new rows
    void remove_fixed_data_rows(int count);       // inside begin_remove/end_remove
    void drop_position_items(int position);       // the row of a position was removed
    // Texts from firstTextColumn on and every background come from the record again.
    void rewrite_position(int position, int firstTextColumn);
    void records_changed();                       // every cached text and value is stale
    void row_changed(int modelRow);

    // The item of a cell, made on first use. Null outside the table.
    QStandardItem* item(int modelRow, int column);
    // Fixed rows hold real items from the start (the filter row).
    void set_fixed_item(int row, int column, QStandardItem* item);

    // The text a cell shows, and its value under a numeric filter kind (kept per column while
    // the column is filtered, so re-filtering does not format every record again).
    QString cell_text(int modelRow, int column) const;
    // The same for a pass over every row (filtering, sorting): the record's texts are made
    // once per row and not kept, so the cache of the rows on screen stays as it is.
    QString scan_text(int modelRow, int column) const;
    double cell_value(int modelRow, int column, qint32 kind) const;
    void drop_value_cache();

    // Called by an item when a caller changed it.
    void item_changed(c_qrecord_item* item, int role);
    QString computed_text(quint64 key) const;

    static constexpr quint64 fixed_key_bit = quint64(1) << 63;
    static quint64 data_key(int position, int column) { return (quint64(quint32(position)) << 20) | quint32(column); }
    static quint64 fixed_key(int row, int column) { return fixed_key_bit | (quint64(row) << 20) | quint32(column); }

private:
    int data_row_count() const;
    int position_of_row(int dataRow) const;  // -1 when the row shows no record yet
    const QStringList* texts_of_position(int position) const;
    const QStringList* scan_texts_of_position(int position) const;
    QString text_from(const QStringList* texts, int column) const;
    QVariant default_data(int dataRow, int position, int column, int role) const;
    Qt::ItemFlags default_flags(int column) const;
    c_qrecord_item* existing_item(int modelRow, int column) const;
    int model_row_of_key(quint64 key) const;

    const record_table_source* source_;
    int columns_ = 0;
    int fixedRows_ = 0;
    int fixedDataRows_ = 0;
    QVector<QString> headerText_;
    QVector<Qt::Alignment> headerAlign_;
    QVector<QColor> headerBackground_;
    QStringList rowLabels_;
    QVector<QStandardItem*> fixedItems_;
    QHash<quint64, c_qrecord_item*> dataItems_;
    int textOverrides_ = 0;  // data items that carry their own text
    mutable QCache<int, QStringList> textCache_;
    mutable QStringList scanTexts_;
    mutable int scanPosition_ = -1;
    struct value_column {
        qint32 kind = -1;
        QVector<double> values;  // NaN: not read yet
    };
    mutable QHash<int, value_column> valueCache_;
};
