#include "widgets/qt_services.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>

#include "core/device/device_commands.h"
#include "widgets/c_dlg_progressbar.h"

namespace ui {

namespace {

// A box or dialog shown while the progress dialog is up belongs to a transfer that is still
// running (a warning with Ignore and Cancel, a failed piece): its event loop keeps the link
// timer off the link as the transfer's own passes do, so that the transfer's next request
// meets no status request of the timer.
class transfer_box {
public:
    explicit transfer_box(const QPointer<c_dlg_progressbar>& progress) : busy_(progress && progress->isVisible()) {}

private:
    exchange_busy_guard busy_;
};

}  // namespace

qt_services::qt_services() = default;

qt_services::~qt_services()
{
    // Services kept in a static outlive the application object; a widget must not.
    if (QApplication::instance()) {
        delete ownProgress_;
        delete busy_;
    }
}

void qt_services::set_progress_dialog(c_dlg_progressbar* dialog) { progress_ = dialog; }

c_dlg_progressbar* qt_services::progress_dialog()
{
    if (!progress_) {
        ownProgress_ = new c_dlg_progressbar;
        progress_ = ownProgress_;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, ownProgress_, [d = ownProgress_] { delete d; });
    }
    return progress_;
}

int qt_services::message(box_kind kind, const QString& title, const QString& text, int buttons,
                         int default_button)
{
    transfer_box in_transfer(progress_);
    const auto sb = QMessageBox::StandardButtons(buttons);
    const auto def = QMessageBox::StandardButton(default_button);
    switch (kind) {
    case box_kind::critical:
        return QMessageBox::critical(nullptr, title, text, sb, def);
    case box_kind::warning:
        return QMessageBox::warning(nullptr, title, text, sb, def);
    case box_kind::information:
        return QMessageBox::information(nullptr, title, text, sb, def);
    case box_kind::question:
        return QMessageBox::question(nullptr, title, text, sb, def);
    }
    return ok;
}

int qt_services::choose(QWidget* parent, const QString& title, const QString& text, const QStringList& buttons,
                        int cancel_index)
{
    transfer_box in_transfer(progress_);
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton*> made;
    for (int i = 0; i < buttons.size(); ++i)
        made << static_cast<QAbstractButton*>(box.addButton(buttons[i], i == cancel_index ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    box.exec();
    const int index = made.indexOf(box.clickedButton());
    return index < 0 ? cancel_index : index;
}

void qt_services::progress_begin(const QString& title)
{
    c_dlg_progressbar* d = progress_dialog();
    d->setWindowTitle(title);
    d->setValue(1);
    d->show();
    process_events();
}

void qt_services::progress_set(int percent)
{
    c_dlg_progressbar* d = progress_dialog();
    // One event pass per change, so that the bar repaints without slowing fast transfers.
    if (percent == d->value())
        return;
    d->setValue(percent);
    process_events();
}

int qt_services::progress_value() const { return progress_ ? progress_->value() : 0; }

void qt_services::progress_end()
{
    if (!progress_)
        return;
    progress_->hide();
}

// Between the requests of a transfer: repaint, but leave the user's input queued, so that no
// second flow starts from a click while this one runs. One pass over what is pending: with a
// time limit Qt goes on passing until the limit while timers keep firing, which made every
// block of a transfer wait out the limit. The link timer's tick may run inside the pass; the
// flag keeps it from sending or polling in the middle of the transfer.
void qt_services::process_events()
{
    exchange_busy_guard busy;
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString qt_services::open_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter, nullptr, QFileDialog::DontUseNativeDialog);
}

QString qt_services::save_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr, QFileDialog::DontUseNativeDialog);
}

QString qt_services::append_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                      const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter, nullptr,
                                        QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
}

QString qt_services::existing_directory(QWidget* parent, const QString& caption, const QString& dir)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir,
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

int qt_services::run_modal(QWidget* dialog)
{
    transfer_box in_transfer(progress_);
    if (auto* d = qobject_cast<QDialog*>(dialog)) {
        const int result = d->exec();
        // A file name typed and taken with Enter while the name completion's list was up
        // leaves that list on the screen when the dialog closes, catching the next click; the
        // program's file dialogs live on, so the list goes with them.
        for (QCompleter* c : d->findChildren<QCompleter*>())
            if (QAbstractItemView* list = c->popup())
                list->hide();
        return result;
    }
    qWarning("run_modal: not a dialog");
    return 0;
}

void qt_services::busy_show(const QString& title, const QString& text)
{
    // One parentless box, made at the first call and reused; modeless, so the work goes on.
    if (!busy_) {
        busy_ = new QMessageBox();
        busy_->setStandardButtons(QMessageBox::NoButton);
    }
    busy_->setWindowTitle(title);
    busy_->setText(text);
    busy_->setModal(false);
    busy_->show();
    process_events();
}

void qt_services::busy_hide()
{
    if (busy_)
        busy_->hide();
}

QString qt_services::text_line(QWidget* parent, const QString& title, const QString& label)
{
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, QString());
}

bool qt_services::choose_printer(QPrinter& printer)
{
    // Without a parent, as the print dialog has always been shown; on Linux it lists the
    // CUPS printers and offers printing to a PDF file.
    QPrintDialog dialog(&printer);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace ui
