// The console downloader's own result codes (class 0 and class 15); the download library
// adds the others. Bits 12..15 are the class, bits 0..11 the code within it.
#pragma once
#include <cstdint>

namespace flashcli {

constexpr uint16_t result_usb_needs_nt = 0x0001;
constexpr uint16_t result_file_not_found = 0xF001;
constexpr uint16_t result_settings_file_not_found = 0xF005;
constexpr uint16_t result_settings_file_error = 0xF006;
constexpr uint16_t result_wrong_parameters = 0xF007;

}  // namespace flashcli
