// The fieldbus views and the tab change: the row formatters, the PROFIBUS word tables over a
// process-data image, the DeviceNet status view and its protocol pages, and what entering
// each tab resets, against the simulated controller.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <memory>

#include "core/device/device_commands.h"
#include "core/device/device_info.h"
#include "core/image/byte_record.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_fieldbus.h"
#include "manual/manual_state.h"
#include "tests/core/device_sim_fixture.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

QStringList ones(const QString& bits)
{
    QStringList out;
    for (QChar c : bits)
        out << QString(c);
    return out;
}

TEST(fieldbus_rows, bits_to_cells)
{
    struct {
        uint32_t value;
        int cells, bits;
        QStringList expected;
    } cases[] = {
        {0xA5, 8, 8, ones("10100101") << "A5"},
        {0x05, 32, 8, QStringList(QVector<QString>(24, " ").toList()) + ones("00000101") << "05"},
        {0x80000001u, 32, 32, ones("10000000000000000000000000000001") << "80000001"},
    };
    for (const auto& c : cases) {
        QStringList out;
        bits_to_cells(c.value, c.cells, c.bits, out);
        EXPECT_EQ(out, c.expected) << c.value;
    }
}

TEST(fieldbus_rows, the_value_text_of_each_word_row)
{
    struct {
        bool input;
        int row;
        uint16_t word;
        uint32_t profibus_bits;
        const char* value;
    } cases[] = {
        {true, 0, (5 << 8) | (3 << 3) | 1, 0, "3 / 5"},
        {true, 2, 65535, 0, "655.35"},  // unsigned: no negative positions
        {true, 2, 1234, 4, "123.4"},    // tenths
        {true, 3, 0x0700, 0, "7"},
        {true, 5, 40000, 0, "40000"},
        {false, 0, (9 << 8) | (4 << 3), 0, "4 / 9"},
        {false, 1, 250 << 8, 0, "2.50"},
        {false, 2, 40000, 0, "400.00 / 7232"},
        {false, 3, 0x0300, 0, "3"},
        {false, 21, 0x1500, 0, "21"},
        {false, 5, (0x82 << 8) | 7, 0, "2 / 3"},
        {false, 6, 1500, 0, "15.00"},
        {false, 20, 40000, 0, "40000"},
    };
    for (const auto& c : cases) {
        QStringList out;
        if (c.input)
            input_word_cells(c.row, c.word, out, c.profibus_bits);
        else
            output_word_cells(c.row, c.word, out);
        ASSERT_EQ(out.size(), 18) << c.row;
        EXPECT_EQ(out[0], QString::fromLatin1(c.value)) << (c.input ? "EW" : "AW") << c.row;
        EXPECT_EQ(out[1], QString::asprintf("%04X", c.word)) << c.row;
    }
    QStringList out;
    input_word_cells(4, 0x8001, out, 0);
    EXPECT_EQ(out.mid(2), ones("1000000000000001"));
}

TEST(fieldbus_rows, devicenet_fields_and_protocols)
{
    uint8_t block[58] = {};
    byte_view v(block, sizeof block);
    v.set_u32(4, (2u << 1) | (1u << 3) | (2u << 7));  // big-endian, produced 1, consumed 2
    const uint8_t be41[4] = {0x12, 0x34, 0x56, 0x78};
    std::copy(be41, be41 + 4, block + 41);
    block[35] = 0x01;
    block[36] = 0x02;
    const devicenet_block b = decode_devicenet(block);
    EXPECT_EQ(b.field41, 0x12345678u);  // a full byte swap of 32-bit fields
    EXPECT_EQ(b.sts_number, 0x0102);
    EXPECT_EQ(b.produced(), 1);
    EXPECT_EQ(b.consumed(), 2);
    EXPECT_EQ(devicenet_input_row(b, 1).last(), QStringLiteral("12345678"));

    struct {
        int protocol;
        const char* text;
        int page;
    } protocols[] = {{0, "Protocol 2/1 ", 0}, {1, "Protocol 19/19 ", 1}, {2, "Protocol 3/2", 2},
                     {3, "Reserved 3     ", 0}, {5, "Protocol 2/1 ", 0}};
    for (const auto& p : protocols) {
        EXPECT_EQ(devicenet_protocol_text(p.protocol), QString::fromLatin1(p.text)) << p.protocol;
        EXPECT_EQ(devicenet_page(p.protocol), p.page) << p.protocol;
    }
    EXPECT_EQ(devicenet_baud_text(2), QStringLiteral("500 kBaud"));
    EXPECT_EQ(devicenet_baud_text(3), QStringLiteral("Error"));
}

class fieldbus_page : public device_sim_test {
protected:
    void SetUp() override
    {
        ui_testing::test_app();
        device_sim_test::SetUp();
        manual_reset_for_tests();
        g_device_info() = device_info_state{};
        page_ = std::make_unique<c_dlgw_manualx>();
        f = page_->form();
    }
    void TearDown() override
    {
        page_.reset();
        manual_reset_for_tests();
        device_sim_test::TearDown();
    }
    // Entering manual mode on the profile's controller.
    void enter(const std::string& name)
    {
        profile(name);
        error_record e;
        ASSERT_TRUE(dev_read_system_info(e)) << e.code;
        page_->init_from_device(nullptr);
    }
    QStringList tabs() const
    {
        QStringList t;
        for (int i = 0; i < f->tab_ManualX->count(); ++i)
            t << f->tab_ManualX->tabText(i);
        return t;
    }
    void replies(int n)
    {
        const device_frame status = make_status_request();
        for (int i = 0; i < n; ++i)
            page_->on_status_reply(status);
    }
    void set_word(bool input, int r, uint16_t w, bool big_endian)
    {
        uint8_t* p = world().process_data.data() + (input ? 76 : 12) + 2 * r;
        p[big_endian ? 1 : 0] = uint8_t(w);
        p[big_endian ? 0 : 1] = uint8_t(w >> 8);
    }
    uint8_t* dn_block() { return world().info[dp::info_fieldbus].data.data(); }
    QString pb_in(int r, int c) const { return f->tbwx_PB_In->item(r, c)->text(); }

    std::unique_ptr<c_dlgw_manualx> page_;
    Ui::c_dlgw_manualx* f = nullptr;
};

TEST_F(fieldbus_page, the_fieldbus_kind_picks_the_tab)
{
    struct {
        const char* profile;
        bool profibus, devicenet;
    } cases[] = {{"premium", true, false}, {"premium-pm-x", true, false}, {"premium-dn", false, true},
                 {"premium-pm-dn", false, true}, {"premium-21", false, false}};
    for (const auto& c : cases) {
        enter(c.profile);
        EXPECT_EQ(tabs().contains("PROFIBUS"), c.profibus) << c.profile;
        EXPECT_EQ(tabs().contains("DeviceNet"), c.devicenet) << c.profile;
    }
}

TEST_F(fieldbus_page, a_big_endian_32_word_image_shows_swapped_words_and_a_format_0_image_three_rows)
{
    enter("premium");
    byte_view(world().process_data.data(), 140).set_u32(0, 0x0101);  // 32 words, big-endian
    set_word(true, 2, 40000, true);
    set_word(true, 7, 0xFFFE, true);
    set_word(true, 8, 0xFFFF, true);
    set_word(false, 1, 250 << 8, true);
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_profibus);
    replies(6);
    EXPECT_EQ(f->tbwx_PB_In->rowCount(), 32);
    EXPECT_EQ(f->tbwx_PB_Out->rowCount(), 32);
    EXPECT_EQ(f->l_PB_Format->text(), QStringLiteral("Big Endian"));
    EXPECT_EQ(pb_in(2, 1), QStringLiteral("400.00"));
    EXPECT_EQ(pb_in(2, 2), QStringLiteral("9C40"));
    EXPECT_EQ(pb_in(7, 1), QStringLiteral("4294967294"));
    EXPECT_EQ(f->tbwx_PB_Out->item(1, 1)->text(), QStringLiteral("2.50"));
    EXPECT_EQ(f->tbwx_PB_In->verticalHeaderItem(31)->text(), QStringLiteral("EW31"));
    EXPECT_EQ(f->tbwx_PB_Out->item(21, 0)->text(), QStringLiteral("DuploNr | TN"));
    EXPECT_EQ(f->tbwx_PB_In->item(0, 0)->toolTip().left(24), QStringLiteral("Parameter Number / Value"));
    EXPECT_EQ(f->tbwx_PB_In->item(5, 4)->toolTip(), QStringLiteral("Reserved"));

    byte_view(world().process_data.data(), 140).set_u32(0, 0);
    set_word(true, 2, 1234, false);
    replies(6);
    EXPECT_EQ(f->tbwx_PB_In->rowCount(), 3);
    EXPECT_EQ(f->l_PB_Format->text(), QStringLiteral("Little Endian"));
    EXPECT_EQ(pb_in(2, 1), QStringLiteral("12.34"));
}

TEST_F(fieldbus_page, the_devicenet_view_follows_protocol_baud_rate_and_online_state)
{
    enter("premium-dn");
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_devicenet);
    struct {
        int produced, consumed;
        uint8_t baud;
        uint32_t status;
        int page_in, page_out;
        const char* protocol_p;
        const char* baud_text;
    } cases[] = {
        {0, 0, 0, 3, 0, 0, "Protocol 2/1 ", "125 kBaud"},
        {1, 1, 2, 3, 1, 1, "Protocol 19/19 ", "500 kBaud"},
        {2, 1, 1, 3, 2, 1, "Protocol 3/2", "250 kBaud"},
        {5, 2, 3, 3, 0, 2, "Protocol 2/1 ", "Error"},
        {1, 1, 2, 1, 1, 1, "Protocol 19/19 ", ""},  // offline
    };
    for (const auto& c : cases) {
        byte_view v(dn_block(), 58);
        v.set_u32(0, c.status);
        v.set_u32(4, 1u | uint32_t(c.produced) << 3 | uint32_t(c.consumed) << 7);
        dn_block()[9] = c.baud;
        page_->read_fieldbus_block();
        const bool online = c.status & 2;
        EXPECT_EQ(f->stw_DN_In->currentIndex(), c.page_in) << c.produced;
        EXPECT_EQ(f->stw_DN_Out->currentIndex(), c.page_out) << c.consumed;
        EXPECT_EQ(f->l_ProtocolP->text(), online ? QString::fromLatin1(c.protocol_p) : QStringLiteral("---"));
        EXPECT_EQ(f->l_DN_BaudrateVal->text(), QString::fromLatin1(c.baud_text)) << int(c.baud);
        EXPECT_EQ(f->l_DN_BaudrateType->text(), online ? QStringLiteral("Fixed") : QStringLiteral("Offline"));
        EXPECT_EQ(f->l_DN_24V_State->text(), QStringLiteral("OK"));
    }
    // Back online with protocol 1: values and the bit tables.
    byte_view(dn_block(), 58).set_u32(0, 3);
    page_->read_fieldbus_block();
    EXPECT_EQ(f->l_MacId->text(), QStringLiteral("5"));
    EXPECT_EQ(f->l_ParValCmd->text(), QStringLiteral("3456"));
    EXPECT_EQ(f->l_ScanningTolerance->text(), QStringLiteral("2.5"));
    EXPECT_EQ(f->l_MeasuredToolPosH->text(), QStringLiteral("00003034H"));
    EXPECT_EQ(f->tbwx_DN_In->item(1, 32)->text(), QStringLiteral("0000000A"));
    EXPECT_EQ(f->tbwx_DN_In->item(0, 0)->toolTip(), QStringLiteral("Reserved"));
    EXPECT_EQ(f->tbwx_DN_In->item(0, 31)->toolTip(), QStringLiteral("Read / Write done"));

    // A short reply changes nothing.
    arm("short index=0x14 count=20");
    dn_block()[8] = 9;
    page_->read_fieldbus_block();
    EXPECT_EQ(f->l_MacId->text(), QStringLiteral("5"));
    page_->read_fieldbus_block();
    EXPECT_EQ(f->l_MacId->text(), QStringLiteral("9"));
}

// Every DeviceNet bit table on the screen shows whole columns: none cut at the left edge of the
// table (the 32-bit tables scroll sideways to their low bits and hex value), none narrower than
// its title, and the hex value whole.
TEST_F(fieldbus_page, the_devicenet_bit_tables_show_whole_columns)
{
    enter("premium-dn");
    page_->resize(1176, 690);
    page_->show();
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_devicenet);
    for (int protocol : {1, 0, 2}) {
        byte_view v(dn_block(), 58);
        v.set_u32(0, 3);
        v.set_u32(4, 1u | uint32_t(protocol) << 3 | uint32_t(protocol) << 7);
        page_->read_fieldbus_block();
        QCoreApplication::processEvents();
        for (QStackedWidget* stack : {f->stw_DN_In, f->stw_DN_Out}) {
            auto* t = stack->currentWidget()->findChild<QTableWidget*>();
            ASSERT_NE(t, nullptr);
            ASSERT_TRUE(t->isVisible());
            const QHeaderView* h = t->horizontalHeader();
            const int last = t->columnCount() - 1;
            for (int c = 0; c <= last; ++c) {
                const int x = t->columnViewportPosition(c), w = t->columnWidth(c);
                EXPECT_TRUE(x + w <= 0 || x >= 0) << t->objectName().toStdString() << " column " << c << " cut at " << x;
                EXPECT_GE(w, h->sectionSizeHint(c)) << t->objectName().toStdString() << " column " << c;
            }
            EXPECT_GE(t->columnViewportPosition(last), 0) << t->objectName().toStdString();
            EXPECT_LE(t->columnViewportPosition(last) + t->columnWidth(last), t->viewport()->width())
                << t->objectName().toStdString();
            EXPECT_GE(t->columnWidth(last), static_cast<QAbstractItemView*>(t)->sizeHintForColumn(last))
                << t->objectName().toStdString();
        }
    }
}

TEST_F(fieldbus_page, what_entering_each_tab_resets)
{
    config_image& img = g_config_image();
    for (uint32_t n : {3u, 5u})
        img.function(n).set_in_use(true);
    enter("premium-dn");
    f->tbwx_trc_FuncTab->selectRowById(5);
    manual_tick_state& T = g_manual_tick();

    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_trace);
    EXPECT_EQ(f->l_Trc_ToolNr->text(), QStringLiteral("5"));  // no longer the form's placeholder
    EXPECT_TRUE(f->bn_Trc_Start->isEnabled());

    T.error_buffer_reload = false;
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_error_buffer);
    EXPECT_TRUE(T.error_buffer_reload);

    f->l_MacId->setText(QStringLiteral("7"));
    T.dn_redraw = false;
    T.dn_divider = 2;
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_devicenet);
    EXPECT_TRUE(T.dn_redraw);
    EXPECT_EQ(T.dn_divider, 0u);
    EXPECT_FALSE(T.force_redraw);
    EXPECT_EQ(f->l_MacId->text(), QStringLiteral("---"));
    EXPECT_EQ(f->tbwx_DN_ShortProtP->item(0, 8)->text(), QStringLiteral("--"));
    EXPECT_EQ(f->tbwx_DN_In->item(0, 32)->text(), QStringLiteral("-----"));

    std::fill(world().diagnostic_area.begin(), world().diagnostic_area.begin() + 8, uint8_t(0xAB));
    f->tab_ManualX->set_tab_visible(c_dlgw_manualx::tab_selfcheck, true);
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_selfcheck);
    for (size_t k = 0; k < 8; ++k)
        EXPECT_EQ(world().diagnostic_area[k], 0) << k;

    g_device().status_full_refresh = false;
    T.process_divider = 1;
    f->tab_ManualX->set_tab_visible(c_dlgw_manualx::tab_profibus, true);
    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_profibus);
    EXPECT_TRUE(T.force_redraw);
    EXPECT_FALSE(T.dn_redraw);
    EXPECT_EQ(T.process_divider, 0u);
    EXPECT_TRUE(g_device().status_full_refresh);

    f->tab_ManualX->set_current_logical(c_dlgw_manualx::tab_manual);
    EXPECT_FALSE(T.force_redraw);
}

}  // namespace
