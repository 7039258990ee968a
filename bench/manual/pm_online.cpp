// A 100,000-sample process-monitor cycle drawn live on the PM Tools tab with the plotter shown,
// through the tvxsim server process (unpaced). Prints the page's host time per ring block over
// the last 1,000 blocks against the first 1,000 (drawing must stay incremental) and the whole
// run against the time of the same exchanges made bare (status, ring, process data), scaled to
// the number of wire reports the page's run made.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "core/transfer/config_transfer.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_pm_tools.h"
#include "manual/pm_monitor.h"
#include "page_common/c_dlg_plotter.h"
#include "state/shell_state.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_dlgw_manualx.h"

namespace dp = device_protocol;

namespace {

constexpr uint32_t samples = 100000, rate = 24;  // start or end marker and a batch fit the ring

device_frame status_exchange()
{
    device_frame reply;
    error_record e;
    dev_transact(device_frame::make(dp::req_status, dp::count_status_request), reply.data(), e);
    return reply;
}

bool start_cycle(testing_support::tvxsim_process& sim, int tool)
{
    return sim.control().command("pm-cycle samples=" + std::to_string(samples) + " rate=" + std::to_string(rate) +
                                 " tool=" + std::to_string(tool));
}

// True when the ring block just read holds the cycle's end marker.
bool ring_has_end()
{
    const pm::ring_block b = pm::ring_block::parse(g_dev_commands().pm_ring.data());
    for (int k = 0; k < b.n && b.valid(); ++k)
        if (b.entry(k) == pm::marker_end)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    testing_support::tvxsim_process sim;
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    core_reset_for_tests();
    error_record e;
    if (!sim.control().load_profile("premium-pm") || !sim.control().command("program demo") || !hid_open(e)) {
        std::fprintf(stderr, "no link\n");
        return 1;
    }
    hid_receive_thread thread;
    thread.start();
    g_device().pm_capable = 1;
    g_config_image().header().set_field(hdr::pm_sampling_time, 10);
    if (!read_tool_table_from_device(e))
        return 1;

    c_dlg_plotter plotter;
    g_objects().plotter = &plotter;
    c_dlgw_manualx page;
    page.resize(1280, 760);
    page.show();
    page.init_from_device(nullptr);
    page.form()->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_pm_tools);
    plotter.show();
    page.on_status_reply(status_exchange());  // the cycle machine waits for a start
    QApplication::processEvents();
    if (!start_cycle(sim, 1))
        return 1;
    std::vector<double> block_ms;
    bool started = false;
    const uint64_t page_seq = sim.control().log_next_seq();
    QElapsedTimer wall;
    wall.start();
    for (;;) {
        const device_frame status = status_exchange();
        QElapsedTimer t;
        t.start();
        page.on_status_reply(status);
        QApplication::processEvents();
        block_ms.push_back(double(t.nsecsElapsed()) / 1e6);
        const bool recording = g_manual_pm().monitor.cycle_state == pm::recording;
        started = started || recording;
        if ((started && !recording) || block_ms.size() > 10 * samples / rate)
            break;
    }
    const double wall_ms = double(wall.nsecsElapsed()) / 1e6;
    const uint64_t page_reports = sim.control().log_next_seq() - page_seq;
    const size_t n = block_ms.size();
    if (n < 3000 || g_manual_pm().monitor.online.size() != samples) {
        std::fprintf(stderr, "cycle incomplete: %zu replies, %zu samples, state %d, tab %d\n", n,
                     g_manual_pm().monitor.online.size(), int(g_manual_pm().monitor.cycle_state),
                     page.form()->tab_ManualX->current_logical_index());
        return 1;
    }

    // Bare: the page's exchanges per status reply (status, ring, a process-data piece every
    // second reply) until the end marker arrives.
    if (!start_cycle(sim, 0))
        return 1;
    const uint64_t bare_seq = sim.control().log_next_seq();
    QElapsedTimer bare;
    bare.start();
    uint32_t replies = 0;
    for (bool ended = false; !ended && replies < 10 * samples / rate;) {
        status_exchange();
        ended = dev_query_info_1b(e) && ring_has_end();
        if (++replies % 2 == 0)
            dev_query_info_typed(int(replies / 2 % 3), e);
    }
    const double bare_run_ms = double(bare.nsecsElapsed()) / 1e6;
    const uint64_t bare_reports = sim.control().log_next_seq() - bare_seq;
    const double bare_ms = bare_run_ms * double(page_reports) / double(std::max<uint64_t>(1, bare_reports));

    double first = 0, last = 0;
    for (size_t i = 1; i <= 1000; ++i) {
        first += block_ms[i];
        last += block_ms[n - 1 - i];
    }
    std::printf("%zu status replies, online curve %zu samples\n", n, g_manual_pm().monitor.online.size());
    std::printf("host time per ring block: first 1000 %.3f ms, last 1000 %.3f ms\n", first / 1000, last / 1000);
    std::printf("last / first: %.2f  goal <= 1.5\n", last / first);
    std::printf("wire reports: page run %llu, bare run %llu (%.0f ms)\n", (unsigned long long)page_reports,
                (unsigned long long)bare_reports, bare_run_ms);
    std::printf("wall %.0f ms, bare exchanges scaled to the page's reports %.0f ms, ratio %.2f  goal <= 1.5\n", wall_ms,
                bare_ms, wall_ms / bare_ms);
    g_objects().plotter = nullptr;
    thread.stop_and_wait();
    return 0;
}
