#include "device_calls.h"

#include "core_state.h"
#include "error_texts.h"

device_calls g_device_calls;
host_context g_host_context;

namespace {
bool no_device(error_record& err)
{
    err.set(err_type_host, 4);
    return false;
}

uint32_t& own_change_flags()
{
    static uint32_t flags = 0;
    return flags;
}

struct installer {
    installer() { reset_device_calls(); }
} install_defaults;
}  // namespace

void reset_device_calls()
{
    g_device_calls.wait_idle = [](error_record& e) {
        e.clear();
        return true;
    };
    g_device_calls.refresh_device_info = [] {};
    g_device_calls.read_scanner_block = [](uint8_t, uint8_t, uint8_t*, bool& exists, error_record& e) {
        exists = false;
        return no_device(e);
    };
    g_device_calls.write_scanner_block = [](uint8_t, uint8_t, const uint8_t*, error_record& e) { return no_device(e); };
    g_device_calls.clear_scanner_set = [](uint8_t, error_record& e) { return no_device(e); };
    g_device_calls.write_records36 = [](const uint8_t*, const QString&, error_record& e) { return no_device(e); };
    g_host_context.family_code = [] { return g_device().family_code; };
    g_host_context.data_source = [] { return 0; };
    g_host_context.revision_code = [] { return uint32_t{0x2A2F3424}; };
    g_host_context.show_error = [](const error_record& e) { show_error_record(e); };
    own_change_flags() = 0;
    g_host_context.change_flags = own_change_flags;
}
