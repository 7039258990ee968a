#include "flashlink/C_ETH.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "flashlink/fl_results.h"
#include "platform/clock.h"
#include "platform/icmp.h"

namespace {

constexpr uint8_t echo_request = 8;
constexpr uint8_t echo_reply = 0;
constexpr uint8_t protocol_icmp = 1;
constexpr size_t min_ip_header = 20;

struct eth_link {
    int fd = -1;
    in_addr target{};
    uint8_t id[2] = {};
    uint16_t sequence = 0;
    uint8_t packet[C_ETH::header_size + C_COMM::max_frame] = {};
    size_t packetLength = 0;  // of the last message sent, 0 before the first
    uint8_t rx[C_ETH::receive_size] = {};
    int lastError = 0;
    std::chrono::steady_clock::time_point lastSend{};
};

eth_link& link()
{
    static eth_link l;
    return l;
}

}  // namespace

size_t C_ETH::BuildRequest(uint8_t* out, const uint8_t id[2], uint16_t sequence, const uint8_t* frame, size_t n)
{
    out[0] = echo_request;
    out[1] = 0;
    out[2] = out[3] = 0;
    out[4] = id[0];
    out[5] = id[1];
    out[6] = uint8_t(sequence >> 8);
    out[7] = uint8_t(sequence);
    if (n)
        std::memcpy(out + header_size, frame, n);
    uint16_t sum = platform::internet_checksum(out, header_size + n);
    out[2] = uint8_t(sum >> 8);
    out[3] = uint8_t(sum);
    return header_size + n;
}

C_ETH::check C_ETH::CheckReply(const uint8_t* p, size_t received, const uint8_t id[2], const uint8_t seq[2],
                               size_t& offset, size_t& length)
{
    if (received < min_ip_header || (p[0] >> 4) != 4 || p[9] != protocol_icmp)
        return check::ignored;
    size_t ihl = size_t(p[0] & 0x0F) * 4;
    size_t total = size_t(p[2] << 8 | p[3]);
    // A length the packet claims beyond what arrived is never read.
    if (ihl < min_ip_header || total < ihl + header_size || total > received)
        return check::ignored;
    const uint8_t* icmp = p + ihl;
    if (icmp[0] != echo_reply || icmp[1] != 0)
        return check::ignored;
    if (platform::internet_checksum(icmp, total - ihl) != 0)
        return check::ignored;
    if (icmp[4] != id[0] || icmp[5] != id[1])
        return check::ignored;
    offset = ihl + header_size;
    length = total - offset;
    return icmp[6] == seq[0] && icmp[7] == seq[1] ? check::accepted : check::out_of_sequence;
}

uint16_t C_ETH::Open(const char* address)
{
    eth_link& l = link();
    platform::icmp_close(l.fd);
    in_addr a{};
    if (!platform::icmp_parse_address(address, a)) {
        l.lastError = EINVAL;
        return fl_result::eth_socket;
    }
    l.fd = platform::icmp_open(receive_timeout_ms, send_timeout_ms);
    if (l.fd < 0) {
        l.lastError = errno;
        return fl_result::eth_socket;
    }
    l.target = a;
    uint16_t pid = uint16_t(::getpid());
    l.id[0] = uint8_t(pid);
    l.id[1] = uint8_t(pid >> 8);
    l.sequence = 0;
    l.packetLength = 0;
    return 0;
}

void C_ETH::Shutdown() { platform::icmp_close(link().fd); }

bool C_ETH::IsOpen() { return link().fd >= 0; }

int C_ETH::LastError() { return link().lastError; }

uint16_t C_ETH::Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t)
{
    eth_link& l = link();
    if (sent)
        *sent = 0;
    // At least the pause between two packets, the controller's time to take one; the round
    // trip already spent counts towards it.
    auto due = l.lastSend + std::chrono::milliseconds(pause_ms);
    if (std::chrono::steady_clock::now() < due)
        std::this_thread::sleep_until(due);
    l.lastSend = std::chrono::steady_clock::now();
    if (length != resend_last) {
        if (!data || length > max_frame)
            return fl_result::send_incomplete;
        l.packetLength = BuildRequest(l.packet, l.id, ++l.sequence, data, length);
    }
    if (l.fd < 0 || l.packetLength == 0)
        return fl_result::send_incomplete;
    size_t done = 0;
    int error = 0;
    platform::icmp_io r = platform::icmp_send(l.fd, l.target, l.packet, l.packetLength, done, error);
    if (r != platform::icmp_io::ok) {
        l.lastError = error;
        if (r == platform::icmp_io::timed_out)
            std::fputs("senf timed out\n", stderr);
        else
            std::fprintf(stderr, "sendto failed: %d\n", error);
        return fl_result::send_incomplete;
    }
    if (sent)
        *sent = uint16_t(std::min<size_t>(done, 0xFFFE));
    return done == l.packetLength ? 0 : fl_result::send_incomplete;
}

bool C_ETH::RcvReady(uint16_t* error)
{
    eth_link& l = link();
    if (l.fd < 0)
        return false;
    size_t n = 0;
    in_addr from{};
    int sys = 0;
    platform::icmp_io r = platform::icmp_receive(l.fd, l.rx, sizeof l.rx, n, from, sys);
    if (r == platform::icmp_io::timed_out)
        return false;
    if (r == platform::icmp_io::failed) {
        l.lastError = sys;
        std::fputs("+", stdout);
        std::fflush(stdout);
        if (error)
            *error = fl_result::receive_error;
        return false;
    }
    // Replies of other hosts (another ping running on this machine) are not ours.
    if (from.s_addr != l.target.s_addr)
        return false;
    const uint8_t seq[2] = {uint8_t(l.sequence >> 8), uint8_t(l.sequence)};
    size_t offset = 0, length = 0;
    switch (CheckReply(l.rx, n, l.id, seq, offset, length)) {
    case check::ignored:
        return false;
    case check::out_of_sequence:
        if (error)
            *error = fl_result::eth_sequence;
        return true;
    case check::accepted:
        break;
    }
    rxOffset_ = offset;
    rxLength_ = length;
    return true;
}

void C_ETH::GetFrame(uint8_t* destination, uint16_t* length)
{
    size_t n = std::min<size_t>(rxLength_, max_frame);
    std::memcpy(destination, link().rx + rxOffset_, n);
    *length = uint16_t(n);
    rxLength_ = 0;
}

void C_ETH::WaitFrame(uint32_t ms)
{
    eth_link& l = link();
    if (l.fd >= 0)
        platform::icmp_wait_readable(l.fd, ms);
    else
        platform::sleep_ms(ms);
}
