// The roads of the Tarvix menu as a user runs them: Manual Mode with Start, Teach and a trace
// into a file chosen in the real file dialog, and Scanner Parameter with its selection
// dialog, the file dialog and the user set sent to the controller. The controller holds the
// demo program; the link timer runs all along on the paced link. An unplug in the middle of
// each ends in its error box, and after the replug the road works again.
#include <QFile>
#include <QTemporaryDir>

#include "core/image/config_image.h"
#include "core/text/text_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_state.h"
#include "tests/roads/road_fixture.h"
#include "tests/sim/controller_idle.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/c_dlg_progressbar.h"

namespace roads {
namespace {

namespace dp = device_protocol;

QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }

class device_road : public road_test {
protected:
    void before_window() override { ask("program demo"); }
    void TearDown() override
    {
        road_test::TearDown();
        manual_reset_for_tests();
    }

    Ui::c_dlgw_manualx* manual() const { return window_->manual_page()->form(); }
    // Commands (type 0x02) the controller received from `seq` on: command byte and function.
    std::vector<std::pair<int, int>> commands_since(uint64_t seq)
    {
        std::vector<std::pair<int, int>> out;
        for (const sim::wire_entry& e : sim_->commands_since(seq))
            out.emplace_back(e.frame(4), e.frame(5) | e.frame(6) << 8);
        return out;
    }
    static QByteArray file_text(const QString& file)
    {
        QFile q(file);
        return q.open(QIODevice::ReadOnly) ? q.readAll() : QByteArray();
    }
    // Tarvix › Manual Mode; the requests of its read.
    std::vector<wire_request> enter_manual_mode()
    {
        const uint64_t seq = sim_->control().log_next_seq();
        click(form()->ac_ManualMode);
        return requests(seq);
    }
    // The manual page's road: Start and Teach of a function, a trace of three results.
    void manual_road(const QString& trace_file)
    {
        ASSERT_EQ(page(), int(c_frm_main::page_manual));
        Ui::c_dlgw_manualx* f = manual();
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_monitoring);
        f->tbwx_FuncTab->selectRowById(5);
        uint64_t seq = sim_->control().log_next_seq();
        f->bn_Start->click();
        ASSERT_TRUE(wait([&] { return f->l_Counter->text() == QStringLiteral("17"); }));
        EXPECT_EQ(commands_since(seq).front(), (std::pair<int, int>{dp::cmd_start, 5}));
        ASSERT_TRUE(wait([&] { return testing_support::controller_idle(*sim_, seq); }));
        // Teach of a function of its own (a cluster past group 0 is taught only with the
        // process monitor).
        f->tbwx_FuncTab->selectRowById(9);
        ASSERT_TRUE(f->bn_Teach->isEnabled());
        seq = sim_->control().log_next_seq();
        f->bn_Teach->click();
        ASSERT_TRUE(wait([&] { return !commands_since(seq).empty(); }));
        EXPECT_EQ(commands_since(seq).front(), (std::pair<int, int>{dp::cmd_teach, 9}));
        // The teach cycle ends before the trace starts its own (and before the trace's function
        // is chosen: the page follows the function the controller reports).
        ASSERT_TRUE(wait([&] { return testing_support::controller_idle(*sim_, seq); }));
        EXPECT_EQ(f->l_Counter->text(), QStringLiteral("28"));

        // The trace: its file chosen in the file dialog, one line per result.
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_trace);
        driver_.choose_file(QStringLiteral("Select Tracefile ..."), trace_file);
        f->bn_Trc_StartTrace->click();
        EXPECT_EQ(driver_.pending(), 0);
        EXPECT_FALSE(f->bn_Trc_StartTrace->isEnabled());
        f->tbwx_trc_FuncTab->selectRowById(3);
        for (int i = 1; i <= 3; ++i) {
            f->bn_Trc_Start->click();
            ASSERT_TRUE(wait([&] { return f->tbwx_Trace->rowCount() == i; })) << i;
        }
        EXPECT_EQ(file_text(trace_file).count('\n'), 3);
        f->bn_Trc_StopTrace->click();
    }
    void replug()
    {
        ask("faults-clear");
        ask("replug");
        wait_ready();
    }
    QTemporaryDir dir_;
};

TEST_F(device_road, manual_mode_start_teach_and_a_trace)
{
    const std::vector<wire_request> types = enter_manual_mode();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    EXPECT_EQ(status_requests_inside(types), 0);
    manual_road(dir_.filePath(QStringLiteral("road.trc")));
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    window_->close();
    EXPECT_EQ(page(), int(c_frm_main::page_start));
}

TEST_F(device_road, an_unplug_in_the_middle_of_manual_modes_read_ends_in_one_error_box_and_manual_mode_works_after_the_replug)
{
    ask("fault unplug type=0x24 skip=100");
    driver_.press(ui::title_error(), QMessageBox::Ok);
    enter_manual_mode();
    const std::vector<seen_dialog> boxes = driver_.boxes();
    ASSERT_EQ(boxes.size(), 1u) << driver_.summary().toStdString();
    EXPECT_EQ(boxes[0].title, ui::title_error());
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    EXPECT_FALSE(g_objects().progress_dialog->isVisible());
    EXPECT_TRUE(wait([] { return !g_link().connected; }, 3000)) << "the link timer never saw the unplug";
    driver_.clear();

    replug();
    enter_manual_mode();
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
    manual_road(dir_.filePath(QStringLiteral("after.trc")));
}

TEST_F(device_road, an_unplug_during_a_trace_keeps_the_lines_written_and_the_trace_goes_on_after_the_replug)
{
    enter_manual_mode();
    ASSERT_EQ(page(), int(c_frm_main::page_manual));
    Ui::c_dlgw_manualx* f = manual();
    const QString trace = dir_.filePath(QStringLiteral("unplug.trc"));
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_trace);
    driver_.choose_file(QStringLiteral("Select Tracefile ..."), trace);
    f->bn_Trc_StartTrace->click();
    f->tbwx_trc_FuncTab->selectRowById(3);
    f->bn_Trc_Start->click();
    ASSERT_TRUE(wait([&] { return f->tbwx_Trace->rowCount() == 1; }));
    ask("unplug");
    ASSERT_TRUE(wait([] { return !g_link().connected; }));
    EXPECT_EQ(file_text(trace).count('\n'), 1);
    ask("replug");
    wait_ready();
    ASSERT_EQ(g_shell().window_mode, wm_manual);
    f->bn_Trc_Start->click();
    ASSERT_TRUE(wait([&] { return f->tbwx_Trace->rowCount() == 2; }));
    EXPECT_EQ(file_text(trace).count('\n'), 2);
    EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
}

// Tarvix › Scanner Parameter: the selection dialog's "Load Parameter 0", the file dialog, the
// set sent; then "Clear Parameter 0" with its question.
class scanner_road : public device_road {
protected:
    QString write_scanner_file(const char* name)
    {
        const QString path = dir_.filePath(QStringLiteral("mine.sp"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray record(224, '\0');
        record.replace(0, int(qstrlen(name)), name);
        file.write(record);
        return path;
    }
    // "Load Parameter 0" with `path`, the box that ends it (titled `end_box`) answered OK.
    // The requests of the transfer: from the file chosen on.
    std::vector<wire_request> load_set_0(const QString& path, const QString& end_box)
    {
        uint64_t seq = 0;
        driver_.press(QStringLiteral("c_dlg_scanparausw"), QStringLiteral("Load Parameter 0"))
            .act(QStringLiteral("fd_ScannerParameter"),
                 [&](QDialog* d) {
                     seq = sim_->control().log_next_seq();
                     fill_file_dialog(d, path);
                 })
            .press(end_box, QMessageBox::Ok);
        click(form()->ac_Scanner);
        return requests(seq);
    }
};

TEST_F(scanner_road, a_user_set_loaded_from_a_file_and_cleared)
{
    const std::vector<wire_request> types = load_set_0(write_scanner_file("USERSET"), ui::title_information());
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_EQ(driver_.boxes().size(), 1u) << driver_.summary().toStdString();
    EXPECT_EQ(driver_.boxes()[0].text, label(171));
    EXPECT_EQ(ask("scanner-set 0x80"), "USERSET");
    EXPECT_EQ(status_requests_inside(types), 0);
    driver_.clear();

    driver_.press(QStringLiteral("c_dlg_scanparausw"), QStringLiteral("Clear Parameter 0"))
        .press(ui::title_information(), QMessageBox::Yes)
        .press(ui::title_information(), QMessageBox::Ok);
    click(form()->ac_Scanner);
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_EQ(driver_.boxes().size(), 2u) << driver_.summary().toStdString();
    EXPECT_EQ(driver_.boxes()[0].text, label(186));
    EXPECT_EQ(driver_.boxes()[1].text, label(171));
    EXPECT_EQ(ask("scanner-set 0x80"), "missing");
}

TEST_F(scanner_road, an_unplug_in_the_middle_of_the_sets_write_ends_in_its_error_box_and_the_load_works_after_the_replug)
{
    ask("fault unplug type=0x09 skip=1");
    load_set_0(write_scanner_file("BROKEN"), ui::title_error());
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_EQ(driver_.boxes().size(), 1u) << driver_.summary().toStdString();
    std::printf("unplug in the scanner set's write: %s\n", driver_.boxes()[0].text.toStdString().c_str());
    EXPECT_FALSE(g_objects().progress_dialog->isVisible());
    EXPECT_TRUE(wait([] { return !g_link().connected; }, 3000)) << "the link timer never saw the unplug";
    driver_.clear();

    replug();
    load_set_0(write_scanner_file("AFTER"), ui::title_information());
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_EQ(driver_.boxes().size(), 1u) << driver_.summary().toStdString();
    EXPECT_EQ(driver_.boxes()[0].text, label(171));
    EXPECT_EQ(ask("scanner-set 0x80"), "AFTER");
}

}  // namespace
}  // namespace roads
