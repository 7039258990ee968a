// The update flows against the tvxsim process and the real flashcli: an application
// directory of its own (flashcli linked in, the installed settings files copied, the
// installed images made by the generator), a data directory, the main window connected to
// the simulated controller, and a scripted UI.
#pragma once
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/c_frm_main.h"
#include "app/c_sndhex.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "sim/update_images.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/program_reset.h"
#include "tests/app/update_app_dir.h"
#include "tests/sim/tvxsim_process.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace update_testing {

namespace fs = std::filesystem;

inline void reset_all()
{
    testing_support::reset_program_state();
    g_sndhex_limits().reset();
}

class update_world : public ui_testing::app_first, public ::testing::Test {
public:
    void SetUp() override
    {
        reset_all();
        old_cwd_ = fs::current_path();
        root = fs::temp_directory_path() /
               ("update-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        app = root / "app";
        std::string why;
        ASSERT_TRUE(make_update_app_dir(root, {}, why)) << why;
        sim = std::make_unique<testing_support::tvxsim_process>();
        ASSERT_TRUE(sim->ok()) << sim->error();
    }
    void TearDown() override
    {
        if (window)
            window->stop_link();
        window.reset();
        reset_all();
        sim.reset();
        fs::current_path(old_cwd_);
        fs::remove_all(root);
    }

    // Writes the installed images, then connects the window to the controller.
    void start(const update_images::installed_set& files)
    {
        ASSERT_TRUE(update_images::write_installed(app.string(), files));
        window = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        window->start_link();
        window->show();
        ASSERT_TRUE(answers()) << "never connected";
    }
    // The link timer sees the controller answer (again).
    bool answers(int ms = 30000)
    {
        const uint64_t seen = hid_reports_received();
        return QTest::qWaitFor(
            [&] {
                return hid_link_up() && g_link().connected && g_link().device_answered && g_device_info().valid &&
                       hid_reports_received() > seen + 2;
            },
            ms);
    }

    std::string ask(const std::string& line)
    {
        std::string result;
        EXPECT_TRUE(sim->control().command(line, &result)) << line << ": " << result;
        return result;
    }
    // The data lines of a command, one a line.
    std::string lines(const std::string& line)
    {
        std::vector<std::string> data;
        EXPECT_TRUE(sim->control().command(line, nullptr, &data)) << line;
        std::string all;
        for (const std::string& l : data)
            all += l + "\n";
        return all;
    }
    std::string path(const std::string& relative) const { return (app / relative).string(); }

    fs::path root, app;
    std::unique_ptr<testing_support::tvxsim_process> sim;
    std::unique_ptr<c_frm_main> window;
    ui_testing::scripted_ui script;

private:
    fs::path old_cwd_;
};

}  // namespace update_testing
