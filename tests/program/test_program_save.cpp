// Saving and leaving a program kept in a file: Save with and without changes, Save of a new
// program, the close questions with each answer, and a failed write that keeps the edits.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <memory>

#include "core/files/app_dirs.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlgw_program.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

const QString save_changes = QStringLiteral("Save changed data set?");
const QString saved = QStringLiteral("File save successfull");

struct save_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        program_reset_for_tests();
        init_app_dirs(QString::fromStdString(tmp.path()), QString::fromStdString(tmp.file("data")));
        chooser = std::make_unique<c_dlg_srcauswahl>();
        g_objects().source_dialog = chooser.get();
        page = std::make_unique<c_dlgw_program>();
        f = page->form();
        reset_config_image(g_config_image());
        file = QString::fromStdString(tmp.file("p.cdx"));
        g_program_document().source = 2;
        g_program_document().file_name = file;
        page->show_program(&main);
    }
    void TearDown() override
    {
        page.reset();
        g_objects().source_dialog = nullptr;
        chooser.reset();
        core_reset_for_tests();
        link_reset_for_tests();
        shell_reset_for_tests();
        reset_app_dirs_for_tests();
    }
    testing_support::temp_dir tmp;
    ui_testing::scripted_ui script;
    QWidget main;
    std::unique_ptr<c_dlg_srcauswahl> chooser;
    std::unique_ptr<c_dlgw_program> page;
    Ui::c_dlgw_program* f = nullptr;
    QString file;
};

TEST_F(save_test, save_writes_only_a_changed_program)
{
    page->on_bn_Save_clicked();
    EXPECT_FALSE(QFile::exists(file));
    f->ebx_GS_ProfibusAddr->setValue(99);
    script.expect_information(saved);
    page->on_bn_Save_clicked();
    ASSERT_TRUE(QFile::exists(file));
    EXPECT_EQ(QFile(file).size(), qint64(image_layout::image_size));
    EXPECT_EQ(g_reference_image().header().field(hdr::profibus_addr), 99);
    EXPECT_TRUE(g_reference_image() == g_config_image());
    EXPECT_TRUE(page->close_request());  // nothing left to ask about
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(save_test, a_failed_save_keeps_the_edits_and_the_reference)
{
    g_program_document().file_name = QString::fromStdString(tmp.file("missing/dir/p.cdx"));
    f->ebx_GS_ProfibusAddr->setValue(99);
    g_config_image().function(9).set_in_use(true);
    script.expect_box_containing(ui::box_kind::critical, QString(), QStringLiteral("writ"));
    page->on_bn_Save_clicked();
    EXPECT_EQ(g_reference_image().header().field(hdr::profibus_addr), 50);
    EXPECT_EQ(g_config_image().header().field(hdr::profibus_addr), 99);
    EXPECT_TRUE(g_config_image().function(9).in_use());
    // Leaving asks again; a failing write in the close check keeps everything too.
    script.expect_question(save_changes, ui::yes);
    script.expect_box_containing(ui::box_kind::critical, QString(), QStringLiteral("writ"));
    EXPECT_FALSE(page->close_request());
    EXPECT_EQ(g_config_image().header().field(hdr::profibus_addr), 99);
    EXPECT_EQ(f->ebx_GS_ProfibusAddr->value(), 99);
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(save_test, close_answers_cancel_stays_no_discards_yes_writes)
{
    struct row {
        int answer;
        bool leaves, written, edit_kept;
    };
    for (const row& r : {row{ui::cancel, false, false, true}, row{ui::no, true, false, false},
                         row{ui::yes, true, true, true}}) {
        SCOPED_TRACE(r.answer);
        QFile::remove(file);
        reset_config_image(g_config_image());
        page->show_program(&main);
        f->ebx_GS_MacId->setValue(12);
        script.expect_question(save_changes, r.answer);
        if (r.written)
            script.expect_information(saved);
        EXPECT_EQ(page->close_request(), r.leaves);
        EXPECT_EQ(QFile::exists(file), r.written);
        EXPECT_EQ(g_config_image().header().field(hdr::mac_id) == 12, r.edit_kept);
        ASSERT_TRUE(script.verify_consumed());
    }
}

TEST_F(save_test, a_new_program_asks_even_unchanged_and_goes_through_save_as)
{
    g_program_document().file_name = QStringLiteral("NEWFILE");
    script.expect_question(save_changes, ui::cancel);
    EXPECT_FALSE(page->close_request());
    script.expect_question(save_changes, ui::no);
    EXPECT_TRUE(page->close_request());
    // Yes without a chosen file stays, with the edits.
    f->ebx_GS_MacId->setValue(12);
    script.expect_question(save_changes, ui::yes).expect_modal(QDialog::Rejected, QStringLiteral("fd_Save"));
    EXPECT_FALSE(page->close_request());
    EXPECT_EQ(g_config_image().header().field(hdr::mac_id), 12);
    EXPECT_EQ(g_program_document().file_name, QStringLiteral("NEWFILE"));
    // Save of a new program runs the data source dialog (Save As); refused, nothing changes.
    script.expect_modal(QDialog::Rejected);
    page->on_bn_Save_clicked();
    EXPECT_EQ(g_program_document().file_name, QStringLiteral("NEWFILE"));
    EXPECT_EQ(g_program_document().source, 2);
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(save_test, save_as_to_another_file_writes_it_and_shows_it)
{
    const QString other = QString::fromStdString(tmp.file("q.cdx"));
    f->ebx_GS_MacId->setValue(21);
    script.expect_modal(QStringLiteral("c_dlg_srcauswahl"), [&](QWidget*) {
        g_program_document().source = 2;
        g_program_document().file_name = other;
        g_program_document().chosen = 1;
        return int(QDialog::Accepted);
    });
    script.expect_information(saved);
    page->on_bn_SaveAs_clicked();
    EXPECT_TRUE(QFile::exists(other));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_EQ(g_reference_image().header().field(hdr::mac_id), 21);
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Tarvix-Config / Settings / ") + other);
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
