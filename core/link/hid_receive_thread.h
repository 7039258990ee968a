// The receive loop on a plain standard thread, for users without an event loop (tests,
// tools). The application's receive thread is c_thrrcv; both run the same loop, and only
// one of them may run at a time.
#pragma once
#include <thread>

class hid_receive_thread {
public:
    hid_receive_thread() = default;
    ~hid_receive_thread() { stop_and_wait(); }
    hid_receive_thread(const hid_receive_thread&) = delete;
    hid_receive_thread& operator=(const hid_receive_thread&) = delete;

    void start();
    // Ends the loop and joins the thread; it may be started again afterwards.
    void stop_and_wait();
    bool running() const { return thread_.joinable(); }

private:
    std::thread thread_;
};
