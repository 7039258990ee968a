// The program window's slots of the advanced settings dialog and of the printout.
#include <QDebug>
#include <QPrinter>

#include "core/text/user_seam.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "program/c_dlgw_program.h"
#include "program/program_print.h"
#include "ui_c_dlg_advancedoptions.h"
#include "ui_c_dlgw_program.h"

void c_dlgw_program::on_bn_GS_AdvancedSettings_clicked()
{
    advancedOptions_->load();
    const int result = ui::current().run_modal(advancedOptions_);
    qDebug("dlg_advancedoptions return-value %d", result);
    // The rows mark tolerances by the scanning mode, which the dialog may have changed.
    ui->tbwx_FuncTab->refillRows(qMax(0, ui->tbwx_FuncTab->currentRow()));
}

void c_dlgw_program::on_bn_Print_clicked()
{
    QPrinter printer;
    if (!ui::current().choose_printer(printer))
        return;
    // The dialog's fields as the working image holds them, also when it was never opened.
    advancedOptions_->load();
    const QString settings = print_settings_text(*ui, *advancedOptions_->form(), current_print_context());
    print_program_texts(printer, settings, print_function_table_text(*ui->tbwx_FuncTab));
}
