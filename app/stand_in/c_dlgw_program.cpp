#include "stand_in/c_dlgw_program.h"

#include "core/text/user_seam.h"
#include "scanner/c_dlg_scannerfinder.h"
#include "stand_in/stand_in_page.h"

c_dlgw_program::c_dlgw_program(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("c_dlgw_program"));
    stand_in_fill(this, QStringLiteral("Program"));
    scannerFinder_ = new c_dlg_scannerfinder(this);
}

void c_dlgw_program::on_bn_ScannerFinder_clicked()
{
    scannerFinder_->findForConfigured();
    ui::current().run_modal(scannerFinder_);
}
