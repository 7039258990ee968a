#include "manual/c_dlgw_manualx.h"

#include <QComboBox>
#include <QDebug>
#include <QMainWindow>
#include <QPushButton>

#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_info.h"
#include "core/files/trace_file.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "core/image/function_rows.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "manual/io_indicators.h"
#include "manual/manual_state.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/manual_commands.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_manualx.h"
#include "widgets/c_my_led.h"
#include "widgets/fit_texts.h"
#include "widgets/fixed_point.h"
#include "widgets/led_styles.h"

namespace {

c_dlgw_manualx* g_page = nullptr;

QString label_text(int n, bool strip = false) { return QString::fromLatin1(txt_label(n, strip).c_str()); }
QString message_text(int n) { return QString::fromLatin1(txt_message(n).c_str()); }

const QString style_switch_set = QStringLiteral("QLabel{background: rgb(150, 255, 150);}");
const QString style_step_held = QStringLiteral("QPushButton{background: rgb(150, 255, 150);}");
const QString style_red = QStringLiteral("QWidget { background-color : rgb(255,0,0); color : black; }");
const QString style_green = QStringLiteral("QWidget { background-color : rgb(0, 255, 0); color : black; }");
const QString tab_pane_style = QStringLiteral(
    "QTabWidget::pane {       background-color: rgb(230,230,230);      border-top: 4px solid #A0A0A0;     "
    "border-left: 4px solid #A0A0A0;    border-bottom: 4px solid #A0A0A0;    border-right: 4px solid #A0A0A0;     }");

bool function_row_filter(int, const void* record)
{
    return const_function_record(static_cast<const uint8_t*>(record)).in_use();
}

void function_row_texts(int id, const void* record, QStringList* texts)
{
    *texts = format_manual_row(id, const_function_record(static_cast<const uint8_t*>(record)));
}

void set_red_green(QWidget* w, bool red) { set_style_sheet(w, red ? style_red : style_green); }

void draw_led(c_my_led* led, led_view v)
{
    if (v == led_view::disabled) {
        led->setEnabled(false);
        return;
    }
    led->setEnabled(true);
    if (v == led_view::dark)
        led->set_on(false);
    else
        led->set_state(v == led_view::lit ? 1 : 0);
}

QString centi_text(int32_t v)
{
    QString t;
    return value_to_text(v, t, 2);
}

int32_t status_i32(const uint8_t* d, size_t k)
{
    return int32_t(uint32_t(d[k]) | (uint32_t(d[k + 1]) << 8) | (uint32_t(d[k + 2]) << 16) | (uint32_t(d[k + 3]) << 24));
}

}  // namespace

c_dlgw_manualx* manual_page() { return g_page; }

c_dlgw_manualx::c_dlgw_manualx(QWidget* parent) : QWidget(parent), ui(new Ui::c_dlgw_manualx)
{
    g_page = this;
    ui->setupUi(this);
    // The form's fonts stay when the program selects its style after building the window.
    keep_form_fonts(this);

    QStringList columns;
    for (const char* t : function_row_titles)
        columns << QString::fromLatin1(t);
    static const quint16 widths[function_row_columns] = {50, 110, 80, 70, 65, 65, 70, 70, 65, 60,
                                                         60, 85, 88, 88, 88, 88, 80, 80, 70, 70};
    for (c_qtablewidget_functab* t : {ui->tbwx_FuncTab, ui->tbwx_trc_FuncTab}) {
        t->setupTable(0, nullptr, &columns, 0, widths, function_row_filter, function_row_texts, 0);
        t->setLayoutInfo(g_config_image().function(0).data(), image_layout::function_count, image_layout::function_size);
        t->verticalHeader()->hide();
    }
    ui->tbwx_FuncTab->horizontalHeader()->setStretchLastSection(true);
    // 3. The two process-monitor views.
    setup_pm_views();
    setup_trace_table();
    setup_error_buffer_table();
    init_fieldbus_bit_tables();

    // Step - shares the two slots that Step + reaches by name.
    connect(ui->bn_StepNeg, &QPushButton::pressed, this, &c_dlgw_manualx::on_bn_StepPos_pressed);
    connect(ui->bn_StepNeg, &QPushButton::released, this, &c_dlgw_manualx::on_bn_StepPos_released);
    init_io_labels();
}

c_dlgw_manualx::~c_dlgw_manualx()
{
    if (g_page == this) {
        g_page = nullptr;
        c_dlg_plotter::set_page_views(wm_manual, nullptr);
    }
    delete ui;
}

QPushButton* c_dlgw_manualx::bn_Diagnostic() const { return ui->bn_Diagnostic; }

void c_dlgw_manualx::init_io_labels()
{
    ui->tab_ManualX->remember_tabs();
    ui->tab_ManualX->setStyleSheet(tab_pane_style);

    ui->bn_StepPos->setToolTip(message_text(84));
    ui->bn_StepNeg->setToolTip(message_text(84));
    ui->l_DIPSw->setToolTip(message_text(3));
    ui->l_HexSw1->setToolTip(message_text(4));
    ui->l_HexSw2->setToolTip(message_text(5));
    ui->l_HexSw3->setToolTip(message_text(6));
    ui->l_InpSlctFunc->setToolTip(message_text(26));

    c_my_led* in[14] = {ui->rl_I0, ui->rl_I1, ui->rl_I2,  ui->rl_I3,  ui->rl_I4,  ui->rl_I5,  ui->rl_I6,
                        ui->rl_I7, ui->rl_I8, ui->rl_I9, ui->rl_I10, ui->rl_I11, ui->rl_I12, ui->rl_I13};
    for (int i = 0; i < 14; ++i) {
        inputLeds_[size_t(i)] = in[i];
        in[i]->set_colour_entry(led_yellow);
        in[i]->setToolTip(i == 13 ? QStringLiteral("Button") : QStringLiteral("IN%1").arg(i + 1));
    }
    c_my_led* out[4] = {ui->rl_O0, ui->rl_O1, ui->rl_O2, ui->rl_O3};
    for (int i = 0; i < 4; ++i) {
        out[i]->set_colour_entry(led_yellow);
        out[i]->setToolTip(QStringLiteral("OUT%1").arg(i + 1));
    }

    ui->ebx_ST_AreaChk->setRange(-327.67, 327.67, 2);
    ui->ebx_ST_AreaChk->setValue(0);
    ui->tab_ManualX->set_current_logical(tab_manual);
    for (QWidget* w : {static_cast<QWidget*>(ui->l_Full_DegreesX), static_cast<QWidget*>(ui->l_Full_Degrees_Current),
                       static_cast<QWidget*>(ui->l_Full_Degrees_Stored), static_cast<QWidget*>(ui->bn_TestSW),
                       static_cast<QWidget*>(ui->bn_Diagnostic)})
        w->hide();
    ui->chb_AdvancedErrorBuf->setChecked(false);
    ui->tbwx_ErrorBuf->setColumnCount(qMax(ui->tbwx_ErrorBuf->columnCount(), 9));
    ui->tbwx_ErrorBuf->setColumnHidden(8, true);
    g_manual_panel().function_info_force = false;
}

void c_dlgw_manualx::set_tab_visible(int logical, bool show) { ui->tab_ManualX->set_tab_visible(logical, show); }

void c_dlgw_manualx::init_from_device(QMainWindow* main)
{
    manual_panel_state& P = g_manual_panel();
    const device_state& D = g_device();
    const const_settings_header h = g_config_image().header();
    const bool family = D.family_flag != 0;

    // 1.-3. Title, the reference image, both function tables.
    main_ = main;
    if (main_)
        main_->setWindowTitle(label_text(145) + QStringLiteral(" / ") + label_text(7, true));
    g_images().reference = g_images().working;
    for (c_qtablewidget_functab* t : {ui->tbwx_FuncTab, ui->tbwx_trc_FuncTab}) {
        t->setLayoutInfo(g_config_image().function(0).data(), image_layout::function_count, image_layout::function_size);
        t->refillRows(0);
    }
    const bool has_rows = ui->tbwx_FuncTab->rowCount() > 0;
    // 4. An empty program.
    if (!has_rows)
        ui::information(message_text(14));

    // 5.-6. The process-monitor views and state, and the PM Tools tab exactly with the monitor.
    if (D.pm_capable)
        pm_enter();
    set_tab_visible(tab_pm_tools, D.pm_capable != 0);
    P.device_function_number = 0xFFFF;
    P.last_decoded_function = 0xFFFF;

    // 7.-8. Intensity and mode lists by variant.
    {
        QSignalBlocker block_mode(ui->cb_TS_Mode);
        ui->cb_TS_Intensity->clear();
        if (!family)
            ui->cb_TS_Intensity->addItems({label_text(239), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"),
                                           QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7"), label_text(240)});
        else
            ui->cb_TS_Intensity->addItems({label_text(235), label_text(236), label_text(237), label_text(238)});
        ui->cb_TS_Mode->clear();
        if (!family)
            ui->cb_TS_Mode->addItems({label_text(122), label_text(120), label_text(243), label_text(174), label_text(228),
                                      label_text(230), label_text(260)});
        else
            ui->cb_TS_Mode->addItems({label_text(122), label_text(120)});
    }

    // 9.-10. Ranges and first values of the single-scan inputs.
    ui->ebx_Angle->setRange(-10000.00, 10000.00, 2);
    ui->ebx_TS_ObjectAngle->setRange(-10000.00, 10000.00, 2);
    ui->ebx_TS_Angle->setRange(-327.67, 327.67, 2);
    ui->ebx_TS_Tolerance->setRange(0.01, 327.67, 2);
    ui->ebx_StepSpeed->setRange(1, 100, 0);
    auto select = [](QComboBox* box, int32_t index) {
        // A value the list cannot show leaves the first item.
        box->setCurrentIndex(index >= 0 && index < box->count() ? index : 0);
    };
    {
        QSignalBlocker block_mode(ui->cb_TS_Mode);
        select(ui->cb_TS_Mode, h.field(hdr::def_mode));
    }
    ui->ebx_TS_ObjectAngle->setValue(0);
    ui->ebx_TS_Angle->setValue(h.field(hdr::def_teach_limit));
    ui->ebx_TS_Tolerance->setValue(h.field(hdr::def_tolerance));
    select(ui->cb_TS_Intensity, h.field(hdr::def_intensity));
    ui->ebx_Angle->setValue(0);
    ui->ebx_StepSpeed->setValue(20);

    // 11. The Monitoring tab and the input-selected function exist on the Premium only.
    ui->l_InpSlctFunc->setVisible(!family);
    ui->tbwx_FuncTab->setVisible(!family);
    set_tab_visible(tab_monitoring, !family && has_rows);
    ui->tab_ManualX->setCurrentIndex(0);

    // 12. Mode rule, selection rule, the Trace tab's start and stop.
    on_cb_TS_Mode_currentIndexChanged(ui->cb_TS_Mode->currentIndex());
    apply_selection_rule();
    ui->bn_Trc_Start->setEnabled(has_rows);
    ui->bn_Trc_Stop->setEnabled(has_rows);

    // 13. The fieldbus tab of the controller's fieldbus kind.
    init_fieldbus_from_device();

    // 14. The trace state; a scanning mode of 2 marks the tolerance.
    show_trace_state();
    ui->ebx_TS_Tolerance->setStyleSheet(h.field(hdr::scanning_mode) == 2 ? QStringLiteral("QLineEdit{background: yellow;}")
                                                                        : QStringLiteral("QLineEdit{background: white;}"));
    // A style sheet of its own would otherwise draw the field in the application's font.
    ui->ebx_TS_Tolerance->setFont(ui->ebx_TS_Angle->font());

    // 15. Input LED tips and the switch labels.
    P.input13_flag = h.field(hdr::in_func13) != 0;
    input_led_tips();

    // 16. The self check is offered only while its availability flag is set.
    set_tab_visible(tab_selfcheck, g_device_info().self_check_available);
    P.function_info_force = true;
}

void c_dlgw_manualx::input_led_tips()
{
    const device_state& D = g_device();
    const const_settings_header h = g_config_image().header();
    const bool vb2 = D.variant_bit2 != 0, family = D.family_flag != 0;
    const QString general = input_function_name(4);
    const QString in13 = input_function_name(h.field(hdr::in_func13));
    ui->rl_I0->setToolTip((vb2 ? QStringLiteral("IN1\n%1") : QStringLiteral("T\n%1")).arg(input_function_name(h.field(hdr::in_func1))));
    ui->rl_I1->setToolTip(vb2 ? QStringLiteral("IN2\nStart") : QStringLiteral("S\nStart"));
    ui->rl_I2->setToolTip((vb2 ? QStringLiteral("IN3\n%1") : QStringLiteral("P\n%1")).arg(input_function_name(h.field(hdr::in_func3))));
    for (int k = 1; k <= 10; ++k) {
        QString name;
        if (vb2)
            name = k <= 7 ? general : QStringLiteral("-");
        else if (family)
            name = k <= 2 ? QStringLiteral("RL") : k == 10 ? in13 : QStringLiteral("-");
        else
            name = k == 10 ? in13 : general;
        inputLeds_[size_t(k + 2)]->setToolTip(QStringLiteral("IN%1\n%2").arg(k).arg(name));
    }
    for (QLabel* l : {ui->l_DIPSw, ui->l_HexSw1, ui->l_HexSw2, ui->l_HexSw3})
        l->setVisible(!vb2);
    ui->rl_O2->setToolTip(QStringLiteral("OUT3"));
    ui->rl_O3->setToolTip(vb2 ? QStringLiteral("-") : QStringLiteral("OUT4"));
}

bool c_dlgw_manualx::hide_plotter()
{
    // Curves and slot maps stay for the next show of the plotter.
    if (c_dlg_plotter* p = g_objects().plotter)
        p->hide_and_detach();
    end_trace();
    return true;
}

// ---- status indicators

void c_dlgw_manualx::show_io_state(const uint8_t* d)
{
    io_variant v;
    v.io_module = (g_device_info().io_module_word & 0x10) != 0;
    v.family_flag = g_device().family_flag != 0;
    v.variant_bit2 = g_device().variant_bit2 != 0;
    v.input13_flag = g_manual_panel().input13_flag;
    const io_view view = compute_io_view(io_status_from_data(d), v);
    QLabel* switches[4] = {ui->l_DIPSw, ui->l_HexSw1, ui->l_HexSw2, ui->l_HexSw3};
    for (QLabel* l : switches)
        set_style_sheet(l, view.switches_set ? style_switch_set : QString());
    ui->l_DIPSw->setText(view.dip);
    for (int i = 0; i < 3; ++i)
        switches[i + 1]->setText(view.hex[size_t(i)]);
    c_my_led* out[4] = {ui->rl_O0, ui->rl_O1, ui->rl_O2, ui->rl_O3};
    for (int i = 0; i < 4; ++i)
        draw_led(out[i], view.outputs[size_t(i)]);
    for (int i = 0; i < 14; ++i)
        draw_led(inputLeds_[size_t(i)], view.inputs[size_t(i)]);
}

void c_dlgw_manualx::show_output_leds(bool on)
{
    // The status handling calls show_io_state right after this with the same reply, and it
    // sets the lamp of every output and input LED; lighting or darkening them here first
    // would restyle each lamp twice per reply with nothing a person could see in between.
    // What remains of this step is the enabling of the general inputs.
    if (g_device().family_flag || on)
        return;
    for (int i = 3; i <= 12; ++i)
        inputLeds_[size_t(i)]->setEnabled(true);
}

void c_dlgw_manualx::show_error_leds(uint8_t error_byte, uint32_t detail1, uint32_t)
{
    const std::array<bool, 4> red = error_leds_red(error_byte, uint8_t(detail1 >> 16));
    set_red_green(ui->l_ST_PowerSupply, red[0]);
    set_red_green(ui->l_ST_MotorPower, red[1]);
    set_red_green(ui->l_ST_Memory, red[2]);
    set_red_green(ui->l_ST_Fieldbus, red[3]);
}

void c_dlgw_manualx::reset_status_labels()
{
    ui->l_DIPSw->setStyleSheet(QString());
    ui->l_DIPSw->setText(QStringLiteral("--------"));
    for (QLabel* l : {ui->l_HexSw1, ui->l_HexSw2, ui->l_HexSw3}) {
        l->setStyleSheet(QString());
        l->setText(QStringLiteral("-"));
    }
    ui->l_InpSlctFunc->setStyleSheet(QString());
    ui->l_InpSlctFunc->setText(QStringLiteral("-----"));
    ui->rl_DN_RcvState->set_colour_index(0);
    ui->rl_PB_RcvState->set_colour_index(0);
}

void c_dlgw_manualx::show_selected_input_function(int16_t function)
{
    ui->l_InpSlctFunc->setText(QString::number(function));
}

void c_dlgw_manualx::take_manual_teach(int32_t value) { ui->ebx_TS_ObjectAngle->setValue(value); }

void c_dlgw_manualx::show_process_data_led()
{
    const auto& b = g_dev_commands().process_data;
    const int32_t w = int32_t(uint32_t(b[8]) | (uint32_t(b[9]) << 8) | (uint32_t(b[10]) << 16) | (uint32_t(b[11]) << 24));
    if (w >= 0) {
        ui->rl_PB_RcvState->hide();
        return;
    }
    ui->rl_PB_RcvState->show();
    ui->rl_PB_RcvState->set_colour_index(w & 1);
}

// ---- function panels

int c_dlgw_manualx::selected_function() const { return ui->tbwx_FuncTab->currentRowIndex(); }

void c_dlgw_manualx::follow_status_function(uint16_t device_function, const uint8_t* status_data)
{
    manual_panel_state& P = g_manual_panel();
    P.device_function_number = device_function;
    const bool new_function = device_function != P.last_decoded_function;
    P.last_decoded_function = device_function;
    if (new_function) {
        P.functab_clicked = false;
        update_function_info(device_function, false, status_data, true);
    } else if (P.functab_clicked) {
        update_function_info(uint16_t(P.start_function), true, status_data, true);
    } else {
        update_function_info(device_function, false, status_data, true);
    }
}

void c_dlgw_manualx::clear_panels()
{
    for (QLabel* l : {ui->l_Name, ui->l_Mode, ui->l_BackMode, ui->l_NextFunction, ui->l_NextFunctionKO, ui->l_ObjectAngle,
                      ui->l_CurrentAngle, ui->l_Tolerance, ui->l_Intensity, ui->l_Counter, ui->l_AlarmCounter,
                      ui->l_Out0_Function, ui->l_Out1_Function, ui->l_Out2_Function, ui->l_Out3_Function, ui->l_Area_1,
                      ui->l_Area_2, ui->l_Trc_Name, ui->l_Trc_Mode, ui->l_Trc_NextFunction, ui->l_Trc_NextFunctionKO,
                      ui->l_Trc_ObjectAngle, ui->l_Trc_CurrentAngle, ui->l_Trc_Tolerance, ui->l_Trc_Intensity,
                      ui->l_Trc_Counter, ui->l_Trc_AlarmCounter})
        l->clear();
}

void c_dlgw_manualx::update_function_info(uint16_t function, bool force, const uint8_t* status, bool status_valid)
{
    manual_panel_state& P = g_manual_panel();
    config_image& img = g_config_image();
    const bool trace_view = ui->tab_ManualX->current_logical_index() == tab_trace;

    // Counter part: the controller's report on function f.
    if (status_valid && status) {
        const uint16_t f = uint16_t(status[14] | (status[15] << 8));
        if (f < manual_function_count && img.function(f).in_use()) {
            const int32_t position = status_i32(status, 16), counter = status_i32(status, 20);
            qDebug("FNr: %d, CycleCntr: %d", int(f), int(counter));
            bool changed = false;
            if (position != P.object_position_cache[f]) {
                P.object_position_cache[f] = position;
                img.function(f).set_field(fr::object_pos, position);
                ui->l_ObjectAngle->setText(centi_text(position));
                ui->l_Trc_ObjectAngle->setText(centi_text(position));
                changed = true;
            }
            if (counter != P.counter_cache[f]) {
                P.counter_cache[f] = counter;
                img.function(f).set_field(fr::counter, counter);
                ui->l_Counter->setText(QString::number(counter));
                ui->l_Trc_Counter->setText(QString::number(counter));
                changed = true;
            }
            if (changed) {
                ui->tbwx_FuncTab->updateRows(f, 1);
                ui->tbwx_trc_FuncTab->updateRows(f, 1);
            }
        }
    }

    // Panel part.
    const int n = function;
    if (n < 0 || n >= manual_function_count || (n == P.shown_function_number && !force && !P.function_info_force)) {
        trace_if_latched();
        return;
    }
    (trace_view ? ui->l_Trc_ToolNr : ui->l_ToolNr)->setText(QString::number(n));
    const const_function_record rec = img.function(uint32_t(n));
    if (rec.in_use()) {
        QStringList t = format_manual_row(n, rec);
        for (QString& s : t)
            s = s.trimmed();
        if (P.object_position_cache[size_t(n)] != -1)
            t[6] = centi_text(P.object_position_cache[size_t(n)]);
        if (P.counter_cache[size_t(n)] != -1)
            t[10] = QString::number(P.counter_cache[size_t(n)]);
        ui->l_Name->setText(t[1]);
        ui->l_Mode->setText(t[2]);
        ui->l_BackMode->setText(t[3]);
        ui->l_NextFunction->setText(t[4]);
        ui->l_NextFunctionKO->setText(t[5]);
        ui->l_ObjectAngle->setText(t[6]);
        ui->l_CurrentAngle->setText(t[7]);
        ui->l_Tolerance->setText(t[8]);
        ui->l_Intensity->setText(t[9]);
        ui->l_Counter->setText(t[10]);
        ui->l_AlarmCounter->setText(t[11]);
        ui->l_Out0_Function->setText(t[12]);
        ui->l_Out1_Function->setText(t[13]);
        ui->l_Out2_Function->setText(t[14]);
        ui->l_Out3_Function->setText(t[15]);
        ui->l_Area_1->setText(t[16] + QStringLiteral(" / ") + t[17]);
        ui->l_Area_2->setText(t[18] + QStringLiteral(" / ") + t[19]);
        ui->l_Trc_Name->setText(t[1]);
        ui->l_Trc_Mode->setText(t[2]);
        ui->l_Trc_NextFunction->setText(t[4]);
        ui->l_Trc_NextFunctionKO->setText(t[5]);
        ui->l_Trc_ObjectAngle->setText(t[6]);
        ui->l_Trc_CurrentAngle->setText(t[7]);
        ui->l_Trc_Tolerance->setText(t[8]);
        ui->l_Trc_Intensity->setText(t[9]);
        ui->l_Trc_Counter->setText(t[10]);
        ui->l_Trc_AlarmCounter->setText(t[11]);
    } else {
        clear_panels();
    }
    {
        // Following the controller must not count as the user's choice ...
        QSignalBlocker b1(ui->tbwx_FuncTab), b2(ui->tbwx_trc_FuncTab);
        ui->tbwx_FuncTab->selectRowById(n);
        ui->tbwx_trc_FuncTab->selectRowById(n);
    }
    // ... but the row it selected decides the start function and Teach as any selection does.
    apply_selection_rule();
    P.shown_function_number = int16_t(n);
    P.function_info_force = false;
    trace_if_latched();
}

void c_dlgw_manualx::on_tbwx_FuncTab_itemSelectionChanged()
{
    const bool has_rows = ui->tbwx_FuncTab->rowCount() > 0;
    const int selected = selected_function();
    // Forced, the panel update ends in the selection rule itself.
    if (sender() && has_rows && selected >= 0)
        update_function_info(uint16_t(selected), true, nullptr, false);
    else
        apply_selection_rule();
}

void c_dlgw_manualx::apply_selection_rule()
{
    manual_panel_state& P = g_manual_panel();
    const bool has_rows = ui->tbwx_FuncTab->rowCount() > 0;
    const int selected = selected_function();
    if (g_program_document().source != 1 || !has_rows)
        return;
    P.start_function = g_device().family_flag ? 0 : selected;
    bool enabled = true;
    const bool permitted = g_status().teach_permitted;
    if (selected >= 0 && (g_config_image().function(uint32_t(selected)).field(fr::flags) & fr::flag_cluster))
        enabled = (selected & ~3) == 0 || (permitted && device_has_pm());
    else
        enabled = device_has_pm() ? permitted : true;
    ui->bn_Teach->setEnabled(enabled);
}

void c_dlgw_manualx::on_tbwx_FuncTab_clicked()
{
    qDebug("FuncTab_clicked");
    g_manual_panel().functab_clicked = true;
}

// ---- manual commands

void c_dlgw_manualx::on_bn_Start_clicked() { queue_start_function(selected_function()); }

void c_dlgw_manualx::on_bn_Teach_clicked() { queue_teach_function(selected_function()); }

void c_dlgw_manualx::on_bn_Stop_clicked() { queue_stop(); }
void c_dlgw_manualx::on_bn_M_Stop_clicked() { queue_stop(); }
void c_dlgw_manualx::on_bn_Trc_Stop_clicked() { queue_stop(); }

namespace {

single_scan_values read_single_scan(Ui::c_dlgw_manualx* ui)
{
    single_scan_values v;
    v.mode = uint8_t(qMax(0, ui->cb_TS_Mode->currentIndex()));
    v.object_pos = ui->ebx_TS_ObjectAngle->value();
    v.teach_limit = ui->ebx_TS_Angle->value();
    v.tolerance = ui->ebx_TS_Tolerance->value();
    v.intensity_index = ui->cb_TS_Intensity->currentIndex();
    return v;
}

}  // namespace

void c_dlgw_manualx::on_bn_S_Start_clicked() { queue_set_single(single_scan_frame(read_single_scan(ui))); }

void c_dlgw_manualx::on_bn_S_Teach_clicked()
{
    device_frame f = single_scan_frame(read_single_scan(ui));
    f[device_protocol::command_offset] = device_protocol::cmd_teach;
    queue_set_single(f);
    g_status().teach_code = teach_manual;
}

void c_dlgw_manualx::on_bn_GoPos_clicked()
{
    single_scan_values v = read_single_scan(ui);
    v.mode = ss_go_pos;
    v.object_pos = ui->ebx_Angle->value();
    queue_set_single(single_scan_frame(v));
}

void c_dlgw_manualx::on_bn_GoBack_clicked()
{
    single_scan_values v = read_single_scan(ui);
    v.mode = ss_rereference;
    v.object_pos = ui->ebx_Angle->value();
    queue_set_single(single_scan_frame(v));
}

void c_dlgw_manualx::on_bn_StepPos_pressed()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    if (!button)
        return;
    button->setStyleSheet(style_step_held);
    const bool positive = button == ui->bn_StepPos;
    g_manual_panel().step_positive = positive;
    queue_request(step_frame(positive, uint16_t(ui->ebx_StepSpeed->value())));
}

void c_dlgw_manualx::on_bn_StepPos_released()
{
    if (auto* button = qobject_cast<QPushButton*>(sender()))
        button->setStyleSheet(QString());
    queue_request(stop_stepping_frame());
}

void c_dlgw_manualx::on_cb_TS_Mode_currentIndexChanged(int)
{
    const int m = ui->cb_TS_Mode->currentIndex();
    ui->l_TS_ObjectAngle->setVisible(m != ss_monitor_obj);
    ui->ebx_TS_ObjectAngle->setVisible(m != ss_monitor_obj);
    ui->l_TS_Tolerance->setVisible(m != ss_monitor_obj && m != ss_ref_on_tool);
    ui->ebx_TS_Tolerance->setVisible(m != ss_monitor_obj && m != ss_ref_on_tool);
}
