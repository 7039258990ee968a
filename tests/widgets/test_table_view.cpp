// Filtered table view: filter cases, filter row, rows kept in step with the records, index
// offset, check-box signals, sorting, and that cell texts are made only for cells shown.
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItem>
#include <cstring>
#include <vector>

#include "qt_app_env.h"
#include "widgets/c_qrecord_model.h"
#include "widgets/c_qsrtf_se.h"
#include "widgets/c_qtableview_functab.h"
#include "widgets/column_filter.h"

namespace {

column_filter_record make_filter(qint32 type, qint32 kind, qint32 min, qint32 max, const QString& pattern = {})
{
    column_filter_record r;
    r.filterable = 1;
    r.active = 1;
    r.type = type;
    r.kind = kind;
    r.min = min;
    r.max = max;
    r.pattern = pattern;
    return r;
}

TEST(ColumnFilter, CellCases)
{
    struct row {
        column_filter_record rec;
        const char* text;
        bool passes;
    };
    const row cases[] = {
        {make_filter(filter_range, filter_hex, 10, 20), "0AH", true},
        {make_filter(filter_range, filter_hex, 10, 20), "14h", true},
        {make_filter(filter_range, filter_hex, 10, 20), "15H", false},
        {make_filter(filter_range, filter_hex, 10, 20), " 0aH ", true},
        {make_filter(filter_equal, filter_text, 0, 0, "AB*"), "abc", true},
        {make_filter(filter_equal, filter_text, 0, 0, "AB*"), "xab", false},
        {make_filter(filter_equal, filter_text, 0, 0, "a?c"), "ABC", true},
        {make_filter(filter_equal, filter_text, 0, 0, "a.c"), "abc", false},  // no regular expression
        {make_filter(filter_equal, filter_text, 0, 0, "[xy]1"), "Y1", true},
        {make_filter(filter_equal, filter_text, 0, 0, "[z-a]*"), "[z-a]bc", true},  // not an expression: literal
        {make_filter(filter_at_most, filter_text, 0, 0, "zzz"), "abc", true},  // text: only "equal" tests
        {make_filter(filter_at_least, filter_hundredths, 150, 0), "1.5", true},
        {make_filter(filter_at_least, filter_hundredths, 150, 0), "1.49", false},
        {make_filter(filter_at_least, filter_hundredths, 115, 0), "1.15", true},  // not 114.999...
        {make_filter(filter_equal, filter_hundredths, 29, 0), "0.29", true},
        {make_filter(filter_at_most, filter_number, 0, 5), "5", true},
        {make_filter(filter_at_most, filter_number, 0, 5), "5.5", false},
        {make_filter(filter_equal, filter_number, 0, 0), "garbage", true},  // unreadable reads as 0
        {make_filter(filter_none, filter_number, 7, 7), "3", true},
        {make_filter(9, filter_number, 7, 7), "3", true},
    };
    for (const row& c : cases)
        EXPECT_EQ(cell_passes_filter(QString::fromLatin1(c.text), c.rec), c.passes)
            << c.text << " type " << c.rec.type << " kind " << c.rec.kind;
}

TEST(ColumnFilter, ConditionTexts)
{
    struct row {
        qint32 type, kind, min, max;
        const char* pattern;
        const char* text;
    };
    const row cases[] = {
        {0, 0, 1, 5, "", "< 5"},         {1, 0, 1, 5, "", "> 1"},         {2, 0, 1, 5, "", "= 1"},
        {3, 0, 1, 5, "", "1-5"},         {4, 0, 1, 5, "", ""},            {7, 0, 1, 5, "", "SWERR"},
        {0, 1, 150, 275, "", "< 2.75"},  {3, 1, 150, 275, "", "1.50-2.75"}, {9, 1, 1, 1, "", "SWERR"},
        {3, 2, 10, 20, "%02XH", "0AH"},  {2, 3, 0, 0, "AB*", "AB*"},      {0, 3, 0, 0, "AB*", ""},
        {2, 2, 10, 0, "%s", "AH"},  // a format that does not take one integer is never used
        {2, 2, 10, 0, "%999999d", "AH"},
    };
    for (const row& c : cases) {
        column_filter_record r;
        r.type = c.type;
        r.kind = c.kind;
        r.min = c.min;
        r.max = c.max;
        r.pattern = QString::fromLatin1(c.pattern);
        EXPECT_EQ(filter_condition_text(r), QString::fromLatin1(c.text)) << c.type << "/" << c.kind;
    }
}

// Records of 8 bytes: in-use word, a number and a hexadecimal code.
struct table_fixture : ::testing::Test {
    static constexpr int record_size = 8;
    std::vector<unsigned char> records;
    int textCalls = 0;
    c_qtableview_functab view;

    static qint16 word(const void* rec, int offset)
    {
        qint16 v;
        std::memcpy(&v, static_cast<const unsigned char*>(rec) + offset, 2);
        return v;
    }
    void set_record(int p, qint16 used, qint16 number, qint16 code)
    {
        std::memcpy(&records[std::size_t(p) * record_size], &used, 2);
        std::memcpy(&records[std::size_t(p) * record_size + 2], &number, 2);
        std::memcpy(&records[std::size_t(p) * record_size + 4], &code, 2);
    }
    void build(int count, int fixedRows, int offset = 0)
    {
        records.assign(std::size_t(count) * record_size, 0);
        const QStringList columns{"Tick", "Number", "Code", "Name"};
        const quint16 widths[] = {30, 60, 60, 80};
        table_view_options opt;
        opt.checkColumn = 1;
        opt.fixedRows = fixedRows;
        opt.indexOffset = offset;
        opt.filterableMask[0] = 0b1110;  // every column but the check box
        view.setup(0, nullptr, &columns, 20, widths,
                   [](int, const void* rec) { return word(rec, 0) != 0; },
                   [this](int index, const void* rec, QStringList* texts) {
                       ++textCalls;
                       texts->clear();
                       *texts << QString() << QString::number(word(rec, 2))
                              << QString::asprintf("%02XH", unsigned(word(rec, 4)))
                              << QStringLiteral("rec%1").arg(index);
                   },
                   0, &opt);
        view.set_array_geometry(records.data(), count, record_size);
    }
    QVector<int> visible()
    {
        QVector<int> v;
        view.visible_array_indices(&v);
        return v;
    }
    QString cell(int position, int column)
    {
        QStandardItem* it = view.item_of_array_index(position, column);
        return it ? it->text() : QStringLiteral("<none>");
    }
};

TEST_F(table_fixture, FilterRowAndFilteringThroughTheProxy)
{
    build(10, 1);
    for (int p = 0; p < 10; ++p)
        set_record(p, p % 2 == 0 ? 1 : 0, qint16(p * 10), qint16(p + 8));
    view.refill_rows(0);
    EXPECT_EQ(visible(), (QVector<int>{0, 2, 4, 6, 8}));

    *view.column_filter(2) = make_filter(filter_range, filter_hex, 10, 14, "%02XH");  // codes 0AH..0EH
    view.set_filter_active(0, 0, false);
    view.invalidate_filter();
    // Filtering off: active filters hide nothing, and the filter row shows green cells without text.
    EXPECT_EQ(visible(), (QVector<int>{0, 2, 4, 6, 8}));
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(view.model_item(0, c)->text(), QString());
        EXPECT_EQ(view.model_item(0, c)->background().color(), c_qtableview_functab::filter_colour_idle());
    }

    view.set_filter_active(0, 0, true);
    view.invalidate_filter();
    EXPECT_EQ(visible(), (QVector<int>{2, 4, 6}));  // codes 0AH, 0CH, 0EH
    EXPECT_EQ(view.model_item(0, 2)->text(), QStringLiteral("0AH"));
    EXPECT_EQ(view.model_item(0, 2)->background().color(), c_qtableview_functab::filter_colour_active());
    EXPECT_EQ(view.model_item(0, 1)->background().color(), c_qtableview_functab::filter_colour_idle());
    EXPECT_EQ(view.model_item(0, 0)->background().color(), c_qtableview_functab::filter_colour_off());

    // A second condition on the number column; re-filtering after the records changed.
    *view.column_filter(1) = make_filter(filter_at_least, filter_number, 40, 0);
    view.update_filter_cell(0, 1);
    view.invalidate_filter();
    EXPECT_EQ(visible(), (QVector<int>{4, 6}));
    EXPECT_EQ(view.model_item(0, 1)->text(), QStringLiteral("> 40"));
    set_record(4, 1, 5, 12);
    view.update_rows(4, 1);
    view.invalidate_filter();
    EXPECT_EQ(visible(), (QVector<int>{6}));
    // Records edited in place and only re-filtered: the numbers are read again.
    set_record(2, 1, 90, 10);
    set_record(6, 1, 0, 14);
    view.invalidate_filter();
    EXPECT_EQ(visible(), (QVector<int>{2}));

    // The fixed row stays through every refill.
    view.refill_rows(0);
    EXPECT_EQ(view.item_model()->rowCount(), 1 + 5);
    EXPECT_EQ(view.model_item(0, 2)->text(), QStringLiteral("0AH"));
}

TEST_F(table_fixture, RowsFollowUpdatesAndRemovals)
{
    build(20, 1);
    for (int p : {3, 7, 9})
        set_record(p, 1, qint16(p), 0);
    view.refill_rows(0);
    EXPECT_EQ(view.row_ids(), (std::vector<int>{3, 7, 9}));

    set_record(5, 1, 5, 0);
    view.update_rows(5, 1);  // inserted between 3 and 7, and made current
    EXPECT_EQ(view.row_ids(), (std::vector<int>{3, 5, 7, 9}));
    EXPECT_EQ(view.current_array_index(), 5);
    // Every record's row number stays right, not only the inserted one.
    const qint32* rowOf = view.row_of_id();
    EXPECT_EQ(rowOf[3], 0);
    EXPECT_EQ(rowOf[5], 1);
    EXPECT_EQ(rowOf[7], 2);
    EXPECT_EQ(rowOf[9], 3);
    EXPECT_EQ(rowOf[4], -1);

    set_record(7, 1, 70, 0);
    view.update_rows(7, 1);  // rewritten in place
    EXPECT_EQ(cell(7, 1), QStringLiteral("70"));
    EXPECT_EQ(view.row_ids().size(), 4u);

    view.remove_array_rows(5, 1);
    EXPECT_EQ(view.row_of_id()[7], 1);
    EXPECT_EQ(view.row_of_id()[5], -1);
    EXPECT_EQ(view.item_of_array_index(5, 1), nullptr);  // never the filter row's cell
    view.remove_array_rows(9, 1);  // the last data row: the new last one becomes current
    EXPECT_EQ(view.current_array_index(), 7);
    view.remove_array_rows(3, 2);
    EXPECT_EQ(view.row_ids().size(), 0u);

    // A range of records with gaps goes in as runs; every row number stays right.
    for (int p : {3, 9})
        set_record(p, 1, qint16(p), 0);
    view.refill_rows(0);
    view.update_rows(2, 12);
    EXPECT_EQ(view.row_ids(), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    for (int d = 0; d < int(view.row_ids().size()); ++d)
        EXPECT_EQ(view.row_of_id()[view.row_ids().at(d)], d);
    EXPECT_EQ(view.current_array_index(), 13);
    EXPECT_EQ(cell(9, 1), QStringLiteral("9"));
    view.remove_array_rows(5, 100);  // to the end: the new last row is current
    EXPECT_EQ(view.row_ids(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(view.row_of_id()[9], -1);
    EXPECT_EQ(view.current_array_index(), 4);
    view.remove_array_rows(3, 1);
    EXPECT_EQ(view.current_array_index(), 4);
    EXPECT_EQ(view.row_of_id()[4], 1);

    // Selecting everything reports the first data row in view order, never the fixed row.
    QSignalSpy sel(&view, &c_qtableview_functab::sig_SelectionChanged);
    view.filter_proxy()->sort(3, Qt::DescendingOrder);  // "rec4" before "rec2"
    view.selectAll();
    ASSERT_GE(sel.count(), 1);
    EXPECT_EQ(sel.last().at(0).toInt(), 4);
    view.filter_proxy()->sort(-1);

    // The fixed row is never an array index.
    view.setCurrentIndex(view.model()->index(0, 1));
    EXPECT_EQ(view.current_array_index(), -1);
}

TEST_F(table_fixture, IndexOffsetAndCheckBoxSignals)
{
    build(6, 1, 128);
    for (int p = 0; p < 6; ++p)
        set_record(p, 1, qint16(p), 0);
    view.refill_rows(0);
    EXPECT_EQ(cell(2, 3), QStringLiteral("rec130"));  // the callback sees indices, operations positions

    QSignalSpy cb(&view, &c_qtableview_functab::sig_cb_clicked);
    QSignalSpy sel(&view, &c_qtableview_functab::sig_SelectionChanged);
    QSignalSpy fix(&view, &c_qtableview_functab::sig_fixRow_clicked);
    const QModelIndex tick = view.model()->index(1 + 2, 0);  // data row of position 2
    ASSERT_TRUE(view.model()->flags(tick) & Qt::ItemIsUserCheckable);
    view.model()->setData(tick, Qt::Checked, Qt::CheckStateRole);
    emit view.clicked(tick);
    ASSERT_EQ(cb.count(), 1);
    EXPECT_EQ(cb.at(0).at(0).toInt(), 130);
    EXPECT_EQ(cb.at(0).at(2).value<Qt::CheckState>(), Qt::Checked);
    EXPECT_EQ(view.item_of_array_index(2, 0)->checkState(), Qt::Checked);

    view.select_array_index(133);
    ASSERT_GE(sel.count(), 1);
    EXPECT_EQ(sel.last().at(0).toInt(), 133);
    EXPECT_EQ(view.current_array_index(), 133);

    emit view.clicked(view.model()->index(0, 2));
    ASSERT_EQ(fix.count(), 1);
    EXPECT_EQ(fix.at(0).at(1).toInt(), 2);

    // A caller's colour and state of a cell stay with its record when rows move.
    view.set_row_background(4, -1, Qt::red);
    set_record(0, 0, 0, 0);
    view.remove_array_rows(128, 1);
    EXPECT_EQ(view.item_of_array_index(4, 2)->background().color(), QColor(Qt::red));
    EXPECT_EQ(view.item_of_array_index(2, 0)->checkState(), Qt::Checked);
}

TEST_F(table_fixture, OverlayKeepsTheFilterRowOnTopAndSetRowLeavesTheCurrentRow)
{
    build(50, 1);
    for (int p = 0; p < 50; ++p)
        set_record(p, 1, qint16(p), 0);
    view.resize(300, 200);
    view.show();
    view.refill_rows(10);
    EXPECT_EQ(view.current_array_index(), 10);
    QTableView* overlay = view.frozen_view();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->model()->rowCount(), 1);  // the data rows never reach the overlay
    EXPECT_EQ(overlay->height(), view.rowHeight(0));
    EXPECT_EQ(overlay->width(), view.viewport()->width() + 1);
    view.resize(420, 260);
    QApplication::processEvents();
    EXPECT_EQ(overlay->width(), view.viewport()->width() + 1);
    view.setColumnWidth(2, 111);
    EXPECT_EQ(overlay->columnWidth(2), 111);

    set_record(30, 1, 300, 0);
    view.set_row(30, false);
    EXPECT_EQ(view.current_array_index(), 10);
    EXPECT_EQ(cell(30, 1), QStringLiteral("300"));
    view.set_row(31, true);
    EXPECT_EQ(view.current_array_index(), 31);
}

TEST_F(table_fixture, SortsNumbersAsNumbersBelowTheFixedRow)
{
    build(1500, 1);
    for (int p = 0; p < 1500; ++p)
        set_record(p, 1, qint16((p * 7919) % 1500), 0);
    view.refill_rows(0);
    view.filter_proxy()->sort(1, Qt::DescendingOrder);
    const QAbstractItemModel* m = view.model();
    EXPECT_EQ(m->index(0, 0).data().toString(), QString());  // the filter row stays on top
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral("1499"));
    EXPECT_EQ(m->index(2, 1).data().toString(), QStringLiteral("1498"));
    view.filter_proxy()->sort(-1);
    EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral("0"));
}

TEST_F(table_fixture, TextsAreMadeOnlyForCellsShown)
{
    build(200000, 1);
    for (int p = 0; p < 200000; ++p)
        set_record(p, 1, qint16(p % 1000), qint16(p % 256));
    view.resize(400, 300);
    view.show();
    view.refill_rows(0);
    view.viewport()->repaint();
    EXPECT_LT(textCalls, 2000);
    view.verticalScrollBar()->setValue(150000);
    view.viewport()->repaint();
    EXPECT_LT(textCalls, 4000);
    EXPECT_EQ(view.item_model()->rowCount(), 200001);
}

TEST(TableViewFixedTable, RowLabelsAndFirstTextColumn)
{
    c_qtableview_functab view;
    const QStringList columns{"Label", "Value"};
    const QStringList rows{"first", "second"};
    int values[2] = {11, 22};
    view.setup(2, &rows, &columns, 30, nullptr, nullptr,
               [](int, const void* rec, QStringList* t) { *t << QString::number(*static_cast<const int*>(rec)); }, 1,
               nullptr);
    view.set_array_geometry(values, 2, sizeof(int));
    view.model_item(0, 0)->setText(QStringLiteral("kept"));
    view.refill_rows(0);
    EXPECT_EQ(view.model()->index(0, 0).data().toString(), QStringLiteral("kept"));
    EXPECT_EQ(view.model()->index(1, 1).data().toString(), QStringLiteral("22"));
    // A rewritten row keeps the texts before the first text column too.
    values[0] = 33;
    view.update_rows(0, 1);
    EXPECT_EQ(view.model()->index(0, 0).data().toString(), QStringLiteral("kept"));
    EXPECT_EQ(view.model()->index(0, 1).data().toString(), QStringLiteral("33"));
    EXPECT_EQ(view.model()->headerData(1, Qt::Vertical).toString(), QStringLiteral("second"));
    EXPECT_FALSE(view.verticalHeader()->isHidden());
}

// A record whose text list is empty leaves its cells' texts; rows of a fixed table can be
// removed like those of a dynamic one.
TEST(TableViewFixedTable, EmptyTextListsKeepTheCellsAndRowsCanBeRemoved)
{
    c_qtableview_functab view;
    const QStringList columns{"Label", "Value"};
    int values[3] = {11, -1, 33};
    view.setup(3, nullptr, &columns, 30, nullptr, nullptr,
               [](int, const void* rec, QStringList* t) {
                   const int v = *static_cast<const int*>(rec);
                   if (v >= 0)
                       *t << QString::number(v);
               },
               1, nullptr);
    view.set_array_geometry(values, 3, sizeof(int));
    view.model_item(1, 1)->setText(QStringLiteral("typed"));
    view.refill_rows(0);
    auto text = [&](int row) { return view.model()->index(row, 1).data().toString(); };
    EXPECT_EQ(text(0), QStringLiteral("11"));
    EXPECT_EQ(text(1), QStringLiteral("typed"));
    EXPECT_EQ(text(2), QStringLiteral("33"));

    values[0] = -1;  // no texts now: the cell keeps what it showed
    values[2] = 44;
    view.update_rows(0, 3);
    EXPECT_EQ(text(0), QStringLiteral("11"));
    EXPECT_EQ(text(1), QStringLiteral("typed"));
    EXPECT_EQ(text(2), QStringLiteral("44"));

    view.remove_array_rows(1, 1);
    ASSERT_EQ(view.model()->rowCount(), 2);
    EXPECT_EQ(text(0), QStringLiteral("11"));
    EXPECT_EQ(text(1), QStringLiteral("44"));
    EXPECT_EQ(view.row_ids(), (std::vector<int>{0, 2}));
    EXPECT_EQ(view.row_of_id()[1], -1);
    EXPECT_EQ(view.row_of_id()[2], 1);
    EXPECT_EQ(view.current_array_index(), 2);
    values[2] = 55;
    view.update_rows(2, 1);
    EXPECT_EQ(text(1), QStringLiteral("55"));
    view.remove_array_rows(2, 1);  // the last row: the one before becomes current
    EXPECT_EQ(view.current_array_index(), 0);
    EXPECT_EQ(view.model()->rowCount(), 1);
}

}  // namespace
