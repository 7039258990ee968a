// The tests' way back to a program that never ran: every state the shell, the link session
// and core keep, as at start (the main window closed first).
#pragma once
#include "core/image/core_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"

namespace testing_support {

inline void reset_program_state()
{
    shell_reset_for_tests();
    link_reset_for_tests();
    core_reset_for_tests();
}

}  // namespace testing_support
