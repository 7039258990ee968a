// The data source dialog, the language dialog and the system information form.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QRadioButton>
#include <QLabel>
#include <QPushButton>

#include "app/c_dlg_language.h"
#include "app/c_dlg_systeminfo.h"
#include "app/c_frm_main.h"
#include "core/files/app_dirs.h"
#include "core/files/konfig_cfg.h"
#include "core/image/core_state.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "state/shell_state.h"
#include "support/test_support.h"
#include "ui_c_dlg_language.h"
#include "ui_c_dlg_srcauswahl.h"
#include "ui_c_dlg_systeminfo.h"
#include "ui_c_frm_main.h"
#include "widgets/c_my_rbg.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct source_dialog : ui_testing::app_first, ::testing::Test {
    source_dialog()
    {
        shell_reset_for_tests();
        core_reset_for_tests();
        init_app_dirs(QString::fromStdString(tmp.path()), QString::fromStdString(tmp.file("data")));
    }
    ~source_dialog() override
    {
        shell_reset_for_tests();
        core_reset_for_tests();
        reset_app_dirs_for_tests();
    }

    // Runs the source dialog as the open flow and the save commands do, pressing `button`.
    int run(QPushButton* button)
    {
        dialog.prepareFileDialog();
        dialog.setResult(-1);
        button->click();
        return dialog.result();
    }

    testing_support::temp_dir tmp;
    ui_testing::scripted_ui script;
    c_dlg_srcauswahl dialog;
};

TEST_F(source_dialog, form_and_preparation)
{
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Dialog"));
    EXPECT_EQ(dialog.form()->bn_Tarvix->text(), QStringLiteral("&Tarvix"));
    EXPECT_EQ(dialog.form()->bn_File->text(), QStringLiteral("&File"));
    EXPECT_EQ(dialog.form()->bn_Cancel->text(), QStringLiteral("&Cancel"));
    EXPECT_EQ(dialog.form()->rbg_UP_Nr->title(), QStringLiteral("UserParNr"));
    EXPECT_EQ(dialog.form()->rbg_UP_Nr->button_count(), 2);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowContextHelpButtonHint);

    g_program_document().chosen = 1;
    dialog.prepareFileDialog();
    EXPECT_EQ(g_program_document().chosen, 0);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Load Data from ..."));
    EXPECT_FALSE(dialog.form()->rbg_UP_Nr->isVisibleTo(&dialog));
    QFileDialog* load = dialog.load_dialog();
    EXPECT_EQ(load->windowTitle(), QStringLiteral("Load Data from ..."));
    EXPECT_EQ(load->directory().absolutePath(), QString::fromStdString(tmp.file("data/cd_data")));
    EXPECT_EQ(load->nameFilters(), QStringList{QStringLiteral("TVX Files (*.CDX)")});
    EXPECT_EQ(load->defaultSuffix(), QStringLiteral("cdx"));

    g_shell().source_save_mode = true;
    dialog.prepareFileDialog();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Save Data to ..."));
    EXPECT_EQ(dialog.save_dialog()->windowTitle(), QStringLiteral("Save Data to ..."));
    EXPECT_EQ(dialog.save_dialog()->defaultSuffix(), QStringLiteral("cdx"));
}

TEST_F(source_dialog, controller_button_chooses_the_controller)
{
    program_document& doc = g_program_document();
    doc.file_name = QStringLiteral("/x/old.cdx");
    doc.second_file_name = QStringLiteral("/x/second.cdx");
    dialog.form()->rbg_UP_Nr->setIndex(1);
    EXPECT_EQ(run(dialog.form()->bn_Tarvix), int(QDialog::Accepted));
    EXPECT_EQ(doc.source, 1);
    EXPECT_EQ(doc.file_name, QString());
    EXPECT_EQ(doc.second_file_name, QString());
    EXPECT_EQ(doc.user_set, 1);
    EXPECT_EQ(doc.chosen, 1);
}

TEST_F(source_dialog, cancel_leaves_the_source_as_the_caller_set_it)
{
    EXPECT_EQ(run(dialog.form()->bn_Cancel), int(QDialog::Rejected));
    EXPECT_EQ(g_program_document().source, 0);
    EXPECT_EQ(g_program_document().chosen, 0);

    // Cancelling the file dialog after "File" also chooses nothing.
    script.expect_modal(0, QStringLiteral("fd_Load"));
    EXPECT_EQ(run(dialog.form()->bn_File), int(QDialog::Rejected));
    EXPECT_EQ(g_program_document().source, 0);
    EXPECT_EQ(g_program_document().chosen, 0);
}

TEST_F(source_dialog, loading_takes_the_chosen_file)
{
    const QString file = QString::fromStdString(tmp.file("prog.cdx"));
    script.expect_modal(QStringLiteral("fd_Load"), [&](QWidget* d) {
        auto* fd = static_cast<QFileDialog*>(d);
        EXPECT_EQ(fd->acceptMode(), QFileDialog::AcceptOpen);
        EXPECT_EQ(fd->fileMode(), QFileDialog::ExistingFile);
        fd->selectFile(file);
        return int(QDialog::Accepted);
    });
    EXPECT_EQ(run(dialog.form()->bn_File), int(QDialog::Accepted));
    EXPECT_EQ(g_program_document().source, 2);
    EXPECT_EQ(g_program_document().file_name, file);
    EXPECT_EQ(g_program_document().chosen, 1);
}

TEST_F(source_dialog, saving_asks_before_overwriting_only_for_a_new_program)
{
    struct row {
        const char* file_name;
        const char* second;
        int source;
        bool pm_capable;
        bool confirm_overwrite;
        const char* preselected;  // base name the save dialog offers
    } rows[] = {
        {"NEWFILE", "", 2, false, true, ""},
        {"opened.cdx", "", 2, false, false, "opened.cdx"},
        {"opened.cdx", "second.cdx", 1, true, false, "second.cdx"},
        {"opened.cdx", "second.cdx", 1, false, false, "opened.cdx"},
        {"opened.cdx", "", 1, true, false, "opened.cdx"},
    };
    g_shell().source_save_mode = true;
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.file_name) + " " + r.second);
        program_document& doc = g_program_document();
        doc.file_name = r.file_name == QLatin1String("NEWFILE") ? QStringLiteral("NEWFILE")
                                                                : QString::fromStdString(tmp.file(r.file_name));
        doc.second_file_name = *r.second ? QString::fromStdString(tmp.file(r.second)) : QString();
        doc.source = r.source;
        g_device().pm_capable = r.pm_capable;
        const QString target = QString::fromStdString(tmp.file("target.cdx"));
        script.expect_modal(QStringLiteral("fd_Save"), [&](QWidget* d) {
            auto* fd = static_cast<QFileDialog*>(d);
            EXPECT_EQ(fd->acceptMode(), QFileDialog::AcceptSave);
            EXPECT_EQ(!fd->testOption(QFileDialog::DontConfirmOverwrite), r.confirm_overwrite);
            const QStringList offered = fd->selectedFiles();
            // With no name in the dialog, Qt offers the directory itself.
            EXPECT_EQ(offered.isEmpty() || QFileInfo(offered.first()).isDir() ? QString()
                                                                              : QFileInfo(offered.first()).fileName(),
                      *r.preselected ? QString::fromLatin1(r.preselected) : QString());
            fd->selectFile(target);
            return int(QDialog::Accepted);
        });
        EXPECT_EQ(run(dialog.form()->bn_File), int(QDialog::Accepted));
        EXPECT_EQ(doc.source, 2);
        EXPECT_EQ(doc.file_name, target);
    }
}

struct language_dialog : ui_testing::app_first, ::testing::Test {
    language_dialog()
    {
        reset_konfig_for_tests();
        g_app_dirs().data = QString::fromStdString(tmp.path());
        write_file("A:50\nC:1\nM:3\nL:1\n");  // as an editor left it: LF line ends
        read_konfig_cfg();
    }
    ~language_dialog() override
    {
        reset_konfig_for_tests();
        reset_app_dirs_for_tests();
        shell_reset_for_tests();
    }

    QString path() const { return QString::fromStdString(tmp.file("konfig.cfg")); }
    void write_file(const QByteArray& bytes)
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QByteArray file() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    testing_support::temp_dir tmp;
    ui_testing::scripted_ui script;
};

TEST_F(language_dialog, form)
{
    c_dlg_language d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Language"));
    EXPECT_EQ(d.minimumSize(), QSize(468, 287));
    EXPECT_EQ(d.maximumSize(), QSize(468, 287));
    EXPECT_EQ(d.form()->rbg_Language->button_text(0), QStringLiteral("English"));
    EXPECT_EQ(d.form()->rbg_Language->button_text(1), QStringLiteral("Deutsch"));
    EXPECT_EQ(d.form()->l_Hint->text(), QStringLiteral("Select language for helpfile"));
    EXPECT_EQ(d.form()->bn_Close->text(), QStringLiteral("&Ok"));
    EXPECT_EQ(d.form()->bn_Cancel->text(), QStringLiteral("&Cancel"));
}

TEST_F(language_dialog, ok_rewrites_konfig_cfg_only_when_the_language_changed)
{
    {
        c_dlg_language d;
        d.select_current();
        EXPECT_TRUE(d.form()->rbg_Language->button(1)->isChecked());
        d.form()->bn_Close->click();
        EXPECT_EQ(d.result(), int(QDialog::Accepted));
    }
    EXPECT_EQ(file(), QByteArray("A:50\nC:1\nM:3\nL:1\n"));

    {
        c_dlg_language d;
        d.select_current();
        d.form()->rbg_Language->button(0)->click();
        d.form()->bn_Cancel->click();
    }
    EXPECT_EQ(g_konfig().language, 1);
    EXPECT_EQ(file(), QByteArray("A:50\nC:1\nM:3\nL:1\n"));

    {
        c_dlg_language d;
        d.select_current();
        d.form()->rbg_Language->button(0)->click();
        d.form()->bn_Close->click();
    }
    EXPECT_EQ(g_konfig().language, 0);
    EXPECT_EQ(file(), QByteArray("A:50\r\nC:1\r\nM:3\r\nL:0\r\n"));
}

TEST_F(language_dialog, the_menu_command_opens_it_on_the_current_language)
{
    c_frm_main w;
    int shownIndex = -1;
    script.expect_modal(QStringLiteral("c_dlg_language"), [&](QWidget* d) {
        auto* dialog = static_cast<c_dlg_language*>(d);
        EXPECT_EQ(dialog->parent(), nullptr);
        shownIndex = dialog->form()->rbg_Language->index();
        dialog->form()->rbg_Language->button(0)->click();
        dialog->form()->bn_Close->click();
        return dialog->result();
    });
    w.form()->ac_Language->trigger();
    EXPECT_EQ(shownIndex, 1);
    EXPECT_EQ(g_konfig().language, 0);
    EXPECT_TRUE(file().endsWith("L:0\r\n"));
}

TEST(system_info_dialog, form_captions_and_placeholders)
{
    ui_testing::test_app();
    c_dlg_systeminfo d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Info"));
    const std::pair<const char*, const char*> captions[] = {
        {"Label1", "Control Unit:"},      {"Label2", "FW Version:"},     {"Label37", "Firmld Version:"},
        {"Label49", "Control Unit ID:"},  {"Label47_2", "Configuration:"}, {"Label47", "Scanner ID:"},
        {"Label43", "I/O Module:"},       {"Label43_2", "TPS1-Profinet:"}, {"Label3", "Tarvix System Info"},
    };
    for (const auto& [name, text] : captions) {
        auto* l = d.findChild<QLabel*>(QLatin1String(name));
        ASSERT_NE(l, nullptr) << name;
        EXPECT_EQ(l->text(), QLatin1String(text));
    }
    EXPECT_EQ(d.form()->L_TPS1_Version->text(), QStringLiteral("------"));
    EXPECT_EQ(d.form()->L_TVX_Family->text(), QString());
}

}  // namespace
