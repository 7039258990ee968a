// Every command of the main window's menus, clicked in its menu against the tvxsim server:
// each does its work, or shows the error its command gives. None does nothing.
#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QLineEdit>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <memory>

#include "app/c_dlg_password.h"
#include "app/c_frm_main.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/files/konfig_cfg.h"
#include "core/files/parameter_files.h"
#include "core/files/program_file.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/text/error_texts.h"
#include "core/text/text_tables.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "procmon/sdcard_reader.h"
#include "scanner/c_dlg_scanparausw.h"
#include "sim/card_image.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/program_reset.h"
#include "support/test_support.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_dlg_scanparausw.h"
#include "ui_c_dlg_srcauswahl.h"
#include "ui_c_frm_main.h"
#include "widgets/c_dlg_message.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace dp = device_protocol;

namespace {

constexpr int deadline_ms = 30000;

QString message(int n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }
QString host_text(int n) { return QString::fromLatin1(txt_error(1, n).value_or("").c_str()); }

void reset_all() { testing_support::reset_program_state(); }

class menu_actions : public ui_testing::app_first, public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_all();
        ASSERT_TRUE(init_app_dirs(QString::fromStdString(app_.path()), QString::fromStdString(app_.file("data"))));
        const QString src = QString::fromStdString(testing_support::source_dir()) + QStringLiteral("/data/");
        for (const char* name : {"scannerx.lst", "scanners.cscan"})
            ASSERT_TRUE(QFile::copy(src + QLatin1String(name), app_file(QLatin1String(name))));
        sim_ = std::make_unique<testing_support::tvxsim_process>();
        ASSERT_TRUE(sim_->ok()) << sim_->error();
        window_ = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        window_->start_link();
        window_->show();
        ASSERT_TRUE(QTest::qWaitFor([] { return g_link().connected && g_link().device_answered; }, deadline_ms));
        ASSERT_TRUE(QTest::qWaitFor([this] { return window_->form()->menu_Tarvix->isEnabled(); }, deadline_ms));
    }
    void TearDown() override
    {
        window_.reset();
        reset_all();
        sim_.reset();
        reset_app_dirs_for_tests();
    }

    // Opens the menu that holds `action` and clicks its entry, as a user does; returns when the
    // flow the entry starts has ended.
    void click(QAction* action) { ui_testing::click_menu_entry(window_.get(), action); }

    int page() const { return window_->form()->stackedWidget->currentIndex(); }
    void back_to_start()
    {
        window_->form()->stackedWidget->setCurrentIndex(c_frm_main::page_start);
        window_->menuBar()->show();
        g_shell().window_mode = wm_start;
    }
    std::string ask(const std::string& line)
    {
        std::string result;
        EXPECT_TRUE(sim_->control().command(line, &result)) << line << ": " << result;
        return result;
    }
    // The command frames (command, marker) the controller received from `seq` on.
    bool received_command(uint64_t seq, uint8_t cmd, uint8_t sub)
    {
        for (const sim::wire_entry& e : sim_->control().wire_log(seq))
            if (e.direction == sim::wire_direction::in && (e.frame(2) & dp::type_kind_mask) == dp::kind_command &&
                e.frame(4) == cmd && e.frame(5) == sub)
                return true;
        return false;
    }

    testing_support::temp_dir app_;
    ui_testing::scripted_ui script_;
    std::unique_ptr<testing_support::tvxsim_process> sim_;
    std::unique_ptr<c_frm_main> window_;
};

TEST_F(menu_actions, file_menu)
{
    Ui::c_frm_main* f = window_->form();

    // New: a Premium program for the degree scale on the program page.
    script_.expect_choice(label(188), QStringLiteral("Premium")).expect_choice(label(206), QStringLiteral("Degree"));
    click(f->ac_New);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(g_program_document().file_name, QStringLiteral("NEWFILE"));
    // Both questions are boxes of the main window.
    int choices = 0;
    for (const ui_testing::prompt_record& p : script_.prompts())
        if (p.kind == ui_testing::prompt_kind::choice) {
            ++choices;
            EXPECT_EQ(p.parent, window_.get()) << p.text.toStdString();
        }
    EXPECT_EQ(choices, 2);
    back_to_start();

    // Open from the controller: its configuration on the program page.
    const uint64_t seq = sim_->control().log_next_seq();
    script_.expect_modal(QStringLiteral("c_dlg_srcauswahl"), [](QWidget* d) {
        d->findChild<QPushButton*>(QStringLiteral("bn_Tarvix"))->click();
        return int(QDialog::Accepted);
    });
    click(f->ac_Open);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(g_program_document().source, 1);
    EXPECT_GT(sim_->control().wire_log(seq).size(), 10u);
    back_to_start();

    // Open from a file: that program on the program page.
    const QString program = QString::fromStdString(app_.file("line4.cdx"));
    ASSERT_EQ(write_file_with_permissions(program), 0);
    script_
        .expect_modal(QStringLiteral("c_dlg_srcauswahl"),
                      [](QWidget* d) {
                          d->findChild<QPushButton*>(QStringLiteral("bn_File"))->click();
                          return int(QDialog::Accepted);
                      })
        .expect_modal(QString(), [program](QWidget* files) {
            static_cast<QFileDialog*>(files)->selectFile(program);
            return int(QDialog::Accepted);
        });
    click(f->ac_Open);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(page(), int(c_frm_main::page_program));
    EXPECT_EQ(g_program_document().source, 2);
    EXPECT_EQ(g_program_document().file_name, program);
    back_to_start();

    // Scanner: a scanner parameter file into the user set 0, then that set cleared.
    const QString sp = QString::fromStdString(app_.file("mine.sp"));
    {
        QFile file(sp);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray record(224, '\0');
        record.replace(0, 7, "USERSET");
        file.write(record);
    }
    // The prompts in the order they come: the selection, its file dialog, the result.
    script_
        .expect_modal(QStringLiteral("c_dlg_scanparausw"),
                      [](QWidget* d) {
                          d->findChild<QPushButton*>(QStringLiteral("bn_Scanner0"))->click();
                          return static_cast<QDialog*>(d)->result();
                      })
        .expect_modal(QStringLiteral("fd_ScannerParameter"),
                      [sp](QWidget* files) {
                          static_cast<QFileDialog*>(files)->selectFile(sp);
                          return int(QDialog::Accepted);
                      })
        .expect_information(label(171));
    click(f->ac_Scanner);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(ask("scanner-set 0x80"), "USERSET");
    script_
        .expect_modal(QStringLiteral("c_dlg_scanparausw"),
                      [](QWidget* d) {
                          d->findChild<QPushButton*>(QStringLiteral("bn_ClrScanner0"))->click();
                          return static_cast<QDialog*>(d)->result();
                      })
        .expect_box(ui::box_kind::question, ui::title_information(), label(186), ui::yes)
        .expect_information(label(171));
    click(f->ac_Scanner);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(ask("scanner-set 0x80"), "missing");

    // Process Monitor (no menu reaches it): without a card its error, with one its page.
    script_.expect_error(QStringLiteral("No sdcard detected! Please insert sdcard and try again!"));
    ::setenv("TARVIX_SDCARD_DEVICES", "/nonexistent-card", 1);
    sdcard_reset_for_tests();
    window_->on_ac_ProcessMonitor_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    testing_support::temp_dir tmp;
    const std::string image = tmp.file("card.img");
    ASSERT_TRUE(card_image::write_scenario(card_image::make_scenario(card_image::scenario_names().front()), image));
    ::setenv("TARVIX_SDCARD_DEVICES", image.c_str(), 1);
    sdcard_reset_for_tests();
    window_->on_ac_ProcessMonitor_triggered();
    EXPECT_EQ(page(), int(c_frm_main::page_procmon));
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Process Monitor / SdCard"));
    back_to_start();
    sdcard_close();
    ::unsetenv("TARVIX_SDCARD_DEVICES");
    sdcard_reset_for_tests();

    // Quit closes the program.
    click(f->ac_Quit);
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(menu_actions, tarvix_menu)
{
    Ui::c_frm_main* f = window_->form();

    // A configuration read that the controller refuses says its error once, and the start
    // page stays.
    error_record refused;
    refused.set(err_type_device, 5, err_severity_error, err_arg_once, 9);
    script_.expect_error(QString::fromLatin1(error_record_text(refused).c_str()));
    ask("fault error type=0x24 code=5 ttype=3 count=3 arg=9");
    click(f->ac_ManualMode);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(page(), int(c_frm_main::page_start));
    EXPECT_EQ(g_shell().window_mode, int(wm_start));
    ASSERT_TRUE(QTest::qWaitFor([f] { return f->ac_ManualMode->isEnabled(); }, deadline_ms));

    // The simulated controller holds no functions yet.
    script_.expect_information(message(14));
    click(f->ac_ManualMode);
    EXPECT_EQ(page(), int(c_frm_main::page_manual));
    EXPECT_EQ(g_shell().window_mode, int(wm_manual));
    back_to_start();

    // Create Clone reads the controller's versions: its firmware is too old to be cloned.
    script_.expect_information(message(32), ui::ok).expect_error(message(76));
    click(f->ac_CreateClone);
    EXPECT_TRUE(script_.verify_consumed());
    // Program Clone asks for its clone file after its two warnings; none is chosen.
    script_.expect_information(message(36), ui::ok)
        .expect_warning(message(67), ui::ok)
        .expect_modal(QStringLiteral("Program clone data from file ..."), [](QWidget*) { return int(QDialog::Rejected); });
    click(f->ac_ProgramClone);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);

    struct row {
        QAction* action;
        std::function<void()> script;
        uint8_t sub;  // the reset command's sub-command sent
    } rows[] = {
        {f->ac_FactoryDefaults, [this] { script_.expect_warning(message(12), ui::yes); }, 1},
        {f->ac_Reset, [this] { script_.expect_question(message(74), ui::yes); }, 3},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.action->objectName().toStdString());
        ASSERT_TRUE(QTest::qWaitFor([] { return g_link().connected && g_link().device_answered; }, deadline_ms));
        ASSERT_TRUE(QTest::qWaitFor([&] { return r.action->isEnabled(); }, deadline_ms));
        const uint64_t seq = sim_->control().log_next_seq();
        r.script();
        click(r.action);
        EXPECT_TRUE(script_.verify_consumed());
        EXPECT_TRUE(g_objects().message_dialog->isVisible());
        // The message closes once the controller is back.
        EXPECT_TRUE(QTest::qWaitFor([] { return !g_objects().message_dialog->isVisible(); }, deadline_ms));
        EXPECT_TRUE(received_command(seq, dp::cmd_reset, r.sub));
    }
}

TEST_F(menu_actions, options_and_help_menus)
{
    Ui::c_frm_main* f = window_->form();

    // Language: its dialog, with the current language selected.
    script_.expect_modal(QStringLiteral("c_dlg_language"), [](QWidget*) { return int(QDialog::Rejected); });
    click(f->ac_Language);
    EXPECT_TRUE(script_.verify_consumed());

    // Support: the password dialog, and the level its code gives.
    script_.expect_modal(QStringLiteral("c_dlg_password"), [](QWidget* d) {
        d->findChild<QLineEdit*>(QStringLiteral("eb_Password"))->setText(QStringLiteral("qzmorv"));
        return int(QDialog::Accepted);
    });
    script_.expect_information(label(351));
    click(f->ac_Support);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_TRUE(f->ac_Support->isChecked());

    // A customer configuration prepared for this controller is dropped when the link is lost.
    g_customer_config().pending = true;
    ask("unplug 300");
    EXPECT_TRUE(QTest::qWaitFor([] { return !g_link().connected; }, deadline_ms));
    EXPECT_FALSE(g_customer_config().pending);
    ASSERT_TRUE(QTest::qWaitFor([f] { return f->ac_SystemInfo->isEnabled(); }, deadline_ms));

    // FW Update reads the controller's loader version, then finds no loader installed.
    ASSERT_TRUE(QTest::qWaitFor([f] { return f->ac_FW_Update->isEnabled(); }, deadline_ms));
    script_.expect_warning(message(67), ui::ok).expect_error(host_text(47)).expect_error(label(441));
    click(f->ac_FW_Update);
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);
    // PROFINET-FW Update stays hidden in its menu, so no click reaches it; its action still
    // runs the command: it asks for its image, and none is chosen.
    EXPECT_TRUE(f->menu->actions().contains(f->ac_TPS_Update));
    EXPECT_FALSE(f->ac_TPS_Update->isVisible());
    script_.expect_open_file(QString(), QStringLiteral("Please select the file to send to the TVX-PM"))
        .expect_error(QStringLiteral("Filename ist empty"));
    f->ac_TPS_Update->trigger();
    EXPECT_TRUE(script_.verify_consumed());

    // System Info and About: their dialogs.
    script_.expect_modal(QStringLiteral("Info"), [](QWidget*) { return 0; });
    click(f->ac_SystemInfo);
    EXPECT_TRUE(script_.verify_consumed());
    script_.expect_modal(QStringLiteral("Info"), [](QWidget*) { return 0; });
    click(f->ac_About);
    EXPECT_TRUE(script_.verify_consumed());
}

// Help starts hh.exe from PATH with the help file of the language, in the documents folder:
// a child of the program whose output nobody reads, a fresh viewer for each start.
TEST_F(menu_actions, help_opens_the_help_file_of_the_language)
{
    testing_support::temp_dir tmp;
    const QString bin = QString::fromStdString(tmp.file("bin"));
    QDir().mkpath(bin);
    const QString record = QString::fromStdString(tmp.file("started"));
    const QString open = QString::fromStdString(tmp.file("open"));  // the viewers stay while it exists
    {
        QFile hh(bin + QStringLiteral("/hh.exe"));
        ASSERT_TRUE(hh.open(QIODevice::WriteOnly));
        hh.write("#!/bin/sh\necho \"$PPID $(pwd) $*\" >> '" + record.toLocal8Bit() +
                 "'\necho noise; echo noise >&2\nwhile [ -e '" + open.toLocal8Bit() + "' ]; do sleep 0.05; done\n");
        hh.close();
        hh.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    {
        QFile flag(open);
        ASSERT_TRUE(flag.open(QIODevice::WriteOnly));
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.toLocal8Bit() + ":" + path);
    const QString docs = g_app_dirs().application + QStringLiteral("/documents");
    QDir().mkpath(docs);
    const QString expected_dir = QDir(docs).canonicalPath();
    const QString parent = QString::number(QCoreApplication::applicationPid());

    struct row {
        int language;
        const char* file;
    } rows[] = {{0, "TarvixManualHelpEn.chm"}, {1, "TarvixManualHelpDt.chm"}, {3, "TarvixManualHelpEn.chm"}};
    int started = 0;
    for (const row& r : rows) {
        SCOPED_TRACE(r.language);
        g_konfig().language = r.language;
        click(window_->form()->ac_Help);
        ++started;
        // Each start runs while the viewer before it is still open.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                QFile f(record);
                return f.open(QIODevice::ReadOnly) && f.readAll().count('\n') == started;
            },
            deadline_ms));
        QFile f(record);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
        EXPECT_EQ(QString::fromLocal8Bit(lines.last()), parent + QStringLiteral(" ") + expected_dir +
                                                             QStringLiteral(" ") + docs + QStringLiteral("/") +
                                                             QLatin1String(r.file));
    }
    // The viewers end with their windows; none of their output was taken in.
    QProcess* spare = g_objects().spare_process;
    QFile::remove(open);
    ASSERT_TRUE(QTest::qWaitFor(
        [spare] { return spare->state() == QProcess::NotRunning && spare->findChildren<QProcess*>().isEmpty(); },
        deadline_ms));
    EXPECT_EQ(spare->bytesAvailable(), 0);
    EXPECT_TRUE(spare->readAllStandardError().isEmpty());

    // Without its documents folder Help says so once, in its own words, and starts nothing.
    ASSERT_TRUE(QDir(docs).removeRecursively());
    static QStringList* said = nullptr;
    QStringList messages;
    said = &messages;
    const QtMessageHandler before = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& m) { said->append(m); });
    window_->form()->ac_Help->trigger();  // no menu, whose pop-up the offscreen platform remarks on
    QTest::qWait(200);
    qInstallMessageHandler(before);
    said = nullptr;
    ASSERT_EQ(messages.size(), 1) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Help: the folder ") + docs)) << messages[0].toStdString();
    QFile f(record);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().count('\n'), started);
    qputenv("PATH", path);
}

}  // namespace
