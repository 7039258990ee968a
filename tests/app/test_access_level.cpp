// The Support entry: access codes, the two levels and what they show, and the customer
// configuration names that prepare a scanner configuration file for the next update.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "app/access_level.h"
#include "app/c_dlg_password.h"
#include "app/c_frm_main.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/files/parameter_files.h"
#include "core/image/core_state.h"
#include "core/text/text_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/program_state.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlg_password.h"
#include "ui_c_dlgw_program.h"
#include "ui_c_frm_main.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

namespace {

QString message(int n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }
QString host(int n) { return QString::fromLatin1(txt_error(1, n).value_or("").c_str()); }

struct support : ui_testing::app_first, ::testing::Test {
    support()
    {
        shell_reset_for_tests();
        core_reset_for_tests();
        program_reset_for_tests();
        init_app_dirs(QString::fromStdString(tmp.path()), QString::fromStdString(tmp.file("data")));
        window = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        window->link_timer()->stop();
        device_info_state& d = g_device_info();
        d.valid = true;
        d.cu_article_text = "5206252";  // the WUPT model
        d.configuration_number = 5206000;
    }
    ~support() override
    {
        window.reset();
        shell_reset_for_tests();
        core_reset_for_tests();
        program_reset_for_tests();
    }

    // The password dialog is shown; `entry` typed and Ok pressed, or cancelled when null.
    void type(const char* entry)
    {
        script.expect_modal(QStringLiteral("c_dlg_password"), [entry](QWidget* d) {
            auto* f = static_cast<c_dlg_password*>(d)->form();
            EXPECT_EQ(f->eb_Password->echoMode(), QLineEdit::Password);
            if (!entry) {
                f->bn_Cancel->click();
                return int(QDialog::Rejected);
            }
            f->eb_Password->setText(QString::fromUtf8(entry));
            f->bn_Ok->click();
            return int(QDialog::Accepted);
        });
    }

    // Clicks "Support" as the menu does: Qt toggles the check mark, then the slot runs.
    void click_support() { window->form()->ac_Support->trigger(); }

    void config_file(const char* name)
    {
        QDir().mkpath(QString::fromStdString(tmp.file("tvx_config")));
        QFile f(QString::fromStdString(tmp.file("tvx_config/") + name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(2016, 'c'));
    }

    bool diagnostic_shown() { return window->manual_page()->bn_Diagnostic()->isVisibleTo(window->manual_page()); }
    bool custom_tab_shown()
    {
        auto* tabs = window->program_page()->form()->tab_Settings;
        return tabs->indexOf(window->program_page()->form()->tw_CustomSettings) >= 0;
    }

    testing_support::temp_dir tmp;
    ui_testing::scripted_ui script;
    std::unique_ptr<c_frm_main> window;
};

TEST_F(support, codes_raise_the_level_and_unchecking_lowers_it_without_asking)
{
    struct row {
        const char* code;
        int level;
        QString box;
    } rows[] = {
        {"qzmorv", 1, label(351)},
        {"tkvra7", 2, label(500)},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.code);
        type(r.code);
        script.expect_information(r.box);
        click_support();
        EXPECT_TRUE(script.verify_consumed());
        EXPECT_EQ(g_program_page().access_level, r.level);
        EXPECT_TRUE(window->form()->ac_Support->isChecked());
        EXPECT_EQ(diagnostic_shown(), r.level == 1);
        EXPECT_EQ(custom_tab_shown(), r.level == 2);

        click_support();  // no dialog
        EXPECT_TRUE(script.verify_consumed());
        EXPECT_EQ(g_program_page().access_level, 0);
        EXPECT_FALSE(window->form()->ac_Support->isChecked());
        EXPECT_FALSE(diagnostic_shown());
        EXPECT_FALSE(custom_tab_shown());
    }
}

TEST_F(support, wrong_codes_and_cancel_leave_level_0_unchecked)
{
    struct row {
        const char* entry;  // null: cancel
        bool error;
    } rows[] = {
        {"QZMORV", true}, {"qzmorv ", true}, {"tkvra", true}, {"", true}, {"wupt", true}, {nullptr, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.entry ? r.entry : "cancel");
        type(r.entry);
        if (r.error)
            script.expect_error(host(26));
        click_support();
        EXPECT_TRUE(script.verify_consumed());
        EXPECT_EQ(g_program_page().access_level, 0);
        EXPECT_FALSE(window->form()->ac_Support->isChecked());
    }
}

TEST_F(support, customer_configuration_names)
{
    config_file("5207101_a.bin");
    config_file("5207101_b.bin");  // the greater base name wins
    config_file("5207102_z.bin");  // another configuration's file
    struct row {
        const char* name;
        const char* entry;
        std::string article;
        int configuration;
        bool valid;
        int answer89;
        QString shown;        // the one box that follows, empty: none
        ui::box_kind kind;    // of that box
        bool pending;
    } rows[] = {
        {"prepared", "WUPT", "5206252", 0, true, ui::yes,
         message(87).replace(QStringLiteral("%s"), QStringLiteral("./tvx_Config/5207101_b.bin")), ui::box_kind::question, true},
        {"No to the question", "WUPT", "5206252", 0, true, ui::no, QString(), ui::box_kind::question, false},
        {"Cancel to the question", "WUPT", "5206252", 0, true, ui::cancel, QString(), ui::box_kind::question, false},
        {"device information not valid", "WUPT", "5206252", 0, false, ui::yes, QString(), ui::box_kind::question, false},
        {"name of another model", "PRUF_QMX", "5206252", 0, true, ui::yes, host(58), ui::box_kind::critical, false},
        {"model not in the table, configuration from it", "WUPT", "5200001", 5207102, true, ui::yes, message(88),
         ui::box_kind::information, false},
        {"model not in the table", "WUPT", "5200001", 1234567, true, ui::yes, host(60), ui::box_kind::critical, false},
        {"no file", "PRUF_QMX", "5206254", 0, true, ui::yes, host(42), ui::box_kind::critical, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        g_device_info().cu_article_text = r.article;
        g_device_info().configuration_number = r.configuration;
        g_device_info().valid = r.valid;
        // "no file": no file of that configuration is left.
        if (std::string(r.name) == "no file")
            QFile::remove(QString::fromStdString(tmp.file("tvx_config/5207102_z.bin")));
        g_customer_config().pending = true;  // cleared by every check
        type(r.entry);
        script.expect_question(message(89), r.answer89);
        if (!r.shown.isEmpty())
            script.expect_box(r.kind, r.kind == ui::box_kind::critical ? ui::title_error() : ui::title_information(),
                              r.shown, ui::ok);
        click_support();
        EXPECT_TRUE(script.verify_consumed());
        EXPECT_EQ(g_customer_config().pending, r.pending);
        if (r.pending) {
            EXPECT_EQ(g_customer_config().path, QStringLiteral("./tvx_Config/5207101_b.bin"));
            EXPECT_EQ(g_customer_config().name, QStringLiteral("WUPT"));
        }
        // A name never raises the level.
        EXPECT_EQ(g_program_page().access_level, 0);
        EXPECT_FALSE(window->form()->ac_Support->isChecked());
    }
}

}  // namespace
