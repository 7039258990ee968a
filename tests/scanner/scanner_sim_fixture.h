// The scanner windows' controller: the tvxsim server (profile premium-pm) reached through the
// simulated HID link, the installed scannerx.lst and scanners.cscan in a fresh application
// directory, a fresh data directory, and the lists read from the controller.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/test_support.h"
#include "tests/sim/tvxsim_process.h"
#include "widgets/testing/test_app.h"
#include "core/link/hid_receive_thread.h"

class scanner_sim_test : public ui_testing::app_first, public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A control command; fails the test unless the simulator answers "ok".
    std::string ask(const std::string& line);
    // Reads the variant, the system information and the scanner lists from the controller,
    // with the open document's source `source`.
    void read_controller(int source = 1);
    // The 224 bytes of a scanner set as the simulator holds them ("missing" when empty).
    std::string set_bytes(const std::string& set);
    // Requests of one frame type (0x09 scanner block write, 0x49 set clear) since forget().
    size_t requests_since_forget(uint8_t type);
    void forget();

    testing_support::temp_dir app;
    testing_support::temp_dir data;
    int source = 1;
    std::unique_ptr<testing_support::tvxsim_process> sim;
    hid_receive_thread thread;
    uint64_t logFrom_ = 0;
};
