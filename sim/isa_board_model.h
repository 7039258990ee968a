// The ISA CAN board as portio hardware: an index port and a data port in front of 256 8-bit
// registers, sixteen message objects (descriptor, eight data registers, a receive-pending and a
// transmit-request bit each) and the board's controller on the simulated CAN bus.
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>

#include "can_bus_port.h"
#include "platform/portio/portio.h"

namespace sim {

class isa_board_model final : public platform::portio::backend {
public:
    // bus may be null: the board answers but nothing reaches a bus.
    isa_board_model(uint16_t base, std::shared_ptr<can_bus_port> bus);

    uint16_t port_count() const override { return 2; }
    uint8_t in8(uint16_t port) override;
    void out8(uint16_t port, uint8_t value) override;

    // A register as it stands, without the side effects of a read through the ports.
    uint8_t reg(int r) const;
    // 0 while the board is configuring (register 16 non-zero).
    uint32_t bitrate() const;
    // Raises error bits in register 17 (the board's 0x04, 0x20, 0x40).
    void raise_error_bits(uint8_t bits);

    // Bit rate of a timing pair: 8 MHz / (prescaler + 1) / (3 + TSEG1 + TSEG2).
    static uint32_t bitrate_of(uint8_t reg0, uint8_t reg3);

private:
    uint8_t read_register(uint8_t r);
    void write_register(uint8_t r, uint8_t v);
    void follow_mode();
    void pull_from_bus();
    void transmit(int h);
    uint16_t descriptor_id(int h) const;

    mutable std::mutex m_;
    uint16_t base_;
    std::shared_ptr<can_bus_port> bus_;
    uint8_t index_ = 0;
    uint8_t regs_[256] = {};
    // An object sends from its first transmit request until its descriptor is cleared; an object
    // with a descriptor and no transmit role receives.
    bool transmitter_[16] = {};
};

// Makes the model known to portio as "isa"; its argument is the bus hub's socket path
// (TARVIX_SIM_PORTIO=0x300:isa:/path/bus.sock).
void register_isa_board_model();

}  // namespace sim
