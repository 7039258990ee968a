#include "stand_in/c_dlgw_manualx.h"

#include <QPushButton>

#include "app/shell_state.h"
#include "stand_in/c_dlg_plotter.h"
#include "stand_in/stand_in_page.h"

c_dlgw_manualx::c_dlgw_manualx(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("c_dlgw_manualx"));
    stand_in_fill(this, QStringLiteral("Manual Mode"));
    bnDiagnostic_ = new QPushButton(QStringLiteral("Diagnostic"), this);
    bnDiagnostic_->setObjectName(QStringLiteral("bn_Diagnostic"));
    bnDiagnostic_->hide();
}

void c_dlgw_manualx::init_from_device(c_frm_main*) {}

bool c_dlgw_manualx::hide_plotter()
{
    if (c_dlg_plotter* p = g_objects().plotter) {
        p->hide();
        p->reset_plots();
    }
    return true;
}
