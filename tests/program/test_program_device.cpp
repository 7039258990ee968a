// Device actions of the program window: what Start, Teach and Stop leave in the mailbox for
// every kind of selection, parameter read and write against the simulated controller, and
// the settings write when the user comes back to the function tab.
#include <gtest/gtest.h>

#include <QRadioButton>
#include <memory>

#include "core/device/command_mailbox.h"
#include "core/device/device_info.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/protocol/device_protocol.h"
#include "core/text/error_texts.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "tests/core/device_sim_fixture.h"
#include "ui_c_dlgw_program.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

// The function number a queued frame carries, from its packed record.
int frame_function(const device_frame& f)
{
    for (uint32_t n = 0; n < image_layout::function_count; ++n) {
        const config_image& img = g_config_image();
        if (!img.function(n).in_use())
            continue;
        uint8_t packed[52];
        device_record_pack(img.function(n), byte_view(packed, sizeof packed));
        bool same = true;
        for (size_t i = 0; i < sizeof packed && same; ++i)
            if (i != 17)  // the flags byte may carry the start marker
                same = f[7 + i] == packed[i];
        if (same)
            return int(n);
    }
    return -1;
}

// Frames in sending order: the highest filled slot first.
std::vector<const device_frame*> sending_order()
{
    std::vector<const device_frame*> out;
    for (int i = command_mailbox().count - 1; i >= 0; --i)
        out.push_back(&command_mailbox().frames[i]);
    return out;
}

struct mailbox_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        queue_clear();
        page = std::make_unique<c_dlgw_program>();
        f = page->form();
        reset_config_image(g_config_image());
        config_image& img = g_config_image();
        // Functions 0-3 and 4-7 clusters, 9 single; each with its own object position.
        for (uint32_t n : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 9u}) {
            img.function(n).set_in_use(true);
            img.function(n).set_field(fr::object_pos, int32_t(1000 + n));
            if (n < 8)
                img.function(n).set_field(fr::flags, fr::flag_cluster | int32_t((n & 3) << 2));
        }
        g_program_document().source = 1;
        page->show_program(&main);
    }
    void TearDown() override
    {
        page.reset();
        queue_clear();
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
    }
    testing_support::recording_ui ui_;
    QWidget main;
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(mailbox_test, start_and_teach_queue_the_function_or_its_cluster)
{
    struct row {
        int selected;
        bool teach;
        std::vector<int> functions;  // in sending order
        bool marker;
    };
    const row rows[] = {
        {4, false, {4, 5, 6}, false}, {5, false, {5}, false},     {7, false, {7, 5, 6}, false},
        {0, false, {0, 1, 2}, true},  {3, false, {3, 1, 2}, true}, {9, false, {9}, false},
        {4, true, {4, 5, 6}, false},  {9, true, {9}, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "function " << r.selected << (r.teach ? " teach" : " start"));
        g_status().teach_code = -1;
        f->tbwx_FuncTab->selectRowById(r.selected);
        ASSERT_EQ(f->tbwx_FuncTab->currentRowIndex(), r.selected);
        if (r.teach)
            page->on_bn_Teach_clicked();
        else
            page->on_bn_Start_clicked();
        const auto frames = sending_order();
        ASSERT_EQ(frames.size(), r.functions.size());
        for (size_t i = 0; i < frames.size(); ++i) {
            const device_frame& fr = *frames[i];
            EXPECT_EQ(frame_function(fr), r.functions[i]) << i;
            EXPECT_EQ(fr[4], r.teach ? dp::cmd_teach : dp::cmd_start) << i;
            EXPECT_EQ(fr.u16(5), 0xFFFF) << i;
            EXPECT_EQ((fr[24] & 0x10) != 0, r.marker) << i;
        }
        EXPECT_EQ(g_status().teach_code, r.teach ? r.selected : -1);
    }
}

TEST_F(mailbox_test, no_selection_queues_nothing_and_stop_replaces_the_queue)
{
    f->tbwx_FuncTab->setCurrentCell(-1, -1);
    ASSERT_EQ(f->tbwx_FuncTab->currentRowIndex(), -1);
    g_status().teach_code = 77;
    page->on_bn_Start_clicked();
    page->on_bn_Teach_clicked();
    EXPECT_EQ(command_mailbox().count, 0);
    EXPECT_EQ(g_status().teach_code, 77);

    f->tbwx_FuncTab->selectRowById(4);
    page->on_bn_Start_clicked();
    page->on_bn_Stop_clicked();
    ASSERT_EQ(command_mailbox().count, 1);
    const device_frame& stop = command_mailbox().frames[0];
    EXPECT_EQ(stop[4], dp::cmd_stop);
    EXPECT_EQ(stop.u16(5), 0xFFFF);
    device_frame expected;
    function_record_to_request(byte_view(expected.data(), dp::frame_size));
    for (size_t i = 7; i < dp::frame_size; ++i)
        EXPECT_EQ(stop[i], expected[i]) << i;
}

TEST_F(mailbox_test, basic_page_starts_both_sides_or_one)
{
    g_device().family_flag = 1;
    page->show_program(&main);
    f->chb_TS_RL_Mode->setChecked(true);
    f->ebx_TS_ObjectAngle->setValue(111);
    f->ebx_TS_ObjectAngleX->setValue(222);
    page->on_bn_Teach_clicked();
    const config_image& img = g_config_image();
    const auto frames = sending_order();
    ASSERT_EQ(frames.size(), 3u);
    const int flags[3] = {0x12, 0x16, 0x1A};
    // Functions 0 and 1 are alike but for their flags: the flags byte tells the members apart.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ((*frames[size_t(i)])[24], flags[i]);
        EXPECT_EQ((*frames[size_t(i)])[4], dp::cmd_teach);
    }
    EXPECT_EQ(g_status().teach_code, 0);
    EXPECT_EQ(img.function(1).field(fr::object_pos), 111);
    EXPECT_EQ(img.function(2).field(fr::object_pos), 222);
    for (uint32_t off = 4; off < image_layout::function_size; ++off)
        if (off < fr::flags || off >= fr::flags + 4) {
            EXPECT_EQ(img.function(3).data()[off], img.function(0).data()[off]) << off;
        }

    page->on_bn_Teach_L_clicked();
    ASSERT_EQ(command_mailbox().count, 1);
    EXPECT_EQ(command_mailbox().frames[0][24], 0x1A);
    EXPECT_EQ(command_mailbox().frames[0][4], dp::cmd_teach);
    EXPECT_EQ(g_status().teach_code, 0x4002);
    page->on_bn_Teach_R_clicked();
    EXPECT_EQ(command_mailbox().frames[0][24], 0);
    EXPECT_EQ(g_status().teach_code, 0x4001);
    EXPECT_EQ(frame_function(command_mailbox().frames[0]), 0);
}

TEST_F(mailbox_test, teach_enabling_follows_the_cluster_at_zero_and_the_ready_flag)
{
    struct row {
        int selected;
        bool ready;
        bool teach;
    };
    for (const row& r : {row{5, false, false}, row{5, true, true}, row{1, false, true}, row{9, false, false},
                         row{9, true, true}}) {
        g_status().teach_permitted = r.ready;
        f->tbwx_FuncTab->selectRowById(r.selected);
        page->on_tbwx_FuncTab_clicked();
        EXPECT_EQ(f->bn_Teach->isEnabled(), r.teach) << r.selected << " ready " << r.ready;
    }
}

// The page against the simulated controller inside the test process.
struct device_test : ui_testing::app_first, device_sim_test {
    void SetUp() override
    {
        device_sim_test::SetUp();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        g_host_context().data_source = [] { return int(g_program_document().source); };
        page = std::make_unique<c_dlgw_program>();
        fm = page->form();
        reset_config_image(g_config_image());
        g_program_document().source = 1;
        page->show_program(&main);
    }
    void TearDown() override
    {
        page.reset();
        g_host_context().data_source = nullptr;
        link_reset_for_tests();
        shell_reset_for_tests();
        device_sim_test::TearDown();
    }
    size_t count_of(uint8_t type) const
    {
        size_t n = 0;
        for (const device_frame& f : sent)
            n += f[2] == type;
        return n;
    }
    QWidget main;
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* fm = nullptr;
};

TEST_F(device_test, parameter_read_and_write_by_number)
{
    world().parameters[35] = 17;
    fm->ebx_ParNumber->setValue(35);
    page->on_bn_Read_clicked();
    EXPECT_EQ(fm->ebx_ParValue->value(), 17);
    fm->ebx_ParValue->setValue(44);
    page->on_bn_Write_clicked();
    EXPECT_EQ(world().parameters[35], 44);

    for (int n : {0, 256}) {
        forget();
        fm->ebx_ParNumber->setValue(n);
        page->on_bn_Read_clicked();
        page->on_bn_Write_clicked();
        EXPECT_EQ(fm->ebx_ParValue->value(), -1) << n;
        EXPECT_EQ(count_of(0x23) + count_of(0x03), 0u) << n;
    }
    // A refused parameter: the error box, -1 kept, no settings field named.
    arm("error type=0x23 code=6 ttype=3");
    ui_.boxes.clear();
    g_parameter_error().parameter_error_index = 5;
    fm->ebx_ParNumber->setValue(35);
    page->on_bn_Read_clicked();
    EXPECT_EQ(fm->ebx_ParValue->value(), -1);
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(g_parameter_error().parameter_error_index, -1);
}

TEST_F(device_test, profinet_station_of_the_controller_shows_on_the_fieldbus_page)
{
    profile("premium-24");
    error_record e;
    ASSERT_TRUE(dev_read_system_info(e)) << e.code;
    g_device().family_code = 0x24;
    page->show_program(&main);
    EXPECT_EQ(fm->stw_ProfibusNet_Settings->currentWidget(), fm->stwp_Profinet);
    EXPECT_EQ(fm->l_PN_NameOfStation->text(), QStringLiteral("tarvix-sim"));
    EXPECT_EQ(fm->l_PN_IP_Address->text(), QStringLiteral("192.168.0.10"));
    EXPECT_EQ(fm->l_PN_SubnetMask->text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(fm->l_PN_Gateway->text(), QStringLiteral("192.168.0.1"));
    // Seen from the controller, the fieldbus choice is fixed and the outputs are hidden.
    EXPECT_FALSE(fm->rbg_Fieldbus->button(1)->isEnabled());
    EXPECT_TRUE(fm->rbg_GS_Out1->isHidden());
}

TEST_F(device_test, coming_back_to_the_function_tab_writes_the_changed_settings_only)
{
    const QString question = QStringLiteral("The changed global settings must be saved to Tarvix");
    {
        // No: back to the tab the user came from, the edit still shown.
        ui_testing::scripted_ui script;
        fm->tab_Settings->set_current_logical(1);
        fm->ebx_GS_ProfibusAddr->setValue(77);
        forget();
        script.expect_box_containing(ui::box_kind::warning, QStringLiteral("WARNING"), question, ui::no);
        fm->tab_Settings->set_current_logical(0);
        EXPECT_EQ(fm->tab_Settings->current_logical_index(), 1);
        EXPECT_EQ(fm->ebx_GS_ProfibusAddr->value(), 77);
        EXPECT_TRUE(sent.empty());
        EXPECT_TRUE(script.verify_consumed());
    }
    {
        // Yes: the settings go to the controller, no function record travels.
        ui_testing::scripted_ui script;
        forget();
        script.expect_box_containing(ui::box_kind::warning, QStringLiteral("WARNING"), question, ui::yes)
            .expect_information(QStringLiteral("Save Data to Tarvix successfull!"));
        fm->tab_Settings->set_current_logical(0);
        EXPECT_EQ(fm->tab_Settings->current_logical_index(), 0);
        EXPECT_EQ(world().parameters[35], 77);
        EXPECT_EQ(count_of(0x04) + count_of(0x44), 0u);
        EXPECT_EQ(g_reference_image().header().field(hdr::profibus_addr), 77);
    }
    {
        // Unchanged settings: no question at all.
        ui_testing::scripted_ui script;
        fm->tab_Settings->set_current_logical(1);
        fm->tab_Settings->set_current_logical(0);
        EXPECT_TRUE(script.verify_consumed());
    }
}

}  // namespace
