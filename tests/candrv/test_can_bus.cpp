#include <gtest/gtest.h>

#include <memory>

#include "sim/can_bus_hub.h"
#include "sim/can_bus_node.h"
#include "sim/can_bus_tap.h"
#include "support/test_support.h"

using sim::can_frame;

namespace {
constexpr int wait_ms = 5000;

can_frame frame(uint32_t id, uint8_t dlc, uint8_t first)
{
    can_frame f;
    f.id = id;
    f.dlc = dlc;
    for (int i = 0; i < 8; ++i)
        f.data[i] = static_cast<uint8_t>(first + i);
    return f;
}
}  // namespace

class CanBus : public ::testing::Test {
protected:
    testing_support::temp_dir dir;
    std::string path = dir.file("bus.sock");
    sim::can_bus_hub hub{path};
    void SetUp() override { hub.start(); }
};

TEST_F(CanBus, FrameReachesEveryOtherNodeOfTheSameBitRateAndTheTap)
{
    sim::can_bus_tap tap(path);
    sim::can_bus_node a(path, 125000), b(path, 125000), c(path, 125000), slow(path, 250000);
    ASSERT_TRUE(a.send(frame(0x605, 8, 0x10)));
    can_frame got;
    for (sim::can_bus_node* n : {&b, &c}) {
        ASSERT_TRUE(n->receive(got, wait_ms));
        EXPECT_EQ(got.id, 0x605u);
        EXPECT_EQ(got.dlc, 8);
        EXPECT_EQ(got.data[7], 0x17);
        EXPECT_EQ(got.bitrate, 125000u);
    }
    // A raw length field above 8 travels unchanged; the hub has handled the first frame completely
    // before this one, so by now the sender and the other bit rate would hold the first if it had
    // reached them.
    ASSERT_TRUE(b.send(frame(0x585, 15, 0x40)));
    ASSERT_TRUE(c.receive(got, wait_ms));
    EXPECT_EQ(got.dlc, 15);
    ASSERT_TRUE(tap.wait_for_count(2, wait_ms));
    EXPECT_FALSE(slow.try_receive(got));
    ASSERT_TRUE(a.try_receive(got));  // b's reply, not a's own frame
    EXPECT_EQ(got.id, 0x585u);
    EXPECT_FALSE(a.try_receive(got));
    auto log = tap.frames();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].id, 0x605u);
    EXPECT_EQ(log[1].id, 0x585u);
    EXPECT_EQ(log[1].bitrate, 125000u);

    // A node that changes its rate hears the other rate from then on; one at rate 0 is off the bus.
    ASSERT_TRUE(slow.set_bitrate(125000));
    ASSERT_TRUE(a.set_bitrate(0));
    EXPECT_FALSE(a.send(frame(0x1, 1, 0)));
    ASSERT_TRUE(c.send(frame(0x123, 1, 0)));
    ASSERT_TRUE(slow.receive(got, wait_ms));
    EXPECT_EQ(got.id, 0x123u);
    ASSERT_TRUE(tap.wait_for_count(3, wait_ms));
    EXPECT_FALSE(a.try_receive(got));
}

TEST_F(CanBus, NodesComeAndGoWithoutDisturbingTheOthers)
{
    sim::can_bus_node a(path, 500000);
    {
        sim::can_bus_node gone(path, 500000);
        EXPECT_EQ(hub.node_count(), 2u);
    }
    sim::can_bus_node b(path, 500000);
    ASSERT_TRUE(a.send(frame(0x7FF, 0, 0)));
    can_frame got;
    ASSERT_TRUE(b.receive(got, wait_ms));
    EXPECT_EQ(got.id, 0x7FFu);
    EXPECT_EQ(got.dlc, 0);
    EXPECT_THROW(sim::can_bus_node(dir.file("nohub.sock"), 125000), std::runtime_error);
}
