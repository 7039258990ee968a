// A full-size card image attached read-only to a loop device is found by the search of the
// real /sys/block and read like a card in a reader.
#include <gtest/gtest.h>
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
    const std::string img = dir.file("card.img");
    ASSERT_TRUE(card_image::write_scenario(card_image::make_scenario("S1"), img));
    int status = 0;
    const std::string loop = run("losetup --find --show --read-only '" + img + "' 2>/dev/null", status);
    if (status != 0 || loop.rfind("/dev/loop", 0) != 0)
        GTEST_SKIP() << "no loop device could be attached (losetup: " << loop << ")";
    struct detach {
        std::string dev;
        ~detach() { std::system(("losetup -d " + dev).c_str()); }
    } guard{loop};

    ::unsetenv("TARVIX_SDCARD_DEVICES");
    sdcard_set_roots(disk::roots{});
    sdcard_reset_for_tests();
    int32_t drive = 0;
    ASSERT_TRUE(sdcard_init(512, drive)) << sdcard_last_reason();
    EXPECT_GE(drive, 4);
    ASSERT_TRUE(sdcard_open());
    uint8_t b[512];
    ASSERT_TRUE(sdcard_read_tooltype(5, b));
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(le::i16(b + 1), 112);
    EXPECT_EQ(const_byte_view(b + 1, 179).text(2, 32), "Tap 112");
    EXPECT_EQ(sdcard_read_ring_directory(), 7032);
    sdcard_close();
    EXPECT_EQ(disk::device::open_count(), 0);
    sdcard_reset_for_tests();
}
