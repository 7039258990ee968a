// FW Update, Create Clone and Program Clone as a newcomer runs them after ./run.sh: the update
// images that scripts/start.sh lays into the application directory (tvxupdates), a paced
// Premium controller of tvxsim, the menu entries, the real boxes, file dialogs and progress
// dialog, and the real flashcli. Each road also meets an unplug in its middle: it ends in its
// error box without hanging, leaves no half-written file, and after the replug the same road
// passes.
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <cstring>
#include <filesystem>

#include "app/app_directories.h"
#include "app/c_dlg_createclone.h"
#include "app/c_sndhex.h"
#include "app/clone_file.h"
#include "widgets/c_dlg_progressbar.h"
#include "core/device/device_info.h"
#include "program/c_dlgw_program.h"
#include "tests/app/update_app_dir.h"
#include "tests/roads/road_fixture.h"
#include "ui_c_dlg_createclone.h"
#include "ui_c_dlgw_program.h"

namespace roads {
namespace {

namespace fs = std::filesystem;

QByteArray read_file(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The images tvxupdates writes: firmware 1.17.06.012, loader 1.06.02, logic 3.30.
const QString firmware = QStringLiteral("tvx_fsw/F252_117.06.012.hex");
const QString loader = QStringLiteral("tvx_firmload/F251_10602.bin");

class update_road : public road_test {
protected:
    // The installation as scripts/start.sh leaves it; the program's directories and the
    // current directory set to it.
    void before_window() override
    {
        old_cwd_ = fs::current_path();
        root_ = fs::path(app_.file("root"));
        std::string why;
        ASSERT_TRUE(update_testing::make_update_app_dir(root_, {}, why)) << why;
        app_dir_ = root_ / "app";
        ASSERT_TRUE(set_directory_copies(QString::fromStdString(app_dir_.string()),
                                         QString::fromStdString((root_ / "data").string())));
        QProcess images;
        images.start(QString::fromLocal8Bit(qgetenv("TARVIX_APP_DIR")) + QStringLiteral("/tvxupdates"),
                     {QString::fromStdString(app_dir_.string())});
        ASSERT_TRUE(images.waitForFinished(20000));
        ASSERT_EQ(images.exitCode(), 0) << images.readAllStandardError().toStdString();
        const QStringList written =
            QString::fromLocal8Bit(images.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_TRUE(written.contains(firmware) && written.contains(loader)) << written.join(' ').toStdString();
    }
    void TearDown() override
    {
        road_test::TearDown();
        std::error_code ec;
        fs::current_path(old_cwd_, ec);
    }

    // Sends `unplug` to `who` once `condition` holds, from a timer that runs in the event loops
    // of the flow (progress passes, the runner's wait).
    void unplug_when(std::function<bool()> condition, sim::control_client& who)
    {
        unplugged_ = false;
        auto* t = new QTimer(window_.get());
        QObject::connect(t, &QTimer::timeout, t, [this, t, condition, &who] {
            if (unplugged_ || !condition())
                return;
            t->stop();
            t->deleteLater();
            std::string result;
            EXPECT_TRUE(who.command("unplug", &result)) << result;
            unplugged_ = true;
        });
        t->start(2);
    }
    // The shared progress dialog is up and past `percent`.
    bool progress_past(int percent)
    {
        return services_.progress_dialog()->isVisible() && services_.progress_value() > percent;
    }
    static bool pane_shows(const char* text)
    {
        return g_objects().output_pane && g_objects().output_pane->isVisible() &&
               g_objects().output_pane->toPlainText().contains(QLatin1String(text));
    }
    // The box's Yes, else its Ok (a note that only informs has Ok alone).
    dialog_driver& affirm(const QString& match)
    {
        return driver_.act(match, [](QDialog* d) {
            auto* box = qobject_cast<QMessageBox*>(d);
            QAbstractButton* b = box ? box->button(QMessageBox::Yes) : nullptr;
            if (box && !b)
                b = box->button(QMessageBox::Ok);
            if (b)
                b->click();
            else
                d->reject();
        });
    }
    bool answers_with_firmware(uint8_t minor)
    {
        return wait([minor] {
            return g_link().connected && g_link().device_answered && g_device_info().valid &&
                   g_device_info().firmware.minor == minor;
        });
    }
    std::string versions(sim::control_client& c)
    {
        std::string v;
        EXPECT_TRUE(c.command("versions", &v)) << v;
        return v.substr(0, v.find(" logic"));
    }
    QString app_path(const QString& name) const
    {
        return QString::fromStdString((app_dir_ / name.toStdString()).string());
    }
    // The controller runs its application again after a flashcli run, and has answered the
    // program's status requests since.
    bool settled(sim::control_client& c)
    {
        std::string p;
        if (!wait([&] { return c.command("personality", &p) && p.rfind("application", 0) == 0; }))
            return false;
        return answering(c);
    }
    // The controller (its application or only its loader) answers the program's status
    // requests again.
    bool answering(sim::control_client& c)
    {
        const uint64_t seq = c.log_next_seq();
        return wait([&] {
            int answers = 0;
            for (const sim::wire_entry& e : c.wire_log(seq))
                answers += e.direction == sim::wire_direction::out;
            return answers >= 3 && g_link().connected;
        });
    }
    void expect_ends_in_error(const char* road)
    {
        SCOPED_TRACE(road);
        struct forget {
            dialog_driver& d;
            ~forget() { d.clear(); }
        } forget_steps{driver_};
        EXPECT_TRUE(unplugged_);
        EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
        ASSERT_FALSE(driver_.boxes().empty());
        EXPECT_EQ(driver_.boxes().back().title, ui::title_error()) << driver_.summary().toStdString();
        EXPECT_EQ(g_dev_commands().update_in_progress, 0);
        EXPECT_EQ(g_dev_commands().exchange_busy, 0);
    }

    fs::path root_, app_dir_, old_cwd_;
    bool unplugged_ = false;
};

TEST_F(update_road, fw_update_ends_in_its_error_when_unplugged_and_programs_the_images_after_the_replug)
{
    ASSERT_TRUE(answers_with_firmware(16));
    const auto script_to_programming = [this] {
        driver_.press(ui::title_warning(), QMessageBox::Ok);
        affirm(ui::title_confirm())
            .choose_file(QStringLiteral("Select Tarvix firmware file ..."), app_path(firmware))
            .press(ui::title_confirm(), QMessageBox::Yes);
    };

    // Unplugged while flashcli writes the firmware: the run fails, is not repeated, and the
    // flow ends with its error.
    script_to_programming();
    driver_.press(ui::title_error(), QMessageBox::No).press(ui::title_error(), QMessageBox::Ok);
    unplug_when([] { return pane_shows("DOWNLOAD FSW-HEX FLASH"); }, sim_->control());
    click(form()->ac_FW_Update);
    expect_ends_in_error("unplugged");
    EXPECT_FALSE(g_objects().output_pane->isVisible());

    // Back on the bus (the controller may run only its loader now): FW Update programs it.
    ask("replug");
    ASSERT_TRUE(answering(sim_->control()));
    ASSERT_TRUE(form()->ac_FW_Update->isEnabled());
    script_to_programming();
    driver_.press(ui::title_information(), QMessageBox::Ok);
    click(form()->ac_FW_Update);
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_FALSE(driver_.boxes().empty());
    EXPECT_EQ(driver_.boxes().back().text, QStringLiteral("The update process was successfull."))
        << driver_.summary().toStdString();
    EXPECT_EQ(ask("versions").substr(0, 46), "firmware 1.17.06.012 loader 1.06.02 logic 3.3 ");
    ASSERT_TRUE(answers_with_firmware(17));
}

// A controller that runs what the installation holds.
class clone_road : public update_road {
protected:
    void before_window() override
    {
        update_road::before_window();
        ask("version firmware 1 17 6 12");
        ask("version loader 1 6 2");
    }
    void script_create(const QString& clone, const QString& comment)
    {
        driver_.press(ui::title_information(), QMessageBox::Ok)
            .choose_file(QStringLiteral("Save clone data to ..."), clone)
            .act(QStringLiteral("c_dlg_createclone"), [comment](QDialog* d) {
                auto* f = static_cast<c_dlg_createclone*>(d)->form();
                f->eb_Comment->setText(comment);
                f->bn_Yes->click();
            });
    }
    // Create Clone into `clone`; the controller answers again afterwards.
    void create(const QString& clone, const QString& comment)
    {
        script_create(clone, comment);
        driver_.press(ui::title_information(), QMessageBox::Ok);
        click(form()->ac_CreateClone);
        ASSERT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
        ASSERT_EQ(driver_.boxes().back().text, QStringLiteral("The clone file is created successfully!"))
            << driver_.summary().toStdString();
        driver_.clear();
        ASSERT_TRUE(settled(sim_->control()));
    }
    void script_program(const QString& clone)
    {
        driver_.press(ui::title_information(), QMessageBox::Ok)
            .press(ui::title_warning(), QMessageBox::Ok)
            .choose_file(QStringLiteral("Program clone data from file ..."), clone);
    }
    // The first controller goes, a fresh one (`process`, reached through `b`) takes its place in
    // the same folder (the program follows one controller, as a user plugs in the next unit).
    void replace_by_fresh_controller(QProcess& process, sim::control_client& b)
    {
        const std::string a_versions = versions(sim_->control());
        ask("quit");
        process.start(QString::fromStdString(testing_support::tvxsim_path()),
                      {QStringLiteral("--dir"), QString::fromStdString(sim_->folder()), QStringLiteral("--profile"),
                       QStringLiteral("premium"), QStringLiteral("--pace"), QStringLiteral("--exit-with-stdin")});
        ASSERT_TRUE(wait([&] { return process.canReadLine() || process.state() == QProcess::NotRunning; }));
        ASSERT_EQ(process.readLine(), QByteArray("ready\n"));
        std::string why;
        ASSERT_TRUE(b.connect(sim_->folder(), why)) << why;
        ASSERT_NE(versions(b), a_versions);
        ASSERT_TRUE(answers_with_firmware(16)) << "the second controller was never seen";
        ASSERT_TRUE(settled(b));
    }
};

TEST_F(clone_road, create_and_program_clone_keep_their_files_and_controllers_whole_when_unplugged)
{
    // Data of its own in the controller.
    const std::string area = (root_ / "a-area.bin").string();
    {
        QByteArray b(0x10000, '\0');
        for (int i = 0; i < b.size(); ++i)
            b[i] = char((i * 7 + (i >> 9)) & 0xFF);
        QFile f(QString::fromStdString(area));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(b) == b.size());
    }
    ask("area-load 3 " + area);
    ASSERT_TRUE(answers_with_firmware(17));

    const QString clone = data_file(QStringLiteral("tvx_clones/first.clns"));
    create(clone, QStringLiteral("first"));
    uint8_t header[clone_header_size];
    ASSERT_TRUE(check_clone_file(clone, header));
    const QByteArray first = read_file(clone);
    EXPECT_TRUE(first.startsWith("VF:F252_117.06.012.hex\nFI:first\n")) << first.left(120).toStdString();
    EXPECT_EQ(first.mid(clone_layout::device_memory, 0x10000), read_file(QString::fromStdString(area)));
    EXPECT_EQ(first.mid(clone_layout::loader_image, 0x8000), read_file(app_path(loader)));
    EXPECT_EQ(first.mid(clone_layout::firmware), read_file(app_path(firmware)));

    // Unplugged while the device memory is read: the error, the old clone untouched.
    script_create(clone, QStringLiteral("second"));
    driver_.press(ui::title_error(), QMessageBox::Ok);
    unplug_when([this] { return progress_past(20); }, sim_->control());
    click(form()->ac_CreateClone);
    expect_ends_in_error("create clone unplugged");
    EXPECT_EQ(read_file(clone), first);
    ask("replug");
    ASSERT_TRUE(settled(sim_->control()));

    const std::string a_versions = versions(sim_->control());
    QProcess b_process;
    sim::control_client b;
    ASSERT_NO_FATAL_FAILURE(replace_by_fresh_controller(b_process, b));

    // Unplugged while the clone's device memory goes down: the error, no hang.
    script_program(clone);
    driver_.press(ui::title_error(), QMessageBox::Ok);
    unplug_when([this] { return progress_past(20); }, b);
    click(form()->ac_ProgramClone);
    expect_ends_in_error("program clone unplugged");

    std::string result;
    ASSERT_TRUE(b.command("replug", &result)) << result;
    ASSERT_TRUE(settled(b));
    script_program(clone);
    click(form()->ac_ProgramClone);
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    for (const seen_dialog& s : driver_.boxes())
        EXPECT_NE(s.title, ui::title_error()) << driver_.summary().toStdString();
    EXPECT_FALSE(g_dev_commands().update_in_progress);
    ASSERT_TRUE(answers_with_firmware(17));
    EXPECT_EQ(versions(b), a_versions);
    const std::string saved = (root_ / "b-area.bin").string();
    ASSERT_TRUE(b.command("area-save 3 " + saved, &result)) << result;
    EXPECT_EQ(read_file(QString::fromStdString(saved)), read_file(QString::fromStdString(area)));
    b_process.closeWriteChannel();
    b_process.waitForFinished(10000);
}

// Open › Tarvix: the program the controller holds, as the program read it.
config_image open_tarvix(dialog_driver& driver, c_frm_main& window)
{
    driver.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("Tarvix"));
    ui_testing::click_menu_entry(&window, window.form()->ac_Open);
    EXPECT_EQ(driver.pending(), 0) << driver.summary().toStdString();
    EXPECT_EQ(window.form()->stackedWidget->currentIndex(), int(c_frm_main::page_program));
    return g_config_image();
}

// The settings fields and function records in which two programs differ.
std::vector<std::string> program_differences(const config_image& a, const config_image& b)
{
    std::vector<std::string> out;
    for (const settings_field_info& f : settings_field_infos())
        if (a.header().field(f.offset) != b.header().field(f.offset))
            out.push_back(std::string(f.name) + ": " + std::to_string(a.header().field(f.offset)) + " / " +
                          std::to_string(b.header().field(f.offset)));
    for (uint32_t n = 0; n < image_layout::function_count; ++n)
        if (std::memcmp(a.function(n).data(), b.function(n).data(), image_layout::function_size) != 0)
            out.push_back("function " + std::to_string(n) + " \"" + a.function(n).name() + "\" / \"" +
                          b.function(n).name() + "\"");
    return out;
}

// A clone carries the program: a fresh controller reads after Program Clone what the cloned
// one held (the demo program and the user's Save), setting by setting and record by record;
// a clone of a controller at factory state then gives it the factory program back.
TEST_F(clone_road, a_fresh_controller_reads_the_cloned_program_and_a_factory_clone_gives_the_factory_program)
{
    ASSERT_TRUE(answers_with_firmware(17));
    auto* page = window_->program_page()->form();
    const auto close_page = [&] {
        page->bn_Close->click();
        ASSERT_EQ(this->page(), int(c_frm_main::page_start)) << driver_.summary().toStdString();
        driver_.clear();
    };
    const config_image factory = open_tarvix(driver_, *window_);
    close_page();
    const QString factory_clone = data_file(QStringLiteral("tvx_clones/factory.clns"));
    ASSERT_NO_FATAL_FAILURE(create(factory_clone, QStringLiteral("factory")));

    // A: the demo program, and the user's changes saved to it.
    ask("program demo");
    open_tarvix(driver_, *window_);
    ASSERT_TRUE(g_config_image().function(9).in_use());
    page->ebx_CS_NegTeachLimit->setText(QStringLiteral("-1.50"));
    g_config_image().function(1).set_name("Drill 1 new");
    function_record added = g_config_image().function(20);
    std::memcpy(added.data(), g_config_image().function(9).data(), image_layout::function_size);
    added.set_name("Added 20");
    driver_.press(ui::title_information(), QMessageBox::Ok);
    page->bn_Save->click();
    ASSERT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    close_page();
    const config_image a = open_tarvix(driver_, *window_);
    ASSERT_EQ(a.header().field(hdr::neg_teach_limit), -150);
    ASSERT_EQ(a.function(1).name(), "Drill 1 new");
    ASSERT_EQ(a.function(20).name(), "Added 20");
    ASSERT_FALSE(program_differences(a, factory).empty());
    close_page();
    const QString clone = data_file(QStringLiteral("tvx_clones/a.clns"));
    ASSERT_NO_FATAL_FAILURE(create(clone, QStringLiteral("program")));

    QProcess b_process;
    sim::control_client b;
    ASSERT_NO_FATAL_FAILURE(replace_by_fresh_controller(b_process, b));
    struct row {
        const char* what;
        const QString& file;
        const config_image& expected;
    };
    for (const row& r : {row{"A's program into the fresh B", clone, a}, row{"the factory clone into B", factory_clone, factory}}) {
        SCOPED_TRACE(r.what);
        script_program(r.file);
        click(form()->ac_ProgramClone);
        ASSERT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
        for (const seen_dialog& s : driver_.boxes())
            ASSERT_NE(s.title, ui::title_error()) << driver_.summary().toStdString();
        driver_.clear();
        ASSERT_TRUE(answers_with_firmware(17));
        ASSERT_TRUE(settled(b));
        ASSERT_TRUE(wait([this] { return form()->menu_Tarvix->isEnabled(); }));
        const config_image read = open_tarvix(driver_, *window_);
        const std::vector<std::string> differences = program_differences(read, r.expected);
        EXPECT_TRUE(differences.empty()) << differences.size() << " differ, first: " << differences.front();
        close_page();
    }
    b_process.closeWriteChannel();
    b_process.waitForFinished(10000);
}

}  // namespace
}  // namespace roads
