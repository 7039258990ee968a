// The simulated controller's diagnostics: the self test that a mailbox start with mode 0x84
// runs in memory area 2, the error buffer's new-entry flag, the fieldbus blocks of the
// fieldbus profiles and their live changes, and the side bits of one-sided results.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct world;

// A self test: `rate` samples a status request are written to area 2 until `samples` are
// there; the status word falls to 0 at the next request.
struct self_test_run {
    bool running = false;
    uint32_t rate = 50;
    uint32_t samples = 600;
    uint32_t written = 0;
};

constexpr uint8_t self_test_mode = 0x84;

void start_self_test(world& w);
// One status request's worth of self test.
void advance_self_test(world& w);

// Sets the six results (serial, operation time s, over-temperature time s, mean power, mean
// speed, time factor; the last three in hundredths) where info 0x28 answers them.
void set_self_test_result(world& w, int which, int32_t value);

// An error-buffer entry from "key=value" words: code, source, function, values=a,b,c
// (hundredths), status=8 hex bytes joined by "-", time (ms since power-on), power-on=0|1,
// scode, detail. The counter follows the last entry. Raises the new-entry bit of the status
// (data 38-39 bit 8) until the host has read to the end or cleared. False with `why`.
bool add_error_entry(world& w, const std::vector<std::string>& words, std::string& why);
void clear_error_buffer(world& w);
void error_buffer_read_to_end(world& w);

// The fieldbus blocks of the profile's family code: PROFIBUS and PROFINET controllers a
// 32-word process-data image, DeviceNet controllers an online status block (protocol 1).
void load_fieldbus_blocks(world& w, uint8_t family);
// One real-time change of the live mode: the PROFIBUS input words follow the status, the
// DeviceNet status blinks bit 2.
void fieldbus_live_step(world& w, uint32_t step);

}  // namespace sim
