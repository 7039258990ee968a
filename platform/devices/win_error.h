// The calling thread's last error, in the numbers Windows gives them (callers print and compare
// them as such), and the few numbers the stand-ins report.
#pragma once
#include <cstdint>

namespace platform {

namespace win_error {
constexpr uint32_t success = 0;
constexpr uint32_t file_not_found = 2;
constexpr uint32_t access_denied = 5;
constexpr uint32_t invalid_handle = 6;
constexpr uint32_t gen_failure = 31;
constexpr uint32_t invalid_parameter = 87;
constexpr uint32_t mod_not_found = 126;
constexpr uint32_t proc_not_found = 127;
constexpr uint32_t service_request_timeout = 1053;
constexpr uint32_t service_already_running = 1056;
constexpr uint32_t service_does_not_exist = 1060;
constexpr uint32_t service_not_active = 1062;
// Bit of a code that a driver defines itself (the customer bit).
constexpr uint32_t customer_bit = 0x20000000;
}  // namespace win_error

uint32_t get_last_error();
void set_last_error(uint32_t code);

}  // namespace platform
