// The boot loader's Ethernet face: a TUN device whose far end is the controller's address.
// Echo requests to that address carry request frames; each is answered by an echo reply
// with the same identifier and sequence whose payload is the response frame. A request
// repeating the identifier and sequence just answered (the client's retry) gets the kept
// reply again and is not run a second time.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/boot_sdo_server.h"
#include "sim/event_loop.h"

namespace sim {

struct tun_fault {
    enum kind_t {
        drop,          // the reply is lost (the request is carried out)
        wrong_id,      // a reply with another identifier goes out before the right one
        bad_checksum,  // a reply with a wrong ICMP checksum goes out before the right one
        old_sequence,  // the reply carries the sequence before
        options,       // the reply's IPv4 header carries 4 bytes of options (IHL 6)
    };
    kind_t kind = drop;
    uint32_t from = 1;  // request number, 1 the first after arming
    uint32_t times = 1;
};

class tun_peer {
public:
    using handler = std::function<std::vector<boot_frame>(const uint8_t* frame, size_t n, uint32_t& delay_ms)>;

    // The controller answers as 192.168.10.100 unless told otherwise; the host side is
    // the address before it.
    static constexpr const char* default_peer = "192.168.10.100";

    tun_peer(event_loop& loop, handler h);
    ~tun_peer();
    tun_peer(const tun_peer&) = delete;
    tun_peer& operator=(const tun_peer&) = delete;

    // spec: "" or "peer=A[,local=B]". Needs CAP_NET_ADMIN and a network namespace with
    // nothing but lo in it (net_namespace.h).
    bool start(const std::string& spec, std::string& error);
    const std::string& name() const { return name_; }
    const std::string& peer_address() const { return peerText_; }

    void add_fault(tun_fault f);
    void clear_faults() { faults_.clear(); }
    uint32_t requests() const { return requests_; }  // run by the loader
    uint32_t resends() const { return resends_; }    // answered from the kept reply

private:
    void on_readable();
    void on_packet(const uint8_t* p, size_t n);
    // The faults armed for request `number`, one bit per kind.
    unsigned faults_for(uint32_t number) const;
    std::vector<uint8_t> reply_packet(const uint8_t* request_ip, const uint8_t* request_icmp, const boot_frame& f,
                                      unsigned faults) const;
    void write_packet(const std::vector<uint8_t>& p, uint32_t delay_ms);

    event_loop& loop_;
    handler handler_;
    int fd_ = -1;
    std::string name_;
    std::string peerText_;
    uint32_t peer_ = 0;  // network order
    std::vector<tun_fault> faults_;
    uint32_t requests_ = 0;
    uint32_t resends_ = 0;
    // The last request answered and its replies as sent.
    std::vector<uint8_t> lastRequest_;
    std::vector<std::vector<uint8_t>> lastReplies_;
};

}  // namespace sim
