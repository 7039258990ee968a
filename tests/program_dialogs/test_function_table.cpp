// The function table's buttons on the program window: New, New RL, Change and its double
// click, Delete and Clear Counters, with the dialogs scripted.
#include <QAbstractButton>

#include "dialogs_fixture.h"
#include "program_dialogs/c_dlg_prgcluster.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "ui_c_dlg_prgcluster.h"
#include "ui_c_dlg_prgfunction.h"

using namespace dialogs_testing;

namespace {

struct function_table_test : dialogs_test {
    // The function dialog's run: `fill` edits the form, then the button named is pressed.
    void function_run(std::function<void(Ui::c_dlg_prgfunction&)> fill, const char* button = "bn_Close")
    {
        script.expect_modal(QStringLiteral("c_dlg_prgfunction"), [fill, button](QWidget* w) {
            auto* d = static_cast<c_dlg_prgfunction*>(w);
            fill(*d->form());
            d->findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
            return int(QDialog::Accepted);
        });
    }
    void cluster_run(std::function<void(Ui::c_dlg_prgcluster&)> fill, const char* button = "bn_Close")
    {
        script.expect_modal(QStringLiteral("c_dlg_prgcluster"), [fill, button](QWidget* w) {
            auto* d = static_cast<c_dlg_prgcluster*>(w);
            fill(*d->form());
            d->findChild<QAbstractButton*>(QString::fromLatin1(button))->click();
            return int(QDialog::Accepted);
        });
    }
    static void choose(QComboBox* list, int number) { list->setCurrentIndex(list->findText(QString::number(number))); }
    int rows() const { return f->tbwx_FuncTab->rowCount(); }
};

TEST_F(function_table_test, new_takes_the_chosen_number_and_a_cancelled_new_changes_nothing)
{
    use({0, 5});
    const config_image before = g_config_image();
    function_run([](Ui::c_dlg_prgfunction& u) { u.eb_TS_ToolName->setText(QStringLiteral("Lost")); }, "bn_Cancel");
    f->bn_New->click();
    EXPECT_TRUE(g_config_image() == before);
    EXPECT_EQ(rows(), 2);

    function_run([](Ui::c_dlg_prgfunction& u) {
        choose(u.cb_TS_ToolNr, 7);
        u.eb_TS_ToolName->setText(QStringLiteral("Seven"));
    });
    f->bn_New->click();
    EXPECT_EQ(g_config_image().function(7).name(), "Seven");
    EXPECT_TRUE(g_config_image().function(7).in_use());
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(f->tbwx_FuncTab->currentRowIndex(), 7);
    EXPECT_TRUE(script.verify_consumed());
}

// Every number in use: New and New RL say so and change nothing.
TEST_F(function_table_test, no_free_number_is_told_and_changes_nothing)
{
    struct row {
        bool short_list;
        uint32_t used;
    };
    for (const row& c : {row{false, 512}, row{true, 64}}) {
        SCOPED_TRACE(c.short_list ? "64 functions" : "512 functions");
        reset_config_image(g_config_image());
        g_device().variant_bit2 = c.short_list ? 1 : 0;
        g_device().pm_capable = 1;
        use_range(0, c.used);
        const config_image before = g_config_image();
        script.expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("in use"));
        page->on_bn_New_clicked();
        script.expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("overwrite"), ui::yes)
            .expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("RL function"));
        page->on_bn_New_RL_clicked();
        EXPECT_TRUE(g_config_image() == before);
        EXPECT_TRUE(script.verify_consumed());
    }
}

TEST_F(function_table_test, change_of_a_cluster_member_edits_the_cluster_from_its_base)
{
    use({0});
    use_cluster(8);
    f->tbwx_FuncTab->selectRowById(9);
    cluster_run([](Ui::c_dlg_prgcluster& u) {
        EXPECT_EQ(u.cb_TS_ToolNr->currentText(), QStringLiteral("8"));
        u.ebx_TS_ObjectAngle->setValue(4242);
    });
    f->bn_Change->click();
    EXPECT_EQ(g_config_image().function(9).field(fr::object_pos), 4242);
    EXPECT_EQ(g_config_image().function(9).field(fr::flags), fr::flag_cluster | 4);

    // The double click is Change.
    f->tbwx_FuncTab->selectRowById(0);
    function_run([](Ui::c_dlg_prgfunction& u) { u.eb_TS_ToolName->setText(QStringLiteral("Zero")); });
    emit f->tbwx_FuncTab->doubleClicked(f->tbwx_FuncTab->model()->index(0, 0));
    EXPECT_EQ(g_config_image().function(0).name(), "Zero");
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(function_table_test, delete_of_any_member_removes_the_whole_cluster)
{
    for (uint32_t member = 0; member < 4; ++member) {
        SCOPED_TRACE(testing::Message() << "member " << member);
        reset_config_image(g_config_image());
        use({0, 20});
        use_cluster(4);
        f->tbwx_FuncTab->selectRowById(int(4 + member));
        f->bn_Delete->click();
        for (uint32_t n = 4; n < 8; ++n)
            EXPECT_FALSE(g_config_image().function(n).in_use()) << n;
        EXPECT_EQ(rows(), 2);
    }
    f->tbwx_FuncTab->selectRowById(20);
    f->bn_Delete->click();
    EXPECT_FALSE(g_config_image().function(20).in_use());
    EXPECT_TRUE(g_config_image().function(0).in_use());
    EXPECT_EQ(rows(), 1);
}

TEST_F(function_table_test, clear_counters_zeroes_free_records_too)
{
    use({3});
    g_config_image().function(3).set_field(fr::counter, 17);
    g_config_image().function(300).set_field(fr::counter, 99);
    f->bn_ClearCounters->click();
    for (uint32_t n = 0; n < image_layout::function_count; ++n)
        ASSERT_EQ(g_config_image().function(n).field(fr::counter), 0) << n;
}

TEST_F(function_table_test, new_rl_asks_before_overwriting_single_functions_at_0)
{
    use({0, 2});
    const config_image before = g_config_image();
    script.expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("overwrite"), ui::no);
    f->bn_New_RL->click();
    EXPECT_TRUE(g_config_image() == before);

    script.expect_box_containing(ui::box_kind::warning, ui::title_warning(), QStringLiteral("overwrite"), ui::yes);
    cluster_run([](Ui::c_dlg_prgcluster&) {});
    f->bn_New_RL->click();
    for (uint32_t n = 0; n < 4; ++n)
        EXPECT_EQ(g_config_image().function(n).field(fr::flags) & fr::flag_cluster, fr::flag_cluster) << n;
    EXPECT_EQ(f->tbwx_FuncTab->currentRowIndex(), 0);

    // Over a cluster at 0 nothing is asked.
    cluster_run([](Ui::c_dlg_prgcluster&) {}, "bn_Cancel");
    f->bn_New_RL->click();
    EXPECT_TRUE(script.verify_consumed());
}

// Teach and Start act on the connected controller: after New RL they follow where the program
// came from, whatever the cluster's place (a program made with New or loaded from a file would
// otherwise teach the controller and write the taught angle into the unsaved file).
TEST_F(function_table_test, new_rl_enables_teach_only_for_a_program_from_the_controller)
{
    struct row {
        const char* what;
        int source;
        bool teach;
    };
    for (const row& c : {row{"from the controller", 1, true}, row{"from a file or made with New", 2, false}, row{"none", 0, false}}) {
        SCOPED_TRACE(c.what);
        reset_config_image(g_config_image());
        g_program_document().source = c.source;
        use({5});
        cluster_run([](Ui::c_dlg_prgcluster&) {});
        f->bn_New_RL->click();
        ASSERT_TRUE(g_config_image().function(0).in_use());
        EXPECT_EQ(f->bn_Teach->isEnabled(), c.teach);
        EXPECT_EQ(f->bn_Start->isEnabled(), c.teach);
        EXPECT_TRUE(script.verify_consumed());
    }
}

// The next function is found by its number: functions added since do not shift it.
TEST_F(function_table_test, next_function_survives_inserted_rows)
{
    use({0, 5, 9});
    g_config_image().function(0).set_field(fr::next_func, 9);
    g_config_image().function(0).set_field(fr::ko_func, 5);
    function_run([](Ui::c_dlg_prgfunction& u) { choose(u.cb_TS_ToolNr, 3); });
    f->bn_New->click();
    ASSERT_TRUE(g_config_image().function(3).in_use());

    f->tbwx_FuncTab->selectRowById(0);
    function_run([](Ui::c_dlg_prgfunction& u) {
        EXPECT_EQ(u.cb_TS_NextFunction->currentText(), QStringLiteral("9"));
        EXPECT_EQ(u.cb_TS_NextFunctionKO->currentText(), QStringLiteral("5"));
    });
    f->bn_Change->click();
    EXPECT_EQ(g_config_image().function(0).field(fr::next_func), 9);
    EXPECT_EQ(g_config_image().function(0).field(fr::ko_func), 5);
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
