#include "can_dongle_model.h"

#include <stdexcept>

#include "can_bus_node.h"

namespace sim {
namespace {
constexpr uint8_t cr_reset = 0x01;
constexpr uint8_t cmd_transmit = 0x01, cmd_release = 0x04, cmd_clear_overrun = 0x08;
constexpr uint8_t st_rbs = 0x01, st_dos = 0x02, st_tbs = 0x04, st_tcs = 0x08, st_es = 0x40, st_bs = 0x80;
constexpr uint8_t port_ctrl_strobe = 0x01, port_ctrl_run = 0x04;
constexpr uint8_t port_data_read = 0x80, port_data_low_nibble = 0x40;

// The dongle puts a nibble on the status lines: bit 3 inverted on line 7 (BUSY), bits 2..0 on lines 5..3.
uint8_t nibble_to_status(uint8_t n)
{
    return static_cast<uint8_t>(((n & 0x08) ? 0x00 : 0x80) | ((n & 0x07) << 3));
}
}  // namespace

can_dongle_model::can_dongle_model(uint16_t base, std::shared_ptr<can_bus_port> bus)
    : base_(base), bus_(std::move(bus))
{
    hardware_reset();
}

uint32_t can_dongle_model::bitrate_of(uint8_t btr0, uint8_t btr1)
{
    uint32_t brp = (btr0 & 0x3F) + 1u;
    uint32_t tseg1 = btr1 & 0x0F, tseg2 = (btr1 >> 4) & 0x07;
    // One time quantum is 2 x (BRP + 1) clocks of 16 MHz; a bit is 3 + TSEG1 + TSEG2 quanta.
    return 8000000u / brp / (3u + tseg1 + tseg2);
}

void can_dongle_model::hardware_reset()
{
    for (uint8_t& r : regs_)
        r = 0;
    regs_[0] = cr_reset;
    rx_.clear();
    overrun_ = false;
    read_cycle_ = false;
    go_on_bus(false);
}

void can_dongle_model::go_on_bus(bool on)
{
    if (!bus_)
        return;
    bus_->set_bitrate(on ? bitrate_of(regs_[6], regs_[7]) : 0);
}

uint8_t can_dongle_model::in8(uint16_t port)
{
    std::lock_guard<std::mutex> lock(m_);
    uint8_t v = 0xFF;
    switch (port - base_) {
    case 0:
        v = data_;
        break;
    case 1:
        if (read_cycle_ && (control_ & port_ctrl_strobe))
            v = nibble_to_status((data_ & port_data_low_nibble) ? (sampled_ & 0x0F) : (sampled_ >> 4));
        else
            v = nibble_to_status(0x0F);
        break;
    case 2:
        v = control_;
        break;
    }
    if (tracing_)
        trace_.push_back({false, port, v});
    return v;
}

void can_dongle_model::out8(uint16_t port, uint8_t value)
{
    std::lock_guard<std::mutex> lock(m_);
    if (tracing_)
        trace_.push_back({true, port, value});
    switch (port - base_) {
    case 0:
        data_ = value;
        break;
    case 2: {
        uint8_t old = control_;
        control_ = value;
        if (!(value & port_ctrl_run)) {
            hardware_reset();
            break;
        }
        bool rising = !(old & port_ctrl_strobe) && (value & port_ctrl_strobe);
        bool falling = (old & port_ctrl_strobe) && !(value & port_ctrl_strobe);
        if (rising) {
            address_ = data_ & 0x1F;
            read_cycle_ = (data_ & port_data_read) != 0;
            // Sampled once per cycle, so that reading the status pulls frames from the bus once.
            if (read_cycle_)
                sampled_ = read_register(address_);
        } else if (falling) {
            if (!read_cycle_)
                write_register(address_, data_);
            read_cycle_ = false;
        }
        break;
    }
    default:
        break;  // the status register cannot be written
    }
}

bool can_dongle_model::accepts(uint32_t id) const
{
    uint8_t code = regs_[4], mask = regs_[5];
    return ((static_cast<uint8_t>(id >> 3) ^ code) & static_cast<uint8_t>(~mask)) == 0;
}

void can_dongle_model::pull_from_bus()
{
    if (!bus_)
        return;
    can_frame f;
    while (bus_->try_receive(f)) {
        if ((regs_[0] & cr_reset) || (f.flags & can_frame::flag_ext) || f.id > 0x7FF || !accepts(f.id))
            continue;
        if (rx_.size() >= rx_fifo_frames)
            overrun_ = true;
        else
            rx_.push_back(f);
    }
}

void can_dongle_model::transmit()
{
    if ((regs_[0] & cr_reset) || bus_off_)
        return;
    can_frame f;
    f.id = (static_cast<uint32_t>(regs_[10]) << 3) | (regs_[11] >> 5);
    f.flags = (regs_[11] & 0x10) ? can_frame::flag_rtr : 0;
    f.dlc = regs_[11] & 0x0F;
    size_t n = f.dlc > 8 ? 8 : f.dlc;
    if (!(f.flags & can_frame::flag_rtr))
        for (size_t i = 0; i < n; ++i)
            f.data[i] = regs_[12 + i];
    if (bus_)
        bus_->send(f);
}

uint8_t can_dongle_model::read_register(int r)
{
    bool reset = regs_[0] & cr_reset;
    uint8_t v;
    if (r == 1) {
        v = 0xFF;
    } else if (r == 2) {
        pull_from_bus();
        v = st_tbs | st_tcs;
        if (!rx_.empty())
            v |= st_rbs;
        if (overrun_)
            v |= st_dos;
        if (error_status_)
            v |= st_es;
        if (bus_off_)
            v |= st_bs;
    } else if (r == 3) {
        v = 0;
    } else if (r >= 10 && r <= 19) {
        v = reset ? 0xFF : regs_[r];
    } else if (r >= 20 && r <= 29 && !reset) {
        if (rx_.empty()) {
            v = 0;
        } else {
            const can_frame& f = rx_.front();
            if (r == 20)
                v = static_cast<uint8_t>(f.id >> 3);
            else if (r == 21)
                v = static_cast<uint8_t>(((f.id & 7) << 5) | ((f.flags & can_frame::flag_rtr) ? 0x10 : 0) | (f.dlc & 0x0F));
            else
                v = f.data[static_cast<size_t>(r - 22)];
        }
    } else {
        v = regs_[r];
    }
    return static_cast<uint8_t>((v & ~stuck_mask_[r]) | (stuck_value_[r] & stuck_mask_[r]));
}

void can_dongle_model::write_register(int r, uint8_t v)
{
    bool reset = regs_[0] & cr_reset;
    if (r == 0) {
        bool was_reset = reset;
        regs_[0] = v;
        bool now_reset = v & cr_reset;
        // Leaving reset is also how a bus-off controller is brought back.
        if (was_reset && !now_reset)
            bus_off_ = false;
        if (bus_off_)
            regs_[0] |= cr_reset;
        if (was_reset != static_cast<bool>(regs_[0] & cr_reset))
            go_on_bus(!(regs_[0] & cr_reset));
    } else if (r == 1) {
        if (v & cmd_release && !rx_.empty())
            rx_.pop_front();
        if (v & cmd_clear_overrun)
            overrun_ = false;
        if (v & cmd_transmit)
            transmit();
    } else if (r >= 4 && r <= 8) {
        // Acceptance filter, bus timing and output control take writes in reset mode only.
        if (reset)
            regs_[r] = v;
    } else if (r >= 10 && r <= 19) {
        if (!reset)
            regs_[r] = v;
    } else if (r >= 20 && r <= 29) {
        if (reset)
            regs_[r] = v;
    } else if (r == 31) {
        regs_[r] = v;
    }
}

uint8_t can_dongle_model::reg(int r) const
{
    std::lock_guard<std::mutex> lock(m_);
    return (r >= 0 && r < 32) ? regs_[r] : 0xFF;
}

bool can_dongle_model::reset_mode() const
{
    std::lock_guard<std::mutex> lock(m_);
    return regs_[0] & cr_reset;
}

uint32_t can_dongle_model::bitrate() const
{
    std::lock_guard<std::mutex> lock(m_);
    return (regs_[0] & cr_reset) ? 0 : bitrate_of(regs_[6], regs_[7]);
}

size_t can_dongle_model::rx_pending() const
{
    std::lock_guard<std::mutex> lock(m_);
    return rx_.size();
}

void can_dongle_model::set_stuck_bits(int r, uint8_t mask, uint8_t value)
{
    std::lock_guard<std::mutex> lock(m_);
    if (r >= 0 && r < 32) {
        stuck_mask_[r] = mask;
        stuck_value_[r] = value;
    }
}

void can_dongle_model::set_error_status(bool on)
{
    std::lock_guard<std::mutex> lock(m_);
    error_status_ = on;
}

void can_dongle_model::set_bus_off(bool on)
{
    std::lock_guard<std::mutex> lock(m_);
    bus_off_ = on;
    if (on && !(regs_[0] & cr_reset)) {
        // The controller takes itself off the bus by setting its reset request.
        regs_[0] |= cr_reset;
        go_on_bus(false);
    }
}

void can_dongle_model::record_trace(bool on)
{
    std::lock_guard<std::mutex> lock(m_);
    tracing_ = on;
    trace_.clear();
}

std::vector<can_dongle_model::port_op> can_dongle_model::trace() const
{
    std::lock_guard<std::mutex> lock(m_);
    return trace_;
}

void register_can_dongle_model()
{
    platform::portio::register_model("dongle", [](uint16_t base, const std::string& bus_path)
                                                   -> std::shared_ptr<platform::portio::backend> {
        std::shared_ptr<can_bus_port> bus;
        if (!bus_path.empty()) {
            try {
                bus = std::make_shared<can_bus_node>(bus_path, 0);
            } catch (const std::runtime_error&) {
                return nullptr;  // no hub: the dongle is as absent as an unplugged one
            }
        }
        return std::make_shared<can_dongle_model>(base, std::move(bus));
    });
}

}  // namespace sim
