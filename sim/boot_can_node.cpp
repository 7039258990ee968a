#include "sim/boot_can_node.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace sim {

uint16_t boot_can_node::request_id(uint8_t node, scheme s)
{
    return static_cast<uint16_t>(s == scheme::quelcan ? node * 8 + 0x107 : 0x600 + node);
}

uint16_t boot_can_node::response_id(uint8_t node, scheme s)
{
    return static_cast<uint16_t>(s == scheme::quelcan ? node * 8 + 0x302 : 0x580 + node);
}

bool boot_can_node::parse_placement(const std::string& text, placement& out, std::string& error)
{
    std::stringstream in(text);
    std::string item;
    placement p;
    bool first = true;
    while (std::getline(in, item, ',')) {
        if (first) {
            p.hub = item;
            first = false;
            continue;
        }
        auto number = [&](const std::string& text, unsigned long low, unsigned long high, unsigned long& v) {
            char* end = nullptr;
            v = std::strtoul(text.c_str(), &end, 0);
            return !text.empty() && *end == 0 && v >= low && v <= high;
        };
        unsigned long v = 0;
        if (item == "quelcan") {
            p.ids = scheme::quelcan;
        } else if (item == "hub") {
            p.serve_hub = true;
        } else if (item.rfind("node=", 0) == 0 && number(item.substr(5), 1, 127, v)) {
            p.node = static_cast<uint8_t>(v);
        } else if (item.rfind("rate=", 0) == 0 && number(item.substr(5), 1000, 1000000, v)) {
            p.bitrate = static_cast<uint32_t>(v);
        } else {
            error = "CAN placement: cannot read \"" + item + "\"";
            return false;
        }
    }
    if (p.hub.empty()) {
        error = "CAN placement: no bus socket";
        return false;
    }
    out = p;
    return true;
}

boot_can_node::boot_can_node(std::shared_ptr<can_bus_node> bus, boot_sdo_server& server, uint8_t node, scheme s)
    : bus_(std::move(bus)), server_(server), request_(request_id(node, s)), response_(response_id(node, s))
{
}

boot_can_node::~boot_can_node() { stop(); }

bool boot_can_node::handle(const can_frame& f)
{
    if (f.id != request_ || (f.flags & (can_frame::flag_rtr | can_frame::flag_ext)))
        return false;
    // A length field above 8 still carries eight bytes.
    size_t n = std::min<size_t>(f.dlc, 8);
    std::vector<boot_frame> replies;
    {
        std::lock_guard<std::mutex> lock(m_);
        replies = server_.handle(f.data.data(), n);
    }
    ++handled_;
    for (const boot_frame& r : replies) {
        can_frame out;
        out.id = response_;
        out.dlc = replyDlc_;
        std::copy_n(r.begin(), std::min<size_t>(r.size(), 8), out.data.begin());
        bus_->send(out);
    }
    return true;
}

void boot_can_node::start()
{
    if (thread_.joinable())
        return;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void boot_can_node::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
}

void boot_can_node::run()
{
    while (!stopping_ && !bus_->hung_up()) {
        can_frame f;
        if (bus_->receive(f, 20))
            handle(f);
    }
}

}  // namespace sim
