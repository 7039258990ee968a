// The boot loader on the simulated CAN bus: it takes the standard data frames of its request
// identifier (standard scheme 0x600 + node, or the QUELCAN scheme node x 8 + 0x107), hands their
// bytes to the transfer server, and answers every reply with DLC 8 on its response identifier
// (0x580 + node, or node x 8 + 0x302). Other identifiers, remote and extended frames are not its.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "sim/boot_sdo_server.h"
#include "sim/can_bus_node.h"

namespace sim {

class boot_can_node {
public:
    enum class scheme { standard, quelcan };

    // Where the loader sits on the bus: "<hub socket>[,node=N][,quelcan][,rate=BIT/S][,hub]"
    // (node 1, standard identifiers and 125000 bit/s unless given; "hub": the process also
    // serves the bus at that socket).
    struct placement {
        std::string hub;
        bool serve_hub = false;
        uint8_t node = 1;
        scheme ids = scheme::standard;
        uint32_t bitrate = 125000;
    };
    static bool parse_placement(const std::string& text, placement& out, std::string& error);

    static uint16_t request_id(uint8_t node, scheme s);
    static uint16_t response_id(uint8_t node, scheme s);

    // The server's session should be boot_session::can() (segments of 7).
    boot_can_node(std::shared_ptr<can_bus_node> bus, boot_sdo_server& server, uint8_t node, scheme s);
    ~boot_can_node();
    boot_can_node(const boot_can_node&) = delete;
    boot_can_node& operator=(const boot_can_node&) = delete;

    // One frame from the bus; returns whether it was a request for this node.
    bool handle(const can_frame& f);
    // Serves the bus on a thread of its own until stop() or destruction.
    void start();
    void stop();
    uint32_t requests_handled() const { return handled_; }
    // Fault: the length field of every reply (the eight data bytes follow whatever it says).
    void set_reply_dlc(uint8_t dlc) { replyDlc_ = dlc; }

private:
    void run();

    std::shared_ptr<can_bus_node> bus_;
    boot_sdo_server& server_;
    uint16_t request_;
    uint16_t response_;
    std::mutex m_;
    std::atomic<bool> stopping_{false};
    std::atomic<uint32_t> handled_{0};
    std::atomic<uint8_t> replyDlc_{8};
    std::thread thread_;
};

}  // namespace sim
