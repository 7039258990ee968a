#include "widgets/c_qtableview_functab.h"

#include <QDebug>
#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStandardItem>
#include <QStyle>
#include <algorithm>

#include "widgets/c_qfixed_rows_model.h"
#include "widgets/c_qrecord_model.h"
#include "widgets/c_qsrtf_se.h"
#include "widgets/shared_windows_style.h"

QColor c_qtableview_functab::filter_colour_off()
{
    static const QColor c(Qt::gray);
    return c;
}

QColor c_qtableview_functab::filter_colour_idle()
{
    static const QColor c(Qt::green);
    return c;
}

QColor c_qtableview_functab::filter_colour_active()
{
    static const QColor c(Qt::yellow);
    return c;
}

c_qtableview_functab::c_qtableview_functab(QWidget* parent) : QTableView(parent)
{
    // Listeners across threads and signal spies need the check state as a known type.
    qRegisterMetaType<Qt::CheckState>("Qt::CheckState");
    itemModel = new c_qrecord_model(this);
    filterProxy = new c_qsrtf_se(this, this);
    filterProxy->setSourceModel(itemModel);
    setModel(filterProxy);
    if (QStyle* s = shared_windows_style())
        setStyle(s);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(this, &QAbstractItemView::clicked, this, &c_qtableview_functab::on_sig_clicked);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &c_qtableview_functab::on_SelectionChanged);
}

c_qtableview_functab::~c_qtableview_functab()
{
    // The views and the proxy must let go of the records' model before it goes.
    delete frozenView;
    frozenView = nullptr;
    setModel(nullptr);
    filterProxy->setSourceModel(nullptr);
    delete itemModel;
}

const void* c_qtableview_functab::record(int position) const
{
    return elementBase ? elementBase + std::size_t(position) * std::size_t(elementSize) : nullptr;
}

void c_qtableview_functab::row_texts(int position, QStringList* texts) const
{
    if (rowText)
        rowText(position + indexOffset, record(position), texts);
}

QColor c_qtableview_functab::column_background(int column) const
{
    if (!variableRows || colours.isEmpty() || column < 0 || column >= int(columnColour.size()))
        return QColor();
    const int ci = columnColour[std::size_t(column)];
    return ci < colours.size() ? colours.at(ci) : QColor();
}

void c_qtableview_functab::setup(int rowCount, const QStringList* rowLabels, const QStringList* columnLabels,
                                 quint16 rowHeaderMinWidth, const quint16* columnWidths,
                                 table_row_filter rowFilterP, table_row_text rowTextP, int firstTextColumnP,
                                 const table_view_options* options)
{
    rowFilter = std::move(rowFilterP);
    rowText = std::move(rowTextP);
    firstTextColumn = firstTextColumnP;
    variableRows = rowCount <= 0;
    const int n = columnLabels ? columnLabels->size() : 0;

    columnFilters.assign(std::size_t(n), column_filter_record());
    for (int i = 0; i < n; ++i)
        if (options && i < 64)
            columnFilters[std::size_t(i)].filterable = (options->filterableMask[i / 32] >> (i % 32)) & 1u;
    filterOn = false;
    colours.clear();
    columnColour.assign(std::size_t(n), 0);
    headerAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    indexOffset = 0;
    checkColumn = 0;
    fixedRows = 0;

    if (options) {
        if (options->colours) {
            colours = *options->colours;
            if (options->columnColours)
                columnColour.assign(options->columnColours, options->columnColours + n);
        }
        if (options->alignment == 1)
            headerAlignment = Qt::AlignHCenter | Qt::AlignVCenter;
        else if (options->alignment == 2)
            headerAlignment = Qt::AlignRight | Qt::AlignVCenter;
        if (options->indexOffset != 0)
            indexOffset = options->indexOffset;
        checkColumn = options->checkColumn;
        fixedRows = qMax(0, options->fixedRows);
    }

    delete frozenView;
    frozenView = nullptr;
    frozenModel = nullptr;
    rows_.clear();
    elementBase = nullptr;
    elementSize = 0;
    elementCount = variableRows ? 0 : rowCount;
    columnCount = n;
    itemModel->clear_layout(n, fixedRows, variableRows ? 0 : rowCount);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    for (int i = 0; i < n; ++i) {
        if (columnWidths)
            setColumnWidth(i, columnWidths[i]);
        QColor bg;
        if (!colours.isEmpty() && columnColour[std::size_t(i)] < colours.size())
            bg = colours.at(columnColour[std::size_t(i)]);
        itemModel->set_column_header(i, columnLabels->at(i), headerAlignment, bg);
    }
    if (rowLabels && !variableRows) {
        itemModel->set_row_labels(*rowLabels);
        verticalHeader()->show();
    } else {
        verticalHeader()->hide();
    }

    if (fixedRows > 0) {
        frozenView = new QTableView(this);
        fill_fixed_rows();
        frozenModel = new c_qfixed_rows_model(itemModel, fixedRows, frozenView);
        setup_frozen_view();
    }

    verticalHeader()->setMinimumWidth(rowHeaderMinWidth);
    horizontalHeader()->setHighlightSections(false);
    verticalHeader()->setHighlightSections(false);
}

void c_qtableview_functab::fill_fixed_rows()
{
    for (int r = 0; r < fixedRows; ++r)
        for (int c = 0; c < columnCount; ++c) {
            if (QStandardItem* it = itemModel->item(r, c))
                it->setFlags(it->flags() & ~Qt::ItemIsSelectable);
            update_filter_cell(r, c);
        }
}

void c_qtableview_functab::setup_frozen_view()
{
    frozenView->setModel(frozenModel);
    frozenView->setFocusPolicy(Qt::NoFocus);
    frozenView->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozenView->horizontalHeader()->hide();
    frozenView->verticalHeader()->hide();
    frozenView->setStyle(style());
    frozenView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    viewport()->stackUnder(frozenView);
    for (int c = 0; c < columnCount; ++c)
        frozenView->setColumnWidth(c, columnWidth(c));
    frozenView->setRowHeight(0, rowHeight(0));
    frozenView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozenView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozenView->show();
    place_frozen_view();
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    frozenView->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &c_qtableview_functab::updateSectionWidth,
            Qt::UniqueConnection);
    connect(verticalHeader(), &QHeaderView::sectionResized, this, &c_qtableview_functab::updateSectionHeight,
            Qt::UniqueConnection);
    connect(frozenView->horizontalScrollBar(), &QAbstractSlider::valueChanged, horizontalScrollBar(),
            &QAbstractSlider::setValue);
    connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, frozenView->horizontalScrollBar(),
            &QAbstractSlider::setValue);
    connect(frozenView, &QAbstractItemView::clicked, this, &c_qtableview_functab::on_FixRow_clicked);
}

void c_qtableview_functab::place_frozen_view()
{
    if (!frozenView)
        return;
    // Rows labels, when shown, sit left of the cells; the overlay covers the cells only.
    const int labels = verticalHeader()->isHidden() ? 0 : verticalHeader()->width();
    frozenView->setGeometry(frameWidth() - 2 + labels, horizontalHeader()->height() + frameWidth() - 1,
                            viewport()->width() + 1, rowHeight(0));
}

void c_qtableview_functab::set_array_geometry(const void* base, int count, int elementSizeP)
{
    elementBase = static_cast<const unsigned char*>(base);
    elementCount = qMax(0, count);
    elementSize = elementSizeP;
    rows_.reset(elementCount);
    itemModel->records_changed();
}

void c_qtableview_functab::set_current_source(int modelRow, int column)
{
    const QModelIndex pi = filterProxy->mapFromSource(itemModel->index(modelRow, column));
    if (!pi.isValid())
        return;
    setCurrentIndex(pi);
    scrollTo(pi);
}

void c_qtableview_functab::make_current_data_row(int dataRow)
{
    set_current_source(fixedRows + dataRow, 0);
}

void c_qtableview_functab::refill_rows(int position)
{
    itemModel->begin_reset();
    rows_.clear();
    if (variableRows) {
        itemModel->drop_data_items();
        // Without a row filter a built-up table shows no records.
        if (rowFilter) {
            for (int p = 0; p < elementCount; ++p)
                if (rowFilter(p, record(p)))
                    rows_.append(p);
        }
    } else {
        const int rows = qMin(elementCount, itemModel->rowCount() - fixedRows);
        for (int p = 0; p < rows; ++p)
            rows_.append(p);
    }
    itemModel->end_reset();
    if (!variableRows)
        for (int d = 0; d < rows_.size(); ++d)
            write_fixed_row_texts(rows_.id_at(d), d);

    if (!rows_.empty())
        make_current_data_row(qMax(0, rows_.row_of(position)));
}

void c_qtableview_functab::write_fixed_row_texts(int position, int dataRow)
{
    if (!rowText)
        return;
    QStringList texts;
    rowText(position + indexOffset, record(position), &texts);
    // An empty list leaves the cells as they are; a shorter one ends with its last text.
    for (int k = firstTextColumn; k < columnCount && k - firstTextColumn < texts.size(); ++k)
        if (QStandardItem* it = itemModel->item(fixedRows + dataRow, k))
            it->setText(texts.at(k - firstTextColumn));
}

void c_qtableview_functab::update_rows(int firstIndex, int count)
{
    update_rows_impl(firstIndex, count, true);
}

void c_qtableview_functab::update_rows_impl(int firstIndex, int count, bool makeCurrent)
{
    // Rows of other records move when rows go in; their entries are brought up to date once,
    // from the first row that moved, rather than after every insert.
    row_index::deferred_renumber once(rows_);
    // A fixed table keeps its cells' texts here: write_fixed_row_texts replaces them.
    const int textFrom = variableRows ? 0 : columnCount;
    int i = 0;
    while (i < count) {
        const int p = firstIndex - indexOffset + i;
        if (p < 0 || p >= elementCount || rows_.id_count() == 0) {
            ++i;
            continue;
        }
        const int d = rows_.lower_bound(p);
        if (rows_.id_at(d) == p) {
            itemModel->rewrite_position(p, textFrom);
            if (!variableRows)
                write_fixed_row_texts(p, d);
            itemModel->row_changed(fixedRows + d);
            if (makeCurrent)
                make_current_data_row(d);
            ++i;
            continue;
        }
        if (!variableRows) {  // a fixed table has all its rows from the set-up
            ++i;
            continue;
        }
        // The following positions up to the next shown one go into the rows right after it:
        // one insertion for the run.
        const int next = d < rows_.size() ? rows_.id_at(d) : elementCount;
        int k = 1;
        while (i + k < count && p + k < next && p + k < elementCount)
            ++k;
        for (int j = 0; j < k; ++j)
            itemModel->rewrite_position(p + j, 0);
        itemModel->begin_insert(fixedRows + d, k);
        rows_.insert_run(d, p, k);
        itemModel->end_insert();
        if (makeCurrent)
            make_current_data_row(d + k - 1);
        i += k;
    }
}

void c_qtableview_functab::set_row(int index, bool shown)
{
    update_rows_impl(index, 1, shown);
}

void c_qtableview_functab::remove_array_rows(int index, int count)
{
    if (count <= 0)
        return;
    const int p0 = index - indexOffset;
    const int c = rows_.lower_bound(p0);
    if (rows_.id_at(c) != p0)
        return;
    // The consecutive rows go in one removal; removing them one by one would move the rest of
    // a large table once per row.
    const int k = qMin(count, rows_.size() - c);
    itemModel->begin_remove(fixedRows + c, k);
    for (int j = c; j < c + k; ++j)
        itemModel->drop_position_items(rows_.id_at(j));
    rows_.remove_run(c, k);
    if (!variableRows)
        itemModel->remove_fixed_data_rows(k);
    itemModel->end_remove();
    if (c < rows_.size())
        make_current_data_row(c);
    else if (!rows_.empty())
        make_current_data_row(c - 1);
}

void c_qtableview_functab::select_array_index(int index)
{
    const int d = rows_.row_of(index - indexOffset);
    if (d < 0)
        return;
    make_current_data_row(d);
}

int c_qtableview_functab::current_array_index() const
{
    const QModelIndex ci = currentIndex();
    if (!ci.isValid())
        return -1;
    const int p = rows_.id_at(filterProxy->mapToSource(ci).row() - fixedRows);
    return p < 0 ? -1 : p + indexOffset;
}

void c_qtableview_functab::visible_array_indices(QVector<int>* out) const
{
    out->clear();
    const int rows = filterProxy->rowCount();
    for (int i = 0; i < rows; ++i) {
        const int p = rows_.id_at(filterProxy->mapToSource(filterProxy->index(i, 0)).row() - fixedRows);
        if (p >= 0)
            out->append(p);
    }
}

QStandardItem* c_qtableview_functab::item_of_array_index(int position, int column)
{
    const int d = rows_.row_of(position);
    return d < 0 ? nullptr : itemModel->item(fixedRows + d, column);
}

QStandardItem* c_qtableview_functab::model_item(int row, int column)
{
    return itemModel->item(row, column);
}

void c_qtableview_functab::set_row_background(int position, int column, const QColor& colour)
{
    if (column >= 0) {
        if (QStandardItem* it = item_of_array_index(position, column))
            it->setBackground(colour);
        return;
    }
    for (int c = 0; c < columnCount; ++c)
        if (QStandardItem* it = item_of_array_index(position, c))
            it->setBackground(colour);
}

void c_qtableview_functab::set_row_enabled(int position, int column, bool enabled)
{
    if (column >= 0) {
        if (QStandardItem* it = item_of_array_index(position, column))
            it->setEnabled(enabled);
        return;
    }
    for (int c = 0; c < columnCount; ++c)
        if (QStandardItem* it = item_of_array_index(position, c))
            it->setEnabled(enabled);
}

column_filter_record* c_qtableview_functab::column_filter(int column)
{
    if (column < 0 || column >= int(columnFilters.size()))
        return nullptr;
    return &columnFilters[std::size_t(column)];
}

void c_qtableview_functab::set_filter_active(int fixedRow, int, bool on)
{
    filterOn = on;
    for (int c = 0; c < columnCount; ++c)
        update_filter_cell(fixedRow, c);
}

void c_qtableview_functab::update_filter_cell(int fixedRow, int column)
{
    if (fixedRow < 0 || fixedRow >= fixedRows || column < 0 || column >= columnCount)
        return;
    QStandardItem* it = itemModel->item(fixedRow, column);
    if (!it)
        return;
    const column_filter_record& rec = columnFilters[std::size_t(column)];
    QColor colour = filter_colour_idle();
    QString text;
    if (filterOn) {
        if (!rec.filterable) {
            colour = filter_colour_off();
        } else if (rec.active) {
            colour = filter_colour_active();
            text = filter_condition_text(rec);
        }
    }
    it->setText(text);
    it->setBackground(colour);
}

void c_qtableview_functab::invalidate_filter()
{
    // Callers edit their records in place before asking for a new test of the rows.
    itemModel->records_changed();
    filterProxy->invalidate();
}

void c_qtableview_functab::on_sig_clicked(const QModelIndex& index)
{
    const QModelIndex src = filterProxy->mapToSource(index);
    if (!src.isValid())
        return;
    const int r = src.row();
    const int c = src.column();
    if (r >= fixedRows && c + 1 == checkColumn) {
        const int p = rows_.id_at(r - fixedRows);
        if (p >= 0) {
            const int arrIndex = p + indexOffset;
            const auto state = Qt::CheckState(itemModel->data(src, Qt::CheckStateRole).toInt());
            qDebug("sig_cb_clicked: arrIndexL: %d  column %d checkState %d", arrIndex, c, int(state));
            emit sig_cb_clicked(arrIndex, c, state);
        }
    }
    if (r < fixedRows)
        emit sig_fixRow_clicked(r, c);
}

void c_qtableview_functab::on_FixRow_clicked(const QModelIndex& index)
{
    emit sig_fixRow_clicked(index.row(), index.column());
    if (horizontalHeader()->stretchLastSection() && index.column() == columnCount - 1)
        frozenView->horizontalScrollBar()->setValue(0);
}

void c_qtableview_functab::on_SelectionChanged(const QItemSelection&, const QItemSelection&)
{
    // Rows by the selection's ranges, not by its cells: a select-all over millions of rows is a
    // single range, and a check-box cell that cannot be selected still leaves its row selected.
    int first = -1;
    int firstProxyRow = -1;
    for (const QItemSelectionRange& range : selectionModel()->selection()) {
        // Only the fixed rows at the top of a range show no record; the range's first data row is its smallest.
        for (int r = range.top(); r <= range.bottom(); ++r) {
            if (firstProxyRow >= 0 && r >= firstProxyRow)
                break;
            const int p = rows_.id_at(filterProxy->mapToSource(filterProxy->index(r, 0)).row() - fixedRows);
            if (p < 0)
                continue;
            firstProxyRow = r;
            first = p + indexOffset;
            break;
        }
    }
    if (first >= 0)
        emit sig_SelectionChanged(first);
}

void c_qtableview_functab::updateSectionWidth(int logicalIndex, int, int newSize)
{
    if (frozenView)
        frozenView->setColumnWidth(logicalIndex, newSize);
}

void c_qtableview_functab::updateSectionHeight(int logicalIndex, int, int newSize)
{
    if (frozenView && logicalIndex == 0) {
        frozenView->setRowHeight(0, newSize);
        place_frozen_view();
    }
}

void c_qtableview_functab::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    place_frozen_view();
}

void c_qtableview_functab::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    if (frozenView && index.row() == 0)
        return;
    QTableView::scrollTo(index, hint);
}

QModelIndex c_qtableview_functab::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    if (frozenView && cursorAction == MoveUp && current.row() > 0) {
        const int top = visualRect(current).top();
        const int covered = frozenView->rowHeight(0);
        if (top < covered) {
            if (verticalScrollMode() == ScrollPerPixel)
                verticalScrollBar()->setValue(verticalScrollBar()->value() + top - covered);
            else
                verticalScrollBar()->setValue(verticalScrollBar()->value() - 1);
        }
    }
    return current;
}
