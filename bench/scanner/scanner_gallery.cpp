// Saves a picture of each scanner window, filled as a user would see it: the parameter page's
// three tabs with a user set, the data source dialog of its Save As, the user scanner set
// dialog, and the scanner finder with the installed scanners.cscan, unit first (a known
// scanner connected) and wand first.
#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "core/device/device_calls.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/scanner_lists.h"
#include "core/files/scanner_params.h"
#include "core/image/core_state.h"
#include "page_common/c_dlg_scannerfinder.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "scanner/c_dlg_scanparausw.h"
#include "scanner/c_dlgw_scannerfull.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_scannerfull.h"

namespace {

bool save(QWidget* w, const QString& folder, const char* name)
{
    w->show();
    QApplication::processEvents();
    const QString file = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}

scanner_record user_set()
{
    scanner_record r;
    r.set_name(QStringLiteral("S20-Long-2"));
    int v = 1200;
    for (const field_desc& f : scanner_record::fields()) {
        if (f.kind == field_kind::signed_int && f.offset > 0)
            r.set_word(int(f.offset), v += 37);
    }
    for (int k = 0; k < 8; ++k) {
        const int step = k == 0 ? 0 : (k == 7 ? 1 : k + 1);
        r.set_word(72 + 4 * step, 300 + 45 * k);
        r.set_word(132 + 4 * step, 1500 - 120 * k);
    }
    r.set_word(184, 0x0B);
    return r;
}

int32_t wand_unit_word(int wand, int unit) { return (wand + 1) | ((unit + 1) << 8); }

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    const QString app_dir = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(TARVIX_APP_DIR);
    QTemporaryDir data;
    if (!init_app_dirs(app_dir, data.path())) {
        std::printf("FAILED to set up %s\n", qPrintable(data.path()));
        return 1;
    }
    bool ok = true;

    // The lists as scannerx.lst gives them, on a Premium PM controller.
    read_scanner_list();
    g_host_context().data_source = [] { return 2; };
    error_record err;
    rebuild_scanner_lists(nullptr, nullptr, err);
    g_scanner_lists().user_set_names = {QStringLiteral("USER_0_S20-Long-2"), QStringLiteral("USER_1_NotDef")};
    g_device().family_code = 0x30;
    g_host_context().family_code = [] { return uint8_t(0x30); };

    g_scanner_params().user = user_set();
    g_scanner_params().device_copy = g_scanner_params().user;
    c_dlgw_scannerfull page;
    page.resize(640, 480);
    const char* tabs[] = {"page_tab1_gain", "page_tab2_force_speed", "page_tab3_other"};
    for (int i = 0; i < 3; ++i) {
        page.form()->tab_Settings->setCurrentIndex(i);
        ok = save(&page, folder, tabs[i]) && ok;
    }
    page.hide();

    // The data source dialog as Save As shows it for scanner parameters.
    c_dlg_srcauswahl source;
    g_shell().source_save_mode = true;
    g_shell().window_mode = wm_scanner_files;
    source.prepareFileDialog();
    ok = save(&source, folder, "source_dialog_scanner_parameters") && ok;
    source.hide();
    g_shell().window_mode = wm_start;

    c_dlg_scanparausw sets;
    sets.prepare();
    ok = save(&sets, folder, "user_set_dialog") && ok;
    sets.hide();

    c_dlg_scannerfinder finder;
    // Unit first: the connected scanner SU-100 is known; wand S20L and scanner 4 configured.
    g_host_context().data_source = [] { return 1; };
    g_device_info().scanner_article_text = "5206719";
    g_config_image().header().set_field(16, 4);
    g_config_image().header().set_field(300, wand_unit_word(1, 0));
    finder.findForConfigured();
    ok = save(&finder, folder, "finder_unit_first") && ok;
    finder.hide();

    // Wand first (a program from a file): wand S10 on unit SU-200, scanner 2.
    g_host_context().data_source = [] { return 2; };
    g_config_image().header().set_field(16, 2);
    g_config_image().header().set_field(300, wand_unit_word(0, 1));
    finder.findForConfigured();
    ok = save(&finder, folder, "finder_wand_first") && ok;
    finder.hide();

    // Wand first with nothing configured: the two step hints.
    g_config_image().header().set_field(300, 0);
    finder.findForConfigured();
    ok = save(&finder, folder, "finder_wand_first_empty") && ok;
    return ok ? 0 : 1;
}
