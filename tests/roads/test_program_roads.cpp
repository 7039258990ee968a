// The program roads as a user runs them: File › Open from the controller and from a file, the
// program page's Save and Save As to the controller and to a file, each with the data source
// dialog's buttons, the real file dialog and the progress dialog, the link timer running all
// along on the paced link. No status request of the timer may enter a transfer; an unplug in
// the middle of one ends in its error box, and after the replug the road works again.
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>
#include <QPushButton>

#include "app/c_dlg_srcauswahl.h"
#include "core/image/working_image.h"
#include "core/text/text_tables.h"
#include "program/c_dlgw_program.h"
#include "program/program_state.h"
#include "tests/roads/road_fixture.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/c_qlineedit_extend.h"

namespace roads {
namespace {

namespace dp = device_protocol;

QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }
QString host_text(int n) { return QString::fromLatin1(txt_error(1, n).value_or("").c_str()); }

// Counts the paint events of a widget.
struct paint_counter : QObject {
    explicit paint_counter(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        paints += e->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

class program_road : public road_test {
protected:
    Ui::c_dlgw_program* page_form() const { return window_->program_page()->form(); }

    // File › Open › Tarvix; the requests the controller received meanwhile.
    std::vector<wire_request> open_from_controller()
    {
        const uint64_t seq = sim_->control().log_next_seq();
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("Tarvix"));
        click(form()->ac_Open);
        return requests(seq);
    }
    // File › Open › File with the file dialog given `path`.
    void open_file(const QString& path)
    {
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("File"))
            .choose_file(QStringLiteral("fd_Load"), path);
        click(form()->ac_Open);
    }
    // The program page's Save As to the controller or into `path`.
    std::vector<wire_request> save_as_controller()
    {
        const uint64_t seq = sim_->control().log_next_seq();
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("Tarvix"));
        page_form()->bn_SaveAs->click();
        return requests(seq);
    }
    void save_as_file(const QString& path)
    {
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("File"))
            .choose_file(QStringLiteral("fd_Save"), path);
        page_form()->bn_SaveAs->click();
    }
    // Back to the start page with the program page's Close; an unchanged program asks nothing.
    void close_program_page()
    {
        page_form()->bn_Close->click();
        EXPECT_EQ(page(), int(c_frm_main::page_start));
    }
    // The negative teach limit as the user types it (hundredths).
    void type_negative_teach_limit(const QString& text) { page_form()->ebx_CS_NegTeachLimit->setText(text); }
    // The negative teach limit the controller holds (it keeps 16 bits of it).
    int controller_negative_teach_limit()
    {
        int32_t v = 0;
        EXPECT_TRUE(sim_->control().parameter(105, v));
        return int16_t(uint16_t(v));
    }
    // The message boxes seen since the last clear, as "title|text".
    std::vector<std::string> box_texts() const
    {
        std::vector<std::string> out;
        for (const seen_dialog& s : driver_.boxes())
            out.push_back((s.title + QLatin1Char('|') + s.text).toStdString());
        return out;
    }
    // The unplugged controller comes back; the link with it.
    void replug()
    {
        ask("faults-clear");
        ask("replug");
        wait_ready();
    }
};

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
    QTimer watch;
    watch.setInterval(1);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const int v = g_objects().progress_dialog->value();
        if (g_objects().progress_dialog->isVisible() && v >= 20 && window_paints_in_transfer < 0) {
            window_paints_in_transfer = main_window.paints;
            window_->update();
        }
    });
    watch.start();
    const int paints_before = bar.paints;
    int paints_at_end = 0;
    QObject::connect(g_objects().progress_dialog, &QDialog::finished, [&] { paints_at_end = bar.paints; });
    open_from_controller();
    watch.stop();
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

TEST_F(program_road, save_and_save_as_tarvix_write_the_changed_value)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();

    // Save writes what changed.
    type_negative_teach_limit(QStringLiteral("-1.50"));
    uint64_t seq = sim_->control().log_next_seq();
    page_form()->bn_Save->click();
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|" + label(171).toStdString()}));
    EXPECT_EQ(controller_negative_teach_limit(), -150);
    EXPECT_EQ(status_requests_inside(requests(seq)), 0);
    driver_.clear();

    // Save As › Tarvix writes everything.
    type_negative_teach_limit(QStringLiteral("-2.25"));
    const std::vector<wire_request> types = save_as_controller();
    EXPECT_EQ(driver_.pending(), 0);
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|" + label(171).toStdString()}));
    EXPECT_EQ(controller_negative_teach_limit(), -225);
    EXPECT_GT(types.size(), 79u);
    EXPECT_EQ(status_requests_inside(types), 0);
    driver_.clear();

    // Written: the page closes without a question, and the controller holds the value.
    close_program_page();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    open_from_controller();
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -225);
}

TEST_F(program_road, save_as_file_then_open_file_brings_the_program_back)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();
    type_negative_teach_limit(QStringLiteral("-3.00"));
    const QString path = QString::fromStdString(app_.file("roads.cdx"));
    save_as_file(path);
    EXPECT_EQ(driver_.pending(), 0);
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|File save successfull"}));
    ASSERT_TRUE(QFileInfo(path).isFile());
    EXPECT_EQ(QFileInfo(path).size(), qint64(image_layout::image_size));
    EXPECT_EQ(g_program_document().source, 2);
    EXPECT_EQ(g_program_document().file_name, path);
    driver_.clear();
    close_program_page();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();

    open_file(path);
    EXPECT_EQ(driver_.pending(), 0);
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(g_program_document().source, 2);
    EXPECT_EQ(g_program_document().file_name, path);
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -300);
    EXPECT_EQ(g_config_image().header().field(hdr::neg_teach_limit), -300);
}

// An unplug in the middle of each transfer: its error box, the start or program page as it
// was, no hang; after the replug the same road passes.
TEST_F(program_road, an_unplug_in_the_middle_of_open_ends_in_its_error_box_and_open_works_after_the_replug)
{
    ask("fault unplug type=0x24 skip=150");
    open_from_controller();
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

TEST_F(program_road, an_unplug_in_the_middle_of_save_as_tarvix_ends_in_its_error_box_and_keeps_the_edit)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();
    type_negative_teach_limit(QStringLiteral("-4.00"));
    ask("fault unplug type=0x03 skip=30");
    save_as_controller();
    EXPECT_EQ(driver_.pending(), 0);
    const std::vector<seen_dialog> boxes = driver_.boxes();
    ASSERT_EQ(boxes.size(), 1u) << driver_.summary().toStdString();
    EXPECT_EQ(boxes[0].title, ui::title_error());
    std::printf("unplug in Save As: %s\n", boxes[0].text.toStdString().c_str());
    EXPECT_FALSE(g_objects().progress_dialog->isVisible());
    // The page stays with the user's edit.
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -400);
    EXPECT_TRUE(wait([] { return !g_link().connected; }, 3000)) << "the link timer never saw the unplug";
    driver_.clear();

    replug();
    const std::vector<wire_request> types = save_as_controller();
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|" + label(171).toStdString()}));
    EXPECT_EQ(controller_negative_teach_limit(), -400);
    EXPECT_EQ(status_requests_inside(types), 0);
}

// Unplugged while the page is up: Save As › File and Open › File work without the controller,
// the file whole; after the replug Open › Tarvix works again.
TEST_F(program_road, an_unplug_while_the_page_is_up_leaves_save_as_file_and_open_file_working)
{
    open_from_controller();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    driver_.clear();
    type_negative_teach_limit(QStringLiteral("-0.75"));
    ask("unplug");
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    const QString path = QString::fromStdString(app_.file("offline.cdx"));
    save_as_file(path);
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"Information|File save successfull"}));
    ASSERT_EQ(QFileInfo(path).size(), qint64(image_layout::image_size));
    driver_.clear();
    close_program_page();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();

    open_file(path);
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(page_form()->ebx_CS_NegTeachLimit->value(), -75);
    close_program_page();
    driver_.clear();

    replug();
    open_from_controller();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    EXPECT_EQ(page(), int(c_frm_main::page_program));
}

// A status request of the timer answered late: Open waits for its reply first, then reads;
// no wrong reply is ever reported.
TEST_F(program_road, a_slowly_answered_status_request_before_open_is_waited_for)
{
    for (int ms : {40, 400}) {
        SCOPED_TRACE(ms);
        ask("fault delay type=0x21 ms=" + std::to_string(ms) + " times=1");
        // The delayed status request is out when the user opens.
        const uint64_t armed = sim_->control().log_next_seq();
        ASSERT_TRUE(wait([&] {
            for (const sim::wire_entry& e : sim_->control().wire_log(armed))
                if (e.direction == sim::wire_direction::in && e.frame(2) == dp::req_status)
                    return true;
            return false;
        }));
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
