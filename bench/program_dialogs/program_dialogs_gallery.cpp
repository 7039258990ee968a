// Saves a picture of each element dialog of the program window, filled from the demo
// program of the simulated Premium controller:
//   function_new.png, function_edit.png, function_monitor.png  the function dialog
//   area_mode4.png, area_mode7.png                             the area dialog
//   cluster.png                                                the cluster dialog
//   advanced_settings.png                                      the advanced settings dialog
//   xvfb-run -a build/asan/bench/program_dialogs_gallery <output folder>
#include <QApplication>
#include <QComboBox>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QDir>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

#include "app/shell_state.h"
#include "core/device/device_calls.h"
#include "core/files/app_dirs.h"
#include "core/files/scanner_lists.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "core/text/global_tables.h"
#include "core/transfer/config_transfer.h"
#include "platform/hid_fake.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_area.h"
#include "program_dialogs/c_dlg_prgcluster.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "program_dialogs/element_buffers.h"
#include "sim/demo_program.h"
#include "sim/inprocess_device.h"
#include "ui_c_dlg_prgfunction.h"

namespace {

QString g_folder;

bool save(QWidget* w, const QString& name)
{
    w->show();
    QApplication::processEvents();
    const QString file = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    w->hide();
    return ok;
}

// The edit buffer as the page fills it: function n (or a cluster from n), or a new one (-1).
void fill_buffer(int n, int count)
{
    cluster_edit_buffer& b = g_cluster_edit_buffer();
    const function_record_bytes def = function_record_clear(g_config_image().header());
    b.records = {def, def, def, def};
    b.index = n;
    for (int i = 0; n >= 0 && i < count; ++i) {
        const const_function_record r = g_config_image().function(uint32_t(n + i));
        std::copy(r.data(), r.data() + image_layout::function_size, b.records[size_t(i)].begin());
    }
}

bool function_pictures(c_dlg_prgfunction& d)
{
    bool ok = true;
    fill_buffer(-1, 1);
    ok = d.showFunction() && save(&d, QStringLiteral("function_new")) && ok;
    fill_buffer(1, 1);
    ok = d.showFunction() && save(&d, QStringLiteral("function_edit")) && ok;
    // The same function turned into a monitor function: the area panel and its button.
    fill_buffer(9, 1);
    if (!d.showFunction())
        return false;
    QComboBox* mode = d.form()->cb_TS_Mode;
    mode->setCurrentIndex(mode->findData(4));
    return save(&d, QStringLiteral("function_monitor")) && ok;
}

bool area_pictures(c_dlg_area& a)
{
    area_record& r = g_area_record();
    r.v = {0, 2000, 2000, 3000, 3000, 0, 0};
    a.init_dialog(4);
    bool ok = save(&a, QStringLiteral("area_mode4"));
    r.v = {4500, 2000, 2000, 3000, 3000, 0, 0};
    a.init_dialog(7);
    return save(&a, QStringLiteral("area_mode7")) && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString app_dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(TARVIX_APP_DIR);
    QTemporaryDir data;
    if (!init_app_dirs(app_dir, data.path())) {
        std::printf("FAILED to set up %s\n", qPrintable(data.path()));
        return 1;
    }
    build_global_tables();
    read_scanner_list();
    g_program_document().source = 1;
    g_host_context().data_source = [] { return 1; };

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

    QWidget main;
    auto* page = new c_dlgw_program(&main);
    bool ok = read_configuration_from_device(e);
    if (!ok)
        std::printf("FAILED to read the program (error %d)\n", int(e.code));
    rebuild_scanner_lists(program_scanner_model(), program_scanner_proxy(), e);
    page->show_program(&main);

    ok = function_pictures(*function_dialog()) && ok;
    ok = area_pictures(*area_dialog()) && ok;
    fill_buffer(4, 4);
    ok = cluster_dialog()->init_dialog() && save(cluster_dialog(), QStringLiteral("cluster")) && ok;
    // advanced_settings.png: the advanced settings dialog's picture goes here.

    receiver.stop_and_wait();
    hid_link_reset_for_tests();
    platform::hid_install_backend(nullptr);
    return ok ? 0 : 1;
}
