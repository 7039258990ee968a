// The HID layer's pure parts: report descriptors, the hidraw sysfs walk on a fake tree,
// the simulated backend's messages, enumeration limits and error numbers.
#include <gtest/gtest.h>

#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/fd_wait.h"
#include "platform/hid.h"
#include "platform/hid_fake.h"
#include "platform/hid_hidraw_backend.h"
#include "platform/hid_sim_protocol.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

// A vendor-page device: 64-byte input and output reports without report IDs.
const std::vector<uint8_t> vendor_descriptor = {
    0x06, 0x00, 0xFF,  // usage page 0xFF00
    0x09, 0x01,        // usage 1
    0xA1, 0x01,        // collection (application)
    0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08,
    0x95, 0x40, 0x09, 0x01, 0x81, 0x02,  // 64 x 8 bits input
    0x95, 0x40, 0x09, 0x01, 0x91, 0x02,  // 64 x 8 bits output
    0xC0,
};

TEST(HidDescriptor, TopLevelUsageAndReportLengths)
{
    struct row {
        const char* name;
        std::vector<uint8_t> bytes;
        bool valid;
        uint16_t page, usage, in, out;
        bool numbered;
    };
    const row rows[] = {
        {"vendor", vendor_descriptor, true, 0xFF00, 1, 65, 65, false},
        // A keyboard-like device with report ID 1: 8 bytes in, 1 byte out.
        {"numbered",
         {0x05, 0x01, 0x09, 0x06, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x08, 0x81, 0x00, 0x75, 0x01, 0x95, 0x05,
          0x91, 0x02, 0x75, 0x03, 0x95, 0x01, 0x91, 0x01, 0xC0},
         true, 0x0001, 6, 9, 2, true},
        // A four-byte usage carries its own page.
        {"extended usage", {0x0B, 0x02, 0x00, 0x00, 0xFF, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x10, 0x81, 0x02, 0xC0},
         true, 0xFF00, 2, 17, 0, false},
        {"truncated", {0x06, 0x00}, false, 0, 0, 0, 0, false},
        {"no collection", {0x06, 0x00, 0xFF, 0x09, 0x01}, false, 0, 0, 0, 0, false},
        {"empty", {}, false, 0, 0, 0, 0, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        auto c = hid_parse_report_descriptor(r.bytes.data(), r.bytes.size());
        EXPECT_EQ(c.valid, r.valid);
        if (!r.valid)
            continue;
        EXPECT_EQ(c.usage_page, r.page);
        EXPECT_EQ(c.usage, r.usage);
        EXPECT_EQ(c.input_report_length, r.in);
        EXPECT_EQ(c.output_report_length, r.out);
        EXPECT_EQ(c.numbered_reports, r.numbered);
    }
}

class HidrawTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/hidraw-tree-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root_ = tmpl;
        fs::create_directories(root_ / "class/hidraw");
    }
    void TearDown() override { fs::remove_all(root_); }
    // A USB device with a product attribute, one interface, one HID device, one node.
    void add(const std::string& node, const std::string& product, const std::vector<uint8_t>& desc)
    {
        fs::path usb = root_ / "devices/usb1" / ("1-" + node);
        fs::path hid = usb / "1-1:1.0/0003:1234:5678.0001";
        fs::create_directories(hid);
        if (!product.empty())
            std::ofstream(usb / "product") << product << "\n";
        std::ofstream(hid / "report_descriptor", std::ios::binary)
            .write(reinterpret_cast<const char*>(desc.data()), std::streamsize(desc.size()));
        fs::create_directories(root_ / "class/hidraw" / node);
        fs::create_directory_symlink(hid, root_ / "class/hidraw" / node / "device");
    }
    fs::path root_;
};

TEST_F(HidrawTree, EnumeratesInNumericOrderWithCapabilitiesAndProduct)
{
    add("hidraw10", "Tarvix 9", vendor_descriptor);
    add("hidraw2", "Tarvyx 9", vendor_descriptor);
    add("hidraw3", "T\xC3\xA4rvix", vendor_descriptor);  // UTF-8 narrowed to Latin-1
    add("hidraw4", "", vendor_descriptor);
    hid_hidraw_backend b(root_ / "class/hidraw", "/nonexistent");
    std::vector<std::string> paths;
    b.enumerate([&](const hid_interface_info& i) {
        paths.push_back(i.path);
        EXPECT_EQ(i.usage_page, 0xFF00);
        EXPECT_EQ(i.input_report_length, 65);
        return true;
    });
    EXPECT_EQ(paths, (std::vector<std::string>{"/nonexistent/hidraw2", "/nonexistent/hidraw3",
                                               "/nonexistent/hidraw4", "/nonexistent/hidraw10"}));
    std::string p;
    ASSERT_TRUE(b.product_of("hidraw10", p));
    EXPECT_EQ(p, "Tarvix 9");
    ASSERT_TRUE(b.product_of("hidraw3", p));
    EXPECT_EQ(p, "T\xE4rvix");
    EXPECT_FALSE(b.product_of("hidraw4", p));
    uint32_t err = 0;
    EXPECT_EQ(b.open("/nonexistent/hidraw2", hid_access::read, err), nullptr);
    EXPECT_EQ(err, hid_error_file_not_found);
    // A query needs no device node: capabilities and product come from sysfs.
    auto q = b.open("/nonexistent/hidraw2", hid_access::query, err);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->info().output_report_length, 65);
    ASSERT_TRUE(q->product_string(p, err));
    EXPECT_EQ(p, "Tarvyx 9");
}

TEST_F(HidrawTree, NoDeviceIsOpenedWithoutItsWakeUp)
{
    // A device whose reader cannot be woken could never be stopped or reopened: with the
    // descriptors nearly used up the open is refused rather than handing such a device out.
    add("hidraw2", "Tarvix 9", vendor_descriptor);
    fs::path dev = root_ / "dev";
    fs::create_directories(dev);
    std::ofstream(dev / "hidraw2") << "";
    hid_hidraw_backend b(root_ / "class/hidraw", dev.string());
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        uint32_t err = 0;
        b.open((dev / "hidraw2").string(), hid_access::query, err);  // the sanitizers' type checks settle first
        rlimit lim{64, 64};
        setrlimit(RLIMIT_NOFILE, &lim);
        std::vector<int> held;
        for (int fd; (fd = dup(2)) >= 0;)
            held.push_back(fd);
        close(held.back());  // exactly one descriptor left
        auto d = b.open((dev / "hidraw2").string(), hid_access::read, err);
        _exit(d == nullptr && err != 0 ? 0 : 1);
    }
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
}

TEST(HidSimProtocol, HelloAndOpenRoundTripAndRejectGarbage)
{
    hid_sim::hello h;
    h.usage_page = 0xFF00;
    h.usage = 1;
    h.input_report_length = 65;
    h.output_report_length = 33;
    h.product = u"Tarvix 9";
    h.product_readable = false;
    h.open_error = 1167;
    auto bytes = hid_sim::encode_hello(h);
    hid_sim::hello back;
    ASSERT_TRUE(hid_sim::decode_hello(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back.usage_page, 0xFF00);
    EXPECT_EQ(back.output_report_length, 33);
    EXPECT_EQ(back.product, u"Tarvix 9");
    EXPECT_FALSE(back.product_readable);
    EXPECT_EQ(back.open_error, 1167u);
    EXPECT_FALSE(hid_sim::decode_hello(bytes.data(), bytes.size() - 1, back));
    bytes[0] = 'X';
    EXPECT_FALSE(hid_sim::decode_hello(bytes.data(), bytes.size(), back));

    uint8_t access = 9;
    auto open = hid_sim::encode_open(2);
    ASSERT_TRUE(hid_sim::decode_open(open.data(), open.size(), access));
    EXPECT_EQ(access, 2);
    open[5] = 4;
    EXPECT_FALSE(hid_sim::decode_open(open.data(), open.size(), access));
}

TEST(HidFind, KeepsMatchingInterfacesUpToTheLimitAndLooksNoFurther)
{
    hid_fake_backend fake;
    hid_install_backend(&fake);
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i) {
        hid_fake_backend::interface_spec s;
        if (i == 2)
            s.usage = 2;
        paths.push_back(fake.add(s));
    }
    auto found = hid_find(0xFF00, 1, 10);
    ASSERT_EQ(found.size(), 10u);
    EXPECT_EQ(found[2].path, paths[3]);
    EXPECT_EQ(fake.looks(paths[10]), 1);
    EXPECT_EQ(fake.looks(paths[11]), 0);
    hid_install_backend(nullptr);
}

TEST(HidErrors, ErrnoValuesMapToWindowsNumbers)
{
    EXPECT_EQ(hid_error_from_errno(EBADF), 6u);
    EXPECT_EQ(hid_error_from_errno(ECONNRESET), 1167u);
    EXPECT_EQ(hid_error_from_errno(EPIPE), 1167u);
    EXPECT_EQ(hid_error_from_errno(ENODEV), 1167u);
    EXPECT_EQ(hid_error_from_errno(ENOENT), 2u);
    EXPECT_EQ(hid_error_from_errno(EACCES), 5u);
    EXPECT_EQ(hid_error_from_errno(EMSGSIZE), 31u);
}

}  // namespace

namespace {
void ignore_signal(int) {}
}  // namespace

TEST(FdWait, SignalsDoNotRestartTheTimeout)
{
    struct sigaction quiet {}, before {};
    quiet.sa_handler = ignore_signal;
    sigemptyset(&quiet.sa_mask);
    ASSERT_EQ(::sigaction(SIGUSR1, &quiet, &before), 0);
    int data[2], wake[2];
    ASSERT_EQ(::pipe(data), 0);
    ASSERT_EQ(::pipe(wake), 0);
    using steady = std::chrono::steady_clock;
    const pthread_t waiter = ::pthread_self();
    std::atomic<bool> done{false};
    // Signals far more often than the timeout, for far longer than it.
    std::thread signaller([&] {
        const auto stop = steady::now() + std::chrono::seconds(10);
        while (!done.load() && steady::now() < stop) {
            ::pthread_kill(waiter, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    const auto start = steady::now();
    int error = 0;
    const fd_wait_result r = wait_readable_or_woken(data[0], wake[0], 200, error);
    const auto elapsed = steady::now() - start;
    done.store(true);
    signaller.join();
    ::sigaction(SIGUSR1, &before, nullptr);
    for (int fd : {data[0], data[1], wake[0], wake[1]})
        ::close(fd);
    EXPECT_EQ(r, fd_wait_result::timed_out);
    EXPECT_GE(elapsed, std::chrono::milliseconds(200));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}
