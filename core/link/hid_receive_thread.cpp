#include "core/link/hid_receive_thread.h"

#include "core/link/hid_link_state.h"

void hid_receive_thread::start()
{
    if (!thread_.joinable())
        thread_ = std::thread(hid_receive_loop);
}

void hid_receive_thread::stop_and_wait()
{
    if (!thread_.joinable())
        return;
    hid_request_receive_stop();
    thread_.join();
    hid_state().stop.store(false);
}
