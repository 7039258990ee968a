// The set-up page of the program window: the test scan and the tool length it implies,
// where the set-up teach values go, and a wizard run from the page.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <memory>

#include "core/device/command_mailbox.h"
#include "core/image/core_state.h"
#include "core/protocol/device_protocol.h"
#include "core/text/text_tables.h"
#include "page_common/c_dlg_plotter.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_setup_1tool_m1.h"
#include "program_dialogs/c_dlg_setup_1tool_m2.h"
#include "program_dialogs/c_dlg_setup_3tool.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlg_setup_1tool_m1.h"
#include "ui_c_dlg_setup_1tool_m2.h"
#include "ui_c_dlg_setup_3tool.h"
#include "ui_c_dlgw_program.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace dp = device_protocol;

namespace {

struct setup_page : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        queue_clear();
        page = std::make_unique<c_dlgw_program>();
        f = page->form();
    }
    void TearDown() override
    {
        page.reset();
        queue_clear();
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
    }
    void page_setup(int32_t v, int32_t g, int32_t r)
    {
        f->ebx_VertDistance->setValue(v);
        f->ebx_RefAngle90->setValue(g);
        f->ebx_RefToolLength->setValue(r);
    }
    // The test scan frame alone in the mailbox, with the code that routes its answer.
    void expect_test_scan(int32_t code)
    {
        ASSERT_EQ(command_mailbox().count, 1);
        EXPECT_EQ(command_mailbox().frames[0][dp::command_offset], dp::cmd_test_scan);
        EXPECT_EQ(g_status().teach_code, code);
    }
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(setup_page, test_scan_shows_the_angle_and_the_tool_length_it_means)
{
    page_setup(10000, 9000, 5000);
    f->bn_TestScan->setEnabled(true);
    f->bn_TestScan->click();
    expect_test_scan(0x2004);

    struct row {
        int32_t angle;
        const char* angle_text;
        const char* length_text;
    } rows[] = {
        {9000, "90.00", "50.00"},     // at the reference angle: the reference tool
        {4000, "40.00", "169.17"},    // 50 degrees early: R + V tan 50
        {10000, "100.00", "32.36"},   // 10 degrees late: R - V tan 10, cut toward zero
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.angle);
        g_status_hooks().setup_teach(4, r.angle);
        EXPECT_EQ(f->l_ScanObjAngle->text(), QString::fromLatin1(r.angle_text));
        EXPECT_EQ(f->l_ScanToolLength->text(), QString::fromLatin1(r.length_text));
    }
}

TEST_F(setup_page, set_up_teach_fields_reach_their_wizards)
{
    auto* m1 = static_cast<c_dlg_setup_1tool_m1*>(page->setup_wizard(0));
    auto* m2 = static_cast<c_dlg_setup_1tool_m2*>(page->setup_wizard(1));
    auto* three = static_cast<c_dlg_setup_3tool*>(page->setup_wizard(2));
    const QString before = f->l_ScanObjAngle->text();
    g_status_hooks().setup_teach(2, 1234);
    g_status_hooks().setup_teach(5, 555);
    g_status_hooks().setup_teach(6, -666);
    EXPECT_EQ(three->form()->pn_ObjAngle2->text(), QStringLiteral("12.34"));
    EXPECT_TRUE(three->form()->pn_ObjAngle1->text().isEmpty());
    EXPECT_EQ(m1->form()->pn_ObjAngle1->text(), QStringLiteral("5.55"));
    EXPECT_EQ(m2->form()->pn_ObjAngle1->text(), QStringLiteral("-6.66"));
    EXPECT_EQ(f->l_ScanObjAngle->text(), before);

    // A wizard's Teach queues the page's test scan with its own code.
    three->form()->bn_SU_Teach3->click();
    expect_test_scan(0x2003);
    m2->form()->bn_SU_Teach1->click();
    expect_test_scan(0x2006);
}

TEST_F(setup_page, wizard_runs_on_the_page_values_and_the_page_shows_what_it_stored)
{
    ui_testing::scripted_ui script;
    page_setup(4000, 8000, 2000);
    f->rbg_SU_SelectMode->setIndex(2);
    script.expect_modal(QStringLiteral("c_dlg_setup_3tool"), [&](QWidget* d) {
        // The page's values are in the header and the position labels show set-up values.
        const const_settings_header h = g_config_image().header();
        EXPECT_EQ(h.field(hdr::vert_distance), 4000);
        EXPECT_EQ(h.field(hdr::ref_angle_90), 8000);
        EXPECT_TRUE(g_status().setup_activation);
        EXPECT_EQ(f->l_ScanUnit->text(), QString::fromLatin1(txt_label(204).c_str()));
        auto* w = static_cast<c_dlg_setup_3tool*>(d);
        Ui::c_dlg_setup_3tool& wf = *w->form();
        const int32_t lengths[3] = {3000, 5000, 8000}, angles[3] = {-1369, -2500, -4170};
        c_qlineedit_extend* fields[3] = {wf.ebx_ToolLength1, wf.ebx_ToolLength2, wf.ebx_ToolLength3};
        for (int i = 0; i < 3; ++i) {
            fields[i]->setValue(lengths[i]);
            g_status_hooks().setup_teach(i + 1, angles[i]);
        }
        wf.bn_Calculate->click();
        wf.bn_Close->click();
        return int(QDialog::Accepted);
    });
    f->bn_SU_Activate->click();
    EXPECT_TRUE(script.verify_consumed());
    EXPECT_FALSE(g_status().setup_activation);
    EXPECT_EQ(f->ebx_VertDistance->text(), QStringLiteral("100.00"));
    EXPECT_EQ(f->ebx_RefAngle90->text(), QStringLiteral("-25.00"));
    EXPECT_EQ(f->ebx_RefToolLength->text(), QStringLiteral("50.01"));
    EXPECT_TRUE(f->bn_TestScan->isEnabled());

    // A cancelled wizard stores nothing; a vertical distance of 0 keeps Test Scan off.
    page_setup(0, 8000, 2000);
    f->rbg_SU_SelectMode->setIndex(0);
    script.expect_modal(QStringLiteral("c_dlg_setup_1tool_m1"), [](QWidget* d) {
        static_cast<c_dlg_setup_1tool_m1*>(d)->form()->bn_Cancel->click();
        return int(QDialog::Rejected);
    });
    f->bn_SU_Activate->click();
    EXPECT_TRUE(script.verify_consumed());
    EXPECT_EQ(g_config_image().header().field(hdr::vert_distance), 0);
    EXPECT_FALSE(f->bn_TestScan->isEnabled());
}

TEST_F(setup_page, show_plotter_brings_the_plotter_up)
{
    c_dlg_plotter plotter;
    g_objects().plotter = &plotter;
    f->bn_ShowPlotter->click();
    EXPECT_TRUE(plotter.isVisible());
    g_objects().plotter = nullptr;
}

}  // namespace
