// The fixture of the user roads: the real program as a user runs it. The main window with the
// production UI services (real message boxes, Qt's file dialogs, the shared progress dialog),
// its link timer running, against a tvxsim process on the paced link a controller has
// (1 ms per USB frame). The dialog driver answers the dialogs; the wire log shows what crossed.
//
// A road: give driver_ the answers, click() the menu entry (or click a page's button), then
// look at driver_.boxes(), the pages and the controller (ask() a control command,
// requests(seq) for the wire from log_next_seq() on, status_requests_inside() for the link
// timer's status requests that met a transfer). before_window() runs control commands before
// the window connects; wait_ready() waits for the controller after a replug. Every dialog a
// road did not expect fails the test at its end.
#pragma once
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/protocol/device_protocol.h"
#include "core/text/user_seam.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/program_reset.h"
#include "support/test_support.h"
#include "tests/roads/dialog_driver.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_frm_main.h"
#include "widgets/qt_services.h"
#include "widgets/testing/test_app.h"

namespace roads {

class road_test : public ui_testing::app_first, public ::testing::Test {
protected:
    static constexpr int deadline_ms = 30000;

    void SetUp() override
    {
        reset_all();
        ASSERT_TRUE(init_app_dirs(QString::fromStdString(app_.path()), QString::fromStdString(app_.file("data"))));
        const QString src = QString::fromStdString(testing_support::source_dir()) + QStringLiteral("/data/");
        for (const char* name : {"scannerx.lst", "scanners.cscan"})
            ASSERT_TRUE(QFile::copy(src + QLatin1String(name), app_file(QLatin1String(name))));
        sim_ = std::make_unique<testing_support::tvxsim_process>(std::vector<std::string>{"--pace"});
        ASSERT_TRUE(sim_->ok()) << sim_->error();
        before_window();
        ui::install(&services_);
        window_ = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        services_.set_progress_dialog(g_objects().progress_dialog);
        window_->start_link();
        window_->show();
        wait_ready();
    }
    void TearDown() override
    {
        EXPECT_TRUE(driver_.unexpected().empty()) << driver_.summary().toStdString();
        window_.reset();
        ui::install(nullptr);
        reset_all();
        sim_.reset();
        reset_app_dirs_for_tests();
    }
    // Control commands to the simulator before the window is made (profile, program).
    virtual void before_window() {}

    static void reset_all() { testing_support::reset_program_state(); }

    static bool wait(const std::function<bool()>& condition, int ms = deadline_ms)
    {
        return QTest::qWaitFor(condition, ms);
    }
    // The controller answers and the Tarvix menu is open to the user.
    void wait_ready()
    {
        ASSERT_TRUE(wait([] { return g_link().connected && g_link().device_answered && g_link().device_data_usable; }))
            << "never connected";
        ASSERT_TRUE(wait([this] { return form()->menu_Tarvix->isEnabled(); }));
    }

    std::string ask(const std::string& line)
    {
        std::string result;
        EXPECT_TRUE(sim_->control().command(line, &result)) << line << ": " << result;
        return result;
    }

    // Opens the menu that holds `action` and clicks its entry, as a user does; returns when the
    // flow the entry starts has ended.
    void click(QAction* action) { ui_testing::click_menu_entry(window_.get(), action); }

    Ui::c_frm_main* form() const { return window_->form(); }
    int page() const { return form()->stackedWidget->currentIndex(); }

    // One request the controller received: its frame type, and whether it is the link timer's
    // status request (it carries the status request word; a transfer's own status polls,
    // such as the stop's, do not).
    struct wire_request {
        uint8_t type = 0;
        bool timer_status = false;
    };
    // The requests the controller received from `seq` on, in order.
    std::vector<wire_request> requests(uint64_t seq)
    {
        std::vector<wire_request> out;
        for (const sim::wire_entry& e : sim_->control().wire_log(seq))
            if (e.direction == sim::wire_direction::in) {
                const uint32_t word = uint32_t(e.frame(4)) | uint32_t(e.frame(5)) << 8 | uint32_t(e.frame(6)) << 16 |
                                      uint32_t(e.frame(7)) << 24;
                out.push_back({e.frame(2), e.frame(2) == device_protocol::req_status &&
                                               word == device_protocol::status_request_word});
            }
        return out;
    }
    // Status requests of the link timer between the first and the last other request: those
    // that met a transfer in its middle.
    static int status_requests_inside(const std::vector<wire_request>& list)
    {
        const auto other = [](const wire_request& r) { return !r.timer_status; };
        const auto first = std::find_if(list.begin(), list.end(), other);
        if (first == list.end())
            return 0;
        const auto last = std::find_if(list.rbegin(), list.rend(), other).base();
        return int(std::count_if(first, last, [](const wire_request& r) { return r.timer_status; }));
    }

    testing_support::temp_dir app_;
    dialog_driver driver_;
    ui::qt_services services_;
    std::unique_ptr<testing_support::tvxsim_process> sim_;
    std::unique_ptr<c_frm_main> window_;
};

}  // namespace roads
