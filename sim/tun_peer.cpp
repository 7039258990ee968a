#include "sim/tun_peer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/icmp.h"
#include "sim/net_namespace.h"

namespace sim {
namespace {

constexpr size_t ip_header = 20;
constexpr size_t icmp_header = 8;

void put16(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}

bool set_address(int sock, const char* name, unsigned long request, uint32_t address)
{
    ifreq r{};
    std::strncpy(r.ifr_name, name, IFNAMSIZ - 1);
    auto* a = reinterpret_cast<sockaddr_in*>(&r.ifr_addr);
    a->sin_family = AF_INET;
    a->sin_addr.s_addr = address;
    return ::ioctl(sock, request, &r) == 0;
}

}  // namespace

tun_peer::tun_peer(event_loop& loop, handler h) : loop_(loop), handler_(std::move(h)) {}

tun_peer::~tun_peer()
{
    if (fd_ >= 0) {
        loop_.unwatch(fd_);
        ::close(fd_);  // a device that is not persistent goes with its descriptor
    }
}

bool tun_peer::start(const std::string& spec, std::string& error)
{
    std::string peer = default_peer, local;
    size_t pos = 0;
    while (pos < spec.size()) {
        size_t end = spec.find(',', pos);
        std::string item = spec.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        pos = end == std::string::npos ? spec.size() : end + 1;
        if (item.rfind("peer=", 0) == 0)
            peer = item.substr(5);
        else if (item.rfind("local=", 0) == 0)
            local = item.substr(6);
        else if (!item.empty()) {
            error = "unknown TUN setting " + item;
            return false;
        }
    }
    in_addr p{}, l{};
    if (!platform::icmp_parse_address(peer.c_str(), p) || (!local.empty() && !platform::icmp_parse_address(local.c_str(), l))) {
        error = "bad TUN address";
        return false;
    }
    if (local.empty())
        l.s_addr = htonl(ntohl(p.s_addr) - 1);
    peer_ = p.s_addr;
    peerText_ = peer;

    // The controller's address must never be reached through a real network: the face is
    // made only in a network namespace that holds nothing but the loopback device.
    std::string other;
    if (!network_is_own({}, other)) {
        error = "the TUN face needs a network namespace of its own, and this one has " + other +
                " (start tvxsim under unshare --net, with lo up)";
        return false;
    }
    fd_ = ::open("/dev/net/tun", O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error = std::string("cannot open /dev/net/tun: ") + std::strerror(errno);
        return false;
    }
    ifreq r{};
    r.ifr_flags = IFF_TUN | IFF_NO_PI;
    std::strncpy(r.ifr_name, "tvxsim%d", IFNAMSIZ - 1);
    if (::ioctl(fd_, TUNSETIFF, &r) != 0) {
        error = std::string("TUNSETIFF: ") + std::strerror(errno);
        return false;
    }
    name_ = r.ifr_name;
    int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    bool ok = sock >= 0 && set_address(sock, name_.c_str(), SIOCSIFADDR, l.s_addr) &&
              set_address(sock, name_.c_str(), SIOCSIFDSTADDR, p.s_addr);
    if (ok) {
        ifreq f{};
        std::strncpy(f.ifr_name, name_.c_str(), IFNAMSIZ - 1);
        ok = ::ioctl(sock, SIOCGIFFLAGS, &f) == 0;
        f.ifr_flags = short(f.ifr_flags | IFF_UP | IFF_RUNNING | IFF_POINTOPOINT);
        ok = ok && ::ioctl(sock, SIOCSIFFLAGS, &f) == 0;
    }
    int e = errno;
    if (sock >= 0)
        ::close(sock);
    if (!ok) {
        error = "cannot set up " + name_ + ": " + std::strerror(e);
        return false;
    }
    loop_.watch(fd_, POLLIN, [this](short) { on_readable(); });
    return true;
}

void tun_peer::add_fault(tun_fault f)
{
    f.from += requests_ + resends_;
    faults_.push_back(f);
}

void tun_peer::on_readable()
{
    uint8_t buf[65536];
    for (;;) {
        ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0)
            return;
        on_packet(buf, size_t(n));
    }
}

void tun_peer::on_packet(const uint8_t* p, size_t n)
{
    if (n < ip_header + icmp_header || (p[0] >> 4) != 4 || p[9] != 1)
        return;
    size_t ihl = size_t(p[0] & 0x0F) * 4;
    size_t total = size_t(p[2] << 8 | p[3]);
    if (ihl < ip_header || total > n || total < ihl + icmp_header)
        return;
    uint32_t dst;
    std::memcpy(&dst, p + 16, 4);
    const uint8_t* icmp = p + ihl;
    if (dst != peer_ || icmp[0] != 8 || platform::internet_checksum(icmp, total - ihl) != 0)
        return;
    size_t length = total - ihl - icmp_header;
    // The request as the cache knows it: identifier, sequence and payload.
    std::vector<uint8_t> key(icmp + 4, icmp + total - ihl);
    uint32_t number = requests_ + resends_ + 1;
    if (key == lastRequest_) {
        ++resends_;
        for (const auto& r : lastReplies_)
            write_packet(r, 0);
        return;
    }
    ++requests_;
    uint32_t delay_ms = 0;
    std::vector<boot_frame> replies = handler_(icmp + icmp_header, length, delay_ms);
    lastRequest_ = std::move(key);
    lastReplies_.clear();
    unsigned faults = faults_for(number);
    auto has = [faults](tun_fault::kind_t k) { return (faults >> k) & 1u; };
    for (const auto& f : replies) {
        // Decoys first: the client must pass them over and take the right one.
        for (tun_fault::kind_t decoy : {tun_fault::wrong_id, tun_fault::bad_checksum})
            if (has(decoy) && !has(tun_fault::drop))
                write_packet(reply_packet(p, icmp, f, 1u << decoy), delay_ms);
        unsigned shape = faults & ((1u << tun_fault::old_sequence) | (1u << tun_fault::options));
        lastReplies_.push_back(reply_packet(p, icmp, f, shape));
        if (!has(tun_fault::drop))
            write_packet(lastReplies_.back(), delay_ms);
    }
}

unsigned tun_peer::faults_for(uint32_t number) const
{
    unsigned bits = 0;
    for (const auto& f : faults_)
        if (number >= f.from && number - f.from < f.times)
            bits |= 1u << f.kind;
    return bits;
}

std::vector<uint8_t> tun_peer::reply_packet(const uint8_t* request_ip, const uint8_t* request_icmp,
                                            const boot_frame& f, unsigned faults) const
{
    bool options = (faults >> tun_fault::options) & 1u, wrong_id = (faults >> tun_fault::wrong_id) & 1u;
    bool old_sequence = (faults >> tun_fault::old_sequence) & 1u, bad_checksum = (faults >> tun_fault::bad_checksum) & 1u;
    size_t ihl = options ? ip_header + 4 : ip_header;
    std::vector<uint8_t> p(ihl + icmp_header + f.size(), 0);
    p[0] = uint8_t(0x40 | ihl / 4);
    put16(&p[2], uint16_t(p.size()));
    p[8] = 64;
    p[9] = 1;
    std::memcpy(&p[12], &peer_, 4);
    std::memcpy(&p[16], request_ip + 12, 4);
    if (options)
        p[20] = p[21] = p[22] = 1;  // no-operation options, then the end of the list
    put16(&p[10], platform::internet_checksum(p.data(), ihl));
    uint8_t* icmp = &p[ihl];
    std::memcpy(icmp + 4, request_icmp + 4, 4);
    if (wrong_id)
        icmp[4] ^= 0x5A;
    if (old_sequence)
        put16(icmp + 6, uint16_t((icmp[6] << 8 | icmp[7]) - 1));
    std::copy(f.begin(), f.end(), icmp + icmp_header);
    uint16_t sum = platform::internet_checksum(icmp, icmp_header + f.size());
    put16(icmp + 2, bad_checksum ? uint16_t(sum + 1) : sum);
    return p;
}

void tun_peer::write_packet(const std::vector<uint8_t>& p, uint32_t delay_ms)
{
    if (delay_ms == 0) {
        (void)::write(fd_, p.data(), p.size());
        return;
    }
    loop_.at(now_ns() + uint64_t(delay_ms) * 1000000u, [this, p] { (void)::write(fd_, p.data(), p.size()); });
}

}  // namespace sim
