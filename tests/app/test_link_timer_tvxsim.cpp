// The main window's link timer against the tvxsim server process: connecting, the command
// queue on the wire, device error replies, lost links and the reconnection, the status
// layout's compatibility, the loader-only controller, a teach, factory defaults and the
// system information. The timer runs by itself; the tests pump the event loop until a
// condition holds, with deadlines far beyond what a loaded machine needs.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/c_dlg_systeminfo.h"
#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/link/c_thrrcv.h"
#include "core/link/hid_link.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/transfer/config_transfer.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "state/status_texts.h"
#include "tests/sim/tvxsim_window.h"
#include "ui_c_dlg_systeminfo.h"
#include "ui_c_frm_main.h"
#include "widgets/c_dlg_message.h"
#include "widgets/c_my_led.h"
#include "widgets/led_styles.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

device_frame command(uint8_t cmd, uint8_t marker = 0)
{
    device_frame f = device_frame::make(dp::req_command, dp::count_command);
    f[dp::command_offset] = cmd;
    f[dp::command_offset + 1] = marker;
    return f;
}

class link_timer : public testing_support::tvxsim_window_test {
protected:
    // The window with its timer running, connected to the simulator.
    void connect_window() { open_window(); }

    std::string ask(const std::string& line)
    {
        std::string result;
        EXPECT_TRUE(sim_->control().command(line, &result)) << line << ": " << result;
        return result;
    }

    // Command frames (type 0x02) of the wire log from `seq` on: "i<cmd>.<marker>" for one
    // received, "o" for an acknowledge sent.
    std::vector<std::string> command_traffic(uint64_t seq)
    {
        std::vector<std::string> out;
        for (const sim::wire_entry& e : sim_->control().wire_log(seq)) {
            if ((e.frame(2) & dp::type_kind_mask) != dp::kind_command)
                continue;
            if (e.direction == sim::wire_direction::in)
                out.push_back("i" + std::to_string(e.frame(4)) + "." + std::to_string(e.frame(5)));
            else if (e.direction == sim::wire_direction::out)
                out.push_back("o");
        }
        return out;
    }

    bool led_is(int style) const { return window_->led_STB_Online->styleSheet() == led_style_sheets()[style]; }
    Ui::c_frm_main* form() const { return window_->form(); }

    ui_testing::scripted_ui script_;
};

TEST_F(link_timer, connecting_lights_the_led_green_and_enables_the_device_actions)
{
    connect_window();
    ASSERT_TRUE(wait([&] { return led_is(led_green); }));
    EXPECT_TRUE(g_link().link_open);
    EXPECT_TRUE(g_link().device_data_usable);
    EXPECT_TRUE(window_->receive_thread()->isRunning());
    EXPECT_EQ(window_->link_timer()->interval(), 0);
    EXPECT_TRUE(form()->menu_Tarvix->isEnabled());
    for (QAction* a : {form()->ac_FW_Update, form()->ac_Scanner, form()->ac_FactoryDefaults, form()->ac_SystemInfo,
                       form()->ac_Support, form()->ac_ManualMode})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(form()->ac_ClearNonVolatileMemory->isVisible());
    EXPECT_FALSE(form()->ac_TPS_Update->isEnabled());  // no PROFINET part on this profile
    // The panel shows the controller's compatibility: both sides known and equal.
    EXPECT_EQ(window_->l_STB_DevVersion->toolTip(), QString::fromLatin1(txt_message(15).c_str()));
    EXPECT_EQ(window_->l_STB_HostVersion->toolTip(), QString::fromLatin1(txt_message(19).c_str()));
    EXPECT_FALSE(g_device().status_full_refresh);
}

TEST_F(link_timer, queued_commands_leave_oldest_first_each_after_the_previous_acknowledge)
{
    connect_window();
    const uint64_t seq = sim_->control().log_next_seq();
    queue_request(command(dp::cmd_stop, 1));
    queue_request(command(dp::cmd_reset_ko, 2));
    queue_request(command(dp::cmd_stop, 3));
    ASSERT_TRUE(wait([] { return command_mailbox().count == 0 && !dev_exchange().command_in_flight; }));
    EXPECT_EQ(command_traffic(seq), (std::vector<std::string>{"i7.1", "o", "i6.2", "o", "i7.3", "o"}));
}

TEST_F(link_timer, a_step_command_leaves_the_queue_when_sent_and_its_acknowledge_removes_nothing)
{
    connect_window();
    // The acknowledges come late, so the state between send and acknowledge can be seen.
    ask("fault delay type=0x02 ms=1500 times=2");
    const uint64_t seq = sim_->control().log_next_seq();
    queue_request(command(dp::cmd_step_plus, 1));
    ASSERT_TRUE(wait([] { return dev_exchange().command_in_flight; }));
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_TRUE(dev_exchange().step_sent);
    // Queued while the step's acknowledge is outstanding: it must survive that acknowledge.
    queue_request(command(dp::cmd_stop, 2));
    ASSERT_TRUE(wait([] { return command_mailbox().count == 1 && dev_exchange().command_in_flight &&
                                 !dev_exchange().step_sent; }));
    ASSERT_TRUE(wait([] { return command_mailbox().count == 0 && !dev_exchange().command_in_flight; }));
    EXPECT_EQ(command_traffic(seq), (std::vector<std::string>{"i3.1", "o", "i7.2", "o"}));
}

TEST_F(link_timer, long_operations_and_transfer_event_passes_keep_the_timer_off_the_link)
{
    connect_window();
    for (uint8_t* flag : {&g_dev_commands().update_in_progress, &g_dev_commands().exchange_busy}) {
        *flag = 1;
        const uint64_t seq = sim_->control().log_next_seq();
        // Ticks run all along; none may send.
        const uint64_t ticks = g_link().ticks;
        ASSERT_TRUE(wait([&] { return g_link().ticks >= ticks + 50; }));
        size_t received = 0;
        for (const sim::wire_entry& e : sim_->control().wire_log(seq))
            received += e.direction == sim::wire_direction::in;
        EXPECT_EQ(received, 0u);
        EXPECT_TRUE(g_link().connected);
        *flag = 0;
        ASSERT_TRUE(wait([&] { return !sim_->control().wire_log(seq).empty(); }));
    }
}

TEST_F(link_timer, an_error_reply_shows_the_device_error_text)
{
    connect_window();
    error_record expected;
    expected.set(err_type_device, 5, err_severity_error, err_arg_once, 9);
    script_.expect_error(QString::fromLatin1(error_record_text(expected).c_str()));
    ask("fault error type=0x02 code=5 ttype=3 count=3 arg=9");
    queue_request(command(dp::cmd_stop));
    ASSERT_TRUE(wait([&] { return script_.pending() == 0; }));
    EXPECT_EQ(command_mailbox().count, 0);  // the failed command has left the queue
    EXPECT_TRUE(window_->link_timer()->isActive());
    EXPECT_TRUE(g_link().connected);
}

TEST_F(link_timer, silence_loses_the_link_and_the_next_answer_brings_it_back)
{
    connect_window();
    g_link_settings().reply_ticks = 1500;  // at least 1.5 s of silence: each idle tick waits 1 ms
    g_transfer().reference_is_device_state = true;
    ask("fault drop type=0x02 times=1");   // the acknowledge never comes
    queue_request(command(dp::cmd_stop));  // and the command goes with the link
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    // Whatever answers next, its settings are not known to equal the reference.
    EXPECT_FALSE(g_transfer().reference_is_device_state);
    EXPECT_FALSE(form()->menu_Tarvix->isEnabled());
    EXPECT_FALSE(form()->ac_FW_Update->isEnabled());
    EXPECT_FALSE(form()->ac_FactoryDefaults->isEnabled());
    EXPECT_EQ(window_->link_timer()->interval(), 800);
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_TRUE(led_is(led_red));
    ASSERT_TRUE(wait([] { return g_link().connected; }));
    EXPECT_TRUE(form()->menu_Tarvix->isEnabled());
    EXPECT_EQ(window_->link_timer()->interval(), 0);
}

TEST_F(link_timer, an_unplug_loses_the_link_at_once_and_a_replug_reconnects_by_itself)
{
    connect_window();
    g_link().program_from_device = true;
    g_transfer().reference_is_device_state = true;
    ask("unplug");
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    EXPECT_FALSE(g_link().program_from_device);
    EXPECT_FALSE(g_transfer().reference_is_device_state);
    EXPECT_FALSE(form()->menu_Tarvix->isEnabled());
    EXPECT_FALSE(form()->ac_Scanner->isEnabled());
    EXPECT_EQ(window_->l_STB_DevVersion->toolTip(), QString::fromLatin1(txt_message(58).c_str()));
    ask("replug");
    ASSERT_TRUE(wait([] { return g_link().connected && g_link().device_data_usable; }));
    EXPECT_TRUE(form()->menu_Tarvix->isEnabled());
    EXPECT_TRUE(form()->ac_Scanner->isEnabled());
}

TEST_F(link_timer, data_counts_40_and_52_set_the_compatibility_flags)
{
    connect_window();
    // Bytes past the count must read as zero.
    ask("status 44 1 2 3 4 5 6 7 8 9 10");
    ASSERT_TRUE(wait([] { return g_status().last_reply[44] == 1; }));
    ask("status-count 40");
    ASSERT_TRUE(wait([] { return (g_device().change_flags & compat_fw_older) != 0; }));
    ASSERT_TRUE(wait([] { return g_status().last_reply.data_count() == 40; }));
    for (size_t k = 40; k < 50; ++k)
        EXPECT_EQ(g_status().last_reply[dp::data_offset + k], 0) << k;
    EXPECT_EQ(window_->l_STB_DevVersion->toolTip(), QString::fromLatin1(txt_message(16).c_str()));
    EXPECT_EQ(window_->l_STB_DevVersion->styleSheet(), QStringLiteral("QLabel{background: rgb(255,  255, 127);}"));

    ask("status-count 52");
    ASSERT_TRUE(wait([] { return (g_device().change_flags & compat_host_older) != 0; }));
    ASSERT_TRUE(wait([&] {
        return window_->l_STB_HostVersion->toolTip() == QString::fromLatin1(txt_message(20).c_str());
    }));
}

TEST_F(link_timer, a_loader_only_controller_leaves_only_the_firmware_update)
{
    connect_window();
    ask("profile loader");
    ASSERT_TRUE(wait([] { return g_device().loader_state; }));
    ASSERT_TRUE(wait([&] { return !form()->ac_SystemInfo->isEnabled(); }));
    EXPECT_TRUE(form()->ac_FW_Update->isEnabled());
    EXPECT_FALSE(form()->menu_Tarvix->isEnabled());
    for (QAction* a : {form()->ac_FactoryDefaults, form()->ac_ManualMode, form()->ac_Scanner, form()->ac_Support,
                       form()->ac_TPS_Update})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_EQ(window_->l_STB_Message->text(), status_text(10));
    // The LED blinks red and grey, never green.
    ASSERT_TRUE(wait([&] { return led_is(led_red); }));
    ASSERT_TRUE(wait([&] { return led_is(led_gray); }));
    ASSERT_TRUE(wait([&] { return led_is(led_red); }));

    ask("profile premium");
    ASSERT_TRUE(wait([] { return !g_device().loader_state && g_link().device_data_usable; }));
    ASSERT_TRUE(wait([&] { return form()->ac_SystemInfo->isEnabled(); }));
    EXPECT_TRUE(form()->menu_Tarvix->isEnabled());
    EXPECT_TRUE(form()->ac_ManualMode->isEnabled());
    EXPECT_TRUE(form()->ac_FactoryDefaults->isEnabled());
}

TEST_F(link_timer, a_teach_of_function_5_writes_the_measured_value_into_its_object_angle)
{
    ask("mailbox 3 1 12345 500");
    connect_window();
    g_config_image().function(5).set_in_use(true);
    g_config_image().function(5).set_field(fr::object_pos, 100);
    g_status().teach_code = 5;
    queue_request(command(dp::cmd_teach, 5));
    ASSERT_TRUE(wait([] { return g_status().teach_code == teach_none; }));
    EXPECT_EQ(g_config_image().function(5).field(fr::object_pos), 12345);
    EXPECT_EQ(g_config_image().function(4).field(fr::object_pos), 0);
}

TEST_F(link_timer, factory_defaults_message_closes_only_after_the_controller_rebooted_and_answered)
{
    connect_window();
    ask("mailbox 3 1 4500 1500");
    script_.expect_warning(QString::fromLatin1(txt_message(12).c_str()), ui::yes);
    queue_request(command(dp::cmd_stop, 7));  // dropped by the reset
    window_->on_ac_FactoryDefaults_triggered();
    c_dlg_message* box = g_objects().message_dialog;
    ASSERT_TRUE(box->isVisible());
    EXPECT_EQ(box->l_Message()->text(), QString::fromLatin1(txt_message(29).c_str()));
    EXPECT_EQ(command_mailbox().count, 1);
    EXPECT_EQ(g_link().reboot_state, int16_t(reboot_waiting));
    EXPECT_EQ(g_link().factory_reset_count, 2);

    const uint64_t seq = sim_->control().log_next_seq();
    bool lost = false;
    ASSERT_TRUE(wait([&] {
        if (!g_link().connected)
            lost = true;
        EXPECT_TRUE(box->isVisible() || lost) << "closed before the controller went away";
        return !box->isVisible();
    }));
    EXPECT_TRUE(lost);
    EXPECT_TRUE(g_link().connected);
    EXPECT_EQ(g_link().reboot_state, int16_t(reboot_none));
    EXPECT_EQ(g_link().factory_reset_count, 1);
    EXPECT_EQ(command_traffic(seq).at(0), "i9.1");
    // After the restart the controller answered a status request again.
    bool answered = false;
    for (const sim::wire_entry& e : sim_->control().wire_log(seq))
        if (e.direction == sim::wire_direction::out && (e.frame(2) & dp::type_kind_mask) == dp::kind_status)
            answered = true;
    EXPECT_TRUE(answered);
}

TEST_F(link_timer, reset_asks_first_and_its_message_waits_for_the_restarted_controller)
{
    connect_window();
    script_.expect_question(QString::fromLatin1(txt_message(74).c_str()), ui::no);
    window_->on_ac_Reset_triggered();
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_FALSE(g_objects().message_dialog->isVisible());

    script_.expect_question(QString::fromLatin1(txt_message(74).c_str()), ui::yes);
    const uint64_t seq = sim_->control().log_next_seq();
    window_->on_ac_Reset_triggered();
    EXPECT_TRUE(g_objects().message_dialog->isVisible());
    EXPECT_EQ(g_link().factory_reset_count, 0);
    bool lost = false;
    ASSERT_TRUE(wait([&] {
        lost = lost || !g_link().connected;
        return !g_objects().message_dialog->isVisible();
    }));
    EXPECT_TRUE(lost);
    EXPECT_EQ(command_traffic(seq).at(0), "i9.3");
}

TEST_F(link_timer, system_info_shows_what_the_controller_reports)
{
    ask("profile premium-pm-x");
    connect_window();
    ASSERT_TRUE(g_device_info().profinet_present);
    QString firmware, family, tps, io;
    script_.expect_modal(QStringLiteral("Info"), [&](QWidget* d) {
        auto* f = static_cast<c_dlg_systeminfo*>(d)->form();
        firmware = f->L_FirmSoftwareVersion->text();
        family = f->L_TVX_Family->text();
        tps = f->L_TPS1_Version->text();
        io = f->L_IO_Module->text();
        return 0;
    });
    window_->on_ac_SystemInfo_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    const device_info_state& d = g_device_info();
    EXPECT_EQ(firmware, QString::asprintf("%d.%02d.%02d.%03d", d.firmware.major, d.firmware.minor, d.firmware.patch,
                                          d.firmware.build));
    EXPECT_FALSE(family.isEmpty());
    EXPECT_NE(family, QStringLiteral("----------"));
    EXPECT_EQ(tps, QStringLiteral("%1%2.%3.%4.%5")
                       .arg(QChar::fromLatin1(d.profinet_letter))
                       .arg(d.profinet_version[0])
                       .arg(d.profinet_version[1])
                       .arg(d.profinet_version[2])
                       .arg(d.profinet_version[3]));
    EXPECT_EQ(io, g_status().output_state_text);
}

}  // namespace
