// The kernel driver of the parallel-port CAN dongle, as the named device "\\.\CANKDRV": it answers
// the driver library's I/O-control requests, keeps sixteen message objects with the identifier
// matching of the other dongle libraries, and talks to the simulated CAN bus. Every request's code,
// sizes and connection byte are checked; a request that does not fit fails with error 87, which is
// what makes a wrong record layout visible.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "can_bus_port.h"
#include "candrv/candrv_core.h"
#include "platform/devices/devices.h"

namespace sim {

class cankdrv_model final : public platform::devices::device {
public:
    static constexpr uint8_t connection = 0x5A;
    // Frames an object with a FIFO keeps for the next fill request.
    static constexpr size_t queue_limit = 4096;

    explicit cankdrv_model(std::shared_ptr<can_bus_port> bus);

    uint32_t open() override;
    void close() override;
    uint32_t io_control(uint32_t code, const void* in, uint32_t in_size, void* out, uint32_t out_size,
                        uint32_t* returned) override;

    // The code of every request, in order (also the refused ones).
    std::vector<uint32_t> requests() const;
    // The input bytes of the last request.
    std::vector<uint8_t> last_input() const;
    bool device_open() const;
    uint32_t bitrate() const;

    // Faults: a controller status word in the next reply that carries one; a Windows error for
    // the next request; the device gone (open fails with "file not found"); writes refused.
    void set_status_word(uint16_t word);
    void fail_next_request(uint32_t win_error);
    void set_present(bool present);
    void refuse_writes(bool refuse);

    static uint32_t code_of(int function);

private:
    uint32_t handle(int f, const uint8_t* in, uint32_t in_size, uint8_t* out, uint32_t out_size, uint32_t* returned);
    void pull_from_bus();
    uint16_t take_status();
    void fill_fifo(int h, uint8_t* fifo);

    mutable std::mutex m_;
    std::shared_ptr<can_bus_port> bus_;
    std::vector<uint32_t> log_;
    std::vector<uint8_t> last_input_;
    bool open_ = false;
    uint32_t bitrate_ = 0;
    candrv::object_table objects_{};
    bool has_fifo_[candrv::object_count] = {};
    // One message slot per object, in the driver's record layout (extra word, identifier with the
    // length in bits 12..15, eight data bytes), and the frames waiting for an object's FIFO.
    uint8_t slot_[candrv::object_count][12] = {};
    bool slot_full_[candrv::object_count] = {};
    std::deque<std::vector<uint8_t>> fifo_queue_[candrv::object_count];
    bool fifo_overflow_[candrv::object_count] = {};
    uint16_t status_word_ = 0;
    uint32_t fail_next_ = 0;
    bool present_ = true;
    bool refuse_writes_ = false;
};

// Configures the service "CANKDRV": starting it puts a driver on the bus at bus_path and registers
// the device, stopping it takes both away.
void register_cankdrv_service(const std::string& bus_path);

}  // namespace sim
