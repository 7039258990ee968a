// How the element dialogs close. "&Ok" and "&Cancel" store a close code and close the
// window; the window's close event (also from the title bar's close box, code 0) then
// decides once, for every dialog alike:
//
//   code 0x400000 (Cancel)  close; the edit buffer stays as it is
//   code 0x400    (Ok)      take the form over; close
//   code 0, form unchanged  close
//   code 0, form changed    ask "Confirm" with the dialog's question, buttons Yes, No and
//                           Cancel: Yes takes over and closes, No closes, Cancel keeps the
//                           dialog open (the close event is ignored)
//
// After every decision but a discard the code goes back to 0; a discard keeps 0x400000
// until the next opening calls reset().
//
//     void c_dlg_x::on_bn_Close_clicked() { closeRule_.keep(); close(); }
//     void c_dlg_x::on_bn_Cancel_clicked() { closeRule_.discard(); close(); }
//     void c_dlg_x::closeEvent(QCloseEvent* e)
//     {
//         closeRule_.close_event(e, [&] { return form_differs(); }, [&] { take_over(); });
//     }
#pragma once
#include <QString>
#include <functional>

class QCloseEvent;

// The close codes; the values are those of the Ok and Cancel buttons.
enum close_code : int {
    close_by_window = 0,
    close_keep = 0x400,
    close_discard = 0x400000,
};

enum class close_outcome {
    take_over,  // the form goes into the edit buffer, the dialog closes
    closed,     // the dialog closes, the edit buffer stays as it is
    stay_open,  // the user cancelled the question: the close event is ignored
};

class close_rule {
public:
    // Questions by label number.
    static constexpr long question_function_table = 329;  // "Save programmed data in function table?"
    static constexpr long question_setup = 352;           // "Setup parameters are changed! Save them?"

    explicit close_rule(long question_label = question_function_table) : questionLabel_(question_label) {}

    int code() const { return code_; }
    void keep() { code_ = close_keep; }
    void discard() { code_ = close_discard; }
    // At each opening.
    void reset() { code_ = close_by_window; }

    // The decision alone, for dialogs that test more before it (the set-up wizards).
    // `changed` is called only when the decision depends on it (never on a discard); the
    // question is asked through the UI services.
    close_outcome decide(const std::function<bool()>& changed);

    // The body of a closeEvent: decides, runs `take_over` on a take-over, then accepts the
    // event, or ignores it when the dialog stays open. A modeless dialog announces its
    // close for every outcome but stay_open.
    close_outcome close_event(QCloseEvent* event, const std::function<bool()>& changed,
                              const std::function<void()>& take_over);

    // The "Confirm" question alone: ui::yes, ui::no or ui::cancel.
    int ask() const;
    QString question_text() const;

private:
    long questionLabel_;
    int code_ = close_by_window;
};
