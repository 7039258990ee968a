// The start the program screenshot programs share: the application folders over a
// temporary data folder, the global tables and the scanner list, then a simulated controller
// with the demo program in this process on the fake HID backend, opened, its receive thread
// running. Everything is closed again when the object goes out of scope.
#pragma once
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "core/device/device_calls.h"
#include "core/files/app_dirs.h"
#include "core/files/scanner_lists.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "core/text/global_tables.h"
#include "core/transfer/config_transfer.h"
#include "platform/hid_fake.h"
#include "sim/demo_program.h"
#include "sim/inprocess_device.h"
#include "state/shell_state.h"

// Under the address sanitizer: what Qt's platform plugins keep until the process ends is
// theirs, not a leak of the program (the tests read the same list from tests/lsan.supp).
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libQt5Core\nleak:libQt5Gui\nleak:libQt5Widgets\nleak:libqoffscreen\nleak:libqxcb\n"
           "leak:libfontconfig\nleak:libglib\nleak:libdbus\n";
}

class gallery_controller {
public:
    // False, with the reason printed, when the folders or the link cannot be set up.
    bool start(const QString& app_dir, const char* profile)
    {
        if (!init_app_dirs(app_dir, data_.path())) {
            std::printf("FAILED to set up %s\n", qPrintable(data_.path()));
            return false;
        }
        build_global_tables();
        read_scanner_list();
        g_program_document().source = 1;
        g_host_context().data_source = [] { return 1; };

        platform::hid_install_backend(&fake_);
        device_ = std::make_unique<sim::inprocess_device>(fake_, profile);
        sim::load_demo_program(device_->state());
        error_record e;
        if (!hid_open(e)) {
            std::printf("FAILED to open the simulated controller\n");
            return false;
        }
        receiver_.start();
        return true;
    }

    ~gallery_controller()
    {
        receiver_.stop_and_wait();
        hid_link_reset_for_tests();
        platform::hid_install_backend(nullptr);
    }

    sim::inprocess_device& device() { return *device_; }

private:
    QTemporaryDir data_;
    platform::hid_fake_backend fake_;
    std::unique_ptr<sim::inprocess_device> device_;
    hid_receive_thread receiver_;
};
