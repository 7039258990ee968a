// What a configuration image looks like after a trip to the controller and back: every
// conversion the transfer defines as lossy, applied to the image that was written, as a
// read into a freshly reset image would give it. The round trip is then checked byte for
// byte.
#pragma once
#include "core/image/config_image.h"
#include "core/image/core_state.h"

config_image normalise_for_device(const config_image& written, const device_state& device = g_device());
