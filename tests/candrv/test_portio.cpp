#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/portio/portio.h"
#include "sim/can_bus_hub.h"
#include "sim/can_dongle_model.h"
#include "support/test_support.h"

namespace portio = platform::portio;

namespace {
class recording_ports : public portio::backend {
public:
    explicit recording_ports(uint16_t n) : n_(n) {}
    uint16_t port_count() const override { return n_; }
    uint8_t in8(uint16_t port) override { return static_cast<uint8_t>(port & 0xFF); }
    void out8(uint16_t port, uint8_t v) override { writes.push_back({port, v}); }
    std::vector<std::pair<uint16_t, uint8_t>> writes;

private:
    uint16_t n_;
};
}  // namespace

class PortIo : public ::testing::Test {
protected:
    void TearDown() override
    {
        portio::unmap_all();
        portio::reset_models();
        unsetenv("TARVIX_SIM_PORTIO");
    }
};

TEST_F(PortIo, RangesDispatchAndUnmappedPortsReadFF)
{
    auto a = std::make_shared<recording_ports>(3);
    auto b = std::make_shared<recording_ports>(8);
    portio::map(0x378, a);
    portio::map(0x300, b);
    EXPECT_EQ(portio::in8(0x377), 0xFF);
    EXPECT_EQ(portio::in8(0x378), 0x78);
    EXPECT_EQ(portio::in8(0x37A), 0x7A);
    EXPECT_EQ(portio::in8(0x37B), 0xFF);
    EXPECT_EQ(portio::in8(0x307), 0x07);
    EXPECT_EQ(portio::in8(0x308), 0xFF);
    portio::out8(0x379, 5);
    portio::out8(0x37B, 6);  // nobody there
    ASSERT_EQ(a->writes.size(), 1u);
    EXPECT_EQ(a->writes[0].first, 0x379);
    // A new mapping replaces what it overlaps.
    portio::map(0x37A, std::make_shared<recording_ports>(2));
    EXPECT_EQ(portio::mapped_at(0x378), nullptr);
    EXPECT_EQ(portio::in8(0x378), 0xFF);
    EXPECT_EQ(portio::in8(0x37B), 0x7B);
    portio::unmap(0x300);
    EXPECT_EQ(portio::in8(0x300), 0xFF);
}

TEST_F(PortIo, EnvironmentMapsTheDongleOnceItsModelIsRegistered)
{
    testing_support::temp_dir dir;
    sim::can_bus_hub hub(dir.file("bus.sock"));
    hub.start();
    setenv("TARVIX_SIM_PORTIO", ("0x278:dongle:" + dir.file("bus.sock") + ",junk,0x300:isa").c_str(), 1);
    EXPECT_EQ(portio::apply_environment(), 0u);  // nothing registered yet
    EXPECT_EQ(portio::in8(0x27A), 0xFF);
    sim::register_can_dongle_model();
    auto model = std::dynamic_pointer_cast<sim::can_dongle_model>(portio::mapped_at(0x278));
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(hub.node_count(), 1u);
    EXPECT_EQ(portio::apply_environment(), 0u);  // mapped once only
    EXPECT_EQ(portio::mapped_at(0x300), nullptr);
}

TEST_F(PortIo, ModelThatCannotBeBuiltYetIsTriedAgain)
{
    setenv("TARVIX_SIM_PORTIO", "0x300:late", 1);
    bool ready = false;
    int built = 0;
    EXPECT_EQ(portio::register_model("late",
                                     [&](uint16_t, const std::string&) -> std::shared_ptr<portio::backend> {
                                         ++built;
                                         return ready ? std::make_shared<recording_ports>(4) : nullptr;
                                     }),
              0u);
    EXPECT_EQ(portio::in8(0x301), 0xFF);
    ready = true;
    EXPECT_EQ(portio::apply_environment(), 1u);
    EXPECT_EQ(portio::in8(0x301), 0x01);
    EXPECT_EQ(portio::apply_environment(), 0u);
    EXPECT_EQ(built, 2);
}
