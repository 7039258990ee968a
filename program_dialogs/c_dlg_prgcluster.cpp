#include "program_dialogs/c_dlg_prgcluster.h"

#include <QAbstractItemView>

#include "core/device/command_mailbox.h"
#include "core/image/core_state.h"
#include "core/image/device_function_record.h"
#include "core/image/function_rows.h"
#include "core/protocol/device_protocol.h"
#include "core/text/user_seam.h"
#include "page_common/kept_values.h"
#include "program_dialogs/dialog_support.h"
#include "program_dialogs/element_buffers.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlg_prgcluster.h"
#include "widgets/fit_texts.h"

namespace dp = device_protocol;

namespace {

c_dlg_prgcluster* g_cluster_dialog = nullptr;

QString latin1(const std::string& s) { return QString::fromLatin1(s.data(), int(s.size())); }

// Flags of the four members: cluster bit, then the side.
constexpr int32_t member_flags[4] = {fr::flag_cluster, fr::flag_cluster | 4, fr::flag_cluster | 8,
                                     fr::flag_cluster | 0xC};

bool all_free(const config_image& img, uint32_t from, uint32_t to)
{
    for (uint32_t n = from; n <= to; ++n)
        if (img.function(n).in_use())
            return false;
    return true;
}

}  // namespace

c_dlg_prgcluster* cluster_dialog() { return g_cluster_dialog; }

c_dlg_prgcluster::c_dlg_prgcluster(QWidget* parent) : c_dlg_element(parent), ui(new Ui::c_dlg_prgcluster)
{
    g_cluster_dialog = this;
    ui->setupUi(this);
    fit_hand_placed_texts(this, fit_mode::shrink);
    prepare_dialog_window(this, true);
    Ui::c_dlg_prgcluster& f = *ui;
    fill_back_mode_list(f.cb_TS_BackMode);
    f.chb_TS_BackModeKO->setText(dialog_label(178, true));
    for (QComboBox* out : outputs())
        fill_output_list(out);
    fill_intensity_list(f.cb_TS_Intensity);
    fill_intensity_list(f.cb_TS_IntensityX);
    f.cb_TS_ToolNr->view()->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    fill_mode_list();
    default_ranges();
    building_ = false;
}

c_dlg_prgcluster::~c_dlg_prgcluster()
{
    if (g_cluster_dialog == this)
        g_cluster_dialog = nullptr;
    delete ui;
}

void c_dlg_prgcluster::fill_mode_list()
{
    const bool was = building_;
    building_ = true;
    ui->cb_TS_Mode->clear();
    for (int32_t code : {0, 1})
        combo_add_number(ui->cb_TS_Mode, latin1(function_mode_text(code)), code);
    building_ = was;
}

void c_dlg_prgcluster::default_ranges()
{
    Ui::c_dlg_prgcluster& f = *ui;
    f.ebx_TS_BackAngle->setRange(-327.67, 327.67, 2);
    for (c_qlineedit_extend* e : {f.ebx_TS_ObjectAngle, f.ebx_TS_ObjectAngleX})
        e->setRange(-10000, 10000, 2);
    for (c_qlineedit_extend* e : {f.ebx_TS_Angle, f.ebx_TS_AngleX})
        e->setRange(-327.67, 327.67, 2);
    for (c_qlineedit_extend* e : {f.ebx_TS_Tolerance, f.ebx_TS_ToleranceX})
        e->setRange(0, 327.67, 2);
    for (c_qlineedit_extend* e : {f.ebx_TS_Counter, f.ebx_TS_CounterX})
        e->setRange(0, 0, 0);
    for (c_qlineedit_extend* e : {f.ebx_TS_AlarmCounter, f.ebx_TS_AlarmCounterX})
        e->setRange(0, 200000, 0);
}

bool c_dlg_prgcluster::init_dialog()
{
    Ui::c_dlg_prgcluster& f = *ui;
    const cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    const device_state& d = g_device();
    const config_image& img = g_config_image();
    default_ranges();

    building_ = true;
    f.cb_TS_ToolNr->setEnabled(true);
    f.cb_TS_ToolNr->setFocus();
    f.cb_TS_ToolNr->clear();
    const uint32_t limit = d.variant_bit2 ? 60 : 508;
    int first_free = -1;
    for (uint32_t c = 0; c < limit; c += 4) {
        if (!all_free(img, c, c + 3) && int32_t(c) != buffer.index)
            continue;
        combo_add_number(f.cb_TS_ToolNr, QString::number(c), int32_t(c));
        if (first_free < 0 && all_free(img, c + 1, c + 3))
            first_free = f.cb_TS_ToolNr->count() - 1;
    }
    if (buffer.index == -1) {
        setWindowTitle(dialog_label(287));
        if (device_has_pm()) {
            if (first_free < 0) {
                building_ = false;
                ui::warning(QStringLiteral("No four free functions from a multiple of 4 below %1 are left for an "
                                           "RL function: delete functions first.")
                                .arg(limit));
                return false;
            }
            f.cb_TS_ToolNr->setCurrentIndex(first_free);
        } else {
            // Without process monitoring a cluster lives at base 0 only; the page has asked
            // before it overwrites functions there, so 0 is offered even when they are in use.
            if (f.cb_TS_ToolNr->findData(QVariant(0)) < 0)
                f.cb_TS_ToolNr->insertItem(0, QStringLiteral("0"), QVariant(0));
            f.cb_TS_ToolNr->setCurrentIndex(f.cb_TS_ToolNr->findData(QVariant(0)));
            f.cb_TS_ToolNr->setEnabled(false);
            f.eb_TS_ToolName->setFocus();
        }
    } else {
        setWindowTitle(dialog_label(288));
        combo_select_number(f.cb_TS_ToolNr, buffer.index, QString::number(buffer.index));
    }
    building_ = false;

    record_to_form(buffer.records);
    update_buttons(chosen_base());
    reset_close_code();
    const bool fast = img.header().field(hdr::scanning_mode) == 2;
    for (c_qlineedit_extend* e : {f.ebx_TS_Tolerance, f.ebx_TS_ToleranceX})
        e->setStyleSheet(fast ? QStringLiteral("QLineEdit{background: yellow;}")
                              : QStringLiteral("QLineEdit{background: white;}"));
    on_cb_TS_Mode_currentIndexChanged(f.cb_TS_Mode->currentIndex());
    show_back_angle();  // the mode handler skips a mode it applied at an earlier opening
    if (d.variant_bit2) {
        hide_all({f.l_BackMode, f.cb_TS_BackMode, f.chb_TS_BackModeKO, f.l_BackAngle, f.ebx_TS_BackAngle,
                  f.pn_OutputSettings});
    } else {
        f.pn_OutputSettings->setVisible(!(g_program_document().source == 1 && (d.family_code & 0x0F) == 4));
    }
    return true;
}

output_lists c_dlg_prgcluster::outputs() const
{
    return {ui->cb_TS_Out1_Funktion, ui->cb_TS_Out2_Funktion, ui->cb_TS_Out3_Funktion, ui->cb_TS_Out4_Funktion};
}

int32_t c_dlg_prgcluster::chosen_base() const { return combo_number(ui->cb_TS_ToolNr, -1); }

void c_dlg_prgcluster::record_to_form(const cluster_records& c)
{
    Ui::c_dlg_prgcluster& f = *ui;
    const bool was = building_;
    building_ = true;
    const const_function_record m0(c[0].data()), r(c[1].data()), l(c[2].data());
    name_.show(f.eb_TS_ToolName, m0);
    fill_mode_list();
    const int32_t mode = m0.field(fr::mode);
    combo_select_number(f.cb_TS_Mode, mode, latin1(function_mode_text(mode)));
    combo_show_kept(f.cb_TS_BackMode, m0.field(fr::back_mode), m0.field(fr::back_mode));
    f.chb_TS_BackModeKO->setChecked(m0.field(fr::ko_back_mode) == 1);
    f.ebx_TS_BackAngle->setValue(m0.field(fr::back_angle));
    show_outputs(outputs(), m0);

    struct panel {
        const_function_record rec;
        c_qlineedit_extend *object, *limit, *tolerance, *counter, *alarm;
        QComboBox* intensity;
    };
    const panel panels[2] = {
        {r, f.ebx_TS_ObjectAngle, f.ebx_TS_Angle, f.ebx_TS_Tolerance, f.ebx_TS_Counter, f.ebx_TS_AlarmCounter,
         f.cb_TS_Intensity},
        {l, f.ebx_TS_ObjectAngleX, f.ebx_TS_AngleX, f.ebx_TS_ToleranceX, f.ebx_TS_CounterX, f.ebx_TS_AlarmCounterX,
         f.cb_TS_IntensityX},
    };
    for (const panel& p : panels) {
        p.object->setValue(p.rec.field(fr::object_pos));
        p.limit->setValue(p.rec.field(fr::teach_limit));
        p.tolerance->setValue(p.rec.field(fr::tolerance));
        combo_show_kept(p.intensity, p.rec.field(fr::intensity), p.rec.field(fr::intensity));
        p.counter->setValue(p.rec.field(fr::counter));
        p.alarm->setValue(p.rec.field(fr::counter_limit));
    }
    building_ = was;
}

cluster_records c_dlg_prgcluster::form_to_cluster()
{
    Ui::c_dlg_prgcluster& f = *ui;
    const function_record_bytes def = function_record_clear(g_config_image().header());
    cluster_records c{def, def, def, def};
    function_record m0(c[0].data());
    m0.set_in_use(true);
    name_.store(f.eb_TS_ToolName, m0);
    m0.set_field(fr::mode, combo_number(f.cb_TS_Mode, 0));
    const int32_t back_mode = combo_kept_value(f.cb_TS_BackMode, 0);
    m0.set_field(fr::back_mode, back_mode);
    m0.set_field(fr::back_angle, f.ebx_TS_BackAngle->value());
    m0.set_field(fr::ko_back_mode, f.chb_TS_BackModeKO->isChecked() ? 1 : back_mode);
    store_outputs(outputs(), m0);
    m0.set_field(fr::flags, member_flags[0]);
    for (size_t i = 1; i < 4; ++i)
        c[i] = c[0];

    struct panel {
        c_qlineedit_extend *object, *limit, *tolerance, *counter, *alarm;
        QComboBox* intensity;
    };
    const panel panels[2] = {
        {f.ebx_TS_ObjectAngle, f.ebx_TS_Angle, f.ebx_TS_Tolerance, f.ebx_TS_Counter, f.ebx_TS_AlarmCounter,
         f.cb_TS_Intensity},
        {f.ebx_TS_ObjectAngleX, f.ebx_TS_AngleX, f.ebx_TS_ToleranceX, f.ebx_TS_CounterX, f.ebx_TS_AlarmCounterX,
         f.cb_TS_IntensityX},
    };
    for (int side = 0; side < 2; ++side) {
        const panel& p = panels[side];
        function_record m(c[size_t(side + 1)].data());
        m.set_field(fr::object_pos, p.object->value());
        m.set_field(fr::teach_limit, p.limit->value());
        m.set_field(fr::tolerance, p.tolerance->value());
        m.set_field(fr::intensity, combo_kept_value(p.intensity, 0));
        m.set_field(fr::counter, p.counter->value());
        m.set_field(fr::counter_limit, p.alarm->value());
    }
    for (size_t i = 1; i < 4; ++i)
        function_record(c[i].data()).set_field(fr::flags, member_flags[i]);
    return c;
}

void c_dlg_prgcluster::update_buttons(int32_t base)
{
    Ui::c_dlg_prgcluster& f = *ui;
    if (base < 0)
        base = chosen_base();
    const bool from_device = g_program_document().source == 1;
    for (QWidget* w : {f.bn_Start, f.bn_Start_R, f.bn_Start_L})
        w->setEnabled(from_device);
    const bool teach = from_device && (base == 0 || (device_has_pm() && g_status().teach_permitted));
    for (QWidget* w : {f.bn_Teach, f.bn_Teach_R, f.bn_Teach_L})
        w->setEnabled(teach);
}

void c_dlg_prgcluster::take_taught_angles(int32_t side, int32_t first, int32_t second)
{
    switch (side & 3) {
    case 1: ui->ebx_TS_ObjectAngle->setValue(first); break;
    case 2: ui->ebx_TS_ObjectAngleX->setValue(first); break;
    default:
        ui->ebx_TS_ObjectAngle->setValue(first);
        ui->ebx_TS_ObjectAngleX->setValue(second);
        break;
    }
}

void c_dlg_prgcluster::show_back_angle()
{
    const bool position = ui->cb_TS_BackMode->currentIndex() == 4;
    ui->ebx_TS_BackAngle->setEnabled(position);
    ui->l_BackAngle->setEnabled(position);
}

void c_dlg_prgcluster::on_cb_TS_Mode_currentIndexChanged(int index)
{
    if (building_ || index == appliedMode_)
        return;
    show_back_angle();
    appliedMode_ = index;
    if (g_device().variant_bit2)
        hide_all({ui->l_BackMode, ui->cb_TS_BackMode, ui->chb_TS_BackModeKO, ui->l_BackAngle, ui->ebx_TS_BackAngle});
}

void c_dlg_prgcluster::on_cb_TS_BackMode_currentIndexChanged(int)
{
    if (!building_)
        show_back_angle();
}

void c_dlg_prgcluster::queue_cluster(uint8_t command)
{
    const cluster_records c = form_to_cluster();
    device_frame frames[3];
    for (int i = 0; i < 3; ++i) {
        frames[i] = record_command_frame(const_function_record(c[size_t(i)].data()), command);
        // Base 0 marks its frames: the controller starts the cluster it keeps there.
        if (chosen_base() == 0)
            frames[i][command_frame_flags_byte] |= fr::flag_start_marker;
    }
    queue_set_three(frames[0], frames[1], frames[2]);
}

void c_dlg_prgcluster::queue_side(int member, uint8_t command)
{
    const cluster_records c = form_to_cluster();
    queue_set_single(record_command_frame(const_function_record(c[size_t(member)].data()), command));
}

void c_dlg_prgcluster::on_bn_Start_clicked() { queue_cluster(dp::cmd_start); }
void c_dlg_prgcluster::on_bn_Start_R_clicked() { queue_side(1, dp::cmd_start); }
void c_dlg_prgcluster::on_bn_Start_L_clicked() { queue_side(2, dp::cmd_start); }

void c_dlg_prgcluster::on_bn_Teach_clicked()
{
    queue_cluster(dp::cmd_teach);
    g_status().teach_code = teach_cluster + chosen_base();
}

void c_dlg_prgcluster::on_bn_Teach_R_clicked()
{
    queue_side(1, dp::cmd_teach);
    g_status().teach_code = teach_cluster + 1 + chosen_base();
}

void c_dlg_prgcluster::on_bn_Teach_L_clicked()
{
    queue_side(2, dp::cmd_teach);
    g_status().teach_code = teach_cluster + 2 + chosen_base();
}

void c_dlg_prgcluster::on_bn_Clear_clicked() { ui->ebx_TS_Counter->setValue(0); }
void c_dlg_prgcluster::on_bn_ClearX_clicked() { ui->ebx_TS_CounterX->setValue(0); }

void c_dlg_prgcluster::on_bn_SetDefault_clicked()
{
    const function_record_bytes def = default_function_record();
    record_to_form(cluster_records{def, def, def, def});
    show_back_angle();
}

bool c_dlg_prgcluster::form_differs()
{
    const cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    return form_to_cluster() != buffer.records || chosen_base() != buffer.index;
}

void c_dlg_prgcluster::take_over()
{
    const int32_t base = chosen_base();
    if (base < 0)
        return;
    cluster_edit_buffer& buffer = g_cluster_edit_buffer();
    buffer.records = form_to_cluster();
    buffer.index = base;
}
