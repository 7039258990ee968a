#include "platform/dynlib.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cctype>
#include <mutex>
#include <vector>

namespace platform {
namespace {

std::mutex g_m;
std::string g_test_dir;
thread_local std::string t_error;

std::string dir_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

int find_flashlink(dl_phdr_info* info, size_t, void* out)
{
    std::string name = info->dlpi_name ? info->dlpi_name : "";
    size_t slash = name.rfind('/');
    if (name.compare(slash == std::string::npos ? 0 : slash + 1, std::string::npos, "libflashlink.so") == 0) {
        *static_cast<std::string*>(out) = dir_of(name);
        return 1;
    }
    return 0;
}

std::string program_dir()
{
    std::vector<char> buf(4096);
    ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
    return n > 0 ? dir_of(std::string(buf.data(), static_cast<size_t>(n))) : std::string();
}

}  // namespace

std::string shared_object_name(const std::string& dll_name)
{
    std::string base = dll_name;
    size_t slash = base.find_last_of("/\\");
    if (slash != std::string::npos)
        base = base.substr(slash + 1);
    if (base.size() > 4) {
        std::string ext = base.substr(base.size() - 4);
        for (char& c : ext)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (ext == ".DLL")
            return "lib" + base.substr(0, base.size() - 4) + ".so";
    }
    return base;
}

std::string undecorated_name(const std::string& name)
{
    size_t at = name.rfind('@');
    if (name.size() < 2 || name[0] != '_' || at == std::string::npos || at + 1 == name.size())
        return name;
    for (size_t i = at + 1; i < name.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(name[i])))
            return name;
    return name.substr(1, at - 1);
}

void set_library_dir(const std::string& dir)
{
    std::lock_guard<std::mutex> lock(g_m);
    g_test_dir = dir;
}

library_handle load_library(const char* dll_name)
{
    std::string file = shared_object_name(dll_name ? dll_name : "");
    if (file.empty()) {
        t_error = "no library name";
        return nullptr;
    }
    std::vector<std::string> dirs;
    {
        std::lock_guard<std::mutex> lock(g_m);
        if (!g_test_dir.empty())
            dirs.push_back(g_test_dir);
    }
    const bool only_test_dir = !dirs.empty();
    if (!only_test_dir) {
        std::string flashlink_dir;
        dl_iterate_phdr(&find_flashlink, &flashlink_dir);
        if (!flashlink_dir.empty())
            dirs.push_back(flashlink_dir);
        dirs.push_back(program_dir());
    }
    t_error.clear();
    for (const std::string& d : dirs) {
        if (d.empty())
            continue;
        std::string path = d + "/" + file;
        if (access(path.c_str(), F_OK) != 0)
            continue;
        // A file that is there but does not load is the answer: no fall-through to another copy.
        void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!h)
            t_error = dlerror();
        return h;
    }
    if (only_test_dir) {
        t_error = file + ": not in " + dirs[0];
        return nullptr;
    }
    void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h)
        t_error = dlerror();
    return h;
}

void* get_proc_address(library_handle lib, const char* name)
{
    if (!lib || !name)
        return nullptr;
    return dlsym(lib, undecorated_name(name).c_str());
}

bool free_library(library_handle lib)
{
    return lib && dlclose(lib) == 0;
}

std::string last_load_error() { return t_error; }

}  // namespace platform
