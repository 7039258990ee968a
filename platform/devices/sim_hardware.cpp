#include "platform/devices/sim_hardware.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform::sim_hardware {
namespace {

const char* const variables[] = {"TARVIX_SIM_PORTIO", "TARVIX_SIM_CANKDRV", "TARVIX_SIM_PCAN"};

void anchor() {}

std::mutex g_m;
bool g_attached = false;

}  // namespace

bool configured()
{
    for (const char* v : variables) {
        const char* s = std::getenv(v);
        if (s && *s)
            return true;
    }
    return false;
}

std::string library_path()
{
    Dl_info info{};
    std::string dir = ".";
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) && info.dli_fname) {
        std::string self = info.dli_fname;
        size_t slash = self.rfind('/');
        if (slash != std::string::npos)
            dir = self.substr(0, slash);
    }
    return dir + "/libtarvix_simhw.so";
}

bool attach()
{
    std::lock_guard<std::mutex> lock(g_m);
    if (g_attached)
        return true;
    if (!configured())
        return false;
    std::string path = library_path();
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "simulated hardware: %s\n", dlerror());
        return false;
    }
    auto entry = reinterpret_cast<void (*)()>(dlsym(lib, "tarvix_simhw_attach"));
    if (!entry) {
        dlclose(lib);
        return false;
    }
    // The library stays loaded for the life of the process: the models it attached are in use.
    g_attached = true;
    entry();
    return true;
}

}  // namespace platform::sim_hardware
