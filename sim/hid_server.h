// The server side of the simulated HID interfaces: one listening SOCK_SEQPACKET socket per
// interface in the folder, the hello with the capabilities, input reports to every
// connection opened for reading, output reports handed to the device behind it.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/event_loop.h"

namespace sim {

struct sim_interface {
    uint16_t usage_page = 0xFF00;
    uint16_t usage = 1;
    uint16_t input_length = 65;
    uint16_t output_length = 65;
    std::string product = "Tarvix 9";
    bool product_readable = true;
    bool refuse_write_open = false;
    bool device = true;  // the controller answers here; a decoy only enumerates
};

// Text form: comma-separated "page=0xFF00,usage=1,in=65,out=65,product=Tarvix%209" plus
// the flags "noproduct", "refusewrite", "decoy"; the product is %XX-escaped.
bool parse_interface(const std::string& text, sim_interface& out, std::string& error);
std::string format_interface(const sim_interface& i);

class hid_server {
public:
    using report_handler = std::function<void(size_t iface, const uint8_t* report, size_t n)>;

    hid_server(event_loop& loop, std::string folder);
    ~hid_server();
    hid_server(const hid_server&) = delete;
    hid_server& operator=(const hid_server&) = delete;

    // Replaces the interfaces: every connection closes, every socket is made anew.
    bool set_interfaces(std::vector<sim_interface> list, std::string& error);
    const std::vector<sim_interface>& interfaces() const { return ifaces_; }
    void on_report(report_handler h) { handler_ = std::move(h); }

    // Sends an input report to every reader of the interface; the number reached.
    size_t broadcast(size_t iface, const uint8_t* report, size_t n);

    // The controller's interfaces leave (connections closed, sockets gone) or come back.
    void unplug();
    bool replug(std::string& error);
    bool plugged() const { return plugged_; }

    // Connections ever accepted on the interface (enumeration looks included).
    uint32_t looks(size_t iface) const;
    size_t connections() const { return conns_.size(); }

private:
    struct connection {
        size_t iface;
        bool open = false;
        uint8_t access = 0;
    };
    bool listen_on(size_t i, std::string& error);
    void close_listener(size_t i);
    void close_connection(int fd);
    void accept_on(size_t i);
    void readable(int fd);
    std::string path_of(size_t i) const;

    event_loop& loop_;
    std::string folder_;
    std::vector<sim_interface> ifaces_;
    std::vector<int> listeners_;
    std::vector<uint32_t> looks_;
    std::map<int, connection> conns_;
    report_handler handler_;
    bool plugged_ = true;
    std::vector<uint8_t> buf_;
};

}  // namespace sim
