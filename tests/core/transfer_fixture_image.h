// The configuration the transfer tests and the benchmark send: a full process-monitor
// program, and the curves of its tools.
#pragma once
#include <cstdint>
#include <vector>

#include "core/image/config_image.h"

// Every settings field the ranges allow set to a value other than its default.
void change_every_setting(config_image& w);
// A cluster of four, single functions with long names, wide values and reserved words, a
// free record with stale bytes; custom tool types and tools (the tool's number field holds
// its slot), some free with stale bytes.
config_image premium_pm_image();
// The curve of tool n.
std::vector<int16_t> curve_of(uint32_t n);
