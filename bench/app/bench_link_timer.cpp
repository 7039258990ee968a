// Not a unit test: the main window connected to the tvxsim server (1 ms USB frames in each
// direction, as the controller's interrupt endpoint paces them), offscreen.
//  1. CPU time of a bare loop that does only the exchange itself: status request out, the
//     receive thread's hand-off of the reply to the GUI thread, the frame taken, back to back
//     as the link timer polls;
//  2. CPU time of the whole program while it stays connected and idle, at the exchange rate
//     the link gives it, and its ratio to the bare loop's CPU per second (goal: at most 1.5);
//  3. the delay from a changed position in the simulator to the status panel showing it
//     (goal: median under 50 ms).
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <vector>

#include "app/c_frm_main.h"
#include "core/link/c_thrrcv.h"
#include "core/link/hid_link.h"
#include "core/protocol/device_frame.h"
#include "core/text/user_seam.h"
#include "state/link_state.h"
#include "tests/sim/tvxsim_process.h"

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

template <typename F>
bool pump_until(F condition, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() > ms)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

struct load {
    double cpu_per_second = 0;  // CPU seconds per wall second
    double exchanges_per_second = 0;
};

// The floor of the link: what the hand-off from the receive thread to the GUI thread costs
// with nothing done with the replies. Same timer, same waits as the link timer's tick.
load bare_handoff(int seconds)
{
    error_record err;
    if (!hid_open(err)) {
        std::fprintf(stderr, "bare loop: no controller (code %d)\n", int(err.code));
        return {};
    }
    c_thrrcv receiver;
    receiver.start();
    bool in_flight = false;
    uint64_t exchanges = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        error_record e;
        bool sent = false;
        if (!in_flight) {
            const device_frame request = make_status_request();
            in_flight = sent = hid_send_frame(request.data(), device_protocol::frame_size, e);
        }
        bool got = hid_poll(e);
        if (!got && hid_wait(sent ? 4 : 1))
            got = hid_poll(e);
        if (got && e.code == 0) {
            device_frame reply;
            uint16_t length = 0;
            if (hid_take_frame(reply.data(), length, e)) {
                in_flight = false;
                ++exchanges;
            }
        }
    });
    tick.start();
    run_for(1000);
    const double c0 = cpu_seconds();
    const uint64_t e0 = exchanges;
    QElapsedTimer wall;
    wall.start();
    run_for(seconds * 1000);
    load l;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    l.cpu_per_second = (cpu_seconds() - c0) / elapsed;
    l.exchanges_per_second = double(exchanges - e0) / elapsed;
    tick.stop();
    receiver.stop_and_wait();
    hid_link_reset_for_tests();
    return l;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "*.debug=false");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    testing_support::tvxsim_process sim;
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    sim.control().set_pacing(true);

    const load bare = bare_handoff(seconds);
    if (bare.exchanges_per_second <= 0) {
        std::fprintf(stderr, "bare loop: no exchanges\n");
        return 1;
    }
    std::printf("bare hand-off loop: %.2f %% of one core at %.0f exchanges/s\n", 100.0 * bare.cpu_per_second,
                bare.exchanges_per_second);

    auto* window = new c_frm_main(QStringList{QStringLiteral("TarvixStudio")});
    window->start_link();
    window->show();
    if (!pump_until([] { return g_link().connected && g_link().device_answered; }, 30000)) {
        std::fprintf(stderr, "never connected\n");
        return 1;
    }
    run_for(1000);  // settle: the first full redraw, the LED

    const double c0 = cpu_seconds();
    QElapsedTimer wall;
    wall.start();
    const uint64_t before = sim.control().log_next_seq();
    const uint64_t ticks_before = g_link().ticks;
    run_for(seconds * 1000);
    const double cpu = cpu_seconds() - c0;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    const uint64_t frames = sim.control().log_next_seq() - before;
    std::printf("idle connected program: %.2f %% of one core (%.2f s CPU in %.1f s; %.0f wire reports/s, %.0f ticks/s)"
                "  goal < 2 %%\n",
                100.0 * cpu / elapsed, cpu, elapsed, double(frames) / elapsed,
                double(g_link().ticks - ticks_before) / elapsed);
    // Both at the exchange rate the paced link allows; the ratio is of CPU per second.
    std::printf("idle program / bare hand-off: %.2f  goal <= 1.5 (%.0f vs %.0f exchanges/s)\n",
                (cpu / elapsed) / bare.cpu_per_second, double(frames) / 2.0 / elapsed, bare.exchanges_per_second);

    // Status change -> panel: the current position (status data 30..33, frame bytes 34..37).
    std::vector<double> delays;
    for (int i = 1; i <= 40; ++i) {
        const int32_t v = i * 1111;
        std::vector<uint8_t> bytes{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        const QString old = window->l_STB_CurPos->text();
        QElapsedTimer t;
        t.start();
        sim.control().set_status(34, bytes);
        if (!pump_until([&] { return window->l_STB_CurPos->text() != old; }, 5000)) {
            std::fprintf(stderr, "the panel did not change\n");
            return 1;
        }
        delays.push_back(double(t.nsecsElapsed()) / 1e6);
        run_for(20);
    }
    std::sort(delays.begin(), delays.end());
    std::printf("status change -> panel: median %.2f ms, max %.2f ms over %zu changes  goal: median < 50 ms\n",
                delays[delays.size() / 2], delays.back(), delays.size());
    delete window;
    return 0;
}
