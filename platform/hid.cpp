#include "platform/hid.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "platform/hid_hidraw_backend.h"
#include "platform/hid_sim_backend.h"

namespace platform {
namespace {

std::atomic<hid_backend*> g_installed{nullptr};

}  // namespace

hid_backend& hid_current_backend()
{
    if (hid_backend* b = g_installed.load(std::memory_order_acquire))
        return *b;
    static hid_sim_backend sim;
    static hid_hidraw_backend hidraw;
    const char* e = std::getenv("TARVIX_HID_SIM");
    if (e && *e)
        return sim;
    return hidraw;
}

void hid_install_backend(hid_backend* backend) { g_installed.store(backend, std::memory_order_release); }

std::vector<hid_interface_info> hid_find(uint16_t usage_page, uint16_t usage, size_t limit)
{
    std::vector<hid_interface_info> found;
    if (limit == 0)
        return found;
    hid_current_backend().enumerate([&](const hid_interface_info& i) {
        if (i.usage_page == usage_page && i.usage == usage)
            found.push_back(i);
        return found.size() < limit;
    });
    return found;
}

uint32_t hid_error_from_errno(int e)
{
    switch (e) {
    case 0: return hid_error_none;
    case ENOENT:
    case ECONNREFUSED: return hid_error_file_not_found;
    case EACCES:
    case EPERM: return hid_error_access_denied;
    case EBADF: return hid_error_invalid_handle;
    case EINVAL: return hid_error_invalid_parameter;
    case ENODEV:
    case ENXIO:
    case EIO:
    case EPIPE:
    case ECONNRESET:
    case ENOTCONN:
    case ESHUTDOWN: return hid_error_device_not_connected;
    default: return hid_error_gen_failure;
    }
}

}  // namespace platform
