// FW Update of a 256 KiB firmware over USB with tvxsim's 1 ms report pacing, against the
// same download by flashcli run alone: the wall time of the whole FW Update (questions
// answered at once, the restart and the wait for the controller included) and of its
// flashcli run through the runner, each as a ratio to flashcli alone. Goal: at most 1.1.
#include <QApplication>
#include <QTest>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "app/c_frm_main.h"
#include "app/c_sndhex.h"
#include "bench/app/answering_services.h"
#include "core/device/device_info.h"
#include "core/text/user_seam.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/app/update_app_dir.h"
#include "tests/sim/tvxsim_process.h"

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

double since(clock_type::time_point t) { return std::chrono::duration<double>(clock_type::now() - t).count(); }

// flashcli as TarvixStudio starts it, its output read through a pipe; the exit status.
int run_alone(const std::vector<std::string>& args)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        std::vector<char*> argv = {const_cast<char*>("./flashcli/flashcli")};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(121);
    }
    close(fds[1]);
    char buf[4096];
    while (read(fds[0], buf, sizeof buf) > 0) {
    }
    close(fds[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

bool answers()
{
    return QTest::qWaitFor([] { return g_link().connected && g_link().device_answered && g_device_info().valid; },
                           60000);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (!std::getenv("TARVIX_APP_DIR")) {
        const fs::path built = fs::canonical(fs::path(argv[0])).parent_path().parent_path() / "app";
        setenv("TARVIX_APP_DIR", built.c_str(), 1);
    }
    testing_support::tvxsim_process sim({"--pace"});
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    const fs::path root = fs::path(sim.folder()) / "bench";
    update_images::installed_set files;
    files.firmware = {1, 17, 6, 0};
    files.firmware_bytes = 256 * 1024;
    files.loader = {1, 5, 0, 0};
    for (uint16_t i = 0; i < 7; ++i)
        files.logic.push_back({3, 20, 64});
    std::string why;
    if (!update_testing::make_update_app_dir(root, files, why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    const std::string firmware = (root / "app" / update_images::firmware_name(files.firmware)).string();

    // flashcli alone, with no TarvixStudio on the link.
    sim.control().command("version firmware 1 16 50");
    auto t0 = clock_type::now();
    const int status = run_alone({"H:E", "=", ")", "./tvx_fsw/dl_hex", "A:1", "E:7", "N:" + firmware});
    const double alone = since(t0);
    if (status != 0) {
        std::printf("flashcli alone ended with status %d\n", status);
        return 1;
    }
    QTest::qWait(3000);  // the controller restarts into its new firmware
    sim.control().command("version firmware 1 16 50");

    // A user who goes straight through: Ok, Yes, the firmware file.
    answering_services answers_ui;
    answers_ui.yes = true;
    answers_ui.path = QString::fromStdString(firmware);
    ui::install(&answers_ui);
    auto* w = new c_frm_main(QStringList{QStringLiteral("TarvixStudio")});
    w->start_link();
    if (!answers()) {
        std::fprintf(stderr, "the controller never answered\n");
        return 1;
    }
    std::atomic<int64_t> run_start{0}, run_end{0};
    QObject::connect(g_objects().runner, &QThread::started, [&] {
        run_start = clock_type::now().time_since_epoch().count();
    });
    QObject::connect(g_objects().runner, &QThread::finished, [&] {
        run_end = clock_type::now().time_since_epoch().count();
    });
    t0 = clock_type::now();
    w->on_ac_FW_Update_triggered();
    const double whole = since(t0);
    const double runner = double(run_end - run_start) / 1e9;
    const bool updated = g_device_info().firmware.minor == 17 && g_device_info().firmware.patch == 6;
    std::printf("firmware 256 KiB over paced USB: flashcli alone %.2f s; through the runner %.2f s, ratio %.3f; "
                "whole FW Update %.2f s, ratio %.3f %s%s\n",
                alone, runner, runner / alone, whole, whole / alone, whole / alone <= 1.1 ? "ok" : "HIGH",
                updated ? "" : " (the controller did not report the new firmware)");
    w->stop_link();
    ui::install(nullptr);
    delete w;
    return updated ? 0 : 1;
}
