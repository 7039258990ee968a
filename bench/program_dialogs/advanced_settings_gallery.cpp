// Saves a picture of the advanced settings dialog (advanced_settings.png) with the settings
// read from the simulated Premium controller (family 0x20), for a person to look at.
//   xvfb-run -a build/asan/bench/advanced_settings_gallery <output folder>
#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "app/link_state.h"
#include "app/shell_state.h"
#include "core/files/app_dirs.h"
#include "core/files/scanner_lists.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "core/text/global_tables.h"
#include "core/transfer/config_transfer.h"
#include "platform/hid_fake.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "sim/demo_program.h"
#include "sim/inprocess_device.h"
#include "sim/profiles.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QTemporaryDir data;
    if (!init_app_dirs(QStringLiteral(TARVIX_APP_DIR), data.path())) {
        std::printf("FAILED to set up %s\n", qPrintable(data.path()));
        return 1;
    }
    build_global_tables();
    read_scanner_list();
    g_program_document().source = 1;

    platform::hid_fake_backend fake;
    platform::hid_install_backend(&fake);
    auto device = std::make_unique<sim::inprocess_device>(fake, "premium");
    sim::load_demo_program(device->state());
    error_record e;
    if (!hid_open(e)) {
        std::printf("FAILED to open the simulated controller\n");
        return 1;
    }
    hid_receive_thread receiver;
    receiver.start();
    bool ok = read_configuration_from_device(e);
    receiver.stop_and_wait();
    hid_link_reset_for_tests();
    platform::hid_install_backend(nullptr);
    if (!ok) {
        std::printf("FAILED to read the simulated controller's configuration\n");
        return 1;
    }

    c_dlg_advancedoptions dialog;
    dialog.load();
    dialog.show();
    QApplication::processEvents();
    const QString file = folder + QStringLiteral("/advanced_settings.png");
    ok = dialog.grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok ? 0 : 1;
}
