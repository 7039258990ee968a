#include "sim/serial_peer.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace sim {
namespace {

constexpr uint8_t fast_start = 0xBB;
constexpr size_t plain_size = 9;        // 8 frame bytes and the sum
constexpr size_t max_fast_frame = 1025;  // the longest frame of the protocol
constexpr uint32_t bits_per_byte = 11;   // start, 8 data, parity, stop

uint8_t sum_of(const uint8_t* p, size_t n)
{
    uint8_t s = 0;
    for (size_t i = 0; i < n; ++i)
        s = uint8_t(s + p[i]);
    return s;
}

uint32_t baud_of(speed_t s)
{
    static const std::pair<speed_t, uint32_t> table[] = {
        {B110, 110},     {B300, 300},     {B600, 600},     {B1200, 1200},   {B2400, 2400},   {B4800, 4800},
        {B9600, 9600},   {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    for (const auto& e : table)
        if (e.first == s)
            return e.second;
    return 0;
}

std::vector<uint8_t> frame_line(const boot_frame& f, bool fast)
{
    std::vector<uint8_t> line;
    if (fast) {
        line = {fast_start, uint8_t(f.size()), uint8_t(f.size() >> 8)};
        line.insert(line.end(), f.begin(), f.end());
    } else {
        line.assign(8, 0);
        std::copy_n(f.begin(), std::min<size_t>(f.size(), 8), line.begin());
    }
    line.push_back(sum_of(line.data(), line.size()));
    return line;
}

}  // namespace

serial_peer::serial_peer(event_loop& loop, handler h) : loop_(loop), handler_(std::move(h)) {}

serial_peer::~serial_peer()
{
    if (master_ >= 0) {
        loop_.unwatch(master_);
        ::close(master_);
    }
    if (slave_ >= 0)
        ::close(slave_);
}

bool serial_peer::start(std::string& error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = "no pseudo terminal";
        return false;
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = "no pseudo terminal name";
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios t{};
    if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0) {
        error = "cannot open " + slavePath_;
        return false;
    }
    // Raw until the client sets its own mode: no echo of what the loader sends.
    ::cfmakeraw(&t);
    ::tcsetattr(slave_, TCSANOW, &t);
    loop_.watch(master_, POLLIN, [this](short) { on_readable(); });
    return true;
}

uint32_t serial_peer::slave_baud() const
{
    termios t{};
    return ::tcgetattr(slave_, &t) == 0 ? baud_of(::cfgetospeed(&t)) : 0;
}

bool serial_peer::slave_cs8() const
{
    termios t{};
    return ::tcgetattr(slave_, &t) == 0 && (t.c_cflag & CSIZE) == CS8;
}

void serial_peer::add_fault(serial_fault f)
{
    // Request numbers count from the arming.
    f.from += requests_;
    faults_.push_back(f);
}

void serial_peer::clear_faults() { faults_.clear(); }

void serial_peer::on_readable()
{
    uint8_t buf[4096];
    for (;;) {
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i)
            on_byte(buf[i]);
    }
}

void serial_peer::on_byte(uint8_t b)
{
    in_.push_back(b);
    if (in_.size() == 1) {
        need_ = b == fast_start ? 0 : plain_size;
        return;
    }
    bool fast = in_[0] == fast_start;
    if (fast && in_.size() == 3) {
        size_t length = size_t(in_[1] | in_[2] << 8);
        if (length > max_fast_frame) {
            // No request is that long: drop the head and hunt for the next start.
            ++badRequests_;
            in_.clear();
            return;
        }
        need_ = length + 4;
    }
    if (need_ != 0 && in_.size() == need_)
        complete(fast);
}

void serial_peer::complete(bool fast)
{
    std::vector<uint8_t> request;
    request.swap(in_);
    need_ = 0;
    size_t head = fast ? 3 : 0;
    const uint8_t* frame = request.data() + head;
    size_t n = request.size() - head - 1;
    uint32_t number = ++requests_;
    uint32_t delay_ms = 0;
    std::vector<boot_frame> replies;
    if (sum_of(request.data(), request.size() - 1) != request.back()) {
        ++badRequests_;
        if (!abortOnBadSum_ || n < 4)
            return;
        boot_frame abort = {0x80, frame[1], frame[2], frame[3], boot_reason::serial_receive, 0, 0, 0};
        abort[7] = uint8_t(boot_abort_base >> 24);
        replies.push_back(abort);
    } else {
        replies = handler_(frame, n, fast, delay_ms);
    }
    uint32_t dribble_ms = 0;
    std::vector<uint8_t> line;
    for (const auto& f : replies) {
        std::vector<uint8_t> l = frame_line(f, fast);
        line.insert(line.end(), l.begin(), l.end());
    }
    for (const auto& f : faults_) {
        if (number < f.from || number - f.from >= f.times || line.empty())
            continue;
        switch (f.kind) {
        case serial_fault::wrong_sum: line.back() = uint8_t(line.back() + 1); break;
        case serial_fault::garbage: line.insert(line.begin(), f.count, uint8_t(0x5A)); break;
        case serial_fault::dribble: dribble_ms = std::max<uint32_t>(f.ms, 1); break;
        case serial_fault::drop:
            if (line.size() > 1)
                line.erase(line.begin() + 1);
            break;
        case serial_fault::delay: delay_ms += f.ms; break;
        }
    }
    if (line.empty())
        return;
    uint64_t due = now_ns() + uint64_t(delay_ms) * 1000000u;
    if (pacing_) {
        uint32_t baud = std::max<uint32_t>(slave_baud(), 1);
        uint64_t line_ns = uint64_t(request.size() + line.size()) * bits_per_byte * 1000000000ull / baud;
        due = std::max(due, lineFreeNs_) + line_ns;
        lineFreeNs_ = due;
    }
    send(std::move(line), due, dribble_ms);
}

void serial_peer::send(std::vector<uint8_t> bytes, uint64_t due_ns, uint32_t dribble_ms)
{
    if (dribble_ms) {
        for (size_t i = 0; i < bytes.size(); ++i) {
            uint8_t b = bytes[i];
            loop_.at(due_ns + uint64_t(i) * dribble_ms * 1000000u, [this, b] {
                out_.push_back(b);
                flush_out();
            });
        }
        return;
    }
    if (due_ns <= now_ns()) {
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        flush_out();
        return;
    }
    loop_.at(due_ns, [this, bytes = std::move(bytes)] {
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        flush_out();
    });
}

void serial_peer::flush_out()
{
    while (!out_.empty()) {
        uint8_t buf[4096];
        size_t n = std::min(out_.size(), sizeof buf);
        std::copy_n(out_.begin(), n, buf);
        ssize_t w = ::write(master_, buf, n);
        if (w <= 0)
            break;
        out_.erase(out_.begin(), out_.begin() + w);
    }
    // The terminal's queue is full: go on when there is room again.
    loop_.watch(master_, short(POLLIN | (out_.empty() ? 0 : POLLOUT)), [this](short ev) {
        if (ev & POLLOUT)
            flush_out();
        if (ev & POLLIN)
            on_readable();
    });
}

}  // namespace sim
