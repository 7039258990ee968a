// A full-size card image attached read-only to a loop device is found by the search through
// its real /sys/block entry and read like a card in a reader. The search sees that one entry
// only, so the test finds its own card whatever other signed cards the machine holds (another
// test's, or the decoy it attaches itself first).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "core/image/byte_record.h"
#include "procmon/sdcard_reader.h"
#include "sim/card_image.h"
#include "support/test_support.h"

namespace {

std::string run(const std::string& cmd, int& status)
{
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    char buf[256];
    while (std::fgets(buf, sizeof buf, p))
        out += buf;
    status = ::pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

}  // namespace

TEST(LoopDevice, RealSearchFindsAnAttachedImage)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to attach a loop device";
    testing_support::temp_dir dir;
    struct detach {
        std::string dev;
        ~detach()
        {
            if (!dev.empty())
                std::system(("losetup -d " + dev).c_str());
        }
    };
    auto attach = [&](const card_image::scenario& s, const char* name, detach& guard) {
        const std::string img = dir.file(name);
        if (!card_image::write_scenario(s, img))
            return false;
        int status = 0;
        guard.dev = run("losetup --find --show --read-only '" + img + "' 2>/dev/null", status);
        if (status != 0 || guard.dev.rfind("/dev/loop", 0) != 0)
            guard.dev.clear();
        return true;
    };
    // A signed card of another kind, on the loop device before ours.
    card_image::scenario other = card_image::make_scenario("S1");
    other.tool_types.clear();
    detach decoy, own;
    ASSERT_TRUE(attach(other, "other.img", decoy));
    ASSERT_TRUE(attach(card_image::make_scenario("S1"), "card.img", own));
    if (own.dev.empty())
        GTEST_SKIP() << "no loop device could be attached";

    // A /sys of the one block device: a link to the real entry of our loop device.
    const std::string name = own.dev.substr(std::string("/dev/").size());
    const std::string sys = dir.file("sys");
    ASSERT_EQ(::mkdir(sys.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir((sys + "/block").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(("/sys/block/" + name).c_str(), (sys + "/block/" + name).c_str()), 0);
    disk::roots roots;
    roots.sys = sys;

    ::unsetenv("TARVIX_SDCARD_DEVICES");
    sdcard_set_roots(roots);
    sdcard_reset_for_tests();
    int32_t drive = 0;
    ASSERT_TRUE(sdcard_init(512, drive)) << sdcard_last_reason();
    EXPECT_EQ(drive, 4);
    ASSERT_TRUE(sdcard_open());
    uint8_t b[512];
    ASSERT_TRUE(sdcard_read_tooltype(5, b));
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(le::i16(b + 1), 112);
    EXPECT_EQ(const_byte_view(b + 1, 179).text(2, 32), "Tap 112");
    EXPECT_EQ(sdcard_read_ring_directory(), 7032);
    sdcard_close();
    EXPECT_EQ(disk::device::open_count(), 0);
    sdcard_set_roots(disk::roots{});
    sdcard_reset_for_tests();
}
