// The state of the HID link, shared by the link functions and the receive thread.
#pragma once
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "core/link/hid_link.h"
#include "platform/hid.h"

struct hid_link_state {
    // Search: rebuilt at every search, so repeated searches keep nothing.
    std::vector<platform::hid_interface_info> candidates;

    // Handles and report lengths. The receive thread replaces them after an unplug; the
    // write path holds io_lock so that the two never overlap.
    std::mutex io_lock;
    std::unique_ptr<platform::hid_device> read_handle;
    std::unique_ptr<platform::hid_device> write_handle;
    uint16_t input_report_length = 0;
    uint16_t output_report_length = 0;
    std::atomic<bool> link_up{false};
    uint8_t telegram_counter = 0;
    std::vector<uint8_t> output_report;
    uint16_t write_state = 0;  // 0 idle, 1 prepared, 2 pending

    // The one-slot mailbox and the gate, under mailbox_lock.
    std::mutex mailbox_lock;
    std::condition_variable mailbox_cv;  // something waits; the gate or stop changed
    std::vector<uint8_t> report;
    uint32_t received_count = 0;
    bool report_stale = false;  // read after the gate opened, queued while it was reset
    bool draining = false;      // the receive thread is still reading that backlog
    uint16_t mailbox_input_length = 0;
    int32_t status = hid_status_none;
    int32_t sub_code = 0;
    uint32_t last_error = 0;
    bool gate_set = true;
    uint64_t gate_openings = 0;
    uint64_t reports_received = 0;

    // Receive thread control. While the thread runs it owns the handles and reopens the
    // device itself.
    std::atomic<bool> stop{false};
    std::atomic<bool> receiver_running{false};
};

hid_link_state& hid_state();

// The receive loop (the body of the receive thread); returns when stop is requested.
void hid_receive_loop();
// Asks the receive loop to return and wakes it wherever it waits.
void hid_request_receive_stop();
