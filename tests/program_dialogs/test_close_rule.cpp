// The close rule of the element dialogs, on a small dialog with a one-field edit buffer:
// every close code against an unchanged form, a changed record and a changed number, and
// every answer to the "Confirm" question.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDialog>

#include "program_dialogs/close_rule.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

const QString function_question = QStringLiteral("Save programmed data in function table?");

// An edit buffer (number + record) and a form that edits both, closed by the shared rule;
// like the modeless tool dialog it announces every close that happens.
class buffer_dialog : public QDialog {
public:
    int bufferNumber = 5;
    QString bufferRecord = QStringLiteral("Drill A");
    int formNumber = 5;
    QString formRecord = QStringLiteral("Drill A");
    close_rule rule;
    int closedSignals = 0;

    void on_ok() { rule.keep(); close(); }
    void on_cancel() { rule.discard(); close(); }

protected:
    void closeEvent(QCloseEvent* e) override
    {
        const close_outcome o = rule.close_event(
            e, [&] { return formRecord != bufferRecord || formNumber != bufferNumber; },
            [&] {
                bufferNumber = formNumber;
                bufferRecord = formRecord;
            });
        if (o != close_outcome::stay_open)
            ++closedSignals;
    }
};

enum class edit { none, record, number };
enum class press { ok, cancel, close_box };

struct close_case {
    const char* name;
    press how;
    edit change;
    int answer;  // answer to the question; 0 when no question may come
    bool takesOver;
    bool closes;
    int codeAfter;
};

const close_case close_cases[] = {
    {"ok_unchanged_takes_over", press::ok, edit::none, 0, true, true, close_by_window},
    {"ok_changed_takes_over_without_asking", press::ok, edit::record, 0, true, true, close_by_window},
    {"ok_number_only", press::ok, edit::number, 0, true, true, close_by_window},
    {"cancel_unchanged", press::cancel, edit::none, 0, false, true, close_discard},
    {"cancel_changed_never_asks", press::cancel, edit::record, 0, false, true, close_discard},
    {"cancel_number_only", press::cancel, edit::number, 0, false, true, close_discard},
    {"close_box_unchanged_no_question", press::close_box, edit::none, 0, false, true, close_by_window},
    {"close_box_changed_yes", press::close_box, edit::record, ui::yes, true, true, close_by_window},
    {"close_box_changed_no", press::close_box, edit::record, ui::no, false, true, close_by_window},
    {"close_box_changed_cancel_stays", press::close_box, edit::record, ui::cancel, false, false, close_by_window},
    {"close_box_number_only_yes", press::close_box, edit::number, ui::yes, true, true, close_by_window},
    {"close_box_number_only_no", press::close_box, edit::number, ui::no, false, true, close_by_window},
    {"close_box_number_only_cancel", press::close_box, edit::number, ui::cancel, false, false, close_by_window},
};

class close_rule_table : public ::testing::TestWithParam<close_case> {
protected:
    void SetUp() override { ui_testing::test_app(); }
};

TEST_P(close_rule_table, decides_keeps_and_resets)
{
    const close_case& c = GetParam();
    ui_testing::scripted_ui script;
    if (c.answer)
        script.expect_question(function_question, c.answer);

    buffer_dialog d;
    d.show();
    d.rule.reset();
    if (c.change == edit::record)
        d.formRecord = QStringLiteral("Drill B");
    if (c.change == edit::number)
        d.formNumber = 17;
    switch (c.how) {
    case press::ok: d.on_ok(); break;
    case press::cancel: d.on_cancel(); break;
    case press::close_box: d.close(); break;
    }

    EXPECT_EQ(d.isVisible(), !c.closes);
    EXPECT_EQ(d.closedSignals, c.closes ? 1 : 0);
    const bool tookOver = d.bufferNumber == d.formNumber && d.bufferRecord == d.formRecord;
    EXPECT_EQ(tookOver, c.takesOver || c.change == edit::none);
    if (!c.takesOver) {
        EXPECT_EQ(d.bufferNumber, 5);
        EXPECT_EQ(d.bufferRecord, QStringLiteral("Drill A"));
    }
    EXPECT_EQ(d.rule.code(), c.codeAfter);
    EXPECT_TRUE(script.verify_consumed());
}

INSTANTIATE_TEST_SUITE_P(all, close_rule_table, ::testing::ValuesIn(close_cases),
                         [](const ::testing::TestParamInfo<close_case>& i) { return std::string(i.param.name); });

// The question's Cancel leaves the dialog usable: the next close asks again and Ok still
// takes over; a discard keeps its code until the next opening.
TEST(close_rule, cancelled_question_then_ok_and_discard_until_reset)
{
    ui_testing::test_app();
    ui_testing::scripted_ui script;
    script.expect_question(function_question, ui::cancel).expect_question(function_question, ui::cancel);
    buffer_dialog d;
    d.show();
    d.formRecord = QStringLiteral("Tap");
    EXPECT_FALSE(d.close());
    EXPECT_FALSE(d.close());
    d.on_ok();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.bufferRecord, QStringLiteral("Tap"));
    EXPECT_EQ(d.closedSignals, 1);

    d.show();
    d.on_cancel();
    EXPECT_EQ(d.rule.code(), close_discard);
    d.rule.reset();
    EXPECT_EQ(d.rule.code(), close_by_window);
    EXPECT_TRUE(script.verify_consumed());
}

// The set-up wizards ask their own question; a discard never compares the form.
TEST(close_rule, wizard_question_and_discard)
{
    ui_testing::test_app();
    ui_testing::scripted_ui script;
    close_rule wizard(close_rule::question_setup);
    script.expect_question(QStringLiteral("Setup parameters are changed! Save them?"), ui::yes);
    EXPECT_EQ(wizard.decide([] { return true; }), close_outcome::take_over);

    script.expect_question(function_question, ui::cancel);
    close_rule r;
    int asked = 0;
    EXPECT_EQ(r.decide([&] { return ++asked, true; }), close_outcome::stay_open);
    EXPECT_EQ(asked, 1);
    r.discard();
    EXPECT_EQ(r.decide([&] { return ++asked, true; }), close_outcome::closed);
    EXPECT_EQ(asked, 1) << "a discard never compares the form";
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
