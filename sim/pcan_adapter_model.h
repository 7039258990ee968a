// The PEAK USB adapter behind the stand-in PCAN_USB library: initialise at a bit-timing word, a
// bounded receive queue filled from the simulated CAN bus, writes onto the bus, and a status word
// whose bits lie inside the masks the bridge library tests.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

#include "can_bus_port.h"
#include "platform/devices/pcan_slot.h"

namespace sim {

class pcan_adapter_model final : public platform::pcan::adapter {
public:
    static constexpr size_t queue_limit = 4096;

    explicit pcan_adapter_model(std::shared_ptr<can_bus_port> bus);

    uint32_t close() override;
    uint32_t init(uint16_t timing, int type) override;
    uint32_t read(uint8_t* record) override;
    uint32_t status() override;
    uint32_t write(const uint8_t* record) override;

    uint32_t bitrate() const;
    int inits() const;

    // Faults: status bits always reported; the next n writes refused with "transmit queue full";
    // reads that fail without ever reporting an empty queue.
    void force_status(uint32_t bits);
    void refuse_writes(int n);
    void fail_reads(bool on);

private:
    void pull_from_bus();

    mutable std::mutex m_;
    std::shared_ptr<can_bus_port> bus_;
    bool initialised_ = false;
    uint32_t bitrate_ = 0;
    int inits_ = 0;
    std::deque<can_frame> queue_;
    bool overrun_ = false;
    uint32_t forced_ = 0;
    int refuse_ = 0;
    bool fail_reads_ = false;
};

// Installs an adapter on the bus at bus_path as the process's PCAN adapter; false when the hub
// cannot be reached.
bool install_pcan_adapter(const std::string& bus_path);

}  // namespace sim
