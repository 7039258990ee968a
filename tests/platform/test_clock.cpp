#include <gtest/gtest.h>

#include "platform/clock.h"

TEST(Clock, ManualClockMovesOnlyWhenToldAndSleepAdvances)
{
    platform::manual_clock mc(500);
    platform::scoped_clock guard(mc);
    EXPECT_EQ(platform::tick_count_ms(), 500u);
    platform::sleep_ms(250);
    EXPECT_EQ(platform::tick_count_ms(), 750u);
    mc.advance(0xFFFFFFFFu - 749u);  // wraps like the 32-bit tick counter
    EXPECT_EQ(platform::tick_count_ms(), 0u);
}

TEST(Clock, SystemClockIsRestoredAndMonotonic)
{
    {
        platform::manual_clock mc(1);
        platform::scoped_clock guard(mc);
    }
    uint32_t a = platform::tick_count_ms();
    platform::sleep_ms(20);
    uint32_t b = platform::tick_count_ms();
    EXPECT_GE(b - a, 19u);
}
