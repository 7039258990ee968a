#include "program_dialogs/c_dlg_prgtool.h"

#include <QCloseEvent>
#include <cstring>

#include "core/image/core_state.h"
#include "core/text/user_seam.h"
#include "page_common/c_dlg_plotter.h"
#include "program_dialogs/record_form_fields.h"
#include "program_dialogs/tool_edit_buffers.h"
#include "state/shell_state.h"
#include "ui_c_dlg_prgtool.h"

namespace {

c_dlg_prgtool* g_dialog = nullptr;


using form = Ui::c_dlg_prgtool;

struct numeric_row {
    c_qlineedit_extend* form::*edit;
    const char* field;
};
// DN and PN have their own ranges; every other edit takes its field's.
const numeric_row numeric_rows[] = {
    {&form::ebx_PM_Tool_DuploNr, "DN"},
    {&form::ebx_PM_Tool_ProcessNr, "PN"},
    {&form::ebx_PM_Tool_X_Tol_Rewind, "X_ToleranceRewind"},
    {&form::ebx_PM_Tool_X_Tol_Forward, "X_ToleranceForward"},
    {&form::ebx_PM_Tool_MissingLimit, "MissingLimit"},
    {&form::ebx_PM_Tool_MissingTol, "MissingTolerance"},
    {&form::ebx_PM_Tool_MissingTime, "MissingTime"},
    {&form::ebx_PM_Tool_MissingRange, "MissingRange"},
    {&form::ebx_PM_Tool_BluntLimit, "BluntLimit"},
    {&form::ebx_PM_Tool_BluntTol, "BluntTolerance"},
    {&form::ebx_PM_Tool_BluntTime, "BluntTime"},
    {&form::ebx_PM_Tool_BluntWork, "BluntWork"},
    {&form::ebx_PM_Tool_BluntRange, "BluntRange"},
    {&form::ebx_PM_Tool_BreakLimit, "BreakLimit"},
    {&form::ebx_PM_Tool_BreakTol, "BreakTolerance"},
    {&form::ebx_PM_Tool_BreakTime, "BreakTime"},
    {&form::ebx_PM_Tool_BreakRange, "BreakRange"},
    {&form::ebx_PM_Tool_Delay, "DelayTime"},
    {&form::ebx_PM_Tool_StartCounterLimit, "CounterLimit"},
};

struct monitoring_row {
    QComboBox* form::*mode;
    QCheckBox* form::*limit_relative;      // options bit 0
    QCheckBox* form::*tolerance_relative;  // options bit 1
    const char* mode_field;
    const char* options_field;
};
const monitoring_row monitoring_rows[] = {
    {&form::cb_PM_Tool_MissingMode, &form::chb_PM_Tool_MissingLimitRel, &form::chb_PM_Tool_MissingTolRel,
     "MissingMode", "MissingOptions"},
    {&form::cb_PM_Tool_BluntMode, &form::chb_PM_Tool_BluntLimitRel, &form::chb_PM_Tool_BluntTolRel, "BluntMode",
     "BluntOptions"},
    {&form::cb_PM_Tool_BreakMode, &form::chb_PM_Tool_BreakLimitRel, &form::chb_PM_Tool_BreakTolRel, "BreakMode",
     "BreakOptions"},
};

// The read-only values and how they are shown.
enum class shown_as { decimal, hundredths, hex4 };
struct value_row {
    QLabel* form::*label;
    const char* field;
    shown_as as;
};
const value_row value_rows[] = {
    {&form::pn_PM_Tool_Number, "Number", shown_as::decimal},
    {&form::pn_PM_Tool_BluntDuration, "BluntDuration", shown_as::decimal},
    {&form::pn_PM_Tool_IdleLimit, "IdleLimit", shown_as::hundredths},
    {&form::pn_PM_Tool_TeachCounter, "CounterTeach", shown_as::decimal},
    {&form::pn_PM_Tool_StartCounter, "CounterValue", shown_as::decimal},
    {&form::pn_PM_Tool_Status, "MonitoringStatus", shown_as::hex4},
    {&form::pn_PM_Tool_Error, "MonitoringErrors", shown_as::hex4},
    {&form::pn_PM_Tool_MonitWork, "MonitoringWork", shown_as::hundredths},
    {&form::pn_PM_Tool_DataCnt, "DataCnt", shown_as::decimal},
    {&form::pn_PM_Tool_DataMin, "DataMin", shown_as::hundredths},
    {&form::pn_PM_Tool_DataMax, "DataMax", shown_as::hundredths},
};

const field_desc& field(const char* name) { return *tool_record_fields().find(name); }

QString value_text(int64_t v, shown_as as)
{
    switch (as) {
    case shown_as::hundredths: return QString::asprintf("%.2f", double(v) / 100.0);
    case shown_as::hex4: return QString::asprintf("%04xH", unsigned(v));
    default: return QString::number(v);
    }
}

}  // namespace

c_dlg_prgtool* tool_dialog() { return g_dialog; }

c_dlg_prgtool::c_dlg_prgtool(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_prgtool)
{
    ui->setupUi(this);
    // Wider where the system font needs it for the form's texts.
    resize(qMax(671, sizeHint().width()), 686);
    ui->cb_PM_Tool_TolGroup->addItems({QStringLiteral("Fine"), QStringLiteral("Medium"), QStringLiteral("High")});
    for (const monitoring_row& m : monitoring_rows)
        (ui->*m.mode)->addItems({QStringLiteral("Simple"), QStringLiteral("Envelop")});
    for (const numeric_row& r : numeric_rows)
        set_storage_range(ui->*r.edit, field(r.field));
    ui->ebx_PM_Tool_DuploNr->setRange(0, 255, 0);
    ui->ebx_PM_Tool_ProcessNr->setRange(0, 32767, 0);
    g_dialog = this;
}

c_dlg_prgtool::~c_dlg_prgtool()
{
    if (g_dialog == this)
        g_dialog = nullptr;
    delete ui;
}

void c_dlg_prgtool::open_edit()
{
    ui->eb_PM_Tool_Name->setFocus();
    setWindowTitle(QStringLiteral("Edit Tool Settings"));
    // Each item carries its tool-type number, so gaps among the custom types and a number
    // the list lacks cannot shift the choice to another type.
    QComboBox* types = ui->cb_PM_Tool_TT;
    types->blockSignals(true);
    types->clear();
    vendorCount_ = 0;
    const config_image& img = g_config_image();
    for (uint32_t n = 0; n < image_layout::tool_type_count; ++n) {
        const const_tool_type_slot s = img.tool_type(n);
        if (!s.in_use())
            continue;
        const char* name = reinterpret_cast<const char*>(s.record().data() + ttr::name);
        types->addItem(QString::fromLatin1(name, int(strnlen(name, ttr::name_size))), int(n));
        vendorCount_ += n < 128;
    }
    types->blockSignals(false);
    record_to_form(tool_edit_buffer().record.data());
    closeRule_.reset();
}

void c_dlg_prgtool::record_to_form(const uint8_t* record)
{
    const const_byte_view r(record, tool_record_size);
    name_.show(ui->eb_PM_Tool_Name, record + tr::name, tr::name_size);
    for (const numeric_row& n : numeric_rows)
        field_to_edit(ui->*n.edit, field(n.field), r);
    for (const value_row& v : value_rows)
        (ui->*v.label)->setText(value_text(r.get(field(v.field)), v.as));
    ui->cb_PM_Tool_TT->setCurrentIndex(ui->cb_PM_Tool_TT->findData(int(r.get(field("ToolType")))));
    mode_to_combo(ui->cb_PM_Tool_TolGroup, int(r.get(field("Tolerance"))));
    for (const monitoring_row& m : monitoring_rows) {
        mode_to_combo(ui->*m.mode, int(r.get(field(m.mode_field))));
        const int64_t options = r.get(field(m.options_field));
        (ui->*m.limit_relative)->setChecked(options & 1);
        (ui->*m.tolerance_relative)->setChecked(options & 2);
    }
    ui->gb_PM_Tool_Idle->setChecked(r.get(field("IdleOptions")) & 1);
    std::memcpy(working_.data(), record, tool_record_size);
    on_cb_PM_Tool_TT_currentIndexChanged(ui->cb_PM_Tool_TT->currentIndex());
}

void c_dlg_prgtool::form_to_record(uint8_t* record)
{
    const byte_view r(record, tool_record_size);
    r.set(field("Number"), ui->pn_PM_Tool_Number->text().toInt());
    name_.store(ui->eb_PM_Tool_Name, record + tr::name);
    for (const numeric_row& n : numeric_rows)
        edit_to_field(ui->*n.edit, field(n.field), r);
    // No item chosen: the stored tool type and tolerance group stay.
    if (ui->cb_PM_Tool_TT->currentIndex() >= 0)
        r.set(field("ToolType"), ui->cb_PM_Tool_TT->currentData().toInt());
    r.set(field("Tolerance"), combo_to_mode(ui->cb_PM_Tool_TolGroup, int(r.get(field("Tolerance")))));
    for (const monitoring_row& m : monitoring_rows) {
        const field_desc& mode = field(m.mode_field);
        r.set(mode, combo_to_mode(ui->*m.mode, int(r.get(mode))));
        const field_desc& opt = field(m.options_field);
        const int64_t bits = ((ui->*m.limit_relative)->isChecked() ? 1 : 0) | ((ui->*m.tolerance_relative)->isChecked() ? 2 : 0);
        r.set(opt, (r.get(opt) & ~int64_t(3)) | bits);
    }
    r.set(field("BluntDuration"), ui->pn_PM_Tool_BluntDuration->text().toLongLong());
    const field_desc& idle = field("IdleOptions");
    r.set(idle, (r.get(idle) & ~int64_t(1)) | (ui->gb_PM_Tool_Idle->isChecked() ? 1 : 0));
    r.set(field("CounterValue"), ui->pn_PM_Tool_StartCounter->text().toLongLong());
}

void c_dlg_prgtool::on_bn_Close_clicked()
{
    closeRule_.keep();
    close();
}

void c_dlg_prgtool::on_bn_Cancel_clicked()
{
    closeRule_.discard();
    close();
}

void c_dlg_prgtool::on_bn_SetDefault_clicked() { record_to_form(tool_edit_buffer().record.data()); }

void c_dlg_prgtool::on_bn_Apply_clicked()
{
    form_to_record(working_.data());
    if (c_dlg_plotter* p = g_objects().plotter)
        p->showTeachCurves(QByteArray(reinterpret_cast<const char*>(working_.data()), int(working_.size())));
}

void c_dlg_prgtool::on_cb_PM_Tool_TT_currentIndexChanged(int index)
{
    // A tool without a tool type carries its own limits.
    const int number = index >= 0 ? ui->cb_PM_Tool_TT->itemData(index).toInt()
                                  : le::i16(tool_edit_buffer().record.data() + tr::tool_type);
    ui->gb_PM_Tool_CustomSettings->setVisible(number == 0);
}

void c_dlg_prgtool::on_bn_RM_Tool_BluntDurationClear_clicked() { ui->pn_PM_Tool_BluntDuration->setText(QStringLiteral("0")); }

void c_dlg_prgtool::on_bn_PM_Tool_StartCounterClear_clicked() { ui->pn_PM_Tool_StartCounter->setText(QStringLiteral("0")); }

void c_dlg_prgtool::reject() { close(); }

void c_dlg_prgtool::closeEvent(QCloseEvent* event)
{
    // The buffer's index is the tool's slot; the Number the form shows is a field of the
    // record and never moves the tool to another slot.
    tool_edit_record& b = tool_edit_buffer();
    std::array<uint8_t, tool_record_size> edited = b.record;
    auto changed = [&] {
        edited = b.record;
        form_to_record(edited.data());
        return edited != b.record;
    };
    auto take_over = [&] {
        changed();
        b.record = edited;
    };
    if (closeRule_.close_event(event, changed, take_over) != close_outcome::stay_open)
        emit sig_closed();
}
