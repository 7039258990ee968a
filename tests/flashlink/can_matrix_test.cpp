// The download sequences over CAN against tvxsim's boot loader on the simulated bus, through each
// of the four driver libraries loaded at run time: a generated Intel-HEX image into memory and the
// upload of the same range, for the standard and the QUELCAN identifiers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

#include "flashlink/C_SndHex.h"
#include "flashlink/can_driver.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/can_world.h"
#include "platform/clock.h"
#include "platform/devices/services.h"
#include "sim/can_bus_hub.h"
#include "sim/can_bus_tap.h"
#include "sim/test_image.h"
#include "support/test_support.h"
#include "tests/sim/tvxsim_process.h"

namespace {

namespace fs = std::filesystem;
using bytes = std::vector<uint8_t>;
using can_testing::drivers;
using can_testing::nodes;

bytes read_file(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

// Records, by wrapping the bound entry points, the message objects opened (R receive, S send)
// and closed (C), and each transfer's first request written (I: an SDO initiate, command
// specifier 1 or 2), in order.
struct object_counter {
    static inline std::string log, last;
    static inline CANOpenRcvObj_fn open_rcv = nullptr;
    static inline CANOpenSndObj_fn open_snd = nullptr;
    static inline CANCloseObj_fn close = nullptr;
    static inline CANWrMsg_fn write = nullptr;

    static void install()
    {
        fl_can::driver_api& a = fl_can::state().api;
        log.clear();
        open_rcv = a.open_rcv_obj;
        open_snd = a.open_snd_obj;
        close = a.close_obj;
        write = a.wr_msg;
        a.open_rcv_obj = [](int16_t* h, uint16_t id, void* f, int32_t o, uint8_t o0, uint8_t x) -> uint8_t {
            log += 'R';
            return open_rcv(h, id, f, o, o0, x);
        };
        a.open_snd_obj = [](int16_t* h, uint16_t id, uint8_t v, int32_t o) -> uint8_t {
            log += 'S';
            return open_snd(h, id, v, o);
        };
        a.close_obj = [](int16_t h) {
            log += 'C';
            close(h);
        };
        a.wr_msg = [](int16_t h, const uint8_t* data, uint8_t len, uint16_t id) -> uint8_t {
            const uint8_t r = write(h, data, len, id);
            const int specifier = len > 0 ? data[0] >> 5 : -1;
            if (r == 1 && (specifier == 1 || specifier == 2))
                log += 'I';
            return r;
        };
    }
    // The transfers since the last call when each opened its receive and then its send object
    // once, started once and closed both at its end; -1 for any other order.
    static int transfers()
    {
        last = std::move(log);
        log.clear();
        const size_t n = last.size() / 5;
        std::string each;
        for (size_t i = 0; i < n; ++i)
            each += "RSICC";
        return last == each ? int(n) : -1;
    }
};

}  // namespace

class CanMatrix : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(CanMatrix, HexDownloadAndBinUploadAgainstTheLoader)
{
    const can_testing::driver_case& d = drivers[std::get<0>(GetParam())];
    const can_testing::node_case& n = nodes[std::get<1>(GetParam())];
    testing_support::temp_dir dir;
    sim::can_bus_hub hub(dir.file("bus.sock"));
    hub.start();
    std::string placement = hub.path() + ",node=" + std::to_string(n.node) + ",rate=125000";
    if (n.scheme == sim::boot_can_node::scheme::quelcan)
        placement += ",quelcan";
    testing_support::tvxsim_process sim({"--profile", "loader", "--can", placement});
    ASSERT_TRUE(sim.ok()) << sim.error();
    sim::can_bus_tap tap(hub.path());
    d.attach(hub.path());
    can_testing::use_family(d);

    test_image::hex_options o;
    o.seed = n.node;
    o.data_bytes = 3000;
    o.base = 0x4000;
    test_image::hex_image img = test_image::make_hex(o);
    fs::path hex = fs::path(dir.path()) / "image.hex";
    std::ofstream(hex, std::ios::binary) << img.text;
    uint32_t span = uint32_t(img.runs.back().address + img.runs.back().bytes.size() - o.base);

    // 125 kbit/s: baud index 4.
    const std::string name = d.name;
    uint16_t init = name == "pcanbridge" ? C_SndHex::DrvInitCANPeak(4, 0)
                    : name == "isacan"   ? C_SndHex::DrvInitCAN_ISA(4, 0, 0x300)
                                         : C_SndHex::DrvInitCANDon(4, 1);
    ASSERT_EQ(init, fl_result::ok);
    EXPECT_EQ(C_SndHex::DrvInitializedF, name == "pcanbridge" ? DRV_CAN_PEAK : name == "isacan" ? DRV_CAN_ISA : DRV_CAN_DON);
    object_counter::install();
    {
        C_SndHex s(n.protocol, 0, 0);
        ASSERT_EQ(s.HexDownload(nullptr, nullptr, n.node, (fs::path(dir.path()) / "image").c_str(), 0, 1, 1, 5, 0x80,
                                0, 1, 0, 0, -1, 0, 0, 1),
                  fl_result::ok);
        // Every transfer of the sequence opened its two objects once and closed them again.
        EXPECT_GT(object_counter::transfers(), 1) << object_counter::last;
        fs::path memory_file = fs::path(dir.path()) / "memory.bin";
        std::string reply;
        ASSERT_TRUE(sim.control().command(
            "memory-save " + std::to_string(0x08000000 + o.base) + " " + std::to_string(span) + " " +
                memory_file.string(),
            &reply))
            << reply;
        bytes memory = read_file(memory_file);
        ASSERT_EQ(memory.size(), span);
        for (const auto& run : img.runs)
            ASSERT_TRUE(std::equal(run.bytes.begin(), run.bytes.end(), memory.begin() + (run.address - o.base)))
                << "run at " << std::hex << run.address;

        fs::path up = fs::path(dir.path()) / "readback.bin";
        ASSERT_EQ(s.BinUpload(nullptr, nullptr, n.node, up.c_str(), 0x80, 0x0400, 0, span, 0, 1, 0, 0, 0, 1),
                  fl_result::ok);
        EXPECT_EQ(read_file(up), memory);
        EXPECT_GE(object_counter::transfers(), 1) << object_counter::last;
    }
    // At least the upload's and the image's own segments, two frames each; the tap may lag.
    EXPECT_TRUE(tap.wait_for_count(4 * size_t(3000) / 7, 5000));
    for (const sim::can_frame& f : tap.frames())
        ASSERT_TRUE(f.id == n.request || f.id == n.response) << std::hex << f.id;

    C_SndHex::DrvCloseCAN();
    EXPECT_EQ(C_SndHex::DrvInitializedF, DRV_NONE);
    EXPECT_EQ(fl_can::state().library, nullptr);
    EXPECT_FALSE(platform::services::is_running(fl_can::kernel_service));
    can_testing::detach_hardware();
}

INSTANTIATE_TEST_SUITE_P(FourLibrariesTwoNodes, CanMatrix,
                         ::testing::Combine(::testing::Range(0, 4), ::testing::Range(0, 2)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& i) {
                             return std::string(drivers[std::get<0>(i.param)].name) + "_node" +
                                    std::to_string(nodes[std::get<1>(i.param)].node);
                         });

// A loader on the bus at another bit rate never hears the request: the sequence's step timer
// runs out (on the test clock). Here tvxsim serves the bus itself.
TEST(CanMatrixHostile, LoaderAtAnotherBitRateEndsWithTheStepTimeout)
{
    testing_support::temp_dir dir;
    const std::string bus = dir.file("bus.sock");
    testing_support::tvxsim_process sim({"--profile", "loader", "--can", bus + ",node=3,rate=500000,hub"});
    ASSERT_TRUE(sim.ok()) << sim.error();
    drivers[0].attach(bus);
    can_testing::use_family(drivers[0]);
    fs::path hex = fs::path(dir.path()) / "image.hex";
    test_image::hex_options o;
    o.data_bytes = 100;
    std::ofstream(hex, std::ios::binary) << test_image::make_hex(o).text;
    ASSERT_EQ(C_SndHex::DrvInitCANPeak(4, 0), fl_result::ok);
    {
        platform::manual_clock clock;
        platform::scoped_clock use(clock);
        C_SndHex s(PROT_CAN, 0, 0);
        uint32_t start = clock.now_ms();
        EXPECT_EQ(s.HexDownload(nullptr, nullptr, 3, (fs::path(dir.path()) / "image").c_str(), 0, 1, 1, 5, 0x80, 0, 1,
                                0, 0, -1, 0, 0, 1),
                  fl_result::step_timeout);
        EXPECT_GE(clock.now_ms() - start, C_SndHex::step_timeout_ms);
    }
    C_SndHex::DrvCloseCAN();
    can_testing::detach_hardware();
}
