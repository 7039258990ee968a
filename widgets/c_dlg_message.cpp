#include "widgets/c_dlg_message.h"

#include "ui_c_dlg_message.h"

c_dlg_message::c_dlg_message(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_message)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

c_dlg_message::~c_dlg_message() { delete ui; }

QLabel* c_dlg_message::l_Message() const { return ui->l_Message; }
