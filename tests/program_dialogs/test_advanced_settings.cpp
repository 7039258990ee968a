// The advanced settings dialog: header to form and back for every field and its maps, what
// is kept unless edited, the close rules (Ok flag, Cancel, the close box and "Confirm"), the
// enabling per variant and the two warnings.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <functional>
#include <memory>

#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "ui_c_dlg_advancedoptions.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

struct advanced_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        QLocale::setDefault(QLocale::c());
        core_reset_for_tests();
        reset_config_image(g_config_image());
        dlg = std::make_unique<c_dlg_advancedoptions>();
        f = dlg->form();
    }
    void TearDown() override
    {
        dlg.reset();
        core_reset_for_tests();
    }
    settings_header header() { return g_config_image().header(); }
    void set(uint32_t off, int32_t v) { header().set_field(off, v); }
    int32_t get(uint32_t off) { return header().field(off); }
    // Loads, edits and closes with Ok; returns the header bytes afterwards.
    void ok_with(const std::function<void()>& edit)
    {
        dlg->load();
        edit();
        f->bn_Close->click();
    }
    std::vector<uint8_t> header_bytes() { return {g_config_image().data(), g_config_image().data() + 304}; }
    static void type(c_qlineedit_extend* e, const QString& text)
    {
        e->setText(text);
        emit e->editingFinished();
    }

    ui_testing::scripted_ui script;
    std::unique_ptr<c_dlg_advancedoptions> dlg;
    Ui::c_dlg_advancedoptions* f = nullptr;
};

TEST_F(advanced_test, form_names_classes_and_size)
{
    const std::pair<const char*, std::vector<const char*>> table[] = {
        {"c_qlineedit_extend",
         {"ebx_GS_CrashFreeArea", "ebx_GS_ToolChangeTime", "ebx_GS_Position1", "ebx_GS_Position2",
          "ebx_GS_LimitPosition", "ebx_GS_HomePosOffset", "ebx_GS_MinTeachPos", "ebx_GS_PrepositionOffset",
          "ebx_GS_ToleranceOffset", "ebx_GS_SwarfArea", "ebx_GS_SoftscanIntensity"}},
        {"c_my_rbg",
         {"rbg_GS_CrashFreeArea", "rbg_PrepositionIntensity", "rbg_ScanningMode", "rbg_HomePosVariant",
          "rbg_KoDetection", "rbg_GS_TeachCntClear", "rbg_GoBackMonitoring", "rbg_Rescan", "rbg_AddTeachCycles"}},
        {"QLabel",
         {"l_GS_ToolChangeTime", "l_Position1", "l_Position2", "l_LimitPosition", "l_HomePosOffset",
          "l_GS_PrepositionOffset", "l_MinTeachPos", "l_SoftscanIntensity", "l_SwarfArea", "l_GS_ToleranceOffset"}},
        {"QPushButton", {"bn_Close", "bn_Cancel"}},
        {"QRadioButton", {"rb_CollFrArea_0", "rb_CollFrArea_1"}},
    };
    for (const auto& row : table)
        for (const char* name : row.second) {
            QWidget* w = dlg->findChild<QWidget*>(QLatin1String(name));
            ASSERT_TRUE(w) << name;
            EXPECT_STREQ(w->metaObject()->className(), row.first) << name;
        }
    EXPECT_EQ(dlg->objectName(), QStringLiteral("c_dlg_advancedoptions"));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Advanced Settings"));
    EXPECT_EQ(dlg->minimumSize(), QSize(800, 600));
    EXPECT_EQ(dlg->maximumSize(), QSize(800, 600));
    EXPECT_TRUE(f->bn_Close->isDefault());
    EXPECT_EQ(f->rbg_GS_CrashFreeArea->button_text(1), QStringLiteral("Relative"));
    EXPECT_EQ(f->rbg_KoDetection->button_text(0), QStringLiteral("Return Immmediately"));
    EXPECT_FALSE(f->rbg_GoBackMonitoring->button(2)->isEnabled());
}

TEST_F(advanced_test, each_value_goes_from_the_form_to_its_header_word)
{
    struct row {
        const char* what;
        uint32_t offset;
        int32_t before;
        std::function<void(Ui::c_dlg_advancedoptions&)> edit;
        int32_t after;
    };
    const row rows[] = {
        {"crash-free area", hdr::crash_free_area, 0, [](auto& f) { type(f.ebx_GS_CrashFreeArea, "12.34"); }, 1234},
        {"tool change time", hdr::tool_change_time, 0, [](auto& f) { type(f.ebx_GS_ToolChangeTime, "250"); }, 250},
        {"position 1", hdr::position1, 4000, [](auto& f) { type(f.ebx_GS_Position1, "-1.5"); }, -150},
        {"position 2", hdr::position2, 13000, [](auto& f) { type(f.ebx_GS_Position2, "99.99"); }, 9999},
        {"limit position", hdr::limit_position, 0, [](auto& f) { type(f.ebx_GS_LimitPosition, "20000"); }, 1000000},
        {"home position offset", hdr::home_pos_offset, 0, [](auto& f) { type(f.ebx_GS_HomePosOffset, "3"); }, 300},
        {"min teach position", hdr::min_teach_pos, 0, [](auto& f) { type(f.ebx_GS_MinTeachPos, "-4"); }, 0},
        {"preposition offset", hdr::preposition_offset, 0, [](auto& f) { type(f.ebx_GS_PrepositionOffset, "7.07"); }, 707},
        {"tolerance offset -5", hdr::tolerance_offset, 0, [](auto& f) { type(f.ebx_GS_ToleranceOffset, "-0.05"); }, 0xFFFB},
        {"swarf area", hdr::swarf_area, 0, [](auto& f) { type(f.ebx_GS_SwarfArea, "-327.67"); }, 0x8001},
        {"softscan intensity", hdr::softscan_intensity, 5000, [](auto& f) { type(f.ebx_GS_SoftscanIntensity, "80"); }, 8000},
        {"teach counter clear", hdr::teach_cnt_clear, 0, [](auto& f) { f.rbg_GS_TeachCntClear->button(1)->click(); }, 1},
        {"scanning mode", hdr::scanning_mode, 0, [](auto& f) { f.rbg_ScanningMode->button(1)->click(); }, 1},
        {"preposition Long Wand", hdr::preposition_intensity, 0, [](auto& f) { f.rbg_PrepositionIntensity->button(3)->click(); }, 9},
        {"preposition Standard", hdr::preposition_intensity, 9, [](auto& f) { f.rbg_PrepositionIntensity->button(2)->click(); }, 0},
        {"preposition Very Slow", hdr::preposition_intensity, 0, [](auto& f) { f.rbg_PrepositionIntensity->button(0)->click(); }, 1},
        {"preposition Slow", hdr::preposition_intensity, 0, [](auto& f) { f.rbg_PrepositionIntensity->button(1)->click(); }, 2},
        {"rereference Precise", hdr::go_back_monitoring, 0, [](auto& f) { f.rbg_GoBackMonitoring->button(1)->click(); }, 1},
        {"rereference Normal", hdr::go_back_monitoring, 1, [](auto& f) { f.rbg_GoBackMonitoring->button(0)->click(); }, 0},
        {"home position Push", hdr::home_pos_variant, 0, [](auto& f) { f.rbg_HomePosVariant->button(1)->click(); }, 1},
        {"KO at object", hdr::ko_detection, 0, [](auto& f) { f.rbg_KoDetection->button(1)->click(); }, 1},
        {"rescan 3", hdr::rescan, 0, [](auto& f) { f.rbg_Rescan->button(3)->click(); }, 3},
        {"teach cycles 2", hdr::add_teach_cycles, 0, [](auto& f) { f.rbg_AddTeachCycles->button(2)->click(); }, 2},
        {"crash-free relative keeps the other bits", hdr::crash_free_relative, 0x106,
         [](auto& f) { f.rbg_GS_CrashFreeArea->button(1)->click(); }, 0x107},
        {"crash-free absolute keeps the other bits", hdr::crash_free_relative, 0x107,
         [](auto& f) { f.rbg_GS_CrashFreeArea->button(0)->click(); }, 0x106},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        reset_config_image(g_config_image());
        set(r.offset, r.before);
        std::vector<uint8_t> expected = header_bytes();
        ok_with([&] { r.edit(*f); });
        EXPECT_EQ(get(r.offset), r.after);
        // Nothing else moved.
        le::put32(expected.data() + r.offset, uint32_t(r.after));
        EXPECT_EQ(header_bytes(), expected);
    }
}

TEST_F(advanced_test, codes_without_a_button_and_unused_bits_are_kept_unless_edited)
{
    set(hdr::go_back_monitoring, 16);
    set(hdr::preposition_intensity, 5);
    set(hdr::tolerance_offset, 0x1234FFFB);
    set(hdr::swarf_area, int32_t(0xFFFF0010));
    set(hdr::scanning_mode, 7);
    set(hdr::crash_free_relative, 0x30);
    set(hdr::limit_position, 2000000);  // beyond the field's range
    const std::vector<uint8_t> before = header_bytes();
    dlg->load();
    // Rereference 16: "Customized" shown, the other two not selectable.
    EXPECT_TRUE(f->rbg_GoBackMonitoring->button(2)->isChecked());
    EXPECT_FALSE(f->rbg_GoBackMonitoring->button(0)->isEnabled());
    EXPECT_FALSE(f->rbg_GoBackMonitoring->button(1)->isEnabled());
    EXPECT_EQ(f->ebx_GS_ToleranceOffset->text(), QStringLiteral("-0.05"));
    for (QRadioButton* b : {f->rbg_PrepositionIntensity->button(0), f->rbg_PrepositionIntensity->button(3),
                            f->rbg_ScanningMode->button(0), f->rbg_ScanningMode->button(2)})
        EXPECT_FALSE(b->isChecked());
    EXPECT_EQ(dlg->read_form(), dlg->loaded());  // unchanged: the close box would not ask
    f->bn_Close->click();
    EXPECT_EQ(header_bytes(), before);

    // A code with a button left alone stays too (3 shows "Long Wand", which is 9 when chosen).
    set(hdr::preposition_intensity, 3);
    set(hdr::go_back_monitoring, 0x21);
    ok_with([] {});
    EXPECT_EQ(get(hdr::preposition_intensity), 3);
    EXPECT_EQ(get(hdr::go_back_monitoring), 0x21);

    // Edited, they take the new value whole.
    ok_with([&] {
        type(f->ebx_GS_ToleranceOffset, "1");
        f->rbg_ScanningMode->button(1)->click();
        f->rbg_GoBackMonitoring->button(0)->click();
    });
    EXPECT_EQ(get(hdr::tolerance_offset), 100);
    EXPECT_EQ(get(hdr::scanning_mode), 1);
    EXPECT_EQ(get(hdr::go_back_monitoring), 0);
}

TEST_F(advanced_test, a_second_load_shows_none_where_the_header_has_no_button)
{
    set(hdr::rescan, 2);
    dlg->load();
    EXPECT_TRUE(f->rbg_Rescan->button(2)->isChecked());
    set(hdr::rescan, 9);
    dlg->load();
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(f->rbg_Rescan->button(i)->isChecked()) << i;
}

TEST_F(advanced_test, close_rules)
{
    struct row {
        const char* what;
        bool edit;
        std::function<void(ui_testing::scripted_ui&)> script;
        std::function<void(c_dlg_advancedoptions&)> close;
        bool written;
        bool closed;
    };
    auto ok = [](c_dlg_advancedoptions& d) { d.form()->bn_Close->click(); };
    auto cancel = [](c_dlg_advancedoptions& d) { d.form()->bn_Cancel->click(); };
    auto close_box = [](c_dlg_advancedoptions& d) { d.close(); };
    auto confirm = [](int answer) {
        return [answer](ui_testing::scripted_ui& s) { s.expect_question(QStringLiteral("Save changed data set?"), answer); };
    };
    auto none = [](ui_testing::scripted_ui&) {};
    const row rows[] = {
        {"Ok, changed", true, none, ok, true, true},
        {"Cancel, changed", true, none, cancel, false, true},
        {"close box, unchanged", false, none, close_box, false, true},
        {"close box, Yes", true, confirm(ui::yes), close_box, true, true},
        {"close box, No", true, confirm(ui::no), close_box, false, true},
        {"close box, Cancel", true, confirm(ui::cancel), close_box, false, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        reset_config_image(g_config_image());
        dlg->load();
        dlg->show();
        if (r.edit)
            type(f->ebx_GS_Position1, "1");
        r.script(script);
        r.close(*dlg);
        EXPECT_TRUE(script.verify_consumed());
        EXPECT_EQ(get(hdr::position1), r.written ? 100 : 4000);
        EXPECT_EQ(dlg->isVisible(), !r.closed);
        EXPECT_FALSE(dlg->ok_flag());
        dlg->hide();
    }
}

TEST_F(advanced_test, widgets_are_enabled_by_variant)
{
    struct row {
        bool basic, bit2;
        bool both_clear_row, bit2_clear_row, basic_clear_row;
    };
    const row rows[] = {
        {false, false, true, true, true},
        {true, false, false, true, false},
        {false, true, false, false, true},
        {true, true, false, false, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::Message() << "basic " << r.basic << ", variant bit 2 " << r.bit2);
        g_device().family_flag = r.basic;
        g_device().variant_bit2 = r.bit2;
        dlg->load();
        for (QWidget* w : {static_cast<QWidget*>(f->rbg_GS_CrashFreeArea), static_cast<QWidget*>(f->ebx_GS_ToolChangeTime),
                           static_cast<QWidget*>(f->ebx_GS_SoftscanIntensity), static_cast<QWidget*>(f->rbg_GoBackMonitoring)})
            EXPECT_EQ(w->isEnabled(), r.both_clear_row) << w->objectName().toStdString();
        for (QWidget* w : {static_cast<QWidget*>(f->ebx_GS_Position1), static_cast<QWidget*>(f->l_Position2),
                           static_cast<QWidget*>(f->ebx_GS_ToleranceOffset)})
            EXPECT_EQ(w->isEnabled(), r.bit2_clear_row) << w->objectName().toStdString();
        for (QWidget* w : {static_cast<QWidget*>(f->ebx_GS_LimitPosition), static_cast<QWidget*>(f->ebx_GS_SwarfArea),
                           static_cast<QWidget*>(f->rbg_PrepositionIntensity), static_cast<QWidget*>(f->rbg_KoDetection)})
            EXPECT_EQ(w->isEnabled(), r.basic_clear_row) << w->objectName().toStdString();
        for (QWidget* w : {static_cast<QWidget*>(f->rbg_Rescan), static_cast<QWidget*>(f->rbg_AddTeachCycles),
                           static_cast<QWidget*>(f->ebx_GS_CrashFreeArea), static_cast<QWidget*>(f->rbg_ScanningMode)})
            EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    }
}

TEST_F(advanced_test, fast_scanning_and_strong_softscan_warn_and_keep_the_choice)
{
    dlg->load();
    const QString fast = QStringLiteral("In the mode \"Fast\" all tolerances are limited to 0,5 degrees maximum!");
    script.expect_warning(fast);
    f->rbg_ScanningMode->button(2)->click();
    f->rbg_ScanningMode->button(1)->click();  // no warning for the others
    script.expect_warning(fast);
    f->rbg_ScanningMode->button(2)->click();
    script.expect_warning(QStringLiteral("Greater intensity values than 100.00 could damage the tool!!"));
    type(f->ebx_GS_SoftscanIntensity, "100.01");
    type(f->ebx_GS_SoftscanIntensity, "100");
    EXPECT_TRUE(script.verify_consumed());
    f->bn_Close->click();
    EXPECT_EQ(get(hdr::scanning_mode), 2);
    EXPECT_EQ(get(hdr::softscan_intensity), 10000);
}

}  // namespace
