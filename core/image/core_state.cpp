#include "core/image/core_state.h"

#include <algorithm>

void image_state::reset()
{
    working = config_image();
    reference = config_image();
    scratch = config_image();
    std::fill(pm_record_store.begin(), pm_record_store.end(), uint8_t(0));
    no_file_loaded = false;
}

void device_state::reset() { *this = device_state(); }

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
