#include "scanner/c_dlg_scanparausw.h"

#include <QFileDialog>
#include <QFileInfo>

#include "core/device/device_calls.h"
#include "core/files/app_dirs.h"
#include "core/files/file_paths.h"
#include "core/files/parameter_files.h"
#include "core/files/scanner_lists.h"
#include "core/files/scanner_params.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "ui_c_dlg_scanparausw.h"

c_dlg_scanparausw::c_dlg_scanparausw(QWidget* parent) : QDialog(parent), ui(new Ui::c_dlg_scanparausw)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    fileDialog_ = new QFileDialog(this, tr("Load scanner parameter ..."));
    fileDialog_->setObjectName(QStringLiteral("fd_ScannerParameter"));
    fileDialog_->setOption(QFileDialog::DontUseNativeDialog);
    connect(ui->bn_Scanner1, &QPushButton::clicked, this, &c_dlg_scanparausw::on_bn_Scanner0_clicked);
    connect(ui->bn_ClrScanner1, &QPushButton::clicked, this, &c_dlg_scanparausw::on_bn_ClrScanner0_clicked);
}

c_dlg_scanparausw::~c_dlg_scanparausw() { delete ui; }

void c_dlg_scanparausw::prepare()
{
    fileDialog_->setDefaultSuffix(QStringLiteral("sp"));
    fileDialog_->setDirectory(data_file(QStringLiteral("cd_data")));
    fileDialog_->setNameFilter(QStringLiteral("TVX Scanner Parameter (*.sp)"));
    fileDialog_->setFileMode(QFileDialog::ExistingFile);
    fileDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    ui->l_User_0->setText(g_scanner_lists().user_set_names[0]);
    ui->l_User_1->setText(g_scanner_lists().user_set_names[1]);
}

void c_dlg_scanparausw::on_bn_Cancel_clicked() { reject(); }

void c_dlg_scanparausw::on_bn_Scanner0_clicked()
{
    const int set = sender() == ui->bn_Scanner1 ? 1 : 0;
    bool chosen = false;
    if (ui::current().run_modal(fileDialog_) == QDialog::Accepted) {
        const QStringList files = fileDialog_->selectedFiles();
        if (!files.isEmpty()) {
            g_scanner_params().file_name = files.first();
            g_scanner_params().source = 2;
            g_scanner_params().user_set = set;
            chosen = true;
        }
    }
    done(chosen ? QDialog::Accepted : QDialog::Rejected);
}

void c_dlg_scanparausw::on_bn_ClrScanner0_clicked()
{
    const int set = sender() == ui->bn_ClrScanner1 ? 1 : 0;
    const int answer = ui::current().message(ui::box_kind::question, ui::title_information(),
                                             QString::fromLatin1(txt_label(186).c_str()), ui::yes | ui::no);
    if (answer == ui::yes) {
        g_scanner_params().source = 1;
        g_scanner_params().user_set = set;
    }
    done(answer == ui::yes ? QDialog::Accepted : QDialog::Rejected);
}

void run_user_scanner_set_command(c_dlg_scanparausw& dialog)
{
    error_record err;
    if (!rebuild_scanner_lists(nullptr, nullptr, err)) {
        if (err.failed())
            g_host_context().show_error(err);
        return;
    }
    scanner_param_state& doc = g_scanner_params();
    doc.source = 0;
    doc.user_set = 0;
    dialog.prepare();
    ui::current().run_modal(&dialog);
    if (doc.source == 2) {
        const QFileInfo file(resolve_path(doc.file_name));
        if (!file.isFile()) {
            show_error_code(38, err_severity_error, err_type_host, err_arg_none, 0);
            return;
        }
        doc.title = file.completeBaseName();
        // A file that is no scanner record is never sent.
        int code = 0;
        if (!check_configuration_file_size(code))
            return;
        doc.source = 1;
        send_scanner_parameters(false, err);
    } else if (doc.source == 1) {
        send_scanner_parameters(true, err);
    }
}
