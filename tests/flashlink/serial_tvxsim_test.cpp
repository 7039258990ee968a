// The download sequences over the serial line against tvxsim's pty face: a generated HEX
// image down and back in plain and fast framing, read back over USB from the same device,
// and the line faults of the loader's side.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "flashlink/C_SdoMast.h"
#include "flashlink/C_SndHex.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/fake_comms.h"
#include "sim/simulator.h"
#include "sim/test_image.h"
#include "tests/sim/tvxsim_process.h"

namespace {

namespace fs = std::filesystem;
using bytes = std::vector<uint8_t>;
constexpr short port = 3;

bytes read_file(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

struct serial_sim : public ::testing::Test {
    testing_support::tvxsim_process sim{{"--serial"}};
    fs::path dir;

    void SetUp() override
    {
        ASSERT_TRUE(sim.ok()) << sim.error();
        ASSERT_TRUE(sim.control().load_profile("loader"));
        std::string slave = ask("serial-path");
        ASSERT_FALSE(slave.empty());
        ::setenv("TARVIX_COM3", slave.c_str(), 1);
        dir = fs::path(sim.folder()) / "files";
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        C_SndHex::DrvCloseV24();
        C_SndHex::DrvCloseUsb();
        ::unsetenv("TARVIX_COM3");
    }
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
    // A generated image in RAM at 0xC0000 (no erase needed), written as a HEX file.
    test_image::hex_image image(uint32_t seed, uint32_t size, fs::path& file)
    {
        test_image::hex_options o;
        o.seed = seed;
        o.data_bytes = size;
        o.base = 0xC0000;
        test_image::hex_image img = test_image::make_hex(o);
        file = dir / ("image" + std::to_string(seed) + ".hex");
        std::ofstream(file, std::ios::binary) << img.text;
        return img;
    }
    static uint32_t span(const test_image::hex_image& img)
    {
        return uint32_t(img.runs.back().address + img.runs.back().bytes.size() - img.runs.front().address);
    }
    void expect_runs(const test_image::hex_image& img, const bytes& got)
    {
        uint32_t base = img.runs.front().address;
        ASSERT_GE(got.size(), span(img));
        for (const auto& run : img.runs)
            ASSERT_TRUE(std::equal(run.bytes.begin(), run.bytes.end(), got.begin() + (run.address - base)))
                << "run at " << std::hex << run.address;
    }
    std::vector<sim::wire_entry> serial_log()
    {
        std::vector<sim::wire_entry> out;
        for (auto& e : sim.control().wire_log())
            if (e.interface_index == sim::simulator::serial_log_iface)
                out.push_back(e);
        return out;
    }
};

TEST_F(serial_sim, hex_image_goes_down_and_comes_back_in_both_framings)
{
    struct row {
        const char* name;
        uint8_t fast;
        T_BAUDRATE rate;
        size_t segment;  // data bytes of a full upload segment on the wire
    };
    const row rows[] = {{"plain", 0, 7, 7}, {"fast", 1, 12, 1024}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        fs::path hex;
        test_image::hex_image img = image(r.fast ? 26 : 27, 16 * 1024, hex);
        ASSERT_EQ(C_SndHex::DrvInitV24(port, r.rate), 0);
        C_SndHex s(PROT_V24, 0, r.fast);
        ASSERT_EQ(s.HexDownload(nullptr, nullptr, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 0, 1), 0);
        uint32_t base = img.runs.front().address;
        expect_runs(img, memory(base, span(img)));
        sim.control().clear_log();
        fs::path up = dir / "back.bin";
        ASSERT_EQ(s.BinUpload(nullptr, nullptr, 1, up.c_str(), 0, uint16_t(base >> 4), 0, span(img), 0, 1, 0, 0, 0, 1),
                  0);
        expect_runs(img, read_file(up));
        // The upload's segments carried the framing's segment size.
        size_t longest = 0;
        for (const auto& e : serial_log())
            if (e.direction == sim::wire_direction::out)
                longest = std::max(longest, e.report.size() - 3);
        EXPECT_EQ(longest, r.segment);
        C_SndHex::DrvCloseV24();
    }
}

TEST_F(serial_sim, image_written_over_serial_reads_back_equal_over_usb)
{
    fs::path hex;
    test_image::hex_image img = image(28, 24 * 1024, hex);
    uint32_t base = img.runs.front().address;
    {
        ASSERT_EQ(C_SndHex::DrvInitV24(port, 12), 0);
        C_SndHex s(PROT_V24, 0, 1);
        ASSERT_EQ(s.HexDownload(nullptr, nullptr, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 0, 1), 0);
        C_SndHex::DrvCloseV24();
    }
    ASSERT_EQ(C_SndHex::DrvInitUsb("Tarvix 9"), 0);
    C_SndHex s(PROT_USB, 0, 1);
    fs::path up = dir / "usb.bin";
    ASSERT_EQ(s.BinUpload(nullptr, nullptr, 1, up.c_str(), 0, uint16_t(base >> 4), 0, span(img), 0, 1, 0, 0, 0, 1), 0);
    expect_runs(img, read_file(up));
}

TEST_F(serial_sim, wrong_sum_in_an_answer_fails_the_transfer_with_an_abort_on_the_wire)
{
    for (uint8_t fast : {0, 1}) {
        SCOPED_TRACE(fast ? "fast" : "plain");
        ask("serial-faults-clear");
        ask("serial-fault sum at=1");
        sim.control().clear_log();
        ASSERT_EQ(C_SndHex::DrvInitV24(port, 12), 0);
        C_SdoMast sdo(PROT_V24, fast);
        uint8_t v[4] = {5, 0, 0, 0};
        ASSERT_EQ(sdo.Download(nullptr, nullptr, 1, 0x30FC, 0, 4, v, 0), 0);
        // The transport's 0x8008 makes the client abort the transfer.
        EXPECT_EQ(run_transfer(sdo, 5000), fl_result::client_abort);
        // Request, the answer with its bad sum, then the client's abort.
        std::vector<sim::wire_entry> log = serial_log();
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log.back().direction, sim::wire_direction::in);
        EXPECT_EQ(log.back().frame(0), 0x80);
        C_SndHex::DrvCloseV24();
    }
}

TEST_F(serial_sim, junk_dribbled_and_late_answers_still_complete_the_download)
{
    fs::path hex;
    test_image::hex_image img = image(29, 2048, hex);
    struct row {
        const char* name;
        const char* fault;
        uint8_t fast;
    };
    const row rows[] = {
        {"junk before the answer", "serial-fault garbage at=2 times=4 count=7", 1},
        {"answer dribbled byte by byte", "serial-fault dribble at=3 times=2 ms=2", 1},
        {"late answer", "serial-fault delay at=2 ms=300", 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        ask("serial-faults-clear");
        ask(r.fault);
        ASSERT_EQ(C_SndHex::DrvInitV24(port, 12), 0);
        C_SndHex s(PROT_V24, 0, r.fast);
        EXPECT_EQ(s.HexDownload(nullptr, nullptr, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 0, 1), 0);
        expect_runs(img, memory(img.runs.front().address, span(img)));
        C_SndHex::DrvCloseV24();
    }
}

TEST_F(serial_sim, request_with_a_bad_sum_gets_no_answer_or_abort_15_on_request)
{
    int fd = ::open(std::getenv("TARVIX_COM3"), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    ::tcgetattr(fd, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(fd, TCSANOW, &t);
    const bytes request = {0x23, 0xF0, 0x30, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00 /* sum 0x44 */};
    auto answer = [&] {
        bytes got;
        pollfd p{fd, POLLIN, 0};
        while (got.size() < 9 && ::poll(&p, 1, 300) > 0) {
            uint8_t b[16];
            ssize_t n = ::read(fd, b, sizeof b);
            if (n <= 0)
                break;
            got.insert(got.end(), b, b + n);
        }
        return got;
    };
    ASSERT_EQ(::write(fd, request.data(), request.size()), 9);
    EXPECT_EQ(answer(), bytes{});
    ask("serial-bad-sum abort");
    ASSERT_EQ(::write(fd, request.data(), request.size()), 9);
    EXPECT_EQ(answer(), (bytes{0x80, 0xF0, 0x30, 0x00, 0x0F, 0x00, 0x00, 0x08, 0xB7}));
    ::close(fd);
}

}  // namespace
