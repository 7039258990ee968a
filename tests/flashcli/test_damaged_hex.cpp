// Damaged and empty HEX files through the flashcli program against one tvxsim process, over
// USB and over the PEAK CAN library: each ends with 0x1005 and the line at fault, nothing
// reaches the boot loader, and the firmware in flash stays byte for byte.
#include "tests/support/noise.h"
#include "tvxsim_run.h"

#include "sim/can_bus_tap.h"

#include <cstring>
#include <future>

namespace {

namespace fs = std::filesystem;
using flashcli_child::outcome;

std::string bus_path()
{
    static const std::string path = "/tmp/tarvix-damaged-hex-bus-" + std::to_string(::getpid()) + ".sock";
    return path;
}

// Flash type 0 from address 0; sectors 1 to 7 (0x4000 to 0x1FFFF) erased before a download.
const std::string k_flash = "S:0\nT:0\nZ:1\nV:1\nA:1\nE:7\n";
constexpr uint32_t k_flash_bytes = 0x20000;

struct damaged_hex : public flashcli_child::tvxsim_run {
    damaged_hex() : tvxsim_run({"--can", bus_path() + ",node=3,rate=125000,hub"}) {}

    void SetUp() override
    {
        tvxsim_run::SetUp();
        if (HasFatalFailure())
            return;
        ::setenv("TARVIX_SIM_PCAN", bus_path().c_str(), 1);
        ::unsetenv("TARVIX_WINFAMILY");
        flashcli_child::write_file((dir / "usb.DAT").string(), "O:Tarvix!9\nK:1\n" + k_flash);
        flashcli_child::write_file((dir / "can.DAT").string(), "K:3\nP:2\nB:4\n" + k_flash);
    }
    void TearDown() override
    {
        ::unsetenv("TARVIX_SIM_PCAN");
        std::error_code ignored;
        fs::remove(bus_path(), ignored);
    }
};

// The lines of a text, each with its line end.
std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end + 1;
        out.push_back(text.substr(at, end - at));
        at = end;
    }
    return out;
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string out;
    for (const auto& l : lines)
        out += l;
    return out;
}

TEST_F(damaged_hex, each_ends_with_its_line_and_the_firmware_stays)
{
    // The firmware in flash that a damaged file must not cost.
    const test_image::hex_image img = firmware(61, 8 * 1024);
    ASSERT_GT(img.records, 60u);
    const outcome first = flashcli_child::run_detached({"H:E", "=", ")", "usb", "N:firmware.hex"}, dir.string());
    ASSERT_EQ(first.status, 0) << first.output;
    const std::vector<uint8_t> before = memory(0, k_flash_bytes);
    ASSERT_EQ(before.size(), k_flash_bytes);
    ASSERT_EQ(memory(img.runs.front().address, 16),
              std::vector<uint8_t>(img.runs.front().bytes.begin(), img.runs.front().bytes.begin() + 16));

    const std::vector<std::string> good = lines_of(img.text);
    struct row {
        const char* name;
        const char* file;
        std::string text;
        unsigned long line;
        std::vector<std::string> window = {};  // J and W
    };
    std::vector<row> rows;
    {
        std::vector<std::string> l = good;
        std::string& bad = l[40];
        bad[bad.find_last_not_of("\r\n")] ^= 1;  // the checksum's last digit
        rows.push_back({"bad checksum at line 41", "sum.hex", joined(l), 41});
        // Read from line 30 on: still line 41 of the file.
        const size_t from = joined({l.begin(), l.begin() + 29}).size();
        char j[16], w[16];
        std::snprintf(j, sizeof j, "J:%zx", from);
        std::snprintf(w, sizeof w, "W:%zx", joined(l).size() - from);
        rows.push_back({"bad checksum at line 41, the window from line 30", "sum.hex", joined(l), 41, {j, w}});
    }
    {
        std::vector<std::string> l = good;
        l[6].erase(0, 1);
        rows.push_back({"line 7 without its ':'", "mark.hex", joined(l), 7});
    }
    {
        std::vector<std::string> l = good;
        l[2] = ":" + std::string(299, 'A') + "\n";
        rows.push_back({"a line of 300 bytes at line 3", "long.hex", joined(l), 3});
    }
    rows.push_back({"empty", "empty.hex", "", 1});
    rows.push_back({"blank lines only", "blank.hex", "\n  \r\n\t\n", 4});
    {
        std::string noise = testing_support::noise_bytes(50u << 20, 0x2545F4914F6CDD1Du);
        noise[0] = 'x';
        rows.push_back({"50 MB of noise", "noise.hex", std::move(noise), 1});
    }
    for (const row& r : rows)
        flashcli_child::write_file((dir / r.file).string(), r.text);

    struct transport {
        const char* name;
        std::vector<std::string> args;
    };
    const transport transports[] = {
        {"USB", {"H:E", "=", "usb"}},
        {"PEAK CAN", {"H:E", "(", "can"}},
    };
    ASSERT_TRUE(sim.control().clear_log());
    ask("loader-log-clear");
    sim::can_bus_tap tap(bus_path());
    // Side by side: without ")" and without a terminal the report does not pause.
    std::vector<std::future<outcome>> runs;
    for (const transport& t : transports)
        for (const row& r : rows) {
            std::vector<std::string> args = t.args;
            args.insert(args.end(), r.window.begin(), r.window.end());
            args.push_back(std::string("N:") + r.file);
            runs.push_back(std::async(std::launch::async, [this, args] {
                return flashcli_child::run_detached(args, dir.string(), 60, flashcli_child::input::closed);
            }));
        }
    size_t i = 0;
    for (const transport& t : transports)
        for (const row& r : rows) {
            SCOPED_TRACE(std::string(t.name) + ": " + r.name);
            const outcome o = runs[i++].get();
            ASSERT_FALSE(o.timed_out);
            EXPECT_EQ(o.status, 0x05) << o.output;
            const std::string text =
                "\r\nConnectRequest ....\nError module CSndHex. HEX file error in line " + std::to_string(r.line) + "\n";
            EXPECT_NE(o.output.find(text), std::string::npos) << o.output;
            EXPECT_EQ(o.output.find("Device connected"), std::string::npos) << o.output;
            EXPECT_LT(o.seconds, 10.0);
        }
    // Nothing reached the boot loader on either transport, and flash is as it was.
    EXPECT_TRUE(sim.control().wire_log().empty());
    EXPECT_TRUE(tap.frames().empty());
    std::vector<std::string> log;
    ASSERT_TRUE(sim.control().command("loader-log", nullptr, &log));
    EXPECT_TRUE(log.empty()) << log.front();
    EXPECT_TRUE(memory(0, k_flash_bytes) == before) << "flash changed";
}

// A CR-only copy of an image goes down as its CR LF original does, over USB.
TEST_F(damaged_hex, cr_line_ends_download_as_cr_lf_ones)
{
    test_image::hex_options o;
    o.seed = 62;
    o.data_bytes = 6 * 1024;
    o.base = 0x10000;
    o.crlf = true;
    const test_image::hex_image img = test_image::make_hex(o);
    std::string cr = img.text;
    cr.erase(std::remove(cr.begin(), cr.end(), '\n'), cr.end());
    flashcli_child::write_file((dir / "crlf.hex").string(), img.text);
    flashcli_child::write_file((dir / "cr.hex").string(), cr);
    std::vector<std::vector<uint8_t>> requests;
    for (const char* file : {"crlf.hex", "cr.hex"}) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(sim.control().clear_log());
        const outcome r = flashcli_child::run_detached({"H:E", "=", ")", "usb", std::string("N:") + file}, dir.string());
        ASSERT_EQ(r.status, 0) << r.output;
        for (const auto& run : img.runs)
            ASSERT_EQ(memory(run.address, uint32_t(run.bytes.size())), run.bytes) << std::hex << run.address;
        std::vector<uint8_t> all;
        for (const auto& e : sim.control().wire_log())
            if (e.direction == sim::wire_direction::in)
                all.insert(all.end(), e.report.begin(), e.report.end());
        requests.push_back(all);
    }
    EXPECT_EQ(requests[0], requests[1]);
}

}  // namespace
