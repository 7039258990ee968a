#include "flashlink/can_driver.h"

#include <cstdio>

#include "flashlink/fl_results.h"
#include "platform/devices/win_error.h"
#include "platform/os_family.h"

namespace fl_can {
namespace services = platform::services;

const char* const entry_names[entry_count] = {
    "_CANReset@0",     "_CANError@0",   "_CANOpenDevice@12", "_CANCloseDevice@0", "_CANOpenSndObj@16",
    "_CANOpenRcvObj@24", "_CANCloseObj@4", "_CANRcvReady@4",    "_CANRdMsg@20",      "_CANSndReady@4",
    "_CANWrMsg@16",
};

driver_state& state()
{
    static driver_state s;
    return s;
}

const char* library_for(uint32_t kind, bool nt)
{
    switch (kind) {
    case kind_isa:
        return nt ? nullptr : "isacan.DLL";
    case kind_dongle:
        return nt ? "kerncan.DLL" : "portcan.DLL";
    case kind_peak:
        return nt ? "pcanbridge.DLL" : nullptr;
    }
    return nullptr;
}

namespace {
template <typename F>
void bind(F& fn, const char* name)
{
    fn = reinterpret_cast<F>(platform::get_proc_address(state().library, name));
}

void free_current()
{
    driver_state& s = state();
    if (s.library)
        platform::free_library(s.library);
    s.library = nullptr;
    s.api = driver_api{};
}
}  // namespace

int start_kernel_service()
{
    driver_state& s = state();
    if (!s.manager)
        s.manager = services::open_manager();
    if (!s.manager)
        return 1;
    services::sc_handle svc = services::open_service(s.manager, kernel_service);
    if (!svc)
        return 3;
    bool started = services::start_service(svc) ||
                   platform::get_last_error() == platform::win_error::service_already_running;
    services::close_service_handle(svc);
    if (!started)
        return 2;
    s.service = kernel_service;
    return 0;
}

int stop_kernel_service()
{
    driver_state& s = state();
    if (!s.manager)
        return 0;
    int result = 0;
    services::sc_handle svc = services::open_service(s.manager, kernel_service);
    if (!svc) {
        result = 3;
    } else {
        if (!services::stop_service(svc))
            result = 4;
        services::close_service_handle(svc);
    }
    services::close_service_handle(s.manager);
    s.manager = 0;
    s.service.clear();
    return result;
}

uint16_t load_can_driver(uint32_t kind)
{
    // The callers close a driver before they open another; a library still loaded is let go.
    free_current();
    const bool nt = platform::is_nt_family();
    const char* file = library_for(kind, nt);
    if (!file)
        return kind == kind_peak ? fl_result::can_needs_nt : fl_result::can_load;
    if (kind == kind_dongle && nt && start_kernel_service() != 0) {
        stop_kernel_service();
        return fl_result::can_service;
    }
    driver_state& s = state();
    s.library = platform::load_library(file);
    if (!s.library) {
        if (kind == kind_dongle && nt)
            stop_kernel_service();
        return fl_result::can_load;
    }
    driver_api& a = s.api;
    bind(a.reset, entry_names[0]);
    bind(a.error, entry_names[1]);
    bind(a.open_device, entry_names[2]);
    bind(a.close_device, entry_names[3]);
    bind(a.open_snd_obj, entry_names[4]);
    bind(a.open_rcv_obj, entry_names[5]);
    bind(a.close_obj, entry_names[6]);
    bind(a.rcv_ready, entry_names[7]);
    bind(a.rd_msg, entry_names[8]);
    bind(a.snd_ready, entry_names[9]);
    bind(a.wr_msg, entry_names[10]);
    if (!a.reset || !a.error || !a.open_device) {
        unload_can_driver(kind);
        return fl_result::can_entry_point;
    }
    return fl_result::ok;
}

void unload_can_driver(uint32_t kind)
{
    free_current();
    if (kind == kind_dongle)
        stop_kernel_service();
}

namespace {
uint16_t init(uint32_t kind, int16_t baud, int16_t second, uint16_t port, bool report_last_error)
{
    driver_state& s = state();
    s.initialized = 0;
    uint16_t r = load_can_driver(kind);
    if (r != fl_result::ok)
        return r;
    if ((s.api.open_device(baud, second, port) & 0xFF) == 0) {
        if (report_last_error)
            std::printf("\nWindows Last Error: %08X\n", static_cast<unsigned>(platform::get_last_error()));
        unload_can_driver(kind);
        return fl_result::can_entry_point;
    }
    s.initialized = kind;
    return fl_result::ok;
}
}  // namespace

uint16_t DrvInitCANDon(uint16_t baud_index, uint16_t parallel_port)
{
    return init(kind_dongle, static_cast<int16_t>(baud_index), 0, parallel_port, false);
}

uint16_t DrvInitCANPeak(uint16_t baud_index, uint16_t port)
{
    return init(kind_peak, static_cast<int16_t>(baud_index), 0, port, true);
}

uint16_t DrvInitCAN_ISA(uint16_t baud_index, uint16_t interrupt, uint16_t board_address)
{
    return init(kind_isa, static_cast<int16_t>(baud_index), static_cast<int16_t>(interrupt), board_address, false);
}

void DrvCloseCAN()
{
    driver_state& s = state();
    uint32_t kind = s.initialized;
    if (kind != kind_isa && kind != kind_dongle && kind != kind_peak)
        return;
    if (s.api.close_device)
        s.api.close_device();
    unload_can_driver(kind);
    s.initialized = 0;
}

}  // namespace fl_can
