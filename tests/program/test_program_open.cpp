// New and Open from the main window: the questions of a new program with their named
// buttons, a program file opened into the page, and files that are not programs.
#include <gtest/gtest.h>

#include <QDialog>
#include <QFile>
#include <QMenuBar>
#include <QStackedWidget>
#include <QTimer>
#include <memory>

#include "app/c_frm_main.h"
#include "core/files/app_dirs.h"
#include "core/files/program_file.h"
#include "core/image/config_image.h"
#include "core/image/core_state.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlgw_program.h"
#include "ui_c_frm_main.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

const QString file_type = QStringLiteral("Please select the Tarvix file type");
const QString measuring = QStringLiteral("Please select the Tarvix measuring system");

struct open_test : ui_testing::app_first, ::testing::Test {
    void SetUp() override
    {
        shell_reset_for_tests();
        core_reset_for_tests();
        link_reset_for_tests();
        program_reset_for_tests();
        init_app_dirs(qEnvironmentVariable("TARVIX_APP_DIR"), QString::fromStdString(tmp.file("data")));
        w = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        w->link_timer()->stop();
    }
    void TearDown() override
    {
        w.reset();
        shell_reset_for_tests();
        core_reset_for_tests();
        link_reset_for_tests();
        reset_app_dirs_for_tests();
    }
    int page() const { return w->form()->stackedWidget->currentIndex(); }
    Ui::c_dlgw_program* f() const { return w->program_page()->form(); }
    // The data source dialog answers with a file.
    void choose_file(const QString& name)
    {
        script.expect_modal(QStringLiteral("c_dlg_srcauswahl"), [name](QWidget*) {
            g_program_document().source = 2;
            g_program_document().file_name = name;
            g_program_document().chosen = 1;
            return int(QDialog::Accepted);
        });
    }
    testing_support::temp_dir tmp;
    ui_testing::scripted_ui script;
    std::unique_ptr<c_frm_main> w;
};

TEST_F(open_test, new_program_asks_type_and_measuring_system_by_named_buttons)
{
    script.expect_choice(file_type, QStringLiteral("Premium")).expect_choice(measuring, QStringLiteral("Length"));
    w->on_ac_New_triggered();
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(g_shell().window_mode, int(wm_program));
    EXPECT_EQ(g_program_document().file_name, QStringLiteral("NEWFILE"));
    const const_settings_header h = g_config_image().header();
    EXPECT_EQ(h.field(hdr::area_flag), 1);
    EXPECT_EQ(h.field(hdr::def_teach_limit), 100);
    EXPECT_EQ(h.field(hdr::def_tolerance), 1000);
    EXPECT_EQ(f()->stw_ToolSettings->currentWidget(), f()->stwp_Premium);
    EXPECT_TRUE(g_reference_image() == g_config_image());
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(open_test, new_basic_program_and_cancel)
{
    script.expect_choice(file_type, QStringLiteral("Basic"));
    w->on_ac_New_triggered();
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(g_device().family_flag, 1);
    EXPECT_TRUE(g_config_image().function(0).in_use());
    EXPECT_EQ(f()->stw_ToolSettings->currentWidget(), f()->stwp_Basic);
    EXPECT_EQ(g_config_image().function(2).field(fr::teach_limit), -g_config_image().function(0).field(fr::teach_limit));

    // Leaving the new program: the save question, answered No.
    script.expect_question(QStringLiteral("Save changed data set?"), ui::no);
    emit w->program_page()->sig_Return();
    ASSERT_EQ(page(), int(c_frm_main::page_start));
    script.expect_choice(file_type, QStringLiteral("Premium")).expect_choice(measuring, QStringLiteral("&Cancel"));
    w->on_ac_New_triggered();
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    EXPECT_EQ(g_shell().window_mode, int(wm_start));
    EXPECT_TRUE(script.verify_consumed());
}

// The presets of a new Premium program by measuring system, and Cancel at the first
// question. Each row starts from the start page, after a new ZP9LIN program had set its flag.
TEST_F(open_test, new_program_presets_by_measuring_system)
{
    struct row {
        const char* name;
        QStringList answers;  // the file type, then the measuring system
        bool opened;
        int area_flag, position1, position2, teach_limit, tolerance, scanner, rot_dir;
        bool zp9lin;
    } rows[] = {
        {"ZP9LIN", {QStringLiteral("Premium"), QStringLiteral("ZP9LIN")}, true, 1, 2500, 10000, 10000, 100, 7, 1, true},
        {"Degree", {QStringLiteral("Premium"), QStringLiteral("Degree")}, true, 0, 4000, 13000, 27000, 300, 0, 1, false},
        {"Cancel at the file type", {QStringLiteral("&Cancel")}, false, 0, 0, 0, 0, 0, 0, 0, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        g_program_page().new_program_zp9lin = true;
        w->form()->stackedWidget->setCurrentIndex(c_frm_main::page_start);
        w->menuBar()->show();
        g_shell().window_mode = wm_start;
        script.expect_choice(file_type, r.answers.at(0));
        if (r.answers.size() > 1)
            script.expect_choice(measuring, r.answers.at(1));
        w->on_ac_New_triggered();
        EXPECT_TRUE(script.verify_consumed());
        EXPECT_EQ(g_program_page().new_program_zp9lin, r.zp9lin);
        if (!r.opened) {
            EXPECT_EQ(page(), int(c_frm_main::page_start));
            EXPECT_EQ(g_shell().window_mode, int(wm_start));
            EXPECT_FALSE(w->menuBar()->isHidden());
            continue;
        }
        EXPECT_EQ(page(), int(c_frm_main::page_program));
        const const_settings_header h = g_config_image().header();
        EXPECT_EQ(h.field(hdr::area_flag), r.area_flag);
        EXPECT_EQ(h.field(hdr::position1), r.position1);
        EXPECT_EQ(h.field(hdr::position2), r.position2);
        EXPECT_EQ(h.field(hdr::def_teach_limit), r.teach_limit);
        EXPECT_EQ(h.field(hdr::def_tolerance), r.tolerance);
        EXPECT_EQ(h.field(hdr::scanner), r.scanner);
        EXPECT_EQ(h.field(hdr::rot_dir), r.rot_dir);
    }
}

TEST_F(open_test, open_shows_a_program_file_and_refuses_what_is_not_one)
{
    config_image img;
    reset_config_image(img);
    for (uint32_t n = 0; n < 40; ++n) {
        img.function(n).set_in_use(true);
        img.function(n).set_field(fr::object_pos, int32_t(100 * n));
    }
    img.header().set_field(hdr::profibus_addr, 33);
    const QString good = QString::fromStdString(tmp.file("forty.cdx"));
    {
        QFile out(good);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(encode_program_file(img));
    }
    choose_file(good);
    w->on_ac_Open_triggered();
    ASSERT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(f()->tbwx_FuncTab->rowCount(), 40);
    EXPECT_EQ(f()->ebx_GS_ProfibusAddr->value(), 33);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tarvix / Settings / ") + good);
    emit w->program_page()->sig_Return();
    ASSERT_EQ(page(), int(c_frm_main::page_start));

    // A truncated file: its error, and the start page stays.
    const QString cut = QString::fromStdString(tmp.file("cut.cdx"));
    {
        QFile out(cut);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(encode_program_file(img).left(1000));
    }
    choose_file(cut);
    script.expect_box_containing(ui::box_kind::critical, QString(), QString());
    w->on_ac_Open_triggered();
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    EXPECT_EQ(g_shell().window_mode, int(wm_start));
    EXPECT_TRUE(script.verify_consumed());
}

}  // namespace
