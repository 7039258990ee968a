#include "stand_in/c_dlg_scanparausw.h"

c_dlg_scanparausw::c_dlg_scanparausw(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("c_dlg_scanparausw"));
}
