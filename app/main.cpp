// TarvixStudio's entry point. The shell grows around it; for now it opens the main window.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <clocale>

#include "widgets/screenshot.h"
#include "widgets/qt_services.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    static ui::qt_services services;
    ui::install(&services);

    QMainWindow w;
    w.setObjectName("c_frm_main");
    w.setWindowTitle("TarvixStudio");
    w.setCentralWidget(new QLabel("TarvixStudio", &w));
    w.resize(1024, 700);
    w.show();
    ui::schedule_screenshot_from_environment();
    return app.exec();
}
