// The manual commands as mailbox frames: start and teach of programmed functions (a group of
// four starts its members in turn), the shared stop, the single scan with typed-in values,
// GoPos, rereference and stepping. None of them waits for the controller: they only rewrite
// the command queue that the link timer sends.
#pragma once
#include <cstdint>

#include "core/protocol/device_frame.h"

// Frame byte offsets of a single scan's values (inside the packed record from byte 7).
namespace manual_frame {
constexpr size_t function_number = 5;  // u16; 0xFFFF = no programmed function
constexpr size_t mode = 20;
constexpr size_t zero_pair = 22;      // two bytes always zero
constexpr size_t object_pos = 27;     // i32, hundredths
constexpr size_t teach_limit = 31;    // i16
constexpr size_t tolerance = 33;      // i16
constexpr size_t intensity = 35;      // device intensity code
constexpr size_t step_speed = 5;      // u16 percent, step frames
}  // namespace manual_frame

// Single-scan mode indices (the mode combo box).
enum single_scan_mode : uint8_t {
    ss_free_space = 0, ss_check_obj = 1, ss_go_pos = 2, ss_rereference = 3,
    ss_monitor_obj = 4, ss_ref_on_tool = 5, ss_preposition = 6,
};

// The start frame (command 1) of function n of the working image.
device_frame manual_function_frame(uint32_t n, uint8_t command);
// Queues the start of function n, replacing the queue: a member of a group of four whose
// number is 0 or 3 modulo 4 starts n, then the group's members 1 and 2.
void queue_start_function(int n);
// Teach of function n (none when n is -1): marks the teach code for the status handling,
// then queues as a start with every queued frame turned into a teach.
void queue_teach_function(int n);
// The stop shared by the manual page and the program window: replaces the queue.
device_frame manual_stop_frame();
void queue_stop();

struct single_scan_values {
    uint8_t mode = 0;
    int32_t object_pos = 0;
    int32_t teach_limit = 0;
    int32_t tolerance = 0;
    int intensity_index = 0;
};
device_frame single_scan_frame(const single_scan_values& v);

// Step + / - at a speed in percent, and the stop-stepping frame; both go through
// queue_request (in front of what is queued).
device_frame step_frame(bool positive, uint16_t speed);
device_frame stop_stepping_frame();
