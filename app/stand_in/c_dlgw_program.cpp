#include "stand_in/c_dlgw_program.h"

#include "stand_in/stand_in_page.h"

c_dlgw_program::c_dlgw_program(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("c_dlgw_program"));
    stand_in_fill(this, QStringLiteral("Program"));
}
