// File › Open › Tarvix as a user runs it, the link timer running all along on the paced link:
// twenty times in a row with no status request of the timer inside the transfer, the
// scanner text and the repaints of the read, a slow status reply before it, and an unplug in
// its middle that ends in its error box, after whose replug Open works again.
#include <QProcess>
#include <QProgressBar>
#include <csignal>
#include <sys/wait.h>

#include "tests/roads/program_road.h"

namespace roads {
namespace {

namespace dp = device_protocol;

TEST_F(program_road, open_tarvix_twenty_times_in_a_row_with_no_status_request_inside_the_transfer)
{
    QElapsedTimer each;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        each.start();
        const std::vector<wire_request> types = open_from_controller();
        ASSERT_EQ(driver_.pending(), 0);
        ASSERT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
        ASSERT_EQ(page(), int(c_frm_main::page_program));
        EXPECT_EQ(g_program_document().source, 1);
        EXPECT_TRUE(g_link().program_from_device);
        EXPECT_GT(types.size(), 100u);
        EXPECT_EQ(status_requests_inside(types), 0);
        std::printf("open %d: %lld ms, %zu requests\n", round, static_cast<long long>(each.elapsed()), types.size());
        close_program_page();
        EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
        driver_.clear();
    }
}

TEST_F(program_road, open_tarvix_shows_the_scanner_of_the_controller_and_repaints_while_it_reads)
{
    // The progress bar repaints at each step, and the window behind it whenever it asks to.
    paint_counter bar(g_objects().progress_dialog->progressBar());
    paint_counter main_window(window_.get());
    int window_paints_in_transfer = -1;
    // At the step that passes 20 %, the window asks to be repainted.
    const QMetaObject::Connection watch = QObject::connect(
        g_objects().progress_dialog->progressBar(), &QProgressBar::valueChanged, [&](int v) {
            if (g_objects().progress_dialog->isVisible() && v >= 20 && window_paints_in_transfer < 0) {
                window_paints_in_transfer = main_window.paints;
                window_->update();
            }
        });
    const int paints_before = bar.paints;
    int paints_at_end = 0;
    QObject::connect(g_objects().progress_dialog, &QDialog::finished, [&] { paints_at_end = bar.paints; });
    open_from_controller();
    QObject::disconnect(watch);
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_GT(bar.paints - paints_before, 10);
    ASSERT_GE(window_paints_in_transfer, 0) << "the progress never passed 20";
    EXPECT_GT(main_window.paints, window_paints_in_transfer);

    // The program's scanner is the controller's auto-detect: set 0's name with "*".
    ASSERT_EQ(g_config_image().header().field(hdr::scanner), 0);
    const QString set0 = QString::fromStdString(ask("scanner-set 0")).replace(QLatin1Char(' '), QLatin1Char('_'));
    ASSERT_FALSE(set0.isEmpty());
    const QString shown = page_form()->l_TS_Scanner->text();
    EXPECT_TRUE(shown.endsWith(QLatin1Char('*'))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(set0)) << shown.toStdString() << " / " << set0.toStdString();
    EXPECT_NE(shown, QStringLiteral("ErrorAutoDetect"));
}

// An unplug in the middle of each transfer: its error box, the start or program page as it
// was, no hang; after the replug the same road passes.
TEST_F(program_road, an_unplug_in_the_middle_of_open_ends_in_its_error_box_and_open_works_after_the_replug)
{
    ask("fault unplug type=0x24 skip=150");
    open_from_controller(ui::title_error());
    EXPECT_EQ(driver_.pending(), 0);
    const std::vector<seen_dialog> boxes = driver_.boxes();
    ASSERT_EQ(boxes.size(), 1u) << driver_.summary().toStdString();
    EXPECT_EQ(boxes[0].title, ui::title_error());
    EXPECT_FALSE(boxes[0].text.isEmpty());
    std::printf("unplug in Open: %s\n", boxes[0].text.toStdString().c_str());
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    EXPECT_FALSE(g_objects().progress_dialog->isVisible());
    EXPECT_FALSE(g_link().program_from_device);
    EXPECT_TRUE(wait([] { return !g_link().connected; }, 3000)) << "the link timer never saw the unplug";
    driver_.clear();

    replug();
    const std::vector<wire_request> types = open_from_controller();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(status_requests_inside(types), 0);
}

// The controller's process killed in the middle of Open (its link gone without a word): the
// error box, no hang; another controller started in its place is read by the next Open.
TEST_F(program_road, a_controller_killed_in_the_middle_of_open_ends_in_its_error_box_and_the_next_one_is_read)
{
    const pid_t first = sim_->pid();
    bool killed = false;
    // Killed at the step that passes 30 %.
    const QMetaObject::Connection killer = QObject::connect(
        g_objects().progress_dialog->progressBar(), &QProgressBar::valueChanged, [&](int v) {
            if (!killed && g_objects().progress_dialog->isVisible() && v > 30) {
                killed = ::kill(first, SIGKILL) == 0;
                int status = 0;
                ::waitpid(first, &status, 0);
            }
        });
    open_from_controller(ui::title_error());
    QObject::disconnect(killer);
    ASSERT_TRUE(killed);
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_EQ(driver_.boxes().size(), 1u) << driver_.summary().toStdString();
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    EXPECT_FALSE(g_objects().progress_dialog->isVisible());
    EXPECT_TRUE(wait([] { return !g_link().connected; }, 3000)) << "the link timer never saw the controller go";
    driver_.clear();

    QProcess second;
    second.start(QString::fromStdString(testing_support::tvxsim_path()),
                 {QStringLiteral("--dir"), QString::fromStdString(sim_->folder()), QStringLiteral("--pace"),
                  QStringLiteral("--exit-with-stdin")});
    ASSERT_TRUE(wait([&] { return second.canReadLine() || second.state() == QProcess::NotRunning; }));
    ASSERT_EQ(second.readLine(), QByteArray("ready\n"));
    wait_ready();
    sim::control_client control;
    std::string why;
    ASSERT_TRUE(control.connect(sim_->folder(), why)) << why;
    const uint64_t seq = control.log_next_seq();
    driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("Tarvix"));
    click(form()->ac_Open);
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    std::vector<uint8_t> types;
    for (const sim::wire_entry& e : control.wire_log(seq))
        if (e.direction == sim::wire_direction::in)
            types.push_back(e.frame(2));
    EXPECT_GT(types.size(), 100u);
    second.closeWriteChannel();
    second.waitForFinished(10000);
}

// Replies that come late: a status request of the timer still out when the user opens (Open
// takes its reply first, then reads), and a request of the read itself. The read waits;
// no wrong reply is ever reported.
TEST_F(program_road, slowly_answered_requests_around_open_are_waited_for)
{
    const char* faults[] = {"delay type=0x21 ms=40 times=1", "delay type=0x21 ms=400 times=1",
                            "delay type=0x21 ms=1500 times=1", "delay type=0x24 skip=50 ms=300 times=1"};
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        ask(std::string("fault ") + fault);
        const uint64_t armed = sim_->control().log_next_seq();
        if (std::string(fault).find("0x21") != std::string::npos) {
            // The delayed status request is out when the user opens.
            ASSERT_TRUE(wait([&] {
                for (const sim::wire_entry& e : sim_->control().wire_log(armed))
                    if (e.direction == sim::wire_direction::in && e.frame(2) == dp::req_status)
                        return true;
                return false;
            }));
        }
        const std::vector<wire_request> types = open_from_controller();
        EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
        ASSERT_EQ(page(), int(c_frm_main::page_program));
        EXPECT_EQ(status_requests_inside(types), 0);
        close_program_page();
        driver_.clear();
    }
}

}  // namespace
}  // namespace roads
