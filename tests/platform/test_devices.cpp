#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/devices/devices.h"
#include "platform/devices/services.h"
#include "platform/devices/win_error.h"
#include "platform/dynlib.h"

namespace devices = platform::devices;
namespace services = platform::services;
namespace win_error = platform::win_error;

namespace {

// Answers code 1 by echoing its input reversed; any other code is refused as an invalid parameter.
class echo_device : public devices::device {
public:
    uint32_t open() override { return refuse_open; }
    void close() override { ++closes; }
    uint32_t io_control(uint32_t code, const void* in, uint32_t in_size, void* out, uint32_t out_size,
                        uint32_t* returned) override
    {
        if (code != 1 || out_size < in_size)
            return win_error::invalid_parameter;
        const uint8_t* i = static_cast<const uint8_t*>(in);
        uint8_t* o = static_cast<uint8_t*>(out);
        for (uint32_t k = 0; k < in_size; ++k)
            o[k] = i[in_size - 1 - k];
        *returned = in_size;
        return 0;
    }
    uint32_t refuse_open = 0;
    int closes = 0;
};

}  // namespace

TEST(DynamicLoading, WindowsNamesMapOntoSharedObjectsAndPlainSymbols)
{
    struct row {
        const char* in;
        const char* library;
        const char* symbol;
    } rows[] = {
        {"pcanbridge.DLL", "libpcanbridge.so", "pcanbridge.DLL"},
        {"isacan.dll", "libisacan.so", "isacan.dll"},
        {"_CANOpenDevice@12", "_CANOpenDevice@12", "CANOpenDevice"},
        {"_CANError@0", "_CANError@0", "CANError"},
        {"CANError", "CANError", "CANError"},
        {"_CANWrMsg@1x", "_CANWrMsg@1x", "_CANWrMsg@1x"},
        {"libfoo.so", "libfoo.so", "libfoo.so"},
        {"C:\\WIN\\kerncan.DLL", "libkerncan.so", "C:\\WIN\\kerncan.DLL"},
    };
    for (const row& r : rows) {
        EXPECT_EQ(platform::shared_object_name(r.in), r.library) << r.in;
        EXPECT_EQ(platform::undecorated_name(r.in), r.symbol) << r.in;
    }
}

TEST(DynamicLoading, LoadsADriverLibraryAndBindsItsDecoratedNames)
{
    const char* app = std::getenv("TARVIX_APP_DIR");
    ASSERT_NE(app, nullptr);
    platform::set_library_dir(std::string(app) + "/flashcli");
    platform::library_handle lib = platform::load_library("portcan.DLL");
    ASSERT_NE(lib, nullptr) << platform::last_load_error();
    EXPECT_NE(platform::get_proc_address(lib, "_CANOpenDevice@12"), nullptr);
    EXPECT_NE(platform::get_proc_address(lib, "_CANRdMsg@20"), nullptr);
    EXPECT_EQ(platform::get_proc_address(lib, "_CANNoSuch@4"), nullptr);
    EXPECT_TRUE(platform::free_library(lib));

    EXPECT_EQ(platform::load_library("nosuchdriver.DLL"), nullptr);
    EXPECT_FALSE(platform::last_load_error().empty());
    platform::set_library_dir("");
}

TEST(NamedDevices, OpenRequestAndCloseThroughTheHandle)
{
    auto dev = std::make_shared<echo_device>();
    devices::register_device("ECHODRV", dev);

    platform::set_last_error(0);
    EXPECT_EQ(devices::create_file("\\\\.\\NOSUCH"), devices::invalid_handle);
    EXPECT_EQ(platform::get_last_error(), win_error::file_not_found);
    EXPECT_EQ(devices::create_file("ECHODRV"), devices::invalid_handle);  // not a device path

    devices::handle h = devices::create_file("\\\\.\\echodrv");  // names compare without case
    ASSERT_NE(h, devices::invalid_handle);
    const uint8_t in[3] = {1, 2, 3};
    uint8_t out[4] = {};
    uint32_t n = 99;
    ASSERT_TRUE(devices::device_io_control(h, 1, in, 3, out, 4, &n));
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[2], 1);

    EXPECT_FALSE(devices::device_io_control(h, 2, in, 3, out, 4, &n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(platform::get_last_error(), win_error::invalid_parameter);
    // The last error belongs to the thread that failed.
    uint32_t other = 1234;
    std::thread([&] { other = platform::get_last_error(); }).join();
    EXPECT_EQ(other, 0u);

    // Unregistering stops new opens; the open handle keeps its device.
    devices::unregister_device("ECHODRV");
    EXPECT_EQ(devices::create_file("\\\\.\\ECHODRV"), devices::invalid_handle);
    EXPECT_TRUE(devices::device_io_control(h, 1, in, 1, out, 4, &n));
    EXPECT_TRUE(devices::close_handle(h));
    EXPECT_EQ(dev->closes, 1);
    EXPECT_FALSE(devices::close_handle(h));
    EXPECT_FALSE(devices::device_io_control(h, 1, in, 1, out, 4, &n));
    EXPECT_EQ(platform::get_last_error(), win_error::invalid_handle);

    dev->refuse_open = win_error::gen_failure;
    devices::register_device("ECHODRV", dev);
    EXPECT_EQ(devices::create_file("\\\\.\\ECHODRV"), devices::invalid_handle);
    EXPECT_EQ(platform::get_last_error(), win_error::gen_failure);
    devices::unregister_device("ECHODRV");
}

TEST(Services, StartAndStopRunTheServiceOnceAndReportWindowsErrors)
{
    services::reset();
    uint32_t start_error = 0;
    int running = 0;
    services::configure("CANKDRV", {[&]() -> uint32_t {
                                        if (!start_error)
                                            ++running;
                                        return start_error;
                                    },
                                    [&]() -> uint32_t {
                                        --running;
                                        return 0;
                                    }});
    services::sc_handle m = services::open_manager();
    ASSERT_NE(m, 0);
    EXPECT_EQ(services::open_service(m, "OTHER"), 0);
    EXPECT_EQ(platform::get_last_error(), win_error::service_does_not_exist);

    services::sc_handle s = services::open_service(m, "CANKDRV");
    ASSERT_NE(s, 0);
    EXPECT_FALSE(services::stop_service(s));
    EXPECT_EQ(platform::get_last_error(), win_error::service_not_active);

    start_error = win_error::gen_failure;
    EXPECT_FALSE(services::start_service(s));
    EXPECT_EQ(platform::get_last_error(), win_error::gen_failure);
    EXPECT_FALSE(services::is_running("CANKDRV"));

    start_error = 0;
    EXPECT_TRUE(services::start_service(s));
    EXPECT_FALSE(services::start_service(s));
    EXPECT_EQ(platform::get_last_error(), win_error::service_already_running);
    EXPECT_EQ(running, 1);
    EXPECT_TRUE(services::stop_service(s));
    EXPECT_EQ(running, 0);
    EXPECT_EQ(services::starts("CANKDRV"), 1);
    EXPECT_EQ(services::stops("CANKDRV"), 1);
    EXPECT_TRUE(services::close_service_handle(s));
    EXPECT_FALSE(services::start_service(s));
    EXPECT_EQ(platform::get_last_error(), win_error::invalid_handle);
    EXPECT_TRUE(services::close_service_handle(m));

    services::set_manager_available(false);
    EXPECT_EQ(services::open_manager(), 0);
    EXPECT_EQ(platform::get_last_error(), win_error::access_denied);
    services::reset();
}
