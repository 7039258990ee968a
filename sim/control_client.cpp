#include "sim/control_client.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace sim {

control_client::~control_client()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool control_client::connect(const std::string& folder, std::string& error)
{
    std::string path = folder + "/control";
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        error = "path too long";
        return false;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = std::string("cannot connect to ") + path + ": " + std::strerror(errno);
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
    buffer_.clear();
    return true;
}

bool control_client::read_line(std::string& line)
{
    for (;;) {
        size_t nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            line = buffer_.substr(0, nl);
            buffer_.erase(0, nl + 1);
            return true;
        }
        char buf[65536];
        ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        buffer_.append(buf, size_t(n));
    }
}

bool control_client::command(const std::string& line, std::string* result, std::vector<std::string>* data)
{
    if (fd_ < 0)
        return false;
    std::string msg = line + "\n";
    size_t off = 0;
    while (off < msg.size()) {
        ssize_t w = ::send(fd_, msg.data() + off, msg.size() - off, MSG_NOSIGNAL);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        off += size_t(w);
    }
    std::string reply;
    while (read_line(reply)) {
        if (reply == "ok" || reply.rfind("ok ", 0) == 0) {
            if (result)
                *result = reply.size() > 3 ? reply.substr(3) : "";
            return true;
        }
        if (reply.rfind("error", 0) == 0) {
            if (result)
                *result = reply.size() > 6 ? reply.substr(6) : "";
            return false;
        }
        if (data)
            data->push_back(reply);
    }
    return false;
}

bool control_client::set_status(size_t offset, const std::vector<uint8_t>& bytes)
{
    std::string line = "status " + std::to_string(offset);
    for (uint8_t b : bytes)
        line += " " + std::to_string(b);
    return command(line);
}

bool control_client::parameter(uint16_t n, int32_t& v)
{
    std::string r;
    if (!command("param " + std::to_string(n), &r))
        return false;
    v = int32_t(std::stol(r));
    return true;
}

bool control_client::unplug(int32_t replug_after_ms)
{
    return command(replug_after_ms >= 0 ? "unplug " + std::to_string(replug_after_ms) : "unplug");
}

bool control_client::set_interfaces(const std::vector<sim_interface>& list)
{
    std::string line = "interfaces";
    for (const auto& i : list)
        line += " " + format_interface(i);
    return command(line);
}

uint32_t control_client::looks(size_t iface)
{
    std::string r;
    return command("looks " + std::to_string(iface), &r) ? uint32_t(std::stoul(r)) : 0;
}

std::vector<wire_entry> control_client::wire_log(uint64_t from_seq)
{
    std::vector<std::string> lines;
    std::vector<wire_entry> out;
    if (!command("log " + std::to_string(from_seq), nullptr, &lines))
        return out;
    for (const auto& l : lines) {
        wire_entry e;
        if (sim::wire_log::parse(l, e))
            out.push_back(std::move(e));
    }
    return out;
}

uint64_t control_client::log_next_seq()
{
    std::string r;
    return command("log-next", &r) ? std::stoull(r) : 0;
}

std::string control_client::counters()
{
    std::string r;
    command("counters", &r);
    return r;
}

}  // namespace sim
