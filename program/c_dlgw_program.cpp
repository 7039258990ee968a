#include "program/c_dlgw_program.h"

#include <QAbstractButton>
#include <QDebug>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

#include "core/device/command_mailbox.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/function_rows.h"
#include "core/protocol/device_protocol.h"
#include "core/text/global_tables.h"
#include "core/text/user_seam.h"
#include "page_common/c_dlg_scannerfinder.h"
#include "page_common/fieldbus_texts.h"
#include "page_common/tool_cells.h"
#include "page_common/tool_views.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "program_dialogs/c_dlg_prgcluster.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "program_dialogs/c_dlg_prgtool.h"
#include "program_dialogs/c_dlg_prgtooltype.h"
#include "program_dialogs/dialog_support.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"
#include "widgets/fit_texts.h"

namespace dp = device_protocol;

namespace {

c_dlgw_program* g_page = nullptr;
QStandardItemModel* g_scanner_model = nullptr;
QSortFilterProxyModel* g_scanner_proxy = nullptr;

const QString tab_pane_style = QStringLiteral(
    "QTabWidget::pane {       background-color: rgb(230,230,230);      border-top: 4px solid #A0A0A0;     "
    "border-left: 4px solid #A0A0A0;    border-bottom: 4px solid #A0A0A0;    border-right: 4px solid #A0A0A0;     }");

const quint16 function_widths[function_row_columns] = {64, 110, 74, 120, 76, 70, 80, 74, 74, 70,
                                                        64, 88, 88, 88, 88, 88, 98, 98, 86, 86};
const quint16 tool_type_widths[24] = {30, 100, 25, 52, 45, 37, 25, 52, 45, 37, 45, 25,
                                       52, 45, 37, 54, 54, 54, 48, 48, 48, 40, 40, 48};
const quint16 tool_type_colours[24] = {0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 5, 5, 5, 0, 0, 0};
const quint16 tool_type_group_widths[7] = {130, 159, 204, 159, 162, 144, 128};
const quint16 tool_type_group_colours[7] = {0, 1, 2, 3, 4, 5, 0};
const quint16 custom_widths[22] = {30, 100, 25, 52, 52, 45, 37, 25, 52, 52, 45,
                                    37, 45, 25, 52, 52, 45, 37, 72, 40, 40, 48};
const quint16 custom_colours[22] = {0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 5, 0, 0, 0};
const quint16 custom_group_widths[6] = {130, 211, 256, 211, 72, 128};
const quint16 custom_group_colours[6] = {0, 1, 2, 3, 5, 0};

void function_row_texts(int id, const void* record, QStringList* texts)
{
    *texts = format_manual_row(id, const_function_record(static_cast<const uint8_t*>(record)));
}

}  // namespace

c_dlgw_program* program_page() { return g_page; }
QStandardItemModel* program_scanner_model() { return g_scanner_model; }
QSortFilterProxyModel* program_scanner_proxy() { return g_scanner_proxy; }

int combo_current_data()
{
    if (!g_page)
        return 0;
    QComboBox* cb = g_page->form()->cb_GS_Scanner;
    QAbstractItemModel* m = cb->model();
    if (!m || cb->currentIndex() < 0)
        return 0;
    return m->index(cb->currentIndex(), 1).data(Qt::DisplayRole).toInt();
}

void combo_select_by_data(int scanner)
{
    if (!g_page)
        return;
    QComboBox* cb = g_page->form()->cb_GS_Scanner;
    QAbstractItemModel* m = cb->model();
    if (!m)
        return;
    for (int row = 0; row < m->rowCount(); ++row)
        if (m->index(row, 1).data(Qt::DisplayRole).toInt() == scanner) {
            cb->setCurrentIndex(row);
            return;
        }
}

QStringList& input_function_names()
{
    static QStringList names;
    return names;
}

c_qtableview_functab* program_tool_view() { return g_page ? g_page->form()->tbvx_PM_Tools : nullptr; }

c_dlgw_program::c_dlgw_program(QWidget* parent) : QWidget(parent), ui(new Ui::c_dlgw_program)
{
    g_page = this;
    program_settings_source() = [this](config_image& dest) { window_to_image(dest); };
    ui->setupUi(this);
    // The form's places and sizes are those of an 8-point dialog font.
    QFont small = font();
    small.setPointSize(8);
    setFont(small);
    fit_texts();
    // ... and stay so when the program selects its style after building the window.
    keep_form_fonts(this);
    g_program_page().loading = false;
    setup_tables();
    connect_tool_views();
    scannerFinder_ = new c_dlg_scannerfinder(this);
    // The element dialogs: one each, hidden between uses (reached through their globals).
    new c_dlg_prgfunction(this);
    new c_dlg_prgcluster(this);
    advancedOptions_ = new c_dlg_advancedoptions(this);
    // The tool-type and tool dialogs, one each for the whole run.
    new c_dlg_prgtooltype(this);
    // The tool dialog is a window of its own: it stays up while the main window is hidden.
    toolDialog_ = new c_dlg_prgtool(nullptr);
    connect(toolDialog_, &c_dlg_prgtool::sig_closed, this, &c_dlgw_program::on_dlg_prgtool_closed);
    create_setup_wizards();
    init_widgets();
    install_status_hooks();
}

void c_dlgw_program::install_status_hooks()
{
    status_hooks& H = g_status_hooks();
    H.program_function_changed = [this](uint32_t n) { show_taught_function(n); };
    H.function_dialog_teach = [](int32_t value) {
        if (function_dialog())
            function_dialog()->take_taught_angle(value);
    };
    H.cluster_teach = [this](int32_t side, int32_t first, int32_t second) {
        if (cluster_dialog() && cluster_dialog()->running()) {
            cluster_dialog()->take_taught_angles(side, first, second);
            return;
        }
        // The Basic page's two sides.
        if (g_device().family_flag == 0)
            return;
        if (side == 1)
            ui->ebx_TS_ObjectAngle->setValue(first);
        else if (side == 2)
            ui->ebx_TS_ObjectAngleX->setValue(first);
    };
    H.output_labels = [this](const QString& state, const QString& set, const QString& active) {
        ui->l_IO_Module->setText(state);
        ui->l_ToolAnz->setText(set);
        ui->l_TS_RL_Block->setText(active);
    };
    H.display_flag_changed = [this] {
        update_table_buttons();
        on_tbwx_FuncTab_clicked();
        if (function_dialog() && function_dialog()->running())
            function_dialog()->update_teach_button();
    };
    H.status_decoded = [] {
        if (cluster_dialog() && cluster_dialog()->running())
            cluster_dialog()->update_buttons();
    };
}

void c_dlgw_program::show_taught_function(uint32_t n)
{
    if (n >= image_layout::function_count)
        return;
    // The row's texts anew; the selection stays where the user left it.
    const int row = ui->tbwx_FuncTab->rowOfId(int(n));
    if (row >= 0) {
        QStringList texts;
        function_row_texts(int(n), g_config_image().function(n).data(), &texts);
        ui->tbwx_FuncTab->setRowTexts(row, &texts);
    }
    if (g_device().family_flag == 0 || n > 3)
        return;
    // The Basic page shows the single function 0, or the right (1) and left (2) members.
    const config_image& img = g_config_image();
    const bool cluster = ui->chb_TS_RL_Mode->isChecked();
    if ((cluster && n == 1) || (!cluster && n == 0))
        ui->ebx_TS_ObjectAngle->setValue(img.function(n).field(fr::object_pos));
    else if (n == 2)
        ui->ebx_TS_ObjectAngleX->setValue(img.function(2).field(fr::object_pos));
}

c_dlgw_program::~c_dlgw_program()
{
    if (g_page == this) {
        status_hooks& H = g_status_hooks();
        H.program_function_changed = nullptr;
        H.function_dialog_teach = nullptr;
        H.cluster_teach = nullptr;
        H.output_labels = nullptr;
        H.display_flag_changed = nullptr;
        H.status_decoded = nullptr;
        H.setup_teach = nullptr;
        g_page = nullptr;
        program_settings_source() = nullptr;
        g_scanner_model = nullptr;
        g_scanner_proxy = nullptr;
    }
    delete toolDialog_;
    delete ui;
}

void c_dlgw_program::fit_texts()
{
    fit_hand_placed_texts(this, fit_mode::widen);
}

void c_dlgw_program::setup_tables()
{
    config_image& img = g_config_image();
    QStringList columns;
    for (const char* t : function_row_titles)
        columns << QString::fromLatin1(t);
    ui->tbwx_FuncTab->setupTable(0, nullptr, &columns, 0, function_widths, record_in_use, function_row_texts, 0);
    ui->tbwx_FuncTab->setLayoutInfo(img.function(0).data(), image_layout::function_count, image_layout::function_size);
    ui->tbwx_FuncTab->verticalHeader()->hide();

    const global_tables& g = g_global_tables();
    const QStringList typeColumns = titles_or(g.tool_type_column_labels, 24);
    const QStringList typeGroups = titles_or(g.tool_group_labels, 7);
    struct type_view {
        c_qtableview_functab* data;
        c_qtableview_functab* group;
        int first;
    };
    const type_view typeViews[] = {
        {ui->tbvx_PM_ToolTypes_Vendor, ui->tbvx_Group_PM_ToolTypes_Vendor, 1},
        {ui->tbvx_PM_ToolTypes_Custom, ui->tbvx_Group_PM_ToolTypes_Custom, 128},
        {ui->tbvx_PM_Tools_TT, ui->tbvx_Group_PM_Tools_TT, 0},
    };
    for (const type_view& v : typeViews) {
        table_view_options o;
        o.colours = &header_colours();
        o.columnColours = tool_type_colours;
        o.indexOffset = v.first;
        v.data->setup(0, nullptr, &typeColumns, 0, tool_type_widths, record_in_use, tool_type_cells, 0, &o);
        v.data->set_array_geometry(img.tool_type(uint32_t(v.first)).data(),
                                   int(image_layout::tool_type_count) - v.first, image_layout::tool_type_slot_size);
        v.data->verticalHeader()->hide();
        setup_group_view(v.group, v.data, typeGroups, tool_type_group_widths, tool_type_group_colours);
    }

    {
        const QStringList customColumns = titles_or(g.tool_column_labels, 22);
        table_view_options o;
        o.colours = &header_colours();
        o.columnColours = custom_colours;
        ui->tbvx_PM_Tools_TT_Custom->setup(1, nullptr, &customColumns, 0, custom_widths, nullptr,
                                           custom_tool_type_cells, 0, &o);
        ui->tbvx_PM_Tools_TT_Custom->set_array_geometry(g_program_page().current_tool.data(), 1, tool_record_size);
        ui->tbvx_PM_Tools_TT_Custom->verticalHeader()->hide();
        setup_group_view(ui->tbvx_Group_PM_Tools_TT_Custom, ui->tbvx_PM_Tools_TT_Custom,
                         titles_or(g.tool_group_labels_short, 6), custom_group_widths, custom_group_colours);
    }
    setup_pm_tool_view(ui->tbvx_PM_Tools, ui->tbvx_Group_PM_Tools);
    ui->tbvx_PM_Tools->set_array_geometry(img.tool(0).data(), image_layout::tool_count, image_layout::tool_slot_size);
}

void c_dlgw_program::init_widgets()
{
    Ui::c_dlgw_program& f = *ui;
    // 1. The full tab set and the pane style.
    f.tab_Settings->remember_tabs();
    f.tab_Settings->setStyleSheet(tab_pane_style);

    // 2. Radio groups and lists.
    const QStringList inactiveActive{"Inactive", "Active"};
    const QStringList polarity{"N/C (Normally Closed)", "N/O (Normally Open)"};
    const QStringList inputs3{"Stop", "Function Selector", "Reset", "Preposition", "GoPos", "Rereference", "Softscan"};
    struct group_items {
        c_my_rbg* group;
        QStringList items;
    };
    const group_items groups[] = {
        {f.rbg_GS_RotDir, {"Counter-Clockwise", "Clockwise"}},
        {f.rbg_GS_PowerOnMove, inactiveActive},
        {f.rbg_GS_ReturnTrvMon, inactiveActive},
        {f.rbg_TS_AlarmOut, inactiveActive},
        {f.rbg_GS_Out1, polarity},
        {f.rbg_GS_Out2, polarity},
        {f.rbg_GS_Out3, polarity},
        {f.rbg_GS_Out4, polarity},
        {f.rbg_GS_SignalMode, {"at ObjectPos", "at HomePos"}},
        {f.rbg_InFunc1, {"Teach", "Function Selector", "Reset"}},
        {f.rbg_InFunc3, inputs3},
        {f.rbg_InFunc13, inputs3},
        {f.rbg_CS_InFuncKey, {"Inactive", "Teach"}},
        {f.rbg_GS_PB_Format, {"Little Endian", "Big Endian"}},
        {f.rbg_GS_DN_Format, {"Little Endian", "Big Endian", "Reserved 2", "Reserved 3"}},
        {f.rbg_GS_PB_EnableNegVals, {"Unsigned", "Signed"}},
        {f.rbg_GS_PB_ValRange, {"123.45", "1234.5 Basic", "1234.5 Extended"}},
        {f.rbg_GS_PB_EnablePCD, pb_enable_pcd_texts()},
        {f.rbg_GS_DN_Protocol, {"Protocol 2/1", "Protocol 19/19", "Protocol 3/2", "Reserved 3"}},
        {f.rbg_SetUp, {"Teach", "Edit"}},
        {f.rbg_CS_RelaySwitch, {"Relay", "1 Additional Tool Cycle"}},
        {f.rbg_GS_PB_CmdOptionsBit2, pb_cmd_options_bit2_texts()},
        {f.rbg_BasicInput, {"Teach", "Function Selector"}},
        {f.rbg_PM_BluntDuration, {"Single", "Over All"}},
    };
    for (const group_items& g : groups)
        g.group->create_buttons(g.items, Qt::Vertical);
    f.rbg_Fieldbus->create_buttons(QStringList{"PROFIBUS/PROFINET", "DeviceNet"}, Qt::Horizontal);
    f.rbg_GS_DN_Format->set_button_enabled(2, false);
    f.rbg_GS_DN_Format->set_button_enabled(3, false);
    f.rbg_GS_DN_Protocol->set_button_enabled(3, false);
    f.rbg_GS_OutPulseTime->set_buttons({f.rb_1, f.rb_2, f.rb_3});
    f.rbg_SU_SelectMode->set_buttons({f.rb_SU_Mode1, f.rb_SU_Mode2, f.rb_SU_Mode3});
    f.rbg_SU_SelectMode->setIndex(0);
    // The groups' own buttons take the page's dialog font.
    for (QRadioButton* b : findChildren<QRadioButton*>())
        b->setFont(font());
    connect(f.rbg_Fieldbus, &c_my_rbg::sig_rb_clicked, this, &c_dlgw_program::on_rbg_Fieldbus_clicked);
    connect(f.rbg_SetUp, &c_my_rbg::sig_rb_clicked, this, &c_dlgw_program::on_rbg_SetUp_clicked);

    struct combo_items {
        QComboBox* combo;
        QStringList items;
    };
    const QStringList outputs{"NotDefined", "OK",       "KO",        "Active",      "Object",
                              "Counter Limit", "Area Warning", "Area Error", "HomePos", "CollFrArea",
                              "CollChgArea", "KO R", "KO L", "UnexpStop", "ParityBit"};
    const combo_items combos[] = {
        {f.cb_PB_Protocol, {"Standard (6/6)", "Process Monitoring (64/64)"}},
        {f.cb_PB_UserData, {"Inactive", "Teach Position"}},
        {f.cb_PB_BankShifting, {"FW-Version Mode 1", "FW-Version Mode 2", "Extended ErrorInfo", "ID an S/N No."}},
        {f.cb_GS_DN_Baudrate, {"Autodetect", "125 kBaud", "250 kBaud", "500 kBaud"}},
        {f.cb_DS_Mode, {"FreeSpace", "CheckObj", "GoPos", "Rereference", "MonitorObj", "RefOnTool", "Preposition"}},
        {f.cb_DS_BackMode, {"HomePos", "No Return", "Reserved", "StartPos", "Position"}},
        {f.cb_DS_Out1_Funktion, outputs},
        {f.cb_DS_Out2_Funktion, outputs},
        {f.cb_DS_Out3_Funktion, outputs},
        {f.cb_DS_Out4_Funktion, outputs},
        {f.cb_DS_AreaRel, {"Absolute", "Relative"}},
        {f.cb_FE_CustomerConfig, {"Standard", "WUPT"}},
    };
    for (const combo_items& c : combos) {
        c.combo->clear();
        c.combo->addItems(c.items);
    }
    input_function_names() = QStringList{"No Function", "Teach", "Start"} + inputs3;

    // 3. Ranges.
    struct range {
        c_qlineedit_extend* field;
        double min, max;
        int decimals;
    };
    const range ranges[] = {
        {f.ebx_GS_OutputsTime, 1, 30000, 0},      {f.ebx_GS_ProfibusAddr, 0, 127, 0},
        {f.ebx_GS_MacId, 0, 63, 0},               {f.ebx_DS_BackAngle, -327.67, 327.67, 2},
        {f.ebx_DS_DefaultAngle, -327.67, 327.67, 2}, {f.ebx_DS_Area_1a, -327.67, 327.67, 2},
        {f.ebx_DS_Area_1b, -327.67, 327.67, 2},   {f.ebx_DS_Area_2a, -327.67, 327.67, 2},
        {f.ebx_DS_Area_2b, -327.67, 327.67, 2},   {f.ebx_CS_NegTeachLimit, -327.67, 327.67, 2},
        {f.ebx_DS_DefaultTolerance, 0.01, 327.67, 2}, {f.ebx_VertDistance, 0, 10000, 2},
        {f.ebx_RefAngle90, -360, 360, 2},         {f.ebx_RefToolLength, -10000, 10000, 2},
        {f.ebx_ParNumber, 0, 0, 0},               {f.ebx_ParValue, 0, 0, 0},
        {f.ebx_CS_DIP_Tolerance_1, 0, 327.67, 2}, {f.ebx_CS_DIP_Tolerance_2, 0, 327.67, 2},
        {f.ebx_CS_DIP_Tolerance_3, 0, 327.67, 2}, {f.ebx_CS_DIP_Tolerance_4, 0, 327.67, 2},
        {f.ebx_TS_ObjectAngle, -10000, 10000, 2}, {f.ebx_TS_ObjectAngleX, -10000, 10000, 2},
        {f.ebx_TS_Angle, -327.67, 327.67, 2},     {f.ebx_TS_AngleX, -327.67, 327.67, 2},
        {f.ebx_TS_Tolerance, 0.01, 327.67, 2},    {f.ebx_TS_ToleranceX, 0.01, 327.67, 2},
        {f.ebx_TS_Counter, 0, 0, 0},              {f.ebx_TS_CounterX, 0, 0, 0},
        {f.ebx_TS_AlarmCounter, 0, 200000, 0},    {f.ebx_TS_AlarmCounterX, 0, 200000, 0},
        {f.ebx_PM_SamplingTime, 10, 100, 0},      {f.ebx_PM_Averaging, 0, 255, 0},
    };
    for (const range& r : ranges)
        r.field->setRange(r.min, r.max, r.decimals);

    // 4. The custom settings tab stays hidden.
    f.tab_Settings->set_tab_visible(11, false);

    // 6. The scanner combo: text and number behind a proxy sorted by text.
    g_scanner_model = new QStandardItemModel(0, 2, this);
    g_scanner_proxy = new QSortFilterProxyModel(this);
    g_scanner_proxy->setSourceModel(g_scanner_model);
    g_scanner_proxy->sort(0, Qt::AscendingOrder);
    f.cb_GS_Scanner->setModel(g_scanner_proxy);
    f.l_HostConfig->hide();
}

void c_dlgw_program::update_table_buttons()
{
    Ui::c_dlgw_program& f = *ui;
    const int rows = f.tbwx_FuncTab->rowCount();
    for (QWidget* w : {f.bn_New, f.bn_New_RL, f.bn_Change, f.bn_Delete})
        w->setEnabled(true);
    if (rows == 0) {
        f.bn_Change->setEnabled(false);
        f.bn_Delete->setEnabled(false);
    } else if (rows >= 508) {
        f.bn_New->setEnabled(false);
        f.bn_New_RL->setEnabled(false);
    }
    const bool basic = g_device().family_flag != 0;
    const bool device = g_program_document().source == 1;
    const bool commands = device && rows > 0;
    f.bn_Teach->setEnabled(commands);
    f.bn_Start->setEnabled(commands);
    f.bn_Stop->setEnabled(commands && !basic);
    if (basic) {
        const bool teach = device && g_status().teach_permitted;
        f.bn_Teach_R->setEnabled(teach);
        f.bn_Teach_L->setEnabled(teach);
        f.bn_Start_R->setEnabled(device);
        f.bn_Start_L->setEnabled(device);
    }
    f.bn_Stop->setVisible(!basic);
}

void c_dlgw_program::update_setup_mode()
{
    const bool edit = ui->rbg_SetUp->index() == 1;
    ui->pn_SU_Teach->setVisible(ui->rbg_SetUp->index() == 0);
    for (QWidget* w : {ui->ebx_VertDistance, ui->ebx_RefAngle90, ui->ebx_RefToolLength})
        w->setEnabled(edit);
}

void c_dlgw_program::send_test_scan_command(int32_t code)
{
    device_frame f;
    function_record_to_request(byte_view(f.data(), dp::frame_size));
    f[dp::command_offset] = dp::cmd_test_scan;
    f.set_u16(5, 0xFFFF);
    f[20] = 1;
    f[35] = uint8_t(intensity_to_device(ui->cb_DS_DefaultIntensity->currentIndex()));
    queue_set_single(f);
    g_status().teach_code = code;
}

void c_dlgw_program::on_rbg_SetUp_clicked() { update_setup_mode(); }

void c_dlgw_program::on_bn_Close_clicked() { emit sig_Return(); }
