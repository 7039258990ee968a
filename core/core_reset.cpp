// Puts core's state objects back to their start state for the tests. It sits above the
// layers of core/ since it reaches into all of them.
#include "core/device/device_commands.h"
#include "core/device/device_info.h"
#include "core/image/core_state.h"
#include "core/text/global_tables.h"
#include "core/transfer/config_transfer.h"

void core_reset_for_tests()
{
    g_images().reset();
    g_device().reset();
    g_parameter_error().reset();
    g_global_tables().reset();
    g_device_info().reset();
    g_dev_commands().reset();
    g_transfer().reset();
}
