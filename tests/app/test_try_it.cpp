// The road of a newcomer after ./run.sh: the update images that scripts/start.sh lays into the
// application directory (tvxupdates), a paced Premium controller of tvxsim, and the main window
// with the Qt dialogs of the program itself. FW Update brings the controller up to the images,
// Create Clone saves it into a clone file that takes the installed loader and firmware along,
// and a second controller put in the first one's place (the first one quits, the second
// listens in the same folder) becomes its copy with Program Clone. Every box and file dialog is
// answered by pressing its buttons as a user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <unistd.h>

#include "app/app_directories.h"
#include "app/c_dlg_createclone.h"
#include "app/c_frm_main.h"
#include "app/c_sndhex.h"
#include "app/clone_file.h"
#include "app/link_state.h"
#include "app/shell_state.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "sim/control_client.h"
#include "tests/app/update_app_dir.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_dlg_createclone.h"
#include "widgets/qt_services.h"
#include "widgets/testing/test_app.h"

void core_reset_for_tests();

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

namespace fs = std::filesystem;

constexpr int deadline_ms = 60000;

void reset_all()
{
    shell_reset_for_tests();
    link_reset_for_tests();
    core_reset_for_tests();
    hid_link_reset_for_tests();
    dev_exchange_reset_for_tests();
    g_dev_commands().reset();
    queue_clear();
    g_sndhex_limits().reset();
}

QByteArray read_file(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Answers the modal dialogs as they come up, in the order expected: each must show the
// expected text (in its title or its text); then the user's answer is pressed. Anything else
// is noted and dismissed, so that a wrong road ends instead of hanging.
class dialog_driver {
public:
    using act = std::function<void(QWidget*)>;

    dialog_driver()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { look(); });
        timer_.start(20);
    }
    dialog_driver& expect(const QString& shows, act a)
    {
        script_.push_back({shows, std::move(a)});
        return *this;
    }
    // Every expected dialog came and nothing else.
    bool verify()
    {
        const bool ok = script_.empty() && unexpected_.isEmpty();
        for (const step& s : script_)
            ADD_FAILURE() << "never shown: " << s.shows.toStdString();
        for (const QString& u : unexpected_)
            ADD_FAILURE() << "not expected: " << u.toStdString();
        script_.clear();
        unexpected_.clear();
        return ok;
    }

    static act press(QMessageBox::StandardButton b)
    {
        return [b](QWidget* w) { static_cast<QMessageBox*>(w)->button(b)->click(); };
    }
    // Types the file name into the dialog's name line and presses Open or Save.
    static act choose(const QString& name)
    {
        return [name](QWidget* w) {
            auto* d = static_cast<QFileDialog*>(w);
            auto* line = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            auto* buttons = d->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            if (!line || !buttons) {
                d->reject();
                return;
            }
            line->setText(name);
            for (QAbstractButton* b : buttons->buttons())
                if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole)
                    b->click();
        };
    }
    static act comment_and_yes(const QString& comment)
    {
        return [comment](QWidget* w) {
            w->findChild<QLineEdit*>(QStringLiteral("eb_Comment"))->setText(comment);
            w->findChild<QPushButton*>(QStringLiteral("bn_Yes"))->click();
        };
    }

private:
    struct step {
        QString shows;
        act answer;
    };

    void look()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || w == handled_ || !w->isVisible())
            return;
        QString shown = w->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(w))
            shown += QLatin1Char('\n') + box->text();
        else if (!qobject_cast<QFileDialog*>(w) && !qobject_cast<c_dlg_createclone*>(w))
            return;  // the progress dialogs of the transfers
        handled_ = w;
        if (script_.empty() || !shown.contains(script_.front().shows)) {
            unexpected_ << shown;
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->escapeButton())
                box->escapeButton()->click();
            else
                static_cast<QDialog*>(w)->reject();
            return;
        }
        const act answer = script_.front().answer;
        script_.pop_front();
        answer(w);
    }

    QTimer timer_;
    std::deque<step> script_;
    QStringList unexpected_;
    QPointer<QWidget> handled_;
};

class try_it : public ui_testing::app_first, public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_all();
        old_cwd_ = fs::current_path();
        root_ = fs::temp_directory_path() / ("try-it-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        app_ = root_ / "app";
        std::string why;
        ASSERT_TRUE(update_testing::make_update_app_dir(root_, {}, why)) << why;
        ASSERT_TRUE(set_directory_copies(QString::fromStdString(app_.string()),
                                         QString::fromStdString((root_ / "data").string())));
        // What scripts/start.sh does before it starts the program.
        QProcess images;
        images.start(QString::fromLocal8Bit(qgetenv("TARVIX_APP_DIR")) + QStringLiteral("/tvxupdates"),
                     {QString::fromStdString(app_.string())});
        ASSERT_TRUE(images.waitForFinished(20000));
        ASSERT_EQ(images.exitCode(), 0) << images.readAllStandardError().toStdString();
        written_ = QString::fromLocal8Bit(images.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

        a_ = std::make_unique<testing_support::tvxsim_process>(
            std::vector<std::string>{"--profile", "premium", "--pace"});
        ASSERT_TRUE(a_->ok()) << a_->error();
        ui::install(&services_);
    }
    void TearDown() override
    {
        if (window_)
            window_->stop_link();
        window_.reset();
        ui::install(nullptr);
        reset_all();
        if (b_.state() != QProcess::NotRunning) {
            b_.terminate();
            b_.waitForFinished(10000);
        }
        a_.reset();
        fs::current_path(old_cwd_);
        reset_app_dirs_for_tests();
        fs::remove_all(root_);
    }

    std::string ask(sim::control_client& c, const std::string& line)
    {
        std::string result;
        EXPECT_TRUE(c.command(line, &result)) << line << ": " << result;
        return result;
    }
    // "firmware 1.17.06.012 loader 1.06.02", as the controller reports them.
    std::string versions(sim::control_client& c)
    {
        const std::string v = ask(c, "versions");
        return v.substr(0, v.find(" logic"));
    }
    QAction* action(const char* name) { return window_->findChild<QAction*>(QString::fromLatin1(name)); }
    // Chooses the menu entry once the program has enabled it, as a user would.
    void run(const char* name)
    {
        QAction* a = action(name);
        ASSERT_NE(a, nullptr) << name;
        ASSERT_TRUE(QTest::qWaitFor([a] { return a->isEnabled(); }, deadline_ms)) << name << " stays disabled";
        a->trigger();
    }
    bool answers_with_firmware(uint8_t minor)
    {
        return QTest::qWaitFor(
            [minor] {
                return g_link().connected && g_link().device_answered && g_device_info().valid &&
                       g_device_info().firmware.minor == minor;
            },
            deadline_ms);
    }
    QString app_file(const QString& name) const { return QString::fromStdString((app_ / name.toStdString()).string()); }

    fs::path root_, app_;
    fs::path old_cwd_;
    QStringList written_;
    ui::qt_services services_;
    std::unique_ptr<testing_support::tvxsim_process> a_;
    QProcess b_;
    std::unique_ptr<c_frm_main> window_;
    dialog_driver dialogs_;
};

TEST_F(try_it, fw_update_then_create_clone_then_program_clone_into_a_second_controller)
{
    // The names the controller's clone will look for.
    const QString firmware = QStringLiteral("tvx_fsw/F252_117.06.012.hex");
    const QString loader = QStringLiteral("tvx_firmload/F251_10602.bin");
    EXPECT_EQ(written_, (QStringList{firmware, loader, QStringLiteral("tvx_logic/Logic_0330.bin"),
                                     QStringLiteral("tps_fsw/4418062-210100.img")}));
    // Controller A holds data of its own.
    const std::string area = (root_ / "a-area.bin").string();
    {
        QByteArray b(0x10000, '\0');
        for (int i = 0; i < b.size(); ++i)
            b[i] = char((i * 7 + (i >> 9)) & 0xFF);
        QFile f(QString::fromStdString(area));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(b) == b.size());
    }
    ask(a_->control(), "area-load 3 " + area);

    window_ = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
    services_.set_progress_dialog(g_objects().progress_dialog);
    window_->start_link();
    window_->show();
    ASSERT_TRUE(answers_with_firmware(16)) << "never connected";

    // FW Update: loader 1.05.03 to 1.06.02, firmware 1.16.02.045 to 1.17.06.012, logic 3.20
    // to 3.30.
    using d = dialog_driver;
    dialogs_.expect(QStringLiteral("Do not power off or unplug USB cable"), d::press(QMessageBox::Ok))
        .expect(QStringLiteral("There is a newer Version 1.17.06.012 available"), d::press(QMessageBox::Yes))
        .expect(QStringLiteral("Select Tarvix firmware file ..."), d::choose(QStringLiteral("F252_117.06.012.hex")))
        .expect(QStringLiteral("Is the selected HEX-File"), d::press(QMessageBox::Yes))
        .expect(QStringLiteral("The update process was successfull."), d::press(QMessageBox::Ok));
    run("ac_FW_Update");
    ASSERT_TRUE(dialogs_.verify());
    EXPECT_EQ(ask(a_->control(), "versions").substr(0, 46), "firmware 1.17.06.012 loader 1.06.02 logic 3.3 ");
    ASSERT_TRUE(answers_with_firmware(17));

    // Create Clone: the clone takes the installed loader and firmware the controller runs.
    const QString clone = data_file(QStringLiteral("tvx_clones/first.clns"));
    dialogs_.expect(QStringLiteral("Data from Tarvix will be saved to a clone file!"), d::press(QMessageBox::Ok))
        .expect(QStringLiteral("Save clone data to ..."), d::choose(QStringLiteral("first.clns")))
        .expect(QStringLiteral("Create Clone ..."), d::comment_and_yes(QStringLiteral("tried from run.sh")))
        .expect(QStringLiteral("The clone file is created successfully!"), d::press(QMessageBox::Ok));
    run("ac_CreateClone");
    ASSERT_TRUE(dialogs_.verify());
    uint8_t header[clone_header_size];
    ASSERT_TRUE(check_clone_file(clone, header));
    const QByteArray file = read_file(clone);
    EXPECT_TRUE(file.startsWith("VF:F252_117.06.012.hex\nFI:tried from run.sh\n")) << file.left(120).toStdString();
    EXPECT_TRUE(file.contains("\nVB:1.06.02\n"));
    EXPECT_EQ(file.mid(clone_layout::device_memory, 0x10000), read_file(QString::fromStdString(area)));
    EXPECT_EQ(file.mid(clone_layout::loader_image, 0x8000), read_file(app_file(loader)));
    EXPECT_EQ(file.mid(clone_layout::firmware), read_file(app_file(firmware)));

    // The first controller goes, a fresh one takes its place in the same folder.
    const std::string a_versions = versions(a_->control());
    ask(a_->control(), "quit");
    b_.setProcessChannelMode(QProcess::SeparateChannels);
    b_.start(QString::fromStdString(testing_support::tvxsim_path()),
             {QStringLiteral("--dir"), QString::fromStdString(a_->folder()), QStringLiteral("--profile"),
              QStringLiteral("premium"), QStringLiteral("--pace"), QStringLiteral("--exit-with-stdin")});
    ASSERT_TRUE(QTest::qWaitFor([this] { return b_.canReadLine() || b_.state() == QProcess::NotRunning; }, 30000));
    ASSERT_EQ(b_.readLine(), QByteArray("ready\n"));
    sim::control_client b;
    std::string why;
    ASSERT_TRUE(b.connect(a_->folder(), why)) << why;
    ASSERT_NE(versions(b), a_versions);
    ASSERT_TRUE(answers_with_firmware(16)) << "the second controller was never seen";

    // Program Clone: loader, firmware, device memory and flash configuration into it.
    dialogs_.expect(QStringLiteral("Program the Tarvix with a selectable clone file!"), d::press(QMessageBox::Ok))
        .expect(QStringLiteral("Do not power off or unplug USB cable"), d::press(QMessageBox::Ok))
        .expect(QStringLiteral("Program clone data from file ..."), d::choose(QStringLiteral("first.clns")));
    run("ac_ProgramClone");
    ASSERT_TRUE(dialogs_.verify());
    EXPECT_FALSE(g_dev_commands().update_in_progress);
    // After its reset the second controller runs what the first one ran, with its data.
    ASSERT_TRUE(answers_with_firmware(17));
    EXPECT_EQ(versions(b), a_versions);
    const std::string saved = (root_ / "b-area.bin").string();
    ask(b, "area-save 3 " + saved);
    EXPECT_EQ(read_file(QString::fromStdString(saved)), read_file(QString::fromStdString(area)));
}

}  // namespace
