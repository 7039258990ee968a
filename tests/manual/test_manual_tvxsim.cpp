// Manual mode against the tvxsim server, as a user meets it: entering it on a Premium and a
// Basic with the demo program, starting a cluster, teaching, a cycle's counter and position,
// stepping, a start refused during a cycle, the page following the controller after an
// unplug, a trace of results into a file, and a process-monitor cycle drawn live with its new
// record. The main window's timer runs by itself; the tests wait for what must show.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

#include "app/access_level.h"
#include "app/c_dlg_password.h"
#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/link/hid_link.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_pm_tools.h"
#include "manual/manual_state.h"
#include "page_common/c_dlg_plotter.h"
#include "procmon/pm_csv.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/controller_idle.h"
#include "tests/sim/tvxsim_window.h"
#include "ui_c_dlg_password.h"
#include "ui_c_dlgw_manualx.h"
#include "ui_c_frm_main.h"
#include "widgets/led_styles.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

class manual_tvxsim : public testing_support::tvxsim_window_test {
protected:
    void reset_pages() override { manual_reset_for_tests(); }
    // Connects, loads the profile's demo program and enters manual mode.
    void enter(const std::string& profile)
    {
        ask("profile " + profile);
        ask("program demo");
        open_window();
        if (HasFatalFailure())
            return;
        window_->form()->ac_ManualMode->trigger();
        ASSERT_EQ(g_shell().window_mode, wm_manual);
        f = window_->manual_page()->form();
    }
    QStringList tabs() const
    {
        QStringList t;
        for (int i = 0; i < f->tab_ManualX->count(); ++i)
            t << f->tab_ManualX->tabText(i);
        return t;
    }
    // Mailbox frames the controller received from `seq` on: command byte and function.
    std::vector<std::pair<int, int>> commands_since(uint64_t seq)
    {
        std::vector<std::pair<int, int>> out;
        for (const sim::wire_entry& e : sim_->commands_since(seq))
            out.emplace_back(e.frame(4), e.frame(5) | e.frame(6) << 8);
        return out;
    }
    // The Trace tab shown and a trace started into `file`, on the trace table's function.
    void start_trace(const QString& file, int function)
    {
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_trace);
        script_.expect_append_file(file);
        f->bn_Trc_StartTrace->click();
        f->tbwx_trc_FuncTab->selectRowById(function);
    }
    static QByteArray file_text(const QString& file)
    {
        QFile q(file);
        return q.open(QIODevice::ReadOnly) ? q.readAll() : QByteArray();
    }
    int32_t current_position() const { return int32_t(g_status().last_reply.u32(dp::data_offset + dp::status_current_position)); }

    ui_testing::scripted_ui script_;
    Ui::c_dlgw_manualx* f = nullptr;
};

TEST_F(manual_tvxsim, premium_and_basic_show_their_tabs_and_closing_returns_to_the_start_page)
{
    enter("premium");
    EXPECT_EQ(window_->form()->stackedWidget->currentIndex(), int(c_frm_main::page_manual));
    EXPECT_EQ(tabs(), (QStringList{"Monitoring", "Manual", "Trace", "PROFIBUS", "Error Buffer"}));
    EXPECT_EQ(f->tbwx_FuncTab->rowIds(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 9, 12}));
    EXPECT_FALSE(window_->menuBar()->isVisible());
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Tarvix / Manual Mode"));
    window_->close();
    EXPECT_EQ(window_->form()->stackedWidget->currentIndex(), int(c_frm_main::page_start));
    EXPECT_EQ(g_shell().window_mode, wm_start);
    EXPECT_TRUE(window_->isVisible());

    window_.reset();
    reset_all();
    enter("basic");
    EXPECT_EQ(tabs(), (QStringList{"Manual", "Trace", "Error Buffer"}));
    QStringList modes;
    for (int i = 0; i < f->cb_TS_Mode->count(); ++i)
        modes << f->cb_TS_Mode->itemText(i);
    EXPECT_EQ(modes, (QStringList{"FreeSpace", "CheckObj"}));
}

TEST_F(manual_tvxsim, a_cluster_start_and_a_teach_reach_the_controller_in_order)
{
    // A group that does not start at 0 may be taught on a controller with the process monitor.
    enter("premium-pm");
    ask("cycle polls=2");
    uint64_t seq = sim_->control().log_next_seq();
    f->tbwx_FuncTab->selectRowById(4);
    f->bn_Start->click();
    ASSERT_TRUE(wait([&] { return commands_since(seq).size() >= 3 && command_mailbox().count == 0; }));
    EXPECT_EQ(commands_since(seq), (std::vector<std::pair<int, int>>{{1, 4}, {1, 5}, {1, 6}}));
    ASSERT_TRUE(wait([&] { return testing_support::controller_idle(*sim_, seq); }));

    seq = sim_->control().log_next_seq();
    f->bn_Teach->click();
    ASSERT_TRUE(wait([&] { return commands_since(seq).size() >= 3 && command_mailbox().count == 0; }));
    EXPECT_EQ(commands_since(seq), (std::vector<std::pair<int, int>>{{2, 4}, {2, 5}, {2, 6}}));
}

TEST_F(manual_tvxsim, a_cycle_shows_its_counter_and_position_in_labels_rows_and_image)
{
    enter("premium");
    f->tbwx_FuncTab->selectRowById(5);
    f->bn_Start->click();
    ASSERT_TRUE(wait([&] { return f->l_Counter->text() == QStringLiteral("17"); }));
    EXPECT_EQ(f->l_ObjectAngle->text(), QStringLiteral("12.34"));
    EXPECT_EQ(f->l_ToolNr->text(), QStringLiteral("5"));
    EXPECT_EQ(f->l_InpSlctFunc->text(), QStringLiteral("5"));  // data 10-11, the current function
    EXPECT_EQ(f->tbwx_FuncTab->item(f->tbwx_FuncTab->rowOfId(5), 10)->text().trimmed(), QStringLiteral("17"));
    EXPECT_EQ(f->tbwx_trc_FuncTab->item(f->tbwx_trc_FuncTab->rowOfId(5), 10)->text().trimmed(), QStringLiteral("17"));
    EXPECT_EQ(g_config_image().function(5).field(fr::counter), 17);
    EXPECT_EQ(g_config_image().function(5).field(fr::object_pos), 1234);
}

TEST_F(manual_tvxsim, step_plus_moves_while_held_and_stops_on_release)
{
    enter("premium");
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_manual);
    const uint64_t seq = sim_->control().log_next_seq();
    QTest::mousePress(f->bn_StepPos, Qt::LeftButton);
    ASSERT_TRUE(wait([&] { return !commands_since(seq).empty(); }));
    const int32_t start = current_position();
    ASSERT_TRUE(wait([&] { return current_position() > start + 1000; }));
    QTest::mouseRelease(f->bn_StepPos, Qt::LeftButton);
    ASSERT_TRUE(wait([&] { return commands_since(seq).size() >= 2; }));
    const auto cmds = commands_since(seq);
    EXPECT_EQ(cmds[0], (std::pair<int, int>{3, 20}));  // step + at 20 %
    EXPECT_EQ(cmds[1].first, 5);
    EXPECT_TRUE(f->bn_StepPos->styleSheet().isEmpty());
}

TEST_F(manual_tvxsim, a_start_during_a_cycle_shows_error_12_once_and_the_next_start_works)
{
    enter("premium");
    ask("cycle polls=600");
    f->tbwx_FuncTab->selectRowById(9);
    f->bn_Start->click();
    ASSERT_TRUE(wait([] { return (g_status().last_reply[dp::data_offset] & 0x02) != 0; }));
    error_record busy;
    busy.set(err_type_device, dp::device_error_busy, err_severity_error, err_arg_once, 0);
    script_.expect_error(QString::fromLatin1(error_record_text(busy).c_str()));
    f->bn_Start->click();
    ASSERT_TRUE(wait([&] { return script_.pending() == 0; }));
    ASSERT_TRUE(wait([] { return (g_status().last_reply[dp::data_offset] & 0x0A) == 0x08; }));  // the cycle ended OK
    ask("cycle polls=2");
    const uint64_t seq = sim_->control().log_next_seq();
    f->bn_Start->click();
    ASSERT_TRUE(wait([&] { return f->l_Counter->text() == QStringLiteral("29"); }));
    EXPECT_EQ(commands_since(seq).size(), 1u);
}

TEST_F(manual_tvxsim, after_an_unplug_the_page_follows_the_status_unaided)
{
    enter("premium");
    const QString lit = led_style_sheets()[led_yellow];
    ask("status 28 0x01");  // input 1
    ASSERT_TRUE(wait([&] { return f->rl_I0->styleSheet() == lit; }));
    ask("unplug");
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    EXPECT_EQ(f->l_DIPSw->text(), QStringLiteral("--------"));
    ask("status 28 0x04");  // input 3 instead
    ask("replug");
    ASSERT_TRUE(wait([&] { return f->rl_I2->styleSheet() == lit && f->rl_I0->styleSheet() != lit; }));
    EXPECT_EQ(g_shell().window_mode, wm_manual);
}

TEST_F(manual_tvxsim, the_controller_moving_to_a_group_member_runs_the_teach_rule)
{
    // Function 5 belongs to the group 4-7, which may not be taught without the process monitor.
    enter("premium");
    f->tbwx_FuncTab->selectRowById(0);
    ASSERT_TRUE(f->bn_Teach->isEnabled());
    ask("status 16 5 0");
    ASSERT_TRUE(wait([&] { return f->tbwx_FuncTab->currentRowIndex() == 5; }));
    EXPECT_EQ(f->tbwx_trc_FuncTab->currentRowIndex(), 5);
    EXPECT_FALSE(f->bn_Teach->isEnabled());
    ask("status 16 9 0");
    ASSERT_TRUE(wait([&] { return f->tbwx_FuncTab->currentRowIndex() == 9; }));
    EXPECT_TRUE(f->bn_Teach->isEnabled());
}

// Clear and Save of the error buffer follow its entry count; Diagnostic saves the self-check
// buffer and follows the access level alone, whatever the error buffer holds.
TEST_F(manual_tvxsim, clear_and_save_follow_the_error_buffer_entries_and_diagnostic_the_access_level)
{
    enter("premium");
    ask("error-clear");
    script_.expect_modal(QStringLiteral("c_dlg_password"), [](QWidget* d) {
        static_cast<c_dlg_password*>(d)->form()->eb_Password->setText(QLatin1String(access_code_level1));
        return int(QDialog::Accepted);
    });
    script_.expect_information(QString::fromLatin1(txt_label(351).c_str()));
    window_->on_ac_Support_triggered();
    ASSERT_TRUE(script_.verify_consumed());
    ASSERT_FALSE(f->bn_Diagnostic->isHidden());
    const auto buffer_controls_enabled = [&](bool on) {
        return f->bn_Clear_ErrBuf->isEnabled() == on && f->bn_Save_ErrBuf->isEnabled() == on;
    };
    // Each count after one that differs, so the table's rows show the new read.
    for (int count : {1, 0, 2}) {
        SCOPED_TRACE(count);
        ask("error-clear");
        for (int i = 0; i < count; ++i)
            ask("error-add code=" + std::to_string(2 + i));
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_manual);
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_error_buffer);
        ASSERT_TRUE(wait([&] { return f->tbwx_ErrorBuf->rowCount() == count; }));
        EXPECT_TRUE(wait([&] { return buffer_controls_enabled(count > 0); }));
        EXPECT_TRUE(f->bn_Diagnostic->isEnabled());
        EXPECT_FALSE(f->bn_Diagnostic->isHidden());
    }
    f->bn_Clear_ErrBuf->click();
    EXPECT_EQ(f->tbwx_ErrorBuf->rowCount(), 0);
    EXPECT_TRUE(wait([&] { return buffer_controls_enabled(false); }));
    EXPECT_TRUE(f->bn_Diagnostic->isEnabled());
}

}  // namespace

TEST_F(manual_tvxsim, a_trace_writes_each_result_continues_its_numbers_and_ends_when_leaving)
{
    enter("premium");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("t.trc");
    auto lines = [&] { return int(file_text(file).count('\n')); };
    start_trace(file, 3);
    for (int i = 1; i <= 3; ++i) {
        f->bn_Trc_Start->click();
        ASSERT_TRUE(wait([&] { return f->tbwx_Trace->rowCount() == i; })) << i;
    }
    EXPECT_EQ(lines(), 3);
    f->bn_Trc_StopTrace->click();

    script_.expect_append_file(file);
    f->bn_Trc_StartTrace->click();
    f->bn_Trc_Start->click();
    ASSERT_TRUE(wait([&] { return lines() == 4; }));
    EXPECT_EQ(f->tbwx_Trace->item(3, 0)->text(), QStringLiteral("     3"));
    EXPECT_EQ(f->tbwx_Trace->item(3, 1)->text(), QStringLiteral("  3"));

    // Leaving manual mode ends the trace; coming back shows it so.
    window_->close();
    ASSERT_EQ(g_shell().window_mode, wm_start);
    window_->form()->ac_ManualMode->trigger();
    ASSERT_EQ(g_shell().window_mode, wm_manual);
    EXPECT_EQ(f->l_TraceInfo->text(), QStringLiteral("Trace not active!"));
    EXPECT_EQ(lines(), 4);
}

TEST_F(manual_tvxsim, a_one_sided_cluster_result_is_traced_one_sided_and_the_file_keeps_what_the_table_drops)
{
    enter("premium-pm");  // a cluster past group 0 may be taught with the process monitor
    ask("cycle polls=1");
    // The group's base taught where its left member (-12.34) stands: a result of the base then
    // carries equal values on both sides.
    f->tbwx_FuncTab->selectRowById(6);
    uint64_t seq = sim_->control().log_next_seq();
    f->bn_Start->click();
    ASSERT_TRUE(wait([&] { return testing_support::controller_idle(*sim_, seq); }));
    ASSERT_EQ(current_position(), -1234);
    f->tbwx_FuncTab->selectRowById(4);
    seq = sim_->control().log_next_seq();
    f->bn_Teach->click();
    ASSERT_TRUE(wait([&] { return testing_support::controller_idle(*sim_, seq); }));
    ASSERT_EQ(g_config_image().function(4).field(fr::object_pos), -1234);

    ask("cycle side=right");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("r.trc");
    auto text = [&] { return file_text(file); };
    start_trace(file, 4);
    for (int i = 1; i <= 41; ++i) {
        f->bn_Trc_Start->click();
        ASSERT_TRUE(wait([&] { return text().count("\r\n") == i; })) << i;
    }
    const QList<QByteArray> lines = text().split('\n');
    ASSERT_EQ(lines.size(), 42);
    EXPECT_EQ(lines[0], QByteArray("     0     4     -12.34     -12.34          OK 00 \r"));
    EXPECT_EQ(lines[40].left(6), QByteArray("    40"));
    ASSERT_EQ(f->tbwx_Trace->rowCount(), 40);
    QStringList row;
    for (int c = 0; c < f->tbwx_Trace->columnCount(); ++c)
        row << f->tbwx_Trace->item(0, c)->text();
    EXPECT_EQ(row, (QStringList{"     1", "  4", "  -12.34", "  -12.34", "OK"}));
    EXPECT_EQ(f->tbwx_Trace->item(39, 0)->text(), QStringLiteral("    40"));
}

TEST_F(manual_tvxsim, a_live_cycle_draws_its_curve_and_a_ticked_record_is_plotted_from_the_controller)
{
    QTemporaryDir data;
    ASSERT_TRUE(init_app_dirs(data.path(), data.path()));
    enter("premium-pm");
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_pm_tools);
    ASSERT_TRUE(wait([] { return g_manual_pm().monitor.cycle_state == pm::waiting; }));
    // 120 samples, 10 per status request, three sampling periods missing after sample 55.
    ask("pm-cycle samples=120 rate=10 gap-at=55 gap=3 tool=1");
    ASSERT_TRUE(wait([&] { return f->tbvx_PM_Records->row_ids().size() == 1; }));
    const std::vector<int16_t> online = g_manual_pm().monitor.online;
    EXPECT_EQ(online.size(), 123u);
    EXPECT_EQ(std::count(online.begin(), online.end(), pm::marker_gap), 3);
    EXPECT_EQ(f->tbvx_PM_Records->current_array_index(), 0);

    // Ticked, the record's curve comes from the controller into the plotter and the cache.
    QStandardItem* record = f->tbvx_PM_Records->item_of_array_index(0, 0);
    ASSERT_TRUE(record);
    record->setCheckState(Qt::Checked);
    window_->manual_page()->on_tbvx_PM_Records_cb_clicked(0, 0, Qt::Checked);
    c_dlg_plotter* plotter = g_objects().plotter;
    ASSERT_TRUE(plotter);
    EXPECT_TRUE(plotter->isVisible());
    const int slot = plotter->record_slot_of(0);
    ASSERT_GE(slot, 0);
    EXPECT_EQ(plotter->slot_samples(slot).size(), 120);
    std::vector<int16_t> cached;
    bool parametersOk = false;
    ASSERT_TRUE(pm_read_csv(cached, nullptr, parametersOk,
                            data_file("pm_cache/" + pm_record_name(true, g_images().pm_record(0).record().data()) +
                                      ".csv")));
    EXPECT_EQ(QVector<qint16>(cached.begin(), cached.end()), plotter->slot_samples(slot));
    plotter->hide();
    reset_app_dirs_for_tests();
}

TEST_F(manual_tvxsim, a_cycle_whose_end_is_lost_in_an_unplug_floods_nothing_and_the_next_cycle_is_whole)
{
    enter("premium-pm");
    ask("param 92 10");  // the controller samples every 10 ms, in real time from now on
    ask("live on 1");    // its next demo start is ten seconds away
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_pm_tools);
    ASSERT_TRUE(wait([] { return g_manual_pm().monitor.cycle_state == pm::waiting; }));
    const int32_t period = 10;
    g_config_image().header().set_field(hdr::pm_sampling_time, period);
    const pm::monitor& m = g_manual_pm().monitor;

    // A one-second cycle is drawing when the link goes. While it is away the cycle ends and a
    // second one runs to its end: more than the ring holds, so the first one's end marker (and
    // the second one's start) never reach the page.
    ask("pm-cycle samples=100 tool=0");
    ASSERT_TRUE(wait([&] { return m.cycle_state == pm::recording && m.online.size() >= 10; }));
    QElapsedTimer away;
    away.start();
    ask("unplug");
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    const size_t drawn = m.online.size();
    QTest::qWait(1200);
    ask("pm-cycle samples=100 tool=1");
    QTest::qWait(1200);
    ask("live off");  // brings the second cycle to its end first
    ask("replug");

    // The page takes the second cycle's tail as the rest of the first: gaps only for the
    // periods that really passed, and the cycle ends with the second one's record.
    ASSERT_TRUE(wait([&] { return f->tbvx_PM_Records->row_ids().size() == 1; }));
    EXPECT_EQ(m.cycle_state, pm::waiting);
    const int64_t gaps = std::count(m.online.begin(), m.online.end(), pm::marker_gap);
    EXPECT_GT(gaps, 0);
    EXPECT_LE(gaps, away.elapsed() / period + 5);
    EXPECT_LE(m.online.size(), drawn + size_t(gaps) + 26);
    auto name = [](uint32_t i) {
        return std::string(reinterpret_cast<const char*>(g_images().pm_record(i).record().data() + tr::name));
    };
    EXPECT_EQ(name(0), "Drill 1");

    // The next cycle draws a fresh curve of its own and brings its record.
    ask("pm-cycle samples=40 rate=10 tool=2");
    ASSERT_TRUE(wait([&] { return f->tbvx_PM_Records->row_ids().size() == 2; }));
    EXPECT_EQ(m.online.size(), 40u);
    EXPECT_EQ(std::count(m.online.begin(), m.online.end(), pm::marker_gap), 0);
    EXPECT_EQ(f->tbvx_PM_Records->current_array_index(), 1);
    EXPECT_EQ(name(1), "Tap 2");
}

TEST_F(manual_tvxsim, a_trace_keeps_whole_lines_over_an_unplug_and_goes_on_without_a_phantom_line)
{
    enter("premium");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("u.trc");
    auto text = [&] { return file_text(file); };
    start_trace(file, 3);
    for (int i = 1; i <= 5; ++i) {
        f->bn_Trc_Start->click();
        ASSERT_TRUE(wait([&] { return f->tbwx_Trace->rowCount() == i; })) << i;
    }
    ask("unplug");
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    const QByteArray down = text();
    EXPECT_EQ(down.count("\r\n"), 5);
    EXPECT_TRUE(down.endsWith("\r\n"));

    ask("replug");
    ASSERT_TRUE(wait([] { return g_link().connected && g_link().device_answered; }));
    QTest::qWait(500);  // many status replies: the first only takes the reference again
    EXPECT_EQ(text(), down);
    EXPECT_EQ(f->tbwx_Trace->rowCount(), 5);
    f->bn_Trc_Start->click();
    ASSERT_TRUE(wait([&] { return f->tbwx_Trace->rowCount() == 6; }));
    EXPECT_EQ(f->tbwx_Trace->item(5, 0)->text(), QStringLiteral("     5"));
    EXPECT_EQ(text().count("\r\n"), 6);
    EXPECT_TRUE(text().startsWith(down));
}

TEST_F(manual_tvxsim, the_fieldbus_tabs_follow_the_controllers_blocks)
{
    enter("premium");
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_profibus);
    ASSERT_TRUE(wait([&] { return f->tbwx_PB_In->rowCount() == 32; }));
    // Big-endian, EW2 = 40000 (9C40), EW7/EW8 = FFFE/FFFF.
    ask("process-data 0 0x01 0x01 0 0");
    ask("process-data 80 0x9C 0x40");
    ask("process-data 90 0xFF 0xFE 0xFF 0xFF");
    ASSERT_TRUE(wait([&] { return f->tbwx_PB_In->item(2, 1)->text() == QStringLiteral("400.00"); }));
    EXPECT_EQ(f->tbwx_PB_In->item(7, 1)->text(), QStringLiteral("4294967294"));
    EXPECT_EQ(f->l_PB_Format->text(), QStringLiteral("Big Endian"));

    window_.reset();
    reset_all();
    enter("premium-dn");
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_devicenet);
    ASSERT_TRUE(wait([&] { return f->l_ProtocolP->text() == QStringLiteral("Protocol 19/19 "); }));
    ask("info 0x14 9 0x11 0x01");  // protocol 2 both ways
    ASSERT_TRUE(wait([&] { return f->stw_DN_In->currentIndex() == 2 && f->stw_DN_Out->currentIndex() == 2; }));
    EXPECT_EQ(f->l_ProtocolC->text(), QStringLiteral("Protocol 3/2"));
}
