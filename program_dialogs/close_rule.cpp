#include "close_rule.h"

#include <QCloseEvent>

#include "core/text/text_tables.h"
#include "core/text/user_seam.h"

QString close_rule::question_text() const { return QString::fromLatin1(txt_label(questionLabel_).c_str()); }

int close_rule::ask() const
{
    const int answer = ui::question(question_text(), ui::yes | ui::no | ui::cancel, ui::no_button);
    // A box closed some other way counts as Cancel: nothing is lost.
    return answer == ui::yes || answer == ui::no ? answer : int(ui::cancel);
}

close_outcome close_rule::decide(const std::function<bool()>& changed)
{
    if (code_ == close_discard)
        return close_outcome::closed;
    close_outcome outcome;
    if (code_ == close_keep) {
        outcome = close_outcome::take_over;
    } else if (!changed()) {
        outcome = close_outcome::closed;
    } else {
        const int answer = ask();
        outcome = answer == ui::yes  ? close_outcome::take_over
                  : answer == ui::no ? close_outcome::closed
                                     : close_outcome::stay_open;
    }
    code_ = close_by_window;
    return outcome;
}

close_outcome close_rule::close_event(QCloseEvent* event, const std::function<bool()>& changed,
                                      const std::function<void()>& take_over)
{
    const close_outcome outcome = decide(changed);
    if (outcome == close_outcome::take_over && take_over)
        take_over();
    if (event) {
        if (outcome == close_outcome::stay_open)
            event->ignore();
        else
            event->accept();
    }
    return outcome;
}
