// The callback interface of the download library: the base of the protocol classes and of
// the exported download class, and what callers derive from to take or supply data.
#pragma once
#include <atomic>
#include <cstdint>

#include "flashlink/fl_types.h"

class CProtocol;

class C_RQ_Xld {
public:
    C_RQ_Xld();
    // Member-wise copies.
    C_RQ_Xld(const C_RQ_Xld& o);
    C_RQ_Xld& operator=(const C_RQ_Xld& o);

    // Supplies (download) or takes (upload, progress) one piece of data; the base does nothing.
    virtual short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t user);

    // Not virtual: objects are deleted through their own type, and CallBack stays the only
    // slot of this interface, so a derived class's first virtual operation is slot 1
    // (C_SndHex::StatusBusy).
    ~C_RQ_Xld();

    // Set by the protocol when the server confirms with its restart value; the USB transport
    // clears it from its receive thread once the device is back (hence atomic).
    std::atomic<uint32_t> ApplStartFlg{0};
    C_RQ_Xld* Requester = nullptr;
    T_XLD_CALLBACK ProgressFn = nullptr;
    CProtocol* Protocol = nullptr;
    uint16_t ConstructResult = 0;
};
