#include "core/device/command_mailbox.h"

command_mailbox_state& command_mailbox()
{
    static command_mailbox_state q;
    return q;
}

void queue_request(const device_frame& frame)
{
    auto& q = command_mailbox();
    if (q.count >= command_mailbox_state::capacity) {
        // A full queue means the keys run ahead of the controller: stop the movement.
        q.count = 1;
        q.frames[0] = frame;
        q.frames[0][device_protocol::command_offset] = device_protocol::cmd_stop_stepping;
        return;
    }
    for (int i = q.count; i > 0; --i)
        q.frames[i] = q.frames[i - 1];
    q.frames[0] = frame;
    ++q.count;
}

void queue_set_single(const device_frame& frame)
{
    auto& q = command_mailbox();
    q.count = 1;
    q.frames[0] = frame;
}

void queue_set_three(const device_frame& first, const device_frame& second, const device_frame& last)
{
    auto& q = command_mailbox();
    q.frames[2] = first;
    q.frames[1] = second;
    q.frames[0] = last;
    q.count = 3;
}

const device_frame* queue_oldest()
{
    auto& q = command_mailbox();
    return q.count > 0 ? &q.frames[q.count - 1] : nullptr;
}

void queue_remove_oldest()
{
    auto& q = command_mailbox();
    if (q.count > 0)
        --q.count;
}

void queue_clear() { command_mailbox().count = 0; }
