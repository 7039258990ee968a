// The Support entry: the password dialog, the access levels and what they show, and the
// customer configurations that a name prepares.
#include <QAction>
#include <QDir>
#include <QPushButton>

#include "app/access_level.h"
#include "app/c_dlg_password.h"
#include "app/c_frm_main.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/file_helpers.h"
#include "core/files/parameter_files.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "manual/c_dlgw_manualx.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "ui_c_dlg_password.h"
#include "ui_c_frm_main.h"
#include "widgets/c_qtabwidget_ext.h"

// The maker's article numbers of the two customer configurations.
const customer_config_record customer_configs[2] = {
    {5206252, "5207101", "WUPT"},
    {5206254, "5207102", "PRUF_QMX"},
};

namespace {

constexpr int custom_settings_tab = 11;

// Shows or hides the "Custom Settings" tab of the program page's settings.
void show_custom_settings(QWidget* program_page, bool show)
{
    if (auto* tabs = program_page->findChild<c_qtabwidget_ext*>(QStringLiteral("tab_Settings")))
        tabs->set_tab_visible(custom_settings_tab, show);
}

void host_error(int code) { show_error_code(int16_t(code), err_severity_error, err_type_host, err_arg_none, 0); }
QString message(int n) { return QString::fromLatin1(txt_message(n).c_str()); }

}  // namespace

int16_t ask_access_level(const QString& code1, const QString& code2)
{
    c_dlg_password dialog(nullptr);
    if (ui::current().run_modal(&dialog) != QDialog::Accepted)
        return access_cancelled;
    g_customer_config().pending = false;
    const QString entry = dialog.form()->eb_Password->text();
    if (entry == code1)
        return access_level1;
    if (entry == code2)
        return access_level2;
    return custom_config_unlock(entry) ? access_customer : access_wrong;
}

bool custom_config_unlock(const QString& entry)
{
    customer_config_state& c = g_customer_config();
    c.pending = false;
    const device_info_state& d = g_device_info();
    const long article = QByteArray(d.cu_article_text.c_str()).toLong();

    const QByteArray typed = entry.toUtf8();
    const customer_config_record* named = nullptr;
    for (const customer_config_record& r : customer_configs)
        if (typed == r.name) {
            named = &r;
            break;
        }
    if (!named)
        return false;

    if (ui::question(message(89), ui::yes | ui::no | ui::cancel) != ui::yes || !d.valid)
        return true;

    const customer_config_record* meant = nullptr;
    for (const customer_config_record& r : customer_configs)
        if (r.device_article == article) {
            meant = &r;
            break;
        }
    if (meant) {
        if (typed != meant->name) {
            host_error(58);
            return true;
        }
    } else {
        for (const customer_config_record& r : customer_configs)
            if (QByteArray(r.customer_article).toLong() == d.configuration_number) {
                ui::information(message(88));
                return true;
            }
        host_error(60);
        return true;
    }

    QString base;
    if (!find_newest_file(app_file(QStringLiteral("tvx_config")), QLatin1String(meant->customer_article) + QStringLiteral("*.bin"),
                          base)) {
        host_error(42);
        return true;
    }
    c.path = QStringLiteral("./tvx_Config/%1.bin").arg(base);
    c.name = QString::fromLatin1(meant->name);
    c.pending = true;
    ui::current().message(ui::box_kind::question, ui::title_information(),
                          QString::fromLatin1(txt_message(87).c_str()).replace(QStringLiteral("%s"), c.path), ui::ok);
    return true;
}

void c_frm_main::on_ac_Support_triggered()
{
    program_page_state& p = g_program_page();
    if (p.access_level != 0) {
        p.access_level = 0;
        manualPage_->bn_Diagnostic()->hide();
        show_custom_settings(programPage_, false);
        ui->ac_Support->setChecked(false);
        return;
    }
    switch (ask_access_level(QLatin1String(access_code_level1), QLatin1String(access_code_level2))) {
    case access_level1:
        ui::information(QString::fromLatin1(txt_label(351).c_str()));
        ui->ac_Support->setChecked(true);
        manualPage_->bn_Diagnostic()->show();
        p.access_level = 1;
        return;
    case access_level2:
        ui::information(QString::fromLatin1(txt_label(500).c_str()));
        ui->ac_Support->setChecked(true);
        show_custom_settings(programPage_, true);
        p.access_level = 2;
        return;
    case access_wrong:
        host_error(26);
        break;
    default:
        break;
    }
    ui->ac_Support->setChecked(false);
}
