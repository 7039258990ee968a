#include "page_common/c_dlg_srcauswahl.h"

#include <QFileDialog>

#include "core/files/app_dirs.h"
#include "core/files/scanner_params.h"
#include "core/image/core_state.h"
#include "core/text/user_seam.h"
#include "state/shell_state.h"
#include "ui_c_dlg_srcauswahl.h"

c_dlg_srcauswahl::c_dlg_srcauswahl(QWidget* parent)
    : QDialog(parent), ui(new Ui::c_dlg_srcauswahl)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    ui->rbg_UP_Nr->create_buttons(QStringList{QStringLiteral("0"), QStringLiteral("1")}, Qt::Horizontal);
    ui->rbg_UP_Nr->hide();
}

QFileDialog* c_dlg_srcauswahl::file_dialog(bool save) const
{
    QFileDialog*& d = save ? saveDialog_ : loadDialog_;
    if (!d) {
        auto* self = const_cast<c_dlg_srcauswahl*>(this);
        d = new QFileDialog(self, save ? QStringLiteral("Save Data to ...") : QStringLiteral("Load Data from ..."));
        d->setObjectName(save ? QStringLiteral("fd_Save") : QStringLiteral("fd_Load"));
        d->setOption(QFileDialog::DontUseNativeDialog);
    }
    return d;
}

c_dlg_srcauswahl::~c_dlg_srcauswahl() { delete ui; }

void c_dlg_srcauswahl::prepareFileDialog()
{
    g_program_document().chosen = 0;
    ui->rbg_UP_Nr->hide();
    const bool save = g_shell().source_save_mode;
    setWindowTitle(save ? QStringLiteral("Save Data to ...") : QStringLiteral("Load Data from ..."));
    QFileDialog* d = file_dialog(save);
    d->setDirectory(data_file(QStringLiteral("cd_data")));
    if (g_shell().window_mode == wm_scanner_files) {
        // Scanner parameters: the answer goes to the scanner document, which travels to
        // one of the two user sets.
        d->setNameFilter(QStringLiteral("TVX Scanner Parameter (*.SP)"));
        d->setDefaultSuffix(QStringLiteral("sp"));
        ui->rbg_UP_Nr->setIndex(g_scanner_params().user_set == 1 ? 1 : 0);
        ui->rbg_UP_Nr->show();
    } else {
        d->setNameFilter(QStringLiteral("TVX Files (*.CDX)"));
        d->setDefaultSuffix(QStringLiteral("cdx"));
    }
}

void c_dlg_srcauswahl::on_bn_Tarvix_clicked()
{
    if (g_shell().window_mode == wm_scanner_files) {
        g_scanner_params().source = 1;
        g_scanner_params().file_name.clear();
        g_scanner_params().user_set = ui->rbg_UP_Nr->index() == 1 ? 1 : 0;
        accept();
        return;
    }
    program_document& doc = g_program_document();
    doc.source = 1;
    doc.file_name.clear();
    doc.second_file_name.clear();
    doc.user_set = ui->rbg_UP_Nr->index();
    doc.chosen = 1;
    finish();
}

void c_dlg_srcauswahl::on_bn_File_clicked()
{
    program_document& doc = g_program_document();
    if (g_shell().source_save_mode && g_shell().window_mode == wm_scanner_files) {
        // The scanner page names the file itself.
        g_scanner_params().source = 2;
        accept();
        return;
    }
    QFileDialog* d;
    if (g_shell().source_save_mode) {
        d = file_dialog(true);
        d->setAcceptMode(QFileDialog::AcceptSave);
        d->setFileMode(QFileDialog::AnyFile);
        if (doc.file_name == QLatin1String("NEWFILE")) {
            d->selectFile(QString());
            d->setOption(QFileDialog::DontConfirmOverwrite, false);
        } else {
            const bool second = g_device().pm_capable && doc.source == 1 && !doc.second_file_name.isEmpty();
            d->selectFile(second ? doc.second_file_name : doc.file_name);
            d->setOption(QFileDialog::DontConfirmOverwrite, true);
        }
    } else {
        d = file_dialog(false);
        d->setAcceptMode(QFileDialog::AcceptOpen);
        d->setFileMode(QFileDialog::ExistingFile);
    }
    doc.chosen = ::ui::current().run_modal(d) == QDialog::Accepted ? 1 : 0;
    if (doc.chosen) {
        const QStringList files = d->selectedFiles();
        if (files.isEmpty()) {
            doc.chosen = 0;
        } else {
            doc.file_name = files.first();
            doc.source = 2;
        }
    }
    finish();
}

void c_dlg_srcauswahl::on_bn_Cancel_clicked() { reject(); }

void c_dlg_srcauswahl::finish()
{
    if (g_program_document().chosen)
        accept();
    else
        reject();
}
