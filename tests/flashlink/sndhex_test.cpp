// The download sequences against the simulated boot loader in the same process, on a
// transport whose answers take clock time: pieces, control records, ranges, addresses,
// time-outs, keys, single steps, progress, printed text and bad input.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/stat.h>
#include <cstring>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <type_traits>

#include "flashlink/C_COMM.h"
#include "flashlink/C_SdoMast.h"
#include "flashlink/C_SndHex.h"
#include "flashlink/bin_ranges.h"
#include "flashlink/comm_factory.h"
#include "flashlink/fl_console.h"
#include "flashlink/fl_results.h"
#include "platform/hex_record.h"
#include "platform/clock.h"
#include "sim/boot_loader.h"
#include "sim/boot_sdo_server.h"
#include "sim/test_image.h"
#include "tests/support/noise.h"

namespace {

using bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// The boot loader behind a transport whose answers come `delay(request)` clock
// milliseconds after the request, and which repeats its last request when asked.
class timed_comm : public C_COMM {
public:
    timed_comm(boot_sdo_server& server, std::function<uint32_t(const bytes&)> delay)
        : server_(server), delay_(std::move(delay))
    {
    }
    uint16_t Send(const uint8_t* data, uint16_t length, uint16_t* count, uint32_t) override
    {
        if (length == C_COMM::resend_last) {
            ++resends;
            if (!last_.empty())
                answer(last_);
            return 0;
        }
        last_.assign(data, data + length);
        answer(last_);
        if (count)
            *count = length;
        return 0;
    }
    bool RcvReady(uint16_t* error) override
    {
        *error = 0;
        return !queue_.empty() && int32_t(platform::tick_count_ms() - queue_.front().first) >= 0;
    }
    void GetFrame(uint8_t* destination, uint16_t* length) override
    {
        *length = uint16_t(queue_.front().second.size());
        std::copy(queue_.front().second.begin(), queue_.front().second.end(), destination);
        queue_.pop_front();
    }
    void WaitFrame(uint32_t ms) override
    {
        uint32_t now = platform::tick_count_ms();
        if (!queue_.empty() && int32_t(queue_.front().first - now) < int32_t(ms))
            ms = std::max<int32_t>(int32_t(queue_.front().first - now), 0);
        platform::sleep_ms(ms);
    }
    int resends = 0;

private:
    void answer(const bytes& request)
    {
        uint32_t due = platform::tick_count_ms() + (delay_ ? delay_(request) : 0);
        // In the order they are due: a late answer does not hold back a later, quicker one.
        for (auto& r : server_.handle(request.data(), request.size())) {
            auto at = std::find_if(queue_.begin(), queue_.end(),
                                   [&](const auto& q) { return int32_t(q.first - due) > 0; });
            queue_.insert(at, {due, r});
        }
    }
    boot_sdo_server& server_;
    std::function<uint32_t(const bytes&)> delay_;
    bytes last_;
    std::deque<std::pair<uint32_t, bytes>> queue_;
};

struct keys {
    static int presses_after;  // key_pressed() turns true after this many looks (-1 never)
    static std::deque<int> typed;
    static bool pressed() { return presses_after >= 0 && presses_after-- == 0; }
    static int read()
    {
        if (typed.empty())
            return -1;
        int k = typed.front();
        typed.pop_front();
        return k;
    }
};
int keys::presses_after = -1;
std::deque<int> keys::typed;
const fl_console test_keys{&keys::pressed, &keys::read};

struct world {
    boot_loader loader;
    boot_sdo_server server{loader, boot_session::usb()};
    std::function<uint32_t(const bytes&)> delay;
    timed_comm* comm = nullptr;
};
world* g_world = nullptr;

C_COMM* make_comm(T_PROTOCOL protocol, uint8_t, std::atomic<uint32_t>*)
{
    g_world->server.set_session(protocol == PROT_ETH ? boot_session::ethernet() : boot_session::usb());
    g_world->comm = new timed_comm(g_world->server, g_world->delay);
    return g_world->comm;
}

struct sndhex_fixture : public ::testing::Test {
    platform::manual_clock clock;
    platform::scoped_clock use_clock{clock};
    world w;
    fs::path dir;

    void SetUp() override
    {
        g_world = &w;
        fl_set_comm_factory(&make_comm);
        fl_set_console(&test_keys);
        keys::presses_after = -1;
        keys::typed.clear();
        C_SdoMast::ResetGlobals();
        C_SndHex::DrvInitializedF = DRV_USB;
        w.loader.set_firmware_present(false);
        dir = fs::temp_directory_path() / ("sndhex-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        fl_set_comm_factory(nullptr);
        fl_set_console(nullptr);
        C_SndHex::DrvInitializedF = DRV_NONE;
        fs::remove_all(dir);
        g_world = nullptr;
    }
    std::string file(const std::string& name, const std::string& content)
    {
        std::ofstream(dir / name, std::ios::binary) << content;
        return (dir / name).string();
    }
    std::string file(const std::string& name, const bytes& content)
    {
        return file(name, std::string(content.begin(), content.end()));
    }
    // The requests the client sent, by object index (0 for segments).
    std::vector<bytes> requests(uint16_t index) const
    {
        std::vector<bytes> out;
        for (const auto& e : w.server.wire_log())
            if (e.from_client && e.bytes.size() >= 4 && (e.bytes[0] >> 5) != 0 && (e.bytes[1] | e.bytes[2] << 8) == index)
                out.push_back(e.bytes);
        return out;
    }
    const bytes& last_request() const
    {
        for (auto it = w.server.wire_log().rbegin(); it != w.server.wire_log().rend(); ++it)
            if (it->from_client)
                return it->bytes;
        static bytes none;
        return none;
    }
    // A HEX download into RAM (type 0 records at segment 0xC000), run to the end.
    uint16_t hex_ram(C_SndHex& s, const std::string& path, uint32_t connect = 0, int stay = 1)
    {
        return s.HexDownload(nullptr, nullptr, 1, path.c_str(), 0, 0, 0, 0, 0, 1, stay, 0, connect, -1, 0, 0, 1);
    }
};

std::string ram_hex(std::initializer_list<std::string> extra = {})
{
    std::string t = test_image::hex_line(2, 0, {0xC0, 0x00}) + "\n" + test_image::hex_line(0, 0x10, {1, 2, 3, 4}) + "\n";
    for (const auto& l : extra)
        t += l + "\n";
    return t;
}

// The exported slots: CallBack 0, StatusBusy 1; a virtual destructor would come between.
static_assert(!std::has_virtual_destructor_v<C_RQ_Xld> && !std::has_virtual_destructor_v<C_SndHex>);

// --- pure pieces ------------------------------------------------------------------------

TEST(sndhex_names, extension_is_added_when_the_last_component_has_none)
{
    struct row {
        const char* name;
        const char* ext;
        const char* expect;
    };
    const row rows[] = {
        {"image", ".HEX", "image.HEX"},
        {"image", ".BIN", "image.BIN"},
        {"image.hx", ".HEX", "image.hx"},
        {"./tvx_firmload/IntHook", ".HEX", "./tvx_firmload/IntHook.HEX"},
        {"dir.d/image", ".BIN", "dir.d/image.BIN"},
        {".\\tvx_firmload\\PrgFld", ".HEX", ".\\tvx_firmload\\PrgFld.HEX"},
        {"dir/.hidden", ".BIN", "dir/.hidden.BIN"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(C_SndHex::FileNameFor(r.name, r.ext), r.expect) << r.name;
}

TEST(sndhex_hex_lines, lines_become_pieces_or_are_refused)
{
    struct row {
        const char* line;
        bytes piece;  // empty: refused
    };
    const row rows[] = {
        {":0400100001020304E2", {0x3A, 0x04, 0x10, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04}},
        {":020000040800F2", {0x3A, 0x02, 0x00, 0x00, 0x04, 0x00, 0x08}},
        {":00000001FF", {0x3A, 0x00, 0x00, 0x00, 0x01}},
        {":0400100001020304e2", {0x3A, 0x04, 0x10, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04}},
        {":04001000aabbcc00bb", {0x3A, 0x04, 0x10, 0x00, 0x00, 0xAA, 0xBB, 0xCC, 0x00}},
        {":0400000312340010A3", {0x3A, 0x04, 0x00, 0x00, 0x03, 0x34, 0x12, 0x10, 0x00}},
        {":0400000508004000AF", {0x3A, 0x04, 0x00, 0x00, 0x05, 0x00, 0x40, 0x00, 0x08}},
        {":020000021000EC", {0x3A, 0x02, 0x00, 0x00, 0x02, 0x00, 0x10}},
        {":0100000601F8", {0x3A, 0x01, 0x00, 0x00, 0x06, 0x00}},
        {":0400100001020304E3", {}},      // checksum
        {":04001000010203G4E2", {}},      // not a hex digit
        {":0500100001020304E1", {}},      // count beyond the digits
        {":0400100001020304E200", {}},    // more than the checksum ends
        {"0400100001020304E2", {}},       // no mark
        {":0300000408000EF", {}},         // odd digit count
        {":03000004080000F1", {}},        // type 4 with 3 bytes
        {":", {}},
    };
    for (const auto& r : rows) {
        uint8_t piece[hex_record::max_piece];
        size_t n = hex_record::to_piece(r.line, std::strlen(r.line), piece, sizeof piece);
        EXPECT_EQ(bytes(piece, piece + n), r.piece) << r.line;
    }
}

TEST(sndhex_ranges, blocks_split_at_runs_over_255_and_lose_trailing_ff)
{
    struct row {
        const char* name;
        std::vector<std::pair<size_t, size_t>> ff;  // 0xFF runs in a 2000-byte block
        std::vector<std::pair<uint32_t, uint32_t>> ranges;
    };
    const row rows[] = {
        {"no 0xFF", {}, {{0, 2000}}},
        {"255 inside", {{100, 255}}, {{0, 2000}}},
        {"256 inside", {{100, 256}}, {{0, 100}, {356, 2000}}},
        {"leading and trailing", {{0, 10}, {1990, 10}}, {{10, 1990}}},
        {"900 inside, 1 trailing", {{100, 900}, {1999, 1}}, {{0, 100}, {1000, 1999}}},
        {"all", {{0, 2000}}, {}},
    };
    for (const auto& r : rows) {
        bytes block = test_image::make_binary(1, 2000, r.ff);
        std::vector<std::pair<uint32_t, uint32_t>> got;
        for (bin_range b = find_bin_range(block.data(), 2000, 0); b.found;
             b = find_bin_range(block.data(), 2000, b.next_scan)) {
            got.push_back({b.start, b.end});
            EXPECT_EQ(b.at_block_end, b.next_scan == 2000) << r.name;
        }
        EXPECT_EQ(got, r.ranges) << r.name;
    }
}

// --- sequences ----------------------------------------------------------------------------

TEST_F(sndhex_fixture, without_its_driver_the_object_has_no_client_and_says_so)
{
    C_SndHex::DrvInitializedF = DRV_NONE;
    C_SndHex s(PROT_USB, 0, 1);
    EXPECT_EQ(s.Sdo(), nullptr);
    EXPECT_EQ(hex_ram(s, "x"), fl_result::driver_not_initialised);
    EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, "x", 0, 0, 0, 1, 0, 0, 0, 0, 0, 1), fl_result::driver_not_initialised);
    struct row {
        const char* name;
        std::function<uint16_t()> init;
        uint16_t result;
    };
    // Without hardware (on NT): no kernel driver service, a PEAK library without its adapter,
    // no ISA board on this family.
    const row rows[] = {
        {"CAN dongle", [] { return C_SndHex::DrvInitCANDon(4, 1); }, fl_result::can_service},
        {"PEAK", [] { return C_SndHex::DrvInitCANPeak(4, 0); }, fl_result::can_entry_point},
        {"ISA", [] { return C_SndHex::DrvInitCAN_ISA(4, 5, 0x300); }, fl_result::can_load},
    };
    ::testing::internal::CaptureStdout();  // the PEAK row reports the system's last error
    for (const auto& r : rows) {
        EXPECT_EQ(r.init(), r.result) << r.name;
        EXPECT_EQ(C_SndHex::DrvInitializedF, DRV_NONE) << r.name;
    }
    ::testing::internal::GetCapturedStdout();
}

TEST_F(sndhex_fixture, control_records_per_sequence)
{
    struct row {
        const char* name;
        std::function<uint16_t(C_SndHex&, const std::string& hex, const std::string& bin)> run;
        uint16_t index;
        uint8_t sub;
        bytes value;
        uint16_t result;
    };
    const row rows[] = {
        {"HEX into flash, stay", [](C_SndHex& s, auto& h, auto&) {
             std::string flash = h + ".flash";
             return s.HexDownload(nullptr, nullptr, 1, flash.c_str(), 0x100, 1, 1, 7, 0x80, 0, 1, 0, 0, -1, 0, 0, 1); },
         0x30F0, 0, {0x41, 0x02, 1, 7}, 0},
        {"HEX into RAM, start", [](C_SndHex& s, auto& h, auto&) {
             return s.HexDownload(nullptr, nullptr, 1, h.c_str(), 0x100, 1, 1, 7, 0, 1, 0, 0, 0, -1, 0, 0, 1); },
         0x30F0, 1, {0x01, 0, 0, 0}, 0},
        {"HEX option", [](C_SndHex& s, auto& h, auto&) {
             return s.HexDownload(nullptr, nullptr, 1, h.c_str(), 0, 0, 0, 0, 0, 1, 1, 1, 0, -1, 0, 0, 1); },
         0x30F0, 1, {0x49, 0, 0, 0}, 0},
        {"HEX area 5", [](C_SndHex& s, auto& h, auto&) {
             return s.HexDownload(nullptr, nullptr, 1, h.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 5, 1); },
         0x30F0, 1, {0x69, 0, 0, 0}, 0},
        {"binary type 1 into RAM", [](C_SndHex& s, auto&, auto& b) {
             return s.BinDownload(nullptr, nullptr, 1, b.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 1, 1, 0, 0, -1, 0, 0, 1); },
         0x30F4, 1, {0x50, 0, 0, 0}, 0},
        {"binary type 2 and option", [](C_SndHex& s, auto&, auto& b) {
             return s.BinDownload(nullptr, nullptr, 1, b.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 2, 0, 1, 0, -1, 0, 0, 1); },
         0x30F4, 1, {0x28, 0, 0, 0}, 0},
        {"upload real memory", [](C_SndHex& s, auto&, auto& b) {
             return s.BinUpload(nullptr, nullptr, 1, (b + ".up").c_str(), 0, 0xC000, 0, 4, 1, 1, 0, 0, 0, 1); },
         0x30F8, 0, {0x49, 0, 0, 0}, 0},
        {"upload option", [](C_SndHex& s, auto&, auto& b) {
             return s.BinUpload(nullptr, nullptr, 1, (b + ".up").c_str(), 0, 0xC000, 0, 4, 0, 0, 1, 0, 0, 1); },
         0x30F8, 0, {0x11, 0, 0, 0}, 0},
        {"upload area 2", [](C_SndHex& s, auto&, auto& b) {
             return s.BinUpload(nullptr, nullptr, 1, (b + ".up").c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0, 2, 1); },
         0x30F8, 0, {0x51, 0, 0, 0}, 0},
    };
    std::string hex = file("a.hex", ram_hex({":00000001FF"}));
    file("a.hex.flash", test_image::hex_line(0, 0x4010, {1, 2}) + "\n");
    std::string bin = file("b.bin", bytes{1, 2, 3, 4});
    for (const auto& r : rows) {
        w.server.clear_log();
        w.loader.set_flash_start(0x100);
        C_SndHex s(PROT_USB, 0, 1);
        EXPECT_EQ(r.run(s, hex, bin), r.result) << r.name;
        auto sent = requests(r.index);
        ASSERT_EQ(sent.size(), 1u) << r.name;
        EXPECT_EQ(sent[0][3], r.sub) << r.name;
        EXPECT_EQ(bytes(sent[0].begin() + 4, sent[0].end()), r.value) << r.name;
    }
}

TEST_F(sndhex_fixture, contradictory_parameters_are_found_before_the_control_record)
{
    struct row {
        const char* name;
        std::function<uint16_t(C_SndHex&, const std::string& hex, const std::string& bin)> run;
        size_t requests;  // what went out before the refusal
    };
    const row rows[] = {
        {"binary: area with option, before anything", [](C_SndHex& s, auto&, auto& b) {
             return s.BinDownload(nullptr, nullptr, 1, b.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 0, 0, 1, 9, -1, 0, 7, 1); },
         0},
        {"binary: area with type", [](C_SndHex& s, auto&, auto& b) {
             return s.BinDownload(nullptr, nullptr, 1, b.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 1, 0, 0, 9, -1, 0, 7, 1); },
         0},
        {"HEX: after the connect value", [](C_SndHex& s, auto& h, auto&) {
             return s.HexDownload(nullptr, nullptr, 1, h.c_str(), 0, 0, 0, 0, 0, 1, 1, 1, 9, -1, 0, 7, 1); },
         1},
        {"upload: real memory with area, after the connect value", [](C_SndHex& s, auto&, auto& b) {
             return s.BinUpload(nullptr, nullptr, 1, (b + ".up").c_str(), 0, 0xC000, 0, 4, 1, 1, 0, 9, 7, 1); },
         1},
    };
    std::string hex = file("a.hex", ram_hex());
    std::string bin = file("b.bin", bytes{1, 2, 3, 4});
    for (const auto& r : rows) {
        w.server.clear_log();
        C_SndHex s(PROT_USB, 0, 1);
        EXPECT_EQ(r.run(s, hex, bin), fl_result::bad_parameters) << r.name;
        EXPECT_EQ(w.server.wire_log().size() / 2, r.requests) << r.name;
        EXPECT_EQ(s.Mode(), 0) << r.name;
        EXPECT_EQ(s.SequenceStep(), 0) << r.name;
    }
}

TEST_F(sndhex_fixture, binary_ranges_addresses_and_control_records)
{
    struct row {
        const char* name;
        size_t size;
        std::vector<std::pair<size_t, size_t>> ff;
        uint16_t segment, slot;
        uint8_t type;
        std::vector<std::string> log;  // the loader's log lines, erase and start left out
    };
    const row rows[] = {
        {"40000 bytes, 100-999 erased", 40000, {{100, 900}}, 0x1000, 0, 0,
         {"control 30F4 0 40 00 01 02", "range 10000 100", "control 30F4 0 40 00 03 02", "range 103E8 31768",
          "control 30F4 0 00 00 03 02", "range 18000 7232"}},
        {"255 kept, 256 split", 1000, {{100, 255}, {455, 256}}, 0x1000, 0, 0,
         {"control 30F4 0 40 00 01 02", "range 10000 455", "control 30F4 0 00 00 03 02", "range 102C7 289"}},
        {"last block erased: 1 byte", 65536, {{32768, 32768}}, 0x1000, 0, 0,
         {"control 30F4 0 40 00 01 02", "range 10000 32768", "control 30F4 0 00 00 03 02", "range 18000 1"}},
        {"middle block erased: skipped", 98304, {{32768, 32768}}, 0x1000, 0, 0,
         {"control 30F4 0 40 00 01 02", "range 10000 32768", "control 30F4 0 00 00 03 02", "range 20000 32768"}},
        {"block 1 from offset 0x10: 0x18010", 32768 + 0x20, {{32768, 0x10}}, 0x1000, 0, 0,
         {"control 30F4 0 40 00 01 02", "range 10000 32768", "control 30F4 0 00 00 03 02", "range 18010 16"}},
        {"above a megabyte: high part", 100, {}, 0x0400, 0x80, 1,
         {"control 30F4 0 00 01 01 02", "range 8004000 100"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        w.server.clear_log();
        w.loader.clear_log();
        w.loader.restarted();
        w.loader.memory().clear();
        bytes image = test_image::make_binary(9, r.size, r.ff);
        std::string path = file("image.bin", image);
        C_SndHex s(PROT_USB, 0, 1);
        ASSERT_EQ(s.BinDownload(nullptr, nullptr, 1, path.c_str(), 0, r.type, 1, 2, r.slot, r.segment, 0, 0, 0, 0, 0, 0,
                                -1, 0, 0, 1),
                  0);
        std::vector<std::string> log;
        for (const auto& l : w.loader.log())
            if (l.rfind("erase", 0) != 0 && l.rfind("start", 0) != 0)
                log.push_back(l);
        EXPECT_EQ(log, r.log);
        auto high = requests(0x30FB);
        if (r.slot) {
            ASSERT_EQ(high.size(), 1u);
            EXPECT_EQ(bytes(high[0].begin() + 4, high[0].end()), (bytes{0x80, 0, 0, 0}));
        } else {
            EXPECT_TRUE(high.empty()) << "never written with slot 0 below a megabyte";
        }
        if (std::string(r.name).find("0x18010") != std::string::npos) {
            auto address = requests(0x30F6);
            ASSERT_EQ(address.size(), 2u);
            EXPECT_EQ(bytes(address[1].begin() + 4, address[1].end()), (bytes{0x00, 0x00, 0x01, 0x18}))
                << "offset 0, segment 0x1801";
        }
        // What the loader holds is the image, 0xFF where it was not sent.
        uint32_t base = (r.slot << 20) + r.segment * 16u;
        EXPECT_EQ(w.loader.memory().read(base, uint32_t(r.size)), image);
    }
}

TEST_F(sndhex_fixture, send_all_modes_send_whole_blocks)
{
    bytes image = test_image::make_binary(3, 40000, {{100, 900}, {39000, 1000}});
    std::string path = file("all.bin", image);
    struct row {
        const char* name;
        int ram;
        short type;
        int offset;
        uint32_t count;
        std::vector<std::string> ranges;
    };
    const row rows[] = {
        {"RAM", 1, 0, -1, 0, {"range C0000 32768", "range C8000 7232"}},
        {"binary type", 0, 1, -1, 0, {"range 10000 32768", "range 18000 7232"}},
        {"file offset", 1, 0, 1000, 5000, {"range C0000 5000"}},
        {"offset, count past the end", 1, 0, 39000, 5000, {"range C0000 1000"}},
    };
    for (const auto& r : rows) {
        w.loader.clear_log();
        w.loader.restarted();
        w.loader.memory().clear();
        C_SndHex s(PROT_USB, 0, 1);
        ASSERT_EQ(s.BinDownload(nullptr, nullptr, 1, path.c_str(), 0, 0, 1, 2, 0, r.ram ? 0xC000 : 0x1000, 0, r.ram,
                                r.type, 0, 0, 0, r.offset, r.count, 0, 1),
                  0)
            << r.name;
        std::vector<std::string> ranges;
        for (const auto& l : w.loader.log())
            if (l.rfind("range", 0) == 0)
                ranges.push_back(l);
        EXPECT_EQ(ranges, r.ranges) << r.name;
    }
}

TEST_F(sndhex_fixture, damaged_or_empty_files_are_refused_before_the_first_request)
{
    const std::string good = test_image::hex_line(0, 0x20, {5, 6, 7});
    const std::string end = ":00000001FF";
    struct row {
        const char* name;
        std::string text;
        unsigned long line;  // 0: the file is good
    };
    const row rows[] = {
        {"bad checksum", ram_hex({":0400100001020304E3"}), 3},
        {"not a hex digit", ram_hex({":04001000010203X4E2"}), 3},
        {"no record mark", ram_hex({"0400100001020304E2"}), 3},
        {"count beyond the digits", ram_hex({":0800100001020304E2"}), 3},
        {"10000 characters", ram_hex({":" + std::string(9999, '0')}), 3},
        {"type 02 with 4 bytes", ram_hex({test_image::hex_line(2, 0, {0xC0, 0, 0, 0})}), 3},
        {"type 04 with 1 byte", ram_hex({test_image::hex_line(4, 0, {0})}), 3},
        {"type 03 with 2 bytes", ram_hex({test_image::hex_line(3, 0, {0, 0})}), 3},
        {"type 05 with 5 bytes", ram_hex({test_image::hex_line(5, 0, {0, 0, 0, 0, 0})}), 3},
        {"a bad line after blank lines", "\n  \n\r\n" + ram_hex({"", "x"}), 7},
        {"a bad line in a file of CR line ends", test_image::hex_line(2, 0, {0xC0, 0}) + "\r" + good + "\r\r" + good +
                                                     "\r:0400\r" + end + "\r",
         5},
        {"empty", "", 1},
        {"blank lines only", "\n \r\n\t\n\r", 5},
        {"the end record alone", end + "\n", 1},
        {"the end record before the data", test_image::hex_line(2, 0, {0xC0, 0}) + "\n" + end + "\n" + good + "\n", 2},
        {"data records without bytes", test_image::hex_line(0, 0x10, {}) + "\n" + end + "\n", 2},
        {"address records only", test_image::hex_line(2, 0, {0xC0, 0}) + "\n", 2},
        {"no end record", ram_hex(), 0},
        {"a damaged line after the end record is never read", ram_hex({end, good.substr(0, 9), "\x1a"}), 0},
        {"upper and lower case", ram_hex({test_image::hex_line(0, 0x30, {0xAB}, true), end}), 0},
    };
    w.loader.memory().write(0xC0000, bytes(64, 0x5A).data(), 64);
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        w.server.clear_log();
        std::string path = file("bad.hex", r.text);
        C_SndHex s(PROT_USB, 0, 1);
        ::testing::internal::CaptureStdout();
        uint16_t result = hex_ram(s, path);
        std::string said = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(said.rfind("\r\nConnectRequest ....", 0), 0u) << said;
        if (r.line) {
            EXPECT_EQ(result, fl_result::hex_line_invalid);
            EXPECT_EQ(s.HexErrorLine(), r.line);
            EXPECT_TRUE(w.server.wire_log().empty()) << "nothing on the wire";
            EXPECT_EQ(w.loader.memory().read(0xC0000, 64), bytes(64, 0x5A));
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(s.HexErrorLine(), 0u);
            EXPECT_EQ(w.loader.memory().read(0xC0010, 4), (bytes{1, 2, 3, 4}));
        }
    }
}

TEST_F(sndhex_fixture, fifty_megabytes_of_noise_fail_at_their_first_line)
{
    std::string noise = testing_support::noise_bytes(50u << 20, 0x9E3779B97F4A7C15u);
    noise[0] = 'x';
    std::string path = file("noise.hex", noise);
    C_SndHex s(PROT_USB, 0, 1);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(hex_ram(s, path), fl_result::hex_line_invalid);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(s.HexErrorLine(), 1u);
    EXPECT_TRUE(w.server.wire_log().empty());
}

// A window (file offset and byte count) is checked alone, and a line at fault inside it is
// named by its number in the file. The window holds lines 30 to 45 of 50; line 30 sets the
// segment of the RAM, line n (data records) carries the byte n at 0x10 * n.
TEST_F(sndhex_fixture, a_window_names_a_bad_line_by_its_number_in_the_file)
{
    struct row {
        const char* name;
        int damaged;       // the damaged line
        const char* eol;   // the line end of every line
        int start_shift;   // bytes the window starts after line 30's start (negative: before)
        int end_shift;     // bytes the window ends after line 45's end
        unsigned long line;  // the line reported; 0: a clean download
    };
    const row rows[] = {
        {"damaged line after the window", 47, "\n", 0, 0, 0},
        {"damaged line before the window", 12, "\n", 0, 0, 0},
        {"damaged line inside the window", 41, "\n", 0, 0, 41},
        {"inside, CR LF line ends, the window starting at line 29's LF", 41, "\r\n", -1, 0, 41},
        {"inside, CR line ends", 41, "\r", 0, 0, 41},
        {"the window's start cuts line 30", 0, "\n", 3, 0, 30},
        {"a line that starts inside the window is read whole", 46, "\n", 0, 1, 46},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        std::string text;
        long begin = 0, end = 0;
        for (int n = 1; n <= 50; ++n) {
            if (n == 30)
                begin = long(text.size());
            std::string line = n == 30 ? test_image::hex_line(2, 0, {0xC0, 0})
                                       : test_image::hex_line(0, uint16_t(0x10 * n), {uint8_t(n)});
            if (n == r.damaged)
                line.back() ^= 1;  // the checksum's last digit
            text += line + r.eol;
            if (n == 45)
                end = long(text.size());
        }
        begin += r.start_shift;
        end += r.end_shift;
        std::string path = file("w.hex", text);
        w.loader.memory().clear();
        w.server.clear_log();
        C_SndHex s(PROT_USB, 0, 1);
        ::testing::internal::CaptureStdout();
        uint16_t result = s.HexDownload(nullptr, nullptr, 1, path.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, int(begin),
                                        uint32_t(end - begin), 0, 1);
        ::testing::internal::GetCapturedStdout();
        if (r.line) {
            EXPECT_EQ(result, fl_result::hex_line_invalid);
            EXPECT_EQ(s.HexErrorLine(), r.line);
            EXPECT_TRUE(w.server.wire_log().empty()) << "nothing on the wire";
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_EQ(w.loader.memory().read(0xC0000 + 0x10 * 31, 1), bytes{31});
            EXPECT_EQ(w.loader.memory().read(0xC0000 + 0x10 * 45, 1), bytes{45});
            EXPECT_EQ(w.loader.memory().read(0xC0000 + 0x10 * 46, 1), bytes{0xFF}) << "nothing past the window";
        }
    }
}

TEST_F(sndhex_fixture, line_ends_in_cr_alone_send_what_cr_lf_sends)
{
    test_image::hex_options o;
    o.seed = 77;
    o.data_bytes = 4000;
    o.base = 0xC0000;
    o.crlf = true;
    auto img = test_image::make_hex(o);
    std::string cr = img.text;
    cr.erase(std::remove(cr.begin(), cr.end(), '\n'), cr.end());
    ASSERT_EQ(cr.find('\n'), std::string::npos);
    std::vector<std::vector<bytes>> sent;
    for (const std::string& text : {img.text, cr}) {
        w.loader.memory().clear();
        w.server.clear_log();
        std::string path = file("twin.hex", text);
        C_SndHex s(PROT_USB, 0, 1);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(hex_ram(s, path), 0);
        ::testing::internal::GetCapturedStdout();
        for (const auto& run : img.runs)
            EXPECT_EQ(w.loader.memory().read(run.address, uint32_t(run.bytes.size())), run.bytes);
        sent.emplace_back();
        for (const auto& e : w.server.wire_log())
            if (e.from_client)
                sent.back().push_back(e.bytes);
    }
    EXPECT_EQ(sent[0], sent[1]);
}

TEST_F(sndhex_fixture, a_segment_record_wraps_within_its_segment)
{
    // Segment 0xC000, offset 0xFFF8, 16 bytes: eight at 0xCFFF8, eight at the segment's start.
    bytes data(16);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(0xA0 + i);
    std::string path = file("wrap.hex", test_image::hex_line(2, 0, {0xC0, 0x00}) + "\n" +
                                            test_image::hex_line(0, 0xFFF8, data) + "\n:00000001FF\n");
    C_SndHex s(PROT_USB, 0, 1);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(hex_ram(s, path), 0);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(w.loader.memory().read(0xCFFF8, 8), bytes(data.begin(), data.begin() + 8));
    EXPECT_EQ(w.loader.memory().read(0xC0000, 8), bytes(data.begin() + 8, data.end()));
    EXPECT_EQ(w.loader.memory().read(0xD0000, 8), bytes(8, 0xFF)) << "nothing past the segment";

    // srec_cat (srecord) reads the same image into the same 128 KiB around the segment.
    if (std::system("command -v srec_cat >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "srec_cat is not installed (Debian package srecord)";
    std::string out = (dir / "wrap.bin").string();
    std::string cmd = "srec_cat '" + path + "' -intel -crop 0xC0000 0xE0000 -offset -0xC0000 -fill 0xFF 0 0x20000 -o '" +
                      out + "' -binary 2>/dev/null";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    std::ifstream in(out, std::ios::binary);
    bytes reference((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(reference.size(), 0x20000u);
    EXPECT_TRUE(w.loader.memory().read(0xC0000, 0x20000) == reference);
}

TEST_F(sndhex_fixture, missing_and_empty_files_and_an_unwritable_upload)
{
    C_SndHex s(PROT_USB, 0, 1);
    std::string empty = file("empty.bin", "");
    std::string small = file("small.bin", bytes{1, 2, 3});
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(hex_ram(s, (dir / "missing").string()), fl_result::file_open);
    std::string said = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("\nFile Access Error: Errocode: 2\n"), std::string::npos) << said;
    // A FIFO without a writer is refused at once (the open itself would wait for a writer).
    std::string fifo = (dir / "pipe.hex").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(hex_ram(s, fifo), fl_result::file_open);
    said = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(said.find("\nFile Access Error: Errocode: 22\n"), std::string::npos) << said;
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(s.BinDownload(nullptr, nullptr, 1, empty.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 0, 0, 0, 0, -1, 0, 0, 1),
              fl_result::file_open);
    EXPECT_EQ(s.BinDownload(nullptr, nullptr, 1, (dir / "missing").c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 0, 0, 0, 0,
                            -1, 0, 0, 1),
              fl_result::file_open);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "\r\nConnectRequest ....\r\nConnectRequest ....")
        << "an empty or missing file fails without a message of its own";
    EXPECT_EQ(s.BinDownload(nullptr, nullptr, 1, small.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 0, 0, 0, 0, 3, 10, 0, 1),
              fl_result::file_open)
        << "offset at the end";
    EXPECT_EQ(s.BinDownload(nullptr, nullptr, 1, dir.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 0, 0, 0, 0, -1, 0, 0, 1),
              fl_result::file_open)
        << "a directory";
    EXPECT_EQ(w.server.wire_log().size(), 0u);
    std::string nowhere = (dir / "no" / "such" / "up.bin").string();
    EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, nowhere.c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0, 0, 1), fl_result::file_create);
    fs::create_directory(dir / "folder.bin");
    EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, (dir / "folder.bin").c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0, 0, 1),
              fl_result::file_create);
    // A file nobody may write is left as it is, whoever runs the upload (root included).
    std::string locked = file("locked.bin", "old");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, locked.c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0, 0, 1),
              fl_result::file_create);
    std::ifstream in(locked, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
}

TEST_F(sndhex_fixture, an_upload_replaces_its_file_only_when_it_succeeds)
{
    w.loader.memory().write(0xC0000, bytes{9, 8, 7, 6}.data(), 4);
    std::string path = file("up.bin", "old");
    C_SndHex s(PROT_USB, 0, 1);
    // Control record, length, address, then the upload's initiate.
    w.server.inject({boot_fault::abort, w.server.requests() + 4, 16});
    EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, path.c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0, 0, 1), 0x2030);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary left";
    w.server.clear_faults();
    // A disk that takes only part of it.
    {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{}, small{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        small = old;
        small.rlim_cur = 2;
        ::setrlimit(RLIMIT_FSIZE, &small);
        uint16_t r = s.BinUpload(nullptr, nullptr, 1, path.c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0, 0, 1);
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_DFL);
        EXPECT_EQ(r, fl_result::file_create);
        std::ifstream in2(path, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in2), {}), "old");
    }
    EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, path.c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0, 0, 1), 0);
    std::ifstream again(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), "\x09\x08\x07\x06");
    // The temporary name is short whatever the target's: the longest names a folder takes.
    for (size_t length : {249u, 255u}) {
        SCOPED_TRACE(length);
        fs::path longest = dir / (std::string(length - 4, 'u') + ".bin");
        EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, longest.c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0, 0, 1), 0);
        std::ifstream up(longest, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(up), {}), "\x09\x08\x07\x06");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3) << "no temporary left";
}

// An upload named by a link writes the link's final target, as every save does: the link
// stays, also when it dangles (the target is made) or leads through another link.
TEST_F(sndhex_fixture, an_upload_through_a_link_writes_its_target)
{
    w.loader.memory().write(0xC0000, bytes{9, 8, 7, 6}.data(), 4);
    fs::create_directory(dir / "real");
    struct row {
        const char* name;
        std::vector<std::pair<std::string, std::string>> links;  // link below dir, what it names
        std::string old_target;  // the target's text before, empty: no target
    };
    const row rows[] = {
        {"a link to a file", {{"a.bin", "real/a.bin"}}, "old"},
        {"a dangling link", {{"b.bin", "real/b.bin"}}, ""},
        {"a dangling link through a link, absolute", {{"c.bin", "c2.bin"}, {"c2.bin", (dir / "real/c.bin").string()}},
         ""},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        for (const auto& l : r.links)
            fs::create_symlink(l.second, dir / l.first);
        const fs::path target = fs::path(r.links.back().second).is_absolute() ? fs::path(r.links.back().second)
                                                                               : dir / r.links.back().second;
        if (!r.old_target.empty())
            file("real/" + target.filename().string(), r.old_target);
        C_SndHex s(PROT_USB, 0, 1);
        ::testing::internal::CaptureStdout();
        EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, (dir / r.links.front().first).c_str(), 0, 0xC000, 0, 4, 0, 1, 0, 0,
                              0, 1),
                  0);
        ::testing::internal::GetCapturedStdout();
        for (const auto& l : r.links)
            EXPECT_TRUE(fs::is_symlink(dir / l.first)) << l.first << " stays a link";
        std::ifstream in(target, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\x09\x08\x07\x06");
    }
    for (const fs::path& d : {dir, dir / "real"})
        for (const auto& e : fs::directory_iterator(d))
            EXPECT_NE(e.path().filename().string().rfind(".tvx", 0), 0u) << e.path() << ": a temporary left";
}

TEST_F(sndhex_fixture, time_outs_on_the_clock)
{
    std::string hex = file("t.hex", ram_hex({":00000001FF"}));
    struct row {
        const char* name;
        std::function<uint32_t(const bytes&)> delay;
        uint16_t result;
    };
    auto is_domain_open = [](const bytes& r) { return r[0] == 0x20 && r[1] == 0xF1 && r[2] == 0x30; };
    const row rows[] = {
        {"answers in time", [](const bytes&) { return 11000u; }, 0},
        {"a silent device", [](const bytes&) { return 1000000u; }, fl_result::step_timeout},
        {"slow but steady: progress restarts the timer",
         [](const bytes& r) { return (r[0] >> 5) == 0 ? 5000u : 0u; }, 0},
        {"the erase within 90 s", [=](const bytes& r) { return is_domain_open(r) ? 80000u : 0u; }, 0},
        {"the erase longer", [=](const bytes& r) { return is_domain_open(r) ? 95000u : 0u; }, fl_result::step_timeout},
        {"a value beyond 12 s", [](const bytes& r) { return r[1] == 0xF0 ? 13000u : 0u; }, fl_result::step_timeout},
    };
    for (const auto& r : rows) {
        w.delay = r.delay;
        C_SndHex s(PROT_USB, 0, 1);
        uint32_t start = platform::tick_count_ms();
        EXPECT_EQ(hex_ram(s, hex), r.result) << r.name;
        if (r.result) {
            EXPECT_LT(platform::tick_count_ms() - start, 100000u) << r.name;
        }
    }
}

TEST_F(sndhex_fixture, without_time_out_a_key_ends_the_step)
{
    std::string hex = file("k.hex", ram_hex({":00000001FF"}));
    w.delay = [](const bytes&) { return 1000000u; };
    C_SndHex s(PROT_USB, 1, 1);
    keys::presses_after = 1000;  // 20 ms a look
    keys::typed = {'x'};
    EXPECT_EQ(hex_ram(s, hex), fl_result::step_timeout);
    EXPECT_GT(platform::tick_count_ms(), 12000u + 1000u) << "waited past the usual time-out";
    EXPECT_TRUE(keys::typed.empty()) << "the key was read";
}

TEST_F(sndhex_fixture, on_ethernet_a_time_out_asks_whether_to_retry)
{
    std::string hex = file("e.hex", ram_hex({":00000001FF"}));
    C_SndHex::DrvInitializedF = DRV_ETH;
    struct row {
        const char* name;
        std::deque<int> typed;
        uint16_t result;
        int resends;
    };
    const row rows[] = {
        {"j resends", {'j'}, 0, 1},
        {"J resends", {'J'}, 0, 1},
        {"n ends", {'n'}, fl_result::step_timeout, 0},
        {"no console ends", {}, fl_result::step_timeout, 0},
    };
    for (const auto& r : rows) {
        // The first answer to the control record is lost; the repeat is answered.
        int seen = 0;
        w.delay = [&](const bytes& q) { return q[1] == 0xF0 && seen++ == 0 ? 1000000u : 0u; };
        keys::typed = r.typed;
        C_SndHex s(PROT_ETH, 0, 1);
        ::testing::internal::CaptureStdout();
        uint16_t result = hex_ram(s, hex);
        std::string said = ::testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, r.result) << r.name;
        EXPECT_NE(said.find("\r\nTimeout!!! Retry(j/n)?"), std::string::npos) << r.name;
        if (!r.typed.empty()) {
            EXPECT_NE(said.find(std::string("?") + char(r.typed.front())), std::string::npos) << "echoed";
        }
        EXPECT_EQ(w.comm->resends, r.resends) << r.name;
    }
}

TEST_F(sndhex_fixture, single_steps_complete_a_hex_download)
{
    test_image::hex_options o;
    o.data_bytes = 3000;
    o.base = 0xC0000;
    o.linear_records = false;
    auto img = test_image::make_hex(o);
    std::string path = file("s.hex", img.text);
    // Every step through the sequence, or its data domain through StatusBusy.
    for (bool status_busy : {false, true}) {
        SCOPED_TRACE(status_busy ? "data domain through StatusBusy" : "steps only");
        w.loader.memory().clear();
        C_SndHex s(PROT_USB, 0, 1);
        auto step = [&] { return s.HexDownload(nullptr, nullptr, 1, path.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 0, 0); };
        int calls = 0;
        uint16_t r = step();
        EXPECT_EQ(s.SequenceStep(), 3) << "one step per call: the file opened, no connect value";
        while (r == 0 && s.SequenceStep() != 0 && calls++ < 100000) {
            if (status_busy && s.SequenceStep() == 8) {
                short result = 0;
                uint32_t count = 0;
                while (s.StatusBusy(&result, &count) == 1)
                    ASSERT_EQ(result, 0);
                EXPECT_EQ(s.Mode(), 0);
            }
            r = step();
        }
        EXPECT_EQ(r, 0);
        EXPECT_EQ(s.SequenceStep(), 0);
        if (!status_busy) {
            EXPECT_GT(calls, int(img.records));
        }
        for (const auto& run : img.runs)
            EXPECT_EQ(w.loader.memory().read(run.address, uint32_t(run.bytes.size())), run.bytes);
        short result = 1;
        uint32_t count = 1;
        EXPECT_EQ(s.StatusBusy(&result, &count), 0) << "idle";
    }
}

TEST_F(sndhex_fixture, a_stepped_sequence_left_for_another_is_aborted)
{
    std::string hex = file("left.hex", ram_hex({":00000001FF"}));
    w.loader.memory().write(0xC0000, bytes{5, 6}.data(), 2);
    C_SndHex s(PROT_USB, 0, 1);
    // Into the control record's wait, then another sequence.
    while (s.SequenceStep() != 4)
        ASSERT_EQ(s.HexDownload(nullptr, nullptr, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 0, 0), 0);
    std::string up = (dir / "after.bin").string();
    EXPECT_EQ(s.BinUpload(nullptr, nullptr, 1, up.c_str(), 0, 0xC000, 0, 2, 0, 1, 0, 0, 0, 1), 0);
    bool aborted = false;
    for (const auto& e : w.server.wire_log())
        aborted = aborted || (e.from_client && e.bytes[0] == 0x80 && e.bytes[1] == 0xF0);
    EXPECT_TRUE(aborted) << "the control record's transfer was aborted on the wire";
    std::ifstream in(up, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\x05\x06");
}

struct recorder : C_RQ_Xld {
    static std::vector<std::string> calls;
    short CallBack(uint8_t*, uint16_t* length, int* last, uint32_t) override
    {
        calls.push_back("requester " + std::to_string(*length) + (*last ? " last" : ""));
        return 7;
    }
};
std::vector<std::string> recorder::calls;
short progress_function(uint8_t*, uint16_t* length, int* last, uint32_t)
{
    recorder::calls.push_back("function " + std::to_string(*length) + (*last ? " last" : ""));
    return 0;
}

TEST_F(sndhex_fixture, progress_goes_to_the_requester_then_the_function)
{
    recorder rq;
    recorder::calls.clear();
    std::string hex = file("p.hex", ram_hex({":00000001FF"}));
    C_SndHex s(PROT_USB, 0, 1);
    ASSERT_EQ(s.HexDownload(&rq, &progress_function, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0, -1, 0, 0, 1), 0);
    EXPECT_EQ(recorder::calls, (std::vector<std::string>{"requester 7", "function 7", "requester 9", "function 9",
                                                         "requester 5 last", "function 5 last"}));
    // A binary download counts the file position in 256-byte units.
    recorder::calls.clear();
    std::string bin = file("p.bin", test_image::make_binary(2, 700));
    ASSERT_EQ(s.BinDownload(nullptr, &progress_function, 1, bin.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 0, 1, 0, 0, -1, 0, 0, 1),
              0);
    ASSERT_FALSE(recorder::calls.empty());
    EXPECT_EQ(recorder::calls.front(), "function 0");
    EXPECT_EQ(recorder::calls.back(), "function 2 last") << "700 >> 8";
}

TEST_F(sndhex_fixture, golden_output_of_a_hex_run_and_an_upload)
{
    std::string hex = file("g.hex", ram_hex({":00000001FF"}));
    std::string up = (dir / "g.up").string();
    C_SndHex s(PROT_USB, 0, 1);
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(s.HexDownload(nullptr, nullptr, 1, hex.c_str(), 0, 0, 0, 0, 0, 1, 1, 0, 0x55, -1, 0, 0, 1), 0);
    ASSERT_EQ(s.BinUpload(nullptr, nullptr, 1, up.c_str(), 0, 0xC000, 0x10, 4, 0, 1, 0, 0x55, 0, 1), 0);
    ASSERT_EQ(s.BinUpload(nullptr, nullptr, 1, up.c_str(), 0, 0xC000, 0x10, 4, 0, 1, 0, 0, 0, 1), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(),
              "\r\nConnectRequest ....\r\nDevice connected ...."
              "\r\nConnectRequest ...... Device Connected\r\n"
              "\r\nConnectRequest ....\r\nDevice connected ....");
    std::ifstream in(up, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\x01\x02\x03\x04");
}

}  // namespace
