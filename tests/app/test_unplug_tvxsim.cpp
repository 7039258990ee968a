// An unplugged controller is seen at once on every page and tab: against tvxsim on its paced
// 1 ms link, each tab of the manual page and of the program page is shown as a user shows it,
// the controller is unplugged, and within half a second the online LED is red and the device
// actions are disabled; after the replug the link comes back by itself. On the manual page
// the controller leaves in the middle of a request of the page's own cycle, which runs inside
// the link timer's tick. Then the device commands of the pages with the link down.
#include <gtest/gtest.h>

#include <QAction>
#include <QDialog>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <cstdio>
#include <memory>

#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/protocol/device_protocol.h"
#include "core/text/error_texts.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_state.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/sim/tvxsim_window.h"
#include "ui_c_dlgw_manualx.h"
#include "ui_c_dlgw_program.h"
#include "ui_c_frm_main.h"
#include "widgets/c_my_led.h"
#include "widgets/led_styles.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

// What the window must show within this time of the unplug.
constexpr qint64 seen_within_ms = 500;
// How long a test waits for it before giving up (the reply countdown would take 10 s).
constexpr int give_up_ms = 15000;

class unplug_tvxsim : public testing_support::tvxsim_window_test {
protected:
    void SetUp() override
    {
        reset_all();
        sim_ = std::make_unique<testing_support::tvxsim_process>(std::vector<std::string>{"--pace"});
        ASSERT_TRUE(sim_->ok()) << sim_->error();
        init_app_dirs(qEnvironmentVariable("TARVIX_APP_DIR"), QString::fromStdString(tmp_.file("data")));
    }
    void TearDown() override
    {
        tvxsim_window_test::TearDown();
        reset_app_dirs_for_tests();
    }
    void reset_pages() override
    {
        manual_reset_for_tests();
        program_reset_for_tests();
    }
    // Connected to the controller, quick to find it again after a replug.
    void connect_to(const std::string& profile)
    {
        ask("profile " + profile);
        ask("program demo");
        open_window();
        if (HasFatalFailure())
            return;
        hid_settings().reopen_interval_ms = 20;
    }
    void enter_manual_mode()
    {
        window_->form()->ac_ManualMode->trigger();
        ASSERT_EQ(g_shell().window_mode, wm_manual);
    }
    void open_from_controller() { tvxsim_window_test::open_from_controller(script_); }

    bool led_is(int style) const { return window_->led_STB_Online->styleSheet() == led_style_sheets()[style]; }
    bool shown_down() const
    {
        const Ui::c_frm_main* m = window_->form();
        return led_is(led_red) && !m->menu_Tarvix->isEnabled() && !m->ac_FW_Update->isEnabled() &&
               !m->ac_Scanner->isEnabled();
    }
    bool back_up() const
    {
        const Ui::c_frm_main* m = window_->form();
        return g_link().connected && g_link().device_data_usable && m->menu_Tarvix->isEnabled() &&
               m->ac_FW_Update->isEnabled() && m->ac_Scanner->isEnabled();
    }
    // A few status replies with the tab shown, so that its own cycle runs.
    void let_the_tab_run()
    {
        const uint64_t ticks = g_link().ticks;
        ASSERT_TRUE(wait([&] { return g_link().ticks >= ticks + 6 && g_link().connected; }));
    }

    // Unplugs (`how`: a control command or a fault) and returns how long the window took to
    // show it, or -1 when it never did; then replugs and waits for the link to come back.
    qint64 unplug_and_back(const char* how)
    {
        QElapsedTimer t;
        t.start();
        EXPECT_TRUE(sim_->control().command(how)) << how;
        const bool seen = wait([&] { return shown_down(); }, give_up_ms);
        const qint64 ms = seen ? t.elapsed() : -1;
        EXPECT_TRUE(sim_->control().replug());
        EXPECT_TRUE(wait([&] { return back_up(); })) << "the link did not come back";
        return ms;
    }

    // The tab shown, the controller unplugged by `how` (a control command or a fault, armed
    // before it when given): the window shows it in time, and the link comes back after the
    // replug.
    void tab_sees_the_unplug(const std::string& tab, const char* how, const char* armed_before = nullptr)
    {
        SCOPED_TRACE(tab + " / " + how);
        let_the_tab_run();
        if (HasFatalFailure())
            return;
        if (armed_before)
            ask(armed_before);
        const qint64 ms = unplug_and_back(how);
        std::printf("%-28s %-24s shown after %lld ms\n", tab.c_str(), how, (long long)ms);
        EXPECT_GE(ms, 0) << "never shown";
        EXPECT_LT(ms, seen_within_ms);
    }
    // Every tab, shown as a user clicks it.
    void every_tab(QTabWidget* tabs, const char* how, const char* page)
    {
        ASSERT_GT(tabs->count(), 1);
        for (int i = 0; i < tabs->count() && !HasFatalFailure(); ++i) {
            tabs->setCurrentIndex(i);
            ASSERT_EQ(tabs->currentIndex(), i);
            tab_sees_the_unplug(std::string(page) + " / " + tabs->tabText(i).toStdString(), how);
        }
    }

    testing_support::temp_dir tmp_;
    ui_testing::scripted_ui script_;
};

// The info request (type 0x2A) is sent, on every manual tab, only by the page's cycle inside
// the link timer's tick: the controller leaves in the middle of one of the page's requests.
constexpr const char* unplug_in_page_cycle = "fault unplug type=0x2A";

TEST_F(unplug_tvxsim, every_manual_tab_sees_an_unplug_in_its_own_cycle_at_once)
{
    connect_to("premium-pm-tools");
    enter_manual_mode();
    c_dlgw_manualx* page = window_->manual_page();
    // The self check tab is shown only on a controller that offers it; shown here as such.
    page->form()->tab_ManualX->set_tab_visible(c_dlgw_manualx::tab_selfcheck, true);
    every_tab(page->form()->tab_ManualX, unplug_in_page_cycle, "manual");

    // The error buffer's own read meets the unplug: a raised error bit (output word bit 8)
    // makes the cycle read the buffer again.
    page->form()->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_error_buffer);
    tab_sees_the_unplug("manual / Error Buffer read", "status 43 0x01", "fault unplug type=0x2A index=0x18");
}

TEST_F(unplug_tvxsim, the_devicenet_tab_sees_an_unplug_in_its_own_cycle_at_once)
{
    connect_to("premium-pm-dn");
    enter_manual_mode();
    c_qtabwidget_ext* tabs = window_->manual_page()->form()->tab_ManualX;
    tabs->set_current_logical(c_dlgw_manualx::tab_devicenet);
    ASSERT_EQ(tabs->current_logical_index(), int(c_dlgw_manualx::tab_devicenet));
    tab_sees_the_unplug("manual / DeviceNet", unplug_in_page_cycle);
}

TEST_F(unplug_tvxsim, every_program_tab_sees_an_unplug_at_once)
{
    connect_to("premium-pm-tools");
    open_from_controller();
    every_tab(window_->program_page()->form()->tab_Settings, "unplug", "program");
}

// What every device command of the pages says with the link down.
const QString link_down = QStringLiteral("USB-Host: USB was disconnected!");

TEST_F(unplug_tvxsim, with_the_link_down_the_device_commands_of_the_program_page_say_so)
{
    connect_to("premium");
    open_from_controller();
    Ui::c_dlgw_program* f = window_->program_page()->form();
    f->ebx_GS_MacId->setValue(11);
    f->tbwx_FuncTab->selectRow(0);
    ASSERT_TRUE(sim_->control().unplug());
    ASSERT_TRUE(wait([&] { return shown_down(); }));
    const uint64_t seq = sim_->control().log_next_seq();

    // Save and Save As to the controller: the link's error, not a scanner the controller
    // would not support (the scanner count found no set at all).
    script_.expect_error(link_down);
    f->bn_Save->click();
    EXPECT_TRUE(script_.verify_consumed());
    script_.expect_modal(QStringLiteral("c_dlg_srcauswahl"), [](QWidget*) {
        g_program_document().source = 1;
        g_program_document().chosen = 1;
        return int(QDialog::Accepted);
    });
    script_.expect_error(link_down);
    f->bn_SaveAs->click();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(g_config_image().header().field(hdr::mac_id), 11);  // the edit is kept

    // Start, Teach and Stop: the command cannot reach the controller, and it is not sent
    // after the replug either.
    for (QPushButton* b : {f->bn_Start, f->bn_Teach, f->bn_Stop}) {
        SCOPED_TRACE(b->objectName().toStdString());
        script_.expect_error(link_down);
        b->click();
        EXPECT_TRUE(wait([&] { return script_.pending() == 0; }, 5000));
    }

    // Open from the controller, and Manual Mode run as such (its menu is off).
    script_.expect_modal(QStringLiteral("c_dlg_srcauswahl"), [](QWidget*) {
        g_program_document().source = 1;
        g_program_document().chosen = 1;
        return int(QDialog::Accepted);
    });
    script_.expect_error(link_down);
    window_->on_ac_Open_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(window_->form()->stackedWidget->currentIndex(), int(c_frm_main::page_program));
    EXPECT_FALSE(window_->form()->menu_Tarvix->isEnabled());
    script_.expect_error(link_down);
    window_->on_ac_ManualMode_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_NE(g_shell().window_mode, wm_manual);

    ASSERT_TRUE(sim_->control().replug());
    ASSERT_TRUE(wait([&] { return back_up(); }));
    // Ticks enough for a command still queued to go out.
    let_the_tab_run();
    EXPECT_TRUE(sim_->commands_since(seq).empty()) << "a command given while the link was down reached the controller";
}

TEST_F(unplug_tvxsim, with_the_link_down_the_commands_of_the_manual_page_say_so)
{
    connect_to("premium");
    enter_manual_mode();
    Ui::c_dlgw_manualx* f = window_->manual_page()->form();
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_manual);
    f->tbwx_FuncTab->selectRowById(3);
    ASSERT_TRUE(sim_->control().unplug());
    ASSERT_TRUE(wait([&] { return shown_down(); }));
    for (QPushButton* b : {f->bn_Start, f->bn_Teach, f->bn_Stop}) {
        SCOPED_TRACE(b->objectName().toStdString());
        script_.expect_error(link_down);
        b->click();
        EXPECT_TRUE(wait([&] { return script_.pending() == 0; }, 5000));
    }
}

}  // namespace
