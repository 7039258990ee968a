// The memory-card reader on sparse image files: sector arithmetic of every reader, the ring
// rule, the drive search on a fake sysfs tree, read failures and bounds.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/image/byte_record.h"
#include "procmon/sdcard_reader.h"
#include "support/test_support.h"

namespace L = sd_card_layout;

namespace {

// A sparse image of `size` bytes; sectors written by hand.
class image {
public:
    explicit image(const std::string& path, uint64_t size = L::card_bytes) : path_(path)
    {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(::ftruncate(fd_, off_t(size)), 0);
    }
    ~image() { ::close(fd_); }
    void sector(uint32_t s, const uint8_t* bytes)
    {
        EXPECT_EQ(::pwrite(fd_, bytes, 512, off_t(uint64_t(s) * 512)), 512);
    }
    void signature(const char* sig, size_t n = 7)
    {
        uint8_t b[512] = {};
        std::memcpy(b, sig, n);
        sector(0, b);
    }
    // The sector number in bytes 0 to 3, then 0x5A.
    void stamp(uint32_t s)
    {
        uint8_t b[512];
        std::memset(b, 0x5A, sizeof b);
        le::put32(b, s);
        sector(s, b);
    }
    void ring(uint32_t next, uint64_t total)
    {
        uint8_t b[512];
        std::memset(b, 0xA5, sizeof b);
        le::put32(b, next);
        le::put32(b + 4, uint32_t(total));
        le::put32(b + 8, uint32_t(total >> 32));
        sector(L::ring_directory, b);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
};

struct card_env {
    explicit card_env(const std::string& list)
    {
        ::setenv("TARVIX_SDCARD_DEVICES", list.c_str(), 1);
        sdcard_set_roots(disk::roots{});
        sdcard_reset_for_tests();
    }
    ~card_env()
    {
        sdcard_close();
        ::unsetenv("TARVIX_SDCARD_DEVICES");
        sdcard_reset_for_tests();
    }
};

uint32_t stamp_of(const uint8_t* s) { return le::u32(s); }

}  // namespace

TEST(SdcardReader, EveryReaderReachesItsSector)
{
    testing_support::temp_dir dir;
    image img(dir.file("card.img"));
    img.signature("TVX_SDC");
    img.ring(100, 7100);
    const uint32_t stamped[] = {202050, 202305, 202306, 202307, 202308, 202562, 3711274, 3711275, 3718305,
                                4414475, 4414476, 4421507, 4421508, 53160299, 53167330};
    for (uint32_t s : stamped)
        img.stamp(s);
    card_env env(img.path());
    ASSERT_TRUE(sdcard_rescan()) << sdcard_last_reason();
    EXPECT_EQ(g_sdcard().drive, 4);
    ASSERT_TRUE(sdcard_open());
    ASSERT_EQ(sdcard_read_ring_directory(), 7032);
    EXPECT_EQ(g_sdcard().ringStart, 100);

    uint8_t b[512];
    struct read_case {
        const char* what;
        bool (*read)(uint8_t*);
        uint32_t sector;
    };
    const read_case cases[] = {
        {"tool type 0", [](uint8_t* s) { return sdcard_read_tooltype(0, s); }, 202050},
        {"tool type 255", [](uint8_t* s) { return sdcard_read_tooltype(255, s); }, 202305},
        {"tool header 0", [](uint8_t* s) { return sdcard_read_tool_header(0, s); }, 202306},
        {"tool header 499", [](uint8_t* s) { return sdcard_read_tool_header(499, s); }, 3711274},
        {"tool 0 data 255", [](uint8_t* s) { return sdcard_read_tool_data_sector(0, 255, s); }, 202562},
        {"tool 499 data 0", [](uint8_t* s) { return sdcard_read_tool_data_sector(499, 0, s); }, 3711275},
        {"tool 499 data 7030", [](uint8_t* s) { return sdcard_read_tool_data_sector(499, 7030, s); }, 3718305},
        {"recording 0 (slot 100)", [](uint8_t* s) { return sdcard_read_ring_header(0, s); }, 4421507},
        {"recording 7031 (slot 99)", [](uint8_t* s) { return sdcard_read_ring_header(7031, s); }, 4414475},
        {"recording 0 data 0", [](uint8_t* s) { return sdcard_read_ring_data_sector(0, 0, s); }, 4421508},
        {"recording 7031 data 0", [](uint8_t* s) { return sdcard_read_ring_data_sector(7031, 0, s); }, 4414476},
        {"slot 7031 header", [](uint8_t* s) { return sdcard_read_ring_header(7031 - 100, s); }, 53160299},
        {"slot 7031 last data", [](uint8_t* s) { return sdcard_read_ring_data_sector(7031 - 100, 7030, s); }, 53167330},
    };
    for (const read_case& c : cases) {
        SCOPED_TRACE(c.what);
        std::memset(b, 0, sizeof b);
        ASSERT_TRUE(c.read(b));
        EXPECT_EQ(stamp_of(b), c.sector);
    }

    // Several data sectors in one read
    uint8_t two[1024];
    ASSERT_TRUE(sdcard_read_data_sectors(false, 0, 0, 2, two));
    EXPECT_EQ(stamp_of(two), 202307u);
    EXPECT_EQ(stamp_of(two + 512), 202308u);
    ASSERT_TRUE(sdcard_read_data_sectors(true, 7031, 0, 1, two));
    EXPECT_EQ(stamp_of(two), 4414476u);

    // Indices outside their structures are refused and the buffer is left alone.
    std::memset(b, 0x77, sizeof b);
    EXPECT_FALSE(sdcard_read_tooltype(-1, b));
    EXPECT_FALSE(sdcard_read_tooltype(256, b));
    EXPECT_FALSE(sdcard_read_tool_header(-1, b));
    EXPECT_FALSE(sdcard_read_tool_header(500, b));
    EXPECT_FALSE(sdcard_read_tool_data_sector(0, -1, b));
    EXPECT_FALSE(sdcard_read_tool_data_sector(0, 7031, b));
    EXPECT_FALSE(sdcard_read_ring_header(-1, b));
    EXPECT_FALSE(sdcard_read_ring_header(7032, b));
    EXPECT_FALSE(sdcard_read_ring_data_sector(0, 7031, b));
    EXPECT_FALSE(sdcard_read_data_sectors(false, 0, 7030, 2, two));
    EXPECT_EQ(b[0], 0x77);
    EXPECT_EQ(b[511], 0x77);
    EXPECT_TRUE(sdcard_close());
    EXPECT_FALSE(g_sdcard().open);
    EXPECT_EQ(disk::device::open_count(), 0);
}

TEST(SdcardReader, RingDirectoryRule)
{
    struct ring_case {
        uint32_t next;
        uint64_t total;
        int32_t start, count;
        bool reason;  // a corrupt directory says why
    };
    const ring_case cases[] = {
        {17, 17, 0, 17, false},           {100, 7100, 100, 7032, false}, {7032, 7032, 0, 7032, false},
        {0, 7032, 0, 7032, false},        {5, uint64_t(1) << 32, 5, 7032, false},
        {0, 0, 0, 0, false},              {7031, 7031, 0, 7031, false},  {9000, 10, 0, 0, true},
        {7033, 20000, 0, 0, true},
    };
    testing_support::temp_dir dir;
    for (const ring_case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.next << "/" << c.total);
        image img(dir.file("ring.img"));
        img.signature("TVX_SDC");
        img.ring(c.next, c.total);
        card_env env(img.path());
        ASSERT_TRUE(sdcard_rescan());
        ASSERT_TRUE(sdcard_open());
        EXPECT_EQ(sdcard_read_ring_directory(), c.count);
        EXPECT_EQ(g_sdcard().ringStart, c.start);
        EXPECT_EQ(g_sdcard().ringCount, c.count);
        EXPECT_EQ(!sdcard_last_reason().empty(), c.reason) << sdcard_last_reason();
        if (c.count == 7032) {
            EXPECT_EQ(sdcard_ring_slot(0), c.start);
            EXPECT_EQ(sdcard_ring_slot(7031), (c.start + 7031) % 7032);
        }
        uint8_t b[512];
        EXPECT_FALSE(sdcard_read_ring_header(c.count, b));
    }
}

TEST(SdcardReader, CutImageFailsItsReadsWithZeros)
{
    testing_support::temp_dir dir;
    // Ends inside the tool area: tool 7's header is there, its data is not.
    image img(dir.file("cut.img"), uint64_t(L::tool_header_sector(7) + 1) * 512);
    img.signature("TVX_SDC");
    img.stamp(L::tool_header_sector(7));
    card_env env(img.path());
    ASSERT_TRUE(sdcard_rescan());
    ASSERT_TRUE(sdcard_open());
    uint8_t b[512];
    ASSERT_TRUE(sdcard_read_tool_header(7, b));
    EXPECT_EQ(stamp_of(b), L::tool_header_sector(7));
    EXPECT_FALSE(sdcard_read_tool_data_sector(7, 0, b));  // the bytes of the header must not stay
    for (uint8_t v : b)
        ASSERT_EQ(v, 0);
    EXPECT_FALSE(sdcard_read_tool_header(8, b));
    EXPECT_FALSE(sdcard_last_reason().empty());
    uint8_t many[4 * 512];
    std::memset(many, 0x33, sizeof many);
    EXPECT_FALSE(sdcard_read_data_sectors(false, 7, 0, 3, many));
    for (size_t i = 0; i < 3 * 512; ++i)
        ASSERT_EQ(many[i], 0);
    EXPECT_EQ(sdcard_read_ring_directory(), 0);
    EXPECT_NE(sdcard_last_reason().find("ring directory unreadable"), std::string::npos);
}

TEST(SdcardReader, SignatureMustBeExact)
{
    struct sig_case {
        const char* bytes;
        size_t n;
        bool found;
    };
    const sig_case cases[] = {{"TVX_SDC", 7, true},  {"TVX_SDCARD", 10, true}, {"TVX_SDc", 7, false},
                              {"TVX_SD\0", 7, false}, {"XVX_SDC", 7, false},    {"", 0, false}};
    testing_support::temp_dir dir;
    for (const sig_case& c : cases) {
        SCOPED_TRACE(std::string(c.bytes, c.n));
        image img(dir.file("sig.img"), 4096);
        img.signature(c.bytes, c.n);
        card_env env(dir.file("missing.img") + ":" + img.path());
        int32_t drive = -1;
        EXPECT_EQ(sdcard_find(drive), c.found);
        EXPECT_EQ(drive, c.found ? 5 : 0);
        EXPECT_EQ(disk::device::open_count(), 0);
    }
}

// The start-up search over a list that names a FIFO, character devices and a folder before
// the card: none of them is waited on or read, and the card is found at once.
TEST(SdcardReader, StartUpSearchPassesWhatIsNoDiskWithoutWaiting)
{
    testing_support::temp_dir dir;
    testing_support::fifo_watchdog fifo(dir.file("pipe"));
    ASSERT_TRUE(fifo.made());
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    image img(dir.file("card.img"), 4096);
    img.signature("TVX_SDC");
    card_env env(dir.file("pipe") + ":/dev/zero:/dev/null:" + dir.file("folder") + ":" + img.path());
    const auto t0 = std::chrono::steady_clock::now();
    int32_t drive = -1;
    EXPECT_TRUE(sdcard_init(512, drive));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
    EXPECT_EQ(drive, 8);
    EXPECT_FALSE(fifo.fired()) << "the search waited on the FIFO";
    EXPECT_EQ(disk::device::open_count(), 0);
}

namespace {

void put(const std::string& path, const std::string& text)
{
    ASSERT_EQ(std::system(("mkdir -p '" + path.substr(0, path.rfind('/')) + "'").c_str()), 0);
    std::ofstream(path) << text;
}

}  // namespace

TEST(SdcardReader, SearchOnAFakeMachine)
{
    ::unsetenv("TARVIX_SDCARD_DEVICES");
    testing_support::temp_dir dir;
    const disk::roots r{dir.file("sys"), dir.file("proc"), dir.file("dev")};
    const std::string b = r.sys + "/block/";
    // sda: the system disk (signed, but mounted); sdb: swap (signed); sdc: a card reader
    // without a card; loop1: a backed loop with an unsigned image; loop4 and sdd: signed.
    put(b + "sda/dev", "8:0\n");
    put(b + "sda/sda1/partition", "1\n");
    put(b + "sda/sda1/dev", "8:1\n");
    put(b + "sdb/dev", "8:16\n");
    put(b + "sdc/dev", "8:32\n");
    put(b + "sdc/removable", "1\n");
    put(b + "sdd/dev", "8:48\n");
    put(b + "sdd/removable", "1\n");
    put(b + "loop1/dev", "7:1\n");
    put(b + "loop1/loop/backing_file", "/x.img\n");
    put(b + "loop4/dev", "7:4\n");
    put(b + "loop4/loop/backing_file", "/y.img\n");
    put(r.proc + "/self/mountinfo", "28 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    put(r.proc + "/swaps", "Filename Type Size Used Priority\n/dev/sdb partition 100 0 -2\n");
    ASSERT_EQ(::mkdir(r.dev.c_str(), 0755), 0);
    const auto make = [&](const char* name, const char* sig, uint64_t size) {
        image img(r.dev + "/" + name, size);
        if (sig)
            img.signature(sig);
    };
    make("sda", "TVX_SDC", 4096);
    make("sdb", "TVX_SDC", 4096);
    make("sdc", nullptr, 0);  // no medium
    make("sdd", "TVX_SDC", 4096);
    make("loop1", "XVX_SDC", 4096);
    make("loop4", "TVX_SDC", 4096);
    // Natural order: loop1 (4), loop4 (5), sda (6), sdb (7), sdc (8), sdd (9)
    sdcard_set_roots(r);
    sdcard_reset_for_tests();
    int32_t drive = 0;
    EXPECT_TRUE(sdcard_init(512, drive));
    EXPECT_EQ(drive, 5);  // the lowest signed index from 4 on
    EXPECT_EQ(disk::device::open_count(), 0);

    ::unlink((r.dev + "/loop4").c_str());
    EXPECT_TRUE(sdcard_find(drive));
    EXPECT_EQ(drive, 9);  // sda and sdb are the system's, sdc has no card
    ASSERT_TRUE(sdcard_open());
    EXPECT_EQ(disk::device::open_count(), 1);
    sdcard_close();

    ::unlink((r.dev + "/sdd").c_str());
    EXPECT_FALSE(sdcard_find(drive));
    EXPECT_EQ(drive, 0);
    EXPECT_EQ(disk::device::open_count(), 0);
    sdcard_set_roots(disk::roots{});
    sdcard_reset_for_tests();
}

TEST(SdcardReader, ReadOnlyImageNeverChanges)
{
    testing_support::temp_dir dir;
    std::string before_bytes;
    {
        image img(dir.file("ro.img"));
        img.signature("TVX_SDC");
        img.ring(3, 3);
        img.stamp(L::tool_type_sector(0));
    }
    const std::string path = dir.file("ro.img");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    {
        card_env env(path);
        ASSERT_TRUE(sdcard_rescan());
        ASSERT_TRUE(sdcard_open());
        uint8_t b[512];
        EXPECT_TRUE(sdcard_read_tooltype(0, b));
        EXPECT_EQ(sdcard_read_ring_directory(), 3);
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_TRUE(sdcard_read_ring_header(i, b));
    }
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_size, before.st_size);
    EXPECT_EQ(after.st_mode & 07777, 0444u);
}

TEST(SdcardReader, ADriveWithoutReadPermissionIsNamedInTheRefusals)
{
    testing_support::temp_dir dir;
    {
        image img(dir.file("locked.img"), 4096);
        img.signature("TVX_SDC");
    }
    ASSERT_EQ(::chmod(dir.file("locked.img").c_str(), 0), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    card_env env(dir.file("locked.img"));
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);  // root reads everything: search as nobody
    }
    const bool found = sdcard_rescan();
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_FALSE(found);
    ASSERT_EQ(sdcard_search_refusals().size(), 1u);
    EXPECT_EQ(sdcard_search_refusals()[0], "no read permission for " + dir.file("locked.img"));
}
