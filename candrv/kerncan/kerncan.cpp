// kerncan: the CAN driver interface for the parallel-port dongle on systems where programs may not
// touch ports. Every operation is one I/O-control request to the dongle's kernel driver; matching
// and the controller are the driver's. This library keeps the objects, a receive buffer per object
// in the driver's record layout, the latches filled from the controller status word of the replies,
// and the last error with its class.
#include <cstdlib>
#include <cstring>

#include "candrv/candrv.h"
#include "candrv/candrv_core.h"
#include "platform/devices/devices.h"
#include "platform/devices/win_error.h"

namespace {

namespace devices = platform::devices;
using candrv::object_count;

constexpr int send_object = 15;
constexpr size_t short_request = 16, short_reply = 8, long_request = 22;

enum error_class : uint16_t { class_windows = 0, class_driver = 1, class_status = 2 };
constexpr uint32_t refused_option = 6;

struct kerncan_state {
    devices::handle device = devices::invalid_handle;
    bool open = false;
    uint8_t connection = 0;
    uint8_t* fifo[object_count] = {};
    uint8_t kind[object_count] = {};
    uint8_t pending[object_count] = {};
    // Receive buffers: extra word, identifier in bits 0..10 with the length in bits 12..15, data.
    uint8_t rxbuf[object_count][12] = {};
    uint8_t error_latch = 0;
    uint8_t overrun_latch = 0;
    uint32_t last_error = 0;
    uint16_t error_class = 0;
};

kerncan_state& st()
{
    static kerncan_state s;
    return s;
}

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
void put16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t code_of(int f) { return 0xC0020000u | (static_cast<uint32_t>(f) << 2) | (f == 13 ? 2u : 0u); }

// A failed request: the Windows error, or the driver's own code when it carries the customer bit.
void note_failure()
{
    kerncan_state& s = st();
    uint32_t e = platform::get_last_error();
    if (e & platform::win_error::customer_bit) {
        s.error_class = class_driver;
        s.last_error = e & 0xFF;
    } else {
        s.error_class = class_windows;
        s.last_error = e;
    }
}

void note_status(uint16_t status)
{
    kerncan_state& s = st();
    s.last_error = status;
    s.error_class = class_status;
}

bool request(int f, const void* in, uint32_t in_size, void* out, uint32_t out_size)
{
    uint32_t n = 0;
    if (devices::device_io_control(st().device, code_of(f), in, in_size, out, out_size, &n))
        return true;
    note_failure();
    return false;
}

// The controller status word of a reply: a high byte is an overrun, else a low byte an error.
void take_status_word(uint16_t word)
{
    kerncan_state& s = st();
    if (word >> 8)
        s.overrun_latch = static_cast<uint8_t>(word >> 8);
    else if (word & 0xFF)
        s.error_latch = static_cast<uint8_t>(word);
}

// A long request about one object: handle at +4, connection byte at +6.
bool object_request(int f, int16_t handle, uint8_t* reply)
{
    uint8_t in[long_request] = {};
    put16(in + 4, static_cast<uint16_t>(handle));
    in[6] = st().connection;
    std::memset(reply, 0, long_request);
    return request(f, in, long_request, reply, long_request);
}

bool short_request_with_connection(int f, uint16_t value)
{
    uint8_t in[short_request] = {};
    uint8_t out[short_reply] = {};
    in[2] = st().connection;
    put16(in + 4, value);
    return request(f, in, short_request, out, short_reply);
}

bool is_receive_object(int h) { return candrv::valid_handle(h) && st().kind[h] == candrv::kind_receive; }

// Copies the buffer out as the common read does, with the length cut to the eight bytes it holds.
void read_buffer(const uint8_t* b, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra)
{
    uint16_t word = get16(b + 2);
    uint8_t len = candrv::clamp_length(word >> 12);
    if (length)
        *length = len;
    if (id)
        *id = static_cast<int16_t>(word & 0x7FF);
    if (extra)
        *extra = static_cast<int16_t>(get16(b));
    if (data)
        std::memcpy(data, b + 4, len);
}

}  // namespace

extern "C" {

uint8_t CANOpenDevice(int16_t baud, int16_t second, uint16_t port)
{
    kerncan_state& s = st();
    if (s.open)
        return 0;
    s.device = devices::create_file("\\\\.\\CANKDRV");
    if (s.device == devices::invalid_handle) {
        s.last_error = platform::get_last_error();
        s.error_class = class_windows;
        return 0;
    }
    uint8_t in[short_request] = {};
    uint8_t out[short_reply] = {};
    put16(in + 4, static_cast<uint16_t>(baud));
    put16(in + 6, static_cast<uint16_t>(second));
    put16(in + 8, port);
    if (!request(1, in, short_request, out, short_reply)) {
        devices::close_handle(s.device);
        s.device = devices::invalid_handle;
        return 0;
    }
    if (uint16_t status = get16(out)) {
        note_status(status);
        devices::close_handle(s.device);
        s.device = devices::invalid_handle;
        return 0;
    }
    s.connection = out[4];
    std::memset(s.fifo, 0, sizeof(s.fifo));
    std::memset(s.kind, 0, sizeof(s.kind));
    std::memset(s.pending, 0, sizeof(s.pending));
    s.open = true;
    return 1;
}

uint8_t CANCloseDevice(void)
{
    kerncan_state& s = st();
    if (!s.open)
        return 0;
    uint8_t in[short_request] = {};
    uint8_t out[short_reply] = {};
    in[2] = s.connection;
    if (!request(4, in, short_request, out, short_reply))
        return 0;
    if (uint16_t status = get16(out)) {
        note_status(status);
        return 0;
    }
    devices::close_handle(s.device);
    s.device = devices::invalid_handle;
    s.open = false;
    return 1;
}

uint8_t CANReset(void)
{
    uint8_t scratch_in[3] = {}, scratch_out[3] = {};
    return request(14, scratch_in, 3, scratch_out, 3) ? 1 : 0;
}

uint32_t CANError(void)
{
    kerncan_state& s = st();
    uint8_t e = s.error_latch;
    s.error_latch = 0;
    return e;
}

uint8_t CANOverrun(void)
{
    kerncan_state& s = st();
    uint8_t o = s.overrun_latch ? 1 : 0;
    s.overrun_latch = 0;
    return o;
}

void CANSetGlobalMsk(uint16_t mask) { short_request_with_connection(2, mask); }
void CANSetDiagMsk(uint16_t mask) { short_request_with_connection(3, mask); }

uint8_t CANOpenSndObj(int16_t* handle, uint16_t, uint8_t, int32_t)
{
    if (handle)
        *handle = send_object;
    return 1;
}

uint8_t CANOpenRcvObj(int16_t* handle, uint16_t id, void* fifo, int32_t option, uint8_t object0, uint8_t extra)
{
    kerncan_state& s = st();
    if (handle)
        *handle = 0;
    if (option != 0) {
        s.last_error = refused_option;
        s.error_class = class_status;
        return 0;
    }
    uint8_t in[short_request] = {};
    uint8_t out[short_reply] = {};
    in[2] = s.connection;
    put16(in + 4, id);
    // The field holds 32 bits: on this system it tells the driver no more than "has a FIFO".
    uintptr_t address = reinterpret_cast<uintptr_t>(fifo);
    put32(in + 8, fifo ? static_cast<uint32_t>(address | (address >> 32) | 1u) : 0u);
    in[12] = object0;
    in[13] = extra;
    if (!request(6, in, short_request, out, short_reply))
        return 0;
    if (uint16_t status = get16(out)) {
        note_status(status);
        return 0;
    }
    int16_t h = static_cast<int16_t>(get16(out + 2));
    if (!candrv::valid_handle(h))
        return 0;  // a handle no array here can hold
    s.kind[h] = candrv::kind_receive;
    s.fifo[h] = static_cast<uint8_t*>(fifo);
    s.pending[h] = 0;
    if (handle)
        *handle = h;
    return 1;
}

void CANCloseObj(int16_t handle)
{
    kerncan_state& s = st();
    if (!candrv::valid_handle(handle) || s.kind[handle] == candrv::kind_free)
        return;
    uint8_t in[short_request] = {};
    uint8_t out[short_reply] = {};
    put16(in, static_cast<uint16_t>(handle));
    in[2] = s.connection;
    (void)request(7, in, short_request, out, short_reply);
    s.kind[handle] = candrv::kind_free;
    s.fifo[handle] = nullptr;
    s.pending[handle] = 0;
}

uint8_t CANSndReady(int16_t handle)
{
    uint8_t reply[long_request];
    if (!object_request(8, handle, reply))
        return 0;
    take_status_word(get16(reply + 8));
    return reply[2];
}

uint8_t CANWrMsg(int16_t handle, const uint8_t* data, uint8_t length, uint16_t id)
{
    if (handle != send_object || length > candrv::max_length || (length && !data))
        return 0;
    uint8_t in[long_request] = {};
    uint8_t reply[long_request] = {};
    put16(in + 4, static_cast<uint16_t>(handle));
    in[6] = st().connection;
    put16(in + 12, static_cast<uint16_t>((id & candrv::id_mask) | (length << 12)));
    if (length)
        std::memcpy(in + 14, data, length);
    if (!request(9, in, long_request, reply, long_request))
        return 0;
    take_status_word(get16(reply + 8));
    return reply[2];
}

uint8_t CANRcvReady(int16_t handle)
{
    kerncan_state& s = st();
    if (!candrv::valid_handle(handle))
        return 0;
    uint8_t reply[long_request];
    if (!object_request(11, handle, reply))
        return 0;
    if (reply[2]) {
        std::memcpy(s.rxbuf[handle], reply + 10, 12);
        s.pending[handle] = 1;
    }
    take_status_word(get16(reply + 8));
    return reply[2];
}

void CANRdMsg(int16_t handle, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra)
{
    kerncan_state& s = st();
    if (!candrv::valid_handle(handle))
        return;
    if (!s.pending[handle]) {
        if (length)
            *length = 0;
        return;
    }
    read_buffer(s.rxbuf[handle], data, length, id, extra);
    s.pending[handle] = 0;
}

void CANRdStatus(void)
{
    uint8_t reply[long_request];
    if (object_request(15, 0, reply))
        take_status_word(get16(reply + 8));
}

uint8_t CANRdPort(uint16_t port)
{
    uint8_t in = static_cast<uint8_t>(port), out = 0;
    return request(12, &in, 1, &out, 1) ? out : 0;
}

void CANFlushRcvBuf(int16_t handle)
{
    kerncan_state& s = st();
    if (!is_receive_object(handle))
        return;
    s.pending[handle] = 0;
    uint8_t in[long_request] = {};
    uint8_t reply[long_request] = {};
    put16(in + 4, static_cast<uint16_t>(handle));
    (void)request(16, in, long_request, reply, long_request);
}

void CANFlushRcvAll(void)
{
    kerncan_state& s = st();
    std::memset(s.pending, 0, sizeof(s.pending));
    uint8_t in[short_request] = {};
    uint8_t out[short_reply] = {};
    in[2] = s.connection;
    (void)request(17, in, short_request, out, short_reply);
}

uint8_t CANOpenMsgFifo(void** fifo, uint16_t capacity, uint8_t allocate)
{
    if (!fifo || !candrv::fifo::valid_capacity(capacity))
        return 0;
    if (allocate)
        *fifo = std::calloc(1, candrv::fifo::size_for(capacity));
    if (*fifo)
        candrv::fifo::init(static_cast<uint8_t*>(*fifo), capacity);
    return *fifo ? 1 : 0;
}

void CANCloseMsgFifo(void* fifo) { std::free(fifo); }

void CANClearMsgFifo(int16_t handle)
{
    if (candrv::valid_handle(handle) && st().fifo[handle])
        candrv::fifo::clear(st().fifo[handle]);
}

uint8_t CANMsgInFifo(int16_t handle, uint8_t* status)
{
    kerncan_state& s = st();
    if (status)
        *status = 0;
    if (!candrv::valid_handle(handle) || !s.fifo[handle])
        return 0;
    uint8_t* f = s.fifo[handle];
    uint32_t flags = candrv::get_field(f, candrv::fifo::overflow);
    if (!candrv::fifo::empty(f)) {
        if (status && (flags & 0x02))
            *status = 1;
        candrv::put_field(f, candrv::fifo::overflow, flags & ~0x0202u);
        return 1;
    }
    candrv::put_field(f, candrv::fifo::write_index, 0);
    candrv::put_field(f, candrv::fifo::read_index, 0);
    uint8_t in[long_request] = {};
    put16(in + 4, static_cast<uint16_t>(handle));
    if (!request(13, in, long_request, f, long_request))
        return 0;
    if (candrv::get_field(f, candrv::fifo::write_index) == 0)
        return 0;
    flags = candrv::get_field(f, candrv::fifo::overflow);
    if (status)
        *status = static_cast<uint8_t>(flags);
    candrv::put_field(f, candrv::fifo::overflow, 0);
    return 1;
}

void CANRdFifoMsg(int16_t handle, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra)
{
    kerncan_state& s = st();
    if (!candrv::valid_handle(handle) || !s.fifo[handle])
        return;
    uint8_t rec[12];
    if (candrv::fifo::pop(s.fifo[handle], rec))
        std::memcpy(s.rxbuf[handle], rec, 12);
    read_buffer(s.rxbuf[handle], data, length, id, extra);
}

uint32_t GetLastErrorX(uint16_t* error_class)
{
    kerncan_state& s = st();
    uint32_t e = s.last_error;
    if (error_class)
        *error_class = s.error_class;
    s.last_error = 0;
    return e;
}

}  // extern "C"
