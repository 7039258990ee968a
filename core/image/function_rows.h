// The texts of one function record as a row of the function table and of the manual mode
// page, and the small display helpers of the same kind.
#pragma once
#include <QStringList>
#include <cstdint>
#include <string>

#include "core/image/config_image.h"
#include "core/image/core_state.h"

// Column order of the row.
constexpr int function_row_columns = 20;
extern const char* const function_row_titles[function_row_columns];

// The name of a mode code ("CheckObj", "MaxTestRange", ...); "Not Defined" for an unknown code.
std::string function_mode_text(int32_t mode);
// The twenty texts of function n. `scanning_mode` is header field 176 (a tolerance above 0.50
// is marked in mode 2); `d.family_flag` blanks what the Basic controller does not have.
QStringList format_manual_row(int n, const_function_record rec, int32_t scanning_mode, const device_state& d);
// The same with field 176 of the working image and the global device state.
QStringList format_manual_row(int n, const_function_record rec);

// "OK", "KO", ... of an output function code; "Not Defined" for unknown codes.
std::string output_function_text(int32_t code);
// A monitoring-area limit: a marker label when bits 14 and 15 are set, else the value in
// hundredths; then " rel" or " abs" by bit 0 of the flags.
std::string area_limit_text(int32_t flags, int32_t value);

// "Vmm.nn.pp.bbb dd.mm.yyyy" (without ".pp.bbb" when the patch is 0) from the three words
// of a version record.
std::string format_version_text(uint32_t w1, uint32_t w2, uint32_t w3);
// "Active" for flag 0x20, else "Plugged" for 0x10, else "--------".
std::string format_output_state_text(uint32_t flags);
// " / Controller", or " / " and the current file's name.
std::string connection_title_suffix(bool from_controller, const std::string& file_name);
// (major, minor, patch) triples compared as unsigned bytes: -1, 0 or 1.
int compare_version_triples(const uint8_t a[3], const uint8_t b[3]);
double centi_to_double(int32_t value);
uint16_t swap16_if(uint16_t value, bool swap);
// The low n bits of value as "1"/"0": from bit 0 upward without separators, or (high_first)
// from bit n-1 down with `separator` after every `group` characters (0: none), never last.
std::string format_bit_string(uint32_t value, int n, bool high_first, int group = 0, char separator = ' ');
