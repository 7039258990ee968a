// The scripted UI double must catch what it promises to catch: unexpected, reordered or
// missing prompts and answers that the prompt does not offer.
#include <QDialog>
#include <QLineEdit>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

using ui_testing::scripted_ui;

class ScriptedUi : public ::testing::Test {
protected:
    void SetUp() override { ui_testing::test_app(); }
};

TEST_F(ScriptedUi, AnswersTheScriptInOrder)
{
    scripted_ui s;
    EXPECT_EQ(&ui::current(), &s);
    s.expect_error("Device not found")
        .expect_question("Save changes?", ui::no)
        .expect_box_containing(ui::box_kind::warning, ui::title_warning(), "sector 5")
        .expect_box(ui::box_kind::information, QString(), "Done", ui::ok);
    EXPECT_EQ(ui::critical("Device not found"), ui::ok);
    EXPECT_EQ(ui::question("Save changes?", ui::yes | ui::no | ui::cancel), ui::no);
    EXPECT_EQ(ui::warning("Reading sector 5 failed"), ui::ok);
    EXPECT_EQ(ui::current().message(ui::box_kind::information, "Any title", "Done", ui::ok, ui::no_button), ui::ok);
    EXPECT_TRUE(s.verify_consumed());
    ASSERT_EQ(s.prompts().size(), 4u);
    EXPECT_TRUE(s.prompts()[2].expected);
    EXPECT_EQ(s.prompts()[1].buttons, ui::yes | ui::no | ui::cancel);
}

TEST_F(ScriptedUi, DestructorPutsBackTheServicesBefore)
{
    ui::services* before = &ui::current();
    {
        scripted_ui outer;
        {
            scripted_ui inner;
            EXPECT_EQ(&ui::current(), &inner);
        }
        EXPECT_EQ(&ui::current(), &outer);
    }
    EXPECT_EQ(&ui::current(), before);
}

TEST_F(ScriptedUi, UnexpectedPromptFailsWithItsText)
{
    scripted_ui s;
    EXPECT_NONFATAL_FAILURE(ui::critical("Checksum wrong in line 12"), "Checksum wrong in line 12");
    EXPECT_FALSE(s.prompts().front().expected);
}

TEST_F(ScriptedUi, WrongTextOrTitleFailsAndKeepsTheStep)
{
    scripted_ui s;
    s.expect_error("Format error!");
    EXPECT_NONFATAL_FAILURE(ui::warning("Format error!"), "the script expected critical box \"ERROR\"");
    EXPECT_NONFATAL_FAILURE(ui::critical("Format error"), "Format error!");
    EXPECT_EQ(s.pending(), 1u);
    ui::critical("Format error!");
    EXPECT_EQ(s.pending(), 0u);
}

TEST_F(ScriptedUi, AnswerThatIsNotOfferedFails)
{
    scripted_ui s;
    s.expect_question("Overwrite?", ui::cancel);
    int answer = 0;
    EXPECT_NONFATAL_FAILURE(answer = ui::question("Overwrite?", ui::yes | ui::no), "is not a button");
    EXPECT_EQ(answer, ui::yes);  // the default answer instead
}

TEST_F(ScriptedUi, LeftOverStepsFailOnVerifyAndOnDestruction)
{
    EXPECT_NONFATAL_FAILURE(
        {
            scripted_ui s;
            s.expect_information("Update finished");
            EXPECT_FALSE(s.verify_consumed());
        },
        "never came: information box \"Information\": Update finished");
    EXPECT_NONFATAL_FAILURE(
        {
            scripted_ui s;
            s.expect_open_file("/tmp/x.cdx");
        },
        "never came: open-file dialog");
    {
        scripted_ui s;
        s.set_verify_on_destruction(false);
        s.expect_information("ignored");
    }
}

TEST_F(ScriptedUi, FileDialogsAnswerFromTheScript)
{
    scripted_ui s;
    s.expect_open_file("/data/a.cdx", "Open")
        .expect_save_file("")  // the user cancels
        .expect_directory("/data/export");
    auto& u = ui::current();
    EXPECT_EQ(u.open_file_name(nullptr, "Open", "/data", "*.cdx"), "/data/a.cdx");
    EXPECT_EQ(u.save_file_name(nullptr, "Save as", "/data", "*.cdx"), "");
    EXPECT_EQ(u.existing_directory(nullptr, "Export", "/data"), "/data/export");
    EXPECT_EQ(s.prompts()[1].text, "/data");
    EXPECT_NONFATAL_FAILURE(u.open_file_name(nullptr, "Open", "/", "*"), "unexpected open-file dialog");
}

TEST_F(ScriptedUi, ModalRunsByNameWithResultOrAction)
{
    scripted_ui s;
    QDialog a;
    a.setObjectName("c_dlg_language");
    QDialog b;
    b.setWindowTitle("Password");
    auto* field = new QLineEdit(&b);
    field->setObjectName("ebx_Password");

    s.expect_modal(QDialog::Accepted, "c_dlg_language").expect_modal("Password", [](QWidget* w) {
        w->findChild<QLineEdit*>("ebx_Password")->setText("secret");
        static_cast<QDialog*>(w)->reject();
        return static_cast<QDialog*>(w)->result();
    });
    EXPECT_EQ(ui::current().run_modal(&a), QDialog::Accepted);
    EXPECT_EQ(a.result(), QDialog::Accepted);
    EXPECT_EQ(ui::current().run_modal(&b), QDialog::Rejected);
    EXPECT_EQ(field->text(), "secret");
    EXPECT_NONFATAL_FAILURE(ui::current().run_modal(&a), "unexpected modal run of \"c_dlg_language\"");
}

TEST_F(ScriptedUi, ProgressIsRecorded)
{
    scripted_ui s;
    auto& u = ui::current();
    u.progress_begin("Reading");
    EXPECT_TRUE(s.progress_shown());
    EXPECT_EQ(u.progress_value(), 1);
    for (int p = 10; p <= 50; p += 10) {
        u.progress_set(p);
        u.process_events();
    }
    u.progress_end();
    EXPECT_FALSE(s.progress_shown());
    EXPECT_EQ(s.progress_values(), (std::vector<int>{10, 20, 30, 40, 50}));
    EXPECT_EQ(s.event_passes(), 5);
    u.progress_set(150);  // out of range: the value stays
    EXPECT_EQ(u.progress_value(), 50);
    u.progress_begin("Sending");
    EXPECT_EQ(s.progress_titles(), (std::vector<QString>{"Reading", "Sending"}));
}

}  // namespace
