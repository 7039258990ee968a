#include "isa_board_model.h"

#include <stdexcept>

#include "can_bus_node.h"

namespace sim {
namespace {
constexpr uint8_t reg_pending_lo = 4, reg_pending_hi = 5, reg_request_lo = 8, reg_request_hi = 9, reg_mode = 16,
                  reg_error = 17, reg_descriptor = 64, reg_data = 128;
constexpr int objects = 16;
constexpr int max_frames_per_pull = 256;
}  // namespace

isa_board_model::isa_board_model(uint16_t base, std::shared_ptr<can_bus_port> bus) : base_(base), bus_(std::move(bus))
{
    regs_[reg_mode] = 3;
    follow_mode();
}

uint32_t isa_board_model::bitrate_of(uint8_t reg0, uint8_t reg3)
{
    return 8000000u / (reg3 + 1u) / (3u + (reg0 & 0x0Fu) + ((reg0 >> 4) & 0x07u));
}

uint8_t isa_board_model::in8(uint16_t port)
{
    std::lock_guard<std::mutex> lock(m_);
    if (port == base_)
        return index_;
    return read_register(index_);
}

void isa_board_model::out8(uint16_t port, uint8_t value)
{
    std::lock_guard<std::mutex> lock(m_);
    if (port == base_)
        index_ = value;
    else
        write_register(index_, value);
}

uint8_t isa_board_model::reg(int r) const
{
    std::lock_guard<std::mutex> lock(m_);
    return regs_[r & 0xFF];
}

uint32_t isa_board_model::bitrate() const
{
    std::lock_guard<std::mutex> lock(m_);
    return regs_[reg_mode] ? 0 : bitrate_of(regs_[0], regs_[3]);
}

void isa_board_model::raise_error_bits(uint8_t bits)
{
    std::lock_guard<std::mutex> lock(m_);
    regs_[reg_error] |= bits;
}

void isa_board_model::follow_mode()
{
    if (bus_)
        bus_->set_bitrate(regs_[reg_mode] ? 0 : bitrate_of(regs_[0], regs_[3]));
}

uint16_t isa_board_model::descriptor_id(int h) const
{
    return static_cast<uint16_t>((regs_[reg_descriptor + 2 * h] << 3) | (regs_[reg_descriptor + 2 * h + 1] >> 5));
}

uint8_t isa_board_model::read_register(uint8_t r)
{
    if (r == reg_pending_lo || r == reg_pending_hi)
        pull_from_bus();
    return regs_[r];
}

void isa_board_model::write_register(uint8_t r, uint8_t v)
{
    uint8_t old = regs_[r];
    regs_[r] = v;
    if (r == reg_mode || ((r == 0 || r == 3) && regs_[reg_mode] == 0)) {
        follow_mode();
    } else if (r == reg_request_lo || r == reg_request_hi) {
        uint8_t raised = static_cast<uint8_t>(v & ~old);
        for (int bit = 0; bit < 8; ++bit) {
            if (!(raised & (1u << bit)))
                continue;
            int h = (r == reg_request_hi ? 8 : 0) + bit;
            transmitter_[h] = true;
            if (regs_[reg_mode] == 0) {
                transmit(h);
                regs_[r] = static_cast<uint8_t>(regs_[r] & ~(1u << bit));
            }
        }
    } else if (r >= reg_descriptor && r < reg_descriptor + 2 * objects) {
        int h = (r - reg_descriptor) / 2;
        if (regs_[reg_descriptor + 2 * h] == 0 && regs_[reg_descriptor + 2 * h + 1] == 0)
            transmitter_[h] = false;
    }
}

void isa_board_model::transmit(int h)
{
    if (!bus_)
        return;
    can_frame f;
    f.id = descriptor_id(h);
    f.dlc = regs_[reg_descriptor + 2 * h + 1] & 0x0F;
    for (int i = 0; i < 8 && i < f.dlc; ++i)
        f.data[i] = regs_[reg_data + 8 * h + i];
    bus_->send(f);
}

void isa_board_model::pull_from_bus()
{
    if (!bus_)
        return;
    can_frame f;
    for (int n = 0; n < max_frames_per_pull && bus_->try_receive(f); ++n) {
        if (regs_[reg_mode] != 0 || (f.flags & (can_frame::flag_rtr | can_frame::flag_ext)))
            continue;
        for (int h = 0; h < objects; ++h) {
            uint8_t lo = regs_[reg_descriptor + 2 * h], hi = regs_[reg_descriptor + 2 * h + 1];
            if (transmitter_[h] || (lo == 0 && hi == 0) || descriptor_id(h) != f.id)
                continue;
            // The length nibble is what came over the wire, up to 15; the data registers hold eight.
            regs_[reg_descriptor + 2 * h + 1] = static_cast<uint8_t>((hi & 0xF0) | (f.dlc & 0x0F));
            for (int i = 0; i < 8; ++i)
                regs_[reg_data + 8 * h + i] = f.data[i];
            regs_[h < 8 ? reg_pending_lo : reg_pending_hi] |= static_cast<uint8_t>(1u << (h % 8));
            break;
        }
    }
}

void register_isa_board_model()
{
    platform::portio::register_model("isa", [](uint16_t base, const std::string& bus_path)
                                                -> std::shared_ptr<platform::portio::backend> {
        std::shared_ptr<can_bus_port> bus;
        if (!bus_path.empty()) {
            try {
                bus = std::make_shared<can_bus_node>(bus_path, 0);
            } catch (const std::runtime_error&) {
                return nullptr;
            }
        }
        return std::make_shared<isa_board_model>(base, std::move(bus));
    });
}

}  // namespace sim
