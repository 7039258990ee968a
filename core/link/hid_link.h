// The link to the controller's HID interface: search and open, send one frame per output
// report, and hand the reports that the receive thread read over to the GUI thread. One
// link per process; every call but the receive thread's comes from the GUI thread.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/protocol/error_record.h"

// Link codes put into the error record (type 2, USB host).
enum : int32_t {
    hid_code_short_pending_write = 2,
    hid_code_receive_error = 4,
    hid_code_bad_report = 7,
    hid_code_bad_length = 8,
    hid_code_write_timeout = 9,
    hid_code_no_device = 10,
    hid_code_no_reply = 11,
};

// Receive status codes and where a read error happened.
enum : int32_t {
    hid_status_none = 0,
    hid_status_read_error = 4,
    hid_status_unplugged = 10,
    hid_sub_completion_failed = 10,
    hid_sub_wait_failed = 11,
    hid_sub_read_not_started = 12,
};

// Finds the controller and opens it; false with code 10 when none was found.
bool hid_open(error_record& err);
// True when something waits for the GUI: a receive status (code 4 or 10; consumed, and a
// waiting report is dropped) or a report (code 0).
bool hid_poll(error_record& err);
// Copies the waiting frame (at most 63 bytes) and its length; false with code 7 when the
// report is not well formed. The report is consumed in every case.
bool hid_take_frame(uint8_t* destination, uint16_t& length, error_record& err);
// Writes one report carrying the frame and waits for the write; true only with code 0.
// The write deadline runs on the clock seam; with a clock that stands still a real device's
// stalled write ends 2 s of real time after it (the fake backend's waits move the clock).
bool hid_send_frame(const uint8_t* frame, size_t length, error_record& err);

// The search itself, also used by the receive thread to reopen after an unplug.
bool hid_find_and_open(error_record& err);
void hid_close_handles();

// Blocks until a status or a report waits, or timeout_ms passed; true when one waits.
// Lets the waiting loops sleep instead of spinning.
bool hid_wait(uint32_t timeout_ms);
// Drops a waiting report that cannot answer a request not yet sent; a status stays.
void hid_drop_report();

// The receive gate: while it is reset, no report is handed over.
void hid_gate_reset();
void hid_gate_set();
bool hid_gate_is_set();

bool hid_link_up();
uint8_t hid_telegram_counter();
uint16_t hid_input_report_length();
uint16_t hid_output_report_length();
// The sub-code and system error of the last read error (status-bar text).
int32_t hid_receive_sub_code();
uint32_t hid_last_system_error();
// Reports the receive thread has handed over since the start (diagnostics and tests).
uint64_t hid_reports_received();

struct hid_link_settings {
    uint32_t reopen_interval_ms = 1000;  // between searches after an unplug
    uint32_t write_deadline_ms = 1000;   // a write not finished by then ends with code 9
    uint32_t read_error_pause_ms = 10;   // keeps a failing read from spinning
};
hid_link_settings& hid_settings();

// Closes the handles and clears every state of the link. The receive thread must not run.
void hid_link_reset_for_tests();
