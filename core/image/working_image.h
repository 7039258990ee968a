// Operations on the program-wide working image that also touch the device state: the
// reset that starts every load, and taking the variant flags from a loaded image.
#pragma once
#include "core/image/core_state.h"

// Resets the working image to its defaults, shows "----------" as the device information
// until a controller answers, and clears the no-file marker.
void reset_working_image();

// Sets the four variant flags from field 116 of `image` (-1 counts and is stored as 0).
// Bit 0 (Basic) marks function record 0 in use and, unless record 0 is a cluster member,
// gives records 1 and 2 its teach limit (record 2 negated), tolerance and intensity.
void apply_variant_bits(config_image& image, device_state& device);

// The Basic copy: unless function 0 is a cluster member, functions 1 and 2 take its teach
// limit (function 2 negated), tolerance and intensity.
void apply_basic_copy(config_image& image);

// apply_variant_bits on the working image and the global device state.
void variant_from_image();
