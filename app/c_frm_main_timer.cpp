// The link timer: the connection state machine of the main window. It opens the link and
// runs one link_step() per tick (send, poll, book, lost link), then shows what came: labels,
// LED, the device error box, the status decode and the actions of a link that came or went.
#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <cstring>

#include "app/c_frm_main.h"
#include "core/device/device_commands.h"
#include "core/device/device_info.h"
#include "core/device/link_timer.h"
#include "core/files/parameter_files.h"
#include "core/image/core_state.h"
#include "core/link/c_thrrcv.h"
#include "core/link/hid_link.h"
#include "core/text/error_texts.h"
#include "core/transfer/config_transfer.h"
#include "manual/c_dlgw_manualx.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlg_srcauswahl.h"
#include "ui_c_frm_main.h"
#include "widgets/c_dlg_message.h"

namespace dp = device_protocol;

namespace {

constexpr int interval_down_ms = 800;
constexpr int interval_up_ms = 0;
constexpr qint64 led_period_ms = 700;

// Resets the tick guard on every way out of a tick.
struct tick_guard {
    bool& flag;
    explicit tick_guard(bool& f) : flag(f) { flag = true; }
    ~tick_guard() { flag = false; }
};

}  // namespace

bool c_frm_main::factory_defaults_allowed() const
{
    return g_device().revision_word > dp::revision_unreadable;
}

bool c_frm_main::profinet_allowed() const { return g_device_info().profinet_present; }

void c_frm_main::set_link_interval(int ms)
{
    if (linkTimer_->interval() != ms)
        linkTimer_->setInterval(ms);
}

void c_frm_main::on_Timer_timeout()
{
    // A modal box opened by a tick runs an event loop in which the timer goes on firing;
    // those ticks would act on a state the outer tick is still changing.
    if (inTick_)
        return;
    tick_guard guard(inTick_);
    ++g_link().ticks;
    tick();
}

void c_frm_main::tick()
{
    link_timer_state& L = g_link();

    // 1. Action states.
    if (c_dlg_srcauswahl* src = g_objects().source_dialog) {
        src->form()->bn_Tarvix->setEnabled(L.device_data_usable && !L.load_incompatible);
        src->form()->bn_File->setEnabled(!L.load_failed);
    }
    ui->ac_Support->setEnabled(L.device_data_usable);
    ui->ac_SystemInfo->setEnabled(L.device_data_usable);
    manualPage_->enable_error_buffer_controls();

    // 2. Waiting mode.
    waiting_mode_step(false);

    // 3. Long operations own the link.
    if (g_dev_commands().update_in_progress)
        return;

    // 4. Open the link.
    if (!L.link_open && !open_link())
        return;

    // 5. Send, poll, book; status replies have gone through the page cycles.
    const link_step_result r = link_step(L);
    if (r.commands_dropped) {
        // A start, teach, stop or step asked for while the link is down: say why nothing
        // happens, the controller gone or silent.
        error_record e;
        e.set(err_type_usb_host, hid_link_up() ? hid_code_no_reply : hid_code_no_device);
        show_error_between_ticks(e);
    }
    switch (r.event) {
    case link_event::busy:
    case link_event::send_failed:
    case link_event::command_sent:
        return;
    case link_event::unplugged:
        L.program_from_device = false;
        break;
    case link_event::receive_error:
        l_STB_Message->setText(QStringLiteral("RcvError %1. GetLastErrorCode: %2H")
                                   .arg(hid_receive_sub_code())
                                   .arg(QString::number(hid_last_system_error(), 16).rightJustified(8, QLatin1Char('0')).toUpper()));
        break;
    case link_event::driver_error:
        l_STB_Message->setText(QStringLiteral("General USB driver error. Code: %1H")
                                   .arg(QString::number(uint32_t(r.error.code), 16).rightJustified(8, QLatin1Char('0')).toUpper()));
        break;
    default:
        break;
    }
    if (r.went_down)
        lost_link_step();
    if (!r.frame_taken() && !L.connected)
        return;

    // 6. Common part.
    if (g_shell().waiting_state == 2)
        waiting_mode_step(L.device_answered);
    if (!r.was_connected && r.frame_taken())
        reconnect_step();
    if (!ledTimer_.isValid() || ledTimer_.elapsed() >= led_period_ms) {
        // The LED shows the link as it was when the tick began; a controller that answers
        // again turns it on with the next period.
        set_online_led(r.was_connected);
        L.blink = !L.blink;
        ledTimer_.restart();
    }
    if (r.event == link_event::device_error) {
        show_error_between_ticks(r.error);
        return;
    }
    if (r.event == link_event::status_frame) {
        device_frame frame = r.frame;
        if (preprocess_status(frame))
            decode_status(frame, g_device().status_full_refresh || g_status().reconnected);
    }
}

// A box shown by a tick: the timer rests while it is up.
void c_frm_main::show_error_between_ticks(const error_record& e)
{
    const bool running = linkTimer_->isActive();
    linkTimer_->stop();
    show_error_record(e);
    if (running)
        linkTimer_->start();
}

bool c_frm_main::open_link()
{
    link_timer_state& L = g_link();
    qDebug("1: InitCommunication");
    error_record e;
    if (!hid_open(e))
        return false;
    L.link_open = true;
    ui->ac_FW_Update->setEnabled(true);
    ui->ac_Scanner->setEnabled(true);
    set_link_interval(interval_up_ms);
    ledTimer_.start();
    L.blink = true;
    L.connected = true;
    if (!receiveThread_->isRunning())
        receiveThread_->start();
    refresh_device_info(true);
    ui->ac_TPS_Update->setEnabled(profinet_allowed());
    L.device_data_usable = true;
    ui->menu_Tarvix->setEnabled(true);
    ui->ac_FactoryDefaults->setEnabled(factory_defaults_allowed());
    ui->ac_ClearNonVolatileMemory->setEnabled(false);
    ui->ac_ClearNonVolatileMemory->setVisible(false);
    g_status().reconnected = true;
    return true;
}

void c_frm_main::reconnect_step()
{
    link_timer_state& L = g_link();
    if (L.reboot_state == reboot_waiting) {
        if (c_dlg_message* m = g_objects().message_dialog)
            m->close();
        L.reboot_state = reboot_none;
    }
    refresh_device_info(true);
    L.device_data_usable = true;
    ui->menu_Tarvix->setEnabled(true);
    ui->ac_FW_Update->setEnabled(true);
    ui->ac_TPS_Update->setEnabled(profinet_allowed());
    ui->ac_FactoryDefaults->setEnabled(factory_defaults_allowed());
    ui->ac_Scanner->setEnabled(true);
    set_link_interval(interval_up_ms);
    g_status().reconnected = true;
}

// The window's part of a link that link_step() marked down: panel, actions, slow ticks.
void c_frm_main::lost_link_step()
{
    link_timer_state& L = g_link();
    clear_status_panel();
    if (L.factory_reset_count > 0)
        --L.factory_reset_count;
    refresh_device_info(false);
    // A customer configuration prepared for this controller must not reach another one.
    g_customer_config().pending = false;
    // Nor is the reference image known to be the state of the controller that comes back.
    g_transfer().reference_is_device_state = false;
    L.device_data_usable = false;
    ui->menu_Tarvix->setEnabled(false);
    ui->ac_FW_Update->setEnabled(false);
    ui->ac_TPS_Update->setEnabled(false);
    ui->ac_FactoryDefaults->setEnabled(false);
    ui->ac_Scanner->setEnabled(false);
    set_link_interval(interval_down_ms);
}

void c_frm_main::enter_loader_state()
{
    g_link().device_data_usable = false;
    ui->menu_Tarvix->setEnabled(false);
    refresh_device_info(false);
    ui->ac_FactoryDefaults->setEnabled(false);
    ui->ac_FW_Update->setEnabled(true);
    ui->ac_ManualMode->setEnabled(false);
    // A loader answers none of the requests behind these either.
    ui->ac_Scanner->setEnabled(false);
    ui->ac_TPS_Update->setEnabled(false);
    ui->ac_Support->setEnabled(false);
    ui->ac_SystemInfo->setEnabled(false);
}

void c_frm_main::leave_loader_state()
{
    g_link().device_data_usable = true;
    ui->menu_Tarvix->setEnabled(true);
    refresh_device_info(true);
    ui->ac_FactoryDefaults->setEnabled(factory_defaults_allowed());
    ui->ac_FW_Update->setEnabled(true);
    ui->ac_TPS_Update->setEnabled(profinet_allowed());
    ui->ac_ManualMode->setEnabled(true);
    ui->ac_Scanner->setEnabled(true);
}

bool c_frm_main::preprocess_status(device_frame& f)
{
    status_state& S = g_status();
    device_state& D = g_device();
    // Byte 3 too: the same data with another data count is news for the compatibility.
    if (S.last_raw_valid && !D.status_full_refresh && !S.reconnected &&
        std::memcmp(S.last_raw.data() + dp::count_offset, f.data() + dp::count_offset,
                    dp::data_offset + dp::status_data_count - dp::count_offset) == 0)
        return false;
    S.last_raw = f;
    S.last_raw_valid = true;
    g_link().device_answered = true;

    const uint8_t count = f.data_count();
    if (count == 0) {
        const bool loader = f.u32(dp::data_offset) == dp::loader_status_word;
        std::memset(f.data() + dp::data_offset, 0, 10);
        const bool was = D.loader_state;
        D.loader_state = loader;
        if (loader && !was)
            enter_loader_state();
        else if (!loader && was)
            leave_loader_state();
        return true;
    }
    if (D.loader_state) {
        D.loader_state = false;
        leave_loader_state();
    }
    uint32_t bit = 0;
    if (count < dp::status_data_count) {
        bit = compat_fw_older;
        std::memset(f.data() + dp::data_offset + count, 0, dp::status_data_count - count);
    } else if (count > dp::status_data_count) {
        bit = compat_host_older;
    }
    if (bit) {
        const uint32_t before = D.change_flags;
        D.change_flags |= bit;
        if (D.change_flags != before) {
            refresh_device_info(true);
            // The refresh judges by the revision word alone; the layout keeps its verdict.
            D.change_flags |= bit;
            D.status_full_refresh = true;
        }
    }
    return true;
}

void c_frm_main::manual_page_cycles(const device_frame& frame)
{
    // Device reads for a page nobody sees would only take link time.
    if (g_shell().window_mode == wm_manual)
        manualPage_->on_status_reply(frame);
}
