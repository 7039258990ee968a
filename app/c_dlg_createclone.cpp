#include "app/c_dlg_createclone.h"

#include <QRegularExpressionValidator>

#include "ui_c_dlg_createclone.h"

c_dlg_createclone::c_dlg_createclone(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_createclone)
{
    ui->setupUi(this);
    // The comment becomes one line of the clone header, which must end before the header's
    // signature: printable ASCII only (no line break), at most 80 characters.
    ui->eb_Comment->setMaxLength(80);
    ui->eb_Comment->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x20-\\x7E]{0,80}")), ui->eb_Comment));
    connect(ui->bn_Yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui->bn_No, &QPushButton::clicked, this, &QDialog::reject);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
}

c_dlg_createclone::~c_dlg_createclone() { delete ui; }
