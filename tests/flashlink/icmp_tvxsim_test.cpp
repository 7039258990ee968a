// The download sequences over ICMP echo against tvxsim behind a TUN device: a generated HEX
// image down and back, hostile replies, and the retry question after a lost reply, answered
// on a terminal. Runs in a network namespace of its own (root: the namespace, the TUN device,
// the raw socket); skipped otherwise.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "flashlink/C_SdoMast.h"
#include "flashlink/C_SndHex.h"
#include "flashlink/fl_console.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/fake_comms.h"
#include "platform/clock.h"
#include "sim/net_namespace.h"
#include "sim/simulator.h"
#include "sim/tun_peer.h"
#include "sim/test_image.h"
#include "support/own_network.h"
#include "tests/sim/tvxsim_process.h"

namespace {

namespace fs = std::filesystem;
using bytes = std::vector<uint8_t>;

bytes read_file(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

// The process runs in a network namespace of its own, and tvxsim in it: the controller's
// address is reached only there. Fixed at static initialisation, before any thread.
const testing_support::own_network_state& g_network = testing_support::own_network();

const std::string& peer_address()
{
    static const std::string address = sim::tun_peer::default_peer;
    return address;
}

// Time forty times as fast, so the 12 s step time-out passes in 300 ms.
class fast_clock : public platform::clock {
public:
    uint32_t now_ms() override
    {
        auto t = std::chrono::steady_clock::now() - start_;
        return 1000 + uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(t).count() * 40 / 1000);
    }
    void sleep_ms(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::microseconds(ms * 1000 / 40)); }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

std::vector<std::string> tvxsim_args()
{
    if (!g_network.ok)
        return {};
    return {"--tun"};
}

struct icmp_sim : public ::testing::Test {
    testing_support::tvxsim_process sim{tvxsim_args()};
    fs::path dir;
    fs::path hex;
    test_image::hex_image img;

    void SetUp() override
    {
        if (!g_network.ok)
            GTEST_SKIP() << g_network.why;
        ASSERT_TRUE(sim.ok()) << sim.error();
        ASSERT_TRUE(sim.control().load_profile("loader"));
        // Before the first packet: nothing in the namespace but lo and tvxsim's TUN device.
        std::string info = ask("tun-info");
        std::string device = info.substr(0, info.find(' ')), found;
        ASSERT_EQ(info.substr(device.size() + 1, peer_address().size()), peer_address()) << info;
        ASSERT_TRUE(sim::network_is_own({device}, found)) << found;
        dir = fs::path(sim.folder()) / "files";
        fs::create_directories(dir);
        test_image::hex_options o;
        o.seed = 31;
        o.data_bytes = 16 * 1024;
        o.base = 0xC0000;
        img = test_image::make_hex(o);
        hex = dir / "image.hex";
        std::ofstream(hex, std::ios::binary) << img.text;
    }
    void TearDown() override { C_SndHex::DrvCloseEthernet(); }
    std::string ask(const std::string& command)
    {
        std::string r;
        EXPECT_TRUE(sim.control().command(command, &r)) << command << ": " << r;
        return r;
    }
    uint32_t span() const
    {
        return uint32_t(img.runs.back().address + img.runs.back().bytes.size() - img.runs.front().address);
    }
    void expect_image(const bytes& got)
    {
        uint32_t base = img.runs.front().address;
        ASSERT_GE(got.size(), span());
        for (const auto& run : img.runs)
            ASSERT_TRUE(std::equal(run.bytes.begin(), run.bytes.end(), got.begin() + (run.address - base)))
                << "run at " << std::hex << run.address;
    }
    bytes memory(uint32_t address, uint32_t n)
    {
        fs::path f = dir / "memory.bin";
        ask("memory-save " + std::to_string(address) + " " + std::to_string(n) + " " + f.string());
        return read_file(f);
    }
    uint16_t download()
    {
        C_SndHex s(PROT_ETH, 0, 1);
        return s.HexDownload(nullptr, nullptr, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 0, 1);
    }
    std::vector<sim::wire_entry> requests()
    {
        std::vector<sim::wire_entry> out;
        for (auto& e : sim.control().wire_log())
            if (e.interface_index == sim::simulator::tun_log_iface && e.direction == sim::wire_direction::in)
                out.push_back(e);
        return out;
    }
};

TEST_F(icmp_sim, hex_image_goes_down_and_comes_back)
{
    ASSERT_EQ(C_SndHex::DrvInitEthernet(peer_address().c_str()), 0);
    ASSERT_EQ(download(), 0);
    uint32_t base = img.runs.front().address;
    expect_image(memory(base, span()));
    fs::path up = dir / "back.bin";
    C_SndHex s(PROT_ETH, 0, 1);
    ASSERT_EQ(s.BinUpload(nullptr, nullptr, 1, up.c_str(), 0, uint16_t(base >> 4), 0, span(), 0, 1, 0, 0, 0, 1), 0);
    expect_image(read_file(up));
}

TEST_F(icmp_sim, foreign_and_odd_replies_are_passed_over_and_an_old_sequence_ends_the_transfer)
{
    struct row {
        const char* name;
        const char* fault;
        uint16_t result;
    };
    const row rows[] = {
        {"a reply with another identifier first", "tun-fault id at=3 times=5", 0},
        {"a reply with a bad checksum first", "tun-fault checksum at=2 times=5", 0},
        {"IPv4 options in the replies", "tun-fault options at=1 times=1000", 0},
        {"an old sequence", "tun-fault sequence at=4", fl_result::client_abort},
    };
    ASSERT_EQ(C_SndHex::DrvInitEthernet(peer_address().c_str()), 0);
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        ask("tun-faults-clear");
        ask(r.fault);
        sim.control().clear_log();
        EXPECT_EQ(download(), r.result);
        if (r.result) {
            std::vector<sim::wire_entry> in = requests();
            ASSERT_FALSE(in.empty());
            EXPECT_EQ(in.back().frame(0), 0x80);  // the client's abort
        }
    }
}

// The keys of a console that answers the retry question with one key, or has none.
int g_key = -1;
bool no_key() { return false; }
int the_key() { return g_key; }
const fl_console scripted_keys = {&no_key, &the_key};

TEST_F(icmp_sim, retry_question_after_a_lost_reply)
{
    // Typed on a terminal: the download runs in a child whose controlling terminal is a pty.
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    std::string slave = ::ptsname(master);
    ask("tun-fault drop at=5");
    sim.control().clear_log();
    pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        int tty = ::open(slave.c_str(), O_RDWR);  // becomes the controlling terminal
        if (tty < 0)
            ::_exit(100);
        ::dup2(tty, 1);
        fast_clock clock;
        platform::scoped_clock use(clock);
        if (C_SndHex::DrvInitEthernet(peer_address().c_str()) != 0)
            ::_exit(101);
        ::_exit(download() == 0 ? 0 : 102);
    }
    std::string seen;
    bool asked = false;
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!asked && std::chrono::steady_clock::now() < until) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            char b[256];
            ssize_t n = ::read(master, b, sizeof b);
            if (n > 0)
                seen.append(b, size_t(n));
            else
                break;
        }
        asked = seen.find("Retry(j/n)?") != std::string::npos;
    }
    EXPECT_TRUE(asked) << seen;
    ASSERT_EQ(::write(master, "j", 1), 1);
    int status = -1;
    // Drain the terminal while the child finishes; a child that hangs is ended.
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > limit)
            ::kill(child, SIGKILL);
        pollfd p{master, POLLIN, 0};
        char b[256];
        if (::poll(&p, 1, 50) > 0) {
            ssize_t n = ::read(master, b, sizeof b);
            if (n > 0)
                seen.append(b, size_t(n));
        }
    }
    ::close(master);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << seen;
    expect_image(memory(img.runs.front().address, span()));
    // The resent request was answered from the kept reply, not run again.
    std::string info = ask("tun-info");
    EXPECT_NE(info.find("resends=1"), std::string::npos) << info;
    std::vector<sim::wire_entry> in = requests();
    for (size_t i = 1; i < in.size(); ++i)
        EXPECT_NE(in[i].report, in[i - 1].report) << "request " << i << " ran twice";

    // 'n' typed, and no console at all: the step time-out stands.
    fast_clock clock;
    platform::scoped_clock use(clock);
    ASSERT_EQ(C_SndHex::DrvInitEthernet(peer_address().c_str()), 0);
    for (int key : {int('n'), -1}) {
        SCOPED_TRACE(key);
        ask("tun-faults-clear");
        ask("tun-fault drop at=3");
        g_key = key;
        const fl_console* before = fl_set_console(&scripted_keys);
        ::testing::internal::CaptureStdout();
        uint16_t r = download();
        std::string said = ::testing::internal::GetCapturedStdout();
        fl_set_console(before);
        EXPECT_EQ(r, fl_result::step_timeout);
        EXPECT_NE(said.find("Timeout!!! Retry(j/n)?"), std::string::npos) << said;
    }
}

}  // namespace
