// The main window's side of the downloader runner: the output pane in place of the start
// picture while flashcli runs, the receive gate held meanwhile, and the outcome as a
// success or an error text with the question whether to run the line again.
#include <QEventLoop>
#include <QGraphicsView>
#include <QLayout>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "app/c_frm_main.h"
#include "app/c_sndhex.h"
#include "core/device/device_commands.h"
#include "core/link/hid_link.h"
#include "core/text/safe_format.h"
#include "core/text/text_tables.h"
#include "core/text/user_seam.h"
#include "state/shell_state.h"
#include "ui_c_frm_main.h"

namespace {

// The text of a failed run, by run state.
QString failure_text(int32_t run_state, int32_t exit_code, const QString& error_text)
{
    switch (run_state) {
    case sndhex_ok:
        return QString::fromLatin1(safe_format(txt_error(1, 16).value_or(""), {exit_code}).c_str());
    case sndhex_not_started:
        return QStringLiteral("Host: Update-Utility flashcli.exe could not be started!\n") + error_text;
    default:
        return QString::fromLatin1(
            safe_format(txt_error(1, 49).value_or(""), {error_text.toUtf8().toStdString()}).c_str());
    }
}

// Waits for the runner's thread to end while the window repaints and the queued output
// arrives; clicks and keys wait until the run is over.
void wait_for_runner(c_sndhex& runner)
{
    // flashcli owns the link while it runs: the output pane repaints, the link timer stays off.
    exchange_busy_guard busy;
    QEventLoop loop;
    QObject::connect(&runner, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    if (!runner.isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    runner.wait();
}

}  // namespace

bool c_frm_main::run_flashcli(const QByteArray& command, bool retry)
{
    shell_objects& o = g_objects();
    QLayout* layout = ui->page_Main->layout();
    QPlainTextEdit* pane = o.output_pane;
    const bool picture_shown = ui->graphicsView->isVisibleTo(ui->page_Main);
    bool failed = false;
    for (;;) {
        failed = false;
        layout->removeWidget(ui->graphicsView);
        ui->graphicsView->hide();
        pane->clear();
        // A retry finds the pane in the layout already; it is placed there once.
        layout->removeWidget(pane);
        layout->addWidget(pane);
        pane->show();
        dev_event_pass();

        o.runner->set_command(QString::fromUtf8(command));
        // flashcli owns the USB link until it ends; the receive thread stays off it.
        hid_gate_reset();
        o.runner->start();
        wait_for_runner(*o.runner);
        hid_gate_set();
        // What came after the last notification, before the pane goes.
        on_sndHexOutput();

        int32_t run_state = 0;
        int32_t exit_code = 0;
        QString error_text;
        if (o.runner->get_result(run_state, exit_code, error_text))
            break;
        failed = true;
        if (!retry)
            break;
        const int answer = ::ui::current().message(::ui::box_kind::critical, ::ui::title_error(),
                                                   failure_text(run_state, exit_code, error_text),
                                                   ::ui::yes | ::ui::no, ::ui::no_button);
        if (answer != ::ui::yes)
            break;
    }
    layout->removeWidget(pane);
    pane->hide();
    layout->addWidget(ui->graphicsView);
    ui->graphicsView->setVisible(picture_shown);
    return !failed;
}

void c_frm_main::on_sndHexOutput()
{
    QPlainTextEdit* pane = g_objects().output_pane;
    if (!g_objects().runner || !pane)
        return;
    for (const QByteArray& chunk : g_objects().runner->take_output()) {
        // A chunk is text up to its first zero byte.
        const int end = chunk.indexOf('\0');
        QTextCursor cursor = pane->textCursor();
        cursor.insertText(QString::fromUtf8(end < 0 ? chunk : chunk.left(end)));
        pane->setTextCursor(cursor);
    }
}
