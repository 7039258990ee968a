// portcan: the CAN driver interface for the CAN dongle on a PC parallel port. The dongle's BasicCAN
// controller is reached four bits at a time through the port's data, status and control registers;
// reception is polled, every receive-related call first empties the controller into the objects.
#include <cstdlib>
#include <cstring>

#include "candrv/candrv.h"
#include "candrv/candrv_core.h"
#include "platform/devices/sim_hardware.h"
#include "platform/portio/portio.h"

namespace {

using candrv::object_table;
namespace portio = platform::portio;

// Controller registers
constexpr uint8_t reg_control = 0, reg_command = 1, reg_status = 2, reg_acc_code = 4, reg_acc_mask = 5,
                  reg_btr0 = 6, reg_btr1 = 7, reg_output = 8, reg_tx_id = 10, reg_tx_len = 11, reg_tx_data = 12,
                  reg_rx_id = 20, reg_rx_len = 21, reg_rx_data = 22;
constexpr uint8_t cmd_release = 0x04, cmd_clear_overrun = 0x08, cmd_transmit = 0x01;
constexpr uint8_t st_rx_full = 0x01, st_overrun = 0x02, st_tx_free = 0x04, st_transmitting = 0x20,
                  st_error = 0x40, st_bus_off = 0x80;
constexpr int send_object = 15;
constexpr int last_receive_object = 14;
// A dongle whose receive-full bit never drops would hold the caller in the poll for good.
constexpr int max_frames_per_poll = 64;

struct portcan_state {
    uint16_t base = 0;
    uint8_t open_count = 0;
    bool open = false;
    int16_t baud = 0;
    uint16_t saved_base = 0;
    object_table objects{};
    uint8_t send_value = 0;
    uint16_t ids_and = candrv::id_mask;
    uint16_t ids_or = 0;
    uint16_t last_id = 0;
    uint8_t snapshot[12] = {};

    portcan_state() { objects.clear(); }
};

portcan_state& st()
{
    static portcan_state s;
    return s;
}

uint16_t data_port() { return st().base; }
uint16_t status_port() { return static_cast<uint16_t>(st().base + 1); }
uint16_t control_port() { return static_cast<uint16_t>(st().base + 2); }

uint8_t nibble(uint8_t s)
{
    return static_cast<uint8_t>(((s & 0x80) ? 0 : 0x08) | ((s >> 3) & 0x07));
}

uint8_t read_reg(uint8_t r)
{
    portio::out8(control_port(), 0x16);
    portio::out8(data_port(), static_cast<uint8_t>(0x80 | (r & 0x1F)));
    portio::out8(control_port(), 0x17);
    for (int i = 0; i < 4; ++i)
        (void)portio::in8(status_port());  // lets the dongle settle
    uint8_t high = nibble(portio::in8(status_port()));
    portio::out8(data_port(), 0x40);
    uint8_t low = nibble(portio::in8(status_port()));
    portio::out8(control_port(), 0x16);
    return static_cast<uint8_t>(high * 16 + low);
}

void write_reg(uint8_t r, uint8_t v)
{
    portio::out8(control_port(), 0x16);
    portio::out8(data_port(), r & 0x1F);
    portio::out8(control_port(), 0x17);
    portio::out8(data_port(), v);
    portio::out8(control_port(), 0x16);
}

void reset_pulse()
{
    // The reads only pass time for the dongle.
    portio::out8(control_port(), 0x16);
    for (int i = 0; i < 5; ++i)
        (void)portio::in8(data_port());
    portio::out8(control_port(), 0x12);
    for (int i = 0; i < 254; ++i)
        (void)portio::in8(data_port());
    portio::out8(control_port(), 0x16);
    for (int i = 0; i < 254; ++i)
        (void)portio::in8(data_port());
}

bool register_test()
{
    static const uint8_t regs[] = {4, 5, 6, 7, 8, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29};
    write_reg(reg_control, 1);
    int code = 0;
    for (uint8_t r : regs) {
        write_reg(r, static_cast<uint8_t>(r + 5));
        if (read_reg(r) != static_cast<uint8_t>(r + 5))
            code = 0x20;
    }
    if (code == 0)
        for (uint8_t r : regs)
            if (read_reg(r) != static_cast<uint8_t>(r + 5))
                code = 0x20;
    return code == 0;
}

bool port_base(uint16_t port, uint16_t& base)
{
    if (port == 1)
        base = 0x378;
    else if (port == 2)
        base = 0x278;
    else
        return false;
    return true;
}

void set_bits(uint8_t r, uint8_t bits)
{
    if (r == reg_command)
        write_reg(r, static_cast<uint8_t>((read_reg(r) & 0xE0) | bits));
    else
        write_reg(r, static_cast<uint8_t>(read_reg(r) | bits));
}

void reset_bits(uint8_t r, uint8_t bits)
{
    if (r == reg_command)
        write_reg(r, static_cast<uint8_t>(read_reg(r) & 0xE0 & ~bits));
    else
        write_reg(r, static_cast<uint8_t>(read_reg(r) & ~bits));
}

uint16_t agreeing_bits()
{
    portcan_state& s = st();
    return static_cast<uint16_t>(s.ids_and | (~s.ids_or & candrv::id_mask));
}

// The acceptance registers take writes only while the controller is in reset mode.
void write_filter(bool with_code, uint16_t code_id)
{
    portcan_state& s = st();
    uint16_t effective = static_cast<uint16_t>(agreeing_bits() & s.objects.global_mask & s.objects.diag_mask);
    uint8_t c = read_reg(reg_control);
    write_reg(reg_control, static_cast<uint8_t>(c | 1));
    write_reg(reg_acc_mask, static_cast<uint8_t>(~(effective >> 3)));
    if (with_code)
        write_reg(reg_acc_code, static_cast<uint8_t>(code_id >> 3));
    write_reg(reg_control, c);
}

void receive_poll()
{
    portcan_state& s = st();
    for (int n = 0; n < max_frames_per_poll && (read_reg(reg_status) & st_rx_full); ++n) {
        uint8_t id_high = read_reg(reg_rx_id);
        uint8_t len = read_reg(reg_rx_len);
        uint16_t ident = static_cast<uint16_t>((id_high << 3) | (len >> 5));
        if (!(len & 0x10)) {
            uint8_t data[8];
            for (int i = 0; i < 8; ++i)
                data[i] = read_reg(static_cast<uint8_t>(reg_rx_data + i));
            int h = s.objects.dispatch(ident);
            if (h >= 0 && s.objects.fifo[h]) {
                uint8_t* f = s.objects.fifo[h];
                if (candrv::fifo::full(f)) {
                    candrv::put_field(f, candrv::fifo::overflow, 1);
                } else {
                    candrv::layout_a::store(s.objects.rxbuf[h], ident, len & 0x0F, data);
                    candrv::fifo::push(f, s.objects.rxbuf[h]);
                }
            } else if (h >= 0) {
                s.objects.deliver(h, ident, len & 0x0F, data);
            }
        }
        set_bits(reg_command, cmd_release);
    }
    if (read_reg(reg_status) & st_overrun) {
        s.objects.overrun = true;
        set_bits(reg_command, cmd_clear_overrun);
    }
}

bool send_ready()
{
    uint8_t status = read_reg(reg_status);
    return (status & st_tx_free) && !(status & st_transmitting);
}

bool is_receive_object(int h)
{
    return candrv::valid_handle(h) && (st().objects.kind[h] & 3) == candrv::kind_receive;
}

void flush_object(int h)
{
    portcan_state& s = st();
    if (!is_receive_object(h))
        return;
    if (s.objects.fifo[h])
        candrv::fifo::clear(s.objects.fifo[h]);
    else
        s.objects.pending[h] = 0;
}

}  // namespace

extern "C" {

uint8_t CANOpenDevice(int16_t baud, int16_t, uint16_t port)
{
    portcan_state& s = st();
    platform::sim_hardware::attach();
    // A refused open leaves the base alone: an open device keeps talking to its own port.
    uint16_t base = 0;
    bool known_port = port_base(port, base);
    if (s.open || !candrv::baud_accepted(candrv::library::portcan, baud) || !known_port) {
        ++s.open_count;
        return 0;
    }
    s.base = base;
    s.objects.overrun = false;
    s.baud = baud;
    s.saved_base = s.base;
    reset_pulse();
    if (!register_test())
        return 0;
    write_reg(reg_command, 0x0E);
    s.objects.clear();
    s.ids_and = candrv::id_mask;
    s.ids_or = 0;
    s.last_id = 0;
    uint16_t timing = candrv::timing_table[baud].portcan;
    write_reg(reg_acc_code, 0);
    write_reg(reg_acc_mask, 0);
    write_reg(reg_btr0, static_cast<uint8_t>(timing >> 8));
    write_reg(reg_btr1, static_cast<uint8_t>(timing & 0xFF));
    write_reg(reg_output, 0x1A);
    s.open = true;
    write_reg(reg_control, 0);
    ++s.open_count;
    return 1;
}

uint8_t CANInitBoard(uint16_t port)
{
    platform::sim_hardware::attach();
    uint16_t base = 0;
    if (!port_base(port, base))
        return 1;
    portcan_state& s = st();
    const uint16_t open_base = s.base;
    s.base = base;
    reset_pulse();
    const bool passed = register_test();
    // The test of a board leaves an open device on its own port.
    if (s.open)
        s.base = open_base;
    return passed ? 1 : 0;
}

uint8_t CANCloseDevice(void)
{
    portcan_state& s = st();
    if (s.open_count > 0 && --s.open_count == 0) {
        s.open = false;
        write_reg(reg_control, 1);  // reset request: the controller leaves the bus
    }
    return 1;
}

uint8_t CANReset(void)
{
    uint8_t c = read_reg(reg_control);
    write_reg(reg_control, static_cast<uint8_t>(c & 0x01));
    return 1;
}

uint32_t CANError(void)
{
    uint8_t status = read_reg(reg_status);
    if (status & st_bus_off) {
        write_reg(reg_control, static_cast<uint8_t>(read_reg(reg_control) & ~1));  // rejoin the bus
        return st_bus_off;
    }
    return (status & st_error) ? st_error : 0;
}

uint8_t CANOverrun(void)
{
    if (read_reg(reg_status) & st_overrun) {
        write_reg(reg_command, cmd_clear_overrun);
        return 1;
    }
    return 0;
}

void CANSetGlobalMsk(uint16_t mask)
{
    st().objects.global_mask = mask;
    write_filter(false, 0);
}

void CANSetDiagMsk(uint16_t mask)
{
    st().objects.diag_mask = mask;
    write_filter(false, 0);
}

uint8_t CANOpenSndObj(int16_t* handle, uint16_t id, uint8_t value, int32_t option)
{
    portcan_state& s = st();
    if (s.objects.kind[send_object] != candrv::kind_free) {
        if (handle)
            *handle = send_object;
        return 0;
    }
    // An option is refused before the object is marked, so the send object is not lost until reopen.
    if (option != 0)
        return 0;
    s.objects.kind[send_object] = candrv::kind_send;
    s.send_value = value;
    s.objects.id[send_object] = id;
    if (handle)
        *handle = send_object;
    return 1;
}

uint8_t CANOpenRcvObj(int16_t* handle, uint16_t id, void* fifo, int32_t option, uint8_t object0, uint8_t)
{
    portcan_state& s = st();
    int16_t scratch = 0;
    int16_t* out = handle ? handle : &scratch;
    *out = 0;
    if (option != 0)
        return 0;
    auto a = s.objects.allocate_receive(id, static_cast<uint8_t*>(fifo), object0 != 0, last_receive_object);
    if (a.taken) {
        s.ids_and = static_cast<uint16_t>(s.ids_and & id);
        s.ids_or = static_cast<uint16_t>(s.ids_or | id);
        s.last_id = id;
        write_filter(true, id);
    }
    s.objects.note_candidate(a.candidate);
    *out = a.candidate;
    return a.taken ? 1 : 0;
}

void CANCloseObj(int16_t handle)
{
    st().objects.close(handle);
}

uint8_t CANSndReady(int16_t)
{
    return send_ready() ? 1 : 0;
}

uint8_t CANWrMsg(int16_t handle, const uint8_t* data, uint8_t length, uint16_t id)
{
    if (handle != send_object || length > candrv::max_length || (length > 0 && !data))
        return 0;
    if (!send_ready())
        return 0;
    write_reg(reg_tx_id, static_cast<uint8_t>(id >> 3));
    write_reg(reg_tx_len, static_cast<uint8_t>(((id & 7) << 5) | (length & 0x0F)));
    for (uint8_t i = 0; i < length; ++i)
        write_reg(static_cast<uint8_t>(reg_tx_data + i), data[i]);
    set_bits(reg_command, cmd_transmit);
    return 1;
}

uint8_t CANRcvReady(int16_t handle)
{
    if (!candrv::valid_handle(handle))
        return 0;
    receive_poll();
    return st().objects.pending[handle] ? 1 : 0;
}

void CANRdMsg(int16_t handle, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra)
{
    st().objects.read(handle, data, length, id, extra);
}

void CANFlushRcvBuf(int16_t handle)
{
    receive_poll();
    flush_object(handle);
}

void CANFlushRcvAll(void)
{
    receive_poll();
    for (int h = 0; h <= last_receive_object; ++h)
        flush_object(h);
}

void CANSetPortBits(uint8_t reg, uint8_t bits)
{
    set_bits(reg, bits);
}

void CANResetPortBits(uint8_t reg, uint8_t bits)
{
    reset_bits(reg, bits);
}

void RdRegTest(void)
{
    portcan_state& s = st();
    s.snapshot[0] = read_reg(reg_control);
    s.snapshot[1] = read_reg(reg_status);
    for (int i = 0; i < 10; ++i)
        s.snapshot[2 + i] = read_reg(static_cast<uint8_t>(reg_rx_id + i));
}

uint8_t CANOpenMsgFifo(void** fifo, uint16_t capacity, uint8_t allocate)
{
    if (!fifo || !candrv::fifo::valid_capacity(capacity))
        return 0;
    if (allocate)
        *fifo = std::calloc(candrv::fifo::size_for(capacity), 1);
    if (!*fifo)
        return 0;
    candrv::fifo::init(static_cast<uint8_t*>(*fifo), capacity);
    return 1;
}

void CANCloseMsgFifo(void* fifo)
{
    // An object still attached to the FIFO goes on without one rather than fill freed memory.
    portcan_state& s = st();
    for (int h = 0; fifo && h < candrv::object_count; ++h) {
        if (s.objects.fifo[h] == fifo) {
            s.objects.fifo[h] = nullptr;
            s.objects.kind[h] = static_cast<uint8_t>(s.objects.kind[h] & ~candrv::kind_fifo);
        }
    }
    std::free(fifo);
}

void CANClearMsgFifo(int16_t handle)
{
    if (candrv::valid_handle(handle) && st().objects.fifo[handle])
        candrv::fifo::clear(st().objects.fifo[handle]);
}

uint8_t CANMsgInFifo(int16_t handle, uint8_t* overflow)
{
    receive_poll();
    if (overflow)
        *overflow = 0;
    if (!candrv::valid_handle(handle) || !st().objects.fifo[handle])
        return 0;
    uint8_t* f = st().objects.fifo[handle];
    if (candrv::fifo::empty(f))
        return 0;
    uint32_t flags = candrv::get_field(f, candrv::fifo::overflow);
    if (flags & 0x03) {
        if (overflow)
            *overflow = 1;
        candrv::put_field(f, candrv::fifo::overflow, flags & ~0x03u);
    }
    return 1;
}

void CANRdFifoMsg(int16_t handle, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra)
{
    portcan_state& s = st();
    if (!candrv::valid_handle(handle) || !s.objects.fifo[handle])
        return;
    uint8_t record[candrv::layout_a::size];
    if (candrv::fifo::pop(s.objects.fifo[handle], record))
        std::memcpy(s.objects.rxbuf[handle], record, sizeof(record));
    uint8_t pending = s.objects.pending[handle];
    s.objects.read(handle, data, length, id, extra);
    s.objects.pending[handle] = pending;
}

}  // extern "C"
