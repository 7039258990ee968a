// Not a benchmark: pictures of the update flows for a person to look at. The main window
// runs FW Update, the PROFINET-FW Update and a controller in its loader against the tvxsim
// process and the real flashcli; every box the flows raise is shown as the program shows it,
// saved, and answered; the window is saved while flashcli's output fills the pane, and the
// wait for the controller while it restarts.
//   xvfb-run -a build/asan/bench/app_update_shots <output folder>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QStyleFactory>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "app/c_frm_main.h"
#include "app/c_sndhex.h"
#include "bench/app/answering_services.h"
#include "core/image/core_state.h"
#include "core/text/user_seam.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/app/update_app_dir.h"
#include "tests/sim/tvxsim_process.h"
#include "widgets/c_my_led.h"
#include "widgets/led_styles.h"

namespace {

namespace fs = std::filesystem;

int shots = 0;
QString folder;

bool save(QWidget* w, const QString& name)
{
    const QString file = QStringLiteral("%1/%2_%3.png").arg(folder).arg(++shots, 2, 10, QLatin1Char('0')).arg(name);
    const bool ok = w->grab().save(file);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(file));
    return ok;
}

// Shows each box as the program would, saves it and presses the answer a user going
// through the update presses: Ok or Yes, No to a retry.
class shooting_ui : public answering_services {
public:
    shooting_ui() { yes = true; }
    int message(ui::box_kind kind, const QString& title, const QString& text, int buttons, int) override
    {
        static const QMessageBox::Icon icons[] = {QMessageBox::Critical, QMessageBox::Warning,
                                                  QMessageBox::Information, QMessageBox::Question};
        QMessageBox box(icons[int(kind)], title, text, QMessageBox::StandardButtons(buttons));
        box.show();
        QApplication::processEvents();
        save(&box, QStringLiteral("box_") + title.toLower());
        box.hide();
        return answer(kind, buttons);
    }
};

void wait_for(const char* what, const std::function<bool()>& condition)
{
    if (!QTest::qWaitFor(condition, 30000))
        std::fprintf(stderr, "gave up waiting: %s\n", what);
}

bool answers(int ms = 30000)
{
    return QTest::qWaitFor([] { return g_link().connected && g_link().device_answered; }, ms);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
    folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    folder = QDir(folder).absolutePath();
    if (!std::getenv("TARVIX_APP_DIR")) {
        const fs::path built = fs::canonical(fs::path(argv[0])).parent_path().parent_path() / "app";
        setenv("TARVIX_APP_DIR", built.c_str(), 1);
    }
    testing_support::tvxsim_process sim;
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    sim.control().command("version firmware 1 16 50");
    const fs::path root = fs::path(sim.folder()) / "shots";
    update_images::installed_set files;
    files.firmware = {1, 17, 6, 0};
    files.firmware_bytes = 48 * 1024;
    files.loader = {1, 6, 0, 0};
    for (uint16_t i = 0; i < 7; ++i)
        files.logic.push_back({3, 20, 64});
    files.profinet = {2, 1, 0, 8};
    std::string why;
    if (!update_testing::make_update_app_dir(root, files, why)) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 1;
    }
    shooting_ui shooter;
    ui::install(&shooter);
    shooter.path = QString::fromStdString((root / "app" / update_images::firmware_name(files.firmware)).string());

    auto* w = new c_frm_main(QStringList{QStringLiteral("TarvixStudio")});
    w->start_link();
    w->show();
    if (!answers()) {
        std::fprintf(stderr, "the controller never answered\n");
        return 1;
    }
    // The window while flashcli's output fills the pane: once a run has printed some lines.
    int notices = 0;
    QObject::connect(g_objects().runner, &c_sndhex::sndHexOutput, w, [&] {
        if (++notices % 4 == 0 && notices <= 16)
            save(w, QStringLiteral("output_pane"));
    });
    // The wait for the controller, once.
    bool waited = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        for (QWidget* t : QApplication::topLevelWidgets())
            if (!waited && qobject_cast<QProgressDialog*>(t) && t->isVisible()) {
                waited = true;
                save(t, QStringLiteral("wait_progress"));
            }
    });
    watch.start(50);

    w->on_ac_FW_Update_triggered();
    answers();
    wait_for("the green LED", [w] { return w->led_STB_Online->styleSheet() == led_style_sheets()[led_green]; });
    save(w, QStringLiteral("after_update"));

    // The questions of a name that is no firmware name, and of a flashcli that fails.
    w->check_firmware_file_name("test");
    w->run_flashcli("./flashcli/flashcli H:E  \"=\" ) \"./missing_settings\"", true);

    // A controller that runs only its loader: the firmware it lacks, then a cancelled dialog.
    sim.control().command("profile loader");
    wait_for("loader state", [] { return g_device().loader_state; });
    w->on_ac_FW_Update_triggered();
    wait_for("the firmware", [] { return !g_device().loader_state; });
    sim.control().command("profile loader");
    wait_for("loader state", [] { return g_device().loader_state; });
    shooter.path.clear();
    w->on_ac_FW_Update_triggered();

    // The PROFINET-FW Update of a PROFINET controller.
    sim.control().command("profile premium-24");
    wait_for("the firmware", [] { return !g_device().loader_state; });
    answers();
    shooter.path = QString::fromStdString((root / "app" / update_images::profinet_name(files.profinet)).string());
    w->on_ac_TPS_Update_triggered();

    w->stop_link();
    ui::install(nullptr);
    delete w;
    return 0;
}
