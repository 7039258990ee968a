#include "widgets/testing/test_app.h"

#include <QApplication>

namespace ui_testing {

QApplication& test_app()
{
    // Never destroyed: widgets that tests leave behind may outlive any scope we could pick.
    static int argc = 1;
    static char name[] = "tarvix-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
            return existing;
        auto* a = new QApplication(argc, argv);
        QApplication::setStyle(QStringLiteral("fusion"));
        return a;
    }();
    return *app;
}

}  // namespace ui_testing
