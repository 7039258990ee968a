#include <QPointer>
#include <gtest/gtest.h>

#include "widgets/c_qtabwidget_ext.h"
#include "widgets/testing/test_app.h"

namespace {

class TabWidget : public ::testing::Test, ui_testing::app_first {
protected:
    void SetUp() override
    {
        for (const char* t : {"A", "B", "C", "D"})
            tabs.addTab(new QWidget, QString::fromLatin1(t));
    }

    QString titles() const
    {
        QString s;
        for (int i = 0; i < tabs.count(); ++i)
            s += tabs.tabText(i);
        return s;
    }

    c_qtabwidget_ext tabs;
};

TEST_F(TabWidget, HiddenTabsComeBackInTheirPlace)
{
    tabs.remember_tabs();
    QPointer<QWidget> b = tabs.widget(1);
    tabs.set_tab_visible(1, false);
    tabs.set_tab_visible(2, false);
    EXPECT_EQ(titles(), "AD");
    EXPECT_TRUE(b);  // hidden, not deleted
    tabs.set_tab_visible(2, true);
    EXPECT_EQ(titles(), "ACD");
    tabs.set_tab_visible(1, true);
    EXPECT_EQ(titles(), "ABCD");
    EXPECT_EQ(tabs.widget(1), b.data());

    tabs.set_tab_visible(1, true);  // already shown
    tabs.set_tab_visible(7, false);
    tabs.set_tab_visible(-1, true);
    EXPECT_EQ(titles(), "ABCD");
}

TEST_F(TabWidget, CurrentTabByLogicalIndex)
{
    tabs.remember_tabs();
    tabs.set_tab_visible(1, false);
    tabs.setCurrentIndex(0);
    tabs.set_current_logical(1);  // hidden: nothing
    EXPECT_EQ(tabs.currentIndex(), 0);
    tabs.set_current_logical(3);
    EXPECT_EQ(tabs.currentIndex(), 2);
    EXPECT_EQ(tabs.current_logical_index(), 3);
    EXPECT_EQ(tabs.visible_before(3), 2);
    EXPECT_EQ(tabs.visible_before(1), 1);
}

TEST_F(TabWidget, InertUntilRemembered)
{
    tabs.setCurrentIndex(2);
    tabs.set_tab_visible(1, false);
    tabs.set_current_logical(0);
    EXPECT_EQ(titles(), "ABCD");
    EXPECT_EQ(tabs.currentIndex(), 2);
    EXPECT_EQ(tabs.current_logical_index(), 0);
    EXPECT_EQ(tabs.visible_before(3), 3);
}

TEST_F(TabWidget, RememberedTitleReturnsAfterHideAndShow)
{
    tabs.remember_tabs();
    tabs.setTabText(2, "changed");
    tabs.set_tab_visible(2, false);
    tabs.set_tab_visible(2, true);
    EXPECT_EQ(tabs.tabText(2), "C");
}

}  // namespace
