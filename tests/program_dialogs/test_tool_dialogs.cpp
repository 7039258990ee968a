// The tool-type and tool dialogs on their edit buffers: the number list of a new and of an
// edited tool type, the template's name, modes, clamping to the stored widths, the full list;
// the tool dialog's tool-type list by number (gaps and unknown numbers), its read-only values,
// Clear, Apply without teach data, and the closes that announce themselves and those that do not.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <memory>

#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "page_common/c_dlg_plotter.h"
#include "program_dialogs/c_dlg_prgtool.h"
#include "program_dialogs/c_dlg_prgtooltype.h"
#include "program_dialogs/tool_edit_buffers.h"
#include "state/shell_state.h"
#include "ui_c_dlg_prgtool.h"
#include "ui_c_dlg_prgtooltype.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

const QString question = QStringLiteral("Save programmed data in function table?");

int64_t type_field(const uint8_t* r, const char* name)
{
    return const_byte_view(r, tool_type_record_size).get(*tool_type_record_fields().find(name));
}
int64_t tool_field(const uint8_t* r, const char* name)
{
    return const_byte_view(r, tool_record_size).get(*tool_record_fields().find(name));
}
void set_tool_field(uint8_t* r, const char* name, int64_t v)
{
    byte_view(r, tool_record_size).set(*tool_record_fields().find(name), v);
}

// Tool types in use in the working image, named "Type <n>".
void use_tool_types(std::initializer_list<int> numbers)
{
    config_image& img = g_config_image();
    for (uint32_t n = 0; n < image_layout::tool_type_count; ++n)
        img.tool_type(n).set_in_use(0);
    for (int n : numbers) {
        tool_type_slot s = img.tool_type(uint32_t(n));
        s.set_in_use(1);
        s.record().set_text(*tool_type_record_fields().find("Name"), "Type " + std::to_string(n));
    }
}

struct dialogs_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        shell_reset_for_tests();
        reset_config_image(g_config_image());
        tool_type_edit_buffer() = tool_type_edit_record();
        tool_edit_buffer() = tool_edit_record();
    }
    void TearDown() override
    {
        core_reset_for_tests();
        shell_reset_for_tests();
    }
};

struct tool_type_test : dialogs_test {
    void SetUp() override
    {
        dialogs_test::SetUp();
        use_tool_types({1, 2, 3, 4, 5, 128, 129});
        tool_type_edit_record& b = tool_type_edit_buffer();
        b.index = -1;
        byte_view r(b.record.data(), tool_type_record_size);
        r.set_text(*tool_type_record_fields().find("Name"), "Tap");
        r.set(*tool_type_record_fields().find("Number"), 2);
        r.set(*tool_type_record_fields().find("MissingMode"), 2);
        r.set(*tool_type_record_fields().find("MissingLimit"), -150);
        r.set(*tool_type_record_fields().find("MissingOptions"), 0xF1);
        r.set(*tool_type_record_fields().find("BluntTime"), 70000);
    }
    c_dlg_prgtooltype d;
    Ui::c_dlg_prgtooltype* f = d.form();
};

TEST_F(tool_type_test, a_new_tool_type_takes_the_first_free_custom_number_and_the_template_with_new)
{
    ui_testing::scripted_ui script;
    d.open(true);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("New Tooltype Settings"));
    ASSERT_EQ(f->cb_PM_TT_Number->count(), 126);
    EXPECT_EQ(f->cb_PM_TT_Number->currentText(), QStringLiteral("130"));
    EXPECT_EQ(f->cb_PM_TT_Number->itemText(125), QStringLiteral("255"));
    EXPECT_EQ(f->eb_PM_TT_Name->text(), QStringLiteral("Tap_New"));
    EXPECT_EQ(f->cb_PM_TT_MissingMode->currentText(), QStringLiteral("Envelop"));
    EXPECT_EQ(f->ebx_PM_TT_MissingLimit->text(), QStringLiteral("-1.50"));
    EXPECT_TRUE(f->chb_PM_TT_MissingLimitRel->isChecked());
    f->cb_PM_TT_MissingMode->setCurrentIndex(0);
    d.show();
    f->bn_Close->click();

    const tool_type_edit_record& b = tool_type_edit_buffer();
    EXPECT_EQ(b.index, 130);
    EXPECT_EQ(type_field(b.record.data(), "Number"), 130);
    EXPECT_EQ(type_field(b.record.data(), "MissingMode"), 1);
    EXPECT_EQ(type_field(b.record.data(), "MissingLimit"), -150);
    // Only bit 0 of an option field comes from the form.
    EXPECT_EQ(type_field(b.record.data(), "MissingOptions"), 1);
    EXPECT_EQ(type_field(b.record.data(), "BluntTime"), 70000);
    EXPECT_STREQ(reinterpret_cast<const char*>(b.record.data() + ttr::name), "Tap_New");
}

TEST_F(tool_type_test, cancel_leaves_no_number_and_edit_shows_only_its_own_number)
{
    ui_testing::scripted_ui script;
    const auto before = tool_type_edit_buffer().record;
    d.open(true);
    d.show();
    f->bn_Cancel->click();
    EXPECT_EQ(tool_type_edit_buffer().index, -1);
    EXPECT_EQ(tool_type_edit_buffer().record, before);

    tool_type_edit_buffer().index = 129;
    d.open(false);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Edit Tooltype Settings"));
    ASSERT_EQ(f->cb_PM_TT_Number->count(), 1);
    EXPECT_EQ(f->cb_PM_TT_Number->currentText(), QStringLiteral("129"));
    EXPECT_FALSE(f->cb_PM_TT_Number->isEnabled());
    EXPECT_EQ(f->eb_PM_TT_Name->text(), QStringLiteral("Tap"));

    // Set Default drops the edits.
    f->eb_PM_TT_Name->setText(QStringLiteral("Other"));
    f->cb_PM_TT_MissingMode->setCurrentIndex(0);
    f->bn_SetDefault->click();
    EXPECT_EQ(f->eb_PM_TT_Name->text(), QStringLiteral("Tap"));
    EXPECT_EQ(f->cb_PM_TT_MissingMode->currentText(), QStringLiteral("Envelop"));

    // The close box with an edit asks; Cancel keeps the dialog open.
    f->eb_PM_TT_Name->setText(QStringLiteral("Other"));
    d.show();
    script.expect_question(question, ui::cancel);
    EXPECT_FALSE(d.close());
    EXPECT_TRUE(d.isVisible());
    script.expect_question(question, ui::yes);
    EXPECT_TRUE(d.close());
    EXPECT_EQ(tool_type_edit_buffer().index, 129);
    EXPECT_STREQ(reinterpret_cast<const char*>(tool_type_edit_buffer().record.data() + ttr::name), "Other");
}

TEST_F(tool_type_test, entries_clamp_to_the_width_the_record_stores)
{
    ui_testing::scripted_ui script;
    d.open(true);
    struct row {
        c_qlineedit_extend* edit;
        const char* text;
        const char* field;
        int64_t stored;
    };
    const row rows[] = {
        {f->ebx_PM_TT_X_Tol_FineRewind, "300", "X_ToleranceFineRewind", 255},
        {f->ebx_PM_TT_X_Tol_HighForward, "-3", "X_ToleranceHighForward", 0},
        {f->ebx_PM_TT_MissingLimit, "400", "MissingLimit", 32767},
        {f->ebx_PM_TT_BluntWork, "-400", "BluntWork", -32768},
        {f->ebx_PM_TT_Tol_High, "327.67", "ToleranceHigh", 32767},
        {f->ebx_PM_TT_BreakTime, "100000", "BreakTime", 100000},
        // Digits beyond a 32-bit integer read as 0 before the field's range applies.
        {f->ebx_PM_TT_CounterLimit, "3000000000", "CounterLimit", 0},
    };
    for (const row& r : rows)
        r.edit->setText(QString::fromLatin1(r.text));
    d.show();
    f->bn_Close->click();
    for (const row& r : rows)
        EXPECT_EQ(type_field(tool_type_edit_buffer().record.data(), r.field), r.stored) << r.field;
}

TEST_F(tool_type_test, a_long_name_is_cut_to_the_field_and_a_full_list_takes_nothing)
{
    ui_testing::scripted_ui script;
    byte_view r(tool_type_edit_buffer().record.data(), tool_type_record_size);
    r.set_text(*tool_type_record_fields().find("Name"), std::string(29, 'x'));
    d.open(true);
    EXPECT_EQ(f->eb_PM_TT_Name->text(), QString(29, QLatin1Char('x')) + QStringLiteral("_N"));

    config_image& img = g_config_image();
    for (uint32_t n = 128; n < 256; ++n)
        img.tool_type(n).set_in_use(1);
    d.open(true);
    EXPECT_EQ(f->cb_PM_TT_Number->count(), 0);
    script.expect_box_containing(ui::box_kind::warning, QString(), QStringLiteral("No free custom tool type number"));
    d.show();
    f->bn_Close->click();
    EXPECT_EQ(tool_type_edit_buffer().index, -1);
    EXPECT_FALSE(d.isVisible());
}

TEST_F(tool_type_test, an_unedited_name_that_fills_its_field_is_kept_byte_for_byte)
{
    ui_testing::scripted_ui script;
    // Tool type 129 with only what the form shows (it keeps bit 0 of an option field).
    tool_type_edit_buffer().index = 129;
    const byte_view r(tool_type_edit_buffer().record.data(), tool_type_record_size);
    r.set(*tool_type_record_fields().find("Number"), 129);
    r.set(*tool_type_record_fields().find("MissingOptions"), 1);
    std::memset(tool_type_edit_buffer().record.data() + ttr::name, 'N', ttr::name_size);
    const auto before = tool_type_edit_buffer().record;
    d.open(false);
    EXPECT_EQ(f->eb_PM_TT_Name->text(), QString(32, QLatin1Char('N')));
    // Nothing edited: the close box asks nothing, Ok stores the 32 bytes as they were.
    d.show();
    EXPECT_TRUE(d.close());
    d.open(false);
    d.show();
    f->bn_Close->click();
    EXPECT_EQ(tool_type_edit_buffer().record, before);

    // An edited name is stored within the field, with its terminator.
    d.open(false);
    f->eb_PM_TT_Name->setText(QString(32, QLatin1Char('M')));
    d.show();
    f->bn_Close->click();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tool_type_edit_buffer().record.data() + ttr::name)),
              std::string(31, 'M'));
    // A proposed name is held to the form's 31 characters again.
    d.open(true);
    EXPECT_EQ(f->eb_PM_TT_Name->maxLength(), 31);
}

struct tool_test : dialogs_test {
    void SetUp() override
    {
        dialogs_test::SetUp();
        use_tool_types({1, 2, 3, 4, 5, 128, 129, 130});
        tool_edit_record& b = tool_edit_buffer();
        b.index = 3;
        uint8_t* r = b.record.data();
        byte_view(r, tool_record_size).set_text(*tool_record_fields().find("Name"), "Tap M6");
        set_tool_field(r, "Number", 3);
        set_tool_field(r, "ToolType", 130);
        set_tool_field(r, "Tolerance", 2);
        set_tool_field(r, "MonitoringStatus", 0x12);
        set_tool_field(r, "MonitoringErrors", 0x1);
        set_tool_field(r, "CounterTeach", 5);
        set_tool_field(r, "CounterValue", 731);
        set_tool_field(r, "BluntDuration", 44);
        set_tool_field(r, "BluntOptions", 0xF0);
        set_tool_field(r, "DataCnt", 500);
        set_tool_field(r, "DataMax", 2345);
        set_tool_field(r, "IdleLimit", 350);
        spy = std::make_unique<QSignalSpy>(&d, &c_dlg_prgtool::sig_closed);
    }
    c_dlg_prgtool d;
    Ui::c_dlg_prgtool* f = d.form();
    std::unique_ptr<QSignalSpy> spy;
};

TEST_F(tool_test, the_form_shows_the_tool_and_ok_stores_its_type_by_number)
{
    ui_testing::scripted_ui script;
    d.open_edit();
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Edit Tool Settings"));
    EXPECT_EQ(d.vendor_count(), 5);
    EXPECT_EQ(f->cb_PM_Tool_TT->currentIndex(), 7);
    EXPECT_EQ(f->cb_PM_Tool_TT->currentText(), QStringLiteral("Type 130"));
    EXPECT_EQ(f->cb_PM_Tool_TolGroup->currentText(), QStringLiteral("Medium"));
    EXPECT_EQ(f->pn_PM_Tool_Status->text(), QStringLiteral("0012H"));
    EXPECT_EQ(f->pn_PM_Tool_Error->text(), QStringLiteral("0001H"));
    EXPECT_EQ(f->pn_PM_Tool_DataMax->text(), QStringLiteral("23.45"));
    EXPECT_EQ(f->pn_PM_Tool_IdleLimit->text(), QStringLiteral("3.50"));
    EXPECT_EQ(f->pn_PM_Tool_TeachCounter->text(), QStringLiteral("5"));
    EXPECT_TRUE(f->gb_PM_Tool_CustomSettings->isHidden());

    f->ebx_PM_Tool_X_Tol_Rewind->setText(QStringLiteral("999"));
    f->chb_PM_Tool_BluntTolRel->setChecked(true);
    d.show();
    f->bn_Close->click();
    const uint8_t* r = tool_edit_buffer().record.data();
    EXPECT_EQ(tool_field(r, "ToolType"), 130);
    EXPECT_EQ(tool_field(r, "X_ToleranceRewind"), 255);
    // Bits 0 and 1 come from the form, the others stay.
    EXPECT_EQ(tool_field(r, "BluntOptions"), 0xF2);
    EXPECT_EQ(tool_edit_buffer().index, 3);
    EXPECT_EQ(spy->count(), 1);
}

TEST_F(tool_test, gaps_among_the_tool_types_and_unknown_numbers_keep_the_tool_type)
{
    ui_testing::scripted_ui script;
    struct row {
        std::vector<int> types;
        int stored;
        QString shown;
    };
    const row rows[] = {
        {{1, 2, 3, 4, 5, 128, 130}, 130, "Type 130"},  // 129 deleted: a gap before 130
        {{1, 2, 3, 4, 5, 128, 130}, 200, ""},          // no such type: nothing chosen, kept
        {{1, 2, 3, 4, 5, 128, 130}, -1, ""},
        {{1, 2, 3, 4, 5, 128, 130}, 300, ""},
    };
    for (const row& c : rows) {
        SCOPED_TRACE(c.stored);
        config_image& img = g_config_image();
        for (uint32_t n = 0; n < 256; ++n)
            img.tool_type(n).set_in_use(std::find(c.types.begin(), c.types.end(), int(n)) != c.types.end());
        set_tool_field(tool_edit_buffer().record.data(), "ToolType", c.stored);
        d.open_edit();
        EXPECT_EQ(f->cb_PM_Tool_TT->currentText(), c.shown);
        d.show();
        f->bn_Close->click();
        EXPECT_EQ(tool_field(tool_edit_buffer().record.data(), "ToolType"), c.stored);
    }
}

TEST_F(tool_test, an_unedited_name_that_fills_its_field_is_kept_byte_for_byte)
{
    ui_testing::scripted_ui script;
    std::memset(tool_edit_buffer().record.data() + tr::name, 'N', tr::name_size);
    const auto before = tool_edit_buffer().record;
    d.open_edit();
    EXPECT_EQ(f->eb_PM_Tool_Name->text(), QString(32, QLatin1Char('N')));
    // Nothing edited: the close box asks nothing, Ok stores the 32 bytes as they were.
    d.show();
    EXPECT_TRUE(d.close());
    d.open_edit();
    d.show();
    f->bn_Close->click();
    EXPECT_EQ(tool_edit_buffer().record, before);
    EXPECT_EQ(spy->count(), 2);
}

TEST_F(tool_test, a_tool_without_a_type_shows_its_own_settings)
{
    ui_testing::scripted_ui script;
    use_tool_types({0, 1, 2, 128});
    set_tool_field(tool_edit_buffer().record.data(), "ToolType", 0);
    d.open_edit();
    EXPECT_EQ(f->cb_PM_Tool_TT->currentIndex(), 0);
    EXPECT_FALSE(f->gb_PM_Tool_CustomSettings->isHidden());
    f->cb_PM_Tool_TT->setCurrentIndex(2);
    EXPECT_TRUE(f->gb_PM_Tool_CustomSettings->isHidden());
}

TEST_F(tool_test, clear_resets_the_start_counter_and_apply_without_teach_data_changes_no_buffer)
{
    ui_testing::scripted_ui script;
    c_dlg_plotter plotter;
    g_objects().plotter = &plotter;
    const auto before = tool_edit_buffer().record;
    d.open_edit();
    f->bn_PM_Tool_StartCounterClear->click();
    f->bn_RM_Tool_BluntDurationClear->click();
    EXPECT_EQ(f->pn_PM_Tool_StartCounter->text(), QStringLiteral("0"));
    script.expect_box_containing(ui::box_kind::warning, QString(), QStringLiteral("No Teach-Data is available!"));
    f->bn_Apply->click();
    EXPECT_EQ(tool_edit_buffer().record, before);
    EXPECT_EQ(tool_field(d.working_copy().data(), "CounterValue"), 0);

    d.show();
    f->bn_Close->click();
    const uint8_t* r = tool_edit_buffer().record.data();
    EXPECT_EQ(tool_field(r, "CounterValue"), 0);
    EXPECT_EQ(tool_field(r, "BluntDuration"), 0);
    EXPECT_EQ(tool_field(r, "CounterTeach"), 5);
    EXPECT_EQ(tool_field(r, "MonitoringStatus"), 0x12);
    g_objects().plotter = nullptr;
}

TEST_F(tool_test, cancel_announces_the_close_and_a_cancelled_question_does_not)
{
    ui_testing::scripted_ui script;
    const auto before = tool_edit_buffer().record;
    d.open_edit();
    f->eb_PM_Tool_Name->setText(QStringLiteral("changed"));
    d.show();
    f->bn_Cancel->click();
    EXPECT_EQ(spy->count(), 1);
    EXPECT_EQ(tool_edit_buffer().record, before);

    d.open_edit();
    f->eb_PM_Tool_Name->setText(QStringLiteral("changed"));
    d.show();
    script.expect_question(question, ui::cancel);
    EXPECT_FALSE(d.close());
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(spy->count(), 1);
    script.expect_question(question, ui::no);
    EXPECT_TRUE(d.close());
    EXPECT_EQ(spy->count(), 2);
    EXPECT_EQ(tool_edit_buffer().record, before);

    // Escape is the close box: the question for an edited form, and the program window hears
    // of every end (it shows the main window again then).
    d.open_edit();
    f->eb_PM_Tool_Name->setText(QStringLiteral("by escape"));
    d.show();
    script.expect_question(question, ui::cancel);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(spy->count(), 2);
    script.expect_question(question, ui::yes);
    QTest::keyClick(&d, Qt::Key_Escape);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(spy->count(), 3);
    EXPECT_EQ(std::memcmp(tool_edit_buffer().record.data() + tr::name, "by escape", 10), 0) << "Yes took the form over";
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
