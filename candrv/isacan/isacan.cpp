// isacan: the CAN driver interface for the ISA CAN board. The board's controller keeps sixteen
// message objects of its own and does the identifier matching; this library reaches its registers
// through an index port and a data port, and keeps no masks, buffers or FIFOs.
#include <cstring>

#include "candrv/candrv.h"
#include "candrv/candrv_core.h"
#include "platform/devices/sim_hardware.h"
#include "platform/portio/portio.h"

namespace {

namespace portio = platform::portio;
using candrv::object_count;

constexpr uint8_t reg_timing = 0, reg_one = 1, reg_probe = 2, reg_prescaler = 3, reg_pending_lo = 4,
                  reg_pending_hi = 5, reg_request_lo = 8, reg_request_hi = 9, reg_ten = 10, reg_mode = 16,
                  reg_error = 17, reg_eighteen = 18, reg_send_ack = 21, reg_close_lo = 24, reg_close_hi = 25,
                  reg_config = 44, reg_led = 46, reg_descriptor = 64, reg_data = 128;
constexpr uint8_t probe_value = 0xDA, error_bits = 0x64;

struct isacan_state {
    uint8_t open_count = 0;
    uint16_t base = 0;
    int16_t baud = 0;
    uint8_t error_latch = 0;
    uint8_t kind[object_count] = {};
    uint8_t second[object_count] = {};
    uint16_t id[object_count] = {};
    uint16_t word[object_count] = {};
};

isacan_state& st()
{
    static isacan_state s;
    return s;
}

void wr(uint8_t r, uint8_t v)
{
    portio::out8(st().base, r);
    portio::out8(static_cast<uint16_t>(st().base + 1), v);
}

uint8_t rd(uint8_t r)
{
    portio::out8(st().base, r);
    return portio::in8(static_cast<uint16_t>(st().base + 1));
}

uint8_t bit_of(int h) { return static_cast<uint8_t>(1u << (h % 8)); }
uint8_t pending_reg(int h) { return h < 8 ? reg_pending_lo : reg_pending_hi; }
uint8_t request_reg(int h) { return h < 8 ? reg_request_lo : reg_request_hi; }
uint8_t descriptor_reg(int h) { return static_cast<uint8_t>(reg_descriptor + 2 * h); }
uint8_t data_reg(int h, int i) { return static_cast<uint8_t>(reg_data + 8 * h + i); }

void write_descriptor(int h, uint16_t word)
{
    wr(descriptor_reg(h), static_cast<uint8_t>(word));
    wr(static_cast<uint8_t>(descriptor_reg(h) + 1), static_cast<uint8_t>(word >> 8));
}

uint16_t descriptor_of(uint16_t id, uint8_t length)
{
    return static_cast<uint16_t>(((id >> 3) & 0xFF) | ((((id & 7) << 5) | (length & 0x0F)) << 8));
}

void clear_object(int h)
{
    isacan_state& s = st();
    s.kind[h] = candrv::kind_free;
    s.second[h] = 0;
    s.id[h] = 0;
    s.word[h] = 0;
}

void load_timing(int16_t baud)
{
    const candrv::timing_row& t = candrv::timing_table[baud];
    wr(reg_timing, t.isacan_reg0);
    wr(reg_one, 0);
    wr(reg_prescaler, t.isacan_reg3);
}

void read_message(int h, uint8_t* data, uint8_t* length, int16_t* ident, int16_t* extra)
{
    uint8_t lo = rd(descriptor_reg(h));
    uint8_t hi = rd(static_cast<uint8_t>(descriptor_reg(h) + 1));
    // The length nibble can say up to 15; the object holds eight data bytes.
    uint8_t len = candrv::clamp_length(hi & 0x0F);
    if (length)
        *length = len;
    if (ident)
        *ident = static_cast<int16_t>((lo << 3) | (hi >> 5));
    for (int i = len - 1; i >= 0; --i) {
        uint8_t v = rd(data_reg(h, i));
        if (data)
            data[i] = v;
    }
    if (extra)
        *extra = 0;
    uint8_t p = pending_reg(h);
    wr(p, static_cast<uint8_t>(rd(p) & ~bit_of(h)));
}

}  // namespace

extern "C" {

uint8_t CANOpenDevice(int16_t baud, int16_t, uint16_t address)
{
    isacan_state& s = st();
    platform::sim_hardware::attach();
    if (s.open_count) {
        ++s.open_count;
        return 0;
    }
    s.base = address;
    if (!candrv::baud_accepted(candrv::library::isacan, baud)) {
        ++s.open_count;
        return 0;
    }
    s.error_latch = 0;
    s.baud = baud;
    wr(reg_mode, 3);
    wr(reg_probe, probe_value);
    if (rd(reg_probe) != probe_value) {
        ++s.open_count;
        return 0;  // no board at that address
    }
    load_timing(baud);
    wr(reg_eighteen, 3);
    wr(reg_pending_lo, 0);
    wr(reg_pending_hi, 0);
    wr(reg_error, 0);
    wr(reg_ten, 0);
    wr(reg_close_lo, 0xFF);
    wr(reg_close_hi, 0xFF);
    wr(reg_config, static_cast<uint8_t>(rd(reg_config) | 0xCD));
    wr(reg_mode, 0);
    for (int h = 0; h < object_count; ++h) {
        write_descriptor(h, 0);
        clear_object(h);
    }
    ++s.open_count;
    return 1;
}

uint8_t CANCloseDevice(void)
{
    isacan_state& s = st();
    if (s.open_count > 0)
        --s.open_count;
    return 1;
}

uint8_t CANReset(void)
{
    isacan_state& s = st();
    s.error_latch = 0;
    wr(reg_mode, 3);
    wr(reg_pending_lo, 0);
    wr(reg_pending_hi, 0);
    // The controller needs a moment in configuration mode; a loop count, not a timer.
    for (volatile int i = 0; i <= 10000; ++i) {
    }
    // Before any open the saved index is 0, a row of the table too.
    load_timing(s.baud >= 0 && s.baud < candrv::timing_rows ? s.baud : 0);
    wr(reg_probe, probe_value);
    wr(reg_eighteen, 3);
    wr(reg_error, 0);
    wr(reg_mode, 0);
    wr(reg_close_lo, 0xFF);
    wr(reg_close_hi, 0xFF);
    return 1;
}

uint32_t CANError(void)
{
    isacan_state& s = st();
    uint8_t e = static_cast<uint8_t>(rd(reg_error) & error_bits);
    s.error_latch = e;
    wr(reg_error, 0);
    return e;
}

uint8_t CANOpenSndObj(int16_t* handle, uint16_t, uint8_t, int32_t)
{
    isacan_state& s = st();
    for (int h = object_count - 1; h >= 0; --h) {
        if (s.kind[h] == candrv::kind_free) {
            s.kind[h] = candrv::kind_send;
            if (handle)
                *handle = static_cast<int16_t>(h);
            return 1;
        }
    }
    return 0;  // all sixteen in use: the handle is left as it was
}

uint8_t CANOpenRcvObj(int16_t* handle, uint16_t id, void*, int32_t, uint8_t object0, uint8_t extra)
{
    isacan_state& s = st();
    if (handle)
        *handle = 0;
    int cand = 0;
    if (!object0) {
        cand = 1;
        while (cand <= 15 && s.kind[cand] != candrv::kind_free)
            ++cand;
    }
    bool take = object0 ? s.kind[0] == candrv::kind_free : cand <= 15;
    if (extra && cand > 7)
        take = false;
    if (take) {
        s.kind[cand] = static_cast<uint8_t>(candrv::kind_receive | (extra ? candrv::kind_extra : 0));
        s.second[cand] = 0;
        s.id[cand] = id;
        write_descriptor(cand, descriptor_of(id, 0));
    }
    if (handle)
        *handle = static_cast<int16_t>(cand);
    return take ? 1 : 0;
}

void CANCloseObj(int16_t handle)
{
    isacan_state& s = st();
    if (!candrv::valid_handle(handle) || s.kind[handle] == candrv::kind_free)
        return;
    if (s.kind[handle] == candrv::kind_send)
        wr(handle < 8 ? reg_close_lo : reg_close_hi, bit_of(handle));
    write_descriptor(handle, 0);
    clear_object(handle);
}

uint8_t CANSndReady(int16_t handle)
{
    if (!candrv::valid_handle(handle))
        return 0;
    if (rd(request_reg(handle)) & bit_of(handle))
        return 0;
    if (rd(reg_send_ack))
        wr(reg_send_ack, 0);
    return 1;
}

uint8_t CANWrMsg(int16_t handle, const uint8_t* data, uint8_t length, uint16_t id)
{
    if (!candrv::valid_handle(handle) || length > candrv::max_length || (length && !data))
        return 0;
    if (!CANSndReady(handle))
        return 0;
    write_descriptor(handle, descriptor_of(id, length));
    for (int i = length - 1; i >= 0; --i)
        wr(data_reg(handle, i), data[i]);
    uint8_t r = request_reg(handle);
    wr(r, static_cast<uint8_t>(rd(r) | bit_of(handle)));
    return 1;
}

uint8_t CANRcvReady(int16_t handle)
{
    if (!candrv::valid_handle(handle))
        return 0;
    return (rd(pending_reg(handle)) & bit_of(handle)) ? 1 : 0;
}

void CANRdMsg(int16_t handle, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra)
{
    if (candrv::valid_handle(handle))
        read_message(handle, data, length, id, extra);
}

void CANFlushRcvBuf(int16_t handle)
{
    isacan_state& s = st();
    if (!candrv::valid_handle(handle) || (s.kind[handle] & 3) != candrv::kind_receive)
        return;
    if (CANRcvReady(handle)) {
        uint8_t scratch[8];
        read_message(handle, scratch, nullptr, nullptr, nullptr);
    }
}

void CANFlushRcvAll(void)
{
    for (int16_t h = 0; h < object_count; ++h)
        CANFlushRcvBuf(h);
}

void CANSwitchLED(uint8_t led, uint8_t on)
{
    uint8_t bit = led ? 0x40 : 0x80;
    uint8_t v = rd(reg_led);
    wr(reg_led, static_cast<uint8_t>(on == 1 ? v | bit : v & ~bit));
}

void CANMemCopy(void* destination, const void* source, uint32_t count)
{
    if (destination && source && count)
        std::memmove(destination, source, count);
}

uint8_t CANRdPort(uint16_t reg) { return rd(static_cast<uint8_t>(reg)); }

uint16_t CANRdPortWord(uint16_t reg)
{
    uint8_t lo = rd(static_cast<uint8_t>(reg));
    uint8_t hi = rd(static_cast<uint8_t>(reg + 1));
    return static_cast<uint16_t>(lo | (hi << 8));
}

void CANWrPort(uint16_t reg, uint8_t value) { wr(static_cast<uint8_t>(reg), value); }

void CANSetPortBits(uint8_t reg, uint8_t bits) { wr(reg, static_cast<uint8_t>(rd(reg) | bits)); }

void CANResetPortBits(uint8_t reg, uint8_t bits) { wr(reg, static_cast<uint8_t>(rd(reg) & ~bits)); }

void CANSetInt03(void) {}

void WR_CAM(int16_t handle, uint16_t word)
{
    if (candrv::valid_handle(handle))
        write_descriptor(handle, word);
}

}  // extern "C"
