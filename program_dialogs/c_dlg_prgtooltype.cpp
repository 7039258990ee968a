#include "program_dialogs/c_dlg_prgtooltype.h"

#include <QCloseEvent>
#include <cstring>

#include "core/image/core_state.h"
#include "core/image/tool_records.h"
#include "core/text/user_seam.h"
#include "program_dialogs/record_form_fields.h"
#include "program_dialogs/tool_edit_buffers.h"
#include "ui_c_dlg_prgtooltype.h"

namespace {

c_dlg_prgtooltype* g_dialog = nullptr;

constexpr uint32_t first_custom = 128;

using form = Ui::c_dlg_prgtooltype;

// Every numeric edit of the form and the record field it shows.
struct numeric_row {
    c_qlineedit_extend* form::*edit;
    const char* field;
};
const numeric_row numeric_rows[] = {
    {&form::ebx_PM_TT_X_Tol_FineRewind, "X_ToleranceFineRewind"},
    {&form::ebx_PM_TT_X_Tol_FineForward, "X_ToleranceFineForward"},
    {&form::ebx_PM_TT_X_Tol_MediumRewind, "X_ToleranceMediumRewind"},
    {&form::ebx_PM_TT_X_Tol_MediumForward, "X_ToleranceMediumForward"},
    {&form::ebx_PM_TT_X_Tol_HighRewind, "X_ToleranceHighRewind"},
    {&form::ebx_PM_TT_X_Tol_HighForward, "X_ToleranceHighForward"},
    {&form::ebx_PM_TT_Tol_Fine, "ToleranceFine"},
    {&form::ebx_PM_TT_Tol_Medium, "ToleranceMedium"},
    {&form::ebx_PM_TT_Tol_High, "ToleranceHigh"},
    {&form::ebx_PM_TT_MissingLimit, "MissingLimit"},
    {&form::ebx_PM_TT_MissingTime, "MissingTime"},
    {&form::ebx_PM_TT_MissingRange, "MissingRange"},
    {&form::ebx_PM_TT_BluntLimit, "BluntLimit"},
    {&form::ebx_PM_TT_BluntTime, "BluntTime"},
    {&form::ebx_PM_TT_BluntWork, "BluntWork"},
    {&form::ebx_PM_TT_BluntRange, "BluntRange"},
    {&form::ebx_PM_TT_BreakLimit, "BreakLimit"},
    {&form::ebx_PM_TT_BreakTime, "BreakTime"},
    {&form::ebx_PM_TT_BreakRange, "BreakRange"},
    {&form::ebx_PM_TT_Delay, "DelayTime"},
    {&form::ebx_PM_TT_CounterLimit, "CounterLimit"},
};

// The three monitorings: mode list, relative check box and their fields.
struct monitoring_row {
    QComboBox* form::*mode;
    QCheckBox* form::*relative;
    const char* mode_field;
    const char* options_field;
};
const monitoring_row monitoring_rows[] = {
    {&form::cb_PM_TT_MissingMode, &form::chb_PM_TT_MissingLimitRel, "MissingMode", "MissingOptions"},
    {&form::cb_PM_TT_BluntMode, &form::chb_PM_TT_BluntLimitRel, "BluntMode", "BluntOptions"},
    {&form::cb_PM_TT_BreakMode, &form::chb_PM_TT_BreakLimitRel, "BreakMode", "BreakOptions"},
};

const field_desc& field(const char* name) { return *tool_type_record_fields().find(name); }

}  // namespace

c_dlg_prgtooltype* tool_type_dialog() { return g_dialog; }

c_dlg_prgtooltype::c_dlg_prgtooltype(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_prgtooltype)
{
    ui->setupUi(this);
    for (const monitoring_row& m : monitoring_rows)
        (ui->*m.mode)->addItems({QStringLiteral("Simple"), QStringLiteral("Envelop")});
    for (const numeric_row& r : numeric_rows)
        set_storage_range(ui->*r.edit, field(r.field));
    g_dialog = this;
}

c_dlg_prgtooltype::~c_dlg_prgtooltype()
{
    if (g_dialog == this)
        g_dialog = nullptr;
    delete ui;
}

void c_dlg_prgtooltype::open(bool isNew)
{
    isNew_ = isNew;
    ui->eb_PM_TT_Name->setFocus();
    ui->cb_PM_TT_Number->clear();
    tool_type_edit_record& b = tool_type_edit_buffer();
    if (isNew) {
        setWindowTitle(QStringLiteral("New Tooltype Settings"));
        const config_image& img = g_config_image();
        for (uint32_t n = first_custom; n < image_layout::tool_type_count; ++n)
            if (!img.tool_type(n).in_use())
                ui->cb_PM_TT_Number->addItem(QString::number(n));
        ui->cb_PM_TT_Number->setCurrentIndex(ui->cb_PM_TT_Number->count() > 0 ? 0 : -1);
        ui->cb_PM_TT_Number->setEnabled(true);
    } else {
        setWindowTitle(QStringLiteral("Edit Tooltype Settings"));
        ui->cb_PM_TT_Number->addItem(QString::number(b.index));
        ui->cb_PM_TT_Number->setEnabled(false);
    }
    record_to_form(b.record.data());
    closeRule_.reset();
}

void c_dlg_prgtooltype::record_to_form(const uint8_t* record)
{
    const const_byte_view r(record, tool_type_record_size);
    name_.show(ui->eb_PM_TT_Name, record + ttr::name, ttr::name_size);
    // A copy is named after its template, cut to the 31 characters the name field holds.
    if (isNew_) {
        const QString proposed = ui->eb_PM_TT_Name->text() + QStringLiteral("_New");
        name_.show_proposed(ui->eb_PM_TT_Name, proposed.left(int(ttr::name_size) - 1), ttr::name_size);
    }
    for (const numeric_row& n : numeric_rows)
        field_to_edit(ui->*n.edit, field(n.field), r);
    for (const monitoring_row& m : monitoring_rows) {
        mode_to_combo(ui->*m.mode, int(r.get(field(m.mode_field))));
        (ui->*m.relative)->setChecked(r.get(field(m.options_field)) & 1);
    }
    ui->chb_PM_TT_IdleOn->setChecked(r.get(field("IdleOptions")) & 1);
}

bool c_dlg_prgtooltype::form_to_record(uint8_t* record, int32_t* number)
{
    const uint8_t* stored = tool_type_edit_buffer().record.data();
    const const_byte_view old(stored, tool_type_record_size);
    std::memset(record, 0, tool_type_record_size);
    const byte_view r(record, tool_type_record_size);
    bool ok = false;
    *number = ui->cb_PM_TT_Number->currentText().toInt(&ok);
    r.set(field("Number"), *number);
    name_.store(ui->eb_PM_TT_Name, record + ttr::name);
    for (const numeric_row& n : numeric_rows)
        edit_to_field(ui->*n.edit, field(n.field), r);
    for (const monitoring_row& m : monitoring_rows) {
        const field_desc& mode = field(m.mode_field);
        r.set(mode, combo_to_mode(ui->*m.mode, int(old.get(mode))));
        r.set(field(m.options_field), (ui->*m.relative)->isChecked() ? 1 : 0);
    }
    r.set(field("IdleOptions"), ui->chb_PM_TT_IdleOn->isChecked() ? 1 : 0);
    return ok && ui->cb_PM_TT_Number->currentIndex() >= 0;
}

void c_dlg_prgtooltype::on_bn_Close_clicked()
{
    closeRule_.keep();
    close();
}

void c_dlg_prgtooltype::on_bn_Cancel_clicked()
{
    closeRule_.discard();
    close();
}

void c_dlg_prgtooltype::on_bn_SetDefault_clicked() { record_to_form(tool_type_edit_buffer().record.data()); }

void c_dlg_prgtooltype::closeEvent(QCloseEvent* event)
{
    tool_type_edit_record& b = tool_type_edit_buffer();
    std::array<uint8_t, tool_type_record_size> edited{};
    int32_t number = 0;
    bool numbered = false;
    auto changed = [&] {
        numbered = form_to_record(edited.data(), &number);
        return edited != b.record || number != b.index;
    };
    auto take_over = [&] {
        changed();
        // Without a free number there is no slot to store the tool type in.
        if (!numbered) {
            ui::warning(QStringLiteral("No free custom tool type number (128 to 255) is left; the tool type is "
                                       "not stored."));
            return;
        }
        b.index = number;
        b.record = edited;
    };
    closeRule_.close_event(event, changed, take_over);
}
