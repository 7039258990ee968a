#include "widgets/c_dlg_progressbar.h"

#include "resources/resources_init.h"
#include "ui_c_dlg_progressbar.h"

c_dlg_progressbar::c_dlg_progressbar(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_progressbar)
{
    tarvix_resources_init();
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    ui->progressBar->setRange(0, 100);
}

c_dlg_progressbar::~c_dlg_progressbar() { delete ui; }

void c_dlg_progressbar::setValue(int value) { ui->progressBar->setValue(value); }

int c_dlg_progressbar::value() const { return ui->progressBar->value(); }

QProgressBar* c_dlg_progressbar::progressBar() const { return ui->progressBar; }

QLabel* c_dlg_progressbar::l_FileInfo() const { return ui->l_FileInfo; }
