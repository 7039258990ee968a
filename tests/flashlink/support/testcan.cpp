// A CAN driver library for flashlink's tests: the common interface with switches instead of
// hardware. Built three times: complete, without CANError, without CANSndReady.
#include <dlfcn.h>

#include <cstring>

#include "candrv/candrv.h"
#include "flashlink/support/testcan.h"

namespace {
testcan_switches& sw()
{
    static testcan_switches s;
    return s;
}
bool g_pending = false;
testcan_message g_current{};
constexpr int16_t receive_handle = 3, send_handle = 9;
}  // namespace

extern "C" {

CANDRV_EXPORT testcan_switches* testcan_control(void) { return &sw(); }

CANDRV_EXPORT const char* testcan_file(void)
{
    Dl_info info{};
    dladdr(reinterpret_cast<void*>(&testcan_control), &info);
    const char* slash = info.dli_fname ? std::strrchr(info.dli_fname, '/') : nullptr;
    return slash ? slash + 1 : info.dli_fname;
}

uint8_t CANReset(void) { return 1; }

#ifndef TESTCAN_NO_ERROR
uint32_t CANError(void)
{
    ++sw().error_calls;
    return sw().error_value;
}
#endif

uint8_t CANOpenDevice(int16_t baud, int16_t second, uint16_t port)
{
    testcan_switches& s = sw();
    ++s.open_device_calls;
    s.open_args[0] = baud;
    s.open_args[1] = second;
    s.open_args[2] = static_cast<int16_t>(port);
    return s.open_device_result;
}

uint8_t CANCloseDevice(void)
{
    ++sw().close_device_calls;
    return 1;
}

uint8_t CANOpenSndObj(int16_t* handle, uint16_t id, uint8_t, int32_t)
{
    ++sw().snd_opens;
    sw().snd_id = id;
    *handle = send_handle;
    return sw().open_snd_result;
}

uint8_t CANOpenRcvObj(int16_t* handle, uint16_t id, void*, int32_t, uint8_t, uint8_t)
{
    ++sw().rcv_opens;
    sw().rcv_id = id;
    *handle = receive_handle;
    return sw().open_rcv_result;
}

void CANCloseObj(int16_t handle) { sw().closed_objects.push_back(handle); }

#ifndef TESTCAN_NO_SNDREADY
uint8_t CANSndReady(int16_t) { return 1; }
#endif

uint8_t CANWrMsg(int16_t handle, const uint8_t* data, uint8_t length, uint16_t id)
{
    testcan_switches& s = sw();
    if (handle != send_handle || length > 8)
        return 0;
    if (s.refuse_writes != 0) {
        if (s.refuse_writes > 0)
            --s.refuse_writes;
        return 0;
    }
    testcan_message m{id, length, {}};
    std::memcpy(m.data, data, length);
    s.written.push_back(m);
    return 1;
}

uint8_t CANRcvReady(int16_t handle)
{
    testcan_switches& s = sw();
    if (handle != receive_handle || s.incoming.empty())
        return 0;
    g_current = s.incoming.front();
    s.incoming.pop_front();
    g_pending = true;
    return 1;
}

void CANRdMsg(int16_t, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra)
{
    std::memcpy(data, g_current.data, 8);
    *length = g_pending ? g_current.length : 0;
    *id = static_cast<int16_t>(g_current.id);
    *extra = 0;
    g_pending = false;
}

}  // extern "C"
