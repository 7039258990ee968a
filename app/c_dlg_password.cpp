#include "app/c_dlg_password.h"

#include "ui_c_dlg_password.h"

c_dlg_password::c_dlg_password(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_password)
{
    ui->setupUi(this);
    ui->eb_Password->setEchoMode(QLineEdit::Password);
    connect(ui->bn_Ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->bn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

c_dlg_password::~c_dlg_password() { delete ui; }
