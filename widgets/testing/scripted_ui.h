// A stand-in of the UI services for tests: it takes a script of the prompts the code under
// test must raise (message boxes, file dialogs, modal runs), in order, with their answers.
// A prompt that is not the next one of the script fails the running GoogleTest test and
// prints its text; the script can be checked for steps left over at the end.
//
//     ui_testing::scripted_ui script;              // installed until it goes out of scope
//     script.expect_question("Save changes?", ui::no)
//           .expect_open_file("/tmp/a.cdx")
//           .expect_modal("c_dlg_function", [](QWidget* d) { ...; return QDialog::Accepted; });
//     window.on_ac_Open_triggered();
//     EXPECT_TRUE(script.verify_consumed());
#pragma once
#include <QString>
#include <cstddef>
#include <deque>
#include <functional>
#include <vector>

#include "core/text/user_seam.h"

class QWidget;

namespace ui_testing {

enum class prompt_kind { critical, warning, information, question, choice, open_file, save_file, append_file, directory, modal, text_line, printer };

const char* kind_name(prompt_kind kind);
prompt_kind kind_of(ui::box_kind kind);

// A prompt as the code under test raised it.
struct prompt_record {
    prompt_kind kind;
    QString title;    // box title, file dialog caption, or the window title of a modal dialog
    QString text;     // box text, file dialog start directory, or the object name of a modal dialog
    int buttons = 0;  // boxes only
    bool expected = false;
    const QWidget* parent = nullptr;  // the parent named for a choice, a file dialog or a modal dialog
};

class scripted_ui : public ui::services {
public:
    // Fills the dialog's fields, presses its buttons and returns the result of the run.
    using modal_action = std::function<int(QWidget* dialog)>;

    // Installs itself as ui::current(); the destructor puts back what was installed before
    // and, unless turned off, fails the test for every step of the script left over.
    scripted_ui();
    ~scripted_ui() override;
    scripted_ui(const scripted_ui&) = delete;
    scripted_ui& operator=(const scripted_ui&) = delete;

    // --- the script, consumed in order ------------------------------------------------------
    // A null title matches any title. An answer of 0 takes the box's default answer
    // (ui::default_answer); any other answer must be one of the box's buttons.
    scripted_ui& expect_box(ui::box_kind kind, const QString& title, const QString& text, int answer = 0);
    scripted_ui& expect_box_containing(ui::box_kind kind, const QString& title, const QString& fragment,
                                       int answer = 0);
    // The program's standard boxes: "ERROR", "WARNING", "Information", "Confirm".
    scripted_ui& expect_error(const QString& text, int answer = 0);
    scripted_ui& expect_warning(const QString& text, int answer = 0);
    scripted_ui& expect_information(const QString& text, int answer = 0);
    scripted_ui& expect_question(const QString& text, int answer);
    // A question with named buttons, answered by the text of the button to press.
    scripted_ui& expect_choice(const QString& text, const QString& button);
    // File dialogs answer a path; an empty answer is the user's cancel. A null caption
    // matches any caption. A QFileDialog that the code runs modally answers these steps too
    // (the path selected and accepted) when one of them is next.
    scripted_ui& expect_open_file(const QString& answer, const QString& caption = QString());
    scripted_ui& expect_save_file(const QString& answer, const QString& caption = QString());
    // The chooser of a file to continue (no "replace?" question).
    scripted_ui& expect_append_file(const QString& answer, const QString& caption = QString());
    scripted_ui& expect_directory(const QString& answer, const QString& caption = QString());
    // A one-line text prompt titled `title` (null: any), answered with `answer` (empty: cancel).
    scripted_ui& expect_text_line(const QString& answer, const QString& title = QString());
    // The print dialog: accepted with the printer writing a PDF to `pdf_path`, or refused
    // when the path is empty.
    scripted_ui& expect_printer(const QString& pdf_path);
    // A modal run of the dialog whose object name or window title is `name` (null: any).
    // The plain form returns `result` (and stores it as the QDialog's result).
    scripted_ui& expect_modal(int result, const QString& name = QString());
    scripted_ui& expect_modal(const QString& name, modal_action action);

    // Fails the running test once for each step left over, then forgets them. True when
    // nothing was left.
    bool verify_consumed();
    void set_verify_on_destruction(bool on) { verifyOnDestruction_ = on; }
    std::size_t pending() const { return script_.size(); }
    // Every prompt raised, expected or not, in order.
    const std::vector<prompt_record>& prompts() const { return prompts_; }

    // --- progress and event passes -----------------------------------------------------------
    const std::vector<QString>& progress_titles() const { return progressTitles_; }
    // Every value passed to progress_set, in order.
    const std::vector<int>& progress_values() const { return progressValues_; }
    bool progress_shown() const { return progressShown_; }
    int event_passes() const { return eventPasses_; }
    // On by default: each event pass also runs Qt's pending events (timers, queued signals),
    // as the real services do.
    void set_forward_event_passes(bool on) { forwardEvents_ = on; }

    // --- ui::services --------------------------------------------------------------------------
    int message(ui::box_kind kind, const QString& title, const QString& text, int buttons,
                int default_button) override;
    int choose(QWidget* parent, const QString& title, const QString& text, const QStringList& buttons,
               int cancel_index) override;
    void progress_begin(const QString& title) override;
    void progress_set(int percent) override;
    int progress_value() const override { return progressValue_; }
    void progress_end() override;
    void process_events() override;
    QString open_file_name(QWidget* parent, const QString& caption, const QString& dir,
                           const QString& filter) override;
    QString append_file_name(QWidget* parent, const QString& caption, const QString& dir,
                             const QString& filter) override;
    QString save_file_name(QWidget* parent, const QString& caption, const QString& dir,
                           const QString& filter) override;
    QString existing_directory(QWidget* parent, const QString& caption, const QString& dir) override;
    QString text_line(QWidget* parent, const QString& title, const QString& label) override;
    int run_modal(QWidget* dialog) override;
    bool choose_printer(QPrinter& printer) override;

private:
    struct step {
        prompt_kind kind;
        QString title;  // null: any
        QString text;   // boxes: the text or a fragment of it; modal runs: the dialog's name
        bool fragment = false;
        int answer = 0;
        QString fileAnswer;
        modal_action action;
    };

    // The next step if it matches the prompt (and then removes it); otherwise fails the test.
    bool take(const prompt_record& seen, step& out);
    static bool matches(const step& s, const prompt_record& seen);
    static QString describe(const step& s);
    static QString describe(const prompt_record& p);
    QString file_dialog(prompt_kind kind, const QString& caption, const QString& dir, const QWidget* parent);

    ui::services* previous_;
    std::deque<step> script_;
    std::vector<prompt_record> prompts_;
    bool verifyOnDestruction_ = true;

    std::vector<QString> progressTitles_;
    std::vector<int> progressValues_;
    int progressValue_ = 0;
    bool progressShown_ = false;
    int eventPasses_ = 0;
    bool forwardEvents_ = true;
};

}  // namespace ui_testing
