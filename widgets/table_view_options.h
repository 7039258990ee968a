// The set-up options and record callbacks of the filtered table view.
#pragma once
#include <QColor>
#include <QStringList>
#include <QVector>
#include <functional>

// Whether the record at an array position gets a row (tables built from the records that pass).
using table_row_filter = std::function<bool(int position, const void* record)>;
// The cell texts of a record; called with the index the callers use (position + index offset).
using table_row_text = std::function<void(int index, const void* record, QStringList* texts)>;

struct table_view_options {
    const QVector<QColor>* colours = nullptr;  // colour table, or none
    const quint16* columnColours = nullptr;    // per column an index into colours
    int alignment = 0;                         // header: 0 left, 1 centred, 2 right
    int indexOffset = 0;
    int checkColumn = 0;  // 1-based, 0 none
    int fixedRows = 0;
    quint32 filterableMask[2] = {0, 0};  // bit i: column i may be filtered (low word first)
};
