#include "app/c_dlg_systeminfo.h"

#include "ui_c_dlg_systeminfo.h"

c_dlg_systeminfo::c_dlg_systeminfo(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_systeminfo)
{
    ui->setupUi(this);
}

c_dlg_systeminfo::~c_dlg_systeminfo() { delete ui; }
