#include "app/c_dlg_language.h"

#include "core/files/konfig_cfg.h"
#include "ui_c_dlg_language.h"

c_dlg_language::c_dlg_language(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_language)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->rbg_Language->create_buttons(QStringList{QStringLiteral("English"), QStringLiteral("Deutsch")},
                                     Qt::Vertical);
}

c_dlg_language::~c_dlg_language() { delete ui; }

void c_dlg_language::select_current() { ui->rbg_Language->setIndex(g_konfig().language); }

void c_dlg_language::on_bn_Close_clicked()
{
    const int selected = ui->rbg_Language->index();
    if (selected != g_konfig().language) {
        g_konfig().language = selected;
        write_konfig_cfg();
    }
    accept();
}

void c_dlg_language::on_bn_Cancel_clicked() { reject(); }
