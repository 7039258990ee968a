// Saves a picture of each tab of the program window (tab_00.png .. tab_11.png) with a
// program read from the simulated Premium PM controller (the tool-type and tool tabs from the
// one with stored tools and curves), and of the Basic page (basic.png)
// with one read from the simulated Basic controller, for a person to look at.
//   xvfb-run -a build/asan/bench/program_gallery <output folder>
#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <cstdio>

#include "bench/program/gallery_controller.h"
#include "core/device/device_calls.h"
#include "core/image/core_state.h"
#include "core/text/user_seam.h"
#include "core/transfer/config_transfer.h"
#include "program/c_dlgw_program.h"
#include "sim/inprocess_device.h"
#include "sim/profiles.h"
#include "state/link_state.h"
#include "ui_c_dlgw_program.h"

namespace {

bool save(QWidget* w, const QString& folder, const QString& name)
{
    QApplication::processEvents();
    const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}

// Reads the controller's program into the page as the Open command does.
bool read_and_show(c_dlgw_program& page, QWidget& main)
{
    error_record e;
    if (!read_configuration_from_device(e))
        return false;
    rebuild_scanner_lists(program_scanner_model(), program_scanner_proxy(), e);
    page.show_program(&main);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString app_dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(TARVIX_APP_DIR);
    gallery_controller controller;
    if (!controller.start(app_dir, "premium-pm-x"))
        return 1;
    sim::inprocess_device* device = &controller.device();

    QWidget main;
    main.resize(1200, 700);
    auto* page = new c_dlgw_program(&main);
    // The style as the program selects it: after its window and pages are built.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    page->resize(1200, 700);
    main.show();
    bool ok = read_and_show(*page, main);
    Ui::c_dlgw_program* f = page->form();
    // Every tab, the ones the variant hides too.
    for (int t = 0; t < 12; ++t)
        f->tab_Settings->set_tab_visible(t, true);
    if (!f->tbwx_FuncTab->rowIds().empty())
        f->tbwx_FuncTab->selectRowById(f->tbwx_FuncTab->rowIds().front());
    for (int t = 0; t < 12; ++t) {
        f->tab_Settings->set_current_logical(t);
        ok = save(page, folder, QStringLiteral("tab_%1").arg(t, 2, 10, QLatin1Char('0'))) && ok;
    }

    // The tool-type and tool tabs again, with the tools, tool types and records of the
    // process-monitor controller.
    sim::load_profile(device->state(), "premium-pm-tools");
    g_images().working = config_image();
    ok = read_and_show(*page, main) && ok;
    for (int t = 0; t < 12; ++t)
        f->tab_Settings->set_tab_visible(t, true);
    for (int t : {5, 6}) {
        f->tab_Settings->set_current_logical(t);
        ok = save(page, folder, QStringLiteral("tab_%1").arg(t, 2, 10, QLatin1Char('0'))) && ok;
    }
    sim::load_profile(device->state(), "basic");
    sim::load_demo_program(device->state());
    f->tab_Settings->set_tab_visible(11, false);
    g_images().working = config_image();
    ok = read_and_show(*page, main) && ok;
    f->tab_Settings->set_current_logical(0);
    ok = save(page, folder, QStringLiteral("basic")) && ok;
    return ok ? 0 : 1;
}
