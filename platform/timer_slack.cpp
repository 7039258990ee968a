#include "platform/timer_slack.h"

#include <sys/prctl.h>

namespace platform {

fine_timer_slack::fine_timer_slack() : saved_(prctl(PR_GET_TIMERSLACK, 0, 0, 0, 0))
{
    prctl(PR_SET_TIMERSLACK, 1000UL, 0, 0, 0);
}

fine_timer_slack::~fine_timer_slack()
{
    if (saved_ > 0)
        prctl(PR_SET_TIMERSLACK, static_cast<unsigned long>(saved_), 0, 0, 0);
}

}  // namespace platform
