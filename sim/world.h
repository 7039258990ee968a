// The simulated controller's state: what it is (profile), what it shows (status data),
// what it stores (parameters; later the function, tool and record stores), and what it
// was told (mailbox commands). Handlers read and change it; nothing else does.
#pragma once
#include <array>
#include <deque>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/protocol/device_frame.h"
#include "sim/diagnostics.h"
#include "sim/pm_live.h"

namespace sim {

struct world {
    std::string profile_name;
    bool loader_only = false;  // only the firmware loader runs

    // Status reply: data count and frame bytes 4..62 as they are sent.
    uint8_t status_count = device_protocol::status_data_count;
    std::array<uint8_t, device_protocol::frame_size - device_protocol::data_offset> status{};

    // Parameters by number; a number not in the map is unknown to this controller.
    std::map<uint16_t, int32_t> parameters;

    // Info blocks by index: the data count and frame bytes 5..62 as they are sent. Blocks
    // computed from other state (process data, record count) are not kept here.
    struct info_block {
        uint8_t count = device_protocol::reply_count_info;
        std::array<uint8_t, device_protocol::frame_size - 5> data{};
    };
    std::map<uint8_t, info_block> info;
    // Info 0x28 by sub-index (self-test results), frame bytes 5..62.
    std::map<uint8_t, info_block> self_test;
    // Error-buffer entries (info 0x18 + entry): frame bytes 7..62 each.
    std::vector<std::array<uint8_t, 56>> error_buffer;
    // The 140-byte process-data block, sent in three pieces.
    std::array<uint8_t, device_protocol::process_block_size> process_data{};

    // Function records: packed 52-byte records; numbers at or above the limit answer free.
    static constexpr size_t function_count = 512;
    static constexpr size_t function_size = 52;
    std::vector<std::array<uint8_t, function_size>> functions = std::vector<std::array<uint8_t, function_size>>(function_count);
    std::vector<bool> function_used = std::vector<bool>(function_count, false);
    uint16_t function_limit = function_count;

    // Tool types (179 bytes; 1..127 the vendor's, read-only), tools (222 bytes) with a value
    // list each (by list id), process-monitor records (222 bytes, contiguous) with theirs,
    // and the record of the last cycle.
    using record179 = std::array<uint8_t, device_protocol::record179_size>;
    using record222 = std::array<uint8_t, device_protocol::record222_size>;
    std::vector<record179> tool_types = std::vector<record179>(256);
    std::vector<bool> tool_type_used = std::vector<bool>(256, false);
    std::vector<record222> tools = std::vector<record222>(500);
    std::vector<bool> tool_used = std::vector<bool>(500, false);
    std::map<uint16_t, std::vector<int16_t>> tool_lists;
    std::vector<record222> pm_records;
    std::map<uint16_t, std::vector<int16_t>> pm_lists;
    bool last_cycle_valid = false;
    record222 last_cycle{};

    // Scanner sets 0..127 and the two user sets (128 + k); empty = no such set.
    std::vector<std::vector<uint8_t>> scanner_sets = std::vector<std::vector<uint8_t>>(130);

    // Bytes the program's flash part may hold; a tool, tool type or value list beyond them is
    // refused. 0: no limit (a controller whose memory is not modelled).
    size_t program_flash_limit = 0;

    // Memory areas 2 (diagnostic buffer) and 3 (clone data; its start holds the program).
    std::vector<uint8_t> diagnostic_area = std::vector<uint8_t>(device_protocol::diagnostic_area_size, 0);
    std::vector<uint8_t> clone_area = std::vector<uint8_t>(device_protocol::clone_area_size, 0);

    // The 36 scanner configuration records as received; complete after record 35.
    std::array<uint8_t, device_protocol::records36_count * device_protocol::records36_record> records36{};
    uint64_t records36_received = 0;  // bit per record index
    bool records36_complete = false;
    int32_t configuration_number = 0;  // bytes 0..3 of the complete set

    // The byte stream as received (54 bytes a piece) and whether its last piece came.
    std::vector<uint8_t> stream;
    bool stream_complete = false;

    // Mailbox behaviour: start, teach and test scan keep "scanning" (status data byte 0 bit 1)
    // for this many status replies, then report OK (bit 3) with the teach value in data bytes
    // 34..37; a stop clears scanning after this many status replies; a reset (command 9, sub
    // 3) reboots: the controller leaves the bus and is back after reboot_ms.
    uint32_t scan_status_polls = 3;
    uint32_t stop_status_polls = 1;
    int32_t teach_value = 4500;
    int32_t reboot_ms = 500;
    uint32_t scanning_left = 0;
    uint32_t stopping_left = 0;
    // Outcomes of the next teaches (control command "teach-next"), used one per finished
    // teach in order: OK with the first value in data bytes 34..37 and the second (the other
    // side of a cluster) in 42..45, or KO. Without one a teach ends OK with teach_value.
    // A test scan takes them alike and also answers the first value in data 2..5 and 6..9.
    struct teach_outcome {
        bool ok = true;
        int32_t first = 0;
        int32_t second = 0;
    };
    std::deque<teach_outcome> teach_queue;
    uint8_t mailbox_command = 0;  // the command of the scan that runs
    bool reboot_pending = false;

    // A loaded program (control command "program"): the mailbox then runs real cycles of the
    // programmed functions. A cycle lasts scan_status_polls status replies and ends with OK or
    // KO by cycle_result (0 ok, 1 ko, 2 alternate); its measured value is the object position
    // plus cycle_offset. Steps move the position by step_speed x 10 hundredths a poll.
    bool program_loaded = false;
    uint8_t cycle_result = 0;
    bool alternate_ko = false;
    int32_t cycle_offset = 0;
    int32_t running_function = -1;  // -1 none; 0xFFFF a single scan
    uint8_t running_command = 0;
    uint8_t running_mode = 0;       // single scan: the mode byte
    int32_t running_target = 0;     // single scan: the packed object position
    int32_t step_speed = 0;         // signed percent while stepping, 0 otherwise
    bool live = false;              // inputs, outputs and position move in real time
    pm_live pm;                     // the process monitor's sample ring and cycle
    // The side bits (data 46 bits 2-3: 4 right only, 8 left only) a cluster member's result
    // reports; 0 both sides.
    uint8_t cycle_side = 0;
    self_test_run selftest;         // the self test in memory area 2

    // Mailbox commands in the order they arrived (bounded).
    std::vector<device_frame> commands;
    static constexpr size_t max_commands = 1000;

    // A store of the program changed (a write, a cycle's counter, a taught curve): the
    // simulator writes the program back to its non-volatile memory after this request.
    bool program_changed = false;

    uint64_t requests_handled = 0;
    uint64_t violations = 0;  // malformed requests refused
};

}  // namespace sim
