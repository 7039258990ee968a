// A 100,000-sample process-monitor cycle drawn live on the PM Tools tab with the plotter shown,
// against the simulated controller in this process (unpaced). Prints the page's host time per
// ring block over the last 1,000 blocks against the first 1,000 (drawing must stay
// incremental) and the whole run against the same exchanges made bare.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <vector>

#include "app/shell_state.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "core/transfer/config_transfer.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_pm_tools.h"
#include "platform/hid_fake.h"
#include "procmon/windows/c_dlg_plotter.h"
#include "sim/demo_program.h"
#include "sim/inprocess_device.h"
#include "sim/pm_live.h"
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

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    core_reset_for_tests();
    platform::hid_fake_backend fake;
    platform::hid_install_backend(&fake);
    sim::inprocess_device dev(fake, "premium-pm");
    error_record e;
    if (!hid_open(e)) {
        std::fprintf(stderr, "no link\n");
        return 1;
    }
    hid_receive_thread thread;
    thread.start();
    sim::load_demo_program(dev.state());
    g_device().pm_capable = 1;
    g_config_image().header().set_field(hdr::pm_sampling_time, 10);
    if (!read_tool_table_from_device(e))
        return 1;

    // Bare: the same exchanges per status reply (status, ring, a process-data piece every second).
    sim::pm_start_cycle(dev.state(), samples, rate, 0, 0, false, 0);
    QElapsedTimer bare;
    bare.start();
    uint32_t replies = 0;
    while (dev.state().pm.active || dev.state().pm.unread) {
        status_exchange();
        dev_query_info_1b(e);
        if (++replies % 2 == 0)
            dev_query_info_typed(int(replies / 2 % 3), e);
    }
    const double bare_ms = double(bare.nsecsElapsed()) / 1e6;

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
    sim::pm_start_cycle(dev.state(), samples, rate, 0, 0, false, 1);
    std::vector<double> block_ms;
    QElapsedTimer wall;
    wall.start();
    while (dev.state().pm.active || dev.state().pm.unread || g_manual_pm().monitor.cycle_state == pm::recording) {
        const device_frame status = status_exchange();
        QElapsedTimer t;
        t.start();
        page.on_status_reply(status);
        QApplication::processEvents();
        block_ms.push_back(double(t.nsecsElapsed()) / 1e6);
        if (block_ms.size() > 10 * samples / rate)
            break;
    }
    const double wall_ms = double(wall.nsecsElapsed()) / 1e6;
    const size_t n = block_ms.size();
    if (n < 3000 || g_manual_pm().monitor.online.size() != samples) {
        std::fprintf(stderr, "cycle incomplete: %zu replies, %zu samples, state %d, tab %d\n", n,
                     g_manual_pm().monitor.online.size(), int(g_manual_pm().monitor.cycle_state),
                     page.form()->tab_ManualX->current_logical_index());
        return 1;
    }
    double first = 0, last = 0;
    for (size_t i = 1; i <= 1000; ++i) {
        first += block_ms[i];
        last += block_ms[n - 1 - i];
    }
    std::printf("%zu status replies, online curve %zu samples\n", n, g_manual_pm().monitor.online.size());
    std::printf("host time per ring block: first 1000 %.3f ms, last 1000 %.3f ms\n", first / 1000, last / 1000);
    std::printf("last / first: %.2f  goal <= 1.5\n", last / first);
    std::printf("wall %.0f ms, bare exchanges %.0f ms, ratio %.2f  goal <= 1.5\n", wall_ms, bare_ms, wall_ms / bare_ms);
    g_objects().plotter = nullptr;
    thread.stop_and_wait();
    platform::hid_install_backend(nullptr);
    return 0;
}
