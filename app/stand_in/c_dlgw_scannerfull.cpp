#include "stand_in/c_dlgw_scannerfull.h"

#include "stand_in/stand_in_page.h"

c_dlgw_scannerfull::c_dlgw_scannerfull(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("c_dlgw_scannerfull"));
    stand_in_fill(this, QStringLiteral("Scanner Parameters"));
}
