#include "widgets/c_qtablewidget_seq.h"

#include <QHeaderView>

#include "widgets/shared_windows_style.h"

c_qtablewidget_seq::c_qtablewidget_seq(QWidget* parent) : QTableWidget(parent)
{
    if (QStyle* s = shared_windows_style())
        setStyle(s);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void c_qtablewidget_seq::setup_columns(QStringList* labels, const quint16* widths)
{
    setup_columns(labels ? *labels : QStringList(), widths);
}

void c_qtablewidget_seq::setup_columns(const QStringList& labels, const quint16* widths)
{
    setRowCount(0);
    setColumnCount(labels.size());
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (int c = 0; c < labels.size(); ++c) {
        if (widths)
            setColumnWidth(c, widths[c]);
        auto* header = new QTableWidgetItem(labels[c]);
        header->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        setHorizontalHeaderItem(c, header);
    }
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
}

void c_qtablewidget_seq::append_row(QStringList* texts) { append_row(texts ? *texts : QStringList()); }

void c_qtablewidget_seq::append_row(const QStringList& texts)
{
    const int row = rowCount();
    insertRow(row);
    for (int c = 0; c < columnCount(); ++c)
        setItem(row, c, new QTableWidgetItem(c < texts.size() ? texts[c] : QString()));
    setCurrentCell(row, 0);
}

void c_qtablewidget_seq::clear_rows() { setRowCount(0); }

void c_qtablewidget_seq::select_row(int row)
{
    const int n = rowCount();
    if (n == 0)
        return;
    if (row < 0)
        row = n - 1;
    else if (row >= n)
        return;
    setCurrentCell(row, 0);
}
