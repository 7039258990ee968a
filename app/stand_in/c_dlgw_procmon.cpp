#include "stand_in/c_dlgw_procmon.h"

#include "stand_in/stand_in_page.h"

c_dlgw_procmon::c_dlgw_procmon(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("c_dlgw_procmon"));
    stand_in_fill(this, QStringLiteral("Process Monitor"));
}

bool c_dlgw_procmon::openMonitor(c_frm_main*) { return false; }
