// The controller's requests, one builder each: parameters, memory blocks, records of 222
// and 179 bytes, value lists, scanner blocks, info queries, the 36 configuration records and
// the byte stream. Every builder clears the error record first and returns true on success.
// GUI thread only.
#pragma once
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/protocol/device_frame.h"
#include "core/protocol/device_protocol.h"
#include "core/protocol/error_record.h"

// Flags and blocks the builders share with the link timer and the pages.
struct dev_command_state {
    // While set, the link timer sends and polls nothing (updates, clones, long writes).
    uint8_t update_in_progress = 0;
    // Set around every event pass a transfer runs between its requests, so that a tick
    // inside the pass neither sends nor polls.
    uint8_t exchange_busy = 0;
    // Stops (false) and starts again (true) the link timer's QTimer around block transfers;
    // the main window installs it, empty means no timer.
    std::function<void(bool run)> link_timer_run;

    // Blocks filled by the info queries.
    std::array<uint8_t, device_protocol::process_block_size> process_data{};  // 0x07, 0x1C, 0x1D
    std::array<uint8_t, 58> fieldbus_status{};                                // 0x14
    std::array<uint8_t, 58> pm_ring{};                                        // 0x1B

    void reset();
};
dev_command_state& g_dev_commands();

// Keeps `update_in_progress` set for a scope and gives it back its earlier value on every way
// out: the records36 write leaves the flag set for its caller, and a flow that set the flag
// itself keeps it across the transfers it runs.
class update_in_progress_guard {
public:
    update_in_progress_guard() : before_(g_dev_commands().update_in_progress)
    {
        g_dev_commands().update_in_progress = 1;
    }
    ~update_in_progress_guard() { g_dev_commands().update_in_progress = before_; }
    update_in_progress_guard(const update_in_progress_guard&) = delete;
    update_in_progress_guard& operator=(const update_in_progress_guard&) = delete;

private:
    decltype(dev_command_state::update_in_progress) before_;
};

// Keeps `exchange_busy` set for a scope (an event pass, or a box shown in the middle of a
// transfer) and gives it back its earlier value on every way out.
class exchange_busy_guard {
public:
    // Sets the flag for its lifetime; with `active` false it leaves the flag as it is.
    explicit exchange_busy_guard(bool active = true) : before_(g_dev_commands().exchange_busy)
    {
        if (active)
            g_dev_commands().exchange_busy = 1;
    }
    ~exchange_busy_guard() { g_dev_commands().exchange_busy = before_; }
    exchange_busy_guard(const exchange_busy_guard&) = delete;
    exchange_busy_guard& operator=(const exchange_busy_guard&) = delete;

private:
    decltype(dev_command_state::exchange_busy) before_;
};

// The one event pass of a transfer: pending events (repaints, timers) run with
// `exchange_busy` set, so that a tick of the link timer inside the pass neither sends nor
// polls. Every pass between the requests of a transfer goes through here.
void dev_event_pass();

// Progress counters of the value-list transfers: the dialog shows done x 100 / (total + 1).
struct dev_progress {
    uint32_t total = 0;
    uint32_t done = 0;
};

// Parameters: the value as `length` little-endian bytes (at most 57).
bool dev_read_param(uint16_t number, uint8_t length, void* destination, error_record& err);
bool dev_write_param(uint16_t number, uint8_t length, const void* value, error_record& err);
// A 32-bit parameter.
bool dev_read_param_u32(uint16_t number, uint32_t& value, error_record& err);
// The controller refused the parameter (it does not know it): its own device error 6 or 7.
// A host-side error with the same number is a real failure.
inline bool dev_param_refused(const error_record& e)
{
    return e.type == err_type_device && (e.code == 6 || e.code == 7);
}

// Memory blocks in pieces of at most 49 bytes.
bool dev_read_block(uint8_t area, uint8_t* destination, uint32_t offset, uint32_t length, error_record& err,
                    bool quiet = false);
bool dev_write_block(uint8_t area, const uint8_t* source, uint32_t offset, uint32_t length, error_record& err);
bool dev_write_zero_block(uint8_t area, uint32_t offset, uint32_t length, error_record& err);

// Deletes records of the tool store (0x4C) or of the process-monitor store (0x4D, second
// store); 0xFFFF = all.
bool dev_clear_records(bool second_store, uint16_t value, error_record& err);
// Clears the controller's error buffer (0x4A 0x02 0x18 0x00).
bool dev_clear_error_buffer(error_record& err);

// Info queries. dev_query_info_frame takes the whole reply; dev_query_info copies the 59-byte
// block (frame bytes 4..62; byte 0 echoes the index).
bool dev_query_info_frame(uint8_t index, device_frame& reply, error_record& err);
bool dev_query_info(uint8_t index, uint8_t* destination59, error_record& err);
bool dev_query_info_14(error_record& err);
bool dev_query_info_19(uint32_t* destination2, error_record& err);
// Type 0 (or any other) info 0x07, type 1 info 0x1C, type 2 info 0x1D: each fills its piece
// of the process-data block.
bool dev_query_info_typed(int type, error_record& err);
bool dev_query_info_1b(error_record& err);
// The six self-test values: serial number, operating time, over-temperature time (first
// reply), mean power, mean speed, time factor (second reply).
bool dev_query_info_28(int32_t* destination6, bool wait, error_record& err);

// Records of 222 bytes (tool store, or the process-monitor store as the second store) and of
// 179 bytes (tool types). `found` is set only when every piece arrived; a reply with 0x40
// means no such record: true, found false.
bool dev_read_record222(bool second_store, uint16_t number, bool& found, uint8_t* destination, error_record& err);
bool dev_read_record222_8000(bool& found, uint8_t* destination, error_record& err);
bool dev_read_record179(uint16_t number, bool& found, uint8_t* destination, error_record& err);
bool dev_write_record222(uint16_t number, bool in_use, const uint8_t* source, error_record& err);
bool dev_write_record179(uint16_t number, bool in_use, const uint8_t* source, error_record& err);

// Value lists of 16-bit values, 26 a piece. A first reply with 0x40 means no data: true,
// found false, the vector empty.
bool dev_read_value_list(bool second_store, uint16_t list_id, uint32_t count, dev_progress& progress, bool& found,
                         std::vector<int16_t>& values, error_record& err);
bool dev_write_value_list(uint16_t list_id, const std::vector<int16_t>& values, dev_progress& progress,
                          error_record& err);

// Scanner parameter sets: set 0..127 or 0x80 | k; `exists` false when the reply says 0x40.
bool dev_read_scanner_block(uint8_t set, uint8_t block, uint8_t* data56, bool& exists, error_record& err);
bool dev_write_scanner_block(uint8_t set, uint8_t block, const uint8_t* data56, error_record& err);
bool dev_clear_scanner_set(uint8_t set, error_record& err);

// The 36 scanner configuration records of 56 bytes (2016 bytes), progress titled with the
// customer configuration's name. Leaves `update_in_progress` set for the caller.
bool dev_write_records36(const uint8_t* data2016, const QString& name, error_record& err);
// The byte stream in pieces of 54 bytes, the last one flagged; an empty stream is refused
// (host error 31).
bool dev_write_stream(const uint8_t* data, uint32_t length, error_record& err);

// Time-outs of the requests.
constexpr uint16_t dev_timeout_ms = 10000;
constexpr uint16_t dev_long_timeout_ms = 60000;
