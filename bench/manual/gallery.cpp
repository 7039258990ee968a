// Saves pictures of the manual mode page against tvxsim with its demo program: the
// Monitoring tab after a cycle, the Manual tab with lit LEDs and switch labels, the Trace tab
// with three traced results, the Error Buffer tab in the advanced view, the PROFIBUS tab, the
// Selfcheck tab after a self test with one red indicator, the page on a Basic controller, the
// PM Tools tab of a process-monitor controller with records and tools listed and one tool
// ticked, and the DeviceNet tab of a DeviceNet controller on each of its three protocol pages.
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QStackedWidget>
#include <QStyleFactory>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "app/c_frm_main.h"
#include "core/image/core_state.h"
#include "core/text/global_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_pm_tools.h"
#include "manual/manual_state.h"
#include "page_common/c_dlg_plotter.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_dlgw_manualx.h"
#include "ui_c_frm_main.h"
#include "widgets/qt_services.h"

namespace {

bool wait_for(const std::function<bool()>& condition, int ms = 20000)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool save(QWidget* w, const QString& folder, const char* name)
{
    const QString file = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}

bool ask(testing_support::tvxsim_process& sim, const std::string& line)
{
    std::string result;
    const bool ok = sim.control().command(line, &result);
    if (!ok)
        std::fprintf(stderr, "tvxsim %s: %s\n", line.c_str(), result.c_str());
    return ok;
}

// Connects a fresh main window and enters manual mode; the window stays alive in `w`.
bool enter(std::unique_ptr<c_frm_main>& w)
{
    w = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
    w->resize(1280, 800);
    w->show();
    w->start_link();
    if (!wait_for([] { return g_link().connected && g_link().device_answered; })) {
        std::fprintf(stderr, "never connected\n");
        return false;
    }
    w->form()->ac_ManualMode->trigger();
    return g_shell().window_mode == wm_manual;
}

// The real services, but the file dialogs answer the gallery's own file and boxes are not shown.
class gallery_services : public ui::qt_services {
public:
    QString file;
    int message(ui::box_kind kind, const QString& title, const QString& text, int buttons, int def) override
    {
        std::printf("box %d %s: %s\n", int(kind), qPrintable(title), qPrintable(text));
        return ui::default_answer(buttons, def);
    }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return file; }
    QString append_file_name(QWidget*, const QString&, const QString&, const QString&) override { return file; }
    QString text_line(QWidget*, const QString&, const QString&) override { return QString(); }
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    build_global_tables();  // the column titles, as at the program's start
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    gallery_services services;
    ui::install(&services);
    testing_support::tvxsim_process sim;
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    bool ok = ask(sim, "profile premium") && ask(sim, "program demo") && ask(sim, "cycle polls=3 offset=5");
    // Inputs 1, 2, 3 and 5, outputs 1 and 3, DIP 0x29, hex switches 3, A, 1.
    ok = ok && ask(sim, "status 28 0x17 0x00 0x05 0x29 0xA3 0x01");
    std::unique_ptr<c_frm_main> w;
    ok = ok && enter(w);
    if (!ok)
        return 1;
    Ui::c_dlgw_manualx* f = w->manual_page()->form();

    // Monitoring after a cycle of function 5.
    f->tbwx_FuncTab->selectRowById(5);
    f->bn_Start->click();
    wait_for([&] { return f->l_Counter->text() == QStringLiteral("17"); });
    settle(300);
    ok = save(w.get(), folder, "manual-monitoring") && ok;

    // The Manual tab with the single scan and the stepper.
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_manual);
    settle(300);
    ok = save(w.get(), folder, "manual-manual") && ok;

    // Trace: three results of function 5 into a new trace file.
    services.file = folder + QStringLiteral("/manual-gallery.trc");
    QFile::remove(services.file);
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_trace);
    f->bn_Trc_StartTrace->click();
    f->tbwx_trc_FuncTab->selectRowById(5);
    for (int i = 1; i <= 3; ++i) {
        f->bn_Trc_Start->click();
        wait_for([&] { return f->tbwx_Trace->rowCount() >= i; });
    }
    settle(300);
    ok = save(w.get(), folder, "manual-trace") && ok;
    f->bn_Trc_StopTrace->click();

    // The Error Buffer in the advanced view: three entries, the second after a power-on.
    ok = ok && ask(sim, "error-clear") &&
         ask(sim, "error-add code=26 source=5 function=12 values=1234,-50,99999 scode=0x8105 detail=0x12AB34CD "
                  "status=05-00-00-00-01-00-00-00 time=90061001") &&
         ask(sim, "error-add code=70 source=1 values=0,0,0 time=5000 power-on=1") &&
         ask(sim, "error-add code=43 source=10 function=511 values=4500,100,4512 status=00-01-00-00-00-00-00-00 time=7000");
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_error_buffer);
    f->chb_AdvancedErrorBuf->setChecked(true);
    wait_for([&] { return f->tbwx_ErrorBuf->rowCount() == 4; });
    settle(500);
    ok = save(w.get(), folder, "manual-error-buffer") && ok;

    // PROFIBUS: the controller's 32-word image.
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_profibus);
    wait_for([&] { return f->tbwx_PB_In->rowCount() == 32 && f->tbwx_PB_In->item(2, 1)->text() == "123.45"; });
    settle(300);
    ok = save(w.get(), folder, "manual-profibus") && ok;

    // Selfcheck (hidden on every entry, shown here through the tab widget): a self test to its
    // end, the curves scaled to it, and the scanner indicator red (error byte bit 2, code 29).
    ok = ok && ask(sim, "selftest rate=20 samples=1200 serial=1234567890 op-time=3725 overtemp=61 power=4550 "
                        "speed=9875 time-factor=102");
    ok = ok && ask(sim, "info 0x19 7 29") && ask(sim, "status 5 0x04");
    f->tab_ManualX->set_tab_visible(c_dlgw_manualx::tab_selfcheck, true);
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_selfcheck);
    f->ebx_ST_AreaChk->setValue(4500);
    f->bn_StartSelfCheck->click();
    wait_for([&] { return f->l_ST_SerialNr->text() == QStringLiteral("1234567.890"); }, 30000);
    f->bn_ST_ShowPlotter->click();
    settle(500);
    ok = save(w.get(), folder, "manual-selfcheck") && ok;
    ok = ok && ask(sim, "status 5 0x00");
    ui::install(nullptr);

    // A Basic controller: back to the start page, another controller, Manual Mode again.
    w->close();
    ok = ok && ask(sim, "profile basic") && ask(sim, "program demo") && ask(sim, "status 28 0x03 0x00 0x01");
    settle(500);
    w->form()->ac_ManualMode->trigger();
    ok = ok && g_shell().window_mode == wm_manual;
    if (ok) {
        settle(500);
        ok = save(w.get(), folder, "manual-basic") && ok;
    }

    // A process-monitor controller: two start cycles and a teach, then tool 1 ticked.
    w->close();
    ok = ok && ask(sim, "profile premium-pm") && ask(sim, "program demo");
    settle(500);
    w->form()->ac_ManualMode->trigger();
    ok = ok && g_shell().window_mode == wm_manual;
    if (ok) {
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_pm_tools);
        for (const char* cycle : {"pm-cycle samples=120 rate=10 gap-at=55 gap=3 tool=0",
                                  "pm-cycle samples=80 rate=10 tool=2", "pm-cycle samples=60 teach=1 tool=1"}) {
            ok = ask(sim, cycle) && ok;
            const size_t before = f->tbvx_PM_Records->row_ids().size();
            wait_for([&] { return f->tbvx_PM_Records->row_ids().size() > before; }, 3000);
            settle(300);
        }
        if (QStandardItem* it = f->tbvx_PM_Tools->item_of_array_index(1, 0)) {
            it->setCheckState(Qt::Checked);
            w->manual_page()->on_tbvx_PM_Tools_cb_clicked(1, 0, Qt::Checked);
        }
        settle(300);
        std::printf("online curve: %zu samples, records listed: %zu\n", g_manual_pm().monitor.online.size(),
                    f->tbvx_PM_Records->row_ids().size());
        ok = save(w.get(), folder, "manual-pm-tools") && ok;

        // The plotter with the online curve of a long cycle, mid-way.
        f->bn_ShowPlotter->click();
        ok = ask(sim, "pm-cycle samples=600 rate=4 gap-at=200 gap=20 tool=3") && ok;
        wait_for([] { return g_manual_pm().monitor.online.size() > 300; }, 20000);
        if (c_dlg_plotter* p = g_objects().plotter) {
            settle(300);
            std::printf("online curve mid-cycle: %zu samples\n", g_manual_pm().monitor.online.size());
            ok = save(p, folder, "manual-plotter-online") && ok;
            p->hide();
        }
    }

    // A DeviceNet controller: its tab on each protocol (configuration word at block byte 4).
    w->close();
    ok = ok && ask(sim, "profile premium-dn") && ask(sim, "program demo");
    settle(500);
    w->form()->ac_ManualMode->trigger();
    ok = ok && g_shell().window_mode == wm_manual;
    if (ok) {
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_devicenet);
        const char* const config[3] = {"0x01 0x00", "0x89 0x00", "0x11 0x01"};
        for (int p = 0; p < 3; ++p) {
            ok = ask(sim, std::string("info 0x14 9 ") + config[p]) && ok;
            wait_for([&] { return f->stw_DN_In->currentIndex() == p && f->l_MacId->text() == QStringLiteral("5"); }, 5000);
            settle(500);
            const std::string name = "manual-devicenet-" + std::to_string(p);
            ok = save(w.get(), folder, name.c_str()) && ok;
        }
    }
    return ok ? 0 : 1;
}
