// The transfers between the working image and the page: show_program, image_to_settings,
// window_to_image, settings_changed and the scanner question.
#include <QDir>
#include <QWidget>

#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/files/scanner_lists.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/function_rows.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/kept_values.h"
#include "page_common/tool_views.h"
#include "procmon/pm_csv.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_setup_wizard.h"
#include "program_dialogs/program_state.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"

namespace {

QString label(int n, bool strip = false) { return QString::fromLatin1(txt_label(n, strip).c_str()); }

bool basic_device() { return g_device().family_flag != 0; }
bool from_controller() { return g_program_document().source == 1; }

void set_field(config_image& img, uint32_t off, int32_t v) { img.header().set_field(off, v); }
int32_t field(const config_image& img, uint32_t off) { return img.header().field(off); }

// Mode +56 through the list index <-> mode code map; a code whose index is not listed or
// does not map back to itself is kept.
void show_mode(QComboBox* cb, int32_t code)
{
    const int32_t index = function_type_from_device_type(code);
    const bool round_trip = device_type_from_function_type(index) == code;
    combo_show_kept(cb, round_trip ? index : -1, code);
}

int32_t mode_of(QComboBox* cb, int32_t stored)
{
    if (cb->currentIndex() >= 0)
        return device_type_from_function_type(cb->currentIndex());
    return combo_has_kept(cb) ? combo_kept_value(cb, stored) : stored;
}

// A combo whose index is the stored value.
void show_index(QComboBox* cb, int32_t v) { combo_show_kept(cb, v, v); }
int32_t index_of(QComboBox* cb, int32_t stored) { return combo_kept_value(cb, stored); }

}  // namespace

QString scanner_unit_text(int32_t area_field, uint32_t attribute)
{
    if (area_field == 0 && !(attribute & 1))
        return QString::fromLatin1("Angle  [\xB0]");
    return label(432);
}

uint32_t scanner_attribute(int scanner)
{
    if (scanner < 0 || (scanner & 0x80) || size_t(scanner) >= g_scanner_lists().codes.size())
        return 0;
    return g_scanner_lists().codes[size_t(scanner)];
}

uint32_t c_dlgw_program::current_scanner_attribute() const
{
    if (ui->cb_GS_Scanner->currentIndex() < 0)
        return scanner_attribute(keptScanner_);
    return scanner_attribute(combo_current_data());
}

void c_dlgw_program::show_scanner(int32_t scanner)
{
    keptScanner_ = scanner;
    QAbstractItemModel* m = ui->cb_GS_Scanner->model();
    for (int row = 0; m && row < m->rowCount(); ++row)
        if (m->index(row, 1).data(Qt::DisplayRole).toInt() == scanner) {
            ui->cb_GS_Scanner->setCurrentIndex(row);
            return;
        }
    // A scanner the list does not offer: no selection, the number kept.
    ui->cb_GS_Scanner->setCurrentIndex(-1);
}

int32_t c_dlgw_program::scanner_of_window() const
{
    return ui->cb_GS_Scanner->currentIndex() >= 0 ? combo_current_data() : keptScanner_;
}

void c_dlgw_program::image_to_settings()
{
    Ui::c_dlgw_program& f = *ui;
    const config_image& img = g_config_image();
    const bool basic = basic_device();

    f.rbg_GS_ReturnTrvMon->setIndex(field(img, hdr::return_travel_mon));
    f.rbg_GS_RotDir->setIndex(field(img, hdr::rot_dir));
    f.rbg_GS_PowerOnMove->setIndex(field(img, hdr::power_on_move) & 1);
    show_scanner(field(img, hdr::scanner));
    f.rbg_GS_Out1->setIndex(field(img, hdr::out1));
    f.rbg_GS_Out2->setIndex(field(img, hdr::out2));
    f.rbg_GS_Out3->setIndex(field(img, hdr::out3));
    f.rbg_GS_Out4->setIndex(field(img, hdr::out4));
    f.rbg_GS_OutPulseTime->setIndex(qMax(0, field(img, hdr::out_pulse_time)));
    f.rbg_GS_SignalMode->setIndex(field(img, hdr::signal_mode));
    f.ebx_GS_ProfibusAddr->setValue(field(img, hdr::profibus_addr));
    if (!basic) {
        show_index(f.cb_DS_AreaRel, field(img, hdr::def_area_rel) & 1);
        show_mode(f.cb_DS_Mode, field(img, hdr::def_mode));
        show_index(f.cb_DS_BackMode, field(img, hdr::def_back_mode));
        f.ebx_DS_BackAngle->setValue(field(img, hdr::def_back_angle));
        f.ebx_DS_DefaultAngle->setValue(field(img, hdr::def_teach_limit));
        f.ebx_DS_DefaultTolerance->setValue(field(img, hdr::def_tolerance));
        show_index(f.cb_DS_DefaultIntensity, field(img, hdr::def_intensity));
        QComboBox* outs[4] = {f.cb_DS_Out1_Funktion, f.cb_DS_Out2_Funktion, f.cb_DS_Out3_Funktion, f.cb_DS_Out4_Funktion};
        for (int i = 0; i < 4; ++i)
            show_index(outs[i], field(img, hdr::def_out1_func + 4 * uint32_t(i)));
        c_qlineedit_extend* areas[4] = {f.ebx_DS_Area_1a, f.ebx_DS_Area_1b, f.ebx_DS_Area_2a, f.ebx_DS_Area_2b};
        for (int i = 0; i < 4; ++i)
            areas[i]->setValue(field(img, hdr::def_warn_min + 4 * uint32_t(i)));
        on_cb_DS_Mode_currentIndexChanged(f.cb_DS_Mode->currentIndex());
    }
    f.ebx_VertDistance->setValue(field(img, hdr::vert_distance));
    f.ebx_RefAngle90->setValue(field(img, hdr::ref_angle_90));
    f.ebx_RefToolLength->setValue(field(img, hdr::ref_tool_length));

    const int32_t pb = field(img, hdr::profibus_options);
    f.rbg_GS_PB_Format->setIndex(pb & 1);
    f.rbg_GS_PB_EnableNegVals->setIndex((pb >> 1) & 1);
    f.rbg_GS_PB_ValRange->setIndex((pb & 8) ? 2 : (pb >> 2) & 1);
    show_index(f.cb_PB_BankShifting, (pb >> 4) & 0xF);
    show_index(f.cb_PB_Protocol, (pb >> 8) & 0xF);
    show_index(f.cb_PB_UserData, (pb >> 12) & 0xF);
    on_cb_PB_Protocol_currentIndexChanged(f.cb_PB_Protocol->currentIndex());

    f.ebx_GS_OutputsTime->setValue(field(img, hdr::outputs_time));
    f.rbg_InFunc1->setIndex(row_to_kind(field(img, hdr::in_func1), 1));
    f.rbg_InFunc3->setIndex(row_to_kind(field(img, hdr::in_func3), 3));
    f.rbg_InFunc13->setIndex(row_to_kind(field(img, hdr::in_func13), 13));

    const int32_t dn = field(img, hdr::devicenet_options);
    f.rbg_GS_DN_Format->setIndex((dn >> 1) & 3);
    f.rbg_GS_DN_Protocol->setIndex((dn >> 3) & 0xF);
    f.ebx_GS_MacId->setValue(field(img, hdr::mac_id));
    show_index(f.cb_GS_DN_Baudrate, (dn & 1) ? field(img, hdr::dn_baudrate) + 1 : 0);

    c_qlineedit_extend* dips[4] = {f.ebx_CS_DIP_Tolerance_1, f.ebx_CS_DIP_Tolerance_2, f.ebx_CS_DIP_Tolerance_3,
                                   f.ebx_CS_DIP_Tolerance_4};
    for (int i = 0; i < 4; ++i)
        dips[i]->setValue(field(img, hdr::dip_tolerance1 + 4 * uint32_t(i)));
    if (device_has_pm()) {
        f.ebx_PM_SamplingTime->setValue(field(img, hdr::pm_sampling_time));
        f.ebx_PM_Averaging->setValue(field(img, hdr::pm_averaging));
        show_index(f.cb_PM_RecordingMode, field(img, hdr::pm_recording_mode) - 1);
        f.rbg_PM_BluntDuration->setIndex(field(img, hdr::pm_blunt_duration) & 1);
    }
    f.rbg_CS_RelaySwitch->setIndex(field(img, hdr::relay_switch));
    f.ebx_CS_NegTeachLimit->setValue(field(img, hdr::neg_teach_limit));
    f.rbg_CS_InFuncKey->setIndex(field(img, hdr::in_func_key));
    const int32_t cmd = field(img, hdr::pb_cmd_options);
    f.rbg_GS_PB_EnablePCD->setIndex((cmd >> 24) & 1);
    f.rbg_GS_PB_CmdOptionsBit2->setIndex(((cmd >> 8) & 0xF) > 1 ? 1 : 0);
    show_index(f.cb_FE_CustomerConfig, field(img, hdr::customer_config) & 0xF);

    if (basic)
        basic_page_from_image();

    // Labels.
    const int32_t scanner = field(img, hdr::scanner);
    if (scanner >= 1)
        f.l_TS_Scanner->setText(f.cb_GS_Scanner->currentText());
    else if (scanner < 0)
        f.l_TS_Scanner->setText(label(144));
    else
        f.l_TS_Scanner->setText(g_scanner_lists().auto_detect_text);
    const uint32_t attribute = current_scanner_attribute();
    const int32_t area = field(img, hdr::area_flag);
    f.l_ScanUnit->setText(scanner_unit_text(area == 1 ? 1 : 0, attribute));
    f.l_ScanObjAngle->setText(QStringLiteral("---"));
    f.l_ScanToolLength->setText(QStringLiteral("---"));

    // The set-up wizards show the set-up of the program now shown.
    for (int mode = 0; mode < 3; ++mode)
        if (c_dlg_setup_wizard* wizard = setup_wizard(mode))
            wizard->init_dialog();
}

void c_dlgw_program::basic_page_from_image()
{
    Ui::c_dlgw_program& f = *ui;
    config_image& img = g_config_image();
    const const_function_record r0 = img.function(0);
    show_index(f.cb_TS_Mode, r0.field(fr::mode));
    const bool cluster = (r0.field(fr::flags) & fr::flag_cluster) != 0;
    const const_function_record plain = img.function(cluster ? 1 : 0);
    f.chb_TS_RL_Mode->setChecked(cluster);
    f.pn_TS_BASIC_RL->setVisible(cluster);
    if (cluster) {
        f.rbg_BasicInput->setIndex(field(img, hdr::in_func1) == 4 && field(img, hdr::in_func3) == 4 ? 1 : 0);
        f.rbg_BasicInput->setVisible(true);
    } else {
        set_field(img, hdr::in_func1, 1);
        set_field(img, hdr::in_func3, 3);
        f.rbg_BasicInput->setIndex(0);
        f.rbg_BasicInput->setVisible(false);
    }
    struct side {
        c_qlineedit_extend *counter, *alarm, *object, *angle, *tolerance;
        QComboBox* intensity;
    };
    const side sides[2] = {
        {f.ebx_TS_Counter, f.ebx_TS_AlarmCounter, f.ebx_TS_ObjectAngle, f.ebx_TS_Angle, f.ebx_TS_Tolerance,
         f.cb_TS_Intensity},
        {f.ebx_TS_CounterX, f.ebx_TS_AlarmCounterX, f.ebx_TS_ObjectAngleX, f.ebx_TS_AngleX, f.ebx_TS_ToleranceX,
         f.cb_TS_IntensityX},
    };
    for (int s = 0; s < 2; ++s) {
        const const_function_record r = s == 0 ? plain : img.function(2);
        sides[s].counter->setValue(r.field(fr::counter));
        sides[s].alarm->setValue(r.field(fr::counter_limit));
        sides[s].object->setValue(r.field(fr::object_pos));
        sides[s].angle->setValue(r.field(fr::teach_limit));
        sides[s].tolerance->setValue(r.field(fr::tolerance));
        show_index(sides[s].intensity, r.field(fr::intensity));
    }
    f.rbg_TS_AlarmOut->setIndex(r0.field(fr::out3) == 5 ? 1 : 0);
}

void c_dlgw_program::window_to_image(config_image& dest)
{
    Ui::c_dlgw_program& f = *ui;
    const config_image& ref = g_reference_image();
    const bool basic = basic_device();
    settings_header h = dest.header();

    h.set_field(hdr::return_travel_mon, f.rbg_GS_ReturnTrvMon->index());
    h.set_field(hdr::rot_dir, f.rbg_GS_RotDir->index());
    h.set_field(hdr::power_on_move, f.rbg_GS_PowerOnMove->index());
    h.set_field(hdr::scanner, scanner_of_window());
    h.set_field(hdr::out1, f.rbg_GS_Out1->index());
    h.set_field(hdr::out2, f.rbg_GS_Out2->index());
    h.set_field(hdr::out3, f.rbg_GS_Out3->index());
    h.set_field(hdr::out4, f.rbg_GS_Out4->index());
    h.set_field(hdr::out_pulse_time, f.rbg_GS_OutPulseTime->index());
    h.set_field(hdr::signal_mode, f.rbg_GS_SignalMode->index());
    h.set_field(hdr::profibus_addr, f.ebx_GS_ProfibusAddr->value());
    if (!basic) {
        h.set_field(hdr::def_area_rel, index_of(f.cb_DS_AreaRel, h.field(hdr::def_area_rel)));
        h.set_field(hdr::def_mode, mode_of(f.cb_DS_Mode, h.field(hdr::def_mode)));
        h.set_field(hdr::def_back_mode, index_of(f.cb_DS_BackMode, h.field(hdr::def_back_mode)));
        h.set_field(hdr::def_back_angle, f.ebx_DS_BackAngle->value());
        h.set_field(hdr::def_teach_limit, f.ebx_DS_DefaultAngle->value());
        h.set_field(hdr::def_tolerance, f.ebx_DS_DefaultTolerance->value());
        h.set_field(hdr::def_intensity, index_of(f.cb_DS_DefaultIntensity, h.field(hdr::def_intensity)));
        QComboBox* outs[4] = {f.cb_DS_Out1_Funktion, f.cb_DS_Out2_Funktion, f.cb_DS_Out3_Funktion, f.cb_DS_Out4_Funktion};
        for (uint32_t i = 0; i < 4; ++i)
            h.set_field(hdr::def_out1_func + 4 * i, index_of(outs[i], h.field(hdr::def_out1_func + 4 * i)));
        c_qlineedit_extend* areas[4] = {f.ebx_DS_Area_1a, f.ebx_DS_Area_1b, f.ebx_DS_Area_2a, f.ebx_DS_Area_2b};
        for (uint32_t i = 0; i < 4; ++i)
            h.set_field(hdr::def_warn_min + 4 * i, areas[i]->value());
    }
    h.set_field(hdr::vert_distance, f.ebx_VertDistance->value());
    h.set_field(hdr::ref_angle_90, f.ebx_RefAngle90->value());
    h.set_field(hdr::ref_tool_length, f.ebx_RefToolLength->value());

    int32_t pb = f.rbg_GS_PB_Format->index() & 1;
    pb |= (f.rbg_GS_PB_EnableNegVals->index() & 1) << 1;
    const int range = f.rbg_GS_PB_ValRange->index();
    pb |= (range == 2 ? 3 : range & 3) << 2;
    pb |= (index_of(f.cb_PB_BankShifting, (h.field(hdr::profibus_options) >> 4) & 0xF) & 0xF) << 4;
    pb |= (index_of(f.cb_PB_Protocol, (h.field(hdr::profibus_options) >> 8) & 0xF) & 0xF) << 8;
    pb |= (index_of(f.cb_PB_UserData, (h.field(hdr::profibus_options) >> 12) & 0xF) & 0xF) << 12;
    h.set_field(hdr::profibus_options, pb);

    h.set_field(hdr::outputs_time, f.ebx_GS_OutputsTime->value());
    if (!basic) {
        h.set_field(hdr::in_func1, kind_to_row(f.rbg_InFunc1->index(), 1));
        h.set_field(hdr::in_func3, kind_to_row(f.rbg_InFunc3->index(), 3));
        h.set_field(hdr::in_func13, kind_to_row(f.rbg_InFunc13->index(), 13));
    }

    const int protocol = f.rbg_GS_DN_Protocol->index() & 0xF;
    int32_t dn = (f.rbg_GS_DN_Format->index() & 3) << 1;
    dn |= protocol << 3;
    dn |= protocol << 7;
    dn |= protocol << 11;
    const int baud = f.cb_GS_DN_Baudrate->currentIndex();
    if (baud > 0) {
        dn |= 1;
        h.set_field(hdr::dn_baudrate, baud - 1);
    } else {
        h.set_field(hdr::dn_baudrate, ref.header().field(hdr::dn_baudrate));
    }
    h.set_field(hdr::devicenet_options, dn);
    h.set_field(hdr::mac_id, f.ebx_GS_MacId->value());

    c_qlineedit_extend* dips[4] = {f.ebx_CS_DIP_Tolerance_1, f.ebx_CS_DIP_Tolerance_2, f.ebx_CS_DIP_Tolerance_3,
                                   f.ebx_CS_DIP_Tolerance_4};
    for (uint32_t i = 0; i < 4; ++i)
        h.set_field(hdr::dip_tolerance1 + 4 * i, dips[i]->value());
    if (device_has_pm()) {
        h.set_field(hdr::pm_sampling_time, f.ebx_PM_SamplingTime->value());
        h.set_field(hdr::pm_averaging, f.ebx_PM_Averaging->value());
        if (f.cb_PM_RecordingMode->currentIndex() >= 0)
            h.set_field(hdr::pm_recording_mode, f.cb_PM_RecordingMode->currentIndex() + 1);
        else
            h.set_field(hdr::pm_recording_mode, combo_kept_value(f.cb_PM_RecordingMode, -1) + 1);
        h.set_field(hdr::pm_blunt_duration, f.rbg_PM_BluntDuration->index() != 0 ? 1 : 0);
    }
    h.set_field(hdr::relay_switch, f.rbg_CS_RelaySwitch->index());
    h.set_field(hdr::neg_teach_limit, f.ebx_CS_NegTeachLimit->value());
    h.set_field(hdr::in_func_key, f.rbg_CS_InFuncKey->index());
    uint32_t cmd = uint32_t(h.field(hdr::pb_cmd_options));
    cmd &= ~0x0F000000u;
    if (f.rbg_GS_PB_EnablePCD->index() == 1)
        cmd |= 0x01000000u;
    cmd = (cmd & ~0xF00u) | (f.rbg_GS_PB_CmdOptionsBit2->index() == 1 ? 0x200u : 0x100u);
    h.set_field(hdr::pb_cmd_options, int32_t(cmd));
    // The list shows bits 0 to 3; the other bits of the stored value stay as they are.
    const int32_t customer = h.field(hdr::customer_config);
    h.set_field(hdr::customer_config, (customer & ~0xF) | (index_of(f.cb_FE_CustomerConfig, customer & 0xF) & 0xF));

    if (basic)
        basic_page_to_image(dest);
}

void c_dlgw_program::basic_page_to_image(config_image& dest)
{
    Ui::c_dlgw_program& f = *ui;
    settings_header h = dest.header();
    const function_record r0 = dest.function(0);
    const int32_t out3 = f.rbg_TS_AlarmOut->index() == 1 ? 5 : 0;
    r0.set_field(fr::out3, out3);
    const int32_t mode = index_of(f.cb_TS_Mode, r0.field(fr::mode));
    struct side {
        c_qlineedit_extend *counter, *alarm, *object, *angle, *tolerance;
        QComboBox* intensity;
    };
    const side plain{f.ebx_TS_Counter,   f.ebx_TS_AlarmCounter, f.ebx_TS_ObjectAngle,
                     f.ebx_TS_Angle,     f.ebx_TS_Tolerance,    f.cb_TS_Intensity};
    const side x{f.ebx_TS_CounterX, f.ebx_TS_AlarmCounterX, f.ebx_TS_ObjectAngleX,
                 f.ebx_TS_AngleX,   f.ebx_TS_ToleranceX,    f.cb_TS_IntensityX};
    auto take = [](const function_record& r, const side& s) {
        r.set_field(fr::counter, s.counter->value());
        r.set_field(fr::counter_limit, s.alarm->value());
        r.set_field(fr::object_pos, s.object->value());
        r.set_field(fr::teach_limit, s.angle->value());
        r.set_field(fr::tolerance, s.tolerance->value());
        r.set_field(fr::intensity, index_of(s.intensity, r.field(fr::intensity)));
    };
    if (f.chb_TS_RL_Mode->isChecked()) {
        r0.set_in_use(true);
        r0.set_field(fr::flags, fr::flag_cluster);
        r0.set_field(fr::mode, mode);
        r0.set_field(fr::back_mode, 0);
        r0.set_field(fr::next_func, -1);
        r0.set_field(fr::ko_func, -1);
        for (uint32_t n = 1; n < 4; ++n)
            std::copy(r0.data(), r0.data() + image_layout::function_size, dest.function(n).data());
        const function_record r1 = dest.function(1), r2 = dest.function(2), r3 = dest.function(3);
        take(r1, plain);
        r1.set_field(fr::flags, r1.field(fr::flags) | 4);
        take(r2, x);
        r2.set_field(fr::flags, r2.field(fr::flags) | 8);
        r3.set_field(fr::flags, r3.field(fr::flags) | 0xC);
        const bool selector = f.rbg_BasicInput->index() == 1;
        h.set_field(hdr::in_func1, selector ? 4 : 1);
        h.set_field(hdr::in_func3, selector ? 4 : 3);
    } else {
        r0.set_field(fr::flags, 0);
        r0.set_field(fr::mode, mode);
        r0.set_field(fr::back_mode, 0);
        take(r0, plain);
        r0.set_field(fr::next_func, -1);
        r0.set_field(fr::ko_func, -1);
        for (uint32_t n = 1; n < 4; ++n)
            dest.function(n).set_in_use(false);
        h.set_field(hdr::in_func1, 1);
        h.set_field(hdr::in_func3, 3);
        h.set_field(hdr::in_func_key, 1);
        f.rbg_BasicInput->setIndex(1);
    }
    r0.set_field(fr::out3, out3);
}

bool c_dlgw_program::settings_changed()
{
    config_image& scratch = g_images().scratch;
    const config_image& ref = g_reference_image();
    std::copy(ref.data(), ref.data() + image_layout::header_reserved_offset, scratch.data());
    // The Basic page writes into the first four records: start them from the reference too.
    std::copy(ref.data() + image_layout::function_offset,
              ref.data() + image_layout::function_offset + 4 * image_layout::function_size,
              scratch.data() + image_layout::function_offset);
    window_to_image(scratch);
    return !std::equal(ref.data(), ref.data() + image_layout::header_reserved_offset, scratch.data());
}

int c_dlgw_program::ask_scanner_correct()
{
    const QString text = label(229).replace(QLatin1String("%s"), ui->cb_GS_Scanner->currentText());
    return ui::current().message(ui::box_kind::warning, ui::title_warning(), text, ui::yes | ui::no);
}

void c_dlgw_program::show_program(QWidget* main)
{
    Ui::c_dlgw_program& f = *ui;
    program_page_state& P = g_program_page();
    config_image& img = g_config_image();
    const bool basic = basic_device();
    const device_state& D = g_device();
    const program_document& doc = g_program_document();
    // 1.-4.
    P.loading = true;
    if (main)
        mainWindow_ = main;
    f.stw_ToolSettings->setCurrentWidget(basic ? f.stwp_Basic : f.stwp_Premium);
    if (main)
        main->setWindowTitle(label(145, true) + QStringLiteral(" / ") + label(146) +
                             QString::fromStdString(connection_title_suffix(from_controller(), doc.file_name.toStdString())));
    g_reference_image() = img;
    // 5. The function table.
    f.tbwx_FuncTab->setLayoutInfo(img.function(0).data(), image_layout::function_count, image_layout::function_size);
    f.tbwx_FuncTab->refillRows(0);
    // 6. The tool tables.
    if (device_has_pm())
        show_tools();
    // 7., 8. Intensity and mode lists.
    QStringList intensity;
    if (basic)
        intensity << label(235) << label(236) << label(237) << label(238);
    else
        intensity << label(239) << "2" << "3" << "4" << "5" << "6" << "7" << label(240);
    combo_refill_keeping(f.cb_DS_DefaultIntensity, intensity);
    QStringList modes;
    if (D.variant_bit2)
        modes << label(122) << label(120) << label(260);
    else
        modes << label(122) << label(120) << label(243) << label(174) << label(228) << label(230) << label(260);
    combo_refill_keeping(f.cb_DS_Mode, modes);
    // 9.
    if (main) {
        g_reference_image() = img;
        P.last_tab = f.tab_Settings->current_logical_index();
        f.stw_ToolSettings->setCurrentWidget(basic ? f.stwp_Basic : f.stwp_Premium);
        f.bn_ClearCounters->setVisible(!basic);
    }
    // 10.
    f.rbg_SetUp->setEnabled(from_controller());
    f.rbg_SetUp->setIndex(from_controller() ? 0 : 1);
    update_setup_mode();
    // 11.
    const config_image& ref = g_reference_image();
    if (main) {
        update_table_buttons();
        image_to_settings();
        const uint32_t attribute = current_scanner_attribute();
        const int32_t area = field(img, hdr::area_flag);
        const bool controller = from_controller();
        const int low_nibble = D.family_code & 0xF;
        f.rbg_TS_AlarmOut->setVisible(basic);
        f.tab_Settings->set_tab_visible(8, !basic);
        f.tab_Settings->set_tab_visible(3, !(basic || (D.variant_bit2 && P.access_level != 2) ||
                                              (controller && low_nibble == 4)));
        f.tab_Settings->set_tab_visible(7, !(basic || D.variant_bit2 || (controller && D.family_code == 0x21)));
        f.tab_Settings->set_tab_visible(9, !basic && !(attribute & 1) && area != 0);
        f.l_IO_Module->setText(QStringLiteral("---------"));
        f.l_ToolAnz->setText(QStringLiteral("---------"));
        f.l_TS_RL_Block->setText(QStringLiteral("--------"));
        if (controller && area != 0 && field(img, hdr::vert_distance) == 0 && !(attribute & 1)) {
            ui::current().message(ui::box_kind::warning, ui::title_warning(), label(207));
            f.tab_Settings->set_current_logical(9);
        } else {
            f.tab_Settings->set_current_logical(0);
        }
        f.cb_GS_Scanner->setEnabled(true);
        if (attribute & 1) {
            f.rbg_GS_RotDir->setEnabled(false);
            if (area & 1)
                f.cb_GS_Scanner->setEnabled(false);
        } else {
            f.rbg_GS_RotDir->setEnabled(true);
        }
    }
    (void)ref;
    // 12.
    f.bn_TestScan->setEnabled(field(img, hdr::vert_distance) != 0 && field(img, hdr::ref_angle_90) != 0);
    // 13.
    f.rbg_GS_Out4->setVisible(!basic && !D.variant_bit2);
    f.tab_Settings->set_tab_visible(10, false);
    for (int t : {4, 5, 6})
        f.tab_Settings->set_tab_visible(t, device_has_pm());
    const bool offline_new = doc.source == 2 && doc.file_name == QLatin1String("NEWFILE");
    for (QWidget* tab : {f.tw_PM_ToolTypes, f.tw_PM_Tools})
        f.tab_Settings->setTabEnabled(f.tab_Settings->indexOf(tab), !offline_new);
    if (!g_app_dirs().data.isEmpty())
        delete_files_in_dir(QDir(g_app_dirs().data).filePath(QStringLiteral("pm_cache")));
    // 14. The plotter starts over in "Auto" with its range inputs off.
    if (c_dlg_plotter* plotter = g_objects().plotter) {
        plotter->reset_plots();
        plotter->select_auto_mode(false);
    }
    // 15.
    f.rbg_GS_Out1->setTitle(label(basic ? 280 : 104));
    f.rbg_GS_Out2->setTitle(label(basic ? 281 : 105));
    f.rbg_GS_Out3->setTitle(label(basic ? 282 : 106));
    // 16.
    const bool bit2 = D.variant_bit2 != 0;
    for (QWidget* w : {static_cast<QWidget*>(f.l_DS_BackMode), static_cast<QWidget*>(f.cb_DS_BackMode),
                       static_cast<QWidget*>(f.l_DS_BackAngle), static_cast<QWidget*>(f.ebx_DS_BackAngle),
                       static_cast<QWidget*>(f.pn_DS_Area)})
        w->setVisible(!bit2);
    f.pn_DS_OutputSettings->setVisible(!bit2 && !(from_controller() && (D.family_code & 0xF) == 4));
    f.rbg_InFunc1->setVisible(!bit2);
    // 17.
    f.rbg_Fieldbus->setIndex(0);
    f.rbg_Fieldbus->set_button_enabled(0, true);
    f.rbg_Fieldbus->set_button_enabled(1, true);
    if (from_controller()) {
        const int chosen = D.family_code == 0x23 ? 1 : 0;
        f.rbg_Fieldbus->setIndex(chosen);
        f.rbg_Fieldbus->set_button_enabled(1 - chosen, false);
        if ((D.family_code & 0xF) == 4)
            for (QWidget* w : {f.rbg_GS_Out1, f.rbg_GS_Out2, f.rbg_GS_Out3, f.rbg_GS_Out4, f.rbg_TS_AlarmOut})
                w->setVisible(false);
    }
    // 18.
    f.bn_ScannerFinder->setEnabled(!D.variant_bit3 && !D.variant_bit2);
    // 19.
    on_rbg_Fieldbus_clicked();
    on_chb_TS_RL_Mode_stateChanged(f.chb_TS_RL_Mode->checkState());
    P.shown = true;
    P.loading = false;
}

void c_dlgw_program::show_tools()
{
    Ui::c_dlgw_program& f = *ui;
    program_page_state& P = g_program_page();
    config_image& img = g_config_image();
    f.tbvx_PM_ToolTypes_Vendor->set_array_geometry(img.tool_type(1).data(), 127, image_layout::tool_type_slot_size);
    f.tbvx_PM_ToolTypes_Custom->set_array_geometry(img.tool_type(128).data(), 128, image_layout::tool_type_slot_size);
    f.tbvx_PM_Tools_TT->set_array_geometry(img.tool_type(0).data(), 256, image_layout::tool_type_slot_size);
    f.tbvx_PM_Tools_TT_Custom->set_array_geometry(P.current_tool.data(), 1, tool_record_size);
    f.tbvx_PM_Tools->set_array_geometry(img.tool(0).data(), image_layout::tool_count, image_layout::tool_slot_size);
    for (c_qtableview_functab* v : {f.tbvx_PM_ToolTypes_Vendor, f.tbvx_PM_ToolTypes_Custom, f.tbvx_PM_Tools_TT,
                                     f.tbvx_PM_Tools_TT_Custom, f.tbvx_PM_Tools})
        v->refill_rows(0);
    P.curve_present.fill(0);
    const program_document& doc = g_program_document();
    if (doc.source == 2 && doc.file_name != QLatin1String("NEWFILE")) {
        bool folder = false;
        bool present[image_layout::tool_count] = {};
        pm_csv_file_name(doc.file_name, img, folder, present);
        for (uint32_t n = 0; n < image_layout::tool_count; ++n) {
            P.curve_present[n] = present[n];
            if (img.tool(n).in_use() && !present[n])
                for (int c = 0; c < 15; ++c)
                    f.tbvx_PM_Tools->set_row_enabled(int(n), c, false);
        }
    }
    P.tool_checked.fill(0);
    show_tool_counts();
    f.bn_ExportAllTools->setEnabled(from_controller());
    f.bn_ExportSelectedTools->setEnabled(from_controller());
    g_program_document().last_export_path.clear();
    const int current = f.tbvx_PM_Tools->current_array_index();
    if (current >= 0)
        show_current_tool(current);
}

void c_dlgw_program::show_current_tool(int tool)
{
    Ui::c_dlgw_program& f = *ui;
    program_page_state& P = g_program_page();
    const const_byte_view rec = g_config_image().tool(uint32_t(tool)).record();
    std::copy(rec.data(), rec.data() + tool_record_size, P.current_tool.begin());
    const int type = le::i16(P.current_tool.data() + tr::tool_type);
    if (type != 0) {
        f.tbvx_PM_Tools_TT->select_array_index(type);
        f.stw_PM_Tool_TT->setCurrentWidget(f.stwp_PM_Tool_TT_Normal);
    } else {
        f.tbvx_PM_Tools_TT_Custom->refill_rows(0);
        f.stw_PM_Tool_TT->setCurrentWidget(f.stwp_PM_Tool_TT_Custom);
    }
}

void c_dlgw_program::show_tool_counts()
{
    ::show_tool_counts(tool_source_image, ui->tbvx_PM_Tools, ui->l_AllToolsState, ui->l_SelectedToolsState);
}
