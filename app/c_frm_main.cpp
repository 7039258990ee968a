#include "app/c_frm_main.h"

#include <QCloseEvent>
#include <QDebug>
#include <QLabel>
#include <QPushButton>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include "app/c_dlg_language.h"
#include "app/c_dlg_systeminfo.h"
#include "app/c_sndhex.h"
#include "app/host_version.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_calls.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/device/link_timer.h"
#include "core/files/app_dirs.h"
#include "core/files/konfig_cfg.h"
#include "core/files/scanner_lists.h"
#include "core/image/core_state.h"
#include "core/link/c_thrrcv.h"
#include "core/protocol/device_frame.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "core/transfer/config_transfer.h"
#include "manual/c_dlgw_manualx.h"
#include "manual/manual_state.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "page_common/scanner_finder_file.h"
#include "procmon/windows/c_dlgw_procmon.h"
#include "program/c_dlgw_program.h"
#include "resources/resources_init.h"
#include "scanner/c_dlg_scanparausw.h"
#include "scanner/c_dlgw_scannerfull.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "ui_c_dlg_systeminfo.h"
#include "ui_c_frm_main.h"
#include "widgets/c_dlg_message.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/c_qtableview_functab.h"

namespace {

// The message box stays up until the link timer sees the controller answer after its reset.
void show_reset_message()
{
    c_dlg_message* m = g_objects().message_dialog;
    if (!m)
        return;
    m->l_Message()->setText(QString::fromLatin1(txt_message(29).c_str()));
    m->show();
}

constexpr int link_timer_interval_ms = 800;
const Qt::WindowFlags fixed_box_flags = Qt::Window | Qt::WindowTitleHint | Qt::CustomizeWindowHint;

}  // namespace

// Outside any namespace, as Qt's macro requires; the library is static, so its pictures
// are registered by hand.
static void init_shell_resources() { Q_INIT_RESOURCE(app_resources); }

c_frm_main::c_frm_main(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::c_frm_main)
{
    init_shell_resources();
    tarvix_resources_init();
    g_objects().main_window = this;
    ui->setupUi(this);

    read_scanner_list();
    // The pages ask where the open document comes from.
    g_host_context().data_source = [] { return int(g_program_document().source); };
    // The reset after a write's reboot question: the message until the controller is back,
    // as after Reset.
    g_host_context().reset_message = [] { await_reset(); };

    programPage_ = new c_dlgw_program(this);
    manualPage_ = new c_dlgw_manualx(this);
    scannerPage_ = new c_dlgw_scannerfull(this);
    procmonPage_ = new c_dlgw_procmon(this);
    ui->stackedWidget->addWidget(programPage_);
    ui->stackedWidget->addWidget(manualPage_);
    ui->stackedWidget->addWidget(scannerPage_);
    ui->stackedWidget->addWidget(procmonPage_);
    ui->stackedWidget->setCurrentIndex(page_start);

    create_long_lived_dialogs();

    connect(programPage_, &c_dlgw_program::sig_Return, this, &c_frm_main::on_sig_Return);
    connect(procmonPage_, &c_dlgw_procmon::sig_Return, this, &c_frm_main::on_sig_Return);
    connect(scannerPage_, &c_dlgw_scannerfull::sig_Return, this, &c_frm_main::on_sig_Return);
    connect(this, &c_frm_main::sig_CloseRequest, this, &c_frm_main::on_sig_CloseRequest);

    finish_start_up(arguments);
}

// The program never destroys its window; tests do, and then take everything the window made
// without a parent with it.
c_frm_main::~c_frm_main()
{
    g_dev_commands().link_timer_run = nullptr;
    link_status_reply_hook() = nullptr;
    c_dlg_plotter::set_page_views(wm_program, nullptr);
    shell_objects& o = g_objects();
    if (o.main_window == this) {
        delete o.progress_dialog;
        delete o.plotter;
        delete o.output_pane;
        delete o.spare_process;
        delete o.runner;
        delete o.message_dialog;
        o.reset();
    }
    delete waitingBox_;
    delete receiveThread_;
    delete ui;
}

void c_frm_main::create_long_lived_dialogs()
{
    shell_objects& o = g_objects();
    o.source_dialog = new c_dlg_srcauswahl(this);
    o.scanner_selection = new c_dlg_scanparausw(this);
    o.progress_dialog = new c_dlg_progressbar(nullptr);
    o.progress_dialog->setWindowFlags(fixed_box_flags);
    o.progress_dialog->l_FileInfo()->hide();
    o.plotter = new c_dlg_plotter(nullptr);
    // The program page's Refresh Plotter takes the tools of its PM Tools view.
    c_dlg_plotter::set_page_views(wm_program,
                                  [] { return c_dlg_plotter::page_views{program_tool_view(), nullptr}; });
    // The downloader runner joins here with the update flows; its output arrives in
    // on_sndHexOutput().
    o.output_pane = new QPlainTextEdit(nullptr);
    o.output_pane->setFixedSize(800, 600);
    o.output_pane->hide();
    o.spare_process = new QProcess(nullptr);
    o.runner = new c_sndhex(nullptr);
    connect(o.runner, &c_sndhex::sndHexOutput, this, &c_frm_main::on_sndHexOutput);
    o.message_dialog = new c_dlg_message(nullptr);
    o.message_dialog->setWindowTitle(QStringLiteral("Information"));
    o.message_dialog->setWindowFlags(fixed_box_flags);
    // A message still shown does not keep the program running once its window has closed.
    o.message_dialog->setAttribute(Qt::WA_QuitOnClose, false);
}

void c_frm_main::finish_start_up(const QStringList& arguments)
{
    build_status_panel();
    ui->stackedWidget->setCurrentIndex(page_start);
    qDebug("AktuellerPfad: %s", g_dirs().app_dir_c);
    setWindowTitle(QStringLiteral("Tarvix"));

    // The host state joins here with the link timer; the device data is not usable until a
    // controller has answered.
    ui->menu_Tarvix->setEnabled(false);
    read_konfig_cfg();

    ui->ac_Scanner->setEnabled(false);
    ui->ac_ClearEEPROM->setVisible(false);

    receiveThread_ = new c_thrrcv(nullptr);

    clear_status_panel();

    linkTimer_ = new QTimer(this);
    connect(linkTimer_, &QTimer::timeout, this, &c_frm_main::on_Timer_timeout);
    // Block transfers stop the timer around their requests and start it again.
    g_dev_commands().link_timer_run = [this](bool run) {
        if (run)
            linkTimer_->start();
        else
            linkTimer_->stop();
    };
    // The pages that cycle on status replies (manual mode page, plotter) run from the link step.
    link_status_reply_hook() = [this](const device_frame& status) { manual_page_cycles(status); };
    // Started by start_link() once the program may run: a refused second instance must not
    // reach the controller while its warning is shown.
    linkTimer_->setInterval(link_timer_interval_ms);
    ledTimer_.invalidate();

    if (arguments.size() > 1) {
        g_shell().clone_file = arguments.at(1);
        g_shell().waiting_state = 1;
        menuBar()->hide();
        statusBar()->hide();
        ui->graphicsView->hide();
    }

    ui->ac_Tests->setVisible(false);
    ui->ac_ProcessMonitor->setVisible(false);
}

void c_frm_main::start_link()
{
    linkTimer_->start(link_timer_interval_ms);
}

void c_frm_main::stop_link()
{
    linkTimer_->stop();
    if (receiveThread_)
        receiveThread_->stop_and_wait();
}

void c_frm_main::enter_page(int index, const QString& title)
{
    menuBar()->hide();
    setWindowTitle(title);
    ui->stackedWidget->setCurrentIndex(index);
}

void c_frm_main::return_to_start()
{
    switch (ui->stackedWidget->currentIndex()) {
    case page_start:
        return;
    case page_program:
        if (!programPage_->close_request())
            return;
        break;
    case page_manual:
        manualPage_->hide_plotter();
        bn_STB_KO_ResetF->hide();
        break;
    case page_scanner:
        if (!scannerPage_->confirm_return())
            return;
        break;
    default:
        break;
    }
    ui->stackedWidget->setCurrentIndex(page_start);
    menuBar()->show();
    setWindowTitle(QStringLiteral("Tarvix"));
    g_shell().window_mode = wm_start;
}

void c_frm_main::closeEvent(QCloseEvent* event)
{
    if (ui->stackedWidget->currentIndex() == page_start) {
        event->accept();
        return;
    }
    event->ignore();
    return_to_start();
}

void c_frm_main::waiting_mode_step(bool status_decoded)
{
    shell_state& s = g_shell();
    if (s.waiting_state == 1) {
        delete waitingBox_;
        waitingBox_ = new QMessageBox(nullptr);
        waitingBox_->setText(QString::fromLatin1(txt_message(81).c_str()));
        waitingBox_->setWindowTitle(QStringLiteral("Information"));
        waitingBox_->setModal(false);
        waitingBox_->setWindowFlags(Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
        waitingBox_->setStandardButtons(QMessageBox::Cancel);
        waitingBox_->show();
        s.waiting_state = 2;
    } else if (s.waiting_state == 2) {
        if (!waitingBox_ || !waitingBox_->isVisible()) {
            s.waiting_state = 10;
            emit sig_CloseRequest();
        } else if (status_decoded) {
            waitingBox_->close();
            // Marked before programming: its boxes run event loops in which ticks go on, and
            // a tick that saw state 2 with the box closed would end the program midway.
            s.waiting_state = 3;
            on_ac_ProgramClone_triggered();
        }
    }
}

// --- menu commands: the device and file commands join with the link timer and the loaders ---

void c_frm_main::on_ac_Scanner_triggered() { run_user_scanner_set_command(*g_objects().scanner_selection); }

void c_frm_main::on_ac_ProcessMonitor_triggered()
{
    if (!procmonPage_->openMonitor(this))
        return;
    enter_page(page_procmon, tr("Process Monitor") + tr(" / ") + tr("SdCard"));
}

void c_frm_main::on_ac_Quit_triggered() { close(); }
void c_frm_main::on_ac_ManualMode_triggered()
{
    // 1. The configuration and the scanner lists from the controller; a failure leaves the
    // start page as it was. The loaders say their own errors.
    g_program_document().source = 1;
    error_record e;
    if (!read_configuration_from_device(e))
        return;  // the read has shown why
    if (!rebuild_scanner_lists(nullptr, nullptr, e)) {
        if (e.failed())
            show_error_record(e);
        return;
    }
    // 2. Window mode 3 with fresh function caches; "Clear KO" shown, not red.
    g_shell().window_mode = wm_manual;
    g_device_info().self_check_available = false;
    g_manual_panel().clear_caches();
    g_status().ko_marked = false;
    bn_STB_KO_ResetF->setStyleSheet(QString());
    bn_STB_KO_ResetF->show();
    menuBar()->hide();
    // 3. The page takes over the configuration; the next status reply redraws everything.
    manualPage_->init_from_device(this);
    ui->stackedWidget->setCurrentIndex(page_manual);
    g_device().change_flags &= ~uint32_t(compat_host_too_old | compat_fw_too_old);
    g_device().status_full_refresh = true;
}
namespace {

// The reset command frames: factory defaults (sub-command 1) and reboot (3).
}  // namespace

void c_frm_main::send_reset(uint8_t sub)
{
    device_frame f = device_frame::make(device_protocol::req_command, device_protocol::count_command);
    f[device_protocol::command_offset] = device_protocol::cmd_reset;
    f[device_protocol::command_offset + 1] = sub;
    queue_set_single(f);
    await_reset();
}

void c_frm_main::await_reset()
{
    g_link().reboot_state = reboot_waiting;
    show_reset_message();
}

bool c_frm_main::link_idle_or_said()
{
    error_record busy;
    if (dev_wait_idle_or_error(busy))
        return true;
    show_error_record(busy);
    return false;
}

void c_frm_main::on_ac_FactoryDefaults_triggered()
{
    if (::ui::current().message(::ui::box_kind::warning, ::ui::title_warning(),
                                QString::fromLatin1(txt_message(12).c_str()), ::ui::yes | ::ui::cancel,
                                ::ui::no_button) != ::ui::yes)
        return;
    send_reset(1);
    g_link().factory_reset_count = 2;
}

void c_frm_main::on_ac_Reset_triggered()
{
    if (::ui::question(QString::fromLatin1(txt_message(74).c_str()), ::ui::yes | ::ui::no) != ::ui::yes)
        return;
    send_reset(3);
}

void c_frm_main::on_ac_Language_triggered()
{
    // Made anew for each use and never given a parent, so it is deleted here.
    c_dlg_language dialog(nullptr);
    dialog.select_current();
    ::ui::current().run_modal(&dialog);
}

void c_frm_main::on_ac_Help_triggered()
{
    // Only German has a help file of its own; the other languages read the English one.
    const int language = g_konfig().language;
    const QString file = language == 1 ? QStringLiteral("TarvixManualHelpDt.chm") : QStringLiteral("TarvixManualHelpEn.chm");
    const QString documents = g_app_dirs().application + QStringLiteral("/documents");
    // The viewer starts in the documents folder; without it there is nothing to show.
    if (!QFileInfo(documents).isDir()) {
        qWarning("Help: the folder %s does not exist, so the help viewer is not started", qPrintable(documents));
        return;
    }
    // The viewer runs on by itself: its output goes nowhere and its end is not awaited; a
    // viewer that does not start is not reported. While a viewer started before is still
    // open, the next one gets a process of its own that goes when it ends.
    QProcess* p = g_objects().spare_process;
    if (p->state() != QProcess::NotRunning) {
        p = new QProcess(g_objects().spare_process);
        connect(p, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), p, &QObject::deleteLater);
        connect(p, &QProcess::errorOccurred, p, [p](QProcess::ProcessError e) {
            if (e == QProcess::FailedToStart)
                p->deleteLater();
        });
    }
    p->setWorkingDirectory(documents);
    p->setStandardOutputFile(QProcess::nullDevice());
    p->setStandardErrorFile(QProcess::nullDevice());
    p->start(QStringLiteral("hh.exe"), {documents + QStringLiteral("/") + file});
}

void c_frm_main::on_ac_SystemInfo_triggered()
{
    // Made for one showing without a parent, so it is deleted on return.
    c_dlg_systeminfo dialog(nullptr);
    dialog.setWindowFlags(Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint);
    if (!link_idle_or_said())
        return;
    fill_system_info(dialog);
    ::ui::current().run_modal(&dialog);
}

void c_frm_main::fill_system_info(c_dlg_systeminfo& dialog)
{
    Ui::c_dlg_systeminfo* f = dialog.form();
    device_info_state& d = g_device_info();
    error_record e;
    if (dev_read_system_info(e))
        d.valid = true;
    auto text = [](const std::string& s) { return QString::fromLatin1(s.c_str()); };
    if (d.valid) {
        f->L_FirmSoftwareVersion->setText(QString::asprintf("%d.%02d.%02d.%03d", d.firmware.major, d.firmware.minor,
                                                            d.firmware.patch, d.firmware.build));
        f->L_FirmLoaderVersion->setText(
            QString::asprintf("%d.%02d.%02d", d.loader.major, d.loader.minor, d.loader.patch));
        f->L_TVX_ArticleNr->setText(QStringLiteral("%1 / %2 / %3 / L%4.%5")
                                        .arg(text(d.cu_article_text), text(d.cu_serial_text), text(d.io_module_text))
                                        .arg(d.logic_major)
                                        .arg(int(d.logic_minor) * 10, 2, 10, QLatin1Char('0')));
        f->L_Configuration->setText(QString::asprintf("%07d.%03d", d.configuration_number, d.configuration_index) +
                                    text(d.hw_config_suffix));
        f->L_Scanner_ArticleNr->setText(
            QStringLiteral("%1 / %2 ").arg(text(d.scanner_article_text), text(d.scanner_serial_text)));
    } else {
        f->L_FirmSoftwareVersion->clear();
        f->L_FirmLoaderVersion->clear();
        f->L_TVX_ArticleNr->clear();
        f->L_Scanner_ArticleNr->clear();
    }
    f->L_IO_Module->setText(g_status().output_state_text);
    uint8_t block[device_protocol::info_block_size] = {};
    if (dev_query_info(device_protocol::info_control_unit, block, e)) {
        // Byte 17 of the block; the controller's text need not end in a zero within it.
        constexpr size_t family_text = 17;
        const char* p = reinterpret_cast<const char*>(block + family_text);
        f->L_TVX_Family->setText(QString::fromLatin1(p, int(qstrnlen(p, sizeof block - family_text))));
    } else {
        f->L_TVX_Family->setText(QStringLiteral("----------"));
    }
    if (d.valid && d.profinet_present)
        f->L_TPS1_Version->setText(QStringLiteral("%1%2.%3.%4.%5")
                                       .arg(QChar::fromLatin1(d.profinet_letter))
                                       .arg(d.profinet_version[0])
                                       .arg(d.profinet_version[1])
                                       .arg(d.profinet_version[2])
                                       .arg(d.profinet_version[3]));
    else
        f->L_TPS1_Version->setText(QStringLiteral("----------"));
}

void c_frm_main::on_ac_About_triggered()
{
    const QString text = QStringLiteral(
                             "<p><b><font size=\"+2\">%1</font></b></p>"
                             "<p>Version:  %2<br>Date:  %3<br>Scanner-Finder: %4</p>"
                             "<p>Configuration and firmware updates for Tarvix tool-monitoring controllers.</p>")
                             .arg(QStringLiteral("System Setup Tarvix"), QLatin1String(host_version_text),
                                  QLatin1String(host_version_date), scanner_finder_version().toHtmlEscaped());
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("Info"));
    box.setTextFormat(Qt::RichText);
    box.setText(text);
    box.setIconPixmap(windowIcon().pixmap(64, 64));
    box.setStandardButtons(QMessageBox::Ok);
    ::ui::current().run_modal(&box);
}

void c_frm_main::on_ac_Tests_triggered() {}


void c_frm_main::on_sig_CloseRequest() { close(); }
void c_frm_main::on_sig_Return() { return_to_start(); }
