// Sends, polls and takes while the controller is unplugged and reopened again and again;
// run under ThreadSanitizer too.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/device/device_exchange.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "tests/core/link_test_util.h"
#include "tests/sim/tvxsim_process.h"

using link_test::wait_until;

TEST(LinkStress, SendsDuringUnplugAndReopen)
{
    hid_link_reset_for_tests();
    dev_exchange_reset_for_tests();
    testing_support::tvxsim_process sim;
    ASSERT_TRUE(sim.ok()) << sim.error();
    hid_settings().reopen_interval_ms = 10;
    error_record e;
    ASSERT_TRUE(hid_open(e));
    {
        hid_receive_thread thread;
        thread.start();

        std::atomic<bool> done{false};
        std::atomic<int> cycles{0};
        std::atomic<int> replies{0};
        std::thread plugger([&] {
            sim::control_client c;
            std::string err;
            if (!c.connect(sim.folder(), err))
                return;
            for (int i = 0; i < 25; ++i) {
                // Unplug at once, or once a reply of the reopened link went through.
                int before = replies;
                if (i % 2)
                    wait_until([&] { return replies > before; }, 20000);
                c.unplug(5 + (i % 4) * 10);
                wait_until([] { return !hid_link_up(); }, 5000);
                wait_until([] { return hid_link_up(); }, 20000);
                ++cycles;
            }
            done = true;
        });

        int sent = 0, unplugs = 0;
        uint8_t frame[63];
        uint16_t n;
        while (!done) {
            error_record s;
            if (hid_send_frame(make_status_request().data(), 63, s))
                ++sent;
            hid_wait(5);
            while (hid_poll(s)) {
                if (s.code == hid_status_unplugged)
                    ++unplugs;
                else if (s.code == 0 && hid_take_frame(frame, n, s))
                    ++replies;
            }
        }
        plugger.join();
        EXPECT_EQ(cycles, 25);
        EXPECT_GT(sent, 0);
        EXPECT_GT(replies, 0);
        EXPECT_GT(unplugs, 0);
        EXPECT_LE(unplugs, 25);

        ASSERT_TRUE(wait_until([] { return hid_link_up(); }));
        device_frame reply;
        EXPECT_TRUE(dev_send_and_wait(make_status_request(), reply.data(), 10000, e)) << e.code;

        // The thread stops cleanly while it searches for an unplugged controller.
        ASSERT_TRUE(sim.control().unplug());
        ASSERT_TRUE(wait_until([] { return !hid_link_up(); }));
    }
    hid_link_reset_for_tests();
}
