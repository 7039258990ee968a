// The rows of the record tables: ids by row and rows by id through runs of inserts and
// removals, checked against a model that rebuilds the reverse map from scratch.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "widgets/row_index.h"

namespace {

// Every shown id maps to its row, every other id to -1.
void expect_consistent(const row_index& r, const std::vector<int>& ids)
{
    ASSERT_EQ(r.ids(), ids);
    std::vector<int> rows(size_t(r.id_count()), -1);
    for (size_t k = 0; k < ids.size(); ++k)
        if (ids[k] < r.id_count())
            rows[size_t(ids[k])] = int(k);
    for (int id = 0; id < r.id_count(); ++id)
        EXPECT_EQ(r.row_of(id), rows[size_t(id)]) << "id " << id;
    for (int row = 0; row < r.size(); ++row)
        EXPECT_EQ(r.id_at(row), ids[size_t(row)]);
}

TEST(RowIndex, RunsGoInAndOutWithTheReverseMapInStep)
{
    struct step {
        const char* what;
        std::function<void(row_index&)> change;
        std::vector<int> ids;
    };
    const step steps[] = {
        {"append", [](row_index& r) { r.append(3), r.append(7), r.append(9); }, {3, 7, 9}},
        {"run in the middle", [](row_index& r) { r.insert_run(r.lower_bound(4), 4, 3); }, {3, 4, 5, 6, 7, 9}},
        {"run at the top", [](row_index& r) { r.insert_run(0, 0, 2); }, {0, 1, 3, 4, 5, 6, 7, 9}},
        {"run at the end", [](row_index& r) { r.insert_run(r.size(), 10, 2); }, {0, 1, 3, 4, 5, 6, 7, 9, 10, 11}},
        {"remove a run", [](row_index& r) { r.remove_run(2, 4); }, {0, 1, 7, 9, 10, 11}},
        {"remove past the end", [](row_index& r) { r.remove_run(4, 99); }, {0, 1, 7, 9}},
        {"remove the first", [](row_index& r) { r.remove_run(0, 1); }, {1, 7, 9}},
        {"remove outside", [](row_index& r) { r.remove_run(3, 1), r.remove_run(-1, 1); }, {1, 7, 9}},
        {"empty run", [](row_index& r) { r.insert_run(1, 2, 0); }, {1, 7, 9}},
        {"clear", [](row_index& r) { r.clear(); }, {}},
    };
    row_index r;
    r.reset(12);
    for (const step& s : steps) {
        SCOPED_TRACE(s.what);
        s.change(r);
        expect_consistent(r, s.ids);
    }
}

TEST(RowIndex, LookupsOutsideTheRangeFindNothing)
{
    row_index r;
    EXPECT_EQ(r.rows_by_id(), nullptr);
    EXPECT_EQ(r.row_of(0), -1);
    r.reset(4);
    r.append(2);
    const struct {
        int id, row;
    } cases[] = {{-1, -1}, {0, -1}, {2, 0}, {4, -1}, {1000, -1}};
    for (const auto& c : cases)
        EXPECT_EQ(r.row_of(c.id), c.row) << c.id;
    EXPECT_EQ(r.id_at(-1), -1);
    EXPECT_EQ(r.id_at(1), -1);
    EXPECT_EQ(r.lower_bound(1), 0);
    EXPECT_EQ(r.lower_bound(3), 1);
    // Ids beyond the map may be shown; they just have no reverse entry.
    r.append(7);
    expect_consistent(r, {2, 7});
}

TEST(RowIndex, DeferredRenumberingCatchesUpOnceAtTheEnd)
{
    row_index r;
    r.reset(20);
    for (int id : {1, 5, 9, 13})
        r.append(id);
    {
        row_index::deferred_renumber once(r);
        // Runs go in below shown rows, as an update of many records adds them.
        for (int id : {2, 6, 10, 14})
            r.insert_run(r.lower_bound(id), id, 2);
        EXPECT_EQ(r.id_at(r.lower_bound(10)), 10);  // the ids are current meanwhile
    }
    expect_consistent(r, {1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15});
}

}  // namespace
