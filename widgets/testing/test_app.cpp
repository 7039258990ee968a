#include "widgets/testing/test_app.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

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

void click_menu_entry(QWidget* window, QAction* action)
{
    QMenu* menu = nullptr;
    for (QMenu* m : window->findChildren<QMenu*>())
        if (m->actions().contains(action))
            menu = m;
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(action->isVisible() && action->isEnabled()) << action->objectName().toStdString();
    menu->popup(window->mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    const QRect r = menu->actionGeometry(action);
    ASSERT_TRUE(r.isValid());
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, r.center());
}

}  // namespace ui_testing
