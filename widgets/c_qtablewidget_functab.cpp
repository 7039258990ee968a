#include "widgets/c_qtablewidget_functab.h"

#include <QHeaderView>

#include "widgets/shared_windows_style.h"

c_qtablewidget_functab::c_qtablewidget_functab(QWidget* parent) : QTableWidget(parent)
{
    if (QStyle* s = shared_windows_style())
        setStyle(s);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void c_qtablewidget_functab::setupTable(int rowCount, QStringList* rowLabels, QStringList* columnLabels,
                                        quint16 rowHeaderMinWidth, const quint16* columnWidths,
                                        row_filter_fn rowFilter, row_text_fn rowText, int firstTextColumn)
{
    rowFilter_ = rowFilter;
    rowText_ = rowText;
    firstTextColumn_ = firstTextColumn;
    variableRows_ = rowCount == 0;

    clear();
    setRowCount(0);
    setColumnCount(0);
    const int columns = columnLabels ? columnLabels->size() : 0;
    setRowCount(rowCount);
    setColumnCount(columns);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < columns; ++c) {
        if (columnWidths)
            setColumnWidth(c, columnWidths[c]);
        auto* header = new QTableWidgetItem(columnLabels->at(c));
        header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setHorizontalHeaderItem(c, header);
    }
    if (rowLabels && !variableRows_) {
        for (int r = 0; r < rowCount && r < rowLabels->size(); ++r) {
            auto* header = new QTableWidgetItem(rowLabels->at(r));
            header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            setVerticalHeaderItem(r, header);
        }
        verticalHeader()->show();
    } else {
        verticalHeader()->hide();
    }
    elementBase_ = nullptr;
    elementSize_ = 0;
    elementCount_ = variableRows_ ? 0 : quint16(rowCount);
    if (!variableRows_)
        for (int r = 0; r < rowCount; ++r)
            for (int c = 0; c < columns; ++c)
                setItem(r, c, new QTableWidgetItem);
    verticalHeader()->setMinimumWidth(rowHeaderMinWidth);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
    rows_.clear();
}

void c_qtablewidget_functab::setLayoutInfo(const void* base, quint16 count, int elementSize)
{
    elementBase_ = static_cast<const char*>(base);
    elementCount_ = count;
    elementSize_ = elementSize;
    rows_.reset(count);
    hasLayout_ = true;
}

const void* c_qtablewidget_functab::record(int id) const
{
    return elementBase_ ? elementBase_ + std::ptrdiff_t(id) * elementSize_ : nullptr;
}

void c_qtablewidget_functab::fill_texts(int id)
{
    // Cleared here so that a row-text function that appends cannot carry texts over.
    rowTextList_.clear();
    if (rowText_)
        rowText_(id, record(id), &rowTextList_);
}

void c_qtablewidget_functab::set_cell_text(int row, int column, const QString& text)
{
    if (QTableWidgetItem* it = item(row, column))
        it->setText(text);
    else
        setItem(row, column, new QTableWidgetItem(text));
}

void c_qtablewidget_functab::refillRows(int currentRow)
{
    if (variableRows_)
        setRowCount(0);
    rows_.clear();

    const int columns = columnCount();
    int r = 0;
    for (int id = 0; id < elementCount_; ++id) {
        // A fixed table shows no more records than it has rows.
        if (!variableRows_ && r >= rowCount())
            break;
        if (variableRows_ && !(rowFilter_ && rowFilter_(id, record(id))))
            continue;
        fill_texts(id);
        if (variableRows_) {
            insertRow(r);
            // Short text lists leave empty cells rather than rows with missing items.
            for (int k = 0; k < columns; ++k)
                setItem(r, k, new QTableWidgetItem(k < rowTextList_.size() ? rowTextList_[k] : QString()));
        } else if (!rowTextList_.isEmpty()) {
            for (int k = firstTextColumn_; k < columns && k - firstTextColumn_ < rowTextList_.size(); ++k)
                set_cell_text(r, k, rowTextList_[k - firstTextColumn_]);
        }
        rows_.append(id);
        ++r;
    }
    if (!rows_.empty())
        setCurrentCell(currentRow, 0);
}

void c_qtablewidget_functab::updateRows(int firstId, quint16 count)
{
    if (!hasLayout_)
        return;
    const int columns = columnCount();
    // In a fixed table the texts start at the first text column, as in refillRows.
    const int offset = variableRows_ ? 0 : firstTextColumn_;
    for (int id = firstId; id < firstId + int(count); ++id) {
        if (id < 0 || id >= elementCount_)
            continue;
        fill_texts(id);

        int pos = rows_.row_of(id);
        if (pos >= 0) {
            for (int k = offset; k < columns; ++k)
                set_cell_text(pos, k, k - offset < rowTextList_.size() ? rowTextList_[k - offset] : QString());
            setCurrentCell(pos, 0);
            continue;
        }
        pos = rows_.lower_bound(id);
        insertRow(pos);
        for (int k = 0; k < columns; ++k)
            setItem(pos, k, new QTableWidgetItem(k - offset >= 0 && k - offset < rowTextList_.size()
                                                     ? rowTextList_[k - offset]
                                                     : QString()));
        rows_.insert_run(pos, id, 1);
        setCurrentCell(pos, 0);
    }
}

void c_qtablewidget_functab::removeCurrentRow(int id, quint16 count)
{
    if (!hasLayout_ || id < 0)
        return;
    const int c = rows_.row_of(id);
    if (c < 0)
        return;
    // A fixed table may have more rows than records shown.
    for (int n = 0; n < count && c < rowCount() && c < rows_.size(); ++n) {
        removeRow(c);
        rows_.remove_run(c, 1);
        if (c >= rowCount()) {
            if (rowCount() > 0)
                setCurrentCell(c - 1, 0);
            return;
        }
        setCurrentCell(c, 0);
    }
}

void c_qtablewidget_functab::selectRowById(int id)
{
    // (-1, 0) is no cell: the current row is cleared.
    setCurrentCell(rows_.row_of(id), 0);
}

int c_qtablewidget_functab::currentRowIndex() const
{
    const int row = currentRow();
    return rows_.id_at(row);
}

void c_qtablewidget_functab::setRowTexts(int row, QStringList* texts)
{
    if (!texts || row < 0 || row >= rowCount())
        return;
    for (int k = firstTextColumn_; k < columnCount() && k - firstTextColumn_ < texts->size(); ++k)
        set_cell_text(row, k, texts->at(k - firstTextColumn_));
}

int c_qtablewidget_functab::rowOfId(int id) const
{
    return rows_.row_of(id);
}
