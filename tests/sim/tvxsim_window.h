// The fixture of the tests that drive the whole program: a tvxsim process, and the main window on
// its link to it. Every state the program keeps is reset before and after each test; a page adds
// its own reset through reset_pages().
#pragma once
#include <gtest/gtest.h>

#include <QStringList>
#include <QTest>
#include <functional>
#include <memory>
#include <string>

#include "app/c_frm_main.h"
#include "core/image/core_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/program_reset.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_frm_main.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace testing_support {

class tvxsim_window_test : public ui_testing::app_first, public ::testing::Test {
protected:
    static constexpr int deadline_ms = 30000;

    void SetUp() override
    {
        reset_all();
        sim_ = std::make_unique<tvxsim_process>();
        ASSERT_TRUE(sim_->ok()) << sim_->error();
    }
    void TearDown() override
    {
        window_.reset();
        reset_all();
        sim_.reset();
    }
    // The pages' own state, reset with the shell's, the link's and core's.
    virtual void reset_pages() {}

    static bool wait(const std::function<bool()>& condition, int ms = deadline_ms)
    {
        return QTest::qWaitFor(condition, ms);
    }
    // A control command the simulator must take.
    void ask(const std::string& line)
    {
        std::string result;
        ASSERT_TRUE(sim_->control().command(line, &result)) << line << ": " << result;
    }
    // Opens the main window with its link and waits until the controller has answered.
    void open_window()
    {
        window_ = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        window_->show();
        window_->start_link();
        ASSERT_TRUE(wait([] { return g_link().connected && g_link().device_answered; })) << "never connected";
    }

    // File › Open with the data source dialog answered "Tarvix" through `script`; the program
    // page shows the controller's program afterwards.
    void open_from_controller(ui_testing::scripted_ui& script)
    {
        script.expect_modal(QStringLiteral("c_dlg_srcauswahl"), [](QWidget*) {
            g_program_document().source = 1;
            g_program_document().chosen = 1;
            return int(QDialog::Accepted);
        });
        window_->on_ac_Open_triggered();
        ASSERT_EQ(window_->form()->stackedWidget->currentIndex(), int(c_frm_main::page_program));
    }

    // Every state the program keeps, back to its start (the window closed first).
    void reset_all()
    {
        reset_program_state();
        reset_pages();
    }

    std::unique_ptr<tvxsim_process> sim_;
    std::unique_ptr<c_frm_main> window_;
};

}  // namespace testing_support
