// The one way the program talks to its user: message boxes, questions, file dialogs,
// the shared progress dialog, event passes and modal runs. The Qt implementation lives
// with the widgets; tests install a fake so that nothing ever blocks on a dialog.
#pragma once
#include <QString>
#include <QStringList>

class QPrinter;
class QWidget;

namespace ui {

enum class box_kind { critical, warning, information, question };

// Button values are those of QMessageBox::StandardButton, so they convert one to one.
enum button : int {
    no_button = 0x00000000,
    ok = 0x00000400,
    save = 0x00000800,
    save_all = 0x00001000,
    open = 0x00002000,
    yes = 0x00004000,
    yes_to_all = 0x00008000,
    no = 0x00010000,
    no_to_all = 0x00020000,
    abort = 0x00040000,
    retry = 0x00080000,
    ignore = 0x00100000,
    close = 0x00200000,
    cancel = 0x00400000,
    discard = 0x00800000,
};

// The standard titles of the program's boxes.
inline QString title_error() { return QStringLiteral("ERROR"); }
inline QString title_warning() { return QStringLiteral("WARNING"); }
inline QString title_information() { return QStringLiteral("Information"); }
inline QString title_confirm() { return QStringLiteral("Confirm"); }

class services {
public:
    virtual ~services() = default;

    // Shows a modal box and returns the button pressed (one of `button`).
    virtual int message(box_kind kind, const QString& title, const QString& text,
                        int buttons = ok, int default_button = no_button) = 0;
    // A question whose buttons carry their own texts ("Premium", "Basic", "&Cancel"), its box
    // a child of `parent`: returns the index of the button pressed; closing the box counts as
    // `cancel_index`.
    virtual int choose(QWidget* parent, const QString& title, const QString& text, const QStringList& buttons,
                       int cancel_index)
    {
        (void)parent, (void)title, (void)text, (void)buttons;
        return cancel_index;
    }

    // The shared progress dialog: begin shows it titled `title` with value 1,
    // set changes the value (0..100), end hides it.
    virtual void progress_begin(const QString& title) = 0;
    virtual void progress_set(int percent) = 0;
    virtual int progress_value() const = 0;
    virtual void progress_end() = 0;

    // One pass of the event loop during long work, at most 5 ms: the window repaints, the
    // user's input waits until the work is done.
    virtual void process_events() = 0;

    // File dialogs; an empty string means the user cancelled.
    virtual QString open_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                   const QString& filter) = 0;
    virtual QString save_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                   const QString& filter) = 0;
    virtual QString existing_directory(QWidget* parent, const QString& caption, const QString& dir) = 0;
    // A file to continue or to create (the trace file): like the save dialog, but an existing
    // file is chosen without the "replace?" question, since nothing of it is replaced.
    virtual QString append_file_name(QWidget* parent, const QString& caption, const QString& dir,
                                     const QString& filter)
    {
        return save_file_name(parent, caption, dir, filter);
    }

    // A one-line text the user types; an empty string when cancelled. Services without it
    // answer empty.
    virtual QString text_line(QWidget* parent, const QString& title, const QString& label)
    {
        (void)parent, (void)title, (void)label;
        return QString();
    }

    // Runs a dialog modally and returns its result code.
    virtual int run_modal(QWidget* dialog) = 0;

    // The print dialog on `printer`: true when the user accepted it, and the printer is then
    // set up as chosen (a printer, or a PDF file). Services without one refuse.
    virtual bool choose_printer(QPrinter& printer)
    {
        (void)printer;
        return false;
    }

    // The small modeless busy box: shown with its title and text, painted at once,
    // hidden again by busy_hide.
    virtual void busy_show(const QString& title, const QString& text) { (void)title, (void)text; }
    virtual void busy_hide() {}
};

// The services in use. Until the program installs its own, a quiet one that answers
// every box with its default (or first) button and logs it.
services& current();
// Installs services (nullptr restores the quiet default). The caller keeps ownership.
void install(services* s);

// Short forms used everywhere.
inline int critical(const QString& text) { return current().message(box_kind::critical, title_error(), text); }
inline int warning(const QString& text) { return current().message(box_kind::warning, title_warning(), text); }
inline int information(const QString& text)
{
    return current().message(box_kind::information, title_information(), text);
}
inline int question(const QString& text, int buttons = yes | no, int default_button = no_button)
{
    return current().message(box_kind::question, title_confirm(), text, buttons, default_button);
}

// Picks the answer a box gives without a user: the default button, else the first of
// ok, yes, ... in the order above.
int default_answer(int buttons, int default_button);

}  // namespace ui
