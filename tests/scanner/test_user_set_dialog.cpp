// The user scanner set dialog and the main window's Scanner command against tvxsim: the
// choice the dialog records, a *.sp file written into a user set, a set cleared, and nothing
// sent for Cancel, No, the frame, a file of the wrong size or a path that is no file.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/c_frm_main.h"
#include "core/files/app_dirs.h"
#include "core/files/parameter_files.h"
#include "core/files/scanner_lists.h"
#include "core/files/scanner_params.h"
#include "page_common/c_dlg_scannerfinder.h"
#include "program/c_dlgw_program.h"
#include "scanner/c_dlg_scanparausw.h"
#include "state/shell_state.h"
#include "tests/scanner/scanner_sim_fixture.h"
#include "ui_c_dlg_scanparausw.h"
#include "ui_c_frm_main.h"
#include "widgets/testing/scripted_ui.h"

namespace {

QByteArray sp_fixture(int size)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char(i * 7 + 3);
    b.replace(0, 8, QByteArray("FIXTURE\0", 8));
    return b;
}

std::string hex(const QByteArray& b) { return b.toHex().toStdString(); }

class UserScannerSet : public scanner_sim_test {
protected:
    void SetUp() override
    {
        scanner_sim_test::SetUp();
        if (HasFatalFailure())
            return;
        window = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        window->link_timer()->stop();
        dialog = g_objects().scanner_selection;
    }
    void TearDown() override
    {
        window.reset();
        scanner_sim_test::TearDown();
    }
    QString write_file(const QString& name, const QByteArray& bytes)
    {
        const QString path = data_file("cd_data/" + name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    // Scripts the dialog's run: `act` presses its buttons.
    void expect_dialog(ui_testing::scripted_ui& script, std::function<void(c_dlg_scanparausw*)> act)
    {
        script.expect_modal("c_dlg_scanparausw", [act](QWidget* d) {
            auto* dlg = static_cast<c_dlg_scanparausw*>(d);
            act(dlg);
            return dlg->result();
        });
    }
    // Scripts the file dialog: a path chosen, or cancelled with an empty one.
    static void expect_file(ui_testing::scripted_ui& script, const QString& path)
    {
        script.expect_modal("fd_ScannerParameter", [path](QWidget* d) {
            auto* fd = static_cast<QFileDialog*>(d);
            EXPECT_EQ(fd->nameFilters(), QStringList("TVX Scanner Parameter (*.sp)"));
            EXPECT_EQ(fd->defaultSuffix(), QString("sp"));
            EXPECT_EQ(fd->directory().absolutePath(), QDir(data_file("cd_data")).absolutePath());
            if (path.isEmpty())
                return int(QDialog::Rejected);
            fd->selectFile(path);
            return int(QDialog::Accepted);
        });
    }

    std::unique_ptr<c_frm_main> window;
    c_dlg_scanparausw* dialog = nullptr;
};

TEST_F(UserScannerSet, LoadParameterOneWritesTheFileIntoUserSetOne)
{
    const QByteArray bytes = sp_fixture(224);
    const QString path = write_file("fixture.sp", bytes);
    ui_testing::scripted_ui script;
    expect_dialog(script, [](c_dlg_scanparausw* d) {
        // The labels name the user sets as the lists hold them.
        EXPECT_EQ(d->form()->l_User_0->text(), QString("USER_0_NotDef"));
        EXPECT_EQ(d->form()->l_User_1->text(), QString("USER_1_NotDef"));
        d->form()->bn_Scanner1->click();
    });
    expect_file(script, path);
    script.expect_information("Save Data to Tarvix successfull!");
    window->form()->ac_Scanner->setEnabled(true);
    window->form()->ac_Scanner->trigger();
    EXPECT_EQ(set_bytes("0x81"), hex(bytes));
    EXPECT_EQ(set_bytes("0x80"), "missing");
    EXPECT_EQ(g_scanner_params().title, QString("fixture"));
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(UserScannerSet, ClearParameterZeroYesClearsUserSetZero)
{
    g_scanner_params().source = 1;
    g_scanner_params().user_set = 0;
    g_scanner_params().user.set_name("OLD SET");
    {
        ui_testing::scripted_ui quiet;
        quiet.expect_information("Save Data to Tarvix successfull!");
        error_record e;
        ASSERT_TRUE(send_scanner_parameters(false, e));
    }
    ui_testing::scripted_ui script;
    expect_dialog(script, [](c_dlg_scanparausw* d) {
        EXPECT_EQ(d->form()->l_User_0->text(), QString("USER_0_OLD_SET"));
        d->form()->bn_ClrScanner0->click();
    });
    script.expect_box(ui::box_kind::question, "Information", "Do you want to clear the scanner parameters?",
                      ui::yes);
    script.expect_information("Save Data to Tarvix successfull!");
    window->on_ac_Scanner_triggered();
    EXPECT_EQ(set_bytes("0x80"), "missing");
    EXPECT_TRUE(script.verify_consumed());
}

TEST_F(UserScannerSet, NothingIsSentWithoutAValidChoice)
{
    const QString wrong_size = write_file("short.sp", sp_fixture(100));
    ASSERT_TRUE(QDir(data_file("cd_data")).mkdir("folder.sp"));
    struct {
        const char* name;
        std::function<void(ui_testing::scripted_ui&)> script;
        std::function<void(c_dlg_scanparausw*)> act;
    } cases[] = {
        {"Cancel", nullptr, [](c_dlg_scanparausw* d) { d->form()->bn_Cancel->click(); }},
        {"frame", nullptr, [](c_dlg_scanparausw* d) { d->close(); }},
        {"Clear answered No",
         [](ui_testing::scripted_ui& s) {
             s.expect_box(ui::box_kind::question, "Information", "Do you want to clear the scanner parameters?",
                          ui::no);
         },
         [](c_dlg_scanparausw* d) { d->form()->bn_ClrScanner1->click(); }},
        {"file dialog cancelled", [](ui_testing::scripted_ui& s) { expect_file(s, QString()); },
         [](c_dlg_scanparausw* d) { d->form()->bn_Scanner1->click(); }},
        {"file of 100 bytes",
         [&](ui_testing::scripted_ui& s) {
             expect_file(s, wrong_size);
             s.expect_box(ui::box_kind::warning, QString(), "Konfig-File has illegal size!");
         },
         [](c_dlg_scanparausw* d) { d->form()->bn_Scanner0->click(); }},
        {"a path that is no file",
         [&](ui_testing::scripted_ui& s) {
             s.expect_box_containing(ui::box_kind::critical, "ERROR", "The filename should have maximum 15");
         },
         [&](c_dlg_scanparausw* d) {
             // The file dialog would not offer a folder; a path that vanished looks the same.
             g_scanner_params().file_name = data_file("cd_data/folder.sp");
             g_scanner_params().source = 2;
             d->accept();
         }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        forget();
        ui_testing::scripted_ui script;
        expect_dialog(script, c.act);
        if (c.script)
            c.script(script);
        window->on_ac_Scanner_triggered();
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(requests_since_forget(0x09), 0u);
        EXPECT_EQ(requests_since_forget(0x49), 0u);
        EXPECT_TRUE(script.verify_consumed());
    }
    EXPECT_EQ(set_bytes("0x80"), "missing");
    EXPECT_EQ(set_bytes("0x81"), "missing");
}

TEST_F(UserScannerSet, FinderMadeAtStartAndItsVersionInTheAboutBox)
{
    c_dlg_scannerfinder* finder = window->program_page()->scanner_finder();
    ASSERT_NE(finder, nullptr);
    EXPECT_EQ(finder->parent(), window->program_page());
    ui_testing::scripted_ui script;
    QString text;
    script.expect_modal(QStringLiteral("Info"), [&](QWidget* d) {
        text = static_cast<QMessageBox*>(d)->text();
        return int(QMessageBox::Ok);
    });
    window->form()->ac_About->trigger();
    EXPECT_TRUE(text.contains(QStringLiteral("Scanner-Finder:  2026.12 TVX-S FINDER 1.00"))) << text.toStdString();
}

}  // namespace
