// Any bytes as scanners.cscan: the reader never fails but with its range message, and the
// finder's table takes every set-up it built without reading past a table.
#include <QApplication>
#include <QComboBox>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/files/scanner_lists.h"
#include "page_common/c_dlg_scannerfinder.h"
#include "page_common/scanner_finder_file.h"
#include "ui_c_dlg_scannerfinder.h"

namespace {

c_dlg_scannerfinder& finder()
{
    static int argc = 1;
    static char name[] = "fuzz_scanner_finder";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        return new QApplication(argc, argv);
    }();
    (void)app;
    static c_dlg_scannerfinder* f = [] {
        g_scanner_lists().count = 12;
        g_scanner_lists().codes.fill(0xFFFFFFFFu);
        for (int i = 0; i < 12; ++i)
            g_scanner_lists().texts << QStringLiteral("P%1 (a b) c").arg(i);
        return new c_dlg_scannerfinder;
    }();
    return *f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    c_dlg_scannerfinder& f = finder();
    scanner_finder_tables t;
    parse_scanner_finder_text(QByteArray(reinterpret_cast<const char*>(data), int(size)), 12, t);
    for (const scanner_wand& w : t.wands)
        if (w.name.size() > scanner_wand::name_max)
            std::abort();
    for (const scanner_unit& u : t.units)
        if (u.name.size() > scanner_unit::name_max || u.level_count > scanner_unit::level_max)
            std::abort();
    g_scanner_finder = t;
    f.findForConfigured();
    if (f.form()->cb_WandSelect->count() > 0)
        f.form()->cb_WandSelect->setCurrentIndex(0);
    if (f.form()->cb_SU_Select->count() > 0)
        f.form()->cb_SU_Select->setCurrentIndex(f.form()->cb_SU_Select->count() - 1);
    for (const scanner_setup& s : t.setups)
        f.fill_setups_table(s.entries);
    return 0;
}
