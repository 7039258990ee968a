#include "platform/hid_sim_backend.h"

#include "platform/hid_fd_read.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/hid_sim_protocol.h"

namespace platform {
namespace {

// The server answers an open at once; this only bounds a wedged server.
constexpr int hello_wait_ms = 5000;

class sim_device final : public hid_device {
public:
    sim_device(int fd, hid_wake_event wake, hid_interface_info info, hid_sim::hello h)
        : fd_(fd), wake_(std::move(wake)), info_(std::move(info)), hello_(std::move(h))
    {
        pending_.reserve(info_.output_report_length + 2u);
    }
    ~sim_device() override
    {
        ::close(fd_);
    }

    const hid_interface_info& info() const override { return info_; }

    bool product_string(std::string& out, uint32_t& error) override
    {
        if (!hello_.product_readable) {
            error = hid_error_gen_failure;
            return false;
        }
        out.clear();
        for (char16_t c : hello_.product) {
            if (c == 0)
                break;
            out.push_back(char(uint8_t(c)));
        }
        return true;
    }

    hid_io_result start_write(const uint8_t* report, size_t length) override
    {
        sent_ = false;
        pending_.assign(report, report + length);
        ssize_t n = ::send(fd_, report, length, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0) {
            // A socket write finishes at once; a HID write on Windows goes pending and
            // completes later, so report it the same way and complete on the next step.
            sent_ = true;
            sent_count_ = uint32_t(n);
            return {hid_io_state::pending, 0, 0};
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return {hid_io_state::pending, 0, 0};
        pending_.clear();
        return {hid_io_state::failed, 0, hid_error_from_errno(errno)};
    }

    hid_io_result poll_write(uint32_t timeout_ms) override
    {
        if (sent_) {
            sent_ = false;
            pending_.clear();
            return {hid_io_state::done, sent_count_, 0};
        }
        if (pending_.empty())
            return {hid_io_state::done, 0, 0};
        pollfd p{fd_, POLLOUT, 0};
        int r = ::poll(&p, 1, int(std::min<uint32_t>(timeout_ms, 1u << 30)));
        if (r == 0)
            return {hid_io_state::pending, 0, 0};
        ssize_t n = ::send(fd_, pending_.data(), pending_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0) {
            pending_.clear();
            return {hid_io_state::done, uint32_t(n), 0};
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
            return {hid_io_state::pending, 0, 0};
        pending_.clear();
        return {hid_io_state::failed, 0, hid_error_from_errno(errno)};
    }

    void cancel_write() override
    {
        sent_ = false;
        pending_.clear();
    }

    hid_io_result read(uint8_t* buffer, size_t capacity, int32_t timeout_ms) override
    {
        for (;;) {
            if (auto ended = hid_wait_for_input(fd_, wake_.fd(), timeout_ms))
                return *ended;
            ssize_t n = ::recv(fd_, buffer, capacity, MSG_DONTWAIT | MSG_TRUNC);
            if (n > 0)
                return {hid_io_state::done, uint32_t(n), 0};
            if (n == 0)  // the server closed the connection: the device is gone
                return {hid_io_state::failed, 0, hid_error_device_not_connected};
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                continue;
            return {hid_io_state::failed, 0, hid_error_from_errno(errno)};
        }
    }

    void interrupt() override { wake_.signal(); }

private:
    int fd_;
    hid_wake_event wake_;
    hid_interface_info info_;
    hid_sim::hello hello_;
    std::vector<uint8_t> pending_;
    bool sent_ = false;
    uint32_t sent_count_ = 0;
};

// Connects and exchanges the open request and the hello; -1 with an error number on failure.
int connect_and_greet(const std::string& path, hid_access access, hid_sim::hello& h, uint32_t& error)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        error = hid_error_file_not_found;
        return -1;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = hid_error_from_errno(errno);
        return -1;
    }
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = hid_error_from_errno(errno);
        ::close(fd);
        return -1;
    }
    auto req = hid_sim::encode_open(uint8_t(access));
    uint8_t buf[512];
    pollfd p{fd, POLLIN, 0};
    if (::send(fd, req.data(), req.size(), MSG_NOSIGNAL) != ssize_t(req.size()) || ::poll(&p, 1, hello_wait_ms) != 1) {
        error = hid_error_device_not_connected;
        ::close(fd);
        return -1;
    }
    ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0 || !hid_sim::decode_hello(buf, size_t(n), h)) {
        error = n < 0 ? hid_error_from_errno(errno) : hid_error_device_not_connected;
        ::close(fd);
        return -1;
    }
    if (h.open_error != 0) {
        error = h.open_error;
        ::close(fd);
        return -1;
    }
    return fd;
}

hid_interface_info info_from(const std::string& path, const hid_sim::hello& h)
{
    hid_interface_info i;
    i.path = path;
    i.usage_page = h.usage_page;
    i.usage = h.usage;
    i.input_report_length = h.input_report_length;
    i.output_report_length = h.output_report_length;
    return i;
}

}  // namespace

std::string hid_sim_backend::folder() const
{
    if (!folder_.empty())
        return folder_;
    const char* e = std::getenv("TARVIX_HID_SIM");
    return e ? e : "";
}

void hid_sim_backend::enumerate(const std::function<bool(const hid_interface_info&)>& visit)
{
    std::string dir = folder();
    if (dir.empty())
        return;
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (std::strncmp(e->d_name, hid_sim::socket_prefix, std::strlen(hid_sim::socket_prefix)) == 0)
                names.emplace_back(e->d_name);
        }
        ::closedir(d);
    }
    std::sort(names.begin(), names.end());
    for (const auto& n : names) {
        std::string path = dir + "/" + n;
        hid_sim::hello h;
        uint32_t err = 0;
        int fd = connect_and_greet(path, hid_access::query, h, err);
        if (fd < 0)
            continue;  // gone between the listing and the look, or not a device
        ::close(fd);
        if (!visit(info_from(path, h)))
            return;
    }
}

std::unique_ptr<hid_device> hid_sim_backend::open(const std::string& path, hid_access access, uint32_t& error)
{
    error = 0;
    hid_sim::hello h;
    hid_wake_event wake;
    if (!wake.valid()) {
        error = hid_error_from_errno(errno);
        return nullptr;
    }
    int fd = connect_and_greet(path, access, h, error);
    if (fd < 0)
        return nullptr;
    return std::make_unique<sim_device>(fd, std::move(wake), info_from(path, h), std::move(h));
}

}  // namespace platform
