#include "sim/net_namespace.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <linux/if.h>
#include <sched.h>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {
namespace {

// The per-thread view: /proc/self/net shows the namespace of the process's first thread.
const char* const net_dir = "/proc/thread-self/net/";

bool is_own(const std::string& device, const std::vector<std::string>& own)
{
    return device == "lo" || std::find(own.begin(), own.end(), device) != own.end();
}

// The devices a route table of /proc names, one per line in the given column (-1: the last).
std::vector<std::string> route_devices(const std::string& file, int column, bool header)
{
    std::vector<std::string> out;
    std::ifstream in(net_dir + file);
    std::string line;
    if (header)
        std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string x; words >> x;)
            w.push_back(x);
        if (w.empty())
            continue;
        size_t i = column < 0 ? w.size() - 1 : size_t(column);
        if (i < w.size())
            out.push_back(w[i]);
    }
    return out;
}

std::vector<std::string> interfaces()
{
    std::vector<std::string> out;
    std::ifstream in(std::string(net_dir) + "dev");
    std::string line;
    for (int skip = 0; skip < 2 && std::getline(in, line); ++skip) {
    }
    while (std::getline(in, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        name.erase(0, name.find_first_not_of(' '));
        out.push_back(name);
    }
    return out;
}

}  // namespace

bool enter_own_network(std::string& why)
{
    if (::unshare(CLONE_NEWNET) != 0) {
        why = std::string("cannot make a network namespace of its own (needs root): ") + std::strerror(errno);
        return false;
    }
    int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq r{};
    std::strncpy(r.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = sock >= 0 && ::ioctl(sock, SIOCGIFFLAGS, &r) == 0;
    r.ifr_flags = short(r.ifr_flags | IFF_UP);
    up = up && ::ioctl(sock, SIOCSIFFLAGS, &r) == 0;
    int e = errno;
    if (sock >= 0)
        ::close(sock);
    if (!up) {
        why = std::string("cannot bring up lo in the new network namespace: ") + std::strerror(e);
        return false;
    }
    return true;
}

bool network_is_own(const std::vector<std::string>& own, std::string& found)
{
    std::vector<std::string> names = interfaces();
    if (names.empty()) {
        found = std::string("no interface list in ") + net_dir + "dev";
        return false;
    }
    for (const std::string& d : route_devices("route", 0, true))
        if (!is_own(d, own)) {
            found = "an IPv4 route through " + d;
            return false;
        }
    for (const std::string& d : route_devices("ipv6_route", -1, false))
        if (!is_own(d, own)) {
            found = "an IPv6 route through " + d;
            return false;
        }
    int sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (sock < 0) {
        found = std::string("no socket to ask the interfaces: ") + std::strerror(errno);
        return false;
    }
    bool ok = true;
    for (const std::string& name : names) {
        ifreq r{};
        std::strncpy(r.ifr_name, name.c_str(), IFNAMSIZ - 1);
        if (::ioctl(sock, SIOCGIFFLAGS, &r) == 0 && (r.ifr_flags & IFF_UP) && !is_own(name, own)) {
            found = "the interface " + name + ", up";
            ok = false;
            break;
        }
    }
    ::close(sock);
    return ok;
}

}  // namespace sim
