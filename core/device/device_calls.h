// What the settings, scanner-list and parameter-file code needs from the device link and
// from state kept by other parts of the program, as a narrow set of calls. By default they
// are the command set and the device state itself; unit tests of the file code put fakes in.
#pragma once
#include <QString>
#include <cstdint>
#include <functional>

#include "core/protocol/error_record.h"

// Requests to the controller. Each fills the error record (code 0 on success).
struct device_calls {
    // Waits for a status reply of the link timer still in flight (up to 10000 ms); false
    // with host error 4 when none comes, with the link's error when the controller is gone.
    std::function<bool(error_record&)> wait_idle;
    // Re-reads the device information (revision word, versions) of the connected controller.
    std::function<void()> refresh_device_info;
    // Request 0xBB, 0x29, 0x02, set byte, block: one 56-byte block of a scanner parameter set
    // (set 0..127, or 0x80 | k for user set k) from reply byte 6. `exists` false when the
    // reply carries flag 0x40 (no such set).
    std::function<bool(uint8_t set, uint8_t block, uint8_t* data56, bool& exists, error_record&)> read_scanner_block;
    // Request 0xBB, 0x09, 0x3A, set byte, block, then 56 bytes: writes a user set block.
    std::function<bool(uint8_t set, uint8_t block, const uint8_t* data56, error_record&)> write_scanner_block;
    // Request 0xBB, 0x49, 0x01, set byte: clears a user set.
    std::function<bool(uint8_t set, error_record&)> clear_scanner_set;
    // The 36-record write (0x0A, 0x3B, 0x16, index, 0x23, 56 bytes) of 2016 bytes, with the
    // progress titled for the customer configuration `name`.
    std::function<bool(const uint8_t* data2016, const QString& name, error_record&)> write_records36;
};

// Program-wide values owned elsewhere that these files read or update.
struct host_context {
    // The device family code: the low byte of parameter 28, or the code derived from the
    // variant flags of a program opened from a file.
    std::function<uint8_t()> family_code;
    // Where the configuration comes from: 0 none, 1 the controller, 2 a file.
    std::function<int()> data_source;
    // The controller's revision word (parameter 66).
    std::function<uint32_t()> revision_code;
    // Shows an error record as the error display does.
    std::function<void(const error_record&)> show_error;
    // The program's change and compatibility flags (one word; bits 0 to 5).
    std::function<uint32_t&()> change_flags;
    // The reset the reboot question asked for is queued: the host shows its reset message,
    // which stays until the controller answers again after the reset. Empty: nothing shown.
    std::function<void()> reset_message;
};

device_calls& g_device_calls();
host_context& g_host_context();

// Installs the defaults: the device command set over the link, the family code, revision
// word and change/compatibility word of the device state, data source 0, and errors shown
// through the error display.
void reset_device_calls();
