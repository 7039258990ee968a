#include "sim/control_server.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace sim {

control_server::control_server(event_loop& loop, simulator& sim, std::string path)
    : loop_(loop), sim_(sim), path_(std::move(path))
{
}

control_server::~control_server()
{
    while (!clients_.empty())
        close_client(clients_.begin()->first);
    if (listener_ >= 0) {
        loop_.unwatch(listener_);
        ::close(listener_);
        ::unlink(path_.c_str());
    }
}

bool control_server::start(std::string& error)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path_.size() >= sizeof addr.sun_path) {
        error = "control path too long";
        return false;
    }
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    ::unlink(path_.c_str());
    listener_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 16) != 0) {
        error = std::string("cannot listen on control socket: ") + std::strerror(errno);
        return false;
    }
    loop_.watch(listener_, POLLIN, [this](short) { accept_one(); });
    return true;
}

namespace {
constexpr size_t max_line_bytes = 64 * 1024;
}  // namespace

void control_server::accept_one()
{
    for (;;) {
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        clients_[fd] = {};
        loop_.watch(fd, POLLIN, [this, fd](short) { readable(fd); });
    }
}

void control_server::close_client(int fd)
{
    loop_.unwatch(fd);
    ::close(fd);
    clients_.erase(fd);
}

void control_server::readable(int fd)
{
    char buf[4096];
    ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return;
    if (n <= 0) {
        close_client(fd);
        return;
    }
    std::string& pending = clients_[fd];
    pending.append(buf, size_t(n));
    size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
        std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string response;
        for (const auto& l : sim_.control(line))
            response += l + "\n";
        // The client waits for the whole response; a blocking write keeps it simple.
        size_t off = 0;
        while (off < response.size()) {
            ssize_t w = ::send(fd, response.data() + off, response.size() - off, MSG_NOSIGNAL);
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                close_client(fd);
                return;
            }
            off += size_t(w);
        }
        if (clients_.find(fd) == clients_.end())
            return;
    }
    // A line longer than any command is no command: the client goes rather than the memory.
    if (pending.size() > max_line_bytes)
        close_client(fd);
}

}  // namespace sim
