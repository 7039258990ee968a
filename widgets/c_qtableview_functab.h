// A read-only table view over an array of fixed-size records owned by the caller, behind a
// filter proxy: per-column colours, a check-box column, an index offset, and fixed rows (the
// filter row) that stay on top while the data rows scroll.
#pragma once
#include <QColor>
#include <QItemSelection>
#include <QStandardItem>
#include <QStringList>
#include <QTableView>
#include <QVector>
#include <memory>
#include <vector>

#include "widgets/column_filter.h"
#include "widgets/record_table_source.h"
#include "widgets/row_index.h"
#include "widgets/table_view_options.h"

class c_qrecord_model;
class c_qsrtf_se;

class c_qtableview_functab : public QTableView, public record_table_source {
    Q_OBJECT

public:
    explicit c_qtableview_functab(QWidget* parent = nullptr);
    ~c_qtableview_functab() override;

    // rowCount 0 builds a dynamic table (rows for the records that pass rowFilter).
    // A dynamic table asks rowText for a row's texts only when they are shown, and keeps them
    // for a while: rowText must return the same texts for a record until update_rows (or a
    // refill) is called for it. A fixed table writes the texts into its cells on refill and
    // update, and a record whose list is empty leaves its cells' texts as they were.
    void setup(int rowCount, const QStringList* rowLabels, const QStringList* columnLabels,
               quint16 rowHeaderMinWidth, const quint16* columnWidths, table_row_filter rowFilter,
               table_row_text rowText, int firstTextColumn, const table_view_options* options);
    void set_array_geometry(const void* base, int count, int elementSize);

    // Positions are 0-based in the record array; indices are position + index offset.
    void refill_rows(int position);
    void update_rows(int firstIndex, int count);          // (index)
    void set_row(int index, bool shown);                  // (index) insert or rewrite one row
    void remove_array_rows(int index, int count);         // (index)
    void select_array_index(int index);                   // (index)
    int current_array_index() const;                     // (index), -1 for none or a fixed row
    void visible_array_indices(QVector<int>* out) const;  // (position), in view order
    QStandardItem* item_of_array_index(int position, int column);  // null when no row shows it
    QStandardItem* model_item(int row, int column);
    void set_row_background(int position, int column, const QColor& colour);
    void set_row_enabled(int position, int column, bool enabled);

    column_filter_record* column_filter(int column);
    void set_filter_active(int fixedRow, int ignored, bool on);
    void update_filter_cell(int fixedRow, int column);
    void invalidate_filter();

    bool filter_on() const override { return filterOn; }
    int fixed_rows() const override { return fixedRows; }
    int index_offset() const { return indexOffset; }
    int element_count() const override { return elementCount; }
    const std::vector<int>& row_ids() const { return rows_.ids(); }
    // Data row of each array position, -1 when none (kept in step with every insert and removal).
    const int* row_of_id() const { return rows_.rows_by_id(); }

    // What the model and the proxy read.
    const row_index& rows() const override { return rows_; }
    bool variable_rows() const override { return variableRows; }
    int first_text_column() const override { return firstTextColumn; }
    int check_column() const override { return checkColumn; }
    const std::vector<column_filter_record>& column_filters() const override { return columnFilters; }
    bool has_row_texts() const override { return rowText != nullptr; }
    void row_texts(int position, QStringList* texts) const override;
    QColor column_background(int column) const override;
    c_qrecord_model* item_model() const { return itemModel; }
    c_qsrtf_se* filter_proxy() const { return filterProxy; }
    QTableView* frozen_view() const { return frozenView; }

    // The filter-row colours.
    static QColor filter_colour_off();       // gray: not filterable
    static QColor filter_colour_idle();      // green: no active filter, or filtering off
    static QColor filter_colour_active();    // yellow

signals:
    void sig_SelectionChanged(int arrIndexP);
    void sig_cb_clicked(int arrIndexP, int columnL, Qt::CheckState stateP);
    void sig_fixRow_clicked(int fixRowP, int columnP);

public slots:
    void on_SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void on_sig_clicked(const QModelIndex& index);
    void updateSectionWidth(int logicalIndex, int oldSize, int newSize);
    void updateSectionHeight(int logicalIndex, int oldSize, int newSize);
    void on_FixRow_clicked(const QModelIndex& index);

protected:
    virtual void fill_fixed_rows();
    void resizeEvent(QResizeEvent* event) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    const void* record(int position) const;
    void write_fixed_row_texts(int position, int dataRow);  // a fixed table: the record's texts into its cells
    void update_rows_impl(int firstIndex, int count, bool makeCurrent);
    void make_current_data_row(int dataRow);
    void setup_frozen_view();
    void place_frozen_view();
    void set_current_source(int modelRow, int column);

    row_index rows_;
    c_qrecord_model* itemModel;
    c_qsrtf_se* filterProxy;
    const unsigned char* elementBase = nullptr;
    int elementCount = 0;
    int elementSize = 0;
    int columnCount = 0;
    bool variableRows = false;
    int firstTextColumn = 0;
    int fixedRows = 0;
    QVector<QColor> colours;
    std::vector<quint16> columnColour;
    Qt::Alignment headerAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    int indexOffset = 0;
    int checkColumn = 0;
    table_row_filter rowFilter;
    table_row_text rowText;
    std::vector<column_filter_record> columnFilters;
    bool filterOn = false;
    QTableView* frozenView = nullptr;
    QAbstractItemModel* frozenModel = nullptr;
};
