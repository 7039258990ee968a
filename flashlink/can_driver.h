// The CAN driver library in use: loaded at run time by driver kind and Windows family, bound by the
// names of the common CAN driver interface, and the functions that open and close the adapter
// through it. One library at a time, for the whole process (the libraries keep module state).
#pragma once
#include <cstdint>
#include <string>

#include "candrv/candrv.h"
#include "platform/devices/services.h"
#include "platform/dynlib.h"

namespace fl_can {

// Driver kinds: which adapter, and with it which library.
constexpr uint32_t kind_isa = 1;     // ISA CAN board: isacan, not on NT-based Windows
constexpr uint32_t kind_dongle = 2;  // parallel-port dongle: kerncan behind CANKDRV on NT, else portcan
constexpr uint32_t kind_peak = 6;    // PEAK adapter: pcanbridge, NT-based Windows only

constexpr const char* kernel_service = "CANKDRV";

// The entry points in the order of the names below; the first three are mandatory.
struct driver_api {
    CANReset_fn reset;
    CANError_fn error;
    CANOpenDevice_fn open_device;
    CANCloseDevice_fn close_device;
    CANOpenSndObj_fn open_snd_obj;
    CANOpenRcvObj_fn open_rcv_obj;
    CANCloseObj_fn close_obj;
    CANRcvReady_fn rcv_ready;
    CANRdMsg_fn rd_msg;
    CANSndReady_fn snd_ready;
    CANWrMsg_fn wr_msg;
};
constexpr int entry_count = 11;
extern const char* const entry_names[entry_count];

struct driver_state {
    platform::library_handle library = nullptr;
    driver_api api{};
    platform::services::sc_handle manager = 0;  // kept from the service start for the stop
    std::string service;
    uint32_t initialized = 0;  // the kind whose adapter is open, 0 = none
};
driver_state& state();

// The library file of a kind on this family, or null when the kind is not allowed here.
const char* library_for(uint32_t kind, bool nt_family);

// 0, 0xA003 (no such library, kind not allowed here), 0xA005 (mandatory entry point missing),
// 0xA006 (the kernel driver's service did not start), 0xA007 (PEAK adapter without NT).
uint16_t load_can_driver(uint32_t kind);
// Frees the library; for the dongle also stops the kernel driver's service when it was started.
void unload_can_driver(uint32_t kind);
// 0 started (or already running), 1 no service manager, 2 start refused, 3 no such service.
int start_kernel_service();
// 0 stopped, 3 no such service, 4 stop refused.
int stop_kernel_service();

// Open the adapter: 0 or a result code; on success the kind is the one initialised.
uint16_t DrvInitCANDon(uint16_t baud_index, uint16_t parallel_port);
uint16_t DrvInitCANPeak(uint16_t baud_index, uint16_t port);
uint16_t DrvInitCAN_ISA(uint16_t baud_index, uint16_t interrupt, uint16_t board_address);
void DrvCloseCAN();

}  // namespace fl_can
