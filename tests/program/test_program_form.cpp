// The program window's form as built by the page: every named widget once with its class,
// the slots that connect by name without a warning, the tab order and the lists and
// buttons the page gives its widgets.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QRadioButton>
#include <QStandardItemModel>
#include <algorithm>
#include <memory>

#include "core/image/core_state.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlgw_program.h"
#include "widgets/testing/test_app.h"

namespace {

QStringList g_warnings;
void collect(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtWarningMsg)
        g_warnings << text;
}

QStringList items(QComboBox* c)
{
    QStringList t;
    for (int i = 0; i < c->count(); ++i)
        t << c->itemText(i);
    return t;
}

QStringList buttons(c_my_rbg* g)
{
    QStringList t;
    for (int i = 0; i < g->button_count(); ++i)
        t << g->button_text(i);
    return t;
}

struct form_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        g_warnings.clear();
        QtMessageHandler old = qInstallMessageHandler(collect);
        page = std::make_unique<c_dlgw_program>();
        qInstallMessageHandler(old);
        f = page->form();
    }
    testing_support::recording_ui ui_;
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* f = nullptr;
};

TEST_F(form_test, every_named_widget_exists_once_with_its_class_and_no_slot_misses_its_signal)
{
    const std::vector<std::pair<const char*, std::vector<const char*>>> table = {
        {"QPushButton",
         {"bn_Teach", "bn_Start", "bn_Stop", "bn_ClearCounters", "bn_Delete", "bn_New", "bn_New_RL", "bn_Change", "bn_Start_R", "bn_Teach_R", "bn_Clear", "bn_ClearX", "bn_Teach_L", "bn_Start_L", "bn_GS_AdvancedSettings", "bn_ScannerFinder", "bn_PM_TT_Edit", "bn_PM_TT_NewFromVendor", "bn_PM_TT_NewFromCustom", "bn_PM_TT_Delete", "bn_ExportAllTools", "bn_ExportSelectedTools", "bn_PM_Tool_Edit", "bn_PM_Tool_Delete", "bn_ShowPlotter", "bn_SU_Activate", "bn_TestScan", "bn_Write", "bn_Read", "bn_Print", "bn_Save", "bn_SaveAs", "bn_Close"}},
        {"QGroupBox",
         {"gb_Globals", "gb_GS_PN_Settings"}},
        {"QLabel",
         {"label", "l_TS_Scanner", "label_2", "l_IO_Module", "label_3", "l_ToolAnz", "label_4", "l_TS_RL_Block", "label_11", "Label11", "L_R_FuncBasic", "l_TS_ObjectAngle", "Label12", "Label13", "Label14", "Label25", "L_L_FuncBasic", "label_5", "l_ScanUnit", "label_6", "l_HostConfig", "l_LimitPosition", "l_LimitPosition_2", "l_LimitPosition_3", "label_12", "label_13", "label_14", "label_15", "l_AllToolsState", "l_SelectedToolsState", "l_ProfibusAddress_2", "l_ProfibusAddress_4", "l_PB_UserData", "l_ProfibusAddress", "label_17", "l_PN_NameOfStation", "label_19", "label_20", "label_21", "l_PN_IP_Address", "l_PN_SubnetMask", "l_PN_Gateway", "l_MacId", "l_ProfibusAddress_3", "label_7", "label_8", "l_DS_11", "l_DS_BackMode", "l_DS_BackAngle", "l_DS_14", "l_DS_15", "l_DS_16", "label_9", "l_DS_17", "l_DS_18", "l_DS_19", "l_DS_24", "label_10", "l_DS_20", "l_DS_21", "l_DS_22", "l_DS_23", "l_DS_26", "l_DS_27", "l_DS_25", "l_DS_28", "l_DS_29", "l_ScanObjAngle", "l_ScanToolLength", "l_DS_BackMode_2", "l_DS_BackMode_3", "label_18", "l_AO_4", "l_AO_3", "l_AO_2", "l_AO_5", "label_16", "l_AO_6"}},
        {"QStackedWidget",
         {"stw_ToolSettings", "stw_PM_Tool_TT", "stw_Fieldbus", "stw_ProfibusNet_Settings"}},
        {"QWidget",
         {"stwp_Premium", "stwp_Basic", "stwp_PM_Tool_TT_Normal", "stwp_PM_Tool_TT_Custom", "stwp_PB_Options", "stwp_Profibus", "stwp_Profinet", "stwp_Devicenet_Options"}},
        {"c_qtablewidget_functab",
         {"tbwx_FuncTab"}},
        {"QFrame",
         {"pn_basic", "pn_TS_BASIC_RL", "pn_DS_1", "pn_DS_OutputSettings", "pn_DS_Area", "pn_SU_Teach", "pn_SU_1", "pn_SU_2"}},
        {"QCheckBox",
         {"chb_TS_RL_Mode"}},
        {"c_my_rbg",
         {"rbg_BasicInput", "rbg_GS_RotDir", "rbg_GS_PowerOnMove", "rbg_GS_ReturnTrvMon", "rbg_GS_Out2", "rbg_GS_Out1", "rbg_GS_Out4", "rbg_GS_Out3", "rbg_TS_AlarmOut", "rbg_GS_SignalMode", "rbg_GS_OutPulseTime", "rbg_InFunc1", "rbg_InFunc3", "rbg_InFunc13", "rbg_PM_BluntDuration", "rbg_Fieldbus", "rbg_GS_PB_Format", "rbg_GS_PB_EnableNegVals", "rbg_GS_PB_ValRange", "rbg_GS_PB_EnablePCD", "rbg_GS_DN_Format", "rbg_GS_DN_Protocol", "rbg_SU_SelectMode", "rbg_SetUp", "rbg_CS_RelaySwitch", "rbg_CS_InFuncKey", "rbg_GS_PB_CmdOptionsBit2"}},
        {"QComboBox",
         {"cb_TS_Mode", "cb_TS_Intensity", "cb_TS_IntensityX", "cb_GS_Scanner", "cb_PM_RecordingMode", "cb_PB_BankShifting", "cb_PB_Protocol", "cb_PB_UserData", "cb_GS_DN_Baudrate", "cb_DS_Mode", "cb_DS_BackMode", "cb_DS_DefaultIntensity", "cb_DS_Out1_Funktion", "cb_DS_Out2_Funktion", "cb_DS_Out3_Funktion", "cb_DS_Out4_Funktion", "cb_DS_AreaRel", "cb_FE_CustomerConfig"}},
        {"c_qlineedit_extend",
         {"ebx_TS_ObjectAngle", "ebx_TS_Angle", "ebx_TS_Counter", "ebx_TS_Tolerance", "ebx_TS_AlarmCounter", "ebx_TS_ObjectAngleX", "ebx_TS_AngleX", "ebx_TS_CounterX", "ebx_TS_AlarmCounterX", "ebx_TS_ToleranceX", "ebx_GS_OutputsTime", "ebx_PM_SamplingTime", "ebx_PM_Averaging", "ebx_GS_ProfibusAddr", "ebx_GS_MacId", "ebx_DS_BackAngle", "ebx_DS_DefaultAngle", "ebx_DS_DefaultTolerance", "ebx_DS_Area_1a", "ebx_DS_Area_1b", "ebx_DS_Area_2a", "ebx_DS_Area_2b", "ebx_RefToolLength", "ebx_RefAngle90", "ebx_VertDistance", "ebx_ParNumber", "ebx_ParValue", "ebx_CS_DIP_Tolerance_2", "ebx_CS_DIP_Tolerance_3", "ebx_CS_DIP_Tolerance_1", "ebx_CS_DIP_Tolerance_4", "ebx_CS_NegTeachLimit"}},
        {"QRadioButton",
         {"rb_1", "rb_2", "rb_3", "rb_SU_Mode1", "rb_SU_Mode2", "rb_SU_Mode3"}},
        {"c_qtableview_functab",
         {"tbvx_Group_PM_ToolTypes_Vendor", "tbvx_PM_ToolTypes_Vendor", "tbvx_Group_PM_ToolTypes_Custom", "tbvx_PM_ToolTypes_Custom", "tbvx_Group_PM_Tools_TT", "tbvx_PM_Tools_TT", "tbvx_Group_PM_Tools_TT_Custom", "tbvx_PM_Tools_TT_Custom", "tbvx_Group_PM_Tools", "tbvx_PM_Tools"}},
    };
    int total = 0;
    for (const auto& row : table)
        for (const char* name : row.second) {
            // The sub-dialogs are windows of their own with forms of their own.
            QList<QWidget*> found = page->findChildren<QWidget*>(QLatin1String(name));
            found.erase(std::remove_if(found.begin(), found.end(), [&](QWidget* w) { return w->window() != page.get(); }),
                        found.end());
            ASSERT_EQ(found.size(), 1) << name;
            EXPECT_STREQ(found.front()->metaObject()->className(), row.first) << name;
            ++total;
        }
    EXPECT_EQ(total, 228);
    EXPECT_EQ(page->objectName(), QStringLiteral("c_dlgw_program"));
    EXPECT_EQ(page->windowTitle(), QStringLiteral("Form"));
    EXPECT_EQ(page->minimumWidth(), 1154);
    for (const QString& w : g_warnings)
        EXPECT_FALSE(w.contains(QLatin1String("No matching signal"))) << w.toStdString();
}

TEST_F(form_test, hand_placed_labels_sit_where_the_form_puts_them)
{
    QWidget host;
    Ui::c_dlgw_program form;
    form.setupUi(&host);
    EXPECT_EQ(form.Label12->geometry(), QRect(235, 117, 48, 13));
}

TEST_F(form_test, tabs_keep_their_logical_order_with_the_custom_tab_hidden)
{
    const QStringList titles{"Function Settings", "&Global Settings", "O&utput Settings", "Input Settings",
                             "PM Config",         "PM Tooltypes",     "PM Tools",         "Fieldbus",
                             "Default Settings",  "Setup",            "Full Extensions"};
    ASSERT_EQ(f->tab_Settings->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i)
        EXPECT_EQ(f->tab_Settings->tabText(i), titles[i]) << i;
    f->tab_Settings->set_tab_visible(4, false);
    f->tab_Settings->set_tab_visible(11, true);
    f->tab_Settings->set_current_logical(9);
    EXPECT_EQ(f->tab_Settings->current_logical_index(), 9);
    EXPECT_EQ(f->tab_Settings->currentWidget(), f->tw_Setup);
    f->tab_Settings->set_current_logical(11);
    EXPECT_EQ(f->tab_Settings->currentWidget(), f->tw_CustomSettings);
}

TEST_F(form_test, lists_and_radio_groups_carry_their_items)
{
    EXPECT_EQ(items(f->cb_DS_Mode), (QStringList{"FreeSpace", "CheckObj", "GoPos", "Rereference", "MonitorObj",
                                                 "RefOnTool", "Preposition"}));
    EXPECT_EQ(items(f->cb_DS_Out4_Funktion).size(), 15);
    EXPECT_EQ(items(f->cb_DS_Out1_Funktion).last(), QStringLiteral("ParityBit"));
    EXPECT_EQ(items(f->cb_GS_DN_Baudrate), (QStringList{"Autodetect", "125 kBaud", "250 kBaud", "500 kBaud"}));
    EXPECT_EQ(items(f->cb_PM_RecordingMode).size(), 15);
    EXPECT_EQ(buttons(f->rbg_InFunc13), (QStringList{"Stop", "Function Selector", "Reset", "Preposition", "GoPos",
                                                     "Rereference", "Softscan"}));
    EXPECT_EQ(input_function_names(),
              (QStringList{"No Function", "Teach", "Start", "Stop", "Function Selector", "Reset", "Preposition",
                           "GoPos", "Rereference", "Softscan"}));
    // The form's own buttons are adopted, not doubled.
    EXPECT_EQ(f->rbg_GS_OutPulseTime->button_count(), 3);
    EXPECT_EQ(f->rbg_GS_OutPulseTime->button(2), f->rb_3);
    EXPECT_EQ(f->rbg_SU_SelectMode->index(), 0);
    EXPECT_TRUE(f->rb_SU_Mode1->isChecked());
    // Reserved choices are shown but cannot be picked.
    EXPECT_FALSE(f->rbg_GS_DN_Protocol->button(3)->isEnabled());
    EXPECT_FALSE(f->rbg_GS_DN_Format->button(2)->isEnabled());
    EXPECT_TRUE(f->l_HostConfig->isHidden());
    EXPECT_EQ(f->tbwx_FuncTab->columnCount(), 20);
    EXPECT_EQ(f->tbwx_FuncTab->columnWidth(3), 120);
    // The tool view's filter switch sits in its fixed row.
    ASSERT_NE(f->tbvx_PM_Tools->model_item(0, 0), nullptr);
    EXPECT_TRUE(f->tbvx_PM_Tools->model_item(0, 0)->isCheckable());
}

}  // namespace
