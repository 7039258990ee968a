#include "program_dialogs/c_dlg_prgfunction.h"

#include <QAbstractItemView>

#include "core/device/command_mailbox.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/function_rows.h"
#include "core/protocol/device_protocol.h"
#include "core/text/user_seam.h"
#include "page_common/kept_values.h"
#include "page_common/manual_commands.h"
#include "program_dialogs/c_dlg_area.h"
#include "program_dialogs/dialog_support.h"
#include "program_dialogs/element_buffers.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlg_prgfunction.h"
#include "widgets/fit_texts.h"

namespace dp = device_protocol;

namespace {

c_dlg_prgfunction* g_function_dialog = nullptr;

bool is_monitor(int32_t a) { return a == 4 || a == 7; }
bool is_measuring(int32_t a) { return a == 128 || a == 132; }

QString latin1(const std::string& s) { return QString::fromLatin1(s.data(), int(s.size())); }

}  // namespace

c_dlg_prgfunction* function_dialog() { return g_function_dialog; }

c_dlg_prgfunction::c_dlg_prgfunction(QWidget* parent) : c_dlg_element(parent), ui(new Ui::c_dlg_prgfunction)
{
    g_function_dialog = this;
    ui->setupUi(this);
    fit_hand_placed_texts(this, fit_mode::shrink);
    prepare_dialog_window(this, true);
    building_ = true;
    area_ = new c_dlg_area(this);
    Ui::c_dlg_prgfunction& f = *ui;
    f.cb_TS_AreaRel->addItems({dialog_label(231), dialog_label(232)});
    fill_back_mode_list(f.cb_TS_BackMode);
    f.chb_TS_BackModeKO->setText(dialog_label(178, true));
    fill_intensity_list(f.cb_TS_Intensity);
    for (QComboBox* out : outputs())
        fill_output_list(out);
    for (QComboBox* list : {f.cb_TS_ToolNr, f.cb_TS_NextFunction, f.cb_TS_NextFunctionKO})
        list->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    default_ranges();
    building_ = false;
}

c_dlg_prgfunction::~c_dlg_prgfunction()
{
    if (g_function_dialog == this)
        g_function_dialog = nullptr;
    delete ui;
}

void c_dlg_prgfunction::default_ranges()
{
    Ui::c_dlg_prgfunction& f = *ui;
    f.ebx_TS_BackAngle->setRange(-327.67, 327.67, 2);
    f.ebx_TS_ObjectAngle->setRange(-10000, 10000, 2);
    f.ebx_TS_Angle->setRange(-327.67, 327.67, 2);
    f.ebx_TS_Tolerance->setRange(0, 327.67, 2);
    for (c_qlineedit_extend* e : {f.ebx_TS_Area_1a, f.ebx_TS_Area_1b, f.ebx_TS_Area_2a, f.ebx_TS_Area_2b})
        e->setRange(-327.67, 327.67, 2);
    f.ebx_TS_Counter->setRange(0, 0, 0);
    f.ebx_TS_AlarmCounter->setRange(0, 200000, 0);
}

void c_dlg_prgfunction::fill_mode_list()
{
    QComboBox* mode = ui->cb_TS_Mode;
    const bool was = building_;
    building_ = true;
    mode->clear();
    // Each item carries its mode code.
    if (g_device().variant_bit2) {
        for (int32_t code : {0, 1, 6})
            combo_add_number(mode, latin1(function_mode_text(code)), code);
    } else {
        for (int32_t code = 0; code < 8; ++code)
            combo_add_number(mode, latin1(function_mode_text(code)), code);
    }
    building_ = was;
}

void c_dlg_prgfunction::fill_function_lists(int32_t current)
{
    const config_image& img = g_config_image();
    QStringList texts{QStringLiteral("no")};
    QVector<int32_t> numbers{-1};
    for (uint32_t i = 0; i < image_layout::function_count; ++i)
        if (img.function(i).in_use() || int32_t(i) == current) {
            texts << QString::number(i);
            numbers << int32_t(i);
        }
    const bool was = building_;
    building_ = true;
    for (QComboBox* list : {ui->cb_TS_NextFunction, ui->cb_TS_NextFunctionKO}) {
        list->blockSignals(true);
        combo_fill_numbers(list, texts, numbers);
        list->setCurrentIndex(0);
        list->blockSignals(false);
    }
    building_ = was;
}

bool c_dlg_prgfunction::showFunction()
{
    Ui::c_dlg_prgfunction& f = *ui;
    const cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    const device_state& d = g_device();
    const bool from_device = g_program_document().source == 1;
    appliedMode_ = -1;
    default_ranges();
    f.bn_Start->setEnabled(from_device);
    f.bn_Stop->setEnabled(from_device && d.family_flag == 0);

    building_ = true;
    fill_mode_list();
    f.cb_TS_ToolNr->setFocus();
    f.cb_TS_ToolNr->clear();
    const uint32_t limit = d.variant_bit2 ? 64 : image_layout::function_count;
    const config_image& img = g_config_image();
    for (uint32_t n = 0; n < limit; ++n)
        if (!img.function(n).in_use() || int32_t(n) == buffer.index)
            combo_add_number(f.cb_TS_ToolNr, QString::number(n), int32_t(n));
    if (buffer.index == -1 && f.cb_TS_ToolNr->count() == 0) {
        building_ = false;
        ui::warning(QStringLiteral("Every function number up to %1 is in use: delete a function first.").arg(limit - 1));
        return false;
    }
    if (buffer.index == -1) {
        setWindowTitle(dialog_label(151));
        f.cb_TS_ToolNr->setCurrentIndex(0);
    } else {
        setWindowTitle(dialog_label(152));
        combo_select_number(f.cb_TS_ToolNr, buffer.index, QString::number(buffer.index));
    }
    currentNumber_ = chosen_number();
    building_ = false;

    record_to_form(buffer.record(0));
    reset_close_code();
    show_tolerance_colour();
    appliedMode_ = -1;
    apply_mode();

    if (d.variant_bit2) {
        hide_all({f.l_BackMode, f.cb_TS_BackMode, f.chb_TS_BackModeKO, f.l_BackAngle, f.ebx_TS_BackAngle,
                  f.pn_OutputSettings, f.P_Area});
    } else {
        f.pn_OutputSettings->setVisible(!(from_device && (d.family_code & 0x0F) == 4));
    }
    return true;
}

output_lists c_dlg_prgfunction::outputs() const
{
    return {ui->cb_TS_Out1_Funktion, ui->cb_TS_Out2_Funktion, ui->cb_TS_Out3_Funktion, ui->cb_TS_Out4_Funktion};
}

int32_t c_dlg_prgfunction::chosen_number() const { return combo_number(ui->cb_TS_ToolNr, -1); }

int32_t c_dlg_prgfunction::mode_code() const { return combo_number(ui->cb_TS_Mode, -1); }

void c_dlg_prgfunction::record_to_form(const_function_record rec)
{
    Ui::c_dlg_prgfunction& f = *ui;
    const bool was = building_;
    building_ = true;
    name_.show(f.eb_TS_ToolName, rec);

    // A mode the list does not offer (a measuring mode, or one the short list lacks) gets
    // an item of its own, so that it is shown and kept.
    const int32_t code = rec.field(fr::mode);
    combo_select_number(f.cb_TS_Mode, code, latin1(function_mode_text(code)));
    if (f.cb_TS_BackMode->count() == 4)
        f.cb_TS_BackMode->addItem(back_mode_position_text());
    combo_show_kept(f.cb_TS_BackMode, rec.field(fr::back_mode), rec.field(fr::back_mode));
    f.chb_TS_BackModeKO->setChecked(rec.field(fr::ko_back_mode) == 1);

    relabel(code);
    if (!is_measuring(code))
        f.chb_TS_KO_Latch->setVisible(is_monitor(code));
    f.chb_TS_KO_Latch->setChecked((rec.field(fr::flags) & fr::flag_ko_latch) != 0);

    f.ebx_TS_BackAngle->setValue(rec.field(fr::back_angle));
    f.ebx_TS_ObjectAngle->setValue(rec.field(fr::object_pos));
    f.ebx_TS_Area_1a->setValue(rec.field(fr::warn_min));
    f.ebx_TS_Area_1b->setValue(rec.field(fr::warn_max));
    f.ebx_TS_Area_2a->setValue(rec.field(fr::err_min));
    f.ebx_TS_Area_2b->setValue(rec.field(fr::err_max));
    f.ebx_TS_Angle->setValue(rec.field(fr::teach_limit));
    f.ebx_TS_Tolerance->setValue(rec.field(fr::tolerance));
    f.ebx_TS_Counter->setValue(rec.field(fr::counter));
    f.ebx_TS_AlarmCounter->setValue(rec.field(fr::counter_limit));
    f.cb_TS_AreaRel->setCurrentIndex(rec.field(fr::flags) & fr::flag_area_relative);
    combo_show_kept(f.cb_TS_Intensity, rec.field(fr::intensity), rec.field(fr::intensity));
    show_outputs(outputs(), rec);

    // The next and KO functions are found by their number; a number without an item
    // (a function since deleted, or out of range from a file) is shown and kept.
    fill_function_lists(currentNumber_);
    for (auto [list, field] : {std::pair<QComboBox*, uint32_t>{f.cb_TS_NextFunction, fr::next_func},
                               std::pair<QComboBox*, uint32_t>{f.cb_TS_NextFunctionKO, fr::ko_func}}) {
        const int32_t number = rec.field(field);
        list->blockSignals(true);
        combo_select_number(list, number, QString::number(number));
        list->blockSignals(false);
    }
    building_ = was;
}

function_record_bytes c_dlg_prgfunction::form_to_record()
{
    Ui::c_dlg_prgfunction& f = *ui;
    function_record_bytes bytes{};
    function_record rec(bytes.data());
    rec.set_in_use(true);
    name_.store(f.eb_TS_ToolName, rec);
    rec.set_field(fr::mode, mode_code());
    const int32_t back_mode = combo_kept_value(f.cb_TS_BackMode, 0);
    rec.set_field(fr::back_mode, back_mode);
    rec.set_field(fr::back_angle, f.ebx_TS_BackAngle->value());
    rec.set_field(fr::object_pos, f.ebx_TS_ObjectAngle->value());
    rec.set_field(fr::warn_min, f.ebx_TS_Area_1a->value());
    rec.set_field(fr::warn_max, f.ebx_TS_Area_1b->value());
    rec.set_field(fr::err_min, f.ebx_TS_Area_2a->value());
    rec.set_field(fr::err_max, f.ebx_TS_Area_2b->value());
    rec.set_field(fr::teach_limit, f.ebx_TS_Angle->value());
    rec.set_field(fr::tolerance, f.ebx_TS_Tolerance->value());
    rec.set_field(fr::ko_back_mode, f.chb_TS_BackModeKO->isChecked() ? 1 : back_mode);
    rec.set_field(fr::flags, qMax(0, f.cb_TS_AreaRel->currentIndex()) |
                                 (f.chb_TS_KO_Latch->isChecked() ? fr::flag_ko_latch : 0));
    rec.set_field(fr::intensity, combo_kept_value(f.cb_TS_Intensity, 0));
    store_outputs(outputs(), rec);
    rec.set_field(fr::counter, f.ebx_TS_Counter->value());
    rec.set_field(fr::counter_limit, f.ebx_TS_AlarmCounter->value());
    rec.set_field(fr::next_func, combo_number(f.cb_TS_NextFunction, -1));
    rec.set_field(fr::ko_func, combo_number(f.cb_TS_NextFunctionKO, -1));
    return bytes;
}

void c_dlg_prgfunction::relabel(int32_t a)
{
    set_labels(a);
    fit_hand_placed_texts(this, fit_mode::shrink);
}

void c_dlg_prgfunction::set_labels(int32_t a)
{
    Ui::c_dlg_prgfunction& f = *ui;
    if (is_measuring(a)) {
        f.l_BackAngle->setText(QStringLiteral("PWM [0..1000]"));
        f.l_TS_ObjectAngle->setText(QStringLiteral("MaxTestRange"));
        f.l_TS_Area_1a->setText(QStringLiteral("StrtMeasure"));
        f.l_TS_Area_1b->setText(QStringLiteral("StopMeasure"));
        f.Label30->setText(QStringLiteral("ErrorLevelMin"));
        f.Label31->setText(QStringLiteral("ErrorLevelMax"));
        f.ebx_TS_BackAngle->setRange(0, 65000, 0);
        f.ebx_TS_ObjectAngle->setRange(-65000, 65000, 0);
        for (c_qlineedit_extend* e : {f.ebx_TS_Area_1a, f.ebx_TS_Area_1b, f.ebx_TS_Area_2a, f.ebx_TS_Area_2b})
            e->setRange(0, 65000, 0);
        return;
    }
    f.l_BackAngle->setText(QStringLiteral("ReturnPos"));
    f.l_TS_ObjectAngle->setText(QStringLiteral("ObjectPos"));
    f.l_TS_Area_1a->setText(QStringLiteral("Warning Min"));
    f.l_TS_Area_1b->setText(QStringLiteral("Warning Max"));
    f.Label30->setText(QStringLiteral("Error Min"));
    f.Label31->setText(QStringLiteral("ErrorMax"));
    default_ranges();
    if (is_monitor(a)) {
        f.l_BackAngle->setText(dialog_label(277));
        f.ebx_TS_BackAngle->setRange(0, 6500, 1);
    } else if (a == 129) {
        f.l_BackAngle->setText(QStringLiteral("DelayTime [s]"));
    }
}

void c_dlg_prgfunction::apply_mode()
{
    Ui::c_dlg_prgfunction& f = *ui;
    const int32_t a = mode_code();
    if (a == appliedMode_)
        return;
    const bool was = building_;
    building_ = true;
    const int32_t previous = appliedMode_;
    appliedMode_ = a;
    update_teach_button();
    const bool back = a == 0 || a == 1 || a == 4 || a == 7 || a == 130 || a == 131;
    f.cb_TS_BackMode->setVisible(back);
    f.l_BackMode->setVisible(back);
    f.chb_TS_BackModeKO->setVisible(back);
    // "Position" has no meaning for the monitor modes.
    if (is_monitor(a)) {
        if (f.cb_TS_BackMode->count() == 5) {
            if (f.cb_TS_BackMode->currentIndex() >= 4)
                f.cb_TS_BackMode->setCurrentIndex(0);
            f.cb_TS_BackMode->removeItem(4);
        }
    } else if (f.cb_TS_BackMode->count() == 4) {
        f.cb_TS_BackMode->addItem(back_mode_position_text());
    }
    f.ebx_TS_ObjectAngle->setVisible(a != 3 && a != 4);
    f.l_TS_ObjectAngle->setVisible(a != 3 && a != 4);
    for (QWidget* w : std::initializer_list<QWidget*>{f.l_TS_Angle, f.ebx_TS_Angle, f.l_TS_Tolerance, f.ebx_TS_Tolerance})
        w->setVisible(a != 3);
    f.chb_TS_KO_Latch->setVisible(is_monitor(a));
    relabel(a);
    f.l_BackAngle->setVisible(true);
    // The back angle means a stay time in the monitor modes: a change of group starts it anew.
    if (is_monitor(a) && previous != -1 && !is_monitor(previous))
        f.ebx_TS_BackAngle->setValue(0);
    else if (!is_monitor(a) && is_monitor(previous))
        f.ebx_TS_BackAngle->setValue(1);
    f.P_Area->setVisible(is_monitor(a) || is_measuring(a));
    for (c_qlineedit_extend* e : {f.ebx_TS_Area_1a, f.ebx_TS_Area_1b, f.ebx_TS_Area_2a, f.ebx_TS_Area_2b})
        e->setEnabled(is_measuring(a));
    f.bn_Area->setVisible(is_monitor(a));
    building_ = was;
    on_cb_TS_BackMode_currentIndexChanged(f.cb_TS_BackMode->currentIndex());
    if (g_device().variant_bit2)
        hide_all({f.l_BackMode, f.cb_TS_BackMode, f.chb_TS_BackModeKO, f.l_BackAngle, f.ebx_TS_BackAngle});
}

void c_dlg_prgfunction::on_cb_TS_Mode_currentIndexChanged(int)
{
    if (!building_)
        apply_mode();
}

void c_dlg_prgfunction::on_cb_TS_BackMode_currentIndexChanged(int index)
{
    if (building_)
        return;
    const int32_t a = mode_code();
    const bool shown = (index == 4 && (a == 0 || a == 1)) || is_monitor(a) || is_measuring(a) || a == 129;
    ui->ebx_TS_BackAngle->setVisible(shown);
    ui->l_BackAngle->setVisible(shown);
}

void c_dlg_prgfunction::on_cb_TS_ToolNr_currentTextChanged(const QString&)
{
    if (building_)
        return;
    currentNumber_ = chosen_number();
    fill_function_lists(currentNumber_);
}

void c_dlg_prgfunction::update_teach_button()
{
    const int32_t a = mode_code();
    ui->bn_Teach->setEnabled(g_program_document().source == 1 && a != 3 && a != 4 &&
                             !(device_has_pm() && !g_status().teach_permitted));
}

void c_dlg_prgfunction::take_taught_angle(int32_t value) { ui->ebx_TS_ObjectAngle->setValue(value); }

void c_dlg_prgfunction::show_tolerance_colour()
{
    const bool fast = g_config_image().header().field(hdr::scanning_mode) == 2;
    ui->ebx_TS_Tolerance->setStyleSheet(fast ? QStringLiteral("QLineEdit{background: yellow;}")
                                             : QStringLiteral("QLineEdit{background: white;}"));
}

void c_dlg_prgfunction::on_ebx_TS_Tolerance_editingFinished() { show_tolerance_colour(); }

void c_dlg_prgfunction::on_bn_Clear_clicked() { ui->ebx_TS_Counter->setValue(0); }

void c_dlg_prgfunction::on_bn_SetDefault_clicked()
{
    // The defaults as the settings pages show them now, saved or not.
    const function_record_bytes def = default_function_record();
    record_to_form(const_function_record(def.data()));
    appliedMode_ = -1;
    apply_mode();
}

void c_dlg_prgfunction::queue_record(uint8_t command)
{
    const function_record_bytes rec = form_to_record();
    queue_set_single(record_command_frame(const_function_record(rec.data()), command));
}

void c_dlg_prgfunction::on_bn_Start_clicked() { queue_record(dp::cmd_start); }

void c_dlg_prgfunction::on_bn_Teach_clicked()
{
    queue_record(dp::cmd_teach);
    g_status().teach_code = teach_function_dialog + chosen_number();
}

void c_dlg_prgfunction::on_bn_Stop_clicked() { queue_stop(); }

void c_dlg_prgfunction::exchange_area(bool to_area)
{
    Ui::c_dlg_prgfunction& f = *ui;
    area_record& r = g_area_record();
    c_qlineedit_extend* fields[4] = {f.ebx_TS_Area_1a, f.ebx_TS_Area_1b, f.ebx_TS_Area_2a, f.ebx_TS_Area_2b};
    const int relative = to_area ? f.cb_TS_AreaRel->currentIndex() : r.v[area_record::relative];
    // In length order an absolute area counts the other way round: the pairs trade places.
    if (area_length_order() && relative == 0) {
        std::swap(fields[0], fields[1]);
        std::swap(fields[2], fields[3]);
    }
    if (to_area) {
        r.v[area_record::object_angle] = f.ebx_TS_ObjectAngle->value();
        r.v[area_record::relative] = relative;
        for (int i = 0; i < 4; ++i)
            r.v[size_t(area_record::warn_min + i)] = fields[i]->value();
    } else {
        f.ebx_TS_ObjectAngle->setValue(r.v[area_record::object_angle]);
        f.cb_TS_AreaRel->setCurrentIndex(relative == 1 ? 1 : 0);
        for (int i = 0; i < 4; ++i)
            fields[i]->setValue(r.v[size_t(area_record::warn_min + i)]);
    }
}

void c_dlg_prgfunction::on_bn_Area_clicked()
{
    exchange_area(true);
    area_->init_dialog(mode_code());
    area_->run();
    exchange_area(false);
    appliedMode_ = -1;
    apply_mode();
}

bool c_dlg_prgfunction::form_differs()
{
    const cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    const function_record_bytes rec = form_to_record();
    return rec != buffer.records[0] || chosen_number() != buffer.index;
}

void c_dlg_prgfunction::take_over()
{
    const int32_t number = chosen_number();
    if (number < 0)
        return;
    cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    buffer.records[0] = form_to_record();
    buffer.index = number;
}
