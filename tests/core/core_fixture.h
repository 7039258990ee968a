// The base of core's test fixtures: every test starts and ends with all of core's state at
// its start values. Fixtures that open the link stop their receive thread before calling
// core_test::TearDown().
#pragma once
#include <gtest/gtest.h>

#include "core/image/core_state.h"

class core_test : public ::testing::Test {
protected:
    void SetUp() override { core_reset_for_tests(); }
    void TearDown() override { core_reset_for_tests(); }
};
