#include "tests/scanner/scanner_sim_fixture.h"

#include <QFile>

#include "core/device/device_calls.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/scanner_lists.h"
#include "core/files/scanner_params.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "page_common/scanner_finder_file.h"
#include "state/shell_state.h"

void scanner_sim_test::SetUp()
{
    core_reset_for_tests();
    hid_link_reset_for_tests();
    dev_exchange_reset_for_tests();
    reset_device_calls();
    shell_reset_for_tests();
    reset_scanner_lists_for_tests();
    g_scanner_finder.clear();
    ASSERT_TRUE(init_app_dirs(QString::fromStdString(app.path()), QString::fromStdString(data.path())));
    const QString src = QString::fromStdString(testing_support::source_dir()) + "/data/";
    ASSERT_TRUE(QFile::copy(src + "scannerx.lst", app_file("scannerx.lst")));
    ASSERT_TRUE(QFile::copy(src + "scanners.cscan", app_file("scanners.cscan")));
    reset_scanner_params();
    read_scanner_list();
    g_host_context().data_source = [this] { return source; };
    sim = std::make_unique<testing_support::tvxsim_process>();
    ASSERT_TRUE(sim->ok()) << sim->error();
    ask("profile premium-pm");
    error_record e;
    ASSERT_TRUE(hid_open(e)) << e.code;
    thread.start();
}

void scanner_sim_test::TearDown()
{
    thread.stop_and_wait();
    hid_link_reset_for_tests();
    sim.reset();
    g_scanner_finder.clear();
    reset_scanner_lists_for_tests();
    reset_scanner_params();
    shell_reset_for_tests();
    reset_device_calls();
    reset_app_dirs_for_tests();
    core_reset_for_tests();
}

std::string scanner_sim_test::ask(const std::string& line)
{
    std::string result;
    EXPECT_TRUE(sim->control().command(line, &result)) << line << ": " << result;
    return result;
}

void scanner_sim_test::read_controller(int src)
{
    source = src;
    error_record e;
    read_device_variant(e);
    ASSERT_EQ(e.code, 0);
    ASSERT_TRUE(dev_read_system_info(e)) << e.code;
    ASSERT_TRUE(rebuild_scanner_lists(nullptr, nullptr, e)) << e.code;
}

std::string scanner_sim_test::set_bytes(const std::string& set) { return ask("scanner-set-bytes " + set); }

size_t scanner_sim_test::requests_since_forget(uint8_t type)
{
    size_t n = 0;
    for (const sim::wire_entry& e : sim->control().wire_log(logFrom_))
        if (e.direction == sim::wire_direction::in && e.frame(2) == type)
            ++n;
    return n;
}

void scanner_sim_test::forget() { logFrom_ = sim->control().log_next_seq(); }
