// The set-up wizards on the working header: teach codes and the taught angles that enable
// Calculate, Calculate's refusals (missing input, degenerate input, results the controller
// cannot hold), Clear, and the close test with every way of closing.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <vector>

#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "program_dialogs/c_dlg_setup_1tool_m1.h"
#include "program_dialogs/c_dlg_setup_1tool_m2.h"
#include "program_dialogs/c_dlg_setup_3tool.h"
#include "ui_c_dlg_setup_1tool_m1.h"
#include "ui_c_dlg_setup_1tool_m2.h"
#include "ui_c_dlg_setup_3tool.h"
#include "widgets/c_qlineedit_extend.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

const QString not_defined = QStringLiteral("Host: Not all Toollength and Teachangles are defined!");
const QString not_computable = QStringLiteral("Host: Error in calculating parameters! Please check inputs!");
const QString save_setup = QStringLiteral("Setup parameters are changed! Save them?");
const QString not_recalculated = QStringLiteral("The setup parameters are not recalculated!");

// A set-up of V 100.00, reference angle 90.00 and R 50.00 taught on tools of 30, 50 and 80:
// the controller answers these angles, and the wizard computes it back (R to 50.01).
const int32_t lengths[3] = {3000, 5000, 8000};
const int32_t angles[3] = {10131, 9000, 7330};

struct header_values {
    int32_t vert_distance, ref_angle, ref_tool_length;
};

void set_header(header_values v)
{
    settings_header h = g_config_image().header();
    h.set_field(hdr::vert_distance, v.vert_distance);
    h.set_field(hdr::ref_angle_90, v.ref_angle);
    h.set_field(hdr::ref_tool_length, v.ref_tool_length);
}

header_values header()
{
    const const_settings_header h = g_config_image().header();
    return {h.field(hdr::vert_distance), h.field(hdr::ref_angle_90), h.field(hdr::ref_tool_length)};
}

bool operator==(header_values a, header_values b)
{
    return a.vert_distance == b.vert_distance && a.ref_angle == b.ref_angle && a.ref_tool_length == b.ref_tool_length;
}

std::ostream& operator<<(std::ostream& o, header_values v)
{
    return o << v.vert_distance << "/" << v.ref_angle << "/" << v.ref_tool_length;
}

struct wizards : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        set_header({4000, 8000, 2000});
    }
    void TearDown() override { core_reset_for_tests(); }
    // The three tools entered and taught.
    void enter_three_tools(c_dlg_setup_3tool& w, const int32_t (&t)[3], const int32_t (&a)[3])
    {
        Ui::c_dlg_setup_3tool& f = *w.form();
        c_qlineedit_extend* fields[3] = {f.ebx_ToolLength1, f.ebx_ToolLength2, f.ebx_ToolLength3};
        for (int i = 0; i < 3; ++i) {
            fields[i]->setValue(t[i]);
            w.take_teach(i + 1, a[i]);
        }
    }
    std::vector<int32_t> codes;
    c_dlg_setup_wizard::test_scan_call record = [this](int32_t c) { codes.push_back(c); };
};

TEST_F(wizards, teach_buttons_send_their_codes_and_taught_angles_enable_calculate)
{
    ui_testing::scripted_ui script;
    c_dlg_setup_3tool three(record);
    three.init_dialog();
    Ui::c_dlg_setup_3tool& f = *three.form();
    f.bn_SU_Teach2->click();
    f.bn_SU_Teach1->click();
    f.bn_SU_Teach3->click();
    EXPECT_EQ(codes, (std::vector<int32_t>{0x2002, 0x2001, 0x2003}));
    EXPECT_FALSE(f.bn_Calculate->isEnabled());
    three.take_teach(1, -1234);
    three.take_teach(3, 7330);
    three.take_teach(5, 1111);  // another wizard's field
    EXPECT_FALSE(f.bn_Calculate->isEnabled());
    EXPECT_EQ(f.pn_ObjAngle1->text(), QStringLiteral("-12.34"));
    three.take_teach(2, 9000);
    EXPECT_TRUE(f.bn_Calculate->isEnabled());

    codes.clear();
    c_dlg_setup_1tool_m1 m1(record);
    c_dlg_setup_1tool_m2 m2(record);
    m1.form()->bn_SU_Teach1->click();
    m2.form()->bn_SU_Teach1->click();
    EXPECT_EQ(codes, (std::vector<int32_t>{0x2005, 0x2006}));
    m1.take_teach(6, 500);
    m2.take_teach(6, 600);
    EXPECT_TRUE(m1.form()->pn_ObjAngle1->text().isEmpty());
    EXPECT_EQ(m2.form()->pn_ObjAngle1->text(), QStringLiteral("6.00"));
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(wizards, three_tool_calculate_computes_or_refuses)
{
    struct row {
        const char* what;
        int32_t t[3];
        int32_t a[3];
        const char* box;  // the box Calculate shows, or none
        const char* results[3];  // VertDistance, RefToolLength, RefAngle90 shown afterwards
    } rows[] = {
        {"the set-up back", {3000, 5000, 8000}, {10131, 9000, 7330}, nullptr, {"100.00", "50.01", "90.00"}},
        {"in another order", {8000, 3000, 5000}, {7330, 10131, 9000}, nullptr, {"100.00", "50.01", "90.00"}},
        {"two equal lengths: error 9, not 10", {3000, 5000, 5000}, {10131, 9000, 9000}, "9", {"", "", ""}},
        {"equal angles", {3000, 5000, 8000}, {9000, 9000, 9000}, "10", {"", "", ""}},
        // Ten times the lengths: a vertical distance of 1000.00 does not fit 16 bits.
        {"beyond the controller's 16 bits", {30000, 50000, 80000}, {10131, 9000, 7330}, "16", {"", "", ""}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        ui_testing::scripted_ui script;
        if (r.box && QByteArray(r.box) == "9")
            script.expect_error(not_defined);
        else if (r.box && QByteArray(r.box) == "10")
            script.expect_error(not_computable);
        else if (r.box)
            script.expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("do not fit the controller"));
        c_dlg_setup_3tool w(record);
        w.init_dialog();
        enter_three_tools(w, r.t, r.a);
        w.form()->bn_Calculate->click();
        EXPECT_EQ(w.form()->pn_VertDistance->text(), QString::fromLatin1(r.results[0]));
        EXPECT_EQ(w.form()->pn_RefToolLength->text(), QString::fromLatin1(r.results[1]));
        EXPECT_EQ(w.form()->pn_RefAngle90->text(), QString::fromLatin1(r.results[2]));
        EXPECT_TRUE(script.verify_consumed());
    }
    // An angle missing: error 9 whatever the lengths.
    ui_testing::scripted_ui script;
    script.expect_error(not_defined);
    c_dlg_setup_3tool w(record);
    w.init_dialog();
    w.form()->ebx_ToolLength1->setValue(1000);
    w.take_teach(1, 9000);
    w.on_bn_Calculate_clicked();
    EXPECT_TRUE(script.verify_consumed());
}

enum class press { close_button, cancel_button, close_box };

struct close_case {
    const char* name;
    bool kept_lengths;  // the lengths were entered at an earlier use
    bool calculate;
    header_values before;
    press how;
    int confirm;   // answer to "Confirm" (0: none asked)
    int warning;   // answer to the "not recalculated" warning (0: none asked)
    bool closes;
    bool stores;
};

const header_values computed{10000, 9000, 5001};

const close_case close_cases[] = {
    {"close_after_calculating_stores_without_asking", false, true, {4000, 8000, 2000}, press::close_button, 0, 0, true, true},
    {"cancel_never_stores", false, true, {4000, 8000, 2000}, press::cancel_button, 0, 0, true, false},
    {"close_box_asks_yes_stores", false, true, {4000, 8000, 2000}, press::close_box, ui::yes, 0, true, true},
    {"close_box_asks_no_closes", false, true, {4000, 8000, 2000}, press::close_box, ui::no, 0, true, false},
    {"close_box_asks_cancel_stays", false, true, {4000, 8000, 2000}, press::close_box, ui::cancel, 0, false, false},
    {"close_box_same_results_closes", false, true, computed, press::close_box, 0, 0, true, false},
    {"untouched_closes_quietly", true, false, {4000, 8000, 2000}, press::close_box, 0, 0, true, false},
    {"untouched_close_button_stores_nothing", true, false, {4000, 8000, 2000}, press::close_button, 0, 0, true, false},
    {"changed_lengths_not_calculated_yes_quits", false, false, {4000, 8000, 2000}, press::close_button, 0, ui::yes, true, false},
    {"changed_lengths_not_calculated_no_stays", false, false, {4000, 8000, 2000}, press::close_box, 0, ui::no, false, false},
    // Same lengths as at the opening and the same reference angle: the new vertical distance
    // and reference tool length still count.
    {"only_distance_and_length_new_close_stores", true, true, {20000, 9000, 2000}, press::close_button, 0, 0, true, true},
    {"only_distance_and_length_new_close_box_asks", true, true, {20000, 9000, 2000}, press::close_box, ui::yes, 0, true, true},
};

class wizard_close : public wizards, public ::testing::WithParamInterface<close_case> {};

TEST_P(wizard_close, close_test)
{
    const close_case& c = GetParam();
    set_header(c.before);
    ui_testing::scripted_ui script;
    if (c.confirm)
        script.expect_question(save_setup, c.confirm);
    if (c.warning)
        script.expect_box_containing(ui::box_kind::warning, ui::title_warning(), not_recalculated, c.warning);

    c_dlg_setup_3tool w(record);
    Ui::c_dlg_setup_3tool& f = *w.form();
    const int32_t none[3] = {0, 0, 0};
    if (c.kept_lengths)
        enter_three_tools(w, lengths, angles);
    w.init_dialog();
    w.show();
    if (!c.kept_lengths)
        enter_three_tools(w, c.calculate || c.warning ? lengths : none, angles);
    if (c.calculate)
        f.bn_Calculate->click();
    switch (c.how) {
    case press::close_button: f.bn_Close->click(); break;
    case press::cancel_button: f.bn_Cancel->click(); break;
    case press::close_box: w.close(); break;
    }
    EXPECT_EQ(w.isVisible(), !c.closes);
    EXPECT_EQ(header(), c.stores ? computed : c.before);
    EXPECT_TRUE(script.verify_consumed());
}

INSTANTIATE_TEST_SUITE_P(all, wizard_close, ::testing::ValuesIn(close_cases),
                         [](const ::testing::TestParamInfo<close_case>& i) { return std::string(i.param.name); });

TEST_F(wizards, one_tool_method_1_takes_the_header_and_asks_again_after_a_new_teach)
{
    set_header({10000, 8000, 5000});
    ui_testing::scripted_ui script;
    c_dlg_setup_1tool_m1 w(record);
    Ui::c_dlg_setup_1tool_m1& f = *w.form();
    w.init_dialog();
    w.show();
    EXPECT_EQ(f.ebx_VertDistance->text(), QStringLiteral("100.00"));
    EXPECT_EQ(f.ebx_RefToolLength->text(), QStringLiteral("50.00"));
    EXPECT_EQ(f.pn_RefAngle90->text(), QStringLiteral("80.00"));
    EXPECT_FALSE(f.bn_Calculate->isEnabled());

    // A tool 100.00 longer than the reference touches 45 degrees early.
    f.ebx_ToolLength1->setValue(15000);
    f.bn_SU_Teach1->click();
    w.take_teach(5, 4000);
    ASSERT_TRUE(f.bn_Calculate->isEnabled());
    f.bn_Calculate->click();
    EXPECT_EQ(f.pn_RefAngle90->text(), QStringLiteral("85.00"));

    // Taught again without calculating: the results shown are stale.
    f.bn_SU_Teach1->click();
    w.take_teach(5, 4100);
    script.expect_box_containing(ui::box_kind::warning, ui::title_warning(), not_recalculated, ui::no);
    f.bn_Close->click();
    EXPECT_TRUE(w.isVisible());
    f.bn_Calculate->click();
    f.bn_Close->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(header(), (header_values{10000, 8600, 5000}));

    // Clear: the set-up inputs from the header, the rest empty, Calculate off.
    f.ebx_VertDistance->setValue(1);
    w.clear();
    EXPECT_EQ(f.ebx_ToolLength1->text(), QStringLiteral("0.00"));
    EXPECT_EQ(f.ebx_VertDistance->text(), QStringLiteral("100.00"));
    EXPECT_TRUE(f.pn_ObjAngle1->text().isEmpty());
    EXPECT_TRUE(f.pn_RefAngle90->text().isEmpty());
    EXPECT_FALSE(f.bn_Calculate->isEnabled());
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(wizards, one_tool_method_2_needs_its_taught_angle)
{
    ui_testing::scripted_ui script;
    c_dlg_setup_1tool_m2 w(record);
    Ui::c_dlg_setup_1tool_m2& f = *w.form();
    w.init_dialog();
    f.ebx_Distance1->setValue(500);
    f.ebx_Distance2->setValue(500);
    f.ebx_Distance3->setValue(600);
    f.ebx_ToolLength1->setValue(1000);
    EXPECT_TRUE(w.is_ready(true));  // the method's own test leaves the angle out
    script.expect_error(not_defined);
    w.on_bn_Calculate_clicked();
    EXPECT_TRUE(f.pn_RefAngle90->text().isEmpty());

    w.take_teach(6, 1000);
    f.bn_Calculate->click();
    EXPECT_EQ(f.pn_VertDistance->text(), QStringLiteral("4.00"));
    EXPECT_EQ(f.pn_RefToolLength->text(), QStringLiteral("7.00"));
    EXPECT_EQ(f.pn_RefAngle90->text(), QStringLiteral("46.87"));
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
