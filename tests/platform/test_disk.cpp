// Whole-disk candidates from a fake sysfs/proc tree, the environment list, and read-only
// sector reads on image files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>

#include "platform/disk.h"
#include "support/test_support.h"

namespace {

void put(const std::string& path, const std::string& text)
{
    const size_t slash = path.rfind('/');
    std::string cmd = "mkdir -p '" + path.substr(0, slash) + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ofstream(path) << text;
}

struct env_guard {
    explicit env_guard(const char* value)
    {
        if (value)
            ::setenv("TARVIX_SDCARD_DEVICES", value, 1);
        else
            ::unsetenv("TARVIX_SDCARD_DEVICES");
    }
    ~env_guard() { ::unsetenv("TARVIX_SDCARD_DEVICES"); }
};

// A machine: the system disk sda (its partition mounted), sdc holding swap, sdd under
// device-mapper, a card reader sdb, a backed and a detached loop, a DVD drive and zram.
disk::roots fake_machine(const testing_support::temp_dir& dir)
{
    disk::roots r{dir.file("sys"), dir.file("proc"), dir.file("dev")};
    const std::string b = r.sys + "/block/";
    put(b + "sda/dev", "8:0\n");
    put(b + "sda/removable", "0\n");
    put(b + "sda/sda1/partition", "1\n");
    put(b + "sda/sda1/dev", "8:1\n");
    put(b + "sdb/dev", "8:16\n");
    put(b + "sdb/removable", "1\n");
    put(b + "sdc/dev", "8:32\n");
    put(b + "sdc/removable", "0\n");
    put(b + "sdc/sdc2/partition", "2\n");
    put(b + "sdc/sdc2/dev", "8:34\n");
    put(b + "sdd/dev", "8:48\n");
    put(b + "sdd/removable", "0\n");
    put(b + "sdd/holders/dm-0", "");
    put(b + "loop10/dev", "7:10\n");
    put(b + "loop10/loop/backing_file", "/images/card.img\n");
    put(b + "loop2/dev", "7:2\n");
    put(b + "sr0/dev", "11:0\n");
    put(b + "sr0/removable", "1\n");
    put(b + "zram0/dev", "253:0\n");
    put(b + "mmcblk0/dev", "179:0\n");
    put(b + "mmcblk0/removable", "0\n");
    put(r.proc + "/self/mountinfo",
        "22 28 0:21 / /proc rw,relatime - proc proc rw\n"
        "28 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n");
    put(r.proc + "/swaps", "Filename Type Size Used Priority\n/dev/sdc2 partition 1000 0 -2\n");
    return r;
}

}  // namespace

TEST(DiskCandidates, KindsAndNaturalOrderOnAFakeTree)
{
    env_guard env(nullptr);
    testing_support::temp_dir dir;
    const disk::roots r = fake_machine(dir);
    const auto list = disk::list_drives(r);
    struct expect {
        const char* name;
        disk::drive_kind kind;
    };
    using K = disk::drive_kind;
    const expect want[] = {{"loop2", K::other},   {"loop10", K::fixed}, {"mmcblk0", K::fixed}, {"sda", K::system},
                           {"sdb", K::removable}, {"sdc", K::system},   {"sdd", K::system},    {"sr0", K::other},
                           {"zram0", K::other}};
    ASSERT_EQ(list.size(), std::size(want));
    for (size_t i = 0; i < list.size(); ++i) {
        SCOPED_TRACE(list[i].name);
        EXPECT_EQ(list[i].name, want[i].name);
        EXPECT_EQ(list[i].kind, want[i].kind) << list[i].why;
        EXPECT_EQ(list[i].index, int(i) + 4);
        EXPECT_EQ(list[i].device_path, r.dev + "/" + want[i].name);
    }
}

TEST(DiskCandidates, NaturalOrder)
{
    const char* sorted[] = {"loop0", "loop1", "loop2", "loop10", "nvme0n1", "nvme1n1", "sda", "sdb", "sdz"};
    for (size_t i = 0; i + 1 < std::size(sorted); ++i) {
        EXPECT_TRUE(disk::natural_less(sorted[i], sorted[i + 1])) << sorted[i];
        EXPECT_FALSE(disk::natural_less(sorted[i + 1], sorted[i])) << sorted[i];
    }
    EXPECT_FALSE(disk::natural_less("sda", "sda"));
}

TEST(DiskCandidates, EnvironmentListReplacesTheSearchAndCountsAsRemovable)
{
    testing_support::temp_dir dir;
    const disk::roots r = fake_machine(dir);
    env_guard env("/img/a.img::/dev/loop5");
    const auto list = disk::list_drives(r);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].device_path, "/img/a.img");
    EXPECT_EQ(list[0].index, 4);
    EXPECT_EQ(list[1].device_path, "/dev/loop5");
    EXPECT_EQ(list[1].index, 5);
    for (const auto& c : list)
        EXPECT_EQ(c.kind, disk::drive_kind::removable);
}

TEST(DiskDevice, ReadsExactlyOrFailsAndClosesWhatItOpened)
{
    testing_support::temp_dir dir;
    const std::string img = dir.file("card.img");
    {
        std::ofstream out(img, std::ios::binary);
        for (int i = 0; i < 1024; ++i)
            out.put(char(i & 0xFF));
    }
    const int before = disk::device::open_count();
    {
        disk::device d;
        ASSERT_TRUE(d.open(img));
        EXPECT_EQ(disk::device::open_count(), before + 1);
        EXPECT_TRUE(d.media_present());
        uint8_t buf[512];
        ASSERT_TRUE(d.read_at(512, buf, sizeof buf));
        EXPECT_EQ(buf[0], 0);
        EXPECT_EQ(buf[511], 0xFF);
        EXPECT_FALSE(d.read_at(600, buf, sizeof buf));  // runs past the end: all or nothing
        EXPECT_FALSE(d.reason().empty());
    }
    EXPECT_EQ(disk::device::open_count(), before);

    const std::string tiny = dir.file("tiny.img");
    std::ofstream(tiny) << "TVX_SDC";
    disk::device t;
    ASSERT_TRUE(t.open(tiny));
    EXPECT_FALSE(t.media_present());

    disk::device missing;
    EXPECT_FALSE(missing.open(dir.file("none")));
    EXPECT_EQ(missing.error(), ENOENT);
}

// Only a disk or an image file is opened, and the open never waits: a FIFO without a writer,
// a character device or a folder is refused at once, before anything is read.
TEST(DiskDevice, OpensOnlyDisksAndImageFilesAndNeverWaits)
{
    testing_support::temp_dir dir;
    testing_support::fifo_watchdog fifo(dir.file("pipe"));
    ASSERT_TRUE(fifo.made());
    std::ofstream(dir.file("card.img")) << std::string(1024, 'x');
    ASSERT_EQ(::mkdir(dir.file("folder").c_str(), 0755), 0);
    struct row {
        std::string path;
        bool opens;
    } rows[] = {{dir.file("pipe"), false}, {"/dev/null", false}, {"/dev/zero", false},
                {dir.file("folder"), false}, {dir.file("card.img"), true}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.path);
        const auto t0 = std::chrono::steady_clock::now();
        disk::device d;
        EXPECT_EQ(d.open(r.path), r.opens);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
        if (!r.opens) {
            EXPECT_EQ(d.error(), ENODEV);
            EXPECT_NE(d.reason().find(r.path), std::string::npos);
        }
    }
    EXPECT_FALSE(fifo.fired()) << "the open waited on the FIFO";
    EXPECT_EQ(disk::device::open_count(), 0);
}

TEST(DiskDevice, MissingReadPermissionKeepsItsReason)
{
    testing_support::temp_dir dir;
    const std::string img = dir.file("locked.img");
    std::ofstream(img) << std::string(1024, 'x');
    ASSERT_EQ(::chmod(img.c_str(), 0), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
        ASSERT_EQ(::seteuid(65534), 0);  // root reads everything: look as nobody
    }
    disk::device d;
    const bool opened = d.open(img);
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_FALSE(opened);
    EXPECT_EQ(d.error(), EACCES);
    EXPECT_EQ(d.reason(), "no read permission for " + img);
}
