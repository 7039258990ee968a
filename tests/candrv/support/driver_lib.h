// A CAN driver library as flashlink meets it: loaded at run time from the application directory
// and bound by its exported names, a fresh module state per load.
#pragma once
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "candrv/candrv.h"
#include "sim/can_frame.h"

namespace testing_support {

struct driver_lib {
    void* handle = nullptr;
    CANOpenDevice_fn open_device = nullptr;
    CANCloseDevice_fn close_device = nullptr;
    CANReset_fn reset = nullptr;
    CANError_fn error = nullptr;
    CANOpenSndObj_fn open_snd = nullptr;
    CANOpenRcvObj_fn open_rcv = nullptr;
    CANCloseObj_fn close_obj = nullptr;
    CANSndReady_fn snd_ready = nullptr;
    CANWrMsg_fn wr_msg = nullptr;
    CANRcvReady_fn rcv_ready = nullptr;
    CANRdMsg_fn rd_msg = nullptr;
    void (*flush_all)(void) = nullptr;

    // "portcan" loads libportcan.so from the application's flashcli directory.
    void load(const std::string& name)
    {
        const char* app = std::getenv("TARVIX_APP_DIR");
        ASSERT_NE(app, nullptr);
        std::string path = std::string(app) + "/flashcli/lib" + name + ".so";
        handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        bind(open_device, "CANOpenDevice");
        bind(close_device, "CANCloseDevice");
        bind(reset, "CANReset");
        bind(error, "CANError");
        bind(open_snd, "CANOpenSndObj");
        bind(open_rcv, "CANOpenRcvObj");
        bind(close_obj, "CANCloseObj");
        bind(snd_ready, "CANSndReady");
        bind(wr_msg, "CANWrMsg");
        bind(rcv_ready, "CANRcvReady");
        bind(rd_msg, "CANRdMsg");
        bind(flush_all, "CANFlushRcvAll");
    }
    void unload()
    {
        if (handle)
            dlclose(handle);
        handle = nullptr;
    }
    ~driver_lib() { unload(); }

    template <typename F>
    void bind(F& fn, const char* name)
    {
        fn = reinterpret_cast<F>(dlsym(handle, name));
        ASSERT_NE(reinterpret_cast<void*>(fn), nullptr) << name;
    }
    // One of the library's further exports.
    template <typename F>
    F extra(const char* name)
    {
        F fn = reinterpret_cast<F>(dlsym(handle, name));
        EXPECT_NE(reinterpret_cast<void*>(fn), nullptr) << name;
        return fn;
    }
};

inline sim::can_frame make_frame(uint32_t id, uint8_t dlc, uint8_t first, uint8_t flags = 0)
{
    sim::can_frame f;
    f.id = id;
    f.dlc = dlc;
    f.flags = flags;
    for (int i = 0; i < 8; ++i)
        f.data[i] = static_cast<uint8_t>(first + i);
    return f;
}

}  // namespace testing_support
