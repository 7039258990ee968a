// The self check: what one tick reads of a running test, the result texts, the diagnostic
// file's lines, and the Selfcheck tab and Diagnostic button against the simulated controller
// (start frame, live curves, the end with its results, the whole-buffer save).
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <memory>

#include "core/device/command_mailbox.h"
#include "core/image/byte_record.h"
#include "core/text/global_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/c_frm_selftest.h"
#include "manual/manual_error_buffer.h"
#include "manual/manual_selfcheck.h"
#include "manual/manual_state.h"
#include "sim/diagnostics.h"
#include "tests/core/device_sim_fixture.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/c_plotter_se.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

TEST(selfcheck_rules, what_a_tick_reads)
{
    struct {
        const char* name;
        uint32_t previous, count;
        uint32_t first, n, next;
        bool overflow;
    } cases[] = {
        {"fewer than five new samples wait", 100, 104, 0, 0, 100, false},
        {"five new samples are read", 100, 105, 100, 5, 105, false},
        {"1500 new samples: 999 read, the count jumps", 0, 1500, 0, 999, 1500, true},
        {"a count that went down starts from sample 0", 900, 40, 0, 40, 40, false},
        {"no read passes the 4000 samples", 3990, 4100, 3990, 10, 4100, false},
        {"past the buffer nothing is read", 4100, 4300, 4100, 0, 4300, false},
    };
    for (const auto& c : cases) {
        const selfcheck_step s = selfcheck_plan(c.previous, c.count);
        EXPECT_EQ(s.n, c.n) << c.name;
        if (c.n) {
            EXPECT_EQ(s.first, c.first) << c.name;
        }
        EXPECT_EQ(s.next_previous, c.next) << c.name;
        EXPECT_EQ(s.overflow, c.overflow) << c.name;
    }
}

TEST(selftest_frame, the_plots_take_the_self_test_palette_and_the_overview_the_spare_height)
{
    ui_testing::test_app();
    build_global_tables();
    c_frm_selftest frame;
    const std::vector<rgba_colour>& palette = g_global_tables().selftest_curve_palette;
    ASSERT_EQ(palette.size(), 11u);
    for (const char* name : {"plot_Main", "plot_Zoom"}) {
        auto* plot = frame.findChild<c_plotter_se*>(QLatin1String(name));
        ASSERT_TRUE(plot) << name;
        for (int slot = 6; slot <= 9; ++slot) {
            const rgba_colour& c = palette[size_t(slot)];
            EXPECT_EQ(plot->curve_colour(slot), QColor(c.r, c.g, c.b, c.a)) << name << " slot " << slot;
        }
    }
    auto* column = frame.findChild<QVBoxLayout*>(QStringLiteral("verticalLayout_2"));
    ASSERT_TRUE(column);
    EXPECT_EQ(column->stretch(0), 1);
    EXPECT_EQ(column->stretch(1), 0);
}

TEST(selfcheck_rules, result_texts_and_diagnostic_lines)
{
    EXPECT_EQ(selfcheck_serial_text(1234567890u), QStringLiteral("1234567.890"));
    EXPECT_EQ(selfcheck_serial_text(12345678u), QStringLiteral("1234567.8"));
    EXPECT_EQ(selfcheck_serial_text(42u), QStringLiteral("42"));  // no seventh character, no point
    EXPECT_EQ(selfcheck_time_text(3725), QStringLiteral("1:02:05"));
    EXPECT_EQ(selfcheck_time_text(0), QStringLiteral("0:00:00"));
    EXPECT_EQ(selfcheck_percent_text(12345), QStringLiteral("123.45"));

    std::vector<uint8_t> b(diag_buffer::size, 0);
    byte_view v(b.data(), b.size());
    v.set_i32(diag_buffer::position + 4, -123456);
    v.set_u16(diag_buffer::pwm + 2, uint16_t(-300));
    v.set_u16(diag_buffer::speed + 2, 7);
    v.set_i32(diag_buffer::variable + 4, 0x00420000);
    struct {
        uint16_t count;
        int lines;
    } counts[] = {{0, 1}, {3, 3}, {5000, 4000}};
    for (const auto& c : counts) {
        v.set_u16(diag_buffer::count, c.count);
        const QByteArray text = diagnostic_trace_text(b.data());
        EXPECT_EQ(text.count("\r\n"), c.lines) << c.count;
        EXPECT_EQ(text.count('\n'), c.lines) << c.count;
    }
    v.set_u16(diag_buffer::count, 2);
    EXPECT_EQ(diagnostic_trace_text(b.data()),
              QByteArray("0000       0       0       0       0\r\n"
                         "0001 -123456    -300       7 4325376\r\n"));
}

class selfcheck_page : public device_sim_test {
protected:
    void SetUp() override
    {
        ui_testing::test_app();
        device_sim_test::SetUp();
        manual_reset_for_tests();
        queue_clear();
        page_ = std::make_unique<c_dlgw_manualx>();
        f = page_->form();
        ASSERT_TRUE(dir_.isValid());
        // The tab stays hidden on every entry; tests reach it through the tab widget.
        f->tab_ManualX->set_tab_visible(c_dlgw_manualx::tab_selfcheck, true);
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_selfcheck);
    }
    void TearDown() override
    {
        page_.reset();
        queue_clear();
        manual_reset_for_tests();
        device_sim_test::TearDown();
    }
    // The link timer's part: send what is queued, then one status request and the page's share
    // of its reply.
    void tick()
    {
        error_record e;
        device_frame reply;
        if (const device_frame* q = queue_oldest()) {
            ASSERT_TRUE(dev_transact(*q, reply.data(), e)) << e.code;
            queue_remove_oldest();
        }
        ASSERT_TRUE(dev_transact(make_status_request(), reply.data(), e)) << e.code;
        page_->on_status_reply(reply);
    }
    uint16_t header(size_t k) { return le::u16(world().diagnostic_area.data() + k); }

    ui_testing::scripted_ui script_;
    QTemporaryDir dir_;
    std::unique_ptr<c_dlgw_manualx> page_;
    Ui::c_dlgw_manualx* f = nullptr;
};

TEST_F(selfcheck_page, start_queues_the_self_test_and_zeroes_the_header_area_0_sends_nothing)
{
    script_.expect_error(QStringLiteral("Please enter in the \"Area\" field a valid degree-value!"));
    forget();
    f->bn_StartSelfCheck->click();
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(g_selfcheck().running);

    std::fill(world().diagnostic_area.begin(), world().diagnostic_area.begin() + 8, uint8_t(0xAB));
    f->ebx_ST_AreaChk->setValue(1234);
    f->bn_StartSelfCheck->click();
    ASSERT_EQ(command_mailbox().count, 1);
    const device_frame& q = *queue_oldest();
    EXPECT_EQ(q[dp::command_offset], dp::cmd_start);
    EXPECT_EQ(q.u16(5), 0xFFFF);
    EXPECT_EQ(q[20], 0x84);
    EXPECT_EQ(q.u16(50), 1234);
    EXPECT_EQ(q.u32(27), 0u);
    for (size_t k = 0; k < 8; ++k)
        EXPECT_EQ(world().diagnostic_area[k], 0) << k;
    EXPECT_TRUE(g_selfcheck().running);
}

TEST_F(selfcheck_page, a_run_draws_live_then_shows_the_six_results)
{
    sim::set_self_test_result(world(), 0, 1234567890);
    sim::set_self_test_result(world(), 1, 3725);
    sim::set_self_test_result(world(), 2, 61);
    sim::set_self_test_result(world(), 3, 4550);
    sim::set_self_test_result(world(), 4, -25);
    sim::set_self_test_result(world(), 5, 100);
    world().selftest.rate = 1500;
    world().selftest.samples = 1500;
    f->ebx_ST_AreaChk->setValue(500);
    f->bn_StartSelfCheck->click();
    tick();  // the start goes out, 1500 samples in one tick
    const selftest_curves& c = g_selftest_curves();
    EXPECT_EQ(c.position.size(), 999);
    EXPECT_EQ(c.variable.size(), 999);
    EXPECT_EQ(g_selfcheck().previous_count, 1500u);
    EXPECT_EQ(c.position[10], qint16(le::i32(world().diagnostic_area.data() + diag_buffer::position + 40)));
    EXPECT_EQ(c.variable[10], qint16((le::u32(world().diagnostic_area.data() + diag_buffer::variable + 40) >> 16) & 0xFF));
    EXPECT_EQ(f->l_ST_SerialNr->text(), QStringLiteral("TextLabel"));
    tick();  // status falls: the end, no further samples
    EXPECT_FALSE(g_selfcheck().running);
    EXPECT_EQ(c.position.size(), 999);
    EXPECT_EQ(f->l_ST_SerialNr->text(), QStringLiteral("1234567.890"));
    EXPECT_EQ(f->l_ST_ScannerOpTime->text(), QStringLiteral("1:02:05"));
    EXPECT_EQ(f->l_ST_ScannerOvTempTime->text(), QStringLiteral("0:01:01"));
    EXPECT_EQ(f->l_ST_MeanPower->text(), QStringLiteral("45.50"));
    EXPECT_EQ(f->l_ST_MeanSpeed->text(), QStringLiteral("-0.25"));
    EXPECT_EQ(f->l_ST_TimeDiff->text(), QStringLiteral("1.00"));
    EXPECT_TRUE(f->frm_selftest->showChannels(false));
    f->bn_ST_ClearPlotter->click();
    EXPECT_TRUE(c.position.isEmpty());
    EXPECT_FALSE(f->frm_selftest->showChannels(false));
}

TEST_F(selfcheck_page, a_failing_results_query_ends_the_run_and_keeps_the_labels)
{
    page_->show_selfcheck_results(true);
    f->ebx_ST_AreaChk->setValue(500);
    f->bn_StartSelfCheck->click();
    world().selftest.rate = 100;
    world().selftest.samples = 200;
    tick();
    tick();
    EXPECT_EQ(g_selftest_curves().position.size(), 200);
    arm("echo index=0x28 arg=0x27");  // the answer to another query
    tick();
    tick();
    EXPECT_FALSE(g_selfcheck().running);
    EXPECT_EQ(f->l_ST_SerialNr->text(), QStringLiteral("-----"));
}

TEST_F(selfcheck_page, diagnostic_saves_4000_lines_and_a_failed_read_keeps_the_older_file)
{
    byte_view(world().diagnostic_area.data(), world().diagnostic_area.size()).set_u16(diag_buffer::count, 5000);
    const QString path = dir_.filePath("run.dat");
    script_.expect_save_file(dir_.filePath("run"), QStringLiteral("Save diagnostic data to file ..."))
        .expect_information(QStringLiteral("Saving the diagnostic file was successfull!"));
    f->bn_Diagnostic->click();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    file.close();
    EXPECT_EQ(text.count("\r\n"), 4000);
    EXPECT_TRUE(text.startsWith("0000 ")) << text.left(40).constData();

    // An error reply at piece 500 of 980: the error shows, the file of that name stays.
    arm("error type=0x25 skip=499 code=25");
    script_.expect_save_file(path).expect_box_containing(ui::box_kind::critical, QString(), QStringLiteral("Error"));
    f->bn_Diagnostic->click();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), text);
}

// Replies to the fieldbus, self-test, memory and error-buffer reads that are short or answer
// another request are refused with host error 7 and leave nothing half-copied.
TEST_F(selfcheck_page, short_replies_and_wrong_echoes_are_refused)
{
    // The second of the controller's three error-buffer entries is the bad one: the page shows
    // the error and keeps only the first.
    g_error_buffer().sleep = [](int) {};
    auto error_buffer = [this](error_record& e) {
        script_.expect_error(QStringLiteral("Host: Syncronisation-Error in communication to Tarvix!"));
        const bool ok = page_->load_error_buffer(e);
        EXPECT_EQ(g_error_buffer().count, 1);
        return ok;
    };
    struct {
        const char* fault;
        std::function<bool(error_record&)> read;
    } cases[] = {
        {"short index=0x14 count=20", [](error_record& e) { return dev_query_info_14(e); }},
        {"echo index=0x14 arg=0x13", [](error_record& e) { return dev_query_info_14(e); }},
        {"short index=0x28 count=12", [](error_record& e) { int32_t r[6]; return dev_query_info_28(r, false, e); }},
        {"echo index=0x28 arg=0x18", [](error_record& e) { int32_t r[6]; return dev_query_info_28(r, false, e); }},
        {"short type=0x25 count=30", [](error_record& e) { uint8_t b[49]; return dev_read_block(2, b, 0, 49, e); }},
        {"echo type=0x25 arg=3", [](error_record& e) { uint8_t b[49]; return dev_read_block(2, b, 0, 49, e); }},
        {"short index=0x18 skip=1 count=58", error_buffer},
        {"echo index=0x18 skip=1 arg=0x19", error_buffer},
    };
    for (auto& c : cases) {
        arm(c.fault);
        error_record e;
        EXPECT_FALSE(c.read(e)) << c.fault;
        EXPECT_EQ(e.type, err_type_host) << c.fault;
        EXPECT_EQ(e.code, 7) << c.fault;
    }
}

}  // namespace
