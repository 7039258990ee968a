#include <QHeaderView>
#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

#include "widgets/c_qtablewidget_functab.h"
#include "widgets/testing/test_app.h"

namespace {

// Records of 8 bytes: byte 0 the in-use flag, byte 1 a revision that the row text shows.
constexpr int record_size = 8;

bool in_use(int, const void* record) { return static_cast<const std::uint8_t*>(record)[0] != 0; }

void row_text(int id, const void* record, QStringList* texts)
{
    const auto* r = static_cast<const std::uint8_t*>(record);
    texts->append(QString::number(id));
    texts->append(QStringLiteral("F%1 rev %2").arg(id).arg(r[1]));
}

// Returns fewer texts than the table has columns.
void one_text(int id, const void*, QStringList* texts) { texts->append(QString::number(id)); }

class FuncTab : public ::testing::Test {
protected:
    void SetUp() override
    {
        ui_testing::test_app();
        records.assign(512 * record_size, 0);
    }

    void use(std::initializer_list<int> ids)
    {
        for (int id : ids)
            records[id * record_size] = 1;
    }

    // A dynamic table over the 512 records, refilled.
    void build(c_qtablewidget_functab& t, c_qtablewidget_functab::row_text_fn text = row_text)
    {
        QStringList columns{"No", "Name", "Extra"};
        const quint16 widths[] = {40, 120, 60};
        t.setupTable(0, nullptr, &columns, 30, widths, in_use, text, 0);
        t.setLayoutInfo(records.data(), 512, record_size);
        t.refillRows(0);
    }

    static std::vector<int> ids_of_rows(const c_qtablewidget_functab& t)
    {
        std::vector<int> ids;
        for (int r = 0; r < t.rowCount(); ++r)
            ids.push_back(t.item(r, 0)->text().toInt());
        return ids;
    }

    // The two maps and the cells agree for every record.
    static void expect_maps_consistent(const c_qtablewidget_functab& t)
    {
        ASSERT_EQ(int(t.rowIds().size()), t.rowCount());
        for (int r = 0; r < t.rowCount(); ++r) {
            EXPECT_EQ(t.rowIds()[r], t.item(r, 0)->text().toInt()) << "row " << r;
            EXPECT_EQ(t.rowOfId(t.rowIds()[r]), r) << "row " << r;
        }
        int mapped = 0;
        for (int id = 0; id < 512; ++id)
            mapped += t.rowOfId(id) >= 0 ? 1 : 0;
        EXPECT_EQ(mapped, t.rowCount());
    }

    std::vector<std::uint8_t> records;
};

TEST_F(FuncTab, DynamicTableShowsFilteredRecordsInIdOrder)
{
    use({3, 7, 9});
    c_qtablewidget_functab t;
    build(t);
    EXPECT_EQ(ids_of_rows(t), (std::vector<int>{3, 7, 9}));
    EXPECT_EQ(t.item(1, 1)->text(), "F7 rev 0");
    EXPECT_EQ(t.rowOfId(3), 0);
    EXPECT_EQ(t.rowOfId(7), 1);
    EXPECT_EQ(t.rowOfId(9), 2);
    EXPECT_EQ(t.rowOfId(4), -1);
    EXPECT_EQ(t.rowOfId(511), -1);
    EXPECT_EQ(t.currentRowIndex(), 3);
    EXPECT_FALSE(t.verticalHeader()->isVisible() && t.isVisible());
    EXPECT_EQ(t.editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(t.selectionBehavior(), QAbstractItemView::SelectRows);
    expect_maps_consistent(t);
}

TEST_F(FuncTab, UpdateRowsInsertsInOrderOrRewritesInPlace)
{
    use({3, 7, 9});
    c_qtablewidget_functab t;
    build(t);

    use({5});
    t.updateRows(5, 1);
    EXPECT_EQ(ids_of_rows(t), (std::vector<int>{3, 5, 7, 9}));
    EXPECT_EQ(t.currentRow(), 1);
    EXPECT_EQ(t.currentRowIndex(), 5);
    expect_maps_consistent(t);  // 7 and 9 moved down with their rows

    records[7 * record_size + 1] = 2;
    t.updateRows(7, 1);
    EXPECT_EQ(t.rowCount(), 4);
    EXPECT_EQ(t.item(2, 1)->text(), "F7 rev 2");
    EXPECT_EQ(t.currentRowIndex(), 7);

    t.updateRows(600, 1);  // past the records: nothing
    t.updateRows(0, 0);
    EXPECT_EQ(t.rowCount(), 4);
    expect_maps_consistent(t);
}

TEST_F(FuncTab, ClusterUpdateInsertsFourRowsLastCurrent)
{
    use({3, 7, 9});
    c_qtablewidget_functab t;
    build(t);
    use({4, 5, 6});
    t.updateRows(4, 4);
    EXPECT_EQ(ids_of_rows(t), (std::vector<int>{3, 4, 5, 6, 7, 9}));
    EXPECT_EQ(t.currentRowIndex(), 7);
    expect_maps_consistent(t);

    t.updateRows(508, 4);  // appended at the end
    EXPECT_EQ(ids_of_rows(t).back(), 511);
    EXPECT_EQ(t.currentRowIndex(), 511);
    expect_maps_consistent(t);
}

TEST_F(FuncTab, RemovingRowsKeepsACurrentRowAndTheMaps)
{
    use({3, 4, 5, 6, 7, 9});
    c_qtablewidget_functab t;
    build(t);

    t.removeCurrentRow(4, 4);  // a cluster from the middle
    EXPECT_EQ(ids_of_rows(t), (std::vector<int>{3, 9}));
    EXPECT_EQ(t.currentRowIndex(), 9);
    EXPECT_EQ(t.rowOfId(5), -1);
    expect_maps_consistent(t);

    t.removeCurrentRow(9, 1);  // the last row: the new last one is current
    EXPECT_EQ(ids_of_rows(t), (std::vector<int>{3}));
    EXPECT_EQ(t.currentRowIndex(), 3);

    t.removeCurrentRow(8, 1);  // no row shows 8
    t.removeCurrentRow(-1, 1);
    EXPECT_EQ(t.rowCount(), 1);

    t.removeCurrentRow(3, 1);  // the only row
    EXPECT_EQ(t.rowCount(), 0);
    EXPECT_EQ(t.currentRow(), -1);
    EXPECT_EQ(t.currentRowIndex(), -1);
    expect_maps_consistent(t);
}

TEST_F(FuncTab, RemovingPastTheEndStopsAtTheLastRow)
{
    use({3, 7, 9});
    c_qtablewidget_functab t;
    build(t);
    t.removeCurrentRow(7, 4);
    EXPECT_EQ(ids_of_rows(t), (std::vector<int>{3}));
    EXPECT_EQ(t.currentRowIndex(), 3);
    expect_maps_consistent(t);
}

TEST_F(FuncTab, SelectingAMissingIdClearsTheCurrentRow)
{
    use({3, 7, 9});
    c_qtablewidget_functab t;
    build(t);
    t.selectRowById(9);
    EXPECT_EQ(t.currentRow(), 2);
    t.selectRowById(8);
    EXPECT_EQ(t.currentRow(), -1);
    EXPECT_EQ(t.currentRowIndex(), -1);
}

TEST_F(FuncTab, RefillAfterNewLayoutResetsTheMapAndShortTextsLeaveEmptyCells)
{
    use({3, 7, 9});
    c_qtablewidget_functab t;
    build(t, one_text);
    EXPECT_EQ(t.item(0, 2)->text(), "");
    records[7 * record_size] = 0;
    t.setLayoutInfo(records.data(), 512, record_size);
    EXPECT_EQ(t.rowOfId(7), -1);
    t.refillRows(1);
    EXPECT_EQ(ids_of_rows(t), (std::vector<int>{3, 9}));
    EXPECT_EQ(t.currentRowIndex(), 9);
    expect_maps_consistent(t);
}

TEST_F(FuncTab, WithoutRecordsOrFilterNothingHappens)
{
    use({3});
    c_qtablewidget_functab t;
    QStringList columns{"No", "Name"};
    t.setupTable(0, nullptr, &columns, 0, nullptr, nullptr, row_text, 0);
    t.updateRows(3, 1);  // no record array yet
    t.removeCurrentRow(3, 1);
    EXPECT_EQ(t.rowCount(), 0);
    t.setLayoutInfo(records.data(), 512, record_size);
    t.refillRows(0);  // a dynamic table without filter shows nothing
    EXPECT_EQ(t.rowCount(), 0);
}

void fixed_text(int id, const void*, QStringList* texts)
{
    texts->append(QStringLiteral("a%1").arg(id));
    texts->append(QStringLiteral("b%1").arg(id));
}

TEST_F(FuncTab, FixedTableFillsFromTheFirstTextColumnAndShowsRowLabels)
{
    c_qtablewidget_functab t;
    QStringList columns{"Name", "A", "B"};
    QStringList rows{"Speed", "Angle", "Time"};
    t.setupTable(3, &rows, &columns, 50, nullptr, nullptr, fixed_text, 1);
    t.show();
    EXPECT_TRUE(t.verticalHeader()->isVisible());
    EXPECT_EQ(t.verticalHeaderItem(1)->text(), "Angle");
    EXPECT_EQ(t.verticalHeader()->minimumWidth(), 50);
    t.item(2, 0)->setText("kept");
    t.refillRows(0);
    EXPECT_EQ(t.rowCount(), 3);
    EXPECT_EQ(t.item(2, 0)->text(), "kept");
    EXPECT_EQ(t.item(2, 1)->text(), "a2");
    EXPECT_EQ(t.item(2, 2)->text(), "b2");
    EXPECT_EQ(t.rowOfId(2), -1);  // no map without a record array

    QStringList texts{"x", "y", "surplus"};
    t.setRowTexts(1, &texts);
    EXPECT_EQ(t.item(1, 1)->text(), "x");
    EXPECT_EQ(t.item(1, 2)->text(), "y");

    // More records than rows: the rows show the first records only. Fewer records than rows:
    // a removal stops at the last row that shows one.
    std::vector<std::uint8_t> four(4 * record_size, 0);
    t.setLayoutInfo(four.data(), 4, record_size);
    t.refillRows(0);
    EXPECT_EQ(t.rowIds(), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(t.rowOfId(3), -1);
    t.updateRows(3, 1);
    EXPECT_EQ(int(t.rowIds().size()), t.rowCount());
    t.setLayoutInfo(four.data(), 2, record_size);
    t.refillRows(0);
    ASSERT_EQ(t.rowIds(), (std::vector<int>{0, 1}));
    t.removeCurrentRow(1, 4);
    EXPECT_EQ(t.rowIds(), (std::vector<int>{0}));
    EXPECT_EQ(t.rowCount(), 3);

    c_qtablewidget_functab plain;
    plain.setupTable(3, nullptr, &columns, 0, nullptr, nullptr, fixed_text, 1);
    plain.show();
    EXPECT_FALSE(plain.verticalHeader()->isVisible());
    EXPECT_EQ(plain.item(0, 0)->text(), "");  // every cell holds an item
}

}  // namespace
