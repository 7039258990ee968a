// The PM Tools tab against the simulated controller in the test process: live cycles drawn
// from the sample ring, new records and taught tools, and replies that must not disturb it.
#include <gtest/gtest.h>

#include <QLabel>
#include <algorithm>
#include <memory>

#include "app/link_state.h"
#include "app/shell_state.h"
#include "core/device/device_commands.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/transfer/config_transfer.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_pm_tools.h"
#include "manual/manual_state.h"
#include "sim/demo_program.h"
#include "sim/pm_live.h"
#include "tests/core/device_sim_fixture.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

class pm_tab : public device_sim_test {
protected:
    void SetUp() override
    {
        ui_testing::test_app();
        device_sim_test::SetUp();
        manual_reset_for_tests();
        profile("premium-pm");
        sim::load_demo_program(world());
        g_device().pm_capable = 1;
        g_config_image().header().set_field(hdr::pm_sampling_time, 10);
        error_record e;
        ASSERT_TRUE(read_tool_table_from_device(e)) << e.code;
        page_ = std::make_unique<c_dlgw_manualx>();
        f = page_->form();
        page_->init_from_device(nullptr);
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_pm_tools);
        ui_.boxes.clear();  // the empty function table's note
    }
    void TearDown() override
    {
        page_.reset();
        manual_reset_for_tests();
        g_manual_pm().reset();
        device_sim_test::TearDown();
    }
    // Status replies until the simulated cycle is over and the page has taken its end.
    void run_cycle(int max = 200)
    {
        const device_frame status = device_frame::make(dp::req_status | 0, dp::status_data_count);
        for (int i = 0; i < max; ++i) {
            sim::pm_advance(world());
            page_->on_status_reply(status);
            if (!world().pm.active && world().pm.unread == 0)
                break;
        }
    }
    std::vector<int16_t> online() const { return g_manual_pm().monitor.online; }
    std::unique_ptr<c_dlgw_manualx> page_;
    Ui::c_dlgw_manualx* f = nullptr;
};

TEST_F(pm_tab, entry_shows_the_tab_the_tools_and_the_record_count)
{
    QStringList tabs;
    for (int i = 0; i < f->tab_ManualX->count(); ++i)
        tabs << f->tab_ManualX->tabText(i);
    EXPECT_TRUE(tabs.contains(QStringLiteral("PM Tools")));
    EXPECT_EQ(f->tbvx_PM_Tools->row_ids(), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(f->l_AllToolsState->text(), QStringLiteral("4"));
    EXPECT_TRUE(f->pn_LoadRecordHeaders_Hint->text().startsWith(QStringLiteral("There are 0 records on Tarvix.")));
}

TEST_F(pm_tab, start_cycle_with_a_gap_draws_the_curve_and_brings_its_record)
{
    ASSERT_TRUE(sim::pm_start_cycle(world(), 120, 10, 55, 3, false, 1));
    run_cycle();
    const auto c = online();
    EXPECT_EQ(c.size(), 123u);
    EXPECT_EQ(std::count(c.begin(), c.end(), pm::marker_gap), 3);
    EXPECT_EQ(c[55], pm::marker_gap);
    EXPECT_EQ(world().pm_records.size(), 1u);
    EXPECT_EQ(f->tbvx_PM_Records->row_ids(), (std::vector<int>{0}));
    EXPECT_EQ(f->tbvx_PM_Records->current_array_index(), 0);
    EXPECT_EQ(f->l_AllRecordsState->text(), QStringLiteral("1"));
    EXPECT_EQ(g_manual_pm().monitor.cycle_state, pm::waiting);
}

TEST_F(pm_tab, teach_cycle_rereads_the_tools_and_selects_the_taught_one)
{
    ASSERT_TRUE(sim::pm_start_cycle(world(), 30, 10, 0, 0, true, 2));
    run_cycle();
    EXPECT_EQ(f->tbvx_PM_Tools->current_array_index(), 2);
    // The tool table was read again: the taught tool's new teach count is in the image.
    EXPECT_EQ(le::u32(g_config_image().tool(2).data() + slot::record + tr::counter_teach), 1u);
    EXPECT_TRUE(world().pm_records.empty());
}

TEST_F(pm_tab, a_failed_record_read_loses_that_record_only)
{
    arm("error type=0x2D code=6");
    ASSERT_TRUE(sim::pm_start_cycle(world(), 20, 10, 0, 0, false, 0));
    run_cycle();
    EXPECT_EQ(g_manual_pm().monitor.cycle_state, pm::waiting);
    EXPECT_TRUE(f->tbvx_PM_Records->row_ids().empty());
    ASSERT_TRUE(sim::pm_start_cycle(world(), 20, 10, 0, 0, false, 0));
    run_cycle();
    EXPECT_EQ(f->tbvx_PM_Records->row_ids().size(), 1u);
    EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(pm_tab, short_and_foreign_ring_replies_are_refused)
{
    for (const char* fault : {"short index=0x1B count=20", "echo index=0x1B arg=0x1C"}) {
        ASSERT_TRUE(sim::pm_start_cycle(world(), 20, 10, 0, 0, false, 0));
        sim::pm_advance(world());
        arm(fault);
        error_record e;
        const auto before = g_dev_commands().pm_ring;
        EXPECT_FALSE(dev_query_info_1b(e)) << fault;
        EXPECT_EQ(e.code, 7) << fault;
        EXPECT_EQ(g_dev_commands().pm_ring, before) << fault;
        world().pm.active = false;
        world().pm.unread = 0;
    }
}

TEST_F(pm_tab, a_lost_end_marker_does_not_flood_and_the_next_cycle_is_whole)
{
    // The end of this cycle is never read: the ring entries after its first block are lost.
    ASSERT_TRUE(sim::pm_start_cycle(world(), 100, 10, 0, 0, false, 0));
    run_cycle(3);
    ASSERT_EQ(g_manual_pm().monitor.cycle_state, pm::recording);
    while (world().pm.active)
        sim::pm_advance(world());
    world().pm.unread = 0;
    world().pm.clock += 1000000;  // a long unplug
    ASSERT_TRUE(sim::pm_start_cycle(world(), 40, 10, 0, 0, false, 0));
    run_cycle();
    EXPECT_EQ(online().size(), 40u);
    EXPECT_EQ(f->tbvx_PM_Records->row_ids().size(), 1u);  // the lost cycle's record is not fetched
    EXPECT_EQ(world().pm_records.size(), 2u);
}

TEST_F(pm_tab, clear_all_records_refusal_keeps_everything_ok_empties_all)
{
    ASSERT_TRUE(sim::pm_start_cycle(world(), 20, 10, 0, 0, false, 0));
    run_cycle();
    ASSERT_EQ(f->tbvx_PM_Records->row_ids().size(), 1u);
    // probe_ui answers Ok to every box. A refused clear shows its error and keeps the
    // page's store and view.
    arm("error type=0x4D code=6");
    page_->on_bn_ClearAllRecords_clicked();
    ASSERT_EQ(ui_.boxes.size(), 2u);  // the warning, then the error
    EXPECT_TRUE(ui_.boxes[1].startsWith(QStringLiteral("ERROR")));
    EXPECT_TRUE(g_images().pm_record(0).in_use());
    EXPECT_EQ(f->tbvx_PM_Records->row_ids().size(), 1u);
    ui_.boxes.clear();
    page_->on_bn_ClearAllRecords_clicked();
    EXPECT_EQ(ui_.boxes.size(), 1u);  // only the warning
    EXPECT_TRUE(world().pm_records.empty());
    EXPECT_FALSE(g_images().pm_record(0).in_use());
    EXPECT_TRUE(f->tbvx_PM_Records->row_ids().empty());
    EXPECT_EQ(f->l_AllRecordsState->text(), QStringLiteral("0"));
}

TEST_F(pm_tab, load_all_records_lists_them_and_hides_the_hint)
{
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(sim::pm_start_cycle(world(), 10, 10, 0, 0, false, uint16_t(i)));
        while (world().pm.active)
            sim::pm_advance(world());
    }
    page_->on_bn_LoadRecordHeaders_clicked();
    EXPECT_EQ(f->tbvx_PM_Records->row_ids(), (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(f->pn_LoadRecordHeaders_Hint->isHidden());
}

TEST_F(pm_tab, hidden_test_button_gives_the_link_back)
{
    page_->on_bn_TestSW_clicked();
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);
    EXPECT_EQ(g_manual_pm().monitor.cycle_state, pm::waiting);
}

}  // namespace
