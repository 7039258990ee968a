#include "platform/hid_fake.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <utility>

#include "platform/clock.h"

namespace platform {

struct reader_queue {
    std::deque<std::vector<uint8_t>> reports;
    std::deque<std::pair<uint32_t, hid_io_stage>> errors;
    bool unplugged = false;
    bool woken = false;
};

struct hid_fake_backend::shared {
    mutable std::mutex m;
    std::condition_variable cv;
    struct iface {
        interface_spec spec;
        bool present = true;
        int looks = 0;
    };
    std::vector<iface> ifaces;
    std::map<std::string, std::vector<std::shared_ptr<reader_queue>>> readers;
    write_mode mode = write_mode::pending;
    uint32_t write_error = hid_error_gen_failure;
    std::vector<std::vector<uint8_t>> writes;
    std::function<void(const std::vector<uint8_t>&)> on_write;
    int open_devices = 0;

    static size_t index_of(const std::string& path) { return std::stoul(path.substr(5)); }
    hid_interface_info info(size_t i) const
    {
        const auto& s = ifaces[i].spec;
        return {"fake:" + std::to_string(i), s.usage_page, s.usage, s.input_report_length, s.output_report_length};
    }
};

namespace {

class fake_device final : public hid_device {
public:
    fake_device(std::shared_ptr<hid_fake_backend::shared> s, hid_interface_info info, std::string product,
                bool readable, std::shared_ptr<reader_queue> q)
        : s_(std::move(s)), info_(std::move(info)), product_(std::move(product)), readable_(readable), q_(std::move(q))
    {
    }
    ~fake_device() override
    {
        std::lock_guard<std::mutex> l(s_->m);
        --s_->open_devices;
        if (q_) {
            auto& v = s_->readers[info_.path];
            for (auto it = v.begin(); it != v.end(); ++it)
                if (*it == q_) {
                    v.erase(it);
                    break;
                }
        }
    }
    const hid_interface_info& info() const override { return info_; }
    bool product_string(std::string& out, uint32_t& error) override
    {
        if (!readable_) {
            error = hid_error_gen_failure;
            return false;
        }
        out = product_;
        return true;
    }
    hid_io_result start_write(const uint8_t* report, size_t length) override
    {
        std::unique_lock<std::mutex> l(s_->m);
        last_.assign(report, report + length);
        mode_ = s_->mode;
        switch (mode_) {
        case hid_fake_backend::write_mode::fail:
            return {hid_io_state::failed, 0, s_->write_error};
        case hid_fake_backend::write_mode::immediate:
        case hid_fake_backend::write_mode::short_immediate: {
            uint32_t n = uint32_t(length) - (mode_ == hid_fake_backend::write_mode::short_immediate ? 1 : 0);
            deliver(l);
            return {hid_io_state::done, n, 0};
        }
        default:
            pending_ = true;
            return {hid_io_state::pending, 0, 0};
        }
    }
    hid_io_result poll_write(uint32_t timeout_ms) override
    {
        if (!pending_)
            return {hid_io_state::done, 0, 0};
        std::unique_lock<std::mutex> l(s_->m);
        if (mode_ == hid_fake_backend::write_mode::stall) {
            l.unlock();
            platform::sleep_ms(timeout_ms);  // the clock seam lets tests pass time at once
            return {hid_io_state::pending, 0, 0};
        }
        pending_ = false;
        uint32_t n = uint32_t(last_.size()) - (mode_ == hid_fake_backend::write_mode::short_pending ? 1 : 0);
        deliver(l);
        return {hid_io_state::done, n, 0};
    }
    void cancel_write() override { pending_ = false; }
    hid_io_result read(uint8_t* buffer, size_t capacity, int32_t timeout_ms) override
    {
        if (!q_)
            return {hid_io_state::failed, 0, hid_error_access_denied, hid_io_stage::start};
        std::unique_lock<std::mutex> l(s_->m);
        auto ready = [&] { return q_->woken || q_->unplugged || !q_->errors.empty() || !q_->reports.empty(); };
        if (timeout_ms < 0)
            s_->cv.wait(l, ready);
        else if (!s_->cv.wait_for(l, std::chrono::milliseconds(timeout_ms), ready))
            return {hid_io_state::timed_out, 0, 0};
        if (q_->woken) {
            q_->woken = false;
            return {hid_io_state::stopped, 0, 0};
        }
        if (!q_->errors.empty()) {
            auto e = q_->errors.front();
            q_->errors.pop_front();
            return {hid_io_state::failed, 0, e.first, e.second};
        }
        if (!q_->reports.empty()) {
            auto r = std::move(q_->reports.front());
            q_->reports.pop_front();
            size_t n = std::min(r.size(), capacity);
            std::copy(r.begin(), r.begin() + long(n), buffer);
            s_->cv.notify_all();
            return {hid_io_state::done, uint32_t(r.size()), 0};
        }
        return {hid_io_state::failed, 0, hid_error_device_not_connected};
    }
    void interrupt() override
    {
        std::lock_guard<std::mutex> l(s_->m);
        if (q_)
            q_->woken = true;
        s_->cv.notify_all();
    }

private:
    void deliver(std::unique_lock<std::mutex>& l)
    {
        s_->writes.push_back(last_);
        auto f = s_->on_write;
        auto copy = last_;
        l.unlock();
        if (f)
            f(copy);
    }

    std::shared_ptr<hid_fake_backend::shared> s_;
    hid_interface_info info_;
    std::string product_;
    bool readable_;
    std::shared_ptr<reader_queue> q_;
    std::vector<uint8_t> last_;
    bool pending_ = false;
    hid_fake_backend::write_mode mode_ = hid_fake_backend::write_mode::pending;
};

}  // namespace

hid_fake_backend::hid_fake_backend() : s_(std::make_shared<shared>()) {}
hid_fake_backend::~hid_fake_backend() = default;

std::string hid_fake_backend::add(const interface_spec& spec)
{
    std::lock_guard<std::mutex> l(s_->m);
    s_->ifaces.push_back({spec, true, 0});
    return "fake:" + std::to_string(s_->ifaces.size() - 1);
}

void hid_fake_backend::unplug(const std::string& path)
{
    std::lock_guard<std::mutex> l(s_->m);
    s_->ifaces.at(shared::index_of(path)).present = false;
    for (auto& q : s_->readers[path])
        q->unplugged = true;
    s_->cv.notify_all();
}

void hid_fake_backend::replug(const std::string& path)
{
    std::lock_guard<std::mutex> l(s_->m);
    s_->ifaces.at(shared::index_of(path)).present = true;
}

void hid_fake_backend::set_write_mode(write_mode m, uint32_t error)
{
    std::lock_guard<std::mutex> l(s_->m);
    s_->mode = m;
    s_->write_error = error;
}

std::vector<std::vector<uint8_t>> hid_fake_backend::writes() const
{
    std::lock_guard<std::mutex> l(s_->m);
    return s_->writes;
}

void hid_fake_backend::on_write(std::function<void(const std::vector<uint8_t>&)> f)
{
    std::lock_guard<std::mutex> l(s_->m);
    s_->on_write = std::move(f);
}

void hid_fake_backend::push_report(std::vector<uint8_t> report, const std::string& path)
{
    std::lock_guard<std::mutex> l(s_->m);
    for (auto& q : s_->readers[path])
        q->reports.push_back(report);
    s_->cv.notify_all();
}

void hid_fake_backend::push_read_error(uint32_t error, const std::string& path, hid_io_stage stage)
{
    std::lock_guard<std::mutex> l(s_->m);
    for (auto& q : s_->readers[path])
        q->errors.emplace_back(error, stage);
    s_->cv.notify_all();
}

bool hid_fake_backend::wait_reports_taken(int timeout_ms)
{
    std::unique_lock<std::mutex> l(s_->m);
    return s_->cv.wait_for(l, std::chrono::milliseconds(timeout_ms), [&] {
        for (auto& e : s_->readers)
            for (auto& q : e.second)
                if (!q->reports.empty() || !q->errors.empty())
                    return false;
        return true;
    });
}

int hid_fake_backend::looks(const std::string& path) const
{
    std::lock_guard<std::mutex> l(s_->m);
    return s_->ifaces.at(shared::index_of(path)).looks;
}

int hid_fake_backend::open_devices() const
{
    std::lock_guard<std::mutex> l(s_->m);
    return s_->open_devices;
}

void hid_fake_backend::enumerate(const std::function<bool(const hid_interface_info&)>& visit)
{
    size_t n;
    {
        std::lock_guard<std::mutex> l(s_->m);
        n = s_->ifaces.size();
    }
    for (size_t i = 0; i < n; ++i) {
        hid_interface_info info;
        {
            std::lock_guard<std::mutex> l(s_->m);
            if (!s_->ifaces[i].present)
                continue;
            ++s_->ifaces[i].looks;
            info = s_->info(i);
        }
        if (!visit(info))
            return;
    }
}

std::unique_ptr<hid_device> hid_fake_backend::open(const std::string& path, hid_access access, uint32_t& error)
{
    std::lock_guard<std::mutex> l(s_->m);
    error = 0;
    size_t i;
    try {
        i = shared::index_of(path);
    } catch (...) {
        error = hid_error_file_not_found;
        return nullptr;
    }
    if (path.rfind("fake:", 0) != 0 || i >= s_->ifaces.size() || !s_->ifaces[i].present) {
        error = hid_error_file_not_found;
        return nullptr;
    }
    auto& f = s_->ifaces[i];
    ++f.looks;
    if (f.spec.refuse_write_open && (access == hid_access::write || access == hid_access::read_write)) {
        error = hid_error_access_denied;
        return nullptr;
    }
    std::shared_ptr<reader_queue> q;
    if (access == hid_access::read || access == hid_access::read_write) {
        q = std::make_shared<reader_queue>();
        s_->readers[path].push_back(q);
    }
    ++s_->open_devices;
    return std::make_unique<fake_device>(s_, s_->info(i), f.spec.product, f.spec.product_readable, q);
}

}  // namespace platform
