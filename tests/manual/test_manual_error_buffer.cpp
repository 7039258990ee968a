// The error buffer: the texts of an entry's cells, loading against the simulated controller
// (power-on rows, the end of the list, a failing entry, no box storm on a raised bit), Clear,
// and the report file (golden, empty buffer, unwritable folder, read-only report).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <memory>

#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/text/error_texts.h"
#include "platform/clock.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_error_buffer.h"
#include "manual/manual_state.h"
#include "tests/core/device_sim_fixture.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

void put32(error_buffer_entry& e, size_t k, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        e[k + size_t(i)] = uint8_t(v >> (8 * i));
}
void put16(error_buffer_entry& e, size_t k, uint16_t v)
{
    e[k] = uint8_t(v);
    e[k + 1] = uint8_t(v >> 8);
}

error_buffer_entry entry(int32_t counter, uint64_t ms, bool power_on, uint8_t code, uint8_t source, uint16_t function)
{
    error_buffer_entry e{};
    put32(e, 0, uint32_t(counter));
    put32(e, 4, uint32_t(ms));
    put32(e, 8, uint32_t(ms >> 32) | (power_on ? 0x80000000u : 0));
    e[12] = code;
    e[13] = source;
    put32(e, 14, 0x12AB34CDu);
    put32(e, 18, 1234);
    put32(e, 22, uint32_t(-50));
    put32(e, 26, 99999);
    put16(e, 30, 0x8105);
    put16(e, 32, 0xBEEF);
    put16(e, 34, function);
    return e;
}

TEST(error_buffer_texts, time_source_codes_and_rows)
{
    EXPECT_EQ(error_time_text(90061001u, 0), QStringLiteral("(01) 01:01:01.001"));
    EXPECT_EQ(error_time_text(0, 0x80000000u), QStringLiteral("(00) 00:00:00.000"));  // the power-on bit is no time
    EXPECT_EQ(error_time_text(0, 1), QStringLiteral("(49) 17:02:47.296"));           // 2^32 ms
    EXPECT_EQ(error_scode_text(0x8105), QStringLiteral("10000001-00000101"));
    EXPECT_EQ(error_source_text(9), QStringLiteral("DN Table"));
    EXPECT_EQ(error_source_text(10), QStringLiteral("0Ah"));
    EXPECT_EQ(error_code_text(70), QStringLiteral(" Cable broken or scanner error -> power off"));
    EXPECT_EQ(error_code_text(3), QStringLiteral("Common error"));

    const error_buffer_entry e[2] = {entry(7, 1000, false, 26, 5, 12), entry(8, 2000, true, 99, 10, 0xFFFF)};
    const auto rows = error_buffer_rows(e, 2, false);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].cells, (QStringList{"1", "7", "(00) 00:00:01.000", "USB", "012", "12.34", "-0.50", "999.99",
                                          "10000001-00000101", " Scanner error (scanner could not move)", ""}));
    EXPECT_EQ(rows[1].cells, (QStringList{"2", "8", "PowerOn", "", "", "", "", "", "", "", ""}));
    EXPECT_TRUE(rows[1].power_on);
    EXPECT_EQ(rows[2].cells[0], QStringLiteral("3"));
    EXPECT_EQ(rows[2].cells[4], QStringLiteral("---"));
    EXPECT_EQ(rows[0].ecode_detail, QStringLiteral("026-12AB34CD-BEEF\n Scanner error (scanner could not move)"));
    EXPECT_EQ(rows[0].fcode_detail, QStringLiteral("00-00-00-00-00-00-00-00"));
    // The advanced view shows the detail and the hex status bytes.
    const auto adv = error_buffer_rows(e, 1, true);
    EXPECT_EQ(adv[0].cells[9], rows[0].ecode_detail);
    EXPECT_EQ(adv[0].cells[10], QStringLiteral("00-00-00-00-00-00-00-00"));
}

class error_buffer_page : public device_sim_test {
protected:
    void SetUp() override
    {
        ui_testing::test_app();
        device_sim_test::SetUp();
        manual_reset_for_tests();
        g_error_buffer().sleep = [this](int ms) { slept += ms; };
        page_ = std::make_unique<c_dlgw_manualx>();
        f = page_->form();
        ASSERT_TRUE(dir_.isValid());
        world().error_buffer = {entry(1, 90061001, false, 2, 0, 4), entry(2, 5000, true, 70, 5, 0xFFFF),
                                entry(3, 7000, false, 43, 10, 511)};
    }
    void TearDown() override
    {
        page_.reset();
        manual_reset_for_tests();
        device_sim_test::TearDown();
    }
    void device_info()
    {
        device_info_state& D = g_device_info();
        D.valid = true;
        D.cu_article_text = "5206718";
        D.cu_serial_text = "0001234.567";
        D.io_module_text = "TVX-IDENT-0001  ";
        D.logic_major = 2;
        D.logic_minor = 3;
        D.scanner_article_text = "5206720";
        D.scanner_serial_text = "0042001";  // as the controller's identification gives it
        D.io_module_word = 0x10;
        D.firmware = {1, 15, 13, 7, 24, 12, 2025, 0};
        D.loader = {1, 2, 0, 0, 3, 4, 2020, 0};
    }
    QByteArray golden(const char* name)
    {
        QFile q(QStringLiteral(TARVIX_MANUAL_TEST_DATA "/") + QLatin1String(name));
        return q.open(QIODevice::ReadOnly) ? q.readAll() : QByteArray("<missing golden>");
    }
    int boxes() const { return int(ui_.boxes.size()); }
    QByteArray file(const char* name)
    {
        QFile q(dir_.filePath(QLatin1String(name)));
        return q.open(QIODevice::ReadOnly) ? q.readAll() : QByteArray("<missing file>");
    }

    QTemporaryDir dir_;
    std::unique_ptr<c_dlgw_manualx> page_;
    Ui::c_dlgw_manualx* f = nullptr;
    int slept = 0;
};

TEST_F(error_buffer_page, three_entries_give_four_rows_and_the_golden_report)
{
    g_manual_tick().error_buffer_reload = true;  // entering the tab
    page_->error_buffer_cycle(false);
    EXPECT_EQ(g_error_buffer().count, 3);
    EXPECT_EQ(f->tbwx_ErrorBuf->rowCount(), 4);
    EXPECT_EQ(f->tbwx_ErrorBuf->item(1, 2)->text(), QStringLiteral("PowerOn"));
    EXPECT_EQ(slept, 300);
    EXPECT_EQ(boxes(), 0);
    EXPECT_TRUE(f->tbwx_ErrorBuf->isColumnHidden(8));
    page_->error_buffer_cycle(false);  // neither raised nor entered: no reload
    EXPECT_EQ(slept, 300);

    // Save, stamped with a fixed date, writes the report byte for byte.
    device_info();
    g_error_buffer().today = [] { return QDate(2026, 12, 10); };
    ui_testing::scripted_ui script;
    script.expect_text_line(QStringLiteral("line 3 stopped"), QStringLiteral("Optional info text ..."))
        .expect_save_file(dir_.filePath("report"), QStringLiteral("Save error trace to"))
        .expect_information(QStringLiteral("Saving the error buffer file was successfull!"));
    f->bn_Save_ErrBuf->click();
    const QByteArray report = file("report.txt");
    if (qEnvironmentVariableIsSet("TARVIX_WRITE_GOLDEN")) {
        QFile out(QStringLiteral(TARVIX_MANUAL_TEST_DATA "/error_report.txt"));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(report);
    }
    EXPECT_EQ(report, golden("error_report.txt"));

    // The advanced view does not change the report.
    f->chb_AdvancedErrorBuf->setChecked(true);
    EXPECT_FALSE(f->tbwx_ErrorBuf->isColumnHidden(8));
    EXPECT_EQ(page_->error_report(QStringLiteral("Thu Dec 10 2026"), QStringLiteral("line 3 stopped")), report);
}

TEST_F(error_buffer_page, save_writes_the_file_an_unwritable_folder_gives_63_and_an_empty_buffer_a_header)
{
    world().error_buffer.clear();
    g_manual_tick().error_buffer_reload = true;
    page_->error_buffer_cycle(false);
    EXPECT_EQ(f->tbwx_ErrorBuf->rowCount(), 0);

    ui_testing::scripted_ui script;
    script.expect_text_line(QString(), QStringLiteral("Optional info text ..."))
        .expect_save_file(dir_.filePath("empty"), QStringLiteral("Save error trace to"))
        .expect_information(QStringLiteral("Saving the error buffer file was successfull!"));
    f->bn_Save_ErrBuf->click();
    QFile q(dir_.filePath("empty.txt"));
    ASSERT_TRUE(q.open(QIODevice::ReadOnly));
    const QByteArray text = q.readAll();
    EXPECT_TRUE(text.endsWith("F-Code            \r\n")) << text.right(40).constData();
    EXPECT_EQ(text.count("\r\n"), 13);

    // A "folder" that is a plain file: no user, root included, can write below it.
    const QString locked = dir_.filePath("plain");
    QFile plain(locked);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    script.expect_text_line(QStringLiteral("x"))
        .expect_save_file(locked + "/r.txt")
        .expect_error(QStringLiteral("Host: File Write Access Error! Errorcode: 20\nPlease check windows file permissions!"));
    f->bn_Save_ErrBuf->click();
    EXPECT_FALSE(QFile::exists(locked + "/r.txt"));

    // A read-only report is refused, as Windows refuses it, and stays as it was.
    ASSERT_TRUE(QFile::setPermissions(dir_.filePath("empty.txt"), QFile::ReadOwner | QFile::ReadUser));
    script.expect_text_line(QStringLiteral("x"))
        .expect_save_file(dir_.filePath("empty.txt"))
        .expect_error(QStringLiteral("Host: File Write Access Error! Errorcode: 13\nPlease check windows file permissions!"));
    f->bn_Save_ErrBuf->click();
    EXPECT_EQ(file("empty.txt"), text);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"empty.txt", "plain"}));
}

TEST_F(error_buffer_page, a_failing_entry_keeps_those_before_and_shows_one_box_while_the_bit_stays_up)
{
    arm("error type=0x2A index=0x18 skip=2 times=100 code=6");
    page_->error_buffer_cycle(true);
    EXPECT_EQ(g_error_buffer().count, 2);
    EXPECT_EQ(f->tbwx_ErrorBuf->rowCount(), 3);  // one power-on row
    EXPECT_EQ(boxes(), 1);
    page_->error_buffer_cycle(true);
    page_->error_buffer_cycle(true);
    EXPECT_EQ(boxes(), 1);
    // A new rise tries again.
    page_->error_buffer_cycle(false);
    page_->error_buffer_cycle(true);
    EXPECT_EQ(boxes(), 2);
}

TEST_F(error_buffer_page, clear_empties_the_controller_and_the_table)
{
    g_manual_tick().error_buffer_reload = true;
    page_->error_buffer_cycle(false);
    ASSERT_EQ(f->tbwx_ErrorBuf->rowCount(), 4);
    f->bn_Clear_ErrBuf->click();
    EXPECT_TRUE(world().error_buffer.empty());
    EXPECT_EQ(f->tbwx_ErrorBuf->rowCount(), 0);
    EXPECT_EQ(g_error_buffer().count, 0);
    EXPECT_EQ(boxes(), 0);
}

// A clock that moves on a second at every read: a wait for the link runs out at once.
class racing_clock final : public platform::clock {
public:
    uint32_t now_ms() override { return now_ += 1000; }
    void sleep_ms(uint32_t ms) override { now_ += ms; }

private:
    std::atomic<uint32_t> now_{5000};
};

TEST_F(error_buffer_page, clear_after_a_wait_that_runs_out_shows_host_error_4_and_clears_nothing)
{
    g_manual_tick().error_buffer_reload = true;
    page_->error_buffer_cycle(false);
    ASSERT_EQ(f->tbwx_ErrorBuf->rowCount(), 4);
    forget();
    {
        // The link timer's status request is never answered.
        racing_clock clock;
        platform::scoped_clock use(clock);
        dev_exchange().status_in_flight = true;
        f->bn_Clear_ErrBuf->click();
    }
    error_record timeout;
    timeout.set(err_type_host, 4, err_severity_error, err_arg_none, 0);
    ASSERT_EQ(boxes(), 1);
    EXPECT_TRUE(ui_.boxes[0].endsWith(QString::fromLatin1(error_record_text(timeout).c_str()))) << ui_.boxes[0].toStdString();
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(world().error_buffer.size(), 3u);
    EXPECT_EQ(f->tbwx_ErrorBuf->rowCount(), 4);
    EXPECT_EQ(g_error_buffer().count, 3);
}

TEST_F(error_buffer_page, a_new_visit_loads_again_after_a_failure_while_the_bit_stays_up)
{
    arm("error type=0x2A index=0x18 skip=2 times=1 code=6");
    page_->error_buffer_cycle(true);
    ASSERT_EQ(g_error_buffer().count, 2);
    ASSERT_EQ(boxes(), 1);
    page_->error_buffer_cycle(true);  // the controller would answer now, but the bit has not fallen
    EXPECT_EQ(g_error_buffer().count, 2);

    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_manual);
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_error_buffer);
    page_->error_buffer_cycle(true);
    EXPECT_EQ(g_error_buffer().count, 3);
    EXPECT_EQ(f->tbwx_ErrorBuf->rowCount(), 4);
    EXPECT_EQ(boxes(), 1);
}

TEST_F(error_buffer_page, status_bytes_give_the_f_code_texts_its_tooltip_and_report_line)
{
    error_buffer_entry e = entry(4, 1000, false, 26, 5, 12);
    e[37] = 2;  // group 1, detail 2
    e[40] = 1;  // group 4, detail 1
    world().error_buffer = {e};
    g_manual_tick().error_buffer_reload = true;
    page_->error_buffer_cycle(false);
    ASSERT_EQ(f->tbwx_ErrorBuf->rowCount(), 1);
    const QString texts = QStringLiteral(" ERROR! Scanner error (scanner could not move) [2]\n"
                                         " ERROR! Teach without a tool/object [1]");
    EXPECT_EQ(f->tbwx_ErrorBuf->item(0, 10)->text(), texts);
    EXPECT_EQ(f->tbwx_ErrorBuf->item(0, 10)->toolTip(), texts);
    f->chb_AdvancedErrorBuf->setChecked(true);
    EXPECT_EQ(f->tbwx_ErrorBuf->item(0, 10)->text(), "00-02-00-00-01-00-00-00\n" + texts);
    EXPECT_EQ(f->tbwx_ErrorBuf->item(0, 10)->toolTip(), texts);

    const QByteArray report = page_->error_report(QStringLiteral("Thu Dec 10 2026"), QString());
    EXPECT_TRUE(report.contains("00-02-00-00-01-00-00-00\r\n")) << report.constData();
    EXPECT_TRUE(report.contains("\r\n             F-Code: ERROR! Scanner error (scanner could not move) [2]; "
                                " ERROR! Teach without a tool/object [1]; \r\n\r\n"))
        << report.constData();
}

}  // namespace
