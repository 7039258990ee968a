#include "app/c_dlg_language.h"

#include "app/konfig_access.h"
#include "ui_c_dlg_language.h"

c_dlg_language::c_dlg_language(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_language)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->rbg_Language->create_buttons(QStringList{QStringLiteral("English"), QStringLiteral("Deutsch")},
                                     Qt::Vertical);
}

c_dlg_language::~c_dlg_language() { delete ui; }

void c_dlg_language::select_current() { ui->rbg_Language->setIndex(konfig_language()); }

void c_dlg_language::on_bn_Close_clicked()
{
    const int selected = ui->rbg_Language->index();
    if (selected != konfig_language())
        konfig_set_language(selected);
    accept();
}

void c_dlg_language::on_bn_Cancel_clicked() { reject(); }
