// The program window's own rules: which function-table and command buttons are enabled,
// the scanner combo helpers behind the sorting proxy, and the test-scan frame.
#include <gtest/gtest.h>

#include <QStandardItemModel>
#include <array>
#include <memory>

#include "core/device/command_mailbox.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/tool_records.h"
#include "page_common/tool_cells.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlgw_program.h"
#include "widgets/testing/test_app.h"

namespace {

struct page_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        page = std::make_unique<c_dlgw_program>();
        f = page->form();
    }
    void TearDown() override
    {
        page.reset();
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
    }
    // The first `rows` functions in use, shown in the table.
    void use_functions(int rows)
    {
        for (uint32_t n = 0; n < image_layout::function_count; ++n)
            g_config_image().function(n).set_in_use(int(n) < rows);
        f->tbwx_FuncTab->refillRows(0);
    }
    testing_support::recording_ui ui_;
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(page_test, table_and_command_buttons_follow_rows_source_variant_and_ready_flag)
{
    struct row {
        int rows, source;
        bool basic, ready;
        bool add, edit, commands, stop_enabled, stop_shown, teach_rl, start_rl;
    };
    const row cases[] = {
        {0, 1, false, false, true, false, false, false, true, false, false},
        {1, 1, false, false, true, true, true, true, true, false, false},
        {507, 1, false, false, true, true, true, true, true, false, false},
        {508, 1, false, false, false, true, true, true, true, false, false},
        {5, 2, false, true, true, true, false, false, true, false, false},
        {4, 1, true, false, true, true, true, false, false, false, true},
        {4, 1, true, true, true, true, true, false, false, true, true},
        {4, 2, true, true, true, true, false, false, false, false, false},
    };
    for (const row& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, source " << c.source << (c.basic ? ", Basic" : "")
                                        << (c.ready ? ", ready" : ""));
        g_device().family_flag = c.basic ? 1 : 0;
        g_program_document().source = c.source;
        g_status().teach_permitted = c.ready;
        for (QWidget* w : {f->bn_Teach_R, f->bn_Teach_L, f->bn_Start_R, f->bn_Start_L})
            w->setEnabled(false);
        use_functions(c.rows);
        page->update_table_buttons();
        EXPECT_EQ(f->bn_New->isEnabled(), c.add);
        EXPECT_EQ(f->bn_New_RL->isEnabled(), c.add);
        EXPECT_EQ(f->bn_Change->isEnabled(), c.edit);
        EXPECT_EQ(f->bn_Delete->isEnabled(), c.edit);
        EXPECT_EQ(f->bn_Teach->isEnabled(), c.commands);
        EXPECT_EQ(f->bn_Start->isEnabled(), c.commands);
        EXPECT_EQ(f->bn_Stop->isEnabled(), c.stop_enabled);
        EXPECT_EQ(!f->bn_Stop->isHidden(), c.stop_shown);
        EXPECT_EQ(f->bn_Teach_R->isEnabled(), c.teach_rl);
        EXPECT_EQ(f->bn_Teach_L->isEnabled(), c.teach_rl);
        EXPECT_EQ(f->bn_Start_L->isEnabled(), c.start_rl);
    }
    // One row fewer than the limit: adding is possible again.
    g_device().family_flag = 0;
    use_functions(508);
    page->update_table_buttons();
    ASSERT_FALSE(f->bn_New->isEnabled());
    g_config_image().function(100).set_in_use(false);
    f->tbwx_FuncTab->removeCurrentRow(100, 1);
    page->update_table_buttons();
    EXPECT_TRUE(f->bn_New->isEnabled());
}

TEST_F(page_test, scanner_helpers_work_through_the_sorting_proxy)
{
    QStandardItemModel* m = program_scanner_model();
    ASSERT_NE(m, nullptr);
    // Rows go in at the top, so the model order is the reverse of adding; the list sorts by text.
    for (auto [text, id] : {std::pair<const char*, int>{"B scanner", 7}, {"C scanner", 3}, {"A scanner", 12}}) {
        m->insertRow(0);
        m->setData(m->index(0, 0), QString::fromLatin1(text));
        m->setData(m->index(0, 1), id);
    }
    EXPECT_EQ(f->cb_GS_Scanner->itemText(0), QStringLiteral("A scanner"));
    combo_select_by_data(3);
    EXPECT_EQ(f->cb_GS_Scanner->currentText(), QStringLiteral("C scanner"));
    EXPECT_EQ(combo_current_data(), 3);
    combo_select_by_data(99);  // no item carries it: the selection stays
    EXPECT_EQ(combo_current_data(), 3);
    combo_select_by_data(12);
    EXPECT_EQ(f->cb_GS_Scanner->currentIndex(), 0);
    EXPECT_EQ(combo_current_data(), 12);
}

TEST_F(page_test, test_scan_replaces_the_queue_with_one_frame_from_the_defaults)
{
    for (bool basic : {false, true}) {
        SCOPED_TRACE(basic ? "Basic" : "Premium");
        g_device().family_flag = basic ? 1 : 0;
        f->cb_DS_DefaultIntensity->clear();
        f->cb_DS_DefaultIntensity->addItems({"a", "b", "c", "d"});
        f->cb_DS_DefaultIntensity->setCurrentIndex(2);
        device_frame stale;
        stale[4] = 1;
        queue_set_three(stale, stale, stale);
        page->send_test_scan_command(0x2004);
        ASSERT_EQ(command_mailbox().count, 1);
        const device_frame& fr = command_mailbox().frames[0];
        device_frame expected;
        function_record_to_request(byte_view(expected.data(), device_protocol::frame_size));
        EXPECT_EQ(fr[1], 0xBB);
        EXPECT_EQ(fr[2], 0x02);
        EXPECT_EQ(fr[3], 0x37);
        EXPECT_EQ(fr[4], 8);
        EXPECT_EQ(fr.u16(5), 0xFFFF);
        EXPECT_EQ(fr[20], 1);
        EXPECT_EQ(fr[35], uint8_t(intensity_to_device(2)));
        for (size_t i = 7; i < device_protocol::frame_size; ++i)
            if (i != 20 && i != 35) {
                EXPECT_EQ(fr[i], expected[i]) << i;
            }
        EXPECT_EQ(g_status().teach_code, 0x2004);
    }
}

TEST_F(page_test, tool_cells_show_the_record_fields)
{
    config_image& img = g_config_image();
    // Tool type 5 "Drill": break limit -1.50 relative, X-tolerance 3 - 4.
    tool_type_slot t = img.tool_type(5);
    t.set_in_use(1);
    byte_view tt = t.record();
    tt.set_text(2, 32, "Drill");
    tt.set_u8(118, 2);
    tt.set_i16(119, -150);
    tt.set_u32(114, 1);
    tt.set_u8(38, 3);
    tt.set_u8(39, 4);
    tt.set_u32(52, 4);
    tt.set_i16(60, 1234);
    QStringList cells;
    tool_type_cells(5, t.data(), &cells);
    ASSERT_EQ(cells.size(), 24);
    EXPECT_EQ(cells[0], QStringLiteral("005"));
    EXPECT_EQ(cells[1], QStringLiteral("Drill"));
    EXPECT_EQ(cells[2], QStringLiteral("En"));
    EXPECT_EQ(cells[3], QStringLiteral("-1.50 R"));
    EXPECT_EQ(cells[15], QStringLiteral("0.00 A"));
    EXPECT_EQ(cells[17], QStringLiteral("12.34 R"));
    EXPECT_EQ(cells[18], QStringLiteral("3 - 4"));

    struct row {
        int16_t type;
        int8_t tolerance;
        const char* type_text;
        const char* tolerance_text;
    };
    // A tool-type number outside the 256 slots has no name to show.
    for (const row& r : {row{5, 2, "Drill", "Medium"}, row{5, 1, "Drill", "Fine"}, row{5, 0, "Drill", "----"},
                         row{5, 4, "Drill", "----"}, row{0, 2, "", "----"}, row{300, 3, "----", "High"},
                         row{-1, 3, "----", "High"}, row{-4, 9, "----", "----"}}) {
        SCOPED_TRACE(r.type);
        tool_slot tool = img.tool(7);
        tool.set_in_use(1);
        byte_view rec = tool.record();
        // A name filling its whole field is read within it.
        for (uint32_t i = 0; i < 32; ++i)
            rec.set_u8(16 + i, 'N');
        rec.set_u16(0, 0x0012);
        rec.set_i16(52, r.type);
        rec.set_u8(54, uint8_t(r.tolerance));
        rec.set_i32(202, 777);
        rec.set_i16(206, -5);
        cells.clear();
        tool_view_display_cb1(7, tool.data(), &cells);
        ASSERT_EQ(cells.size(), 15);
        EXPECT_EQ(cells[1], QStringLiteral("007"));
        EXPECT_EQ(cells[2], QString(32, QLatin1Char('N')));
        EXPECT_EQ(cells[5], QString::fromLatin1(r.type_text));
        EXPECT_EQ(cells[6], QString::fromLatin1(r.tolerance_text));
        EXPECT_EQ(cells[7], QStringLiteral("12H"));
        EXPECT_EQ(cells[12], QStringLiteral("777"));
        EXPECT_EQ(cells[13], QStringLiteral("-0.05"));
    }
}

// Every cell of a tool-type row and of the custom row reads its own field: each field holds
// a value no other field holds, so that two fields read in each other's place show.
TEST_F(page_test, every_cell_of_a_tool_type_row_reads_its_own_field)
{
    tool_type_slot t = g_config_image().tool_type(6);
    t.set_in_use(1);
    byte_view tt = t.record();
    tt.set_text(2, 32, "Reamer");
    tt.set_u8(118, 1), tt.set_i16(119, 101), tt.set_i16(125, 102), tt.set_i32(121, 103), tt.set_u32(114, 1);
    tt.set_u8(95, 2), tt.set_i16(96, 104), tt.set_i16(104, 105), tt.set_i32(98, 106), tt.set_i16(102, 107);
    tt.set_u32(91, 2);
    tt.set_u8(74, 3), tt.set_i16(75, 108), tt.set_i16(81, 109), tt.set_i32(77, 110), tt.set_u32(70, 3);
    tt.set_i16(56, 111), tt.set_i16(58, 112), tt.set_i16(60, 113), tt.set_u32(52, 5);
    for (uint32_t off = 38; off < 44; ++off)
        tt.set_u8(off, uint8_t(off - 27));  // 11 to 16
    tt.set_i32(139, 117), tt.set_u32(151, 0x0F), tt.set_i32(167, 118);
    QStringList cells;
    tool_type_cells(6, t.data(), &cells);
    EXPECT_EQ(cells, QStringList({"006", "Reamer",                                      //
                                  "Si", "1.01 R", "1.02", "103",                         // Break
                                  "En", "1.04 A", "1.05", "106", "1.07",                 // Blunt
                                  "--", "1.08 R", "1.09", "110",                         // Missing
                                  "1.11 R", "1.12 A", "1.13 R",                          // Tolerance
                                  "11 - 12", "13 - 14", "15 - 16", "117", "1", "118"}));

    std::array<uint8_t, tool_record_size> tool{};
    byte_view r(tool.data(), uint32_t(tool.size()));
    r.set_u8(125, 2), r.set_i16(126, 201), r.set_i16(128, 202), r.set_i16(134, 203), r.set_i32(130, 204);
    r.set_u32(121, 1);
    r.set_u8(96, 1), r.set_i16(97, 205), r.set_i16(99, 206), r.set_i16(111, 207), r.set_i32(101, 208);
    r.set_i16(105, 209), r.set_u32(92, 2);
    r.set_u8(73, 0), r.set_i16(74, 210), r.set_i16(76, 211), r.set_i16(82, 212), r.set_i32(78, 213);
    r.set_u32(69, 3);
    r.set_u8(59, 21), r.set_u8(60, 22), r.set_i32(148, 214), r.set_u32(160, 0x0F), r.set_i32(186, 215);
    cells.clear();
    custom_tool_type_cells(9, tool.data(), &cells);
    EXPECT_EQ(cells, QStringList({"009", "Custom",                                          //
                                  "En", "2.01 R", "2.02 A", "2.03", "204",                   // Break
                                  "Si", "2.05 A", "2.06 R", "2.07", "208", "2.09",           // Blunt
                                  "--", "2.10 R", "2.11 R", "2.12", "213",                   // Missing
                                  "21 - 22", "214", "1", "215"}));
}

}  // namespace
