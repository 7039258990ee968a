// Answers the program's real dialogs the way a user does, while the code under test runs their
// exec(): a timer looks for the dialog that waits for an answer (the active modal widget, else a
// visible top-level message box with buttons; a modeless one only when the next step names
// it), matches it against the next step the test gave,
// and presses a button by its text or standard button, fills a file dialog's file name and
// accepts it, or runs the test's own action on it. Every dialog met is recorded with its title
// and text, so that a test can assert the boxes it saw.
//
// Steps are taken in the order given. A dialog that does not match the next step (or comes
// when none is left) is recorded as unexpected and closed as the user's Escape or the title
// bar's close button would (a message box takes its escape button, else its default one),
// so that a road never hangs on it; a test asserts unexpected() is empty, or looks at what
// came. The road fixture (road_fixture.h) asserts it at the end of every test.
//
//     roads::dialog_driver driver;
//     driver.press("c_dlg_srcauswahl", "Tarvix")          // the data source dialog's button
//         .press(ui::title_error(), QMessageBox::Ok);     // the box that ends the flow
//     window->form()->ac_Open->trigger();                 // returns once the flow is done
//     EXPECT_EQ(driver.pending(), 0);
//     EXPECT_EQ(driver.boxes().at(0).text, ...);
//
//     driver.choose_file("fd_Save", "/tmp/x/p.cdx");      // a file dialog by object name
//     driver.act("fd_Load", [&](QDialog* d) {             // or the test's own answer
//         seq = log_next_seq();
//         fill_file_dialog(d, path);
//     });
//
// A step's `match` is compared with the dialog's window title, object name and class name
// (one of them equal); an empty match takes any dialog. The presses run from a posted event,
// not from the timer's own slot, so that a dialog the press opens (a file dialog behind a
// button) is answered in its turn.
#pragma once
#include <QDialog>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <deque>
#include <functional>
#include <vector>

namespace roads {

// One dialog the driver met.
struct seen_dialog {
    QString class_name;   // "QMessageBox", "QFileDialog", "c_dlg_srcauswahl", ...
    QString object_name;
    QString title;
    QString text;         // a message box's text; empty for other dialogs
    QString answer;       // the button pressed, the file given, "action", or "escape"
    bool expected = true; // false: no step took it
};

class dialog_driver : public QObject {
public:
    dialog_driver();
    ~dialog_driver() override;

    // The next dialog matching `match`: presses the button whose text (without "&") is
    // `button_text`, or a message box's standard button.
    dialog_driver& press(const QString& match, const QString& button_text);
    dialog_driver& press(const QString& match, QMessageBox::StandardButton button);
    // The next file dialog matching `match`: its file name line edit gets `path`, then its
    // Open/Save button (or accept()).
    dialog_driver& choose_file(const QString& match, const QString& path);
    // The next dialog matching `match` is given to `action`, which must end its exec()
    // (press a button, accept, reject ...).
    dialog_driver& act(const QString& match, std::function<void(QDialog*)> action);

    // Steps not taken yet.
    int pending() const { return int(steps_.size()); }
    // The unexpected dialogs met, in order.
    std::vector<seen_dialog> unexpected() const;
    // The message boxes met (class QMessageBox), in order.
    std::vector<seen_dialog> boxes() const;
    // Forgets the steps and what was seen.
    void clear();

    // "title: text (answer)" of every dialog seen, one a line, for failure messages.
    QString summary() const;

private:
    struct step {
        QString match;
        std::function<QString(QDialog*)> action;  // returns the answer recorded
    };
    void poll();
    QDialog* waiting_dialog() const;
    bool taken(const QDialog* d) const;
    static bool matches(const QString& match, const QDialog* d);
    void handle(QDialog* d);

    QTimer timer_;
    std::deque<step> steps_;
    std::vector<seen_dialog> seen_;
    // Dialogs answered or about to be: not taken again while they stay visible (an answer
    // that opens another dialog, or runs a transfer, leaves its dialog up meanwhile).
    std::vector<QPointer<QDialog>> taken_;
};

// Presses a button of `d` by its text (without "&"); false when there is none.
bool press_button(QDialog* d, const QString& text);
// Gives a file dialog's file name line edit `path` and presses its Open/Save button (or
// accepts it); false when `d` is no file dialog (it is then rejected).
bool fill_file_dialog(QDialog* d, const QString& path);

}  // namespace roads
