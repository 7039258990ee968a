#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "sim/can_bus_hub.h"
#include "sim/can_bus_node.h"
#include "sim/can_bus_tap.h"
#include "support/test_support.h"
#include "tests/candrv/can_test_frames.h"

using sim::can_frame;

namespace {
constexpr int wait_ms = 5000;

using can_test::frame;
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

namespace {
double process_cpu_ms()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}
}  // namespace

TEST(CanBusTap, GoesQuietWhenTheHubIsGone)
{
    testing_support::temp_dir dir;
    std::string path = dir.file("bus.sock");
    auto hub = std::make_unique<sim::can_bus_hub>(path);
    hub->start();
    sim::can_bus_tap tap(path);
    {
        sim::can_bus_node a(path, 125000);
        ASSERT_TRUE(a.send(frame(0x100, 1, 0)));
        ASSERT_TRUE(tap.wait_for_count(1, wait_ms));
    }
    hub.reset();
    // Nothing else in this process works now: a tap that keeps polling a closed socket shows up
    // as CPU time burnt while the test only waits. A loaded machine can only make the figure smaller.
    double before = process_cpu_ms();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_LT(process_cpu_ms() - before, 100.0);
    EXPECT_EQ(tap.frames().size(), 1u);
}

namespace {
// Uses up every descriptor but one: the next two descriptors wanted cannot both be had.
std::vector<int> hold_all_but_one()
{
    rlimit lim{64, 64};
    setrlimit(RLIMIT_NOFILE, &lim);
    std::vector<int> held;
    for (int fd; (fd = dup(2)) >= 0;)
        held.push_back(fd);
    close(held.back());
    held.pop_back();
    return held;
}

void release(const std::vector<int>& held)
{
    for (int fd : held)
        close(fd);
}
}  // namespace

TEST(CanBusHub, WithoutAWakeUpDescriptorItRefusesToStart)
{
    testing_support::temp_dir dir;
    // In a child: the test process keeps its descriptors, and a hub that started anyway is never
    // stopped. The sanitizers need descriptors of their own to look at the exception.
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::vector<int> held = hold_all_but_one();
        try {
            sim::can_bus_hub hub(dir.file("bus.sock"));
            _exit(1);
        } catch (const std::runtime_error& e) {
            release(held);
            if (std::string(e.what()).find("wake-up") == std::string::npos)
                _exit(3);  // failed for another reason: the test proves nothing
        }
        _exit(0);
    }
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
}
