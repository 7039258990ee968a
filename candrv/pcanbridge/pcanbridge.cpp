// pcanbridge: the CAN driver interface on the PEAK USB adapter. The adapter's library has one
// receive queue; this library adds the message objects, the identifier dispatch and a receive
// buffer per object on top of it. The send object is always object 0.
#include <cstring>

#include "candrv/candrv.h"
#include "candrv/candrv_core.h"
#include "platform/devices/pcan_slot.h"
#include "platform/pcan_usb/pcan_usb.h"

namespace {

using candrv::object_table;
namespace pcan = platform::pcan;

constexpr int last_receive_object = 14;
// A library whose read keeps failing without ever reporting an empty queue must not hold the
// caller in the receive loop for good.
constexpr int max_reads_per_poll = 1024;

struct bridge_state {
    object_table objects{};
    uint32_t last_result = 0;

    bridge_state() { objects.clear(); }
};

bridge_state& st()
{
    static bridge_state s;
    return s;
}

bool is_receive_object(int h) { return candrv::valid_handle(h) && (st().objects.kind[h] & 3) == candrv::kind_receive; }

// Takes records from the adapter's queue until one for `h` was stored or the queue is empty.
bool poll_queue(int h)
{
    bridge_state& s = st();
    bool found = false;
    for (int n = 0; n < max_reads_per_poll && !found; ++n) {
        uint8_t rec[pcan::record_size] = {};
        uint32_t r = pcan_read(rec);
        if (r & pcan::st_queue_empty)
            break;
        if (r != 0 || rec[pcan::rec_type] != pcan::type_standard)
            continue;
        uint16_t id = static_cast<uint16_t>(rec[pcan::rec_id] | (rec[pcan::rec_id + 1] << 8));
        int m = s.objects.dispatch(id);
        if (m < 0 || s.objects.fifo[m])
            continue;  // no object for it, or one with a FIFO: this library never fills FIFOs
        uint8_t data[8] = {};
        uint8_t len = candrv::clamp_length(rec[pcan::rec_length]);
        std::memcpy(data, rec + pcan::rec_data, len);
        s.objects.deliver(m, id, len, data);
        found = m == h;
    }
    return found;
}

}  // namespace

extern "C" {

uint8_t CANOpenDevice(int16_t baud, int16_t, uint16_t)
{
    bridge_state& s = st();
    if (!candrv::baud_accepted(candrv::library::pcanbridge, baud))
        return 0;
    s.objects.clear();
    s.last_result = pcan_init(candrv::timing_table[baud].pcanbridge, pcan::type_standard);
    return s.last_result == 0 ? 1 : 0;
}

uint8_t CANCloseDevice(void) { return static_cast<uint8_t>(pcan_close()); }

void CANFlushRcvAll(void)
{
    uint8_t rec[pcan::record_size];
    // Discards what the adapter holds; bounded like the receive loop.
    for (int n = 0; n < max_reads_per_poll; ++n)
        if (pcan_status() & pcan::st_queue_empty || (pcan_read(rec) & pcan::st_queue_empty))
            break;
}

uint8_t CANReset(void)
{
    CANFlushRcvAll();
    return 1;
}

// Only the error bits count: the status also says "receive queue empty" and "transmit queue
// full", which are no errors, and the caller takes any bit of the low byte for one.
uint32_t CANError(void) { return pcan_status() & pcan::error_mask; }

uint8_t CANOpenSndObj(int16_t* handle, uint16_t, uint8_t, int32_t)
{
    bridge_state& s = st();
    s.objects.kind[0] = candrv::kind_send;
    s.objects.fifo[0] = nullptr;
    if (handle)
        *handle = 0;
    return 1;
}

uint8_t CANOpenRcvObj(int16_t* handle, uint16_t id, void* fifo, int32_t, uint8_t object0, uint8_t)
{
    bridge_state& s = st();
    if (handle)
        *handle = 0;
    auto a = s.objects.allocate_receive(id, static_cast<uint8_t*>(fifo), object0 != 0, last_receive_object);
    s.objects.note_candidate(a.candidate);
    if (handle)
        *handle = a.candidate;
    return a.taken ? 1 : 0;
}

void CANCloseObj(int16_t handle) { st().objects.close(handle); }

uint8_t CANSndReady(int16_t) { return (pcan_status() & pcan::transmit_busy_mask) == 0 ? 1 : 0; }

uint8_t CANWrMsg(int16_t, const uint8_t* data, uint8_t length, uint16_t id)
{
    if (length > candrv::max_length || (length && !data))
        return 0;
    uint8_t rec[pcan::record_size] = {};  // bytes past the length stay zero
    for (int i = 0; i < 4; ++i)
        rec[pcan::rec_id + i] = static_cast<uint8_t>(static_cast<uint32_t>(id) >> (8 * i));
    rec[pcan::rec_type] = pcan::type_standard;
    rec[pcan::rec_length] = length;
    if (length)
        std::memcpy(rec + pcan::rec_data, data, length);
    st().last_result = pcan_write(rec);
    return st().last_result == 0 ? 1 : 0;
}

uint8_t CANRcvReady(int16_t handle)
{
    bridge_state& s = st();
    if (!candrv::valid_handle(handle))
        return 0;
    s.last_result = pcan_status() & pcan::error_mask;
    if (s.last_result)
        return 0;
    bool found = poll_queue(handle);
    // A frame stored for this object by an earlier call for another object counts too.
    return found || (is_receive_object(handle) && s.objects.pending[handle]) ? 1 : 0;
}

void CANRdMsg(int16_t handle, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra)
{
    st().objects.read(handle, data, length, id, extra);
}

void CANSetGlobalMsk(uint16_t mask) { st().objects.global_mask = mask; }
void CANSetDiagMsk(uint16_t mask) { st().objects.diag_mask = mask; }

uint8_t CANOverrun(void)
{
    bridge_state& s = st();
    uint8_t r = s.objects.overrun ? 1 : 0;
    s.objects.overrun = false;
    return r;
}

}  // extern "C"
