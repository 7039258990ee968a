// The queue of mailbox commands (start, teach, step, stop, reset ...) that the windows
// fill and the link timer sends between its status requests, oldest first.
#pragma once
#include <cstdint>

#include "core/protocol/device_frame.h"

struct command_mailbox_state {
    static constexpr int capacity = 4;
    int32_t count = 0;                // frames queued, 0 to 4
    device_frame frames[capacity];     // slot 0 the newest, slot count-1 the oldest
};

// The one queue of the process.
command_mailbox_state& command_mailbox();

// Appends a frame as the newest; a full queue collapses to this frame alone, turned into
// a stop-stepping command.
void queue_request(const device_frame& frame);
// Replaces whatever is queued by this one frame.
void queue_set_single(const device_frame& frame);
// Replaces whatever is queued by three frames sent in the order given.
void queue_set_three(const device_frame& first, const device_frame& second, const device_frame& last);
// The oldest frame (the next to send), or nullptr when the queue is empty.
const device_frame* queue_oldest();
void queue_remove_oldest();
void queue_clear();
