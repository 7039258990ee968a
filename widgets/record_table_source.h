// What the record model and its filter proxy read of the table view that owns them: the
// rows, the layout the view was set up with, the record texts and the column filters.
#pragma once
#include <QColor>
#include <QStringList>
#include <vector>

#include "widgets/column_filter.h"
#include "widgets/row_index.h"

class record_table_source {
public:
    // Data rows: the record position each shows, and the row of each position.
    virtual const row_index& rows() const = 0;
    // Rows come and go with the records (a dynamic table); else the rows are fixed.
    virtual bool variable_rows() const = 0;
    virtual int element_count() const = 0;
    // The first column a fixed table takes from the record texts.
    virtual int first_text_column() const = 0;
    // 1-based column of the check boxes, 0 for none.
    virtual int check_column() const = 0;
    // Rows above the data rows (the filter row).
    virtual int fixed_rows() const = 0;
    virtual bool filter_on() const = 0;
    virtual const std::vector<column_filter_record>& column_filters() const = 0;
    // False when the view has no text function; else the texts of the record at `position`
    // (appended to `texts`, which arrives empty).
    virtual bool has_row_texts() const = 0;
    virtual void row_texts(int position, QStringList* texts) const = 0;
    // The background of a data cell in `column` of a dynamic table; invalid for none.
    virtual QColor column_background(int column) const = 0;

protected:
    ~record_table_source() = default;
};
