#include "scanner/c_dlgw_scannerfull.h"

#include <QFileInfo>
#include <QShowEvent>
#include <cmath>
#include <limits>

#include "core/device/device_calls.h"
#include "core/files/app_dirs.h"
#include "core/files/file_paths.h"
#include "core/files/parameter_files.h"
#include "core/files/scanner_params.h"
#include "core/image/function_rows.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_scannerfull.h"

namespace {

constexpr int off_intensity_min = 72;
constexpr int off_intensity_max = 76;
constexpr int off_intensity_steps = 80;  // steps 1 to 6
constexpr int off_speed_min = 132;
constexpr int off_speed_max = 136;
constexpr int off_speed_steps = 140;
constexpr int off_options = 184;

// The fields stored as typed, by the names of their line edits without "ebx_".
const char* const stored_fields[] = {
    "KsFactor",     "KsFactorShift", "KsFactorBack",   "KvFactor",     "KvFactorShift", "PulsePerRound",
    "PulseZeroDif", "PulseMin",      "Pulse4Deg",      "PulseMax",     "PulseSlowDown", "MaxTo",
    "MaxBack",      "Inc",           "IntensityMin",   "V_MaxTo",      "V_MaxBackStart", "V_MaxBackEnd",
    "V_MaxBackInc", "V_Accelerate",  "V_MaxIdle",      "V_MaxPpms",    "V_IntensityMin", "StartTime",
    "StopTime",     "StopIdleTime",  "I_MaxTime",      "I_Max",        "PWM",           "V_Min",
    "V_Max",
};

// Step k of minimum + k x increment in single precision, as the controller expects it; a
// sum outside the 32-bit range is held at its end.
int32_t step_value(int32_t min, int k, int32_t inc)
{
    const float v = float(min) + float(k) * float(inc);
    if (!(v > float(std::numeric_limits<int32_t>::min())))
        return std::numeric_limits<int32_t>::min();
    if (!(v < float(std::numeric_limits<int32_t>::max())))
        return std::numeric_limits<int32_t>::max();
    return int32_t(std::trunc(v));
}

void write_steps(scanner_record& rec, int off_min, int off_max, int off_steps, int32_t min, int32_t inc)
{
    rec.set_word(off_min, min);
    for (int k = 1; k <= 6; ++k)
        rec.set_word(off_steps + 4 * (k - 1), step_value(min, k, inc));
    rec.set_word(off_max, step_value(min, 7, inc));
}

// The record's name as a file name: no path separators or control characters.
QString file_name_of(const QString& name)
{
    QString out = name;
    for (QChar& c : out)
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.unicode() < 0x20)
            c = QLatin1Char('_');
    return out;
}

}  // namespace

c_dlgw_scannerfull::c_dlgw_scannerfull(QWidget* parent) : QWidget(parent), ui(new Ui::c_dlgw_scannerfull)
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("c_dlgw_scannerfull"));
    init_fields();
}

c_dlgw_scannerfull::~c_dlgw_scannerfull() { delete ui; }

void c_dlgw_scannerfull::init_fields()
{
    for (c_qlineedit_extend* e : findChildren<c_qlineedit_extend*>())
        e->setRange(0, 0, 0);
    ui->rbg_EncoderCanal->create_buttons(QStringList{QStringLiteral("0"), QStringLiteral("1")}, Qt::Vertical);
    ui->rbg_MotorLaufRichtung->create_buttons(QStringList{QStringLiteral("ZP8"), QStringLiteral("ZP9")}, Qt::Vertical);
    ui->rbg_ScannerType->create_buttons(QStringList{tr("Normal"), tr("Linear")}, Qt::Vertical);
    ui->rbg_FastScanner->create_buttons(QStringList{QStringLiteral("Inaktiv"), QStringLiteral("Aktiv")}, Qt::Vertical);
    ui->rbg_KvMode->create_buttons(QStringList{QStringLiteral("Return Line"), QStringLiteral("Direct Line")},
                                   Qt::Vertical);
}

void c_dlgw_scannerfull::showEvent(QShowEvent* event)
{
    // Only when the page is brought up, not when the window comes back from the task bar
    // with typed values not yet read.
    if (!event->spontaneous())
        fill_form(g_scanner_params().user);
    QWidget::showEvent(event);
}

void c_dlgw_scannerfull::fill_form(const scanner_record& rec)
{
    ui->eb_Name->setText(rec.name());
    const field_table& fields = scanner_record::fields();
    for (const char* name : stored_fields) {
        auto* e = findChild<c_qlineedit_extend*>(QStringLiteral("ebx_") + QLatin1String(name));
        if (e)
            e->setValue(rec.word(int(fields.find(name)->offset)));
    }
    auto increment = [&](int off_min, int off_max) {
        return int32_t((int64_t(rec.word(off_max)) - rec.word(off_min)) / 7);
    };
    ui->ebx_IntensityMax->setValue(increment(off_intensity_min, off_intensity_max));
    ui->ebx_V_IntensityMax->setValue(increment(off_speed_min, off_speed_max));
    const int32_t options = rec.word(off_options);
    c_my_rbg* groups[] = {ui->rbg_EncoderCanal, ui->rbg_MotorLaufRichtung, ui->rbg_ScannerType, ui->rbg_FastScanner,
                          ui->rbg_KvMode};
    for (int bit = 0; bit < 5; ++bit)
        groups[bit]->setIndex((options >> bit) & 1);
}

void c_dlgw_scannerfull::read_form(scanner_record& rec)
{
    scanner_param_state& doc = g_scanner_params();
    const QString name = ui->eb_Name->text();
    rec.set_name(name);
    doc.title = name.left(scanner_record::name_size - 1);
    const QFileInfo file(resolve_path(doc.file_name));
    if (file.isFile() && !doc.title.isEmpty())
        doc.file_name = file.absolutePath() + QLatin1Char('/') + file_name_of(doc.title) + QLatin1Char('.') +
                        file.completeSuffix();

    const field_table& fields = scanner_record::fields();
    for (const char* n : stored_fields) {
        auto* e = findChild<c_qlineedit_extend*>(QStringLiteral("ebx_") + QLatin1String(n));
        if (e)
            rec.set_word(int(fields.find(n)->offset), e->value());
    }
    write_steps(rec, off_intensity_min, off_intensity_max, off_intensity_steps, ui->ebx_IntensityMin->value(),
                ui->ebx_IntensityMax->value());
    write_steps(rec, off_speed_min, off_speed_max, off_speed_steps, ui->ebx_V_IntensityMin->value(),
                ui->ebx_V_IntensityMax->value());

    // A group without a checked button counts as its first button.
    const c_my_rbg* groups[] = {ui->rbg_EncoderCanal, ui->rbg_MotorLaufRichtung, ui->rbg_ScannerType,
                                ui->rbg_FastScanner, ui->rbg_KvMode};
    int32_t options = 0;
    for (int bit = 0; bit < 5; ++bit)
        options |= (groups[bit]->index() == 1 ? 1 : 0) << bit;
    rec.set_word(off_options, options);
}

bool c_dlgw_scannerfull::write_record()
{
    error_record err;
    if (!send_scanner_parameters(false, err))
        return false;
    const scanner_param_state& doc = g_scanner_params();
    const std::string suffix =
        connection_title_suffix(doc.source == 1, QFileInfo(doc.file_name).fileName().toStdString());
    window()->setWindowTitle(QString::fromLatin1(txt_label(173).c_str()) + QString::fromStdString(suffix));
    return true;
}

void c_dlgw_scannerfull::on_bn_Close_clicked() { emit sig_Return(); }

void c_dlgw_scannerfull::on_bn_ClearScanner_clicked()
{
    clearFlag_ = true;
    emit sig_Return();
}

void c_dlgw_scannerfull::on_bn_Save_clicked()
{
    scanner_param_state& doc = g_scanner_params();
    read_form(doc.user);
    if (doc.user == doc.device_copy)
        return;
    write_record();
}

c_dlg_srcauswahl* c_dlgw_scannerfull::source_dialog()
{
    if (g_objects().source_dialog)
        return g_objects().source_dialog;
    if (!ownSourceDialog_)
        ownSourceDialog_ = new c_dlg_srcauswahl(this);
    return ownSourceDialog_;
}

void c_dlgw_scannerfull::on_bn_SaveAs_clicked()
{
    scanner_param_state& doc = g_scanner_params();
    read_form(doc.user);
    const scanner_param_state backup = doc;
    shell_state& shell = g_shell();
    const int32_t mode = shell.window_mode;
    shell.source_save_mode = true;
    shell.window_mode = wm_scanner_files;
    c_dlg_srcauswahl* dialog = source_dialog();
    dialog->prepareFileDialog();
    const bool accepted = ui::current().run_modal(dialog) == QDialog::Accepted;
    shell.window_mode = mode;
    if (!accepted) {
        doc = backup;
        return;
    }
    // A document that was no file gets its file below cd_data, named after the record.
    if (backup.source != 2) {
        if (doc.title.isEmpty()) {
            show_error_code(28, err_severity_error, err_type_host, err_arg_none, 0);
            doc = backup;
            return;
        }
        doc.file_name = data_file(QStringLiteral("cd_data/")) + file_name_of(doc.title) + QStringLiteral(".sp");
    }
    write_record();
}

bool c_dlgw_scannerfull::confirm_return()
{
    scanner_param_state& doc = g_scanner_params();
    if (clearFlag_) {
        clearFlag_ = false;
        const int answer = ui::current().message(
            ui::box_kind::question, ui::title_confirm(),
            QStringLiteral("Sollen die  User-Scanner-Parameter im TVX wirklich geloescht werden?"),
            ui::yes | ui::no | ui::cancel);
        if (answer == ui::cancel)
            return false;
        if (answer == ui::no)
            return true;
        // Clearing erases the user set in the controller, whatever the document is: a file
        // document must not be overwritten by a clear.
        const int source = doc.source;
        doc.source = 1;
        error_record err;
        const bool cleared = send_scanner_parameters(true, err);
        doc.source = source;
        return cleared;
    }
    read_form(doc.user);
    g_host_context().change_flags() &= ~uint32_t{0x0A};
    if (doc.user == doc.device_copy)
        return true;
    const int answer = ui::current().message(ui::box_kind::question, ui::title_confirm(),
                                             QString::fromLatin1(txt_label(250).c_str()),
                                             ui::yes | ui::no | ui::cancel);
    if (answer == ui::no)
        return true;
    if (answer != ui::yes)
        return false;
    if (doc.user.name().isEmpty()) {
        ui::current().message(ui::box_kind::warning, ui::title_error(),
                              QStringLiteral("Das Feld \"Name\" muss programmiert werden (max 15 Zeichen)!"));
        return false;
    }
    error_record err;
    if (send_scanner_parameters(false, err))
        return true;
    doc.user = doc.device_copy;
    return false;
}
