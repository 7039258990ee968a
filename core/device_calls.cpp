#include "device_calls.h"

#include "user_seam.h"

device_calls g_device_calls;
host_context g_host_context;

namespace {
bool no_device(error_record& err)
{
    err.set(err_type_host, 4);
    return false;
}

// Until the error display is wired in: the host error number in a critical box.
void plain_show_error(const error_record& e)
{
    if (!e.failed())
        return;
    const QString text = QStringLiteral("Host error %1 (type %2, argument %3)").arg(e.code).arg(e.type).arg(e.argument);
    if (e.severity == err_severity_warning)
        ui::warning(text);
    else
        ui::critical(text);
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
    g_host_context.family_code = [] { return uint8_t{0x10}; };
    g_host_context.data_source = [] { return 0; };
    g_host_context.revision_code = [] { return uint32_t{0x2A2F3424}; };
    g_host_context.show_error = plain_show_error;
}
