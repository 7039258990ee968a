// The manual page's form as built: every object of the widget tree with its class, and the
// states the form starts in.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QLayout>
#include <QStackedWidget>
#include <QTabWidget>
#include <memory>

#include "ui_c_dlgw_manualx.h"
#include "widgets/testing/test_app.h"

namespace {

struct form_fixture : ui_testing::app_first, ::testing::Test {
    QWidget root;
    Ui::c_dlgw_manualx form;
    form_fixture() { form.setupUi(&root); }
    QObject* find(const char* name)
    {
        if (root.objectName() == QLatin1String(name))
            return &root;
        return root.findChild<QObject*>(QLatin1String(name));
    }
};

TEST_F(form_fixture, every_named_object_exists_with_its_class)
{
    // One row per class; the names the page's slots and the main window reach it by.
    const std::vector<std::pair<const char*, std::vector<const char*>>> table = {
        {"c_qtabwidget_ext", {"tab_ManualX"}},
        {"c_qtablewidget_functab",
         {"tbwx_FuncTab", "tbwx_trc_FuncTab", "tbwx_PB_In", "tbwx_PB_Out", "tbwx_DN_ShortProtP", "tbwx_DN_In",
          "tbwx_DN_OkumaProtP", "tbwx_DN_ShortProtC", "tbwx_DN_Out", "tbwx_DN_OkumaProtC"}},
        {"c_qtablewidget_seq", {"tbwx_Trace", "tbwx_ErrorBuf"}},
        {"c_qtableview_functab", {"tbvx_Group_PM_Tools", "tbvx_PM_Tools", "tbvx_PM_Records", "tbvx_Group_PM_Records"}},
        {"c_qlineedit_extend",
         {"ebx_TS_ObjectAngle", "ebx_TS_Angle", "ebx_TS_Tolerance", "ebx_Angle", "ebx_StepSpeed", "ebx_ST_AreaChk"}},
        {"c_frm_selftest", {"frm_selftest"}},
        {"c_my_led", {"rl_I0", "rl_I1", "rl_I2", "rl_I3", "rl_I4", "rl_I5", "rl_I6", "rl_I7", "rl_I8", "rl_I9", "rl_I10",
                      "rl_I11", "rl_I12", "rl_I13", "rl_O0", "rl_O1", "rl_O2", "rl_O3", "rl_PB_RcvState",
                      "rl_DN_RcvState"}},
        {"QComboBox", {"cb_TS_Mode", "cb_TS_Intensity"}},
        {"QCheckBox", {"chb_AdvancedErrorBuf"}},
        {"QStackedWidget", {"stw_DN_In", "stw_DN_Out"}},
        {"QGroupBox", {"gb_PB_InputData", "gb_PB_OutputData", "groupBox", "groupBox_2"}},
        {"QFrame", {"pn_ManualStatus", "pn_Function", "pn_Trc_Function"}},
        {"QPushButton",
         {"bn_TestSW", "bn_Diagnostic", "bn_Start", "bn_Stop", "bn_Teach", "bn_S_Start", "bn_M_Stop", "bn_S_Teach",
          "bn_GoPos", "bn_GoBack", "bn_StepPos", "bn_StepNeg", "bn_ClearPlotter", "bn_ShowPlotter", "bn_ExportAllTools",
          "bn_ExportSelectedTools", "bn_ExportSelectedRecords", "bn_ExportAllRecords", "bn_LoadRecordHeaders",
          "bn_ClearAllRecords", "bn_Trc_Start", "bn_Trc_Stop", "bn_Trc_StartTrace", "bn_Trc_StopTrace",
          "bn_Clear_ErrBuf", "bn_Save_ErrBuf", "bn_StartSelfCheck", "bn_ST_ShowPlotter", "bn_ST_ClearPlotter"}},
        {"QLabel",
         {"l_DIPSw", "l_HexSw1", "l_HexSw2", "l_HexSw3", "l_InpSlctFunc", "l_Name", "l_ToolNr", "l_ObjectAngle",
          "l_Counter", "l_Area_1", "l_Area_2", "l_Trc_Name", "l_Trc_Counter", "pn_LoadRecordHeaders_Hint",
          "l_ST_PowerSupply", "l_ST_MotorPower", "l_ST_Memory", "l_ST_Fieldbus", "l_TraceInfo", "l_MacId"}},
        {"QWidget", {"tw_Monitoring", "tw_Manual", "tw_PM_Tools", "tw_Trace", "tw_Profibus", "tw_DeviceNet",
                     "tw_ErrorBuf", "tw_SelfCheck", "stwp_DN_In0", "stwp_DN_Out2", "layoutWidget_2", "gridLayoutWidget"}},
        {"QVBoxLayout", {"verticalLayout_3", "verticalLayout_2", "verticalLayout_7"}},
        {"QHBoxLayout", {"horizontalLayout_4", "horizontalLayout_5", "horizontalLayout_12"}},
        {"QGridLayout", {"gridLayout", "gridLayout_2", "gridLayout_17", "log_SelfTest", "gridLayout_8"}},
    };
    for (const auto& row : table)
        for (const char* name : row.second) {
            QObject* o = find(name);
            ASSERT_NE(o, nullptr) << name;
            EXPECT_STREQ(o->metaObject()->className(), row.first) << name;
        }
    EXPECT_EQ(root.objectName(), QStringLiteral("c_dlgw_manualx"));
    EXPECT_EQ(root.windowTitle(), QStringLiteral("Form"));
}

TEST_F(form_fixture, tabs_stacks_and_first_states)
{
    const QStringList titles{"Monitoring", "Manual", "PM Tools", "Trace", "PROFIBUS", "DeviceNet", "Error Buffer", "Selfcheck"};
    ASSERT_EQ(form.tab_ManualX->count(), titles.size());
    for (int i = 0; i < titles.size(); ++i)
        EXPECT_EQ(form.tab_ManualX->tabText(i), titles[i]);
    EXPECT_EQ(form.tab_ManualX->currentWidget(), form.tw_Trace);
    EXPECT_EQ(form.stw_DN_In->currentIndex(), 2);
    EXPECT_EQ(form.stw_DN_Out->currentIndex(), 2);
    EXPECT_FALSE(form.bn_Trc_StopTrace->isEnabled());
    EXPECT_EQ(form.pn_LoadRecordHeaders_Hint->styleSheet(), QStringLiteral("background-color: rgb(255, 255, 127);"));
    EXPECT_EQ(form.l_Counter->text(), QStringLiteral("TextLabel"));
    EXPECT_EQ(form.l_Counter->styleSheet(), QStringLiteral("color: rgb(170, 85, 0);"));
    EXPECT_EQ(form.l_ST_Fieldbus->text(), QStringLiteral("OK"));

    // Thirteen buttons share Alt+S, as the controller's tools always had it.
    QStringList alt_s;
    for (QAbstractButton* b : root.findChildren<QAbstractButton*>())
        if (b->shortcut() == QKeySequence(QStringLiteral("Alt+S")))
            alt_s << b->objectName();
    alt_s.sort();
    QStringList expected{"bn_Diagnostic", "bn_Start",     "bn_S_Start",        "bn_M_Stop",        "bn_S_Teach",
                         "bn_GoPos",      "bn_GoBack",    "bn_Trc_Start",      "bn_Trc_Stop",      "bn_Trc_StartTrace",
                         "bn_Trc_StopTrace", "bn_Clear_ErrBuf", "bn_Save_ErrBuf"};
    expected.sort();
    EXPECT_EQ(alt_s, expected);
    // The status panel's LEDs take no keyboard focus.
    EXPECT_EQ(form.rl_I5->focusPolicy(), Qt::NoFocus);
}

}  // namespace
