// Not a unit test: the main window against tvxsim with 1 ms USB frames each way, offscreen,
// in one run:
//  1. CPU time while connected and idle on the start page;
//  2. CPU time in manual mode on the Monitoring tab (or the PROFIBUS tab of a PROFIBUS
//     controller, or the DeviceNet tab of a DeviceNet controller) with the controller still, and with
//     "live on 10" (inputs, outputs, switches and position changing ten times a second);
//  3. the delay from a changed input bit to its LED lit, checked after each event pass,
//     40 times, against the status period (wall time per status reply, from the wire log).
// Goals: median delay / status period <= 2; still / idle <= 1.3; live / idle <= 2.
//   manual_live_cycle [seconds per phase] [monitoring|profibus|devicenet]
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <string>
#include <vector>

#include "app/c_frm_main.h"
#include "core/protocol/device_protocol.h"
#include "manual/c_dlgw_manualx.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_dlgw_manualx.h"
#include "ui_c_frm_main.h"
#include "widgets/led_styles.h"

namespace dp = device_protocol;

namespace {

double cpu_seconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void run_for(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop as the program does and checks the condition after each pass.
template <typename F>
bool pump_until(F condition, int ms)
{
    QElapsedTimer t;
    t.start();
    if (condition())
        return true;
    QEventLoop loop;
    bool met = false;
    QTimer check;
    check.setInterval(0);
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (condition()) {
            met = true;
            loop.quit();
        } else if (t.elapsed() > ms) {
            loop.quit();
        }
    });
    check.start();
    loop.exec();
    return met;
}

struct phase {
    double cpu_per_s;          // CPU seconds per wall second
    double status_period_ms;   // wall time per status reply
};

phase measure(testing_support::tvxsim_process& sim, int seconds)
{
    const double c0 = cpu_seconds();
    QElapsedTimer wall;
    wall.start();
    const uint64_t seq = sim.control().log_next_seq();
    run_for(seconds * 1000);
    const double cpu = cpu_seconds() - c0;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    size_t status = 0;
    for (const sim::wire_entry& e : sim.control().wire_log(seq))
        status += e.direction == sim::wire_direction::out && (e.frame(2) & dp::type_kind_mask) == dp::kind_status;
    return {cpu / elapsed, status ? 1000.0 * elapsed / double(status) : 0.0};
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    const std::string view = argc > 2 ? argv[2] : "monitoring";
    int tab = c_dlgw_manualx::tab_monitoring;
    if (view == "profibus")
        tab = c_dlgw_manualx::tab_profibus;
    else if (view == "devicenet")
        tab = c_dlgw_manualx::tab_devicenet;
    else if (view != "monitoring") {
        std::fprintf(stderr, "view: monitoring, profibus or devicenet\n");
        return 2;
    }

    testing_support::tvxsim_process sim;
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    std::string r;
    if (!sim.control().command(tab == c_dlgw_manualx::tab_devicenet ? "profile premium-dn" : "profile premium", &r) ||
        !sim.control().command("program demo", &r)) {
        std::fprintf(stderr, "tvxsim: %s\n", r.c_str());
        return 1;
    }
    auto* window = new c_frm_main(QStringList{QStringLiteral("TarvixStudio")});
    window->show();
    window->start_link();
    if (!pump_until([] { return g_link().connected && g_link().device_answered; }, 30000)) {
        std::fprintf(stderr, "never connected\n");
        return 1;
    }
    run_for(1000);

    // 1. Idle on the start page, paced as a real controller.
    sim.control().set_pacing(true);
    run_for(500);
    const phase idle = measure(sim, seconds);

    // 2. Manual mode, Monitoring, the controller still (the upload runs unpaced).
    sim.control().set_pacing(false);
    window->form()->ac_ManualMode->trigger();
    if (g_shell().window_mode != wm_manual) {
        std::fprintf(stderr, "manual mode not entered\n");
        return 1;
    }
    Ui::c_dlgw_manualx* f = window->manual_page()->form();
    f->tab_ManualX->set_current_logical(tab);
    if (f->tab_ManualX->current_logical_index() != tab) {
        std::fprintf(stderr, "the %s tab is not shown\n", view.c_str());
        return 1;
    }
    sim.control().set_pacing(true);
    run_for(1000);
    const phase still = measure(sim, seconds);

    // 3. Input bit -> LED, 40 times: input 1 (LED rl_I0) on and off in turn.
    const QString lit = led_style_sheets()[led_yellow];
    std::vector<double> delays;
    for (int i = 0; i < 40; ++i) {
        const bool on = i % 2 == 0;
        sim.control().set_status(dp::data_offset + dp::status_inputs, {uint8_t(on ? 1 : 0), 0});
        // The bit is changed once the simulator has answered the command.
        QElapsedTimer t;
        t.start();
        if (!pump_until([&] { return (f->rl_I0->styleSheet() == lit) == on; }, 5000)) {
            std::fprintf(stderr, "the LED did not follow\n");
            return 1;
        }
        delays.push_back(double(t.nsecsElapsed()) / 1e6);
        run_for(30);
    }
    std::sort(delays.begin(), delays.end());

    // 4. Live changes.
    if (!sim.control().command("live on 10", &r)) {
        std::fprintf(stderr, "tvxsim: %s\n", r.c_str());
        return 1;
    }
    run_for(500);
    const phase live = measure(sim, seconds);
    sim.control().command("live off", &r);

    const double median = delays[delays.size() / 2];
    std::printf("view in manual mode: %s\n", view.c_str());
    std::printf("idle on the start page: %.2f %% of one core, status period %.2f ms\n", 100 * idle.cpu_per_s,
                idle.status_period_ms);
    std::printf("manual mode, still:     %.2f %% of one core, status period %.2f ms\n", 100 * still.cpu_per_s,
                still.status_period_ms);
    std::printf("manual mode, live 10/s: %.2f %% of one core, status period %.2f ms\n", 100 * live.cpu_per_s,
                live.status_period_ms);
    std::printf("input bit -> LED lit: median %.2f ms, max %.2f ms over %zu changes\n", median, delays.back(),
                delays.size());
    std::printf("median / status period (manual, still): %.2f  goal <= 2\n", median / still.status_period_ms);
    std::printf("CPU still / idle: %.2f  goal <= 1.3\n", still.cpu_per_s / idle.cpu_per_s);
    std::printf("CPU live / idle:  %.2f  goal <= 2\n", live.cpu_per_s / idle.cpu_per_s);
    delete window;
    return 0;
}
