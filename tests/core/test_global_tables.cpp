#include <gtest/gtest.h>

#include "core/global_tables.h"

namespace {

TEST(GlobalTables, ListsInTheirOrder)
{
    set_memory_card_search(nullptr);
    build_global_tables();
    const global_tables& t = g_global_tables();
    EXPECT_EQ(t.tool_type_column_labels.size(), 24);
    EXPECT_EQ(t.tool_column_labels.size(), 22);
    EXPECT_EQ(t.pm_tool_column_labels.size(), 15);
    EXPECT_EQ(t.pm_group_labels, QStringList({"Programming", "Status", "Data"}));
    EXPECT_EQ(t.tool_group_labels,
              QStringList({"General", "Break", "Blunt", "Missing", "Tolerance", "X-Tolerance", "Others"}));
    EXPECT_EQ(t.tool_group_labels_short, QStringList({"General", "Break", "Blunt", "Missing", "X-Tolerance", "Others"}));
    EXPECT_EQ(t.tool_type_column_labels.last(), "CntLim");
    EXPECT_EQ(t.tool_column_labels[18], "X-Tolerance");
    EXPECT_EQ(t.pm_tool_column_labels[11], "CntStrt");

    EXPECT_EQ(t.table_group_colours.size(), 6u);
    EXPECT_EQ(t.value_gradient_colours.size(), 10u);
    EXPECT_EQ(t.value_gradient_colours.front(), (rgba_colour{99, 190, 123, 255}));
    const rgba_colour white{255, 255, 255, 255};
    for (const auto* palette : {&t.plot_curve_palette, &t.selftest_curve_palette}) {
        EXPECT_EQ(palette->size(), 11u);
        EXPECT_EQ(palette->back(), white);
    }
    EXPECT_EQ(t.plot_curve_palette[7], (rgba_colour{200, 100, 150, 204}));
    EXPECT_EQ(t.selftest_curve_palette[6], (rgba_colour{20, 210, 10, 255}));
    for (const plot_range* p : {&t.plot_main, &t.plot_zoom, &t.plot_spare}) {
        EXPECT_EQ(p->xMin, 0);
        EXPECT_EQ(p->xMax, 10);
        EXPECT_EQ(p->xTicks, 5);
        EXPECT_EQ(p->yMax, 10);
        EXPECT_EQ(p->yTicks, 5);
    }
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
