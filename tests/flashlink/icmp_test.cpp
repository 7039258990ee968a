// The Ethernet transport's packets: the echo request as built, the checks every received
// packet must pass, and, as root, the socket itself on the loopback device of a network
// namespace of the test's own.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <dirent.h>
#include <netinet/ip_icmp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "flashlink/C_ETH.h"
#include "flashlink/C_SndHex.h"
#include "flashlink/fl_results.h"
#include "sim/net_namespace.h"
#include "sim/tun_peer.h"
#include "support/own_network.h"

namespace {

const testing_support::own_network_state& g_network = testing_support::own_network();

using bytes = std::vector<uint8_t>;

// Before the first packet: the namespace holds nothing but lo.
::testing::AssertionResult network_is_own()
{
    std::string found;
    if (sim::network_is_own({}, found))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the test's network namespace has " << found;
}

// An independent Internet checksum: the sum of 16-bit words folded, complemented.
uint16_t reference_checksum(const bytes& b)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2)
        sum += uint64_t(b[i]) * 256 + (i + 1 < b.size() ? b[i + 1] : 0);
    while (sum > 0xFFFF)
        sum = (sum >> 16) + (sum & 0xFFFF);
    return uint16_t(0xFFFF - sum);
}

// A reply as a host would send it: IPv4 header (ihl words), ICMP header, payload.
bytes reply(const bytes& payload, uint8_t type = 0, uint8_t ihl = 5, uint8_t proto = 1, uint16_t seq = 7,
            uint8_t id0 = 0x34, uint8_t id1 = 0x12)
{
    size_t h = size_t(ihl) * 4;
    bytes p(h + 8 + payload.size(), 0);
    p[0] = uint8_t(0x40 | ihl);
    p[2] = uint8_t(p.size() >> 8);
    p[3] = uint8_t(p.size());
    p[9] = proto;
    p[h] = type;
    p[h + 4] = id0;
    p[h + 5] = id1;
    p[h + 6] = uint8_t(seq >> 8);
    p[h + 7] = uint8_t(seq);
    std::copy(payload.begin(), payload.end(), p.begin() + long(h + 8));
    uint16_t sum = reference_checksum(bytes(p.begin() + long(h), p.end()));
    p[h + 2] = uint8_t(sum >> 8);
    p[h + 3] = uint8_t(sum);
    return p;
}

size_t open_fds()
{
    size_t n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

TEST(icmp_packets, echo_request_carries_the_identifier_little_endian_and_the_sequence_big_endian)
{
    const uint8_t id[2] = {0x34, 0x12};  // process 0x1234
    for (size_t n : {size_t(8), size_t(1025), size_t(1), size_t(0)}) {
        SCOPED_TRACE(n);
        bytes frame(n);
        for (size_t i = 0; i < n; ++i)
            frame[i] = uint8_t(i * 7 + 1);
        bytes out(8 + n);
        ASSERT_EQ(C_ETH::BuildRequest(out.data(), id, 0x0102, frame.data(), n), 8 + n);
        EXPECT_EQ(out[0], 8);
        EXPECT_EQ(out[1], 0);
        EXPECT_EQ(out[4], 0x34);
        EXPECT_EQ(out[5], 0x12);
        EXPECT_EQ(out[6], 0x01);
        EXPECT_EQ(out[7], 0x02);
        EXPECT_TRUE(std::equal(frame.begin(), frame.end(), out.begin() + 8));
        bytes zeroed = out;
        zeroed[2] = zeroed[3] = 0;
        EXPECT_EQ(uint16_t(out[2] << 8 | out[3]), reference_checksum(zeroed));
    }
}

TEST(icmp_packets, replies_pass_only_with_our_identifier_type_length_and_checksum)
{
    const uint8_t id[2] = {0x34, 0x12};
    const uint8_t seq[2] = {0x00, 0x07};
    const bytes payload = {0x60, 0xFC, 0x30, 0x00, 0x44, 0x33, 0x22, 0x11};
    bytes over = reply(payload);
    over[3] = uint8_t(over[3] + 4);  // claims 4 bytes more than arrived
    bytes bad_sum = reply(payload);
    bad_sum[22] ^= 1;
    bytes options = reply(payload, 0, 6);
    struct row {
        const char* name;
        bytes packet;
        size_t received;  // 0: the whole packet
        C_ETH::check result;
        size_t offset;
    };
    const row rows[] = {
        {"echo reply", reply(payload), 0, C_ETH::check::accepted, 28},
        {"IPv4 options (IHL 6)", options, 0, C_ETH::check::accepted, 32},
        {"another identifier", reply(payload, 0, 5, 1, 7, 0x35), 0, C_ETH::check::ignored, 0},
        {"an old sequence", reply(payload, 0, 5, 1, 6), 0, C_ETH::check::out_of_sequence, 28},
        {"not ICMP", reply(payload, 0, 5, 17), 0, C_ETH::check::ignored, 0},
        {"echo request, not reply", reply(payload, 8), 0, C_ETH::check::ignored, 0},
        {"total length beyond what arrived", over, 0, C_ETH::check::ignored, 0},
        {"cut short", reply(payload), 30, C_ETH::check::ignored, 0},
        {"bad ICMP checksum", bad_sum, 0, C_ETH::check::ignored, 0},
        {"header only", bytes(20, 0x45), 0, C_ETH::check::ignored, 0},
        {"IHL below 5", reply(payload, 0, 4), 0, C_ETH::check::ignored, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        size_t offset = 0, length = 0;
        size_t received = r.received ? r.received : r.packet.size();
        EXPECT_EQ(C_ETH::CheckReply(r.packet.data(), received, id, seq, offset, length), r.result);
        if (r.result != C_ETH::check::ignored) {
            EXPECT_EQ(offset, r.offset);
            EXPECT_EQ(length, payload.size());
        }
    }
}

// Without the simulated controller's TUN face its address leads nowhere: the namespace has
// no route to it, and the request is refused at once.
TEST(icmp_socket, the_controllers_address_is_unreachable_without_its_tun_face)
{
    if (!g_network.ok)
        GTEST_SKIP() << g_network.why;
    ASSERT_TRUE(network_is_own());
    ASSERT_EQ(C_SndHex::DrvInitEthernet(sim::tun_peer::default_peer), 0);
    C_ETH eth;
    const bytes frame = {0x40, 0xF0, 0x30, 0, 0, 0, 0, 0};
    uint16_t sent = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(eth.Send(frame.data(), 8, &sent, 0), fl_result::send_incomplete);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(C_ETH::LastError(), ENETUNREACH);
    C_SndHex::DrvCloseEthernet();
}

TEST(icmp_socket, bad_address_and_missing_permission_fail_at_init)
{
    EXPECT_EQ(C_SndHex::DrvInitEthernet("192.168.10"), fl_result::eth_socket);
    EXPECT_EQ(C_SndHex::DrvInitEthernet("not an address"), fl_result::eth_socket);
    EXPECT_EQ(C_SndHex::DrvInitializedF, DRV_NONE);
    if (!g_network.ok)
        GTEST_SKIP() << g_network.why;
    pid_t child = ::fork();
    if (child == 0) {
        // As an ordinary user without capabilities, no raw socket.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(C_SndHex::DrvInitEthernet("127.0.0.1") == fl_result::eth_socket ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(icmp_socket, sequence_counts_from_one_and_a_resend_keeps_packet_and_number)
{
    if (!g_network.ok)
        GTEST_SKIP() << g_network.why;
    ASSERT_TRUE(network_is_own());
    // A second raw socket sees every echo request on the loopback device.
    int watch = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    ASSERT_GE(watch, 0);
    timeval tv{1, 0};
    ::setsockopt(watch, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ASSERT_EQ(C_SndHex::DrvInitEthernet("127.0.0.1"), 0);
    EXPECT_EQ(C_SndHex::DrvInitializedF, DRV_ETH);
    C_ETH eth;
    const bytes frame = {0x40, 0xF0, 0x30, 0, 0, 0, 0, 0};
    uint16_t sent = 0;
    ASSERT_EQ(eth.Send(frame.data(), 8, &sent, 0), 0);
    EXPECT_EQ(sent, 16);
    ASSERT_EQ(eth.Send(frame.data(), 8, &sent, 0), 0);
    ASSERT_EQ(eth.Send(nullptr, C_COMM::resend_last, &sent, 0), 0);
    std::vector<bytes> requests;
    uint16_t pid = uint16_t(::getpid());
    while (requests.size() < 3) {
        uint8_t b[1600];
        ssize_t n = ::recv(watch, b, sizeof b, 0);
        ASSERT_GT(n, 0) << "request " << requests.size() + 1 << " not seen";
        size_t h = size_t(b[0] & 0x0F) * 4;
        if (b[h] == 8 && b[h + 4] == uint8_t(pid) && b[h + 5] == uint8_t(pid >> 8))
            requests.emplace_back(b + h, b + n);
    }
    EXPECT_EQ(requests[0].size(), 16u);
    EXPECT_EQ(requests[0][6] << 8 | requests[0][7], 1);
    EXPECT_EQ(requests[1][6] << 8 | requests[1][7], 2);
    EXPECT_EQ(requests[2], requests[1]);
    // The kernel answers on the loopback: the reply to packet 1 is out of sequence, the
    // replies to packet 2 carry our frame back.
    int in_order = 0, late = 0;
    for (int i = 0; i < 50 && in_order == 0; ++i) {
        uint16_t error = 0;
        if (eth.RcvReady(&error))
            (error == fl_result::eth_sequence ? late : in_order) += 1;
    }
    EXPECT_EQ(late, 1);
    EXPECT_EQ(in_order, 1);
    uint8_t got[C_COMM::max_frame];
    uint16_t n = 0;
    eth.GetFrame(got, &n);
    EXPECT_EQ(bytes(got, got + n), frame);
    ::close(watch);
    C_SndHex::DrvCloseEthernet();
    EXPECT_FALSE(C_ETH::IsOpen());
}

TEST(icmp_socket, repeated_opening_and_closing_leaks_no_descriptor)
{
    if (!g_network.ok)
        GTEST_SKIP() << g_network.why;
    ASSERT_TRUE(network_is_own());
    size_t fds = open_fds();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(C_SndHex::DrvInitEthernet("127.0.0.1"), 0);
        C_SndHex::DrvCloseEthernet();
    }
    EXPECT_EQ(open_fds(), fds);
}

}  // namespace
