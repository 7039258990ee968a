// The reset of every state object of core/ for the tests. It sits above the layers of core/
// since it reaches into all of them. The link must be closed (no receive thread running).
// Wiring that a window installs for its lifetime (the status-reply hook) is left alone.
#include "core/device/command_mailbox.h"
#include "core/device/device_calls.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/device/link_timer.h"
#include "core/files/app_dirs.h"
#include "core/files/konfig_cfg.h"
#include "core/files/parameter_files.h"
#include "core/files/program_file.h"
#include "core/files/scanner_lists.h"
#include "core/files/scanner_params.h"
#include "core/files/trace_file.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/text/error_texts.h"
#include "core/text/global_tables.h"
#include "core/transfer/config_transfer.h"

void core_reset_for_tests()
{
    // link
    hid_link_reset_for_tests();
    // text and image
    g_parameter_error().reset();
    g_global_tables().reset();
    set_memory_card_search(nullptr);
    g_images().reset();
    g_device().reset();
    // device
    dev_exchange_reset_for_tests();
    queue_clear();
    g_dev_commands().reset();
    g_device_info().reset();
    g_setup_values() = setup_values{};
    set_windows_version_class(1);
    g_link_settings() = link_timer_settings{};
    g_host_context() = host_context{};
    g_device_calls() = device_calls{};
    reset_device_calls();
    // files: the scanner parameters take their file name below the application directory
    reset_app_dirs_for_tests();
    reset_konfig_for_tests();
    reset_scanner_lists_for_tests();
    reset_scanner_params();
    g_customer_config() = customer_config_state{};
    g_program_file() = program_file_state{};
    reset_trace_for_tests();
    // transfer
    g_transfer().reset();
    set_curve_loader(nullptr);
}
