// TarvixStudio's entry point: the two directories, the main window, the one-instance guard,
// the style and the event loop.
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QEventLoop>
#include <QStyleFactory>
#include <QTimer>
#include <clocale>

#include "app/app_directories.h"
#include "app/c_frm_main.h"
#include "app/run_guard.h"
#include "core/device/device_commands.h"
#include "core/files/app_dirs.h"
#include "core/text/global_tables.h"
#include "core/text/user_seam.h"
#include "procmon/procmon_seams.h"
#include "state/shell_state.h"
#include "widgets/qt_services.h"
#include "widgets/screenshot.h"

namespace {

// Unattended runs with TARVIX_AUTO_ANSWER set to a number of milliseconds: every box stays
// "open" that long, its event loop running as a shown box's would, before it gets the
// quiet services' answer. A box of a transfer keeps the link timer off the link meanwhile,
// as the program's own boxes do.
class delayed_answers final : public ui::services {
public:
    delayed_answers(ui::services& quiet, int ms) : quiet_(quiet), ms_(ms) {}
    int message(ui::box_kind kind, const QString& title, const QString& text, int buttons,
                int default_button) override
    {
        exchange_busy_guard busy(in_progress_);
        QEventLoop open;
        QTimer::singleShot(ms_, &open, &QEventLoop::quit);
        open.exec();
        return quiet_.message(kind, title, text, buttons, default_button);
    }
    void progress_begin(const QString& title) override
    {
        in_progress_ = true;
        quiet_.progress_begin(title);
    }
    void progress_set(int percent) override { quiet_.progress_set(percent); }
    int progress_value() const override { return quiet_.progress_value(); }
    void progress_end() override
    {
        in_progress_ = false;
        quiet_.progress_end();
    }
    void process_events() override { quiet_.process_events(); }
    QString open_file_name(QWidget* p, const QString& c, const QString& d, const QString& f) override
    {
        return quiet_.open_file_name(p, c, d, f);
    }
    QString save_file_name(QWidget* p, const QString& c, const QString& d, const QString& f) override
    {
        return quiet_.save_file_name(p, c, d, f);
    }
    QString existing_directory(QWidget* p, const QString& c, const QString& d) override
    {
        return quiet_.existing_directory(p, c, d);
    }
    int run_modal(QWidget* dialog) override { return quiet_.run_modal(dialog); }

private:
    ui::services& quiet_;
    int ms_;
    bool in_progress_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Qt takes the user's locale; every number the program reads or writes with C functions
    // uses the point.
    std::setlocale(LC_NUMERIC, "C");

    // TARVIX_AUTO_ANSWER keeps the quiet services, which answer every box with its default
    // and log it, so that unattended runs never wait for a user (a value above 1: after
    // that many milliseconds).
    static ui::qt_services services;
    if (qEnvironmentVariableIsEmpty("TARVIX_AUTO_ANSWER"))
        ui::install(&services);
    const int answer_after_ms = qEnvironmentVariableIntValue("TARVIX_AUTO_ANSWER");
    static delayed_answers delayed(ui::current(), answer_after_ms);
    if (answer_after_ms > 1)
        ui::install(&delayed);

    const QString appDir = QCoreApplication::applicationDirPath();
    QDir::setCurrent(appDir);
    const QString dataDir = default_data_directory();
    if (!init_app_dirs(appDir, dataDir))
        qWarning("The data directory %s or one of its folders could not be made", qPrintable(dataDir));
    if (!set_directory_copies(appDir, dataDir)) {
        ui::critical(QStringLiteral("Error: The program directory or the data directory cannot be used "
                                    "(longer than %1 bytes):\n%2\n%3")
                         .arg(shell_dir_buffer_size - 1)
                         .arg(appDir, dataDir));
        return 1;
    }

    // The constant tables and the one memory-card search of the start-up.
    install_procmon_seams();
    build_global_tables();

    // Never deleted: the window, its pages and dialogs live until the process ends.
    auto* mainWindow = new c_frm_main(QCoreApplication::arguments());
    services.set_progress_dialog(g_objects().progress_dialog);

    c_run_guard guard(QStringLiteral("TARVIX_HOST_QT"));
    qDebug("Running a release build");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));

    // An unattended run (screenshot and run time from the environment) also ends when it is
    // refused, instead of waiting for ever on the refusal's box.
    ui::schedule_screenshot_from_environment();
    if (!guard.try_to_run()) {
        ui::current().message(ui::box_kind::warning, ui::title_warning(),
                              QStringLiteral("Error: The program is already running! Only 1 instance is allowed!"),
                              ui::ok, ui::no_button);
        mainWindow->stop_link();
        return 1;
    }
    mainWindow->start_link();
    mainWindow->show();
    const int result = app.exec();
    // The receive thread must not outlive the objects it uses while the exit handlers run.
    mainWindow->stop_link();
    guard.release();
    return result;
}
