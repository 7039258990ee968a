// The manual page itself: entering it on each controller variant, the mode rule, the
// function panels that follow the controller or the user, the teach-enabling rule, and the
// per-reply dispatch of the process-data pieces with replies that must be refused.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <memory>

#include "core/device/device_info.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/core/device_sim_fixture.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/c_my_led.h"
#include "widgets/led_styles.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

QStringList visible_tabs(Ui::c_dlgw_manualx* f)
{
    QStringList t;
    for (int i = 0; i < f->tab_ManualX->count(); ++i)
        t << f->tab_ManualX->tabText(i);
    return t;
}

QStringList items(QComboBox* c)
{
    QStringList t;
    for (int i = 0; i < c->count(); ++i)
        t << c->itemText(i);
    return t;
}

// Status data of a reply that reports function f with its object position and counter.
std::array<uint8_t, 50> report(uint16_t f, int32_t position, int32_t counter)
{
    std::array<uint8_t, 50> d{};
    d[14] = uint8_t(f);
    d[15] = uint8_t(f >> 8);
    for (int i = 0; i < 4; ++i) {
        d[size_t(16 + i)] = uint8_t(uint32_t(position) >> (8 * i));
        d[size_t(20 + i)] = uint8_t(uint32_t(counter) >> (8 * i));
    }
    return d;
}

class page_test : public ui_testing::app_first, public ::testing::Test {
protected:
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        manual_reset_for_tests();
        g_device_info() = device_info_state{};
        g_program_document().source = 1;
        page_ = std::make_unique<c_dlgw_manualx>();
        f = page_->form();
    }
    void TearDown() override
    {
        page_.reset();
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        manual_reset_for_tests();
    }
    // Functions 0-3, the group 4-7, 9 and 12 in use, each with its number as counter.
    void demo_image()
    {
        config_image& img = g_config_image();
        for (uint32_t n : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 9u, 12u}) {
            img.function(n).set_in_use(true);
            img.function(n).set_field(fr::object_pos, int32_t(100 * n));
            img.function(n).set_field(fr::counter, int32_t(n));
        }
        for (uint32_t n : {4u, 5u, 6u, 7u})
            img.function(n).set_field(fr::flags, fr::flag_cluster);
        img.header().set_field(hdr::in_func1, 1);
        img.header().set_field(hdr::in_func13, 4);
    }

    testing_support::recording_ui ui_;
    std::unique_ptr<c_dlgw_manualx> page_;
    Ui::c_dlgw_manualx* f = nullptr;
};

TEST_F(page_test, entering_shows_the_tabs_and_lists_of_the_variant)
{
    demo_image();
    page_->init_from_device(nullptr);
    EXPECT_EQ(visible_tabs(f), (QStringList{"Monitoring", "Manual", "Trace", "Error Buffer"}));
    EXPECT_EQ(f->tab_ManualX->currentIndex(), 0);
    EXPECT_EQ(f->tbwx_FuncTab->rowIds(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 9, 12}));
    EXPECT_EQ(f->tbwx_trc_FuncTab->rowCount(), 10);
    EXPECT_EQ(items(f->cb_TS_Mode), (QStringList{"FreeSpace", "CheckObj", "GoPos", "Rereference", "MonitorObj",
                                                 "RefOnTool", "Preposition"}));
    EXPECT_EQ(items(f->cb_TS_Intensity), (QStringList{"Min", "2", "3", "4", "5", "6", "7", "Max"}));
    EXPECT_FALSE(f->l_InpSlctFunc->isHidden());
    EXPECT_EQ(f->rl_I0->toolTip(), QStringLiteral("T\nTeach"));  // input 1's default function
    EXPECT_EQ(f->rl_I12->toolTip(), QStringLiteral("IN10\nFunction Selector"));
    EXPECT_EQ(f->ebx_StepSpeed->value(), 20);
    EXPECT_EQ(f->l_TraceInfo->text(), QStringLiteral("Trace not active!"));
    EXPECT_TRUE(ui_.prompts().empty());
    EXPECT_EQ(g_reference_image(), g_config_image());

    // The Basic: no Monitoring tab, two modes, four intensities, "RL" inputs.
    g_device().family_flag = 1;
    page_->init_from_device(nullptr);
    EXPECT_EQ(visible_tabs(f), (QStringList{"Manual", "Trace", "Error Buffer"}));
    EXPECT_EQ(items(f->cb_TS_Mode), (QStringList{"FreeSpace", "CheckObj"}));
    EXPECT_EQ(items(f->cb_TS_Intensity), (QStringList{"Ultra Low", "Low", "Medium", "High"}));
    EXPECT_TRUE(f->l_InpSlctFunc->isHidden());
    EXPECT_EQ(f->rl_I3->toolTip(), QStringLiteral("IN1\nRL"));
    EXPECT_EQ(f->rl_I5->toolTip(), QStringLiteral("IN3\n-"));
}

TEST_F(page_test, tables_have_the_row_heights_and_stretch_of_their_views)
{
    struct row {
        QTableWidget* table;
        int row_height, min_row_height;  // -1: the style's
        bool last_column_stretched, last_row_stretched;
        int min_column_width;  // -1: the style's
    };
    const row rows[] = {
        {f->tbwx_Trace, 20, 20, true, false, -1},
        {f->tbwx_ErrorBuf, 45, -1, true, false, -1},
        {f->tbwx_PB_In, 18, 18, false, false, -1},
        {f->tbwx_PB_Out, 18, 18, false, false, -1},
        {f->tbwx_DN_ShortProtP, 25, 20, true, true, 27},
        {f->tbwx_DN_In, 25, 20, true, true, 27},
        {f->tbwx_DN_OkumaProtP, 25, 20, true, true, 27},
        {f->tbwx_DN_ShortProtC, 25, 20, true, true, 27},
        {f->tbwx_DN_Out, 25, 20, true, true, 27},
        {f->tbwx_DN_OkumaProtC, 25, 20, true, true, 27},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.table->objectName().toStdString());
        EXPECT_EQ(r.table->verticalHeader()->defaultSectionSize(), r.row_height);
        if (r.min_row_height >= 0) {
            EXPECT_EQ(r.table->verticalHeader()->minimumSectionSize(), r.min_row_height);
        }
        EXPECT_EQ(r.table->horizontalHeader()->stretchLastSection(), r.last_column_stretched);
        EXPECT_EQ(r.table->verticalHeader()->stretchLastSection(), r.last_row_stretched);
        if (r.min_column_width >= 0) {
            EXPECT_EQ(r.table->horizontalHeader()->minimumSectionSize(), r.min_column_width);
            for (int c = 0; c < r.table->columnCount(); ++c)
                EXPECT_GE(r.table->columnWidth(c), r.min_column_width) << "column " << c;
        }
    }
}

TEST_F(page_test, an_empty_program_tells_so_and_hides_monitoring)
{
    g_config_image().header().set_field(hdr::scanning_mode, 2);
    g_config_image().header().set_field(hdr::in_func13, 77);  // no such input function
    page_->init_from_device(nullptr);
    ASSERT_EQ(ui_.prompts().size(), 1u);
    EXPECT_EQ(ui_.prompts()[0].title, QStringLiteral("Information"));
    EXPECT_EQ(ui_.prompts()[0].text, QStringLiteral("Function Table is empty. Sheet Monitoring Mode is not displayed!"));
    EXPECT_EQ(visible_tabs(f), (QStringList{"Manual", "Trace", "Error Buffer"}));
    EXPECT_FALSE(f->bn_Trc_Start->isEnabled());
    EXPECT_EQ(f->ebx_TS_Tolerance->styleSheet(), QStringLiteral("QLineEdit{background: yellow;}"));
    EXPECT_EQ(f->rl_I12->toolTip(), QStringLiteral("IN10\n-"));
}

TEST_F(page_test, the_mode_rule_hides_what_a_mode_does_not_use)
{
    page_->init_from_device(nullptr);
    page_->show();
    const struct {
        int mode;
        bool position, tolerance;
    } cases[] = {{0, true, true}, {4, false, false}, {5, true, false}, {6, true, true}};
    for (const auto& c : cases) {
        f->cb_TS_Mode->setCurrentIndex(c.mode);
        EXPECT_EQ(f->ebx_TS_ObjectAngle->isVisible(), c.position) << c.mode;
        EXPECT_EQ(f->l_TS_ObjectAngle->isVisible(), c.position) << c.mode;
        EXPECT_EQ(f->ebx_TS_Tolerance->isVisible(), c.tolerance) << c.mode;
        EXPECT_EQ(f->l_TS_Tolerance->isVisible(), c.tolerance) << c.mode;
    }
}

TEST_F(page_test, counters_and_positions_of_the_reported_function_reach_image_labels_and_rows)
{
    demo_image();
    page_->init_from_device(nullptr);
    auto d = report(5, 1234, 17);
    page_->follow_status_function(5, d.data());
    EXPECT_EQ(f->l_Counter->text(), QStringLiteral("17"));
    EXPECT_EQ(f->l_ObjectAngle->text(), QStringLiteral("12.34"));
    EXPECT_EQ(f->l_Trc_Counter->text(), QStringLiteral("17"));
    EXPECT_EQ(g_config_image().function(5).field(fr::counter), 17);
    EXPECT_EQ(g_config_image().function(5).field(fr::object_pos), 1234);
    const int row = f->tbwx_FuncTab->rowOfId(5);
    EXPECT_EQ(f->tbwx_FuncTab->item(row, 10)->text().trimmed(), QStringLiteral("17"));
    EXPECT_EQ(f->tbwx_trc_FuncTab->item(f->tbwx_trc_FuncTab->rowOfId(5), 6)->text().trimmed(), QStringLiteral("12.34"));
    EXPECT_EQ(f->l_ToolNr->text(), QStringLiteral("5"));

    // The same function again: the panel stays, a new counter still shows.
    f->l_Name->setText(QStringLiteral("marker"));
    d = report(5, 1234, 18);
    page_->follow_status_function(5, d.data());
    EXPECT_EQ(f->l_Name->text(), QStringLiteral("marker"));
    EXPECT_EQ(f->l_Counter->text(), QStringLiteral("18"));

    // Reports on what is no function change nothing.
    for (uint16_t bad : {uint16_t(8), uint16_t(512), uint16_t(0xFFFF)}) {
        d = report(bad, 999, 999);
        page_->update_function_info(5, false, d.data(), true);
        EXPECT_EQ(f->l_Counter->text(), QStringLiteral("18")) << bad;
    }
    EXPECT_EQ(g_config_image().function(8).field(fr::counter), 0);

    // A free function empties both panels.
    page_->update_function_info(8, true, nullptr, false);
    EXPECT_TRUE(f->l_Name->text().isEmpty());
    EXPECT_TRUE(f->l_Trc_Counter->text().isEmpty());
    EXPECT_EQ(f->l_ToolNr->text(), QStringLiteral("8"));
}

TEST_F(page_test, the_panels_follow_a_click_until_the_controller_reports_a_new_function)
{
    demo_image();
    page_->init_from_device(nullptr);
    auto d = report(0xFFFF, 0, 0);
    page_->follow_status_function(1, d.data());
    EXPECT_EQ(f->l_ToolNr->text(), QStringLiteral("1"));

    // The user picks function 9: the panel shows it at once and keeps it.
    f->tbwx_FuncTab->selectRowById(9);
    page_->on_tbwx_FuncTab_clicked();
    EXPECT_EQ(f->l_ToolNr->text(), QStringLiteral("9"));
    page_->follow_status_function(1, d.data());
    EXPECT_EQ(f->l_ToolNr->text(), QStringLiteral("9"));
    // A new function from the controller ends the click.
    page_->follow_status_function(2, d.data());
    EXPECT_EQ(f->l_ToolNr->text(), QStringLiteral("2"));
    EXPECT_FALSE(g_manual_panel().functab_clicked);
}

TEST_F(page_test, teach_is_enabled_by_group_controller_and_permission)
{
    demo_image();
    for (uint32_t n : {8u, 9u, 10u})
        g_config_image().function(n).set_field(fr::flags, fr::flag_cluster);
    g_config_image().function(8).set_in_use(true);
    page_->init_from_device(nullptr);
    const struct {
        int function;
        bool pm, permitted, enabled;
    } cases[] = {
        {5, false, false, false}, {5, true, true, true},   {5, true, false, false},
        {9, false, true, false},  {9, true, true, true},   {12, false, false, true},
        {12, true, false, false}, {12, true, true, true},  {1, false, false, true},
    };
    // A group whose first function is 0 always may teach.
    g_config_image().function(1).set_field(fr::flags, fr::flag_cluster);
    for (const auto& c : cases) {
        g_device().pm_capable = c.pm;
        g_status().teach_permitted = c.permitted;
        f->tbwx_FuncTab->selectRowById(c.function);
        page_->on_tbwx_FuncTab_itemSelectionChanged();
        EXPECT_EQ(f->bn_Teach->isEnabled(), c.enabled) << c.function << " pm " << c.pm << " permitted " << c.permitted;
    }
}

TEST_F(page_test, status_leds_switches_and_error_indicators)
{
    page_->init_from_device(nullptr);
    g_device_info().io_module_word = 0x10;
    std::array<uint8_t, 50> d{};
    d[dp::status_inputs] = 0x05;  // inputs 1 and 3
    d[dp::status_dip] = 0x01;
    d[dp::status_switches] = 0x21;
    page_->show_io_state(d.data());
    const QStringList& sheets = led_style_sheets();
    EXPECT_EQ(f->rl_I0->styleSheet(), sheets[led_yellow]);
    EXPECT_EQ(f->rl_I1->styleSheet(), sheets[led_gray]);
    EXPECT_EQ(f->rl_I2->styleSheet(), sheets[led_yellow]);
    // Without the I/O module input 5 stands for nothing: its LED shows the off picture, also
    // when it was lit before.
    d[dp::status_inputs] = 0xFF;
    page_->show_io_state(d.data());
    EXPECT_EQ(f->rl_I5->styleSheet(), sheets[led_yellow]);
    g_device_info().io_module_word = 0;
    page_->show_io_state(d.data());
    EXPECT_EQ(f->rl_I5->styleSheet(), sheets[led_lightgray]);
    EXPECT_TRUE(f->rl_I5->isEnabled());
    g_device_info().io_module_word = 0x10;
    d[dp::status_inputs] = 0x05;
    page_->show_io_state(d.data());
    EXPECT_EQ(f->l_DIPSw->text(), QStringLiteral("10000000"));
    EXPECT_EQ(f->l_HexSw1->text() + f->l_HexSw2->text() + f->l_HexSw3->text(), QStringLiteral("120"));
    EXPECT_EQ(f->l_HexSw1->styleSheet(), QStringLiteral("QLabel{background: rgb(150, 255, 150);}"));

    page_->show_error_leds(0x04, 29u << 16, 0);
    EXPECT_EQ(f->l_ST_MotorPower->styleSheet(), QStringLiteral("QWidget { background-color : rgb(255,0,0); color : black; }"));
    EXPECT_EQ(f->l_ST_PowerSupply->styleSheet(), QStringLiteral("QWidget { background-color : rgb(0, 255, 0); color : black; }"));

    page_->reset_status_labels();
    EXPECT_EQ(f->l_DIPSw->text(), QStringLiteral("--------"));
    EXPECT_EQ(f->l_HexSw2->text(), QStringLiteral("-"));
    EXPECT_EQ(f->l_InpSlctFunc->text(), QStringLiteral("-----"));
    EXPECT_TRUE(f->l_HexSw1->styleSheet().isEmpty());
}

// The dispatch against the simulated controller in the test process.
class dispatch_test : public device_sim_test {
protected:
    void SetUp() override
    {
        ui_testing::test_app();
        device_sim_test::SetUp();
        manual_reset_for_tests();
        page_ = std::make_unique<c_dlgw_manualx>();
        for (size_t i = 0; i < world().process_data.size(); ++i)
            world().process_data[i] = uint8_t(i + 1);
    }
    void TearDown() override
    {
        page_.reset();
        manual_reset_for_tests();
        device_sim_test::TearDown();
    }
    // The info indices the page asked for, in order.
    std::vector<int> info_requests() const
    {
        std::vector<int> out;
        for (const device_frame& s : sent)
            if (s.type() == dp::req_info)
                out.push_back(s[dp::info_index_offset]);
        return out;
    }
    void replies(int n)
    {
        const device_frame status = device_frame::make(dp::req_status | 0, dp::status_data_count);
        for (int i = 0; i < n; ++i)
            page_->on_status_reply(status);
    }
    std::unique_ptr<c_dlgw_manualx> page_;
};

TEST_F(dispatch_test, one_process_data_piece_every_second_reply_in_turn)
{
    replies(8);
    EXPECT_EQ(info_requests(), (std::vector<int>{0x07, 0x1C, 0x1D, 0x07}));
    const auto& b = g_dev_commands().process_data;
    for (size_t i = 0; i < b.size(); ++i)
        ASSERT_EQ(b[i], uint8_t(i + 1)) << i;
}

TEST_F(dispatch_test, refused_pieces_keep_the_block_show_no_box_and_are_read_again_at_the_next_turn)
{
    replies(6);  // the whole block once
    const auto before = g_dev_commands().process_data;
    for (size_t i = 0; i < world().process_data.size(); ++i)
        world().process_data[i] = 0xEE;
    const char* faults[] = {
        "short index=0x07 count=20",          // fewer bytes than the piece takes
        "echo index=0x1C arg=0x1D",           // the answer to another index
        "error type=0x2A index=0x1D code=6",  // an error reply
    };
    for (const char* fault : faults) {
        arm(fault);
        forget();
        // Up to the reply that reads (and is refused); the next reply asks nothing, the one
        // after it asks again, as for every piece.
        while (info_requests().empty())
            replies(1);
        replies(1);
        EXPECT_EQ(info_requests().size(), 1u) << fault;
        replies(1);
        ASSERT_EQ(info_requests().size(), 2u) << fault;
        EXPECT_EQ(info_requests()[0], info_requests()[1]) << fault;  // the same piece again
        EXPECT_TRUE(ui_.boxes.empty()) << fault;
    }
    // Each refused piece left its part of the block as it was until read again.
    EXPECT_NE(g_dev_commands().process_data, before);
    EXPECT_EQ(g_dev_commands().process_data[0], 0xEE);
}

}  // namespace
