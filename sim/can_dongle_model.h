// The CAN dongle on a PC parallel port as portio hardware: the port's data, status and control
// registers, the dongle's four-bit register interface, and its BasicCAN controller (SJA1000 kind)
// attached to the simulated CAN bus.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "can_bus_port.h"
#include "platform/portio/portio.h"

namespace sim {

class can_dongle_model final : public platform::portio::backend {
public:
    // Frames the controller's receive FIFO holds before it reports a data overrun (64 bytes of FIFO).
    static constexpr size_t rx_fifo_frames = 6;

    struct port_op {
        bool write;
        uint16_t port;
        uint8_t value;
        bool operator==(const port_op& o) const { return write == o.write && port == o.port && value == o.value; }
    };

    // bus may be null: the controller then works but nothing reaches it.
    can_dongle_model(uint16_t base, std::shared_ptr<can_bus_port> bus);

    uint16_t port_count() const override { return 3; }
    uint8_t in8(uint16_t port) override;
    void out8(uint16_t port, uint8_t value) override;

    // Controller contents as they stand, without the side effects of a read through the port.
    uint8_t reg(int r) const;
    bool reset_mode() const;
    // Bit rate of the bus timing registers at the controller's 16 MHz clock; 0 while in reset.
    uint32_t bitrate() const;
    size_t rx_pending() const;

    // Faults: bits of a register that read back stuck at the given values; error and bus-off status.
    void set_stuck_bits(int r, uint8_t mask, uint8_t value);
    void set_error_status(bool on);
    void set_bus_off(bool on);

    // Records every port access while on (the wire protocol is the interface to the hardware).
    void record_trace(bool on);
    std::vector<port_op> trace() const;

    static uint32_t bitrate_of(uint8_t btr0, uint8_t btr1);

private:
    uint8_t read_register(int r);
    void write_register(int r, uint8_t v);
    void hardware_reset();
    void pull_from_bus();
    void transmit();
    void go_on_bus(bool on);
    bool accepts(uint32_t id) const;

    mutable std::mutex m_;
    uint16_t base_;
    std::shared_ptr<can_bus_port> bus_;
    // Port side
    uint8_t data_ = 0;
    uint8_t control_ = 0x16;
    bool read_cycle_ = false;
    uint8_t address_ = 0;
    uint8_t sampled_ = 0;
    // Controller side
    uint8_t regs_[32] = {};
    std::deque<can_frame> rx_;
    bool overrun_ = false;
    bool error_status_ = false;
    bool bus_off_ = false;
    uint8_t stuck_mask_[32] = {};
    uint8_t stuck_value_[32] = {};
    bool tracing_ = false;
    std::vector<port_op> trace_;
};

// Makes the model known to portio as "dongle"; its argument is the bus hub's socket path
// (TARVIX_SIM_PORTIO=0x378:dongle:/path/bus.sock).
void register_can_dongle_model();

}  // namespace sim
