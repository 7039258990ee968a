// Saves a picture of each element dialog of the program window, filled from the demo
// program of the simulated Premium controller:
//   function_new.png, function_edit.png, function_monitor.png  the function dialog
//   area_mode4.png, area_mode7.png                             the area dialog
//   cluster.png                                                the cluster dialog
//   advanced_settings.png                                      the advanced settings dialog
//   tool_type.png, tool.png    the tool-type and tool dialogs (premium-pm-tools controller)
//   setup_1tool_m1.png, setup_1tool_m2.png, setup_3tool.png    the set-up wizards, calculated
//   xvfb-run -a build/asan/bench/program_dialogs_gallery <output folder>
#include <QApplication>
#include <QComboBox>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QDir>
#include <QStyleFactory>
#include <cstdio>

#include "bench/program/gallery_controller.h"
#include "core/device/device_calls.h"
#include "core/image/core_state.h"
#include "core/transfer/config_transfer.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "program_dialogs/c_dlg_area.h"
#include "program_dialogs/c_dlg_prgcluster.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "program_dialogs/c_dlg_prgtool.h"
#include "program_dialogs/c_dlg_prgtooltype.h"
#include "program_dialogs/c_dlg_setup_1tool_m1.h"
#include "program_dialogs/c_dlg_setup_1tool_m2.h"
#include "program_dialogs/c_dlg_setup_3tool.h"
#include "program_dialogs/element_buffers.h"
#include "program_dialogs/tool_edit_buffers.h"
#include "sim/profiles.h"
#include "ui_c_dlg_prgfunction.h"
#include "ui_c_dlg_setup_1tool_m1.h"
#include "ui_c_dlg_setup_1tool_m2.h"
#include "ui_c_dlg_setup_3tool.h"
#include "widgets/c_qlineedit_extend.h"

namespace {

QString g_folder;

bool save(QWidget* w, const QString& name)
{
    w->show();
    QApplication::processEvents();
    const QString file = g_folder + QLatin1Char('/') + name + QStringLiteral(".png");
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    std::fflush(stdout);
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

// A copy of vendor tool type 2 and tool 3, from the controller with stored tools.
bool tool_pictures(c_dlgw_program& page, QWidget& main, sim::world& w)
{
    error_record e;
    sim::load_profile(w, "premium-pm-tools");
    if (!read_configuration_from_device(e))
        return false;
    page.show_program(&main);
    const config_image& img = g_config_image();
    tool_type_edit_record& t = tool_type_edit_buffer();
    t.index = -1;
    const const_byte_view type = img.tool_type(2).record();
    std::copy(type.data(), type.data() + tool_type_record_size, t.record.begin());
    tool_type_dialog()->open(true);
    bool ok = save(tool_type_dialog(), QStringLiteral("tool_type"));
    tool_edit_record& b = tool_edit_buffer();
    b.index = 3;
    const const_byte_view tool = img.tool(3).record();
    std::copy(tool.data(), tool.data() + tool_record_size, b.record.begin());
    tool_dialog()->open_edit();
    return save(tool_dialog(), QStringLiteral("tool")) && ok;
}

// Each wizard taught and calculated on a set-up of V 100.00, reference angle 90.00, R 50.00.
bool setup_pictures(c_dlgw_program& page)
{
    settings_header h = g_config_image().header();
    h.set_field(hdr::vert_distance, 10000);
    h.set_field(hdr::ref_angle_90, 9000);
    h.set_field(hdr::ref_tool_length, 5000);
    auto* m1 = static_cast<c_dlg_setup_1tool_m1*>(page.setup_wizard(0));
    auto* m2 = static_cast<c_dlg_setup_1tool_m2*>(page.setup_wizard(1));
    auto* three = static_cast<c_dlg_setup_3tool*>(page.setup_wizard(2));

    m1->init_dialog();
    m1->form()->ebx_ToolLength1->setValue(15000);
    m1->take_teach(5, 4000);
    m1->form()->bn_Calculate->click();
    bool ok = save(m1, QStringLiteral("setup_1tool_m1"));

    m2->init_dialog();
    m2->form()->ebx_Distance1->setValue(5000);
    m2->form()->ebx_Distance2->setValue(5000);
    m2->form()->ebx_Distance3->setValue(6000);
    m2->form()->ebx_ToolLength1->setValue(10000);
    m2->take_teach(6, 1000);
    m2->form()->bn_Calculate->click();
    ok = save(m2, QStringLiteral("setup_1tool_m2")) && ok;

    three->init_dialog();
    Ui::c_dlg_setup_3tool& f = *three->form();
    c_qlineedit_extend* lengths[3] = {f.ebx_ToolLength1, f.ebx_ToolLength2, f.ebx_ToolLength3};
    const int32_t length[3] = {3000, 5000, 8000}, angle[3] = {10131, 9000, 7330};
    for (int i = 0; i < 3; ++i) {
        lengths[i]->setValue(length[i]);
        three->take_teach(i + 1, angle[i]);
    }
    f.bn_Calculate->click();
    return save(three, QStringLiteral("setup_3tool")) && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString app_dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(TARVIX_APP_DIR);
    gallery_controller controller;
    if (!controller.start(app_dir, "premium"))
        return 1;

    QWidget main;
    auto* page = new c_dlgw_program(&main);
    error_record e;
    bool ok = read_configuration_from_device(e);
    if (!ok)
        std::printf("FAILED to read the program (error %d)\n", int(e.code));
    rebuild_scanner_lists(program_scanner_model(), program_scanner_proxy(), e);
    page->show_program(&main);

    ok = function_pictures(*function_dialog()) && ok;
    ok = area_pictures(*area_dialog()) && ok;
    fill_buffer(4, 4);
    ok = cluster_dialog()->init_dialog() && save(cluster_dialog(), QStringLiteral("cluster")) && ok;
    page->advanced_options()->load();
    ok = save(page->advanced_options(), QStringLiteral("advanced_settings")) && ok;
    ok = setup_pictures(*page) && ok;
    ok = tool_pictures(*page, main, controller.device().state()) && ok;
    return ok ? 0 : 1;
}
