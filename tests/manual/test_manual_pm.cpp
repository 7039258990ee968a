// The PM Tools tab against the simulated controller in the test process: live cycles drawn
// from the sample ring, new records and taught tools, and replies that must not disturb it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <algorithm>
#include <atomic>
#include <memory>

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/transfer/config_transfer.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_pm_tools.h"
#include "manual/manual_state.h"
#include "page_common/c_dlg_plotter.h"
#include "platform/clock.h"
#include "procmon/pm_csv.h"
#include "sim/demo_program.h"
#include "sim/pm_live.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/core/device_sim_fixture.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/testing/scripted_ui.h"
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
        g_objects().plotter = nullptr;
        plotter_.reset();
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
    // The page entered again with a plotter of its own, which takes the online curve.
    c_dlg_plotter& enter_with_plotter()
    {
        plotter_ = std::make_unique<c_dlg_plotter>();
        g_objects().plotter = plotter_.get();
        page_->init_from_device(nullptr);
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_pm_tools);
        return *plotter_;
    }
    std::unique_ptr<c_dlg_plotter> plotter_;
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
    EXPECT_EQ(f->l_AllToolsState->text(), QStringLiteral("4 rows, 160 cnt"));
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
    EXPECT_EQ(f->l_AllRecordsState->text(), QStringLiteral("1 rows, 120 cnt"));
    EXPECT_EQ(g_manual_pm().monitor.cycle_state, pm::waiting);
}

QStringList g_traces;
void keep_cycle_traces(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg && (text.startsWith(QLatin1String("PM_CycleZst")) || text.endsWith(QLatin1String("etected"))))
        g_traces << text;
}

TEST_F(pm_tab, a_start_and_a_teach_cycle_leave_their_developer_traces)
{
    g_traces.clear();
    const QtMessageHandler old = qInstallMessageHandler(keep_cycle_traces);
    ASSERT_TRUE(sim::pm_start_cycle(world(), 30, 10, 0, 0, false, 1));
    run_cycle();
    ASSERT_TRUE(sim::pm_start_cycle(world(), 30, 10, 0, 0, true, 2));
    run_cycle();
    qInstallMessageHandler(old);
    EXPECT_EQ(g_traces, (QStringList{"PM_CycleZst = 1", "PM_CycleZst = 2", "Start detected", "PM_CycleZst = 1",
                                     "PM_CycleZst = 2", "Teach Detected", "PM_CycleZst = 1"}));
}

TEST_F(pm_tab, entry_brings_the_plotter_back_to_auto_and_leaving_keeps_its_curves)
{
    plotter_ = std::make_unique<c_dlg_plotter>();
    g_objects().plotter = plotter_.get();
    plotter_->on_rbg_SettingsMode_clicked(1);
    ASSERT_FALSE(plotter_->auto_range());
    page_->init_from_device(nullptr);
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_pm_tools);
    EXPECT_TRUE(plotter_->auto_range());

    QStandardItem* item = f->tbvx_PM_Tools->item_of_array_index(2, 0);
    ASSERT_TRUE(item);
    item->setCheckState(Qt::Checked);
    page_->on_tbvx_PM_Tools_cb_clicked(2, 0, Qt::Checked);
    const int slot = plotter_->tool_slot_of(2);
    ASSERT_GE(slot, 0);
    const QVector<qint16> samples = plotter_->slot_samples(slot);
    ASSERT_FALSE(samples.isEmpty());
    page_->hide_plotter();
    EXPECT_FALSE(plotter_->isVisible());
    EXPECT_EQ(plotter_->tool_slot_of(2), slot);
    EXPECT_EQ(plotter_->slot_samples(slot), samples);
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

TEST_F(pm_tab, a_failed_tool_table_read_after_a_teach_is_shown_once_and_the_view_shows_what_was_read)
{
    // Each re-read fails at tool 2, after tools 0 and 1 came whole.
    const size_t pieces = (dp::record222_size + dp::record222_piece - 1) / dp::record222_piece;
    const std::string fail = "error type=0x2C code=6 skip=" + std::to_string(2 * pieces);
    for (uint32_t teach = 1; teach <= 2; ++teach) {
        SCOPED_TRACE(teach);
        // Tool 0 dropped from the page's image: only the re-read brings it back.
        g_config_image().tool(0).set_in_use(0);
        f->tbvx_PM_Tools->refill_rows(0);
        ASSERT_EQ(f->tbvx_PM_Tools->row_ids(), (std::vector<int>{1, 2, 3}));
        arm(fail);
        ASSERT_TRUE(sim::pm_start_cycle(world(), 30, 10, 0, 0, true, 1));
        run_cycle();
        EXPECT_EQ(ui_.boxes.size(), 1u);  // the first failure only
        EXPECT_EQ(f->tbvx_PM_Tools->row_ids(), (std::vector<int>{0, 1, 2, 3}));
        EXPECT_EQ(le::u32(g_config_image().tool(1).data() + slot::record + tr::counter_teach), teach);
        EXPECT_EQ(f->tbvx_PM_Tools->current_array_index(), 1);
    }
    ASSERT_FALSE(ui_.boxes.empty());
    EXPECT_TRUE(ui_.boxes[0].startsWith(QStringLiteral("ERROR"))) << ui_.boxes[0].toStdString();
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

// Answers Cancel to every box.
class cancel_ui final : public ui::services {
public:
    cancel_ui() : before_(&ui::current()) { ui::install(this); }
    ~cancel_ui() override { ui::install(before_); }
    int message(ui::box_kind, const QString&, const QString&, int, int) override
    {
        ++boxes;
        return ui::cancel;
    }
    void progress_begin(const QString&) override {}
    void progress_set(int) override {}
    int progress_value() const override { return 0; }
    void progress_end() override {}
    void process_events() override {}
    QString open_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString existing_directory(QWidget*, const QString&, const QString&) override { return {}; }
    int run_modal(QWidget*) override { return 0; }
    int boxes = 0;

private:
    ui::services* before_;
};

// Time that moves two seconds at every look, so a wait for a reply that never comes ends at
// once.
class hurried_clock final : public platform::clock {
public:
    uint32_t now_ms() override { return now_ += 2000; }
    void sleep_ms(uint32_t) override {}

private:
    std::atomic<uint32_t> now_{1000};
};

TEST_F(pm_tab, clear_all_records_cancel_refusal_and_ok)
{
    testing_support::temp_dir dir;
    const QString here = QString::fromStdString(dir.path());
    ASSERT_TRUE(init_app_dirs(here, here));
    enter_with_plotter();
    // A record, ticked: its curve lies in pm_cache.
    ASSERT_TRUE(sim::pm_start_cycle(world(), 20, 10, 0, 0, false, 0));
    run_cycle();
    ASSERT_EQ(f->tbvx_PM_Records->row_ids().size(), 1u);
    QStandardItem* record = f->tbvx_PM_Records->item_of_array_index(0, 0);
    ASSERT_TRUE(record);
    record->setCheckState(Qt::Checked);
    page_->on_tbvx_PM_Records_cb_clicked(0, 0, Qt::Checked);
    const QString cached = data_file("pm_cache/" + pm_record_name(true, g_images().pm_record(0).record().data()) + ".csv");
    ASSERT_TRUE(QFile::exists(cached));
    ui_.boxes.clear();
    auto kept = [&](const char* what) {
        EXPECT_EQ(world().pm_records.size(), 1u) << what;
        EXPECT_TRUE(g_images().pm_record(0).in_use()) << what;
        EXPECT_EQ(f->tbvx_PM_Records->row_ids().size(), 1u) << what;
        EXPECT_TRUE(QFile::exists(cached)) << what;
    };
    {
        cancel_ui cancel;
        forget();
        page_->on_bn_ClearAllRecords_clicked();
        EXPECT_EQ(cancel.boxes, 1);
        EXPECT_TRUE(sent.empty());  // nothing asked of the controller
        kept("cancel");
    }
    // probe_ui answers Ok to every box. A status reply that never comes: the failed wait is
    // shown and nothing is asked of the controller.
    {
        hurried_clock clock;
        platform::scoped_clock use(clock);
        dev_exchange().status_in_flight = true;
        forget();
        page_->on_bn_ClearAllRecords_clicked();
    }
    ASSERT_EQ(ui_.boxes.size(), 2u);  // the warning, then the error
    EXPECT_TRUE(ui_.boxes[1].startsWith(QStringLiteral("ERROR"))) << ui_.boxes[1].toStdString();
    EXPECT_TRUE(sent.empty());
    kept("failed wait");
    // A refused clear shows its error and keeps the controller's store, the page's, the
    // view and the cached curve.
    ui_.boxes.clear();
    arm("error type=0x4D code=6");
    page_->on_bn_ClearAllRecords_clicked();
    ASSERT_EQ(ui_.boxes.size(), 2u);
    EXPECT_TRUE(ui_.boxes[1].startsWith(QStringLiteral("ERROR")));
    kept("refusal");
    ui_.boxes.clear();
    page_->on_bn_ClearAllRecords_clicked();
    EXPECT_EQ(ui_.boxes.size(), 1u);  // only the warning
    EXPECT_TRUE(world().pm_records.empty());
    EXPECT_FALSE(g_images().pm_record(0).in_use());
    EXPECT_TRUE(f->tbvx_PM_Records->row_ids().empty());
    EXPECT_EQ(f->l_AllRecordsState->text(), QStringLiteral("0 rows, 0 cnt"));
    EXPECT_TRUE(QDir(data_file(QStringLiteral("pm_cache"))).entryList(QDir::Files).isEmpty());
    reset_app_dirs_for_tests();
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

TEST_F(pm_tab, the_plotter_draws_the_online_curve_and_an_untick_does_not_raise_it)
{
    c_dlg_plotter& plotter = enter_with_plotter();
    ASSERT_TRUE(sim::pm_start_cycle(world(), 120, 10, 55, 3, false, 1));
    run_cycle();
    const QVector<qint16>& curve = *plotter.online_curve();
    EXPECT_EQ(std::vector<int16_t>(curve.begin(), curve.end()), online());
    // A tick loads the tool's curve and shows the plotter; an untick of a hidden plotter
    // reloads without raising it.
    QStandardItem* item = f->tbvx_PM_Tools->item_of_array_index(2, 0);
    ASSERT_TRUE(item);
    item->setCheckState(Qt::Checked);
    page_->on_tbvx_PM_Tools_cb_clicked(2, 0, Qt::Checked);
    EXPECT_TRUE(plotter.isVisible());
    EXPECT_GE(plotter.tool_slot_of(2), 0);
    plotter.hide();
    item->setCheckState(Qt::Unchecked);
    page_->on_tbvx_PM_Tools_cb_clicked(2, 0, Qt::Unchecked);
    EXPECT_FALSE(plotter.isVisible());
    EXPECT_EQ(f->l_SelectedToolsState->text(), QStringLiteral("0 rows, 0 cnt"));
}

QByteArray file_bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST_F(pm_tab, a_record_tick_caches_its_curve_and_a_teach_keeps_the_ticked_tool_coloured)
{
    testing_support::temp_dir dir;
    const QString here = QString::fromStdString(dir.path());
    ASSERT_TRUE(init_app_dirs(here, here));
    c_dlg_plotter& plotter = enter_with_plotter();

    // A record from a start cycle, ticked: its curve comes from the controller into the cache.
    ASSERT_TRUE(sim::pm_start_cycle(world(), 40, 10, 0, 0, false, 1));
    run_cycle();
    ASSERT_EQ(world().pm_lists.size(), 1u);
    const std::vector<int16_t> curve = world().pm_lists.begin()->second;
    QStandardItem* record = f->tbvx_PM_Records->item_of_array_index(0, 0);
    ASSERT_TRUE(record);
    record->setCheckState(Qt::Checked);
    page_->on_tbvx_PM_Records_cb_clicked(0, 0, Qt::Checked);
    const uint8_t* rec = g_images().pm_record(0).record().data();
    const QString expected = here + "/expected.csv";
    ASSERT_TRUE(write_curve_csv(curve, rec, expected));
    EXPECT_EQ(file_bytes(data_file("pm_cache/" + pm_record_name(true, rec) + ".csv")), file_bytes(expected));
    const int recordSlot = plotter.record_slot_of(0);
    ASSERT_GE(recordSlot, 0);
    EXPECT_EQ(plotter.slot_samples(recordSlot), QVector<qint16>(curve.begin(), curve.end()));

    // Tool 2 ticked, then taught: the refilled view shows it ticked in its slot's colour.
    QStandardItem* tool = f->tbvx_PM_Tools->item_of_array_index(2, 0);
    ASSERT_TRUE(tool);
    tool->setCheckState(Qt::Checked);
    page_->on_tbvx_PM_Tools_cb_clicked(2, 0, Qt::Checked);
    const int toolSlot = plotter.tool_slot_of(2);
    ASSERT_GE(toolSlot, 0);
    ASSERT_TRUE(sim::pm_start_cycle(world(), 30, 10, 0, 0, true, 2));
    run_cycle();
    tool = f->tbvx_PM_Tools->item_of_array_index(2, 0);
    ASSERT_TRUE(tool);
    EXPECT_EQ(tool->checkState(), Qt::Checked);
    EXPECT_EQ(tool->background().color(), c_dlg_plotter::slot_colour(toolSlot));
    QStandardItem* other = f->tbvx_PM_Tools->item_of_array_index(1, 0);
    ASSERT_TRUE(other);
    EXPECT_EQ(other->checkState(), Qt::Unchecked);
    EXPECT_NE(other->background().color(), c_dlg_plotter::slot_colour(toolSlot));
    reset_app_dirs_for_tests();
}

TEST_F(pm_tab, the_export_buttons_write_the_listed_tools_and_the_ticked_records)
{
    testing_support::temp_dir dir;
    const QString here = QString::fromStdString(dir.path());
    ASSERT_TRUE(init_app_dirs(here, here));
    ASSERT_TRUE(sim::pm_start_cycle(world(), 40, 10, 0, 0, false, 1));
    run_cycle();
    ASSERT_TRUE(sim::pm_start_cycle(world(), 30, 10, 0, 0, false, 2));
    run_cycle();
    ASSERT_EQ(f->tbvx_PM_Records->row_ids(), (std::vector<int>{0, 1}));
    QStandardItem* second = f->tbvx_PM_Records->item_of_array_index(1, 0);
    ASSERT_TRUE(second);
    second->setCheckState(Qt::Checked);
    page_->on_tbvx_PM_Records_cb_clicked(1, 0, Qt::Checked);
    EXPECT_EQ(f->l_SelectedRecordsState->text(), QStringLiteral("1 rows, 30 cnt"));
    auto done = [](const QString& folder) {
        return QStringLiteral("Exporting files in directory\n %1\n successfull").arg(folder);
    };
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(here + "/records.cdx").expect_information(done(here + "/records"));
        page_->on_bn_ExportSelectedRecords_clicked();
    }
    const QString file = pm_record_file_name(true, g_images().pm_record(1).record().data());
    EXPECT_EQ(QDir(here + "/records").entryList(QDir::Files), QStringList{file});
    std::vector<int16_t> samples;
    bool parametersOk = false;
    ASSERT_TRUE(pm_read_csv(samples, nullptr, parametersOk, here + "/records/" + file));
    EXPECT_EQ(samples.size(), 30u);
    {
        ui_testing::scripted_ui script;
        script.expect_save_file(here + "/tools.cdx").expect_information(done(here + "/tools"));
        page_->on_bn_ExportAllTools_clicked();
    }
    EXPECT_EQ(QDir(here + "/tools").entryList(QDir::Files).size(), 4);
    reset_app_dirs_for_tests();
}

TEST_F(pm_tab, hidden_test_button_gives_the_link_back)
{
    page_->on_bn_TestSW_clicked();
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);
    EXPECT_EQ(g_manual_pm().monitor.cycle_state, pm::waiting);
}

}  // namespace
