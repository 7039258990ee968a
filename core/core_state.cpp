#include "core/core_state.h"

#include <algorithm>

#include "core/config_transfer.h"
#include "core/device_commands.h"
#include "core/device_info.h"
#include "core/global_tables.h"

void image_state::reset()
{
    working = config_image();
    reference = config_image();
    scratch = config_image();
    std::fill(pm_record_store.begin(), pm_record_store.end(), uint8_t(0));
    no_file_loaded = false;
}

void device_state::reset() { *this = device_state(); }

void parameter_error_state::reset() { *this = parameter_error_state(); }

image_state& g_images()
{
    static image_state s;
    return s;
}

device_state& g_device()
{
    static device_state s;
    return s;
}

parameter_error_state& g_parameter_error()
{
    static parameter_error_state s;
    return s;
}

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
