// What one download sequence at a time shares in the module: the step time-out and its
// saved value, the first-connect flag, the end of a HEX file window, the step timer.
#pragma once
#include <cstdint>

#include "flashlink/C_StepTimer.h"

struct sequence_globals {
    uint32_t timeout = 12000;  // 0: no time-out, a key ends a step
    uint32_t savedTimeout = 12000;
    bool firstConnect = false;
    long endLimit = -1;        // HEX: the file position where a window ends, -1 none
    C_StepTimer timer;
};

sequence_globals& fl_sequence();
