#include "platform/hid_hidraw_backend.h"

#include "platform/hid_fd_read.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <poll.h>
#include <unistd.h>

namespace platform {

hid_descriptor_caps hid_parse_report_descriptor(const uint8_t* d, size_t n)
{
    struct globals {
        uint32_t usage_page = 0, report_size = 0, report_count = 0, report_id = 0;
    };
    hid_descriptor_caps caps;
    globals g;
    std::vector<globals> stack;
    uint32_t first_usage = 0;
    bool have_usage = false;
    int depth = 0;
    std::map<uint32_t, uint64_t> in_bits, out_bits;
    size_t i = 0;
    while (i < n) {
        uint8_t prefix = d[i];
        if (prefix == 0xFE) {  // long item: data size in the next byte, never used here
            if (i + 1 >= n)
                break;
            i += 3 + size_t(d[i + 1]);
            continue;
        }
        size_t size = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (i + 1 + size > n)
            break;
        uint32_t v = 0;
        for (size_t k = 0; k < size; ++k)
            v |= uint32_t(d[i + 1 + k]) << (8 * k);
        int type = (prefix >> 2) & 3, tag = prefix >> 4;
        if (type == 1) {  // global
            switch (tag) {
            case 0: g.usage_page = v; break;
            case 7: g.report_size = v; break;
            case 8: g.report_id = v; caps.numbered_reports = true; break;
            case 9: g.report_count = v; break;
            case 10: stack.push_back(g); break;
            case 11: if (!stack.empty()) { g = stack.back(); stack.pop_back(); } break;
            default: break;
            }
        } else if (type == 2) {  // local
            if (tag == 0 && !have_usage && depth == 0) {
                first_usage = size == 4 ? v : ((g.usage_page << 16) | v);
                have_usage = true;
            }
        } else if (type == 0) {  // main
            uint64_t bits = uint64_t(g.report_size) * g.report_count;
            if (tag == 8)
                in_bits[g.report_id] += bits;
            else if (tag == 9)
                out_bits[g.report_id] += bits;
            else if (tag == 10) {
                if (depth == 0 && have_usage && !caps.valid) {
                    caps.usage_page = uint16_t(first_usage >> 16);
                    caps.usage = uint16_t(first_usage);
                    caps.valid = true;
                }
                ++depth;
            } else if (tag == 12 && depth > 0)
                --depth;
            if (depth == 0 && tag != 10)
                have_usage = false;
        }
        i += 1 + size;
    }
    auto longest = [](const std::map<uint32_t, uint64_t>& m) -> uint16_t {
        uint64_t best = 0;
        for (const auto& e : m)
            best = std::max(best, e.second);
        if (best == 0)
            return 0;
        return uint16_t(std::min<uint64_t>((best + 7) / 8 + 1, 0xFFFF));
    };
    caps.input_report_length = longest(in_bits);
    caps.output_report_length = longest(out_bits);
    return caps;
}

namespace {

bool read_file(const std::string& path, std::vector<uint8_t>& out)
{
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return false;
    out.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    return true;
}

std::string base_name(const std::string& path)
{
    auto p = path.find_last_of('/');
    return p == std::string::npos ? path : path.substr(p + 1);
}

class hidraw_device final : public hid_device {
public:
    hidraw_device(int fd, hid_wake_event wake, hid_interface_info info, std::string product, bool product_ok,
                  bool numbered)
        : fd_(fd), wake_(std::move(wake)), info_(std::move(info)),
          product_(std::move(product)), product_ok_(product_ok), numbered_(numbered)
    {
    }
    ~hidraw_device() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    const hid_interface_info& info() const override { return info_; }
    bool product_string(std::string& out, uint32_t& error) override
    {
        if (!product_ok_) {
            error = hid_error_gen_failure;
            return false;
        }
        out = product_;
        return true;
    }
    hid_io_result start_write(const uint8_t* report, size_t length) override
    {
        pending_.assign(report, report + length);
        done_ = false;
        return step();
    }
    hid_io_result poll_write(uint32_t timeout_ms) override
    {
        if (done_) {
            done_ = false;
            pending_.clear();
            return {hid_io_state::done, count_, 0};
        }
        if (pending_.empty())
            return {hid_io_state::done, 0, 0};
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, int(std::min<uint32_t>(timeout_ms, 1u << 30))) == 0)
            return {hid_io_state::pending, 0, 0};
        hid_io_result r = step();
        if (r.state == hid_io_state::pending && done_) {
            done_ = false;
            pending_.clear();
            return {hid_io_state::done, count_, 0};
        }
        return r;
    }
    void cancel_write() override
    {
        pending_.clear();
        done_ = false;
    }
    hid_io_result read(uint8_t* buffer, size_t capacity, int32_t timeout_ms) override
    {
        for (;;) {
            if (auto ended = hid_wait_for_input(fd_, wake_.fd(), timeout_ms))
                return *ended;
            if (capacity == 0)
                return {hid_io_state::failed, 0, hid_error_invalid_parameter, hid_io_stage::start};
            // Without report IDs hidraw leaves out the ID byte; Windows puts a 0 there.
            size_t skip = numbered_ ? 0 : 1;
            ssize_t n = ::read(fd_, buffer + skip, capacity - skip);
            if (n > 0) {
                if (skip)
                    buffer[0] = 0;
                return {hid_io_state::done, uint32_t(n) + uint32_t(skip), 0};
            }
            if (n == 0)
                return {hid_io_state::failed, 0, hid_error_device_not_connected};
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return {hid_io_state::failed, 0, hid_error_from_errno(errno)};
        }
    }
    void interrupt() override { wake_.signal(); }

private:
    hid_io_result step()
    {
        ssize_t n = ::write(fd_, pending_.data(), pending_.size());
        if (n >= 0) {
            done_ = true;
            count_ = uint32_t(n);
            return {hid_io_state::pending, 0, 0};
        }
        if (errno == EAGAIN)
            return {hid_io_state::pending, 0, 0};
        pending_.clear();
        return {hid_io_state::failed, 0, hid_error_from_errno(errno)};
    }

    int fd_;
    hid_wake_event wake_;
    hid_interface_info info_;
    std::string product_;
    bool product_ok_;
    bool numbered_;
    std::vector<uint8_t> pending_;
    bool done_ = false;
    uint32_t count_ = 0;
};

}  // namespace

bool hid_hidraw_backend::caps_of(const std::string& name, hid_descriptor_caps& out) const
{
    std::vector<uint8_t> desc;
    if (!read_file(class_root_ + "/" + name + "/device/report_descriptor", desc))
        return false;
    out = hid_parse_report_descriptor(desc.data(), desc.size());
    return out.valid;
}

bool hid_hidraw_backend::product_of(const std::string& name, std::string& out) const
{
    char resolved[PATH_MAX];
    if (!::realpath((class_root_ + "/" + name + "/device").c_str(), resolved))
        return false;
    std::string dir = resolved;
    // The HID device sits below its USB interface, which sits below the USB device that
    // carries the product attribute.
    for (int up = 0; up < 8 && dir.size() > 1; ++up) {
        std::vector<uint8_t> text;
        if (read_file(dir + "/product", text)) {
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                text.pop_back();
            // sysfs gives UTF-8; keep the low byte of each character, as the narrowing does.
            out.clear();
            for (size_t i = 0; i < text.size();) {
                uint32_t c = text[i];
                size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
                if (len > 1) {
                    c &= 0x3F >> (len - 1);
                    for (size_t k = 1; k < len && i + k < text.size(); ++k)
                        c = (c << 6) | (text[i + k] & 0x3F);
                }
                out.push_back(char(uint8_t(c)));
                i += len;
            }
            return true;
        }
        dir = dir.substr(0, dir.find_last_of('/'));
    }
    return false;
}

void hid_hidraw_backend::enumerate(const std::function<bool(const hid_interface_info&)>& visit)
{
    std::vector<std::string> names;
    if (DIR* d = ::opendir(class_root_.c_str())) {
        while (dirent* e = ::readdir(d))
            if (std::strncmp(e->d_name, "hidraw", 6) == 0)
                names.emplace_back(e->d_name);
        ::closedir(d);
    }
    // hidraw2 before hidraw10
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const auto& n : names) {
        hid_descriptor_caps caps;
        if (!caps_of(n, caps))
            continue;
        hid_interface_info i{dev_root_ + "/" + n, caps.usage_page, caps.usage, caps.input_report_length,
                             caps.output_report_length};
        if (!visit(i))
            return;
    }
}

std::unique_ptr<hid_device> hid_hidraw_backend::open(const std::string& path, hid_access access, uint32_t& error)
{
    error = 0;
    std::string name = base_name(path);
    hid_descriptor_caps caps;
    if (!caps_of(name, caps)) {
        error = hid_error_file_not_found;
        return nullptr;
    }
    hid_wake_event wake;
    if (!wake.valid()) {
        error = hid_error_from_errno(errno);
        return nullptr;
    }
    // Capabilities and the product string come from sysfs: a query opens no node.
    int fd = -1;
    if (access != hid_access::query) {
        int flags = O_CLOEXEC | O_NONBLOCK;
        flags |= access == hid_access::write ? O_WRONLY : access == hid_access::read ? O_RDONLY : O_RDWR;
        fd = ::open(path.c_str(), flags);
    }
    if (fd < 0 && access != hid_access::query) {
        error = hid_error_from_errno(errno);
        return nullptr;
    }
    std::string product;
    bool ok = product_of(name, product);
    hid_interface_info i{path, caps.usage_page, caps.usage, caps.input_report_length, caps.output_report_length};
    return std::make_unique<hidraw_device>(fd, std::move(wake), i, product, ok, caps.numbered_reports);
}

}  // namespace platform
