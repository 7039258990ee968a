#include "platform/devices/pcan_slot.h"

#include <mutex>

#include "platform/devices/sim_hardware.h"

namespace platform::pcan {
namespace {
std::mutex g_m;
std::shared_ptr<adapter> g_adapter;
}  // namespace

adapter::~adapter() = default;

void install(std::shared_ptr<adapter> a)
{
    std::lock_guard<std::mutex> lock(g_m);
    g_adapter = std::move(a);
}

std::shared_ptr<adapter> current()
{
    {
        std::lock_guard<std::mutex> lock(g_m);
        if (g_adapter)
            return g_adapter;
    }
    sim_hardware::attach();
    std::lock_guard<std::mutex> lock(g_m);
    return g_adapter;
}

}  // namespace platform::pcan
