// The state of the connection that the main window's link timer keeps, the last status
// reply and where a teach result goes, and the calls by which the pages that are not built
// yet hear of the status replies. Tests start from a clean slate with link_reset_for_tests().
#pragma once
#include <QString>
#include <cstdint>
#include <functional>

#include "core/device/link_timer.h"
#include "core/protocol/device_frame.h"

// Reboot state: nothing; a reset was sent and the message box waits for the controller to
// answer again; a reboot is advisable after a changed scanner type or fieldbus protocol.
enum reboot_state_value : int16_t { reboot_none = 0, reboot_waiting = 1, reboot_advisable = 2 };

// The link step's session (connected, reply countdown) and what the window adds to it.
struct link_timer_state : link_session {
    bool link_open = false;           // the link was opened and the receive thread started
    bool device_data_usable = false;  // enables the device-dependent actions
    bool device_answered = false;     // a status reply was decoded since the start
    bool blink = false;               // phase of the online LED
    int16_t reboot_state = reboot_none;
    int16_t factory_reset_count = 0;  // lost links still to come after a factory-defaults reset
    // The last load marked the configuration incompatible / failed; the data source
    // dialog's device and file buttons follow them.
    bool load_incompatible = false;
    bool load_failed = false;
    // The program shown was read from the controller (forgotten when it is unplugged).
    bool program_from_device = false;
    uint64_t ticks = 0;  // ticks run since the start (diagnostics)

    void reset() { *this = link_timer_state(); }
};

// What the status replies told last, and who waits for a teach value.
struct status_state {
    // -1 nothing waits; 0..0xFFF function n (flag 0x10000: no refresh of the program view);
    // 0x1000 + n the function dialog; 0x2001..0x2006 a set-up field; 0x4000 + base + side a
    // cluster; 0x8000 the manual page.
    int32_t teach_code = -1;
    // The controller is ready for a teach: firmware before 1.14.3, or bit 18 of data 36-39.
    bool teach_permitted = false;
    // While the program page's set-up activation runs, the position labels show data 2-9.
    bool setup_activation = false;
    bool last_valid = false;
    device_frame last_reply;    // the whole frame of the last decoded status reply
    bool ko_marked = false;     // "Clear KO" is red since the first KO
    uint16_t output_word = 0;   // data 38-39 of the last decoded reply
    QString output_state_text = QStringLiteral("--------");  // "Active", "Plugged" or dashes
    device_frame last_raw;      // the last status reply as it came, to see whether it changed
    bool last_raw_valid = false;
    bool reconnected = false;   // the next decode redraws everything

    void reset() { *this = status_state(); }
};

constexpr int32_t teach_none = -1;
constexpr int32_t teach_function_dialog = 0x1000;
constexpr int32_t teach_setup = 0x2000;
constexpr int32_t teach_cluster = 0x4000;
constexpr int32_t teach_manual = 0x8000;
constexpr int32_t teach_no_refresh = 0x10000;

// Where the teach values and the status go on pages and dialogs that take them; each call
// is empty until its window installs it.
struct status_hooks {
    std::function<void(int32_t value)> function_dialog_teach;
    std::function<void(int field, int32_t value)> setup_teach;  // field 1..6, data 6-9
    std::function<void(int32_t base_and_side, int32_t first, int32_t second)> cluster_teach;
    // The program page shows function n's object angle anew (single fields or table rows).
    std::function<void(uint32_t function)> program_function_changed;
    // The unit-dependent displays redraw after the teach-permitted flag changed.
    std::function<void()> display_flag_changed;
    // After every decoded status reply (the open cluster dialog's Start and Teach).
    std::function<void()> status_decoded;
    // Output-state texts of the program page: state, "Set"/"Not Set", "Active"/"Inactive".
    std::function<void(const QString& state, const QString& set, const QString& active)> output_labels;

    void reset() { *this = status_hooks(); }
};

link_timer_state& g_link();
status_state& g_status();
status_hooks& g_status_hooks();

void link_reset_for_tests();
