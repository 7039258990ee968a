#include "widgets/qt_services.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QDialog>
#include <QFileDialog>
#include <QFrame>
#include <QHeaderView>
#include <QInputDialog>
#include <QLayout>
#include <QLineEdit>
#include <QMargins>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTreeView>
#include <algorithm>

#include "core/device/device_commands.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/fit_texts.h"
#include "widgets/window_place.h"

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

// Qt's own file dialog opens at a size that cuts the names of its side bar and all but the
// first column of its file list (Size, Type, Date Modified), which is what one looks at to
// choose among a controller's programs. Its first show makes it wide enough for the side
// bar's names and every column, within the screen; after that it keeps the size the user
// gives it.
void fit_file_dialog(QFileDialog* d)
{
    auto* side = d->findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
    auto* files = d->findChild<QTreeView*>(QStringLiteral("treeView"));
    auto* splitter = d->findChild<QSplitter*>(QStringLiteral("splitter"));
    if (!side || !files || !splitter || splitter->count() != 2)
        return;
    // Sizes from what the parts hold, not from their present widths: the dialog was never
    // laid out before its first show.
    const auto across = [](const QWidget* w) {
        const QMargins m = w->layout() ? w->layout()->contentsMargins() : QMargins();
        const auto* frame = qobject_cast<const QFrame*>(w);
        return m.left() + m.right() + (frame ? 2 * frame->frameWidth() : 0);
    };
    d->ensurePolished();
    QHeaderView* header = files->header();
    for (int c = 0; c < header->count(); ++c)
        header->resizeSection(c, std::max(header->sectionSize(c), header->sectionSizeHint(c)));
    const int bar = files->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, files);
    const int side_width = side->sizeHintForColumn(0) + 2 * side->frameWidth() + bar;
    // The list's part of the splitter holds the list (and its preview) in a frame.
    const int list_part = header->length() + bar + 2 * files->frameWidth() + across(splitter->widget(1));
    const int around = across(d) + splitter->handleWidth();
    QScreen* on = QGuiApplication::primaryScreen();
    if (const QWidget* parent = d->parentWidget())
        if (QScreen* s = QGuiApplication::screenAt(parent->window()->geometry().center()))
            on = s;
    if (!on)
        return;
    const QRect screen = on->availableGeometry();
    // Room for the window manager's frame.
    const QSize room = screen.size() - QSize(32, 64);
    const int wanted = around + side_width + list_part;
    const int width = std::min(room.width(), std::max(d->width(), wanted));
    // On a small screen the names give up what is missing, and the other columns stay whole.
    if (wanted > width)
        header->resizeSection(0, std::max(header->sectionSizeHint(0), header->sectionSize(0) - (wanted - width)));
    const int height = std::min(room.height(), std::max(d->height(), screen.height() * 2 / 3));
    d->resize(width, height);
    splitter->setSizes({side_width, width - around - side_width});
}

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

namespace {

// One of Qt's own file dialogs, run as every dialog of the program is; the first selected
// file, or an empty string when the user cancelled.
QString run_file_dialog(services& s, QWidget* parent, const QString& caption, const QString& dir,
                        const QString& filter, QFileDialog::FileMode mode, QFileDialog::AcceptMode accept,
                        QFileDialog::Options options)
{
    QFileDialog d(parent, caption, dir, filter);
    d.setOptions(options | QFileDialog::DontUseNativeDialog);
    d.setFileMode(mode);
    d.setAcceptMode(accept);
    if (s.run_modal(&d) != QDialog::Accepted)
        return QString();
    return d.selectedFiles().value(0);
}

}  // namespace

QString qt_services::open_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return run_file_dialog(*this, parent, caption, dir, filter, QFileDialog::ExistingFile, QFileDialog::AcceptOpen,
                           {});
}

QString qt_services::save_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                    const QString& filter)
{
    return run_file_dialog(*this, parent, caption, dir, filter, QFileDialog::AnyFile, QFileDialog::AcceptSave, {});
}

QString qt_services::append_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                      const QString& filter)
{
    return run_file_dialog(*this, parent, caption, dir, filter, QFileDialog::AnyFile, QFileDialog::AcceptSave,
                           QFileDialog::DontConfirmOverwrite);
}

QString qt_services::existing_directory(QWidget* parent, const QString& caption, const QString& dir)
{
    return run_file_dialog(*this, parent, caption, dir, QString(), QFileDialog::Directory, QFileDialog::AcceptOpen,
                           QFileDialog::ShowDirsOnly);
}

int qt_services::run_modal(QWidget* dialog)
{
    transfer_box in_transfer(progress_);
    if (auto* d = qobject_cast<QDialog*>(dialog)) {
        // The program keeps many dialogs and runs them again. Shown anew, Qt centres a dialog
        // once more, now adding the window manager's frame it learnt at the first show, so
        // that each dialog came back a title bar lower than it stood (and a click aimed at it
        // missed). It goes back where it stood, or where the user left it.
        static const char* const stood_at = "tvx_stood_at";
        const QVariant stood = d->property(stood_at);
        if (stood.isValid() && !d->isVisible())
            place_where_it_stood(d, stood.toPoint());
        else if (auto* files = qobject_cast<QFileDialog*>(d); files && !stood.isValid())
            fit_file_dialog(files);
        const int result = d->exec();
        d->setProperty(stood_at, d->pos());
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
    QInputDialog d(parent);
    d.setWindowTitle(title);
    d.setLabelText(label);
    d.setTextEchoMode(QLineEdit::Normal);
    // The box is only as wide as its field (its layout sets its size from its parts); a
    // window manager would cut its title short.
    if (auto* field = d.findChild<QLineEdit*>())
        field->setMinimumWidth(window_title_width(&d));
    return run_modal(&d) == QDialog::Accepted ? d.textValue() : QString();
}

bool qt_services::choose_printer(QPrinter& printer)
{
    // Without a parent, as the print dialog has always been shown; on Linux it lists the
    // CUPS printers and offers printing to a PDF file.
    QPrintDialog dialog(&printer);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace ui
