// The two guards of the configuration image: the ranges every loaded or read image must
// keep, and the narrower ranges of controllers whose firmware does not report its revision.
#pragma once
#include <cstdint>

#include "core/image/config_image.h"
#include "core/protocol/error_record.h"

// The first violation in the fixed order of the checks: 0 when the image passes, 1..13 for
// a header field, ((n + 1) << 16) | field for function n (field 1 back mode, 2..5 outputs
// 1..4, 6 KO back mode, 8 mode). `mode_flag` is bit 7 of a function's bad mode, else 0.
uint32_t configuration_range_code(const config_image& image, uint8_t* mode_flag);

// configuration_range_code, and on a violation the box "Host Error: Data is out of range!
// ErrorCode: %08XH". Returns true when the image passes.
bool check_configuration_ranges(const config_image& image, uint8_t& mode_flag);

// Before an image goes to a controller without a firmware revision. On failure `e` holds
// code 30, severity 2, type 3; a settings failure names its position in the parameter
// number table (parameter_error_index), a function failure its field (argument, kind 1)
// and its number (parameter_error_function). Nothing is shown.
bool check_legacy_firmware_ranges(const config_image& image, bool settings_only, error_record& e);
