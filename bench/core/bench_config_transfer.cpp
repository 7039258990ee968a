// The full write and the full read of a process-monitor configuration against tvxsim with
// its 1 ms USB pacing on: each as a ratio of its wall time to what the link itself needs
// (request/reply exchanges x 2 ms), and the process's CPU time as a share of wall time.
// Run from the build folder: TARVIX_APP_DIR=app bench/bench_core_config_transfer [rounds]
#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sched.h>
#include <sys/resource.h>

#include "core/device/device_calls.h"
#include "core/device/device_exchange.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/link/c_thrrcv.h"
#include "core/link/hid_link.h"
#include "core/transfer/config_transfer.h"
#include "procmon/pm_csv.h"
#include "procmon/procmon_seams.h"
#include "tests/core/transfer_fixture_image.h"
#include "tests/sim/tvxsim_process.h"

namespace {

using clk = std::chrono::steady_clock;

double cpu_seconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

uint64_t exchanges = 0;

struct figures {
    uint64_t exchanges = 0;
    double wall = 0, cpu = 0;
    double ratio() const { return wall / (double(exchanges) * 0.002); }
};

template <typename F>
bool measure(F&& run, figures& f)
{
    exchanges = 0;
    const double c0 = cpu_seconds();
    const auto t0 = clk::now();
    const bool ok = run();
    f.wall = std::chrono::duration<double>(clk::now() - t0).count();
    f.cpu = cpu_seconds() - c0;
    f.exchanges = exchanges;
    return ok;
}

void print(const char* what, const figures& f)
{
    std::printf("%s: %llu exchanges in %.3f s, bound %.3f s, ratio %.3f (goal <= 1.1), CPU %.3f s = %.1f %% of wall "
                "(goal < 10 %%)\n",
                what, static_cast<unsigned long long>(f.exchanges), f.wall, double(f.exchanges) * 0.002, f.ratio(),
                f.cpu, 100 * f.cpu / f.wall);
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    testing_support::tvxsim_process sim;
    if (!sim.ok()) {
        std::fprintf(stderr, "%s (set TARVIX_APP_DIR to the folder that holds tvxsim)\n", sim.error().c_str());
        return 1;
    }
    if (!sim.control().load_profile("premium-pm")) {
        std::fprintf(stderr, "no premium-pm profile\n");
        return 1;
    }
    core_reset_for_tests();
    reset_device_calls();
    g_host_context().data_source = [] { return 1; };
    error_record e;
    if (!hid_open(e)) {
        std::fprintf(stderr, "cannot open the simulated controller\n");
        return 1;
    }
    c_thrrcv thread;
    thread.start();
    dev_exchange().send_observer = [](const device_frame&, uint16_t) { ++exchanges; };
    // The curves come from the program's curve folder, as the program window exports them.
    const config_image written = premium_pm_image();
    QTemporaryDir folder;
    const tool_data_context tools{folder.filePath(QStringLiteral("bench.cdx"))};
    QDir().mkpath(curve_folder_for(tools.program_file));
    for (uint32_t n = 0; n < image_layout::tool_count; ++n) {
        const const_tool_slot s = written.tool(n);
        if (s.in_use() && !write_curve_csv(curve_of(n), s.record().data(),
                                           curve_folder_for(tools.program_file) + "/" +
                                               pm_record_file_name(false, s.record().data()))) {
            std::fprintf(stderr, "cannot write the curve folder\n");
            return 1;
        }
    }
    install_procmon_seams();
    sim.control().set_pacing(true);

    figures best_write, best_read;
    for (int r = 0; r < rounds; ++r) {
        figures w, rd;
        g_config_image() = written;
        reset_config_image(g_reference_image());
        if (!measure([&] { return send_configuration_to_device(false, false, &tools, {}, e); }, w)) {
            std::fprintf(stderr, "write failed: type %d code %d\n", e.type, e.code);
            return 1;
        }
        g_config_image() = config_image();
        reset_config_image(g_config_image());
        if (!measure([&] { return read_configuration_from_device(e); }, rd)) {
            std::fprintf(stderr, "read failed: type %d code %d\n", e.type, e.code);
            return 1;
        }
        std::printf("round %d\n", r + 1);
        print("  full write", w);
        print("  full read ", rd);
        if (r == 0 || w.ratio() < best_write.ratio())
            best_write = w;
        if (r == 0 || rd.ratio() < best_read.ratio())
            best_read = rd;
    }
    std::printf("best of %d rounds, 1 ms USB pacing on\n", rounds);
    print("full write", best_write);
    print("full read ", best_read);
    thread.stop_and_wait();
    return 0;
}
