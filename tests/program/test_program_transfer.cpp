// Image to window and back: a table of fixture headers that must come back as they went
// in (but for the documented normalisations), the Basic page records, the change check,
// the tab rules, the labels and the reactions of the settings widgets.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTimeEdit>
#include <functional>
#include <memory>

#include "core/device/device_info.h"
#include "core/files/scanner_lists.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/protocol/device_protocol.h"
#include "page_common/c_dlg_plotter.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_setup_1tool_m1.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlg_setup_1tool_m1.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_my_rbg.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

struct transfer_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        reset_scanner_lists_for_tests();
        g_device_info() = device_info_state{};
        page = std::make_unique<c_dlgw_program>();
        f = page->form();
        // Scanners 0 (auto-detect), 1 and 2 angular, 3 linear.
        const char* names[] = {"AutoDetect", "Scanner A", "Scanner B", "Linear C"};
        const uint32_t codes[] = {0, 0, 0, 1};
        for (int i = 0; i < 4; ++i) {
            QStandardItemModel* m = program_scanner_model();
            m->insertRow(0);
            m->setData(m->index(0, 0), QString::fromLatin1(names[i]));
            m->setData(m->index(0, 1), i);
            g_scanner_lists().codes[size_t(i)] = codes[i];
        }
        g_scanner_lists().auto_detect_text = QStringLiteral("Found*");
        reset_config_image(g_config_image());
        g_program_document().source = 2;
        g_program_document().file_name = QStringLiteral("/nowhere/p.cdx");
    }
    void TearDown() override
    {
        page.reset();
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        reset_scanner_lists_for_tests();
    }
    // Shows the working image and writes the window into a copy of it.
    config_image round_trip()
    {
        page->show_program(&main);
        config_image out = g_config_image();
        page->window_to_image(out);
        return out;
    }
    testing_support::recording_ui ui_;
    QWidget main;
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* f = nullptr;
};

using header_edit = std::function<void(settings_header)>;

TEST_F(transfer_test, headers_come_back_unchanged_but_for_the_documented_normalisations)
{
    struct row {
        const char* name;
        bool basic, pm, bit2;
        header_edit edit;
        header_edit expect;  // what the write normalises
    };
    auto set = [](uint32_t off, int32_t v) { return [off, v](settings_header h) { h.set_field(off, v); }; };
    auto none = [](settings_header) {};
    const row rows[] = {
        {"defaults", false, false, false, none, set(hdr::pb_cmd_options, 0x10111111)},
        {"value range 0", false, false, false, set(hdr::profibus_options, 0x0000), none},
        {"value range 1", false, false, false, set(hdr::profibus_options, 0x0005), none},
        {"value range stored 2 reads as 0", false, false, false, set(hdr::profibus_options, 0x0008),
         set(hdr::profibus_options, 0x000C)},
        {"value range 3 (extended)", false, false, false, set(hdr::profibus_options, 0x312E), none},
        {"DeviceNet autodetect", false, false, false,
         [](settings_header h) {
             h.set_field(hdr::devicenet_options, 0x4 | (2 << 3) | (2 << 7) | (2 << 11));
             h.set_field(hdr::dn_baudrate, 1);
         },
         none},
        {"DeviceNet 500 kBaud", false, false, false,
         [](settings_header h) {
             h.set_field(hdr::devicenet_options, 1 | (1 << 3) | (1 << 7) | (1 << 11));
             h.set_field(hdr::dn_baudrate, 2);
         },
         none},
        {"+280 other bits kept", false, false, false, set(hdr::pb_cmd_options, int32_t(0xF1FFF2FFu)),
         set(hdr::pb_cmd_options, int32_t(0xF1FFF2FFu))},
        {"PM fields", false, true, false,
         [](settings_header h) {
             h.set_field(hdr::pm_sampling_time, 40);
             h.set_field(hdr::pm_averaging, 17);
             h.set_field(hdr::pm_recording_mode, 9);
             h.set_field(hdr::pm_blunt_duration, 1);
         },
         none},
        {"variant_bit2", false, false, true, set(hdr::def_mode, 6), none},
        {"output function 15 kept", false, false, false, set(hdr::def_out3_func, 15), none},
        {"mode 128 kept", false, false, false, set(hdr::def_mode, 128), none},
        {"back mode 6 kept", false, false, false, set(hdr::def_back_mode, 6), none},
        {"unlisted scanner kept", false, false, false, set(hdr::scanner, 42), none},
        // The customer configuration shows bits 0 to 3; the other bits stay as they are.
        {"customer configuration 0x12 kept", false, false, false, set(hdr::customer_config, 0x12), none},
        {"customer configuration 0x31 kept", false, false, false, set(hdr::customer_config, 0x31), none},
        {"input functions", false, false, false,
         [](settings_header h) {
             h.set_field(hdr::in_func1, 5);
             h.set_field(hdr::in_func3, 8);
             h.set_field(hdr::in_func13, 9);
         },
         none},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        g_device().family_flag = r.basic;
        g_device().pm_capable = r.pm;
        g_device().variant_bit2 = r.bit2;
        reset_config_image(g_config_image());
        r.edit(g_config_image().header());
        config_image expected = g_config_image();
        r.expect(expected.header());
        const config_image out = round_trip();
        for (uint32_t off = 0; off < image_layout::header_reserved_offset; off += 4)
            EXPECT_EQ(out.header().field(off), expected.header().field(off)) << "offset " << off;
    }
}

TEST_F(transfer_test, basic_page_writes_the_first_four_records)
{
    g_device().family_flag = 1;
    config_image& img = g_config_image();
    // One cluster at 0: R from record 1, L from record 2.
    for (uint32_t n = 0; n < 4; ++n) {
        img.function(n).set_in_use(true);
        img.function(n).set_field(fr::flags, fr::flag_cluster | int32_t(n << 2));
        img.function(n).set_field(fr::object_pos, 1000 + int32_t(n));
        img.function(n).set_field(fr::intensity, 2);
    }
    img.function(2).set_field(fr::intensity, 7);  // no item on the Basic page: kept
    img.function(0).set_field(fr::out3, 5);
    img.header().set_field(hdr::in_func1, 4);
    img.header().set_field(hdr::in_func3, 4);
    page->show_program(&main);
    EXPECT_TRUE(f->chb_TS_RL_Mode->isChecked());
    EXPECT_EQ(f->rbg_BasicInput->index(), 1);
    EXPECT_EQ(f->rbg_TS_AlarmOut->index(), 1);
    EXPECT_EQ(f->stw_ToolSettings->currentWidget(), f->stwp_Basic);
    f->ebx_TS_ObjectAngleX->setValue(2222);
    config_image out = g_config_image();
    page->window_to_image(out);
    const int32_t flags[4] = {2, 6, 10, 14};
    for (uint32_t n = 0; n < 4; ++n) {
        EXPECT_TRUE(out.function(n).in_use()) << n;
        EXPECT_EQ(out.function(n).field(fr::flags), flags[n]) << n;
        EXPECT_EQ(out.function(n).field(fr::next_func), -1) << n;
    }
    EXPECT_EQ(out.function(1).field(fr::object_pos), 1001);
    EXPECT_EQ(out.function(2).field(fr::object_pos), 2222);
    EXPECT_EQ(out.function(2).field(fr::intensity), 7);
    EXPECT_EQ(out.function(0).field(fr::out3), 5);
    EXPECT_EQ(out.header().field(hdr::in_func3), 4);

    // Single function: records 1-3 freed, inputs 1/3 and the key input reset.
    f->chb_TS_RL_Mode->setChecked(false);
    f->rbg_TS_AlarmOut->setIndex(0);
    f->rbg_CS_InFuncKey->setIndex(0);
    page->window_to_image(out);
    EXPECT_EQ(out.function(0).field(fr::flags), 0);
    for (uint32_t n = 1; n < 4; ++n)
        EXPECT_FALSE(out.function(n).in_use()) << n;
    EXPECT_EQ(out.header().field(hdr::in_func1), 1);
    EXPECT_EQ(out.header().field(hdr::in_func3), 3);
    EXPECT_EQ(out.header().field(hdr::in_func_key), 1);
    EXPECT_EQ(out.function(0).field(fr::out3), 0);
}

TEST_F(transfer_test, settings_changed_looks_at_the_settings_only)
{
    page->show_program(&main);
    EXPECT_FALSE(page->settings_changed());
    // Functions and bytes beyond the settings are not settings.
    g_reference_image().function(7).set_in_use(true);
    g_reference_image().data()[400] = 0x12;
    EXPECT_FALSE(page->settings_changed());
    f->ebx_GS_ProfibusAddr->setValue(77);
    EXPECT_TRUE(page->settings_changed());
}

TEST_F(transfer_test, tabs_follow_variant_source_and_family)
{
    struct row {
        const char* name;
        bool basic, pm, bit2;
        int source;
        uint8_t family;
        int32_t area;
        std::vector<int> visible;
    };
    const row rows[] = {
        {"Premium file", false, false, false, 2, 0x20, 0, {0, 1, 2, 3, 7, 8}},
        {"Premium with set-up", false, false, false, 2, 0x20, 1, {0, 1, 2, 3, 7, 8, 9}},
        {"Basic", true, false, false, 2, 0x10, 1, {0, 1, 2}},
        {"PM", false, true, false, 2, 0x30, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8}},
        {"reduced", false, false, true, 2, 0x40, 0, {0, 1, 2, 8}},
        {"no fieldbus tab", false, false, false, 1, 0x21, 0, {0, 1, 2, 3, 8}},
        {"PROFINET", false, false, false, 1, 0x24, 0, {0, 1, 2, 7, 8}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        g_device().family_flag = r.basic;
        g_device().pm_capable = r.pm;
        g_device().variant_bit2 = r.bit2;
        g_device().family_code = r.family;
        g_program_document().source = r.source;
        reset_config_image(g_config_image());
        g_config_image().header().set_field(hdr::area_flag, r.area);
        g_config_image().header().set_field(hdr::vert_distance, 100);
        page->show_program(&main);
        std::vector<int> visible;
        for (int t = 0; t < 12; ++t)
            if (f->tab_Settings->visible_before(t) >= 0 &&
                f->tab_Settings->indexOf(f->tab_Settings->findChild<QWidget*>(
                    QStringList{"tw_ToolSettings", "tw_GlobalSettings", "tw_OutputSettings", "tw_InputSettings",
                                "tw_PM_Config", "tw_PM_ToolTypes", "tw_PM_Tools", "tw_Fieldbus", "tw_DefaultSettings",
                                "tw_Setup", "tw_FullExtensions", "tw_CustomSettings"}[t])) >= 0)
                visible.push_back(t);
        EXPECT_EQ(visible, r.visible);
        EXPECT_EQ(!f->rbg_GS_Out4->isHidden(), !r.basic && !r.bit2 && (r.family & 0xF) != 4);
        EXPECT_EQ(f->rbg_Fieldbus->index(), 0);
    }
}

TEST_F(transfer_test, customer_configuration_choice_replaces_bits_0_to_3_only)
{
    struct row {
        int32_t stored;
        int shown, chosen;
        int32_t written;
    };
    const row rows[] = {{0x31, 1, 0, 0x30}, {0x12, -1, 1, 0x11}, {0, 0, 1, 1}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.stored);
        reset_config_image(g_config_image());
        g_config_image().header().set_field(hdr::customer_config, r.stored);
        page->show_program(&main);
        EXPECT_EQ(f->cb_FE_CustomerConfig->currentIndex(), r.shown);
        EXPECT_FALSE(page->settings_changed());
        f->cb_FE_CustomerConfig->setCurrentIndex(r.chosen);
        config_image out = g_config_image();
        page->window_to_image(out);
        EXPECT_EQ(out.header().field(hdr::customer_config), r.written);
    }
}

TEST_F(transfer_test, a_new_offline_program_disables_the_tool_tabs_and_the_plotter_starts_over_in_auto)
{
    c_dlg_plotter plotter;
    g_objects().plotter = &plotter;
    auto* mode = plotter.findChild<c_my_rbg*>(QStringLiteral("rbg_SettingsMode"));
    ASSERT_NE(mode, nullptr);
    mode->setIndex(1);
    plotter.on_rbg_SettingsMode_clicked(1);
    ASSERT_FALSE(plotter.auto_range());
    g_device().pm_capable = true;
    g_device().family_code = 0x30;
    struct row {
        const char* name;
        int source;
        const char* file;
        bool tools_enabled;
    };
    const row rows[] = {
        {"new offline", 2, "NEWFILE", false},
        {"from a file", 2, "/nowhere/p.cdx", true},
        {"new again", 2, "NEWFILE", false},
        {"from the controller", 1, "", true},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        g_program_document().source = r.source;
        g_program_document().file_name = QString::fromLatin1(r.file);
        page->show_program(&main);
        QTabWidget* tabs = f->tab_Settings;
        EXPECT_TRUE(tabs->isTabEnabled(tabs->indexOf(f->tw_PM_Config)));
        EXPECT_EQ(tabs->isTabEnabled(tabs->indexOf(f->tw_PM_ToolTypes)), r.tools_enabled);
        EXPECT_EQ(tabs->isTabEnabled(tabs->indexOf(f->tw_PM_Tools)), r.tools_enabled);
        EXPECT_EQ(mode->index(), 0);
        EXPECT_TRUE(plotter.auto_range());
        EXPECT_FALSE(plotter.findChild<QTimeEdit*>()->isEnabled());
        EXPECT_FALSE(plotter.findChild<QSpinBox*>()->isEnabled());
    }
    g_objects().plotter = nullptr;
}

TEST_F(transfer_test, the_set_up_wizards_show_the_set_up_of_the_program_shown)
{
    settings_header h = g_config_image().header();
    h.set_field(hdr::vert_distance, 12345);
    h.set_field(hdr::ref_angle_90, -2500);
    h.set_field(hdr::ref_tool_length, 5001);
    page->show_program(&main);
    const Ui::c_dlg_setup_1tool_m1& w = *static_cast<c_dlg_setup_1tool_m1*>(page->setup_wizard(0))->form();
    EXPECT_EQ(w.ebx_VertDistance->value(), 12345);
    EXPECT_EQ(w.ebx_RefToolLength->value(), 5001);
    EXPECT_EQ(w.pn_RefAngle90->text(), QStringLiteral("-25.00"));
}

TEST_F(transfer_test, labels_follow_scanner_and_area)
{
    page->show_program(&main);
    struct row {
        int32_t scanner, area;
        const char* scanner_text;
        const char* unit;
    };
    const row rows[] = {
        {2, 0, "Scanner B", "Angle  [\xB0]"},
        {0, 0, "Found*", "Angle  [\xB0]"},
        {-1, 0, "Not Defined", "Angle  [\xB0]"},
        {3, 0, "Linear C", "Length [mm]"},
        {1, 1, "Scanner A", "Length [mm]"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.scanner);
        g_config_image().header().set_field(hdr::scanner, r.scanner);
        g_config_image().header().set_field(hdr::area_flag, r.area);
        page->image_to_settings();
        EXPECT_EQ(f->l_TS_Scanner->text(), QString::fromLatin1(r.scanner_text));
        EXPECT_EQ(f->l_ScanUnit->text(), QString::fromLatin1(r.unit));
    }
    EXPECT_EQ(QString::fromLatin1("Angle  [\xB0]").at(8), QChar(0x00B0));
}

TEST_F(transfer_test, scanner_by_hand_clears_the_setup_word_but_not_while_showing_or_finding)
{
    g_device().family_flag = 0;
    g_config_image().header().set_field(hdr::area_flag, 1);
    g_config_image().header().set_field(hdr::setting_300, 0x55);
    g_config_image().header().set_field(hdr::scanner, 1);
    page->show_program(&main);
    EXPECT_EQ(g_config_image().header().field(hdr::setting_300), 0x55);
    g_program_page().finder_writing = true;
    combo_select_by_data(2);
    EXPECT_EQ(g_config_image().header().field(hdr::setting_300), 0x55);
    g_program_page().finder_writing = false;
    combo_select_by_data(3);  // by hand, and linear
    EXPECT_EQ(g_config_image().header().field(hdr::setting_300), 0);
    EXPECT_EQ(f->rbg_GS_RotDir->index(), 1);
    EXPECT_FALSE(f->rbg_GS_RotDir->isEnabled());
    EXPECT_EQ(f->l_ScanUnit->text(), QStringLiteral("Length [mm]"));
    EXPECT_LT(f->tab_Settings->visible_before(9), 0 + f->tab_Settings->count() + 1);
    EXPECT_EQ(f->tab_Settings->indexOf(f->tw_Setup), -1);
}

TEST_F(transfer_test, default_settings_and_protocol_reactions)
{
    page->show_program(&main);
    struct row {
        int mode, back;
        bool back_enabled, angle_enabled;
    };
    for (const row& r : {row{0, 4, true, true}, row{2, 4, false, true}, row{4, 1, true, false}, row{1, 0, true, false}}) {
        f->cb_DS_Mode->setCurrentIndex(r.mode);
        f->cb_DS_BackMode->setCurrentIndex(r.back);
        EXPECT_EQ(f->cb_DS_BackMode->isEnabled(), r.back_enabled) << r.mode;
        EXPECT_EQ(f->l_DS_BackMode->isEnabled(), r.back_enabled) << r.mode;
        EXPECT_EQ(f->ebx_DS_BackAngle->isEnabled(), r.angle_enabled) << r.mode;
    }
    f->cb_PB_Protocol->setCurrentIndex(1);
    EXPECT_FALSE(f->cb_PB_UserData->isHidden());
    f->cb_PB_Protocol->setCurrentIndex(0);
    EXPECT_TRUE(f->cb_PB_UserData->isHidden());
    f->chb_TS_RL_Mode->setChecked(true);
    EXPECT_FALSE(f->bn_Teach_L->isHidden());
    f->chb_TS_RL_Mode->setChecked(false);
    EXPECT_TRUE(f->bn_Teach_L->isHidden());
    EXPECT_TRUE(f->pn_TS_BASIC_RL->isHidden());
}

TEST_F(transfer_test, profinet_page_shows_the_station_from_the_extended_block)
{
    device_info_state& d = g_device_info();
    d.valid = d.extended_valid = true;
    d.fieldbus_kind = '4';
    auto put32 = [&](size_t off, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            d.extended[off + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(dp::extended_ip_address, 0xC0A80001u);
    put32(dp::extended_subnet_mask, 0xFFFFFF00u);
    put32(dp::extended_gateway, 0xC0A800FEu);
    // A name that fills its field without a terminator is read within the field.
    for (size_t i = 0; i < dp::extended_station_name_size; ++i)
        d.extended[dp::extended_station_name + i] = uint8_t('a' + i % 26);
    g_device().family_code = 0x24;
    g_program_document().source = 1;
    page->show_program(&main);
    EXPECT_EQ(f->stw_ProfibusNet_Settings->currentWidget(), f->stwp_Profinet);
    EXPECT_EQ(f->l_PN_IP_Address->text(), QStringLiteral("192.168.0.1"));
    EXPECT_EQ(f->l_PN_SubnetMask->text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(f->l_PN_Gateway->text(), QStringLiteral("192.168.0.254"));
    EXPECT_EQ(f->l_PN_NameOfStation->text().size(), int(dp::extended_station_name_size));
    d.extended_valid = false;
    page->on_rbg_Fieldbus_clicked();
    EXPECT_EQ(f->stw_ProfibusNet_Settings->currentWidget(), f->stwp_Profibus);
}

TEST_F(transfer_test, intensity_refill_keeps_and_clamps_the_index)
{
    page->show_program(&main);
    f->cb_DS_DefaultIntensity->setCurrentIndex(6);
    page->show_program(nullptr);
    EXPECT_EQ(f->cb_DS_DefaultIntensity->currentIndex(), 6);
    g_device().family_flag = 1;
    page->show_program(nullptr);
    EXPECT_EQ(f->cb_DS_DefaultIntensity->count(), 4);
    EXPECT_EQ(f->cb_DS_DefaultIntensity->currentIndex(), 3);
}

}  // namespace
