// The exported download sequences over USB against the tvxsim process: a generated
// Intel-HEX image into flash, a binary image with erased runs, uploads of what was written,
// and a start from the application, which restarts into its loader on the way.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "flashlink/C_SndHex.h"
#include "flashlink/fl_results.h"
#include "sim/test_image.h"
#include "tests/sim/tvxsim_process.h"

namespace {

namespace fs = std::filesystem;
using bytes = std::vector<uint8_t>;

bytes read_file(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

struct sndhex_sim : public ::testing::Test {
    testing_support::tvxsim_process sim;
    fs::path dir;

    void SetUp() override
    {
        ASSERT_TRUE(sim.ok()) << sim.error();
        dir = fs::path(sim.folder()) / "files";
        fs::create_directories(dir);
    }
    void TearDown() override { C_SndHex::DrvCloseUsb(); }
    std::string ask(const std::string& command)
    {
        std::string r;
        EXPECT_TRUE(sim.control().command(command, &r)) << command << ": " << r;
        return r;
    }
    bytes memory(uint32_t address, uint32_t n)
    {
        fs::path f = dir / "memory.bin";
        ask("memory-save " + std::to_string(address) + " " + std::to_string(n) + " " + f.string());
        return read_file(f);
    }
    // The personality once the device has settled (a restart takes D1 + D2).
    std::string settled_personality()
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
        return ask("personality");
    }
};

TEST_F(sndhex_sim, hex_download_fills_flash_with_the_generators_bytes_and_the_stay_flag_decides_the_end)
{
    test_image::hex_options o;
    o.seed = 25;
    o.data_bytes = 64 * 1024;
    o.base = 0x4000;  // behind the boot sector of the redesign's flash, slot 0x80
    test_image::hex_image img = test_image::make_hex(o);
    fs::path hex = dir / "firmware.hex";
    std::ofstream(hex, std::ios::binary) << img.text;
    uint32_t span = uint32_t(img.runs.back().address + img.runs.back().bytes.size() - o.base);

    struct row {
        const char* name;
        const char* profile;
        int stay;
        uint32_t connect;
        const char* ends_in;
    };
    const row rows[] = {
        {"V 1 stays in the loader", "loader", 1, 0, "loader"},
        {"V 0 starts the application", "loader", 0, 0, "application premium"},
        {"from the application", "premium", 1, 0x1234, "loader"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ASSERT_TRUE(sim.control().load_profile(r.profile));
        ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix [8,9]"), 0);
        C_SndHex s(PROT_USB, 0, 1);
        ::testing::internal::CaptureStdout();
        uint16_t result = s.HexDownload(nullptr, nullptr, 1, (dir / "firmware").c_str() /* .HEX added, case found */,
                                        0, 1, 1, 5, 0x80, 0, r.stay, 0, r.connect, -1, 0, 0, 1);
        std::string said = ::testing::internal::GetCapturedStdout();
        ASSERT_EQ(result, 0) << said;
        if (r.connect) {
            EXPECT_EQ(said, "\r\nConnectRequest .... .. Application StartFlg is detected ..  Reset OK...\r\nDevice connected ....");
        } else {
            EXPECT_EQ(said, "\r\nConnectRequest ....\r\nDevice connected ....");
        }
        bytes flash = memory(0x08000000 + o.base, span);
        ASSERT_EQ(flash.size(), span);
        for (const auto& run : img.runs)
            ASSERT_TRUE(std::equal(run.bytes.begin(), run.bytes.end(), flash.begin() + (run.address - o.base)))
                << "run at " << std::hex << run.address;
        EXPECT_EQ(settled_personality(), r.ends_in);
        // Read back through the loader: what the generator placed, 0xFF between.
        if (r.stay) {
            fs::path up = dir / "readback.bin";
            ASSERT_EQ(s.BinUpload(nullptr, nullptr, 1, up.c_str(), 0x80, 0x0400, 0, span, 0, 1, 0, 0, 0, 1), 0);
            EXPECT_EQ(read_file(up), flash);
        }
        C_SndHex::DrvCloseUsb();
    }
}

TEST_F(sndhex_sim, binary_download_sends_the_ranges_and_the_upload_gives_the_image_back)
{
    ASSERT_TRUE(sim.control().load_profile("loader"));
    bytes image = test_image::make_binary(40, 40000, {{100, 900}});
    fs::path bin = dir / "image.bin";
    std::ofstream(bin, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), long(image.size()));
    ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), 0);
    C_SndHex s(PROT_USB, 0, 1);
    ask("loader-log-clear");
    ASSERT_EQ(s.BinDownload(nullptr, nullptr, 1, (dir / "image").c_str(), 0, 0, 1, 1, 0, 0x1000, 0, 0, 0, 1, 0, 0, -1,
                            0, 0, 1),
              0);
    std::vector<std::string> log;
    ASSERT_TRUE(sim.control().command("loader-log", nullptr, &log));
    std::vector<std::string> ranges;
    for (const auto& l : log)
        if (l.rfind("range", 0) == 0)
            ranges.push_back(l);
    // Block 0: 0-99 and 1000-32767; block 1: 0-7231.
    EXPECT_EQ(ranges, (std::vector<std::string>{"range 10000 100", "range 103E8 31768", "range 18000 7232"}));
    fs::path up = dir / "upload";
    ASSERT_EQ(s.BinUpload(nullptr, nullptr, 1, up.c_str(), 0, 0x1000, 0, 40000, 0, 1, 0, 0, 0, 1), 0);
    EXPECT_EQ(read_file(dir / "upload.BIN"), image);
}

TEST_F(sndhex_sim, loader_faults_end_the_sequence_with_their_codes)
{
    ASSERT_TRUE(sim.control().load_profile("loader"));
    fs::path hex = dir / "ram.hex";
    std::ofstream(hex, std::ios::binary) << test_image::hex_line(2, 0, {0xC0, 0x00}) << "\n"
                                         << test_image::hex_line(0, 0, {1, 2, 3}) << "\n:00000001FF\n";
    struct row {
        const char* fault;  // on the first request, the connect value
        uint16_t result;
    };
    const row rows[] = {
        {"abort reason=16", 0x2030},
        {"index", fl_result::client_abort},
        {"confirm", fl_result::bad_confirm},
        {"abort reason=13 at=4", 0x202D},  // the first segment of the data domain
    };
    ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), 0);
    for (const auto& r : rows) {
        ask("loader-faults-clear");
        ask(std::string("loader-fault ") + r.fault);
        C_SndHex s(PROT_USB, 0, 1);
        EXPECT_EQ(s.HexDownload(nullptr, nullptr, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 7, -1, 0, 0, 1), r.result)
            << r.fault;
    }
    ask("loader-faults-clear");
    C_SndHex s(PROT_USB, 0, 1);
    EXPECT_EQ(s.HexDownload(nullptr, nullptr, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 7, -1, 0, 0, 1), 0);
    EXPECT_EQ(memory(0xC0000, 3), (bytes{1, 2, 3}));
}

}  // namespace
