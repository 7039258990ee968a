#include "sim/hid_server.h"

#include "sim/text_number.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/hid.h"
#include "platform/hid_sim_protocol.h"

namespace sim {
namespace {


bool unescape(const std::string& s, std::string& out)
{
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out.push_back(s[i]);
            continue;
        }
        if (i + 2 >= s.size())
            return false;
        if (!std::isxdigit(uint8_t(s[i + 1])) || !std::isxdigit(uint8_t(s[i + 2])))
            return false;
        out.push_back(char(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
        i += 2;
    }
    return true;
}

std::string escape(const std::string& s)
{
    std::string out;
    char buf[4];
    for (unsigned char c : s) {
        if (c <= ' ' || c == ',' || c == '%' || c == '=' || c >= 0x7F) {
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out.push_back(char(c));
        }
    }
    return out;
}

}  // namespace

bool parse_interface(const std::string& text, sim_interface& out, std::string& error)
{
    out = sim_interface{};
    std::istringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (item.empty())
            continue;
        auto eq = item.find('=');
        std::string key = item.substr(0, eq);
        std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
        long v = 0;
        if (key == "noproduct") out.product_readable = false;
        else if (key == "refusewrite") out.refuse_write_open = true;
        else if (key == "decoy") out.device = false;
        else if (key == "product") {
            if (!unescape(value, out.product)) {
                error = "bad escape in " + value;
                return false;
            }
        } else if (!parse_number(value, v) || v < 0 || v > 0xFFFF) {
            error = "bad value in " + item;
            return false;
        } else if (key == "page") out.usage_page = uint16_t(v);
        else if (key == "usage") out.usage = uint16_t(v);
        else if (key == "in") out.input_length = uint16_t(v);
        else if (key == "out") out.output_length = uint16_t(v);
        else {
            error = "unknown key " + key;
            return false;
        }
    }
    return true;
}

std::string format_interface(const sim_interface& i)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "page=0x%04X,usage=%u,in=%u,out=%u", i.usage_page, i.usage, i.input_length,
                  i.output_length);
    std::string s = buf;
    s += ",product=" + escape(i.product);
    if (!i.product_readable)
        s += ",noproduct";
    if (i.refuse_write_open)
        s += ",refusewrite";
    if (!i.device)
        s += ",decoy";
    return s;
}

hid_server::hid_server(event_loop& loop, std::string folder) : loop_(loop), folder_(std::move(folder)), buf_(65536) {}

hid_server::~hid_server()
{
    while (!conns_.empty())
        close_connection(conns_.begin()->first);
    for (size_t i = 0; i < listeners_.size(); ++i)
        close_listener(i);
}

std::string hid_server::path_of(size_t i) const
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%02zu", platform::hid_sim::socket_prefix, i);
    return folder_ + "/" + name;
}

bool hid_server::listen_on(size_t i, std::string& error)
{
    std::string path = path_of(i);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        error = "socket path too long: " + path;
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 128) != 0) {
        error = "cannot listen on " + path + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    listeners_[i] = fd;
    loop_.watch(fd, POLLIN, [this, i](short) { accept_on(i); });
    return true;
}

void hid_server::close_listener(size_t i)
{
    if (listeners_[i] < 0)
        return;
    loop_.unwatch(listeners_[i]);
    ::close(listeners_[i]);
    listeners_[i] = -1;
    ::unlink(path_of(i).c_str());
}

void hid_server::close_connection(int fd)
{
    loop_.unwatch(fd);
    ::close(fd);
    conns_.erase(fd);
}

bool hid_server::set_interfaces(std::vector<sim_interface> list, std::string& error)
{
    while (!conns_.empty())
        close_connection(conns_.begin()->first);
    for (size_t i = 0; i < listeners_.size(); ++i)
        close_listener(i);
    ifaces_ = std::move(list);
    listeners_.assign(ifaces_.size(), -1);
    looks_.assign(ifaces_.size(), 0);
    plugged_ = true;
    for (size_t i = 0; i < ifaces_.size(); ++i)
        if (!listen_on(i, error))
            return false;
    return true;
}

void hid_server::accept_on(size_t i)
{
    for (;;) {
        int fd = ::accept4(listeners_[i], nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            return;
        ++looks_[i];
        conns_[fd] = connection{i};
        loop_.watch(fd, POLLIN, [this, fd](short) { readable(fd); });
    }
}

void hid_server::readable(int fd)
{
    // One message per wake-up: the loop comes back while more wait, and an exchange
    // costs no extra read that finds nothing.
    for (int once = 0; once < 1; ++once) {
        auto it = conns_.find(fd);
        if (it == conns_.end())
            return;
        ssize_t n = ::recv(fd, buf_.data(), buf_.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (n <= 0) {
            close_connection(fd);
            return;
        }
        connection& c = it->second;
        const sim_interface& iface = ifaces_[c.iface];
        if (!c.open) {
            uint8_t access = 0;
            platform::hid_sim::hello h;
            h.usage_page = iface.usage_page;
            h.usage = iface.usage;
            h.input_report_length = iface.input_length;
            h.output_report_length = iface.output_length;
            h.product_readable = iface.product_readable;
            h.product.assign(iface.product.begin(), iface.product.end());
            for (auto& ch : h.product)
                ch = char16_t(uint8_t(ch));
            bool ok = platform::hid_sim::decode_open(buf_.data(), size_t(n), access);
            if (!ok)
                h.open_error = platform::hid_error_invalid_parameter;
            else if (iface.refuse_write_open && (access & uint8_t(platform::hid_access::write)))
                h.open_error = platform::hid_error_access_denied;
            auto msg = platform::hid_sim::encode_hello(h);
            ::send(fd, msg.data(), msg.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (h.open_error) {
                close_connection(fd);
                return;
            }
            c.open = true;
            c.access = access;
            return;
        }
        if ((c.access & uint8_t(platform::hid_access::write)) && iface.device && handler_)
            handler_(c.iface, buf_.data(), size_t(n));
    }
}

size_t hid_server::broadcast(size_t iface, const uint8_t* report, size_t n)
{
    size_t reached = 0;
    std::vector<int> dead;
    for (auto& e : conns_) {
        if (e.second.iface != iface || !e.second.open || !(e.second.access & uint8_t(platform::hid_access::read)))
            continue;
        ssize_t r = ::send(e.first, report, n, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (r >= 0)
            ++reached;
        else if (errno != EAGAIN && errno != EWOULDBLOCK)
            dead.push_back(e.first);
        // A reader that does not read loses reports, as a full HID input queue does.
    }
    for (int fd : dead)
        close_connection(fd);
    return reached;
}

void hid_server::unplug()
{
    std::vector<int> fds;
    for (auto& e : conns_)
        if (ifaces_[e.second.iface].device)
            fds.push_back(e.first);
    for (int fd : fds)
        close_connection(fd);
    for (size_t i = 0; i < ifaces_.size(); ++i)
        if (ifaces_[i].device)
            close_listener(i);
    plugged_ = false;
}

bool hid_server::replug(std::string& error)
{
    for (size_t i = 0; i < ifaces_.size(); ++i)
        if (ifaces_[i].device && listeners_[i] < 0 && !listen_on(i, error))
            return false;
    plugged_ = true;
    return true;
}

uint32_t hid_server::looks(size_t iface) const { return iface < looks_.size() ? looks_[iface] : 0; }

}  // namespace sim
