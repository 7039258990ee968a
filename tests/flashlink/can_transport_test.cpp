#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "flashlink/C_CAN.h"
#include "flashlink/can_driver.h"
#include "flashlink/comm_factory.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/testcan.h"
#include "platform/clock.h"
#include "platform/devices/services.h"
#include "platform/dynlib.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
namespace services = platform::services;

namespace {

// The test library installed under the driver libraries' file names in a folder of its own.
class driver_folder {
public:
    driver_folder() { use(); }
    void use() { platform::set_library_dir(dir_.path()); }
    ~driver_folder() { platform::set_library_dir(""); }
    void install(const std::string& name, const std::string& variant = "")
    {
        const char* built = std::getenv("TARVIX_TESTCAN_DIR");
        ASSERT_NE(built, nullptr);
        // A new file, not the old one rewritten: the loader must not find the earlier library in it.
        fs::remove(dir_.file("lib" + name + ".so"));
        fs::copy_file(std::string(built) + "/libtestcan" + variant + ".so", dir_.file("lib" + name + ".so"));
    }
    void install_all()
    {
        for (const char* n : {"isacan", "kerncan", "portcan", "pcanbridge"})
            install(n);
    }

private:
    testing_support::temp_dir dir_;
};

testcan_switches* switches()
{
    auto f = reinterpret_cast<testcan_control_fn>(
        platform::get_proc_address(fl_can::state().library, "testcan_control"));
    return f ? f() : nullptr;
}

std::string loaded_file()
{
    auto f = reinterpret_cast<testcan_file_fn>(platform::get_proc_address(fl_can::state().library, "testcan_file"));
    return f ? f() : std::string();
}

class family_scope {
public:
    explicit family_scope(bool nt)
    {
        if (nt)
            unsetenv("TARVIX_WINFAMILY");
        else
            setenv("TARVIX_WINFAMILY", "9x", 1);
    }
    ~family_scope() { unsetenv("TARVIX_WINFAMILY"); }
};

}  // namespace

class CanDriverLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        services::reset();
        services::configure(fl_can::kernel_service, {});
        folder.install_all();
    }
    void TearDown() override
    {
        fl_can::DrvCloseCAN();
        fl_can::unload_can_driver(0);
        services::reset();
    }
    driver_folder folder;
};

TEST_F(CanDriverLoader, KindAndFamilyChooseTheLibrary)
{
    struct row {
        uint32_t kind;
        bool nt;
        uint16_t result;
        const char* file;
    } rows[] = {
        {1, true, fl_result::can_load, nullptr},          {1, false, 0, "libisacan.so"},
        {2, true, 0, "libkerncan.so"},                    {2, false, 0, "libportcan.so"},
        {6, true, 0, "libpcanbridge.so"},                 {6, false, fl_result::can_needs_nt, nullptr},
        {3, true, fl_result::can_load, nullptr},          {0, false, fl_result::can_load, nullptr},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "kind " << r.kind << (r.nt ? " NT" : " 9x"));
        family_scope family(r.nt);
        EXPECT_EQ(fl_can::load_can_driver(r.kind), r.result);
        EXPECT_EQ(fl_can::state().library != nullptr, r.file != nullptr);
        if (r.file) {
            EXPECT_EQ(loaded_file(), r.file);
        }
        // The kernel driver runs exactly while kerncan is loaded.
        EXPECT_EQ(services::is_running(fl_can::kernel_service), r.kind == 2 && r.nt);
        fl_can::unload_can_driver(r.kind);
        EXPECT_EQ(fl_can::state().library, nullptr);
        EXPECT_FALSE(services::is_running(fl_can::kernel_service));
    }
}

TEST_F(CanDriverLoader, MissingFilesEntryPointsAndService)
{
    family_scope family(true);
    // No file of that name
    {
        driver_folder empty;
        EXPECT_EQ(fl_can::load_can_driver(6), fl_result::can_load);
        EXPECT_EQ(fl_can::load_can_driver(2), fl_result::can_load);
        EXPECT_FALSE(services::is_running(fl_can::kernel_service));
    }
    folder.use();
    // Without CANError: freed again; without CANSndReady: loads.
    folder.install("pcanbridge", "_noerror");
    EXPECT_EQ(fl_can::load_can_driver(6), fl_result::can_entry_point);
    EXPECT_EQ(fl_can::state().library, nullptr);
    folder.install("pcanbridge", "_nosndready");
    EXPECT_EQ(fl_can::load_can_driver(6), fl_result::ok);
    EXPECT_NE(fl_can::state().api.wr_msg, nullptr);
    EXPECT_EQ(fl_can::state().api.snd_ready, nullptr);
    fl_can::unload_can_driver(6);

    // The kernel driver's service: none configured, or one that will not start.
    services::remove(fl_can::kernel_service);
    EXPECT_EQ(fl_can::start_kernel_service(), 3);
    EXPECT_EQ(fl_can::stop_kernel_service(), 3);
    EXPECT_EQ(fl_can::load_can_driver(2), fl_result::can_service);
    EXPECT_EQ(fl_can::state().library, nullptr);
    services::configure(fl_can::kernel_service, {[] { return uint32_t{31}; }, {}});
    EXPECT_EQ(fl_can::start_kernel_service(), 2);
    EXPECT_EQ(fl_can::stop_kernel_service(), 4);
    services::set_manager_available(false);
    EXPECT_EQ(fl_can::start_kernel_service(), 1);
    EXPECT_EQ(fl_can::load_can_driver(2), fl_result::can_service);
    services::set_manager_available(true);
    // Already running counts as started.
    services::configure(fl_can::kernel_service, {});
    services::sc_handle m = services::open_manager();
    services::sc_handle s = services::open_service(m, fl_can::kernel_service);
    ASSERT_TRUE(services::start_service(s));
    EXPECT_EQ(fl_can::start_kernel_service(), 0);
    EXPECT_EQ(fl_can::stop_kernel_service(), 0);
    services::close_service_handle(s);
    services::close_service_handle(m);
}

TEST_F(CanDriverLoader, InitOpensTheDeviceWithTheArgumentsOfItsKind)
{
    struct row {
        const char* name;
        bool nt;
        std::function<uint16_t()> init;
        uint32_t kind;
        int16_t args[3];
    } rows[] = {
        {"dongle", true, [] { return fl_can::DrvInitCANDon(4, 2); }, 2, {4, 0, 2}},
        {"dongle 9x", false, [] { return fl_can::DrvInitCANDon(6, 1); }, 2, {6, 0, 1}},
        {"PEAK", true, [] { return fl_can::DrvInitCANPeak(5, 1); }, 6, {5, 0, 1}},
        {"ISA", false, [] { return fl_can::DrvInitCAN_ISA(3, 10, 0x300); }, 1, {3, 10, 0x300}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        family_scope family(r.nt);
        ASSERT_EQ(r.init(), fl_result::ok);
        EXPECT_EQ(fl_can::state().initialized, r.kind);
        testcan_switches* s = switches();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->open_args[0], r.args[0]);
        EXPECT_EQ(s->open_args[1], r.args[1]);
        EXPECT_EQ(s->open_args[2], r.args[2]);
        fl_can::DrvCloseCAN();
        EXPECT_EQ(fl_can::state().initialized, 0u);
        EXPECT_EQ(fl_can::state().library, nullptr);
        EXPECT_FALSE(services::is_running(fl_can::kernel_service));
    }
    // Refused by family: nothing loaded, nothing initialised.
    {
        family_scope family(true);
        EXPECT_EQ(fl_can::DrvInitCAN_ISA(4, 0, 0x300), fl_result::can_load);
        EXPECT_EQ(fl_can::state().initialized, 0u);
    }
}

TEST_F(CanDriverLoader, ADeviceThatDoesNotOpenUnloadsTheLibrary)
{
    family_scope family(true);
    // The library's state lives as long as it is loaded: a handle of our own keeps it across the
    // loader's loads and frees, so the switch set here holds for the open.
    platform::library_handle keep = platform::load_library("pcanbridge.DLL");
    ASSERT_NE(keep, nullptr);
    reinterpret_cast<testcan_control_fn>(platform::get_proc_address(keep, "testcan_control"))()->open_device_result =
        0x00;
    testing::internal::CaptureStdout();
    EXPECT_EQ(fl_can::DrvInitCANPeak(4, 0), fl_result::can_entry_point);
    std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.rfind("\nWindows Last Error: ", 0), 0u) << printed;
    EXPECT_EQ(printed.size(), std::strlen("\nWindows Last Error: 00000000\n"));
    EXPECT_EQ(fl_can::state().initialized, 0u);
    EXPECT_EQ(fl_can::state().library, nullptr);
    reinterpret_cast<testcan_control_fn>(platform::get_proc_address(keep, "testcan_control"))()->open_device_result =
        1;
    EXPECT_EQ(fl_can::DrvInitCANDon(4, 1), fl_result::ok);
    fl_can::DrvCloseCAN();
    platform::free_library(keep);
}

class CanTransport : public CanDriverLoader {
protected:
    void SetUp() override
    {
        CanDriverLoader::SetUp();
        ASSERT_EQ(fl_can::DrvInitCANPeak(4, 0), fl_result::ok);
        sw = switches();
        ASSERT_NE(sw, nullptr);
    }
    testcan_switches* sw = nullptr;
    platform::manual_clock clock;
    platform::scoped_clock use_clock{clock};
};

TEST_F(CanTransport, ObjectsOfATransfer)
{
    C_CAN can;
    ASSERT_EQ(can.Open(0x603, 0x583), fl_result::ok);
    EXPECT_EQ(sw->rcv_id, 0x583);
    EXPECT_EQ(sw->snd_id, 0x603);
    EXPECT_EQ(can.Open(0x603, 0x583), fl_result::can_open);  // still open
    can.Close();
    EXPECT_EQ(sw->closed_objects, (std::vector<int16_t>{3, 9}));
    can.Close();
    EXPECT_EQ(sw->closed_objects.size(), 2u);

    // A send object that cannot be opened closes the receive object again.
    sw->closed_objects.clear();
    sw->open_snd_result = 0;
    EXPECT_EQ(can.Open(0x12F, 0x32A), fl_result::can_open);
    EXPECT_EQ(sw->closed_objects, (std::vector<int16_t>{3}));
    sw->open_snd_result = 1;
    sw->open_rcv_result = 0;
    EXPECT_EQ(can.Open(0x12F, 0x32A), fl_result::can_open);
    EXPECT_EQ(sw->snd_opens, 2);
    sw->open_rcv_result = 1;
    ASSERT_EQ(can.Open(0x12F, 0x32A), fl_result::ok);
    EXPECT_EQ(can.request_id(), 0x12F);
    EXPECT_EQ(can.response_id(), 0x32A);

    // The factory makes this transport for both CAN protocols.
    for (T_PROTOCOL p : {PROT_CAN, PROT_QUELCAN}) {
        C_COMM* c = fl_make_comm(p, 0, nullptr);
        EXPECT_NE(dynamic_cast<C_CAN*>(c), nullptr);
        delete c;
    }
}

TEST_F(CanTransport, SendInPiecesWithRetry)
{
    C_CAN can;
    ASSERT_EQ(can.Open(0x605, 0x585), fl_result::ok);
    uint8_t frame[20];
    for (int i = 0; i < 20; ++i)
        frame[i] = static_cast<uint8_t>(i);
    uint16_t sent = 0;
    sw->refuse_writes = 3;
    ASSERT_EQ(can.Send(frame, 20, &sent, 0), fl_result::ok);
    EXPECT_EQ(sent, 20);
    ASSERT_EQ(sw->written.size(), 3u);
    EXPECT_EQ(sw->written[0].length, 8);
    EXPECT_EQ(sw->written[2].length, 4);
    EXPECT_EQ(sw->written[2].data[3], 19);
    for (const testcan_message& m : sw->written)
        EXPECT_EQ(m.id, 0x605);
    EXPECT_EQ(sw->error_calls, 3);  // asked after each refused write only

    struct row {
        const char* name;
        int refuse;
        uint32_t error;
        uint16_t result;
        uint32_t least_ms;
    } rows[] = {
        {"refused with a driver error", 1, 0x0100 | 0x10, fl_result::can_driver, 0},
        {"an error word without its low byte is no error", 2, 0x0100, fl_result::ok, 0},
        {"refused for 100 ms", -1, 0, fl_result::can_send_timeout, 100},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        sw->refuse_writes = r.refuse;
        sw->error_value = r.error;
        uint32_t start = clock.now_ms();
        EXPECT_EQ(can.Send(frame, 8, &sent, 0), r.result);
        EXPECT_GE(clock.now_ms() - start, r.least_ms);
        EXPECT_LE(clock.now_ms() - start, r.least_ms + 2);
        sw->refuse_writes = 0;
        sw->error_value = 0;
    }
}

TEST_F(CanTransport, ReceiveOneMessageAtATime)
{
    C_CAN can;
    ASSERT_EQ(can.Open(0x605, 0x585), fl_result::ok);
    uint16_t error = 0xEEEE;
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(can.RcvReady(&error));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(sw->error_calls, 0);  // an empty poll is no reason to ask for errors

    sw->incoming.push_back({0x585, 3, {0x60, 1, 2, 0, 0, 0, 0, 0}});
    uint32_t start = clock.now_ms();
    can.WaitFrame(50);
    EXPECT_LT(clock.now_ms() - start, 50u);
    // The driver reported it once, to the wait: the transport still knows.
    ASSERT_TRUE(can.RcvReady(&error));
    uint8_t buf[16];
    std::memset(buf, 0xAA, sizeof buf);
    uint16_t len = 0xABCD;
    can.GetFrame(buf, &len);
    EXPECT_EQ(len, 3);
    EXPECT_EQ(buf[0], 0x60);
    EXPECT_FALSE(can.RcvReady(&error));
    start = clock.now_ms();
    can.WaitFrame(20);
    EXPECT_GE(clock.now_ms() - start, 20u);
}

TEST_F(CanTransport, BlockReceive)
{
    C_CAN can;
    ASSERT_EQ(can.Open(0x605, 0x585), fl_result::ok);
    for (uint8_t k = 0; k < 3; ++k)
        sw->incoming.push_back({0x585, 8, {k, k, k, k, k, k, k, k}});
    uint8_t block[20] = {};
    uint16_t count = 0;
    ASSERT_EQ(can.Receive(block, 20, &count, 0, 1, 100), fl_result::ok);
    EXPECT_EQ(count, 20);
    EXPECT_EQ(block[8], 1);
    EXPECT_EQ(block[19], 2);

    EXPECT_EQ(can.Receive(block, 20, &count, 0, 1, 100), fl_result::receive_timeout);
    sw->error_value = 0x40;
    EXPECT_EQ(can.Receive(block, 20, &count, 0, 1, 100), fl_result::can_driver);
    sw->error_value = 0;

    ASSERT_EQ(can.Receive(block, 12, &count, 0, 0, 0), fl_result::ok);
    uint16_t result = 0xEEEE;
    EXPECT_TRUE(can.PollReceive(&result, &count));
    EXPECT_EQ(count, 0);
    sw->incoming.push_back({0x585, 8, {9, 9, 9, 9, 9, 9, 9, 9}});
    sw->incoming.push_back({0x585, 8, {7, 7, 7, 7, 7, 7, 7, 7}});
    EXPECT_TRUE(can.PollReceive(&result, &count));
    EXPECT_EQ(count, 8);
    EXPECT_FALSE(can.PollReceive(&result, &count));
    EXPECT_EQ(count, 12);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(block[11], 7);
}
