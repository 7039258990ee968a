// The flashcli program as a child against one tvxsim process that also serves its serial pty,
// its TUN device and its CAN bus: a generated HEX image into flash over every transport but
// USB.
#include "tvxsim_run.h"

#include "sim/net_namespace.h"
#include "sim/tun_peer.h"
#include "support/own_network.h"

namespace {

namespace fs = std::filesystem;
using flashcli_child::outcome;

// The process, tvxsim and every flashcli child run in a network namespace of their own: the
// controller's address is reached only through tvxsim's TUN device in it.
const testing_support::own_network_state& g_network = testing_support::own_network();

const std::string& peer_address()
{
    static const std::string address = sim::tun_peer::default_peer;
    return address;
}

std::string bus_path()
{
    static const std::string path = "/tmp/tarvix-flashcli-bus-" + std::to_string(::getpid()) + ".sock";
    return path;
}

std::vector<std::string> tvxsim_args()
{
    // Node 3 with standard identifiers at 125 kbit/s; tvxsim serves the bus itself.
    std::vector<std::string> a = {"--serial", "--can", bus_path() + ",node=3,rate=125000,hub"};
    if (g_network.ok)
        a.push_back("--tun");
    return a;
}

// Flash type 0 from address 0, sectors 1 to 7 erased before each download, the loader kept.
const std::string k_flash = "S:0\nT:0\nZ:1\nV:1\nA:1\nE:7\n";

struct transports_run : public flashcli_child::tvxsim_run {
    transports_run() : tvxsim_run(tvxsim_args()) {}

    void SetUp() override
    {
        tvxsim_run::SetUp();
        if (HasFatalFailure())
            return;
        const std::string slave = ask("serial-path");
        ASSERT_FALSE(slave.empty());
        ::setenv("TARVIX_COM3", slave.c_str(), 1);
        // The simulated CAN hardware each library finds, all on tvxsim's bus.
        ::setenv("TARVIX_SIM_PCAN", bus_path().c_str(), 1);
        ::setenv("TARVIX_SIM_CANKDRV", bus_path().c_str(), 1);
        const std::string ports = "0x378:dongle:" + bus_path() + ",0x300:isa:" + bus_path();
        ::setenv("TARVIX_SIM_PORTIO", ports.c_str(), 1);
        flashcli_child::write_file((dir / "serial.DAT").string(), "K:1\nC:3\nD:5\n" + k_flash);
        flashcli_child::write_file((dir / "eth.DAT").string(), "K:1\nY:" + peer_address() + "\n" + k_flash);
        flashcli_child::write_file((dir / "can.DAT").string(), "K:3\nP:2\nB:4\nH:1\nI:5\nX:300\n" + k_flash);
    }
    void TearDown() override
    {
        for (const char* v : {"TARVIX_COM3", "TARVIX_SIM_PCAN", "TARVIX_SIM_CANKDRV", "TARVIX_SIM_PORTIO",
                              "TARVIX_WINFAMILY"})
            ::unsetenv(v);
        std::error_code ignored;
        fs::remove(bus_path(), ignored);
    }
};

TEST_F(transports_run, hex_image_reaches_flash_over_each_transport)
{
    struct row {
        const char* name;
        std::vector<std::string> args;
        bool nt;  // false: TARVIX_WINFAMILY=9x
        bool ethernet;
        uint32_t image_bytes;
    };
    const std::vector<row> rows = {
        {"serial", {"H:E", "#", ")", "serial", "N:firmware.hex"}, true, false, 2048},
        {"serial fast", {"H:E", "#", "!", ")", "serial", "N:firmware.hex"}, true, false, 16 * 1024},
        {"Ethernet", {"H:E", "&", ")", "eth", "N:firmware.hex"}, true, true, 16 * 1024},
        {"CAN dongle, kernel driver", {"H:E", "$", ")", "can", "N:firmware.hex"}, true, false, 2048},
        {"CAN dongle, port driver", {"H:E", "$", ")", "can", "N:firmware.hex"}, false, false, 2048},
        {"PEAK", {"H:E", "(", ")", "can", "N:firmware.hex"}, true, false, 2048},
        {"ISA board", {"H:E", ")", "can", "N:firmware.hex"}, false, false, 2048},
    };
    uint32_t seed = 40;
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        if (r.ethernet && !g_network.ok) {
            std::printf("skipped %s: %s\n", r.name, g_network.why.c_str());
            continue;
        }
        if (r.ethernet) {
            // Before the first packet: nothing in the namespace but lo and tvxsim's TUN device.
            const std::string info = ask("tun-info");
            std::string found;
            ASSERT_TRUE(sim::network_is_own({info.substr(0, info.find(' '))}, found)) << found;
        }
        if (r.nt)
            ::unsetenv("TARVIX_WINFAMILY");
        else
            ::setenv("TARVIX_WINFAMILY", "9x", 1);
        const test_image::hex_image img = firmware(seed++, r.image_bytes);
        const outcome o = flashcli_child::run_detached(r.args, dir.string(), 120);
        ASSERT_FALSE(o.timed_out) << o.output;
        EXPECT_EQ(o.status, 0) << o.output;
        EXPECT_NE(o.output.find("\r\nConnectRequest ....\r\nDevice connected ....\n * "), std::string::npos)
            << o.output;
        for (const auto& run : img.runs)
            ASSERT_EQ(memory(run.address, uint32_t(run.bytes.size())), run.bytes) << std::hex << run.address;
    }
}

// The PEAK adapter's PCAN_USB library missing from the application directory: the driver
// library cannot be loaded, and flashcli says so.
TEST_F(transports_run, peak_library_missing_ends_with_its_text)
{
    const fs::path app = dir / "app";
    const fs::path from = fs::path(std::getenv("TARVIX_APP_DIR")) / "flashcli";
    fs::create_directories(app / "flashcli");
    for (const auto& e : fs::directory_iterator(from))
        if (e.is_regular_file() && e.path().filename() != "libPCAN_USB.so")
            fs::copy_file(e.path(), app / "flashcli" / e.path().filename());
    const std::string old_app = std::getenv("TARVIX_APP_DIR");
    ::setenv("TARVIX_APP_DIR", app.c_str(), 1);
    ::unsetenv("TARVIX_WINFAMILY");
    const outcome o = flashcli_child::run_detached({"H:E", "(", ")", "can", "N:firmware.hex"}, dir.string(), 60);
    ::setenv("TARVIX_APP_DIR", old_app.c_str(), 1);
    ASSERT_FALSE(o.timed_out) << o.output;
    EXPECT_EQ(o.status, 3) << o.output;
    EXPECT_NE(o.output.find("ERROR CAN-Class! ERROR: Driver DLL not found!"), std::string::npos) << o.output;
}

}  // namespace
