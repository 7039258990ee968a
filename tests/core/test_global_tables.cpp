#include <gtest/gtest.h>

#include "core/text/global_tables.h"

namespace {

TEST(GlobalTables, ListsHaveTheirSizes)
{
    set_memory_card_search(nullptr);
    build_global_tables();
    const global_tables& t = g_global_tables();
    EXPECT_EQ(t.tool_type_column_labels.size(), 24);
    EXPECT_EQ(t.tool_column_labels.size(), 22);
    EXPECT_EQ(t.pm_tool_column_labels.size(), 15);
    EXPECT_EQ(t.pm_group_labels.size(), 3);
    EXPECT_EQ(t.tool_group_labels.size(), 7);
    EXPECT_EQ(t.tool_group_labels_short.size(), 6);
    EXPECT_EQ(t.table_group_colours.size(), 6u);
    EXPECT_EQ(t.value_gradient_colours.size(), 10u);
    EXPECT_EQ(t.plot_curve_palette.size(), 11u);
    EXPECT_EQ(t.selftest_curve_palette.size(), 11u);
    EXPECT_FALSE(t.memory_card_found);  // no search installed: no card
}

TEST(GlobalTables, MemoryCardSearchRunsOnceWithSectorSize512)
{
    int calls = 0;
    set_memory_card_search([&](int sector, int32_t* drive) {
        ++calls;
        EXPECT_EQ(sector, 512);
        *drive = 6;
        return 1;
    });
    build_global_tables();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(g_global_tables().memory_card_found);
    EXPECT_EQ(g_global_tables().memory_card_drive, 6);
    EXPECT_FALSE(g_global_tables().memory_card_flag2);
    set_memory_card_search(nullptr);
    g_global_tables().reset();
}

}  // namespace
