#include "flashlink/C_CAN.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "flashlink/C_StepTimer.h"
#include "flashlink/can_driver.h"
#include "flashlink/fl_results.h"
#include "platform/clock.h"
#include "platform/timer_slack.h"

namespace {
const fl_can::driver_api& api() { return fl_can::state().api; }

// The pause between two polls of a driver, which cannot wake anybody up. An answer usually comes
// within a few frame times, so the first milliseconds of a wait poll finely (a frame of 8 bytes
// lasts 0.2 ms at 500 kbit/s; one poll costs a few microseconds); a longer wait pauses a millisecond at a time through the clock.
class poll_pause {
public:
    void operator()()
    {
        if (std::chrono::steady_clock::now() - start_ < fine_phase)
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        else
            platform::sleep_ms(1);
    }

private:
    static constexpr std::chrono::milliseconds fine_phase{4};
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    platform::fine_timer_slack slack_;
};
}  // namespace

C_CAN::~C_CAN() { Close(); }

uint16_t C_CAN::Open(uint16_t request_id, uint16_t response_id)
{
    if (rcvHandle_ != no_object || sndHandle_ != no_object)
        return fl_result::can_open;
    const fl_can::driver_api& a = api();
    if (!a.open_rcv_obj || !a.open_snd_obj)
        return fl_result::can_open;
    int16_t h = 0;
    if ((a.open_rcv_obj(&h, response_id, nullptr, 0, 0, 0) & 0xFF) == 0)
        return fl_result::can_open;
    rcvHandle_ = static_cast<uint16_t>(h);
    h = 0;
    if ((a.open_snd_obj(&h, request_id, 0, 0) & 0xFF) == 0) {
        if (a.close_obj)
            a.close_obj(static_cast<int16_t>(rcvHandle_));
        rcvHandle_ = no_object;
        return fl_result::can_open;
    }
    sndHandle_ = static_cast<uint16_t>(h);
    requestId_ = request_id;
    responseId_ = response_id;
    messageSeen_ = false;
    return fl_result::ok;
}

void C_CAN::Close()
{
    const fl_can::driver_api& a = api();
    for (uint16_t* h : {&rcvHandle_, &sndHandle_}) {
        if (*h != no_object && a.close_obj)
            a.close_obj(static_cast<int16_t>(*h));
        *h = no_object;
    }
    messageSeen_ = false;
}

uint16_t C_CAN::Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t)
{
    if (sent)
        *sent = 0;
    const fl_can::driver_api& a = api();
    if (!a.wr_msg || !a.error || sndHandle_ == no_object || (length && !data) || length == resend_last)
        return fl_result::can_driver;
    uint16_t done = 0;
    while (done < length) {
        uint8_t piece = static_cast<uint8_t>(std::min<uint16_t>(8, static_cast<uint16_t>(length - done)));
        C_StepTimer timer;
        timer.Restart(piece_timeout_ms);
        poll_pause pause;
        for (;;) {
            if (a.wr_msg(static_cast<int16_t>(sndHandle_), data + done, piece, requestId_) & 0xFF)
                break;
            if (a.error() & 0xFF)
                return fl_result::can_driver;
            if (timer.Expired())
                return fl_result::can_send_timeout;
            pause();
        }
        done = static_cast<uint16_t>(done + piece);
        if (sent)
            *sent = done;
    }
    return fl_result::ok;
}

bool C_CAN::messageWaiting()
{
    if (messageSeen_)
        return true;
    const fl_can::driver_api& a = api();
    if (rcvHandle_ == no_object || !a.rcv_ready)
        return false;
    messageSeen_ = (a.rcv_ready(static_cast<int16_t>(rcvHandle_)) & 0xFF) != 0;
    return messageSeen_;
}

bool C_CAN::RcvReady(uint16_t* error)
{
    if (error)
        *error = 0;
    return messageWaiting();
}

void C_CAN::GetFrame(uint8_t* destination, uint16_t* length)
{
    // The driver writes one length byte: a zeroed byte of our own, widened, leaves nothing stale.
    uint8_t len = 0;
    int16_t id = 0, extra = 0;
    const fl_can::driver_api& a = api();
    if (rcvHandle_ != no_object && a.rd_msg && destination)
        a.rd_msg(static_cast<int16_t>(rcvHandle_), destination, &len, &id, &extra);
    messageSeen_ = false;
    if (length)
        *length = std::min<uint16_t>(len, 8);
}

void C_CAN::ResetReceiver() {}

void C_CAN::WaitFrame(uint32_t ms)
{
    C_StepTimer timer;
    timer.Restart(ms);
    poll_pause pause;
    while (!messageWaiting() && !timer.Expired())
        pause();
}

bool C_CAN::takeBlockMessage()
{
    if (!messageWaiting())
        return false;
    uint8_t piece[8] = {};
    uint16_t n = 0;
    GetFrame(piece, &n);
    uint16_t take = std::min<uint16_t>(n, static_cast<uint16_t>(blockExpected_ - blockCount_));
    if (blockBuffer_ && take)
        std::memcpy(blockBuffer_ + blockCount_, piece, take);
    blockCount_ = static_cast<uint16_t>(blockCount_ + take);
    return true;
}

uint16_t C_CAN::Receive(uint8_t* buffer, uint16_t expected, uint16_t* count, uint32_t, uint8_t blocking,
                        uint32_t timeout_ms)
{
    blockBuffer_ = buffer;
    blockExpected_ = buffer ? expected : 0;
    blockCount_ = 0;
    if (count)
        *count = 0;
    if (!blocking)
        return fl_result::ok;
    const fl_can::driver_api& a = api();
    C_StepTimer timer;
    timer.Restart(timeout_ms);
    poll_pause pause;
    while (blockCount_ < blockExpected_) {
        if (takeBlockMessage()) {
            timer.Restart(timeout_ms);  // every message restarts the time-out
            if (count)
                *count = blockCount_;
            continue;
        }
        if (a.error && (a.error() & 0xFF))
            return fl_result::can_driver;
        if (timer.Expired())
            return fl_result::receive_timeout;
        pause();
    }
    if (count)
        *count = blockCount_;
    return fl_result::ok;
}

bool C_CAN::PollReceive(uint16_t* result, uint16_t* count)
{
    if (result)
        *result = 0;
    const fl_can::driver_api& a = api();
    if (blockCount_ < blockExpected_ && !takeBlockMessage() && a.error && (a.error() & 0xFF)) {
        if (result)
            *result = fl_result::can_driver;
        if (count)
            *count = blockCount_;
        return false;
    }
    if (count)
        *count = blockCount_;
    return blockCount_ < blockExpected_;
}
