#include "flashlink/C_USB.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "flashlink/fl_results.h"
#include "platform/hid.h"

namespace {

constexpr size_t max_groups = 10;
constexpr size_t max_alternatives = 10;
constexpr size_t max_name = 256;
constexpr uint32_t write_timeout_ms = 300;
constexpr uint32_t read_error_backoff_ms = 10;

// The connection of the process. Made on first use, after the HID layer it relies on, so
// that at exit it is torn down first: the thread is stopped and joined, never left running.
struct usb_module {
    usb_module() { (void)platform::hid_current_backend(); }
    ~usb_module() { shutdown(); }

    void shutdown();
    uint16_t open_by_name(const std::string& name);
    void receive_loop();
    void device_gone();
    // Waits `ms` or until told to stop; false when stopping.
    bool pause(uint32_t ms);
    void clear_flag();

    // Mailbox, receive error, application-start flag, thread control: under m.
    std::mutex m;
    std::condition_variable cv;
    std::vector<uint8_t> rx;
    uint32_t rxLength = 0;
    uint16_t rxError = 0;
    std::atomic<uint32_t>* applFlag = nullptr;
    bool stop = false;

    // Handles and report lengths: under io. Only the receive thread replaces them while it runs.
    std::mutex io;
    std::unique_ptr<platform::hid_device> reader;
    std::unique_ptr<platform::hid_device> writer;
    std::atomic<uint16_t> inLength{0};
    std::atomic<uint16_t> outLength{0};
    std::vector<uint8_t> report;
    uint32_t writesCompleted = 0;

    std::atomic<bool> connected{false};
    std::string name;  // the product name that opened: a lost device is reopened by it
    std::thread thread;
    std::atomic<uint16_t> marker{0};
    C_USB::timings timing;
};

usb_module& mod()
{
    static usb_module m;
    return m;
}

bool device_lost(uint32_t error)
{
    return error == platform::hid_error_invalid_handle || error == platform::hid_error_device_not_connected;
}

uint16_t usb_module::open_by_name(const std::string& wanted)
{
    // The table of present interfaces of the controller's kind; interfaces after the tenth
    // are never looked at.
    std::vector<platform::hid_interface_info> table =
        platform::hid_find(C_USB::usage_page, C_USB::usage, C_USB::max_interfaces);
    auto& backend = platform::hid_current_backend();
    for (const auto& info : table) {
        uint32_t error = 0;
        std::string product;
        {
            auto q = backend.open(info.path, platform::hid_access::query, error);
            if (!q || !q->product_string(product, error))
                continue;
        }
        if (product != wanted)
            continue;
        auto r = backend.open(info.path, platform::hid_access::read, error);
        if (!r)
            continue;
        auto w = backend.open(info.path, platform::hid_access::write, error);
        if (!w)
            continue;
        std::lock_guard<std::mutex> l(io);
        reader = std::move(r);
        writer = std::move(w);
        inLength = info.input_report_length;
        outLength = info.output_report_length;
        name = wanted;
        connected = true;
        return 0;
    }
    return fl_result::usb_device_lost;
}

bool usb_module::pause(uint32_t ms)
{
    std::unique_lock<std::mutex> l(m);
    return !cv.wait_for(l, std::chrono::milliseconds(ms), [&] { return stop; });
}

void usb_module::clear_flag()
{
    std::lock_guard<std::mutex> l(m);
    if (applFlag)
        applFlag->store(0);
    cv.notify_all();
}

void usb_module::device_gone()
{
    {
        std::lock_guard<std::mutex> l(io);
        reader.reset();
        writer.reset();
    }
    connected = false;
    bool restart;
    C_USB::timings t;
    {
        std::lock_guard<std::mutex> l(m);
        restart = applFlag && applFlag->load() != 0;
        t = timing;
    }
    if (restart) {
        // The boot loader announced its restart: look for it often, for a while.
        for (uint32_t tries = 0;;) {
            if (!pause(t.restart_reopen_ms))
                return;
            if (open_by_name(name) == 0) {
                clear_flag();
                return;
            }
            if (++tries == t.restart_tries) {
                std::lock_guard<std::mutex> l(m);
                rxError = fl_result::usb_device_lost;
                if (applFlag)
                    applFlag->store(0);
                cv.notify_all();
            }
        }
    }
    {
        std::lock_guard<std::mutex> l(m);
        rxError = fl_result::usb_device_lost;
        cv.notify_all();
    }
    for (;;) {
        if (!pause(t.reopen_ms))
            return;
        if (open_by_name(name) == 0)
            break;
    }
    std::lock_guard<std::mutex> l(m);
    // The restart was announced only after the device had gone (its confirmation was still
    // waiting): the loss was the restart, and the error nobody took is void.
    if (applFlag && applFlag->load() != 0) {
        applFlag->store(0);
        if (rxError == fl_result::usb_device_lost)
            rxError = 0;
    }
    cv.notify_all();
}

void usb_module::receive_loop()
{
    marker = 0x55AA;
    // Raised priority where the system allows it; the transfer works without.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), -1);
    std::vector<uint8_t> buffer;
    for (;;) {
        {
            std::lock_guard<std::mutex> l(m);
            if (stop)
                return;
        }
        platform::hid_device* r;
        {
            std::lock_guard<std::mutex> l(io);
            r = reader.get();
            // Room for one byte more than declared, so that an over-long report shows.
            buffer.resize(size_t(inLength) + 1);
        }
        if (!r) {
            device_gone();
            continue;
        }
        platform::hid_io_result res = r->read(buffer.data(), buffer.size(), -1);
        switch (res.state) {
        case platform::hid_io_state::done: {
            std::lock_guard<std::mutex> l(m);
            size_t n = std::min<size_t>(res.count, buffer.size());
            rx.assign(buffer.begin(), buffer.begin() + long(n));
            rxLength = res.count;
            connected = true;
            cv.notify_all();
            break;
        }
        case platform::hid_io_state::failed:
            if (device_lost(res.error)) {
                device_gone();
            } else {
                {
                    std::lock_guard<std::mutex> l(m);
                    rxError = fl_result::usb_read;
                    cv.notify_all();
                }
                // A read that keeps failing must not spin.
                pause(read_error_backoff_ms);
            }
            break;
        default:
            break;  // woken or timed out: look at the stop flag again
        }
    }
}

void usb_module::shutdown()
{
    {
        std::lock_guard<std::mutex> l(m);
        stop = true;
        cv.notify_all();
    }
    {
        std::lock_guard<std::mutex> l(io);
        if (reader)
            reader->interrupt();
    }
    if (thread.joinable())
        thread.join();
    {
        std::lock_guard<std::mutex> l(io);
        reader.reset();
        writer.reset();
    }
    connected = false;
    marker = 0;
    std::lock_guard<std::mutex> l(m);
    stop = false;
    rxLength = 0;
    rxError = 0;
}

}  // namespace

// --- pattern ----------------------------------------------------------------------------

bool C_USB::ExpandPattern(const std::string& pattern, const std::function<bool(const std::string&)>& visit)
{
    // Literal pieces and groups: the name is pieces[0] group[0] pieces[1] group[1] ...
    std::vector<std::string> pieces(1);
    std::vector<std::string> groups;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '[') {
            pieces.back() += pattern[i];
            continue;
        }
        size_t close = pattern.find(']', i);
        if (close == std::string::npos || groups.size() == max_groups)
            return false;
        // One character per alternative, separated by commas.
        std::string body = pattern.substr(i + 1, close - i - 1);
        std::string alternatives;
        for (size_t k = 0; k < body.size(); k += 2) {
            if (body[k] == ',' || (k + 1 < body.size() && body[k + 1] != ',') || k + 1 == body.size() - 1)
                return false;
            alternatives += body[k];
        }
        if (alternatives.empty() || alternatives.size() > max_alternatives)
            return false;
        groups.push_back(alternatives);
        pieces.emplace_back();
        i = close;
    }
    size_t length = groups.size();
    for (const auto& p : pieces)
        length += p.size();
    if (length > max_name)
        return false;
    std::vector<size_t> choice(groups.size(), 0);
    for (;;) {
        std::string name = pieces[0];
        for (size_t g = 0; g < groups.size(); ++g) {
            name += groups[g][choice[g]];
            name += pieces[g + 1];
        }
        if (visit(name))
            return true;
        size_t g = 0;
        for (; g < groups.size(); ++g) {
            if (++choice[g] < groups[g].size())
                break;
            choice[g] = 0;
        }
        if (g == groups.size())
            return true;
    }
}

// --- the connection -----------------------------------------------------------------------

uint16_t C_USB::Open(const char* pattern)
{
    usb_module& u = mod();
    u.shutdown();
    uint16_t result = fl_result::usb_device_lost;
    if (!pattern || !ExpandPattern(pattern, [&](const std::string& n) { return (result = u.open_by_name(n)) == 0; }))
        return fl_result::usb_device_lost;
    if (result != 0)
        return result;
    try {
        u.thread = std::thread([&u] { u.receive_loop(); });
    } catch (const std::system_error&) {
        std::lock_guard<std::mutex> l(u.io);
        u.reader.reset();
        u.writer.reset();
        u.connected = false;
        return fl_result::usb_thread;
    }
    return 0;
}

void C_USB::Shutdown() { mod().shutdown(); }

bool C_USB::Connected() { return mod().connected; }

bool C_USB::ThreadRunning() { return mod().thread.joinable(); }

bool C_USB::WaitApplStartCleared(const std::atomic<uint32_t>& flag, uint32_t ms)
{
    usb_module& u = mod();
    std::unique_lock<std::mutex> l(u.m);
    return u.cv.wait_for(l, std::chrono::milliseconds(ms), [&] { return flag.load() == 0; });
}

void C_USB::SetTimings(const timings& t)
{
    std::lock_guard<std::mutex> l(mod().m);
    mod().timing = t;
}

C_USB::timings C_USB::Timings()
{
    std::lock_guard<std::mutex> l(mod().m);
    return mod().timing;
}

uint16_t C_USB::DecodeReport(const uint8_t* report, uint32_t received, uint16_t input_length, uint8_t* frame)
{
    if (received != input_length || received < 2 || report[1] > max_frame || uint32_t(report[1]) + 2 > received)
        return 0;
    std::memcpy(frame, report + 2, report[1]);
    return report[1];
}

// --- the transport --------------------------------------------------------------------

C_USB::C_USB(std::atomic<uint32_t>* appl_start_flag) : flag_(appl_start_flag)
{
    std::lock_guard<std::mutex> l(mod().m);
    mod().applFlag = appl_start_flag;
}

C_USB::~C_USB()
{
    // The thread must never write the flag of a protocol object that is gone.
    std::lock_guard<std::mutex> l(mod().m);
    if (mod().applFlag == flag_)
        mod().applFlag = nullptr;
}

uint16_t C_USB::Send(const uint8_t* data, uint16_t length, uint16_t* sent, uint32_t)
{
    if (sent)
        *sent = 0;
    usb_module& u = mod();
    if (!u.connected)
        return fl_result::usb_device_lost;
    if (length > max_frame || !data)
        return fl_result::usb_frame_too_long;
    std::lock_guard<std::mutex> l(u.io);
    if (!u.writer)
        return fl_result::usb_device_lost;
    if (size_t(length) + 2 > u.outLength)
        return fl_result::usb_frame_too_long;
    u.report.assign(u.outLength, 0);
    u.report[1] = static_cast<uint8_t>(length);
    std::memcpy(u.report.data() + 2, data, length);
    platform::hid_io_result r = u.writer->start_write(u.report.data(), u.report.size());
    if (r.state == platform::hid_io_state::pending) {
        r = u.writer->poll_write(write_timeout_ms);
        if (r.state == platform::hid_io_state::pending) {
            u.writer->cancel_write();
            return fl_result::usb_write_timeout;
        }
    }
    if (r.state != platform::hid_io_state::done)
        return device_lost(r.error) ? fl_result::usb_device_lost : fl_result::usb_frame_too_long;
    if (r.count != u.outLength)
        return fl_result::usb_frame_too_long;
    ++u.writesCompleted;
    if (sent)
        *sent = length;
    return 0;
}

bool C_USB::RcvReady(uint16_t* error)
{
    usb_module& u = mod();
    std::lock_guard<std::mutex> l(u.m);
    if (error)
        *error = 0;
    // A whole report goes out before an error that came after it.
    if (u.rxLength > 0)
        return true;
    if (u.rxError != 0) {
        if (error)
            *error = u.rxError;
        u.rxError = 0;
        u.rxLength = 0;
        return true;
    }
    return false;
}

void C_USB::GetFrame(uint8_t* destination, uint16_t* length)
{
    usb_module& u = mod();
    const uint16_t in_length = u.inLength;
    std::lock_guard<std::mutex> l(u.m);
    uint16_t n = 0;
    if (u.rx.size() >= std::min<size_t>(u.rxLength, in_length))
        n = DecodeReport(u.rx.data(), u.rxLength, in_length, destination);
    if (length)
        *length = n;
    u.rxLength = 0;
}

void C_USB::WaitFrame(uint32_t ms)
{
    usb_module& u = mod();
    std::unique_lock<std::mutex> l(u.m);
    u.cv.wait_for(l, std::chrono::milliseconds(ms), [&] { return u.rxLength > 0 || u.rxError != 0; });
}
