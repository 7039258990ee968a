#include <gtest/gtest.h>

#include "support/test_support.h"

TEST(UiServices, DefaultAnswerPrefersTheDefaultButtonThenTheFirstOffered)
{
    struct row { int buttons, def, expected; };
    const row rows[] = {
        {ui::ok, ui::no_button, ui::ok},
        {ui::yes | ui::no, ui::no, ui::no},
        {ui::yes | ui::no, ui::no_button, ui::yes},
        {ui::ignore | ui::cancel, ui::no_button, ui::ignore},
        {ui::ok, ui::cancel, ui::ok},  // a default that is not offered is not taken
    };
    for (const auto& r : rows)
        EXPECT_EQ(ui::default_answer(r.buttons, r.def), r.expected) << r.buttons;
}

TEST(UiServices, RecordingFakeIsInstalledAndAnswersFromItsScript)
{
    testing_support::recording_ui fake;
    fake.answer_next(ui::cancel);
    EXPECT_EQ(ui::question("Go on?", ui::ok | ui::cancel), ui::cancel);
    EXPECT_EQ(ui::critical("broken"), ui::ok);
    ASSERT_EQ(fake.prompts().size(), 2u);
    EXPECT_EQ(fake.prompts()[0].title, "Confirm");
    EXPECT_EQ(fake.prompts()[1].title, "ERROR");
    EXPECT_EQ(fake.prompts()[1].text, "broken");
}

#include "core/text/error_texts.h"

TEST(UiServices, BusyBoxGoesThroughTheServices)
{
    testing_support::recording_ui fake;
    show_busy_box("Print", "Printing configuration ...");
    EXPECT_TRUE(fake.busy_shown);
    hide_busy_box();
    EXPECT_FALSE(fake.busy_shown);
    ASSERT_EQ(fake.busy_texts.size(), 1u);
    EXPECT_EQ(fake.busy_texts[0], "Print: Printing configuration ...");
}
