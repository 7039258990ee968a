// The trace of monitoring results: the layouts of a line (table cells and file text), the
// latch over a run of status replies, and the Trace tab's start, stop and 40-row table.
#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <sys/stat.h>

#include "core/files/trace_file.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/text/error_texts.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_state.h"
#include "manual/manual_trace.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

// 5 plain at 12.34; the cluster 4-7 (5 at 1.00, 6 at 2.00; 4 and 7 not in use); 0 a cluster
// member in use; 9 not in use.
config_image trace_image()
{
    config_image img;
    auto use = [&](uint32_t n, int32_t obj, bool cluster) {
        img.function(n).set_in_use(true);
        img.function(n).set_field(fr::object_pos, obj);
        img.function(n).set_field(fr::flags, cluster ? fr::flag_cluster : 0);
    };
    use(3, 1234, false);
    use(5, 100, true);
    use(6, 200, true);
    use(0, 700, true);
    img.function(4).set_field(fr::flags, fr::flag_cluster);
    img.function(7).set_field(fr::flags, fr::flag_cluster);
    return img;
}

struct layout_case {
    const char* name;
    trace_entry entry;
    QStringList cells;
    const char* file;
    uint16_t shown;
};

TEST(trace_line, every_layout_of_table_and_file)
{
    const config_image img = trace_image();
    const layout_case cases[] = {
        {"one_sided_in_use_ok", {3, 1250, 0, 0x18, 0, 0x41}, {"     7", "  3", "   12.50", "   12.34", "OK"},
         "     7     3      12.50      12.34          OK 41 ", 3},
        {"one_sided_not_in_use_ko", {9, -5, 0, 0x10, 0, 0}, {"     7", "  9", "   -0.05", "----    ----    ", "KO"},
         "     7     9      -0.05   ----          KO 00 ", 9},
        {"beyond_the_records", {600, 100, 0, 0, 0, 0}, {"     7", "600", "    1.00", "----    ----    ", "--"},
         "     7   600       1.00   ----          -- 00 ", 600},
        {"two_sided_member_1", {5, 110, 220, 0x08, 0, 2}, {"     7", "  7", "    1.10     2.20", "    1.00     2.00", "OK"},
         "     7     7       1.10/    2.20       1.00/    2.00 OK 02 ", 7},
        {"two_sided_member_2", {6, 110, 220, 0x08, 0, 2}, {"     7", "  4", "    1.10     2.20", "    2.00     1.00", "OK"},
         "     7     4       1.10/    2.20       2.00/    1.00 OK 02 ", 4},
        {"two_sided_not_in_use_member_3", {7, 110, 220, 0x10, 0, 0}, {"     7", "  5", "    1.10     2.20", "--------/--------", "KO"},
         "     7     5       1.10/    2.20   --------/-------- KO 00 ", 5},
        {"equal_values_one_side_only", {5, 150, 150, 0x08, 4, 0}, {"     7", "  5", "    1.50", "    1.00", "OK"},
         "     7     5       1.50       1.00          OK 00 ", 5},
        {"equal_values_both_sides", {5, 150, 150, 0x08, 0x0C, 0}, {"     7", "  7", "    1.50     1.50", "    1.00     2.00", "OK"},
         "     7     7       1.50/    1.50       1.00/    2.00 OK 00 ", 7},
        {"cluster_member_0_has_no_partner", {0, 100, 200, 0x08, 0, 0}, {"     7", "65534", "    1.00     2.00", "--------/--------", "OK"},
         "     7   65534       1.00/    2.00   --------/-------- OK 00 ", 65534},
    };
    for (const layout_case& c : cases) {
        SCOPED_TRACE(c.name);
        const trace_line_text t = format_trace_line(7, c.entry, img);
        EXPECT_EQ(t.cells, c.cells);
        EXPECT_EQ(t.file_line, QString::fromLatin1(c.file));
        EXPECT_EQ(t.shown_function, c.shown);
    }
    // Member 1 of a group whose record is not in use: the table's placeholder of member 1.
    config_image other = img;
    other.function(9).set_field(fr::flags, fr::flag_cluster);
    const trace_line_text t = format_trace_line(7, {9, 110, 220, 0, 0, 0}, other);
    EXPECT_EQ(t.cells, (QStringList{"     7", " 11", "    1.10     2.20", "----    ----    ", "--"}));
    EXPECT_EQ(t.file_line, QStringLiteral("     7    11       1.10/    2.20   --------/-------- -- 00 "));
}

std::array<uint8_t, 50> status(uint8_t flags, uint8_t status_byte, uint8_t result_word, uint16_t function = 3,
                               int32_t value = 0)
{
    std::array<uint8_t, 50> d{};
    d[0] = flags;
    d[1] = status_byte;
    d[dp::status_result_word] = result_word;
    d[dp::status_report_function] = uint8_t(function);
    d[dp::status_report_function + 1] = uint8_t(function >> 8);
    for (int i = 0; i < 4; ++i)
        d[dp::status_measured + size_t(i)] = uint8_t(uint32_t(value) >> (8 * i));
    return d;
}

TEST(trace_latch, or_between_entries_toggle_latches_and_a_reconnect_only_retakes_the_reference)
{
    manual_reset_for_tests();
    trace_state& T = g_trace_state();
    trace_latch_status(status(0, 0, 0x40).data(), false);
    EXPECT_FALSE(T.latched) << "no trace active";

    T.active = true;
    trace_take_reference(status(0, 0, 0x40).data());
    trace_latch_status(status(0x08, 0x01, 0x40).data(), false);
    EXPECT_FALSE(T.latched);
    trace_latch_status(status(0x10, 0x20, 0x00 | 0x04, 12, 345).data(), false);
    ASSERT_TRUE(T.latched);
    EXPECT_EQ(T.entry.function, 12);
    EXPECT_EQ(T.entry.value1, 345);
    EXPECT_EQ(T.entry.result_flags, 0x18);
    EXPECT_EQ(T.entry.status_byte, 0x21);
    EXPECT_EQ(T.entry.side_bits, 0x04);

    // The OR starts again after an entry.
    T.latched = false;
    trace_latch_status(status(0x08, 0, 0x40).data(), false);
    EXPECT_EQ(T.entry.result_flags, 0x08);

    // After a reconnect the bit may differ from the reference: no phantom entry.
    T.latched = false;
    trace_latch_status(status(0x10, 0, 0x00).data(), true);
    EXPECT_FALSE(T.latched);
    trace_latch_status(status(0x10, 0, 0x00).data(), false);
    EXPECT_FALSE(T.latched);
    manual_reset_for_tests();
}

class trace_page : public ui_testing::app_first, public ::testing::Test {
protected:
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        manual_reset_for_tests();
        g_config_image() = trace_image();
        page_ = std::make_unique<c_dlgw_manualx>();
        f = page_->form();
        f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_trace);
        ASSERT_TRUE(dir_.isValid());
    }
    void TearDown() override
    {
        page_.reset();
        manual_reset_for_tests();
        core_reset_for_tests();
    }
    QByteArray file(const QString& name)
    {
        QFile q(dir_.filePath(name));
        return q.open(QIODevice::ReadOnly) ? q.readAll() : QByteArray("<missing>");
    }
    // One result of function 3 at `value` hundredths, as the decode passes it on.
    void result(int32_t value)
    {
        toggle_ ^= 0x40;
        const auto d = status(0x08, 0, toggle_, 3, value);
        std::copy(d.begin(), d.end(), g_status().last_reply.data() + dp::data_offset);
        g_status().last_valid = true;
        trace_latch_status(d.data(), false);
        page_->update_function_info(3, false, nullptr, false);
    }

    ui_testing::scripted_ui script_;
    QTemporaryDir dir_;
    std::unique_ptr<c_dlgw_manualx> page_;
    Ui::c_dlgw_manualx* f = nullptr;
    uint8_t toggle_ = 0;
};

TEST_F(trace_page, start_writes_each_result_and_a_second_start_continues_the_numbers)
{
    script_.expect_append_file(dir_.filePath("run"), QStringLiteral("Select Tracefile ..."));
    f->bn_Trc_StartTrace->click();
    EXPECT_EQ(f->l_TraceInfo->text(), QStringLiteral("Trace-File: run.trc"));
    EXPECT_FALSE(f->bn_Trc_StartTrace->isEnabled());
    EXPECT_TRUE(f->bn_Trc_StopTrace->isEnabled());
    result(100);
    result(200);
    page_->update_function_info(3, false, nullptr, false);  // no new result: no line
    f->bn_Trc_StopTrace->click();
    EXPECT_EQ(f->l_TraceInfo->text(), QStringLiteral("Trace not active!"));
    result(300);  // not active: nothing
    EXPECT_EQ(file("run.trc"), QByteArray("     0     3       1.00      12.34          OK 00 \r\n"
                                          "     1     3       2.00      12.34          OK 00 \r\n"));

    script_.expect_append_file(dir_.filePath("run.trc"));
    f->bn_Trc_StartTrace->click();
    result(400);
    EXPECT_TRUE(file("run.trc").endsWith("     2     3       4.00      12.34          OK 00 \r\n"));
    EXPECT_EQ(f->tbwx_Trace->rowCount(), 3);

    // Leaving manual mode ends the trace.
    page_->hide_plotter();
    EXPECT_EQ(f->l_TraceInfo->text(), QStringLiteral("Trace not active!"));
    EXPECT_TRUE(f->bn_Trc_StartTrace->isEnabled());
    EXPECT_FALSE(g_trace_state().active);
}

TEST_F(trace_page, the_table_keeps_forty_rows_the_file_every_line_and_other_tabs_write_nothing)
{
    script_.expect_append_file(dir_.filePath("long.trc"));
    f->bn_Trc_StartTrace->click();
    for (int i = 0; i < 41; ++i)
        result(i);
    EXPECT_EQ(f->tbwx_Trace->rowCount(), 40);
    EXPECT_EQ(f->tbwx_Trace->item(0, 0)->text(), QStringLiteral("     1"));
    EXPECT_EQ(f->tbwx_Trace->currentRow(), 39);
    EXPECT_EQ(file("long.trc").count('\n'), 41);

    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_manual);
    result(1);
    EXPECT_EQ(file("long.trc").count('\n'), 41);
}

TEST_F(trace_page, a_file_that_cannot_be_opened_shows_host_error_11_and_stays_inactive)
{
    script_.expect_append_file(dir_.filePath("no/such/dir/x.trc"))
        .expect_error(QStringLiteral("Host: Error opening Trace-File!"));
    f->bn_Trc_StartTrace->click();
    EXPECT_FALSE(g_trace_state().active);
    EXPECT_TRUE(f->bn_Trc_StartTrace->isEnabled());
    EXPECT_FALSE(f->bn_Trc_StopTrace->isEnabled());
    EXPECT_EQ(f->l_TraceInfo->text(), QStringLiteral("Trace not active!"));

    script_.expect_append_file(QString());  // cancelled
    f->bn_Trc_StartTrace->click();
    EXPECT_FALSE(g_trace_state().active);
}

// The trace file is appended to as Windows allows: a file nobody may write is refused also
// for root, and a line that cannot be written whole (a full disk) leaves nothing of itself,
// ends the trace and says so.
TEST_F(trace_page, a_read_only_file_is_refused_and_a_full_disk_ends_the_trace_without_a_torn_line)
{
    const QString locked = dir_.filePath("locked.trc");
    {
        QFile q(locked);
        ASSERT_TRUE(q.open(QIODevice::WriteOnly));
        q.write("     4     3       1.00      12.34          OK 00 \r\n");
    }
    ASSERT_EQ(::chmod(QFile::encodeName(locked).constData(), 0444), 0);
    const QByteArray locked_before = file("locked.trc");
    script_.expect_append_file(locked).expect_error(QStringLiteral("Host: Error opening Trace-File!"));
    f->bn_Trc_StartTrace->click();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_FALSE(g_trace_state().active);
    EXPECT_EQ(file("locked.trc"), locked_before);

    testing_support::small_filesystem small(QFile::encodeName(dir_.filePath("small")).toStdString(), 64);
    if (!small.mounted())
        GTEST_SKIP() << small.why_not();
    // 4080 bytes of lines: the file's last page has room for 16 bytes, not for a line.
    QByteArray old;
    for (int i = 0; i < 408; ++i)
        old += "     9 x\r\n";
    ASSERT_EQ(old.size(), 4080);
    {
        QFile q(dir_.filePath("small/full.trc"));
        ASSERT_TRUE(q.open(QIODevice::WriteOnly));
        ASSERT_EQ(q.write(old), old.size());
    }
    small.fill();
    script_.expect_append_file(dir_.filePath("small/full.trc"));
    f->bn_Trc_StartTrace->click();
    ASSERT_TRUE(g_trace_state().active);
    script_.expect_error(QStringLiteral("Host: Error writing Trace-File!"));
    result(100);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(file("small/full.trc"), old);
    EXPECT_FALSE(g_trace_state().active);
    EXPECT_EQ(f->l_TraceInfo->text(), QStringLiteral("Trace not active!"));
    EXPECT_TRUE(f->bn_Trc_StartTrace->isEnabled());
    result(200);  // the trace has ended: nothing more, no second box
    EXPECT_EQ(file("small/full.trc"), old);
}

}  // namespace
