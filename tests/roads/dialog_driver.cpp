#include "tests/roads/dialog_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QProgressDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace roads {

namespace {

QString plain(QString text) { return text.remove(QLatin1Char('&')); }

// Dialogs that never wait for an answer: the progress dialog, the modeless message of the main
// window and the busy box (a message box without buttons).
bool answerable(const QDialog* d)
{
    if (!d || !d->isVisible())
        return false;
    const QString cls = QString::fromLatin1(d->metaObject()->className());
    if (cls == QLatin1String("c_dlg_progressbar") || cls == QLatin1String("c_dlg_message"))
        return false;
    // The waits of the update flows (seconds counted on a bar, no button): nothing to answer.
    if (qobject_cast<const QProgressDialog*>(d))
        return false;
    if (auto* box = qobject_cast<const QMessageBox*>(d))
        return !box->buttons().isEmpty();
    return true;
}

}  // namespace

bool press_button(QDialog* d, const QString& text)
{
    const QString wanted = plain(text);
    for (QAbstractButton* b : d->findChildren<QAbstractButton*>())
        if (b->isVisible() && plain(b->text()) == wanted) {
            b->click();
            return true;
        }
    return false;
}

bool fill_file_dialog(QDialog* d, const QString& path)
{
    auto* files = qobject_cast<QFileDialog*>(d);
    auto* edit = files ? files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
    if (!edit) {
        d->reject();
        return false;
    }
    edit->setText(path);
    auto* box = files->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    QPushButton* ok = nullptr;
    if (box)
        ok = box->button(files->acceptMode() == QFileDialog::AcceptSave ? QDialogButtonBox::Save : QDialogButtonBox::Open);
    if (ok && ok->isEnabled())
        ok->click();
    else
        static_cast<QDialog*>(files)->accept();
    return true;
}

dialog_driver::dialog_driver()
{
    // A modal dialog runs its own event loop, so it is looked for, not waited on.
    timer_.setInterval(10);
    connect(&timer_, &QTimer::timeout, this, &dialog_driver::poll);
    timer_.start();
}

dialog_driver::~dialog_driver() = default;

dialog_driver& dialog_driver::press(const QString& match, const QString& button_text)
{
    steps_.push_back({match, [button_text](QDialog* d) {
                          if (!press_button(d, button_text)) {
                              d->reject();
                              return QStringLiteral("no button \"%1\": rejected").arg(button_text);
                          }
                          return plain(button_text);
                      }});
    return *this;
}

dialog_driver& dialog_driver::press(const QString& match, QMessageBox::StandardButton button)
{
    steps_.push_back({match, [button](QDialog* d) {
                          auto* box = qobject_cast<QMessageBox*>(d);
                          QAbstractButton* b = box ? box->button(button) : nullptr;
                          if (!b) {
                              d->reject();
                              return QStringLiteral("no standard button %1: rejected").arg(int(button));
                          }
                          const QString text = plain(b->text());
                          b->click();
                          return text;
                      }});
    return *this;
}

dialog_driver& dialog_driver::choose_file(const QString& match, const QString& path)
{
    steps_.push_back({match, [path](QDialog* d) {
                          return fill_file_dialog(d, path) ? path : QStringLiteral("not a file dialog: rejected");
                      }});
    return *this;
}

dialog_driver& dialog_driver::act(const QString& match, std::function<void(QDialog*)> action)
{
    steps_.push_back({match, [action](QDialog* d) {
                          action(d);
                          return QStringLiteral("action");
                      }});
    return *this;
}

std::vector<seen_dialog> dialog_driver::unexpected() const
{
    std::vector<seen_dialog> out;
    for (const seen_dialog& s : seen_)
        if (!s.expected)
            out.push_back(s);
    return out;
}

std::vector<seen_dialog> dialog_driver::boxes() const
{
    std::vector<seen_dialog> out;
    for (const seen_dialog& s : seen_)
        if (s.class_name == QLatin1String("QMessageBox"))
            out.push_back(s);
    return out;
}

void dialog_driver::clear()
{
    steps_.clear();
    seen_.clear();
}

QString dialog_driver::summary() const
{
    QString out;
    for (const seen_dialog& s : seen_)
        out += QStringLiteral("%1%2 [%3]: %4 (%5)\n")
                   .arg(s.expected ? QString() : QStringLiteral("UNEXPECTED "), s.title, s.class_name, s.text, s.answer);
    return out;
}

bool dialog_driver::matches(const QString& match, const QDialog* d)
{
    return match.isEmpty() || d->windowTitle() == match || d->objectName() == match ||
           QLatin1String(d->metaObject()->className()) == match;
}

bool dialog_driver::taken(const QDialog* d) const
{
    for (const QPointer<QDialog>& t : taken_)
        if (t == d)
            return true;
    return false;
}

QDialog* dialog_driver::waiting_dialog() const
{
    auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (answerable(modal) && !taken(modal))
        return modal;
    // A modeless box (the waiting mode's, with its Cancel) waits for no answer: it is taken only
    // when the next step asks for it, as a user leaves it alone otherwise.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (answerable(box) && !taken(box) && (box->isModal() || (!steps_.empty() && matches(steps_.front().match, box))))
            return box;
    }
    return nullptr;
}

void dialog_driver::poll()
{
    // A dialog answered is free again once hidden (the data source dialog comes back for the
    // next Open).
    taken_.erase(std::remove_if(taken_.begin(), taken_.end(),
                                [](const QPointer<QDialog>& t) { return !t || !t->isVisible(); }),
                 taken_.end());
    QDialog* d = waiting_dialog();
    if (!d)
        return;
    taken_.emplace_back(d);
    // Posted, so that a dialog the answer opens meets this timer free to fire again.
    QTimer::singleShot(0, this, [this, d = QPointer<QDialog>(d)] {
        if (d)
            handle(d);
    });
}

void dialog_driver::handle(QDialog* d)
{
    seen_dialog s;
    s.class_name = QString::fromLatin1(d->metaObject()->className());
    s.object_name = d->objectName();
    s.title = d->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(d))
        s.text = box->text();
    const bool take = !steps_.empty() && matches(steps_.front().match, d);
    s.expected = take;
    // Recorded before the answer runs: the answer may open further dialogs.
    seen_.push_back(s);
    const size_t index = seen_.size() - 1;
    QString answer;
    if (take) {
        step st = std::move(steps_.front());
        steps_.pop_front();
        answer = st.action(d);
    } else {
        // As the user's Escape or the title bar's close: a message box takes its escape
        // button (Cancel, No ...), or stays when it has none; then its default or first one.
        answer = QStringLiteral("escape");
        d->close();
        auto* box = qobject_cast<QMessageBox*>(d);
        if (box && box->clickedButton())
            answer += QStringLiteral(": ") + plain(box->clickedButton()->text());
        if (box && d->isVisible()) {
            QAbstractButton* b = box->defaultButton() ? box->defaultButton() : box->buttons().value(0);
            answer += QStringLiteral(": ") + plain(b->text());
            b->click();
        } else if (d->isVisible()) {
            d->reject();
        }
    }
    seen_[index].answer = answer;
}

}  // namespace roads
