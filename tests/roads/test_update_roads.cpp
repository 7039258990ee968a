// FW Update, Create Clone and Program Clone as a user runs them: the menu entries, the real
// boxes, file dialogs and progress dialog, the real flashcli against tvxsim on the paced link,
// in an application directory laid out as an installation with generated images. Each road
// also meets an unplug in its middle: it ends in its error box without hanging, leaves no
// half-written file, and after the replug the same road passes.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

#include "app/c_dlg_createclone.h"
#include "app/c_sndhex.h"
#include "app/clone_file.h"
#include "core/text/text_tables.h"
#include "sim/update_images.h"
#include "tests/app/update_app_dir.h"
#include "tests/roads/road_fixture.h"
#include "ui_c_dlg_createclone.h"
#include "widgets/c_dlg_message.h"

namespace roads {
namespace {

namespace fs = std::filesystem;

QString message(int n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }

QByteArray read_file(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool write_file(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

// The installation: flashcli, the settings files and the images the controller's versions
// name; the program's directories and the current directory set to it.
class update_road : public road_test {
protected:
    void before_window() override
    {
        old_cwd_ = fs::current_path();
        update_images::installed_set files;
        files.firmware = {1, 17, 6, 12};
        files.loader = {1, 6, 0, 0};
        for (uint16_t i = 0; i < 7; ++i)
            files.logic.push_back({3, 20, uint16_t(48 + 16 * i)});
        std::string why;
        ASSERT_TRUE(update_testing::make_update_app_dir(app_.file("root"), files, why)) << why;
        app_dir_ = QString::fromStdString(app_.file("root/app"));
        const QString src = QString::fromStdString(testing_support::source_dir()) + QStringLiteral("/data/");
        for (const char* name : {"scannerx.lst", "scanners.cscan"})
            QFile::copy(src + QLatin1String(name), app_dir_ + QLatin1Char('/') + QLatin1String(name));
        QDir().mkpath(data_file(QStringLiteral("tvx_clones")));
        ask("param 75 5206252");
        ask("version firmware 1 16 50 0");
    }
    void TearDown() override
    {
        road_test::TearDown();
        std::error_code ec;
        fs::current_path(old_cwd_, ec);
    }

    // Sends `unplug` to the controller (`who`, else the fixture's) once `condition` holds, from
    // a timer that runs in the event loops of the flow (progress passes, the runner's wait).
    void unplug_when(std::function<bool()> condition, sim::control_client* who = nullptr)
    {
        auto* t = new QTimer(window_.get());
        QObject::connect(t, &QTimer::timeout, t, [this, t, condition, who] {
            if (unplugged_ || !condition())
                return;
            t->stop();
            t->deleteLater();
            std::string result;
            EXPECT_TRUE((who ? *who : sim_->control()).command("unplug", &result)) << result;
            unplugged_ = true;
        });
        t->start(2);
    }
    // The box's Yes, else its Ok: questions that only inform have Ok alone.
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
    // The controller is back and answers the program again.
    void replug()
    {
        ask("replug");
        wait_ready();
    }
    // The runner's output pane holds `text`.
    static bool pane_shows(const char* text)
    {
        return g_objects().output_pane && g_objects().output_pane->toPlainText().contains(QLatin1String(text));
    }
    // Every box seen, "title: text", for failure output.
    QStringList box_titles() const
    {
        QStringList out;
        for (const seen_dialog& s : driver_.boxes())
            out << s.title;
        return out;
    }

    QString app_dir_;
    bool unplugged_ = false;
    fs::path old_cwd_;
};

class fw_update_road : public update_road {
protected:
    // FW Update to the installed firmware: the boxes up to the programming, answered as a
    // user does (the offer of the newer firmware, or the note that only the loader runs).
    void script_update()
    {
        driver_.press(ui::title_warning(), QMessageBox::Ok);
        affirm(ui::title_confirm())
            .choose_file(QStringLiteral("Select Tarvix firmware file ..."),
                         app_dir_ + QStringLiteral("/tvx_fsw/") +
                             QString::fromStdString(update_images::firmware_name({1, 17, 6, 12})))
            .press(ui::title_confirm(), QMessageBox::Yes);
    }
};

TEST_F(fw_update_road, fw_update_programs_the_newer_firmware_and_again_after_an_unplug_in_its_middle)
{
    // An unplug while flashcli writes the firmware: flashcli fails, the run is not repeated,
    // the flow ends with its error.
    script_update();
    driver_.press(ui::title_error(), QMessageBox::No).press(ui::title_error(), QMessageBox::Ok);
    unplug_when([] { return pane_shows("DOWNLOAD FSW-HEX FLASH"); });
    click(form()->ac_FW_Update);
    ASSERT_TRUE(unplugged_) << driver_.summary().toStdString();
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    EXPECT_FALSE(driver_.boxes().empty());
    EXPECT_EQ(driver_.boxes().back().text, label(440)) << driver_.summary().toStdString();
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);
    EXPECT_FALSE(g_objects().output_pane->isVisible());
    driver_.clear();

    // Back on the bus, the controller may run only its loader; FW Update programs it.
    replug();
    script_update();
    driver_.press(ui::title_information(), QMessageBox::Ok);
    click(form()->ac_FW_Update);
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_FALSE(driver_.boxes().empty());
    EXPECT_EQ(driver_.boxes().back().text, label(452)) << driver_.summary().toStdString();
    EXPECT_EQ(ask("versions").substr(0, 20), "firmware 1.17.06.012");
    wait_ready();
}

class clone_road : public update_road {
protected:
    void before_window() override
    {
        update_road::before_window();
        ask("version firmware 1 17 6 12");
        ask("version loader 1 5 3");
        // The installed loader and firmware that the controller's versions name.
        const std::vector<uint8_t> loader = update_images::loader_image({1, 5, 3});
        ASSERT_TRUE(write_file(app_dir_ + QStringLiteral("/tvx_firmload/F251_10503.bin"),
                               QByteArray(reinterpret_cast<const char*>(loader.data()), int(loader.size()))));
    }
    // Create Clone into `path` with `comment`, the boxes answered as a user does.
    void script_create(const QString& path, const QString& comment)
    {
        driver_.press(ui::title_information(), QMessageBox::Ok)
            .choose_file(QStringLiteral("Save clone data to ..."), path)
            .act(QStringLiteral("c_dlg_createclone"), [comment](QDialog* d) {
                auto* f = static_cast<c_dlg_createclone*>(d)->form();
                f->eb_Comment->setText(comment);
                f->bn_Yes->click();
            });
    }
    void create(const QString& path, const QString& comment)
    {
        script_create(path, comment);
        driver_.press(ui::title_information(), QMessageBox::Ok);
        click(form()->ac_CreateClone);
        ASSERT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
        ASSERT_EQ(driver_.boxes().back().text, label(309)) << driver_.summary().toStdString();
        driver_.clear();
        wait_ready();
    }
};

TEST_F(clone_road, create_clone_writes_a_valid_file_and_an_unplug_in_its_middle_keeps_the_old_one)
{
    const QString path = data_file(QStringLiteral("tvx_clones/spindle.clns"));
    create(path, QStringLiteral("first"));
    uint8_t header[clone_header_size];
    ASSERT_TRUE(check_clone_file(path, header));
    const QByteArray old = read_file(path);

    // An unplug while the device memory is read: the error box, the old clone untouched.
    script_create(path, QStringLiteral("second"));
    driver_.press(ui::title_error(), QMessageBox::Ok);
    unplug_when([this] { return services_.progress_value() > 20; });
    click(form()->ac_CreateClone);
    ASSERT_TRUE(unplugged_) << driver_.summary().toStdString();
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    EXPECT_EQ(driver_.boxes().back().title, ui::title_error()) << driver_.summary().toStdString();
    EXPECT_EQ(read_file(path), old);
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);
    driver_.clear();

    replug();
    create(path, QStringLiteral("third"));
    ASSERT_TRUE(check_clone_file(path, header));
    EXPECT_TRUE(read_file(path).contains("FI:third\n"));
}

TEST_F(clone_road, program_clone_programs_a_second_controller_and_again_after_an_unplug_in_its_middle)
{
    const QString path = data_file(QStringLiteral("tvx_clones/a.clns"));
    create(path, QStringLiteral("from A"));

    // A second controller with other versions; the program is started again on its link.
    testing_support::tvxsim_process b(std::vector<std::string>{"--pace"});
    ASSERT_TRUE(b.ok()) << b.error();
    std::string result;
    for (const char* line : {"param 75 5206252", "version firmware 1 17 7 3", "version loader 1 5 4"})
        ASSERT_TRUE(b.control().command(line, &result)) << line << ": " << result;
    window_.reset();
    reset_all();
    ::setenv("TARVIX_HID_SIM", b.folder().c_str(), 1);
    window_ = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
    services_.set_progress_dialog(g_objects().progress_dialog);
    window_->start_link();
    window_->show();
    wait_ready();

    const auto script_program = [&] {
        driver_.press(ui::title_information(), QMessageBox::Ok)
            .press(ui::title_warning(), QMessageBox::Ok)
            .choose_file(QStringLiteral("Program clone data from file ..."), path);
    };
    const auto b_versions = [&] {
        b.control().command("versions", &result);
        return result.substr(0, result.find(" logic"));
    };

    // An unplug while the clone's device memory goes down: the error box, no hang.
    script_program();
    driver_.press(ui::title_error(), QMessageBox::Ok);
    unplug_when([this] { return services_.progress_value() > 20; }, &b.control());
    click(form()->ac_ProgramClone);
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    ASSERT_FALSE(driver_.boxes().empty());
    EXPECT_EQ(driver_.boxes().back().title, ui::title_error()) << driver_.summary().toStdString();
    EXPECT_EQ(g_dev_commands().update_in_progress, 0);
    driver_.clear();

    ASSERT_TRUE(b.control().command("replug", &result)) << result;
    wait_ready();
    script_program();
    click(form()->ac_ProgramClone);
    EXPECT_EQ(driver_.pending(), 0) << driver_.summary().toStdString();
    EXPECT_TRUE(driver_.boxes().size() >= 2) << driver_.summary().toStdString();
    for (const seen_dialog& s : driver_.boxes())
        EXPECT_NE(s.title, ui::title_error()) << driver_.summary().toStdString();
    EXPECT_EQ(b_versions(), "firmware 1.17.06.012 loader 1.05.03");
}

}  // namespace
}  // namespace roads
