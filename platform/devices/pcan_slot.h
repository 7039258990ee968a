// The adapter behind the stand-in PCAN_USB library: its five operations, and the one adapter of the
// process (a test's, or the simulator's when TARVIX_SIM_PCAN names a bus).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform::pcan {

// Message record exchanged with the library, 14 bytes.
constexpr size_t record_size = 14;
constexpr size_t rec_id = 0;      // 32-bit identifier, little-endian
constexpr size_t rec_type = 4;    // 0 standard data frame, 1 remote frame, 2 extended frame
constexpr size_t rec_length = 5;  // 0..8
constexpr size_t rec_data = 6;    // 8 bytes

constexpr uint8_t type_standard = 0, type_remote = 1, type_extended = 2;

// Result and status bits. Errors (no reception attempted) are inside 0xE35A, a busy transmit path
// inside 0x2290; 0x20 says the receive queue is empty.
constexpr uint32_t st_bus_heavy = 0x0008;
constexpr uint32_t st_bus_off = 0x0010;
constexpr uint32_t st_queue_empty = 0x0020;
constexpr uint32_t st_queue_overrun = 0x0040;
constexpr uint32_t st_transmit_full = 0x0080;
constexpr uint32_t st_no_adapter = 0x2000;  // not initialised, or no adapter at all
constexpr uint32_t st_read_failed = 0x0100;
constexpr uint32_t error_mask = 0xE35A;
constexpr uint32_t transmit_busy_mask = 0x2290;

class adapter {
public:
    virtual ~adapter();
    virtual uint32_t close() = 0;
    virtual uint32_t init(uint16_t timing, int type) = 0;
    virtual uint32_t read(uint8_t* record) = 0;
    virtual uint32_t status() = 0;
    virtual uint32_t write(const uint8_t* record) = 0;
};

// Installs the adapter (null removes it).
void install(std::shared_ptr<adapter> a);
// The installed adapter; without one, the simulated hardware is attached when configured.
std::shared_ptr<adapter> current();

}  // namespace platform::pcan
