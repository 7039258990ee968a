// The status panel of the main window's status bar: built once at start-up, cleared at
// start-up and at each lost link.
#include <QLabel>
#include <cstring>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>

#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/text/text_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_trace.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "state/status_texts.h"
#include "widgets/c_my_led.h"
#include "widgets/fixed_point.h"
#include "widgets/led_styles.h"
#include "widgets/shared_windows_style.h"

namespace {

namespace dp = device_protocol;

QString message_text(int n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label_text(int n) { return QString::fromLatin1(txt_label(n).c_str()); }

const QString style_ok = QStringLiteral("QLabel{background: rgb(150, 255, 150);}");
const QString style_ko = QStringLiteral("QLabel{background: rgb(255,  0, 0);}");
const QString style_warn = QStringLiteral("QLabel{background: rgb(255,  255, 127);}");
const QString style_ko_button = QStringLiteral("QPushButton{background: rgb(255,  0, 0);}");

// Status data byte k is frame byte 4 + k.
uint8_t d8(const device_frame& f, size_t k) { return f[dp::data_offset + k]; }
uint16_t d16(const device_frame& f, size_t k) { return f.u16(dp::data_offset + k); }
int32_t d32(const device_frame& f, size_t k) { return int32_t(f.u32(dp::data_offset + k)); }
bool data_changed(const device_frame& a, const device_frame& b, size_t k, size_t n)
{
    return std::memcmp(a.data() + dp::data_offset + k, b.data() + dp::data_offset + k, n) != 0;
}

constexpr uint8_t state_home = 0x01, state_scanning = 0x02, state_ok = 0x08, state_ko = 0x10;

// The colour of a version label: none while unknown, green, yellow for a warning, red for
// an error.
QString compatibility_style(uint32_t w, uint32_t known, uint32_t warn, uint32_t error)
{
    if (!(w & known))
        return QString();
    if (!(w & warn))
        return style_ok;
    return (w & error) ? style_ko : style_warn;
}

QString position_text(int32_t v, bool millimetres)
{
    if (millimetres && v == -1)
        return QStringLiteral("*ND*");
    QString t;
    value_to_text(v, t, 2);
    return t + (millimetres ? QStringLiteral(" mm") : QStringLiteral(" ") + QChar(0x00B0));
}

QLabel* status_label(QWidget* parent, const char* name, const QString& text, const QString& tip)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setIndent(5);
    l->setToolTip(tip);
    return l;
}

void widen_to_hint(QWidget* w) { w->setMinimumWidth(w->sizeHint().width() + 5); }

}  // namespace

void c_frm_main::build_status_panel()
{
    QStatusBar* bar = statusBar();
    if (QStyle* style = shared_windows_style())
        bar->setStyle(style);

    l_STB_Message = status_label(bar, "l_STB_Message", QString(), message_text(22));
    l_STB_OK = status_label(bar, "l_STB_OK", QStringLiteral("OK"), QStringLiteral("OK Status"));
    l_STB_KO = status_label(bar, "l_STB_KO", QStringLiteral("KO"), QStringLiteral("KO Status"));
    widen_to_hint(l_STB_KO);
    bn_STB_KO_ResetF = new QPushButton(QStringLiteral("Clear KO"), bar);
    bn_STB_KO_ResetF->setObjectName(QStringLiteral("bn_STB_KO_ResetF"));
    bn_STB_KO_ResetF->setToolTip(QStringLiteral("Clear stored KO state and clear all outputs"));
    l_STB_HomePos = status_label(bar, "l_STB_HomePos", QStringLiteral("HomePos"), QStringLiteral("Home Position Status"));
    l_STB_Scanning = status_label(bar, "l_STB_Scanning", QStringLiteral("Scanning"), QStringLiteral("Scanning Status"));
    l_STB_CurPos = status_label(bar, "l_STB_CurPos", QStringLiteral("-99999.99 mm"), QStringLiteral("Current Position"));
    widen_to_hint(l_STB_CurPos);
    l_STB_MeasPos = status_label(bar, "l_STB_MeasPos", QStringLiteral("-99999.99 mm"), QStringLiteral("Measured Position"));
    l_STB_DevVersion = status_label(bar, "l_STB_DevVersion", QStringLiteral("TX"), message_text(58));
    l_STB_HostVersion = status_label(bar, "l_STB_HostVersion", QStringLiteral("PC"), message_text(59));
    widen_to_hint(l_STB_HostVersion);
    led_STB_Online = new c_my_led(bar);
    led_STB_Online->setObjectName(QStringLiteral("led_STB_Online"));
    led_STB_Online->setFixedSize(17, 17);
    led_STB_Online->setToolTip(QStringLiteral("Tarvix Online Status"));

    bar->addWidget(l_STB_Message, 1);
    const QList<QWidget*> rest{l_STB_OK,      l_STB_KO,         bn_STB_KO_ResetF,  l_STB_HomePos,
                               l_STB_Scanning, l_STB_CurPos,     l_STB_MeasPos,     l_STB_DevVersion,
                               l_STB_HostVersion, led_STB_Online};
    for (QWidget* w : rest)
        bar->addWidget(w);
    bn_STB_KO_ResetF->hide();
    connect(bn_STB_KO_ResetF, &QPushButton::clicked, this, &c_frm_main::on_bn_STB_KO_ResetF_clicked);
}

void c_frm_main::clear_status_panel()
{
    for (QLabel* l : {l_STB_OK, l_STB_KO, l_STB_HomePos, l_STB_Scanning, l_STB_DevVersion, l_STB_HostVersion})
        set_style_sheet(l, QString());
    l_STB_CurPos->setText(QStringLiteral("-99999.99 mm"));
    l_STB_MeasPos->setText(QStringLiteral("-99999.99 mm"));
    l_STB_DevVersion->setToolTip(message_text(58));
    l_STB_HostVersion->setToolTip(message_text(59));
    set_led_style(led_STB_Online, led_red);
    manualPage_->reset_status_labels();
    g_status().output_state_text = QStringLiteral("--------");
    if (g_status_hooks().output_labels)
        g_status_hooks().output_labels(QString(), QString(), QStringLiteral("-----"));
}

void c_frm_main::set_online_led(bool connected)
{
    const link_timer_state& L = g_link();
    int state = led_red;
    if (connected)
        state = !L.blink ? led_gray : g_device().loader_state ? led_red : led_green;
    set_led_style(led_STB_Online, state);
}

void c_frm_main::show_compatibility()
{
    const uint32_t w = g_device().change_flags;
    set_style_sheet(l_STB_DevVersion, compatibility_style(w, compat_fw_known, compat_fw_older, compat_fw_too_old));
    set_style_sheet(l_STB_HostVersion, compatibility_style(w, compat_host_known, compat_host_older, compat_host_too_old));
    l_STB_DevVersion->setToolTip(message_text(compatibility_text(true)));
    l_STB_HostVersion->setToolTip(message_text(compatibility_text(false)));
}

void c_frm_main::set_ok_ko_colours(const device_frame& f)
{
    const uint8_t state = d8(f, 0);
    set_style_sheet(l_STB_OK, (state & state_ok) ? style_ok : QString());
    set_style_sheet(l_STB_KO, (state & state_ko) ? style_ko : QString());
    if ((state & state_ko) && !g_status().ko_marked) {
        g_status().ko_marked = true;
        set_style_sheet(bn_STB_KO_ResetF, style_ko_button);
    }
}

void c_frm_main::route_teach(const device_frame& f)
{
    status_state& S = g_status();
    const uint8_t state = d8(f, 0);
    const bool ok = (state & state_ok) != 0, ko = (state & state_ko) != 0;
    if (S.teach_code == teach_none || (!ok && !ko))
        return;
    // A status asked for before the teach's command went out still shows the previous
    // cycle's result; the link asks for none while a command is queued or unanswered, so
    // only a status taken after that carries the teach's own.
    if (command_mailbox().count > 0 || dev_exchange().command_in_flight)
        return;
    const int32_t code = S.teach_code;
    S.teach_code = teach_none;
    if (!ok)
        return;  // KO without OK: the teach failed
    const int32_t measured = d32(f, 34), second = d32(f, 42), setup_value = d32(f, 6);
    status_hooks& H = g_status_hooks();
    const int32_t plain = code & ~teach_no_refresh;
    if (plain >= 0 && plain < teach_function_dialog) {
        const uint32_t n = uint32_t(plain);
        if (n >= image_layout::function_count)
            return;
        config_image& img = g_config_image();
        if (img.function(n).field(fr::flags) & fr::flag_cluster) {
            // The member of the cluster that started the teach decides which of the two
            // values goes to the right (c + 1) and which to the left (c + 2) member.
            const uint32_t c = n & ~3u;
            const bool left_first = (n & 3u) == 2;
            img.function(c + 1).set_field(fr::object_pos, left_first ? second : measured);
            img.function(c + 2).set_field(fr::object_pos, left_first ? measured : second);
            if (!(code & teach_no_refresh) && H.program_function_changed) {
                H.program_function_changed(c + 1);
                H.program_function_changed(c + 2);
            }
        } else {
            img.function(n).set_field(fr::object_pos, measured);
            if (!(code & teach_no_refresh) && H.program_function_changed)
                H.program_function_changed(n);
        }
    } else if (plain < teach_setup) {
        if (H.function_dialog_teach)
            H.function_dialog_teach(measured);
    } else if (plain > teach_setup && plain <= teach_setup + 6) {
        if (H.setup_teach)
            H.setup_teach(plain - teach_setup, setup_value);
    } else if (plain >= teach_cluster && plain < teach_manual) {
        if (H.cluster_teach)
            H.cluster_teach(plain - teach_cluster, measured, second);
    } else if (plain == teach_manual) {
        manualPage_->take_manual_teach(measured);
    }
}

void c_frm_main::show_device_errors(const device_frame& f, bool forced)
{
    const status_state& S = g_status();
    const uint8_t error_byte = d8(f, 1);
    if (!forced && S.last_valid && !data_changed(f, S.last_reply, 1, 1) && !data_changed(f, S.last_reply, 40, 2))
        return;
    if (g_device().loader_state) {
        l_STB_Message->setText(status_text(10));
        l_STB_Message->setToolTip(status_label_tip({status_text(10)}));
        return;
    }
    uint32_t details[2] = {};
    bool details_read = false;
    if (error_byte != 0) {
        error_record e;
        details_read = dev_query_info_19(details, e);
    }
    const QStringList texts = device_status_texts(error_byte, details_read, details[0], details[1], d16(f, 40));
    l_STB_Message->setText(status_label_text(texts));
    l_STB_Message->setToolTip(status_label_tip(texts));
    if (g_shell().window_mode == wm_manual)
        manualPage_->show_error_leds(error_byte, details[0], details[1]);
}

void c_frm_main::show_positions(const device_frame& f, bool forced)
{
    const status_state& S = g_status();
    if (!forced && S.last_valid && !data_changed(f, S.last_reply, 2, 8) && !data_changed(f, S.last_reply, 30, 8) &&
        !data_changed(f, S.last_reply, 38, 1))
        return;
    const bool mm = (d8(f, 38) & 0x03) != 0;
    const size_t from = S.setup_activation ? 2 : 30;
    l_STB_CurPos->setText(position_text(d32(f, from), mm));
    l_STB_MeasPos->setText(position_text(d32(f, from + 4), mm));
}

void c_frm_main::show_outputs(const device_frame& f, bool forced)
{
    status_state& S = g_status();
    const uint16_t w = d16(f, 38);
    // The inputs, outputs and switches (data 24-29) show on the manual page too.
    if (!forced && S.last_valid && w == S.output_word && !data_changed(f, S.last_reply, dp::status_inputs, 6))
        return;
    S.output_word = w;
    S.output_state_text = (w & 0x20) ? label_text(101) : (w & 0x10) ? label_text(424) : QStringLiteral("--------");
    if (g_status_hooks().output_labels)
        g_status_hooks().output_labels(S.output_state_text, label_text((w & 0x04) ? 433 : 434),
                                       label_text((w & 0x08) ? 101 : 100));
    manualPage_->show_output_leds((w & 0x10) == 0);
    manualPage_->show_io_state(f.data() + dp::data_offset);
    set_ok_ko_colours(f);
}

void c_frm_main::decode_status(const device_frame& f, bool forced)
{
    status_state& S = g_status();
    // 1. State labels, compatibility and the teach.
    set_ok_ko_colours(f);
    show_compatibility();
    const bool permitted = !fw_version_at_least(1, 14, 3) || (f.u32(dp::data_offset + 36) & (1u << 18)) != 0;
    if (permitted != S.teach_permitted || !S.last_valid) {
        S.teach_permitted = permitted;
        if (g_status_hooks().display_flag_changed)
            g_status_hooks().display_flag_changed();
        if (g_shell().window_mode == wm_manual)
            manualPage_->on_tbwx_FuncTab_itemSelectionChanged();
    }
    route_teach(f);
    const uint8_t state = d8(f, 0);
    set_style_sheet(l_STB_HomePos, (state & state_home) ? style_ok : QString());
    set_style_sheet(l_STB_Scanning, (state & state_scanning) ? style_ok : QString());

    // 2.-4. Message label, positions, outputs.
    show_device_errors(f, forced);
    show_positions(f, forced);
    show_outputs(f, forced);

    // 5. The manual page's function view, after the trace latch it may write out.
    trace_latch_status(f.data() + dp::data_offset, S.reconnected);
    if (g_shell().window_mode == wm_manual) {
        int16_t fn = int16_t(d16(f, 12));
        if (fn == -1)
            fn = int16_t(d16(f, 10));
        manualPage_->follow_status_function(uint16_t(fn), f.data() + dp::data_offset);
        if (forced || !S.last_valid || data_changed(f, S.last_reply, 10, 2))
            manualPage_->show_selected_input_function(int16_t(d16(f, 10)));
    }

    // 6. Kept for the next comparison.
    S.last_reply = f;
    if (g_status_hooks().status_decoded)
        g_status_hooks().status_decoded();
    S.last_valid = true;
    S.reconnected = false;
    g_device().status_full_refresh = false;
}

void c_frm_main::on_bn_STB_KO_ResetF_clicked()
{
    g_status().ko_marked = false;
    set_style_sheet(bn_STB_KO_ResetF, QString());
    device_frame f = device_frame::make(dp::req_command, dp::count_command);
    f[dp::command_offset] = dp::cmd_reset_ko;
    f[dp::command_offset + 1] = 0xFF;
    f[dp::command_offset + 2] = 0xFF;
    queue_set_single(f);
}
