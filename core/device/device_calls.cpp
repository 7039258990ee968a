#include "core/device/device_calls.h"

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/text/error_texts.h"

device_calls& g_device_calls()
{
    static device_calls s;
    return s;
}
host_context& g_host_context()
{
    static host_context s;
    return s;
}

namespace {
struct installer {
    installer() { reset_device_calls(); }
} install_defaults;
}  // namespace

void reset_device_calls()
{
    g_device_calls().wait_idle = [](error_record& e) { return dev_wait_idle_or_error(e); };
    g_device_calls().refresh_device_info = [] { refresh_device_info(hid_link_up()); };
    g_device_calls().read_scanner_block = dev_read_scanner_block;
    g_device_calls().write_scanner_block = dev_write_scanner_block;
    g_device_calls().clear_scanner_set = dev_clear_scanner_set;
    g_device_calls().write_records36 = [](const uint8_t* data, const QString& name, error_record& e) {
        // The flag the write leaves set is the caller's to clear.
        update_in_progress_guard updating;
        return dev_write_records36(data, name, e);
    };
    // A program opened from a file has no controller behind it: its variant flags decide.
    g_host_context().family_code = [] {
        return g_host_context().data_source() == 2 ? family_code_from_flags() : g_device().family_code;
    };
    g_host_context().data_source = [] { return 0; };
    g_host_context().revision_code = [] { return g_device().revision_word; };
    g_host_context().show_error = [](const error_record& e) { show_error_record(e); };
    g_host_context().change_flags = []() -> uint32_t& { return g_device().change_flags; };
    g_host_context().reset_message = nullptr;
}
