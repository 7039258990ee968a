// The serial transports against a pseudo terminal the test holds: the bytes of both
// framings, the receivers against good, bad and hostile input, the block receive, and
// opening and closing ports.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "flashlink/C_SndHex.h"
#include "flashlink/C_V24.h"
#include "flashlink/fl_results.h"

namespace {

using bytes = std::vector<uint8_t>;
constexpr short test_port = 5;

// A pseudo terminal whose slave is COM5 for the library.
struct pty_line {
    int master = -1;
    pty_line()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::grantpt(master);
        ::unlockpt(master);
        ::setenv("TARVIX_COM5", ::ptsname(master), 1);
    }
    ~pty_line()
    {
        ::unsetenv("TARVIX_COM5");
        ::close(master);
    }
    void put(const bytes& b) { ASSERT_EQ(::write(master, b.data(), b.size()), ssize_t(b.size())); }
    // What the library wrote, waiting up to 1 s for `n` bytes.
    bytes take(size_t n)
    {
        bytes out;
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (out.size() < n && std::chrono::steady_clock::now() < end) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            uint8_t b[4096];
            ssize_t r = ::read(master, b, std::min(sizeof b, n - out.size()));
            if (r > 0)
                out.insert(out.end(), b, b + r);
        }
        return out;
    }
};

size_t open_fds()
{
    size_t n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d))
            ++n;
        ::closedir(d);
    }
    return n;
}

// Feeds the receiver until it reports something, at most `limit` calls.
bool receive(C_COMM& c, uint16_t& error, int limit = 5000)
{
    for (int i = 0; i < limit; ++i) {
        c.WaitFrame(20);
        if (c.RcvReady(&error))
            return true;
    }
    return false;
}

struct serial_line : public ::testing::Test {
    pty_line pty;
    void SetUp() override { ASSERT_EQ(C_SndHex::DrvInitV24(test_port, 12), 0); }
    void TearDown() override { C_SndHex::DrvCloseV24(); }
};

TEST_F(serial_line, both_framings_put_the_frame_and_its_sum_on_the_line)
{
    const bytes frame = {0x40, 0xF0, 0x30, 0, 0, 0, 0, 0};
    C_V24C plain;
    C_V24CL fast;
    uint16_t sent = 0;
    ASSERT_EQ(plain.Send(frame.data(), 8, &sent, 0), 0);
    EXPECT_EQ(sent, 9);
    EXPECT_EQ(pty.take(9), (bytes{0x40, 0xF0, 0x30, 0, 0, 0, 0, 0, 0x60}));
    ASSERT_EQ(fast.Send(frame.data(), 8, &sent, 0), 0);
    EXPECT_EQ(sent, 12);
    EXPECT_EQ(pty.take(12), (bytes{0xBB, 0x08, 0x00, 0x40, 0xF0, 0x30, 0, 0, 0, 0, 0, 0x23}));
}

TEST_F(serial_line, plain_receiver_checks_the_sum)
{
    C_V24C c;
    const bytes frame = {0x60, 0xF0, 0x30, 0, 0, 0, 0, 0};
    struct row {
        const char* name;
        uint8_t sum;
        uint16_t error;
    };
    for (const row& r : {row{"good sum", 0x80, 0}, row{"wrong sum", 0x81, fl_result::frame_checksum}}) {
        SCOPED_TRACE(r.name);
        bytes line = frame;
        line.push_back(r.sum);
        pty.put(line);
        uint16_t error = 0;
        ASSERT_TRUE(receive(c, error));
        EXPECT_EQ(error, r.error);
        uint8_t got[C_COMM::max_frame];
        uint16_t n = 0;
        c.GetFrame(got, &n);
        EXPECT_EQ(bytes(got, got + n), frame);
    }
}

TEST_F(serial_line, fast_receiver_skips_junk_and_refuses_bad_sums_and_overlong_lengths)
{
    C_V24CL c;
    struct row {
        const char* name;
        bytes line;
        uint16_t error;
        bytes frame;  // when no error
    };
    const row rows[] = {
        {"junk before the start byte", {0x00, 0x5A, 0x12, 0xBB, 0x02, 0x00, 0x20, 0x30, 0x0D}, 0, {0x20, 0x30}},
        {"empty frame", {0xBB, 0x00, 0x00, 0xBB}, 0, {}},
        {"wrong sum", {0xBB, 0x01, 0x00, 0x20, 0x00}, fl_result::frame_checksum, {}},
        {"length beyond the buffer", {0xBB, 0xFD, 0x07}, fl_result::receive_error, {}},
        {"longest length that fits", {}, 0, bytes(2044, 0x11)},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        bytes line = r.line;
        if (line.empty()) {
            line = {0xBB, uint8_t(r.frame.size()), uint8_t(r.frame.size() >> 8)};
            line.insert(line.end(), r.frame.begin(), r.frame.end());
            uint8_t s = 0;
            for (uint8_t b : line)
                s = uint8_t(s + b);
            line.push_back(s);
        }
        pty.put(line);
        uint16_t error = 0;
        ASSERT_TRUE(receive(c, error));
        EXPECT_EQ(error, r.error);
        if (r.error == 0) {
            std::vector<uint8_t> got(C_COMM::max_frame);
            uint16_t n = 0xFFFF;
            c.GetFrame(got.data(), &n);
            got.resize(n);
            EXPECT_EQ(got, r.frame);
        }
        c.ResetReceiver();
    }
    // After the overlong length the receiver hunts for a start byte again.
    pty.put({0x00, 0xBB, 0x01, 0x00, 0x42, 0xFE});
    uint16_t error = 0;
    ASSERT_TRUE(receive(c, error));
    EXPECT_EQ(error, 0);
}

TEST_F(serial_line, block_receive_with_its_sum_byte)
{
    C_V24C c;
    uint8_t block[4] = {};
    uint16_t count = 0;
    // Blocking: the block and its sum arrive.
    pty.put({1, 2, 3, 4, 10});
    EXPECT_EQ(c.Receive(block, 4, &count, 0, 1, 500), 0);
    EXPECT_EQ(count, 4);
    EXPECT_EQ(bytes(block, block + 4), (bytes{1, 2, 3, 4}));
    // Blocking: the sum byte is missing.
    pty.put({1, 2, 3, 4});
    EXPECT_EQ(c.Receive(block, 4, &count, 0, 1, 100), fl_result::receive_timeout);
    // Polled: true until block and sum are in; a wrong sum is reported at the end.
    ASSERT_EQ(c.Receive(block, 2, &count, 0, 0, 0), 0);
    pty.put({7, 8, 0});
    uint16_t result = 0;
    int calls = 0;
    while (c.PollReceive(&result, &count) && calls < 1000) {
        c.WaitFrame(20);
        ++calls;
    }
    EXPECT_EQ(result, fl_result::frame_checksum);
    EXPECT_EQ(count, 2);
}

TEST(serial_ports, opening_refuses_bad_numbers_rates_missing_devices_and_a_second_opener)
{
    pty_line pty;
    struct row {
        const char* name;
        short port;
        T_BAUDRATE rate;
        uint16_t result;
    };
    const row rows[] = {
        {"port 0", 0, 7, fl_result::v24_port_number},     {"port 50", 50, 7, fl_result::v24_port_number},
        {"rate value 1", test_port, 1, fl_result::v24_port_number},
        {"rate value 9", test_port, 9, fl_result::v24_port_number},
        {"rate value 13", test_port, 13, fl_result::v24_port_number},
        {"missing device", 6, 7, fl_result::v24_open},
    };
    ::setenv("TARVIX_COM6", "/nonexistent/tty", 1);
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        size_t fds = open_fds();
        EXPECT_EQ(C_SndHex::DrvInitV24(r.port, r.rate), r.result);
        EXPECT_EQ(C_SndHex::DrvInitializedF, DRV_NONE);
        EXPECT_EQ(open_fds(), fds);
    }
    ::unsetenv("TARVIX_COM6");
    ASSERT_EQ(C_SndHex::DrvInitV24(test_port, 7), 0);
    EXPECT_EQ(C_SndHex::DrvInitializedF, DRV_V24);
    // Another process (a second flashcli) cannot take the same port.
    pid_t child = ::fork();
    if (child == 0)
        ::_exit(C_V24::OpenPort(test_port, 7) == fl_result::v24_open ? 0 : 1);
    int status = -1;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    C_SndHex::DrvCloseV24();
    EXPECT_EQ(C_V24::ClosePort(), fl_result::v24_not_open);
}

TEST(serial_ports, every_rate_is_set_as_8_data_bits_and_the_write_time_out_follows_the_rate)
{
    pty_line pty;
    const std::pair<T_BAUDRATE, speed_t> rates[] = {{0, B110},    {2, B300},    {3, B600},     {4, B1200},
                                                    {5, B2400},   {6, B4800},   {7, B9600},    {8, B19200},
                                                    {10, B38400}, {11, B57600}, {12, B115200}};
    for (const auto& r : rates) {
        SCOPED_TRACE(r.first);
        ASSERT_EQ(C_SndHex::DrvInitV24(test_port, r.first), 0);
        termios t{};
        ASSERT_EQ(::tcgetattr(pty.master, &t), 0);
        EXPECT_EQ(::cfgetospeed(&t), r.second);
        EXPECT_EQ(::cfgetispeed(&t), r.second);
        EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
        EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
        C_SndHex::DrvCloseV24();
    }
    EXPECT_EQ(C_V24::WriteTimeoutPerByte(9600), 1002u);
    EXPECT_EQ(C_V24::WriteTimeoutPerByte(115200), 1000u);
    EXPECT_EQ(C_V24::WriteTimeoutPerByte(110), 1174u);
}

TEST(serial_ports, repeated_opening_and_closing_leaks_no_descriptor)
{
    pty_line pty;
    size_t fds = open_fds();
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(C_SndHex::DrvInitV24(test_port, 12), 0);
        // Opening again without a close replaces the port.
        if (i % 50 == 0) {
            ASSERT_EQ(C_SndHex::DrvInitV24(test_port, 11), 0);
        }
        C_SndHex::DrvCloseV24();
    }
    EXPECT_EQ(open_fds(), fds);
}

}  // namespace
