// The process monitor page as the main window enters it: refused without a card (the start
// page stays), shown on page 4 with a card, and Close goes back to the start page.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <cstdlib>

#include "app/c_frm_main.h"
#include "procmon/sdcard_reader.h"
#include "procmon/windows/c_dlgw_procmon.h"
#include "sim/card_image.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_frm_main.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

struct entry : ui_testing::app_first, ::testing::Test {
    entry() { shell_reset_for_tests(); }
    ~entry() override
    {
        sdcard_close();
        ::unsetenv("TARVIX_SDCARD_DEVICES");
        sdcard_reset_for_tests();
        shell_reset_for_tests();
    }
    void devices(const std::string& list)
    {
        ::setenv("TARVIX_SDCARD_DEVICES", list.c_str(), 1);
        sdcard_set_roots(disk::roots{});
        sdcard_reset_for_tests();
    }
    std::unique_ptr<c_frm_main> make()
    {
        auto w = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        w->link_timer()->stop();
        w->show();
        return w;
    }
    static int page(c_frm_main& w) { return w.form()->stackedWidget->currentIndex(); }

    testing_support::temp_dir dir;
    ui_testing::scripted_ui script;
};

TEST_F(entry, no_card_keeps_the_start_page)
{
    devices(dir.file("none.img"));
    auto w = make();
    script.expect_error("No sdcard detected! Please insert sdcard and try again!");
    w->on_ac_ProcessMonitor_triggered();
    EXPECT_EQ(page(*w), int(c_frm_main::page_start));
}

TEST_F(entry, a_card_shows_the_page_and_close_returns)
{
    const std::string image = dir.file("card.img");
    ASSERT_TRUE(card_image::write_scenario(card_image::make_scenario("S1"), image));
    devices(image);
    auto w = make();
    w->on_ac_ProcessMonitor_triggered();
    EXPECT_EQ(page(*w), int(c_frm_main::page_procmon));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Process Monitor / SdCard"));
    EXPECT_GT(w->procmon_page()->tools_view()->model()->rowCount(), 0);
    w->procmon_page()->findChild<QPushButton*>("bn_Close")->click();
    EXPECT_EQ(page(*w), int(c_frm_main::page_start));
}

}  // namespace
