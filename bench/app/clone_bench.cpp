// Create Clone from controller A and Program Clone into controller B (other versions, so
// the loader and the firmware travel too), both tvxsim with the USB link paced at one report
// per 1 ms frame. Prints the wall time of each command against its bound: the exchanges the
// program made times 2 ms, plus the same flashcli lines run alone against the controller.
//   build/asan/bench/app_clone_bench        (TARVIX_APP_DIR: the built application directory)
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>

#include "app/app_directories.h"
#include "app/c_dlg_createclone.h"
#include "app/c_frm_main.h"
#include "app/c_qfiledialog_clone.h"
#include "bench/app/answering_services.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/link/hid_link.h"
#include "core/text/user_seam.h"
#include "sim/update_images.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_dlg_createclone.h"

namespace {


QStringList* g_lines = nullptr;
QElapsedTimer g_clock;
void collect(QtMsgType, const QMessageLogContext&, const QString& m)
{
    if (qEnvironmentVariableIsSet("CLONE_BENCH_TRACE") && (m.contains(QStringLiteral("Start-Cmd")) || m.contains(QStringLiteral("on_finished"))))
        std::fprintf(stderr, "%8lld %s\n", (long long)g_clock.elapsed(), qPrintable(m.left(120)));
    const QString mark = QStringLiteral("Start-Cmd: ");
    if (g_lines && m.contains(mark))
        g_lines->append(m.mid(m.indexOf(mark) + mark.size()));
}

std::string ask(testing_support::tvxsim_process& sim, const std::string& line)
{
    std::string result;
    sim.control().command(line, &result);
    return result;
}

bool running(testing_support::tvxsim_process& sim)
{
    return QTest::qWaitFor([&] { return ask(sim, "personality").rfind("application", 0) == 0; }, 60000);
}

// The program's link answers again after a flashcli run.
bool answering()
{
    const uint64_t seen = hid_reports_received();
    return QTest::qWaitFor([&] { return g_link().connected && hid_reports_received() > seen + 2; }, 60000);
}

// The same flashcli lines alone, each once the controller runs its application again. Only a
// run that succeeds counts: a line refused because the controller was not ready yet (the program
// waits for it between its steps) is run again, and a line that never succeeds makes the bound
// unknown (-1), not small.
double flashcli_alone(testing_support::tvxsim_process& sim, const QStringList& lines)
{
    double ms = 0;
    for (const QString& line : lines) {
        bool done = false;
        for (int attempt = 0; attempt < 3 && !done; ++attempt) {
            running(sim);
            QProcess p;
            QElapsedTimer t;
            t.start();
            QStringList args = QProcess::splitCommand(line);
            const QString program = args.isEmpty() ? QString() : args.takeFirst();
            p.start(program, args);
            p.closeWriteChannel();
            p.waitForFinished(180000);
            done = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
            if (done)
                ms += double(t.nsecsElapsed()) / 1e6;
        }
        if (!done) {
            std::printf("flashcli alone never succeeded: %s\n", qPrintable(line));
            return -1;
        }
    }
    running(sim);
    return ms;
}

struct measured {
    double wall_ms = 0;
    uint64_t exchanges = 0;
    QStringList lines;
};

measured run(const std::function<void()>& command)
{
    measured m;
    g_lines = &m.lines;
    const uint64_t before = hid_reports_received();
    QElapsedTimer t;
    t.start();
    command();
    m.wall_ms = double(t.nsecsElapsed()) / 1e6;
    m.exchanges = hid_reports_received() - before;
    g_lines = nullptr;
    return m;
}

void report(const char* name, const measured& m, double alone_ms)
{
    if (alone_ms < 0) {
        std::printf("%-14s wall %8.0f ms  no bound: flashcli alone failed\n", name, m.wall_ms);
        return;
    }
    const double bound = double(m.exchanges) * 2.0 + alone_ms;
    std::printf("%-14s wall %8.0f ms  exchanges %6llu (x 2 ms = %6.0f ms)  flashcli alone %7.0f ms (%d runs)  "
                "ratio %.3f\n",
                name, m.wall_ms, (unsigned long long)m.exchanges, double(m.exchanges) * 2.0, alone_ms,
                int(m.lines.size()), m.wall_ms / bound);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString installed = QString::fromLocal8Bit(qgetenv("TARVIX_APP_DIR"));
    if (installed.isEmpty())
        installed = QCoreApplication::applicationDirPath() + QStringLiteral("/../app");
    qputenv("TARVIX_APP_DIR", installed.toLocal8Bit());

    // An application directory of the bench's own: flashcli, the settings files, the hook
    // images, and the loader and firmware that controller A's versions name.
    QTemporaryDir tmp;
    const QString dir = tmp.path();
    QFile::link(installed + QStringLiteral("/flashcli"), dir + QStringLiteral("/flashcli"));
    for (const char* sub : {"tvx_clones", "tvx_fsw", "tvx_firmload", "tvx_firmloadx", "tvx_logic"}) {
        QDir().mkpath(dir + QLatin1Char('/') + QLatin1String(sub));
        for (const QString& f : QDir(installed + QLatin1Char('/') + QLatin1String(sub)).entryList(QDir::Files))
            QFile::copy(installed + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + f,
                        dir + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + f);
    }
    for (const char* f : {"scannerx.lst", "scanners.cscan", "KONFIG.CFG"})
        QFile::copy(installed + QLatin1Char('/') + QLatin1String(f), dir + QLatin1Char('/') + QLatin1String(f));
    update_images::write_installed(dir.toStdString(), update_images::installed_set{});
    const std::vector<uint8_t> loader = update_images::loader_image({1, 5, 3});
    update_images::write_file((dir + QStringLiteral("/tvx_firmload/F251_10503.bin")).toStdString(), loader.data(),
                              loader.size());
    // A firmware of the full 448 KiB of sectors 1 to 7.
    const std::string firmware = update_images::firmware_hex({1, 17, 6, 12}, 448 * 1024);
    update_images::write_file((dir + QStringLiteral("/tvx_fsw/F252_117.06.012.hex")).toStdString(), firmware.data(),
                              firmware.size());
    QDir::setCurrent(dir);
    init_app_dirs(dir, dir + QStringLiteral("/data"));
    set_directory_copies(dir, dir + QStringLiteral("/data"));

    testing_support::tvxsim_process a({"--pace"}), b({"--pace"});
    if (!a.ok() || !b.ok()) {
        std::fprintf(stderr, "tvxsim: %s %s\n", a.error().c_str(), b.error().c_str());
        return 1;
    }
    ask(a, "version firmware 1 17 6 12");
    ask(a, "version loader 1 5 3");
    ask(b, "version firmware 1 17 7 3");
    ask(b, "version loader 1 5 4");
    std::vector<uint8_t> area(0x10000);
    for (size_t i = 0; i < area.size(); ++i)
        area[i] = uint8_t(i * 31 + (i >> 8));
    const std::string area_file = (dir + QStringLiteral("/area.bin")).toStdString();
    update_images::write_file(area_file, area.data(), area.size());
    ask(a, "area-load 3 " + area_file);

    static answering_services ui_answers;
    ui_answers.path = data_file(QStringLiteral("tvx_clones/bench.clns"));
    ui::install(&ui_answers);
    g_clock.start();
    qInstallMessageHandler(collect);

    auto window_on = [](testing_support::tvxsim_process& sim) {
        // A fresh link to this controller: nothing of the last window's link state carries over.
        link_reset_for_tests();
        hid_link_reset_for_tests();
        dev_exchange_reset_for_tests();
        qputenv("TARVIX_HID_SIM", QByteArray::fromStdString(sim.folder()));
        auto w = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        w->start_link();
        if (!QTest::qWaitFor([] { return g_link().connected && g_link().device_answered && g_device_info().valid; },
                             60000))
            std::fprintf(stderr, "the controller did not answer within 60 s\n");
        return w;
    };

    std::unique_ptr<c_frm_main> w = window_on(a);
    const measured create = run([&] { w->on_ac_CreateClone_triggered(); });
    answering();
    w->stop_link();
    w.reset();
    const double create_alone = flashcli_alone(a, create.lines);

    w = window_on(b);
    const measured program = run([&] { w->on_ac_ProgramClone_triggered(); });
    w->stop_link();
    w.reset();
    const double program_alone = flashcli_alone(b, program.lines);

    qInstallMessageHandler(nullptr);
    std::printf("Clone of a full controller (64 KiB device memory, 32 KiB flash configuration and loader, %zu KiB "
                "firmware HEX), USB paced at 1 ms a report; goal: ratio at most 1.15\n",
                firmware.size() / 1024);
    report("Create Clone", create, create_alone);
    report("Program Clone", program, program_alone);
    const double total_bound = double(create.exchanges + program.exchanges) * 2.0 + create_alone + program_alone;
    if (create_alone >= 0 && program_alone >= 0)
        std::printf("%-14s wall %8.0f ms  bound %8.0f ms  ratio %.3f\n", "both", create.wall_ms + program.wall_ms,
                total_bound, (create.wall_ms + program.wall_ms) / total_bound);
    ui::install(nullptr);
    return 0;
}
