// TarvixStudio's entry point: the two directories, the main window, the one-instance guard,
// the style and the event loop.
#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QStyleFactory>
#include <clocale>

#include "app/app_directories.h"
#include "app/c_frm_main.h"
#include "app/run_guard.h"
#include "app/shell_state.h"
#include "core/files/app_dirs.h"
#include "core/text/user_seam.h"
#include "widgets/qt_services.h"
#include "widgets/screenshot.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Qt takes the user's locale; every number the program reads or writes with C functions
    // uses the point.
    std::setlocale(LC_NUMERIC, "C");

    // TARVIX_AUTO_ANSWER keeps the quiet services, which answer every box with its default
    // and log it, so that unattended runs never wait for a user.
    static ui::qt_services services;
    if (qEnvironmentVariableIsEmpty("TARVIX_AUTO_ANSWER"))
        ui::install(&services);

    const QString appDir = QCoreApplication::applicationDirPath();
    QDir::setCurrent(appDir);
    const QString dataDir = default_data_directory();
    if (!init_app_dirs(appDir, dataDir))
        qWarning("The data directory %s or one of its folders could not be made", qPrintable(dataDir));
    if (!set_directory_copies(appDir, dataDir)) {
        ui::critical(QStringLiteral("Error: The program directory or the data directory cannot be used "
                                    "(longer than %1 characters or not Latin-1):\n%2\n%3")
                         .arg(shell_dir_buffer_size - 1)
                         .arg(appDir, dataDir));
        return 1;
    }

    // Never deleted: the window, its pages and dialogs live until the process ends.
    auto* mainWindow = new c_frm_main(QCoreApplication::arguments());
    services.set_progress_dialog(g_objects().progress_dialog);

    c_run_guard guard(QStringLiteral("TARVIX_HOST_QT"));
    qDebug("Running a release build");
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));

    if (!guard.try_to_run()) {
        ui::current().message(ui::box_kind::warning, ui::title_warning(),
                              QStringLiteral("Error: The program is already running! Only 1 instance is allowed!"),
                              ui::ok, ui::no_button);
        return 1;
    }
    mainWindow->show();
    ui::schedule_screenshot_from_environment();
    const int result = app.exec();
    guard.release();
    return result;
}
