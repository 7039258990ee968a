// A read-only table over an array of fixed-size records that its caller owns: one row per
// record, either for every record (a fixed table) or only for those a filter passes, sorted
// by record index ("id"), with maps between ids and rows.
#pragma once
#include <QStringList>
#include <QTableWidget>
#include <QVector>
#include <vector>

#include "widgets/row_index.h"

class c_qtablewidget_functab : public QTableWidget {
    Q_OBJECT
public:
    // True if the record gets a row (dynamic tables only).
    using row_filter_fn = bool (*)(int id, const void* record);
    // Fills `texts` with the cell texts of the record, one per column (in a fixed table one
    // per column from the first text column on). The list arrives empty.
    using row_text_fn = void (*)(int id, const void* record, QStringList* texts);

    explicit c_qtablewidget_functab(QWidget* parent = nullptr);

    // rowCount 0 makes a dynamic table; otherwise a fixed one of rowCount rows.
    void setupTable(int rowCount, QStringList* rowLabels, QStringList* columnLabels, quint16 rowHeaderMinWidth,
                    const quint16* columnWidths, row_filter_fn rowFilter, row_text_fn rowText,
                    int firstTextColumn);
    // The caller's records: `count` records of `elementSize` bytes from `base`. Resets every
    // id's row to -1.
    void setLayoutInfo(const void* base, quint16 count, int elementSize);

    void refillRows(int currentRow);
    // Inserts or rewrites the rows of ids firstId .. firstId + count - 1, keeping rows sorted
    // by id; the last one becomes current.
    void updateRows(int firstId, quint16 count);
    // Removes `count` consecutive rows from the one that shows `id`.
    void removeCurrentRow(int id, quint16 count);
    void selectRowById(int id);
    // The id shown in the current row, -1 when there is none.
    int currentRowIndex() const;
    void setRowTexts(int row, QStringList* texts);

    // The row that shows a record, -1 when none (or no record array is set).
    int rowOfId(int id) const;
    // For each row, in row order, the id it shows.
    const std::vector<int>& rowIds() const { return rows_.ids(); }

private:
    const void* record(int id) const;
    void fill_texts(int id);
    void set_cell_text(int row, int column, const QString& text);

    row_index rows_;  // ids mapped once setLayoutInfo ran
    bool hasLayout_ = false;
    const char* elementBase_ = nullptr;
    quint16 elementCount_ = 0;
    int elementSize_ = 0;
    bool variableRows_ = false;
    int firstTextColumn_ = 0;
    QStringList rowTextList_;
    row_filter_fn rowFilter_ = nullptr;
    row_text_fn rowText_ = nullptr;
};
