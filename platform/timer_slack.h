// Short sleeps that wake on time: Linux lets a sleeping thread oversleep by its timer slack (50 us
// by default), which is as long as the pause itself when a loop polls every few tens of
// microseconds. While an object of this class lives, the calling thread's slack is 1 us.
#pragma once

namespace platform {

class fine_timer_slack {
public:
    fine_timer_slack();
    ~fine_timer_slack();
    fine_timer_slack(const fine_timer_slack&) = delete;
    fine_timer_slack& operator=(const fine_timer_slack&) = delete;

private:
    long saved_;
};

}  // namespace platform
