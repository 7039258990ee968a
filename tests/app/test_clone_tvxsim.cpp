// Create Clone and Program Clone end to end: the main window against tvxsim controllers, the
// flash configuration moved by the real flashcli, in an application directory of the test's
// own with the installed settings files and synthetic loader and firmware files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <memory>

#include "app/app_directories.h"
#include "app/c_dlg_createclone.h"
#include "app/c_frm_main.h"
#include "app/clone_file.h"
#include "app/link_state.h"
#include "app/shell_state.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/text/text_tables.h"
#include "support/test_support.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_dlg_createclone.h"
#include "widgets/testing/scripted_ui.h"
#include "widgets/testing/test_app.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

constexpr int deadline_ms = 60000;
constexpr uint32_t flash_config_address = 0x80000;  // segment 0x8000 of the first controllers

QString message(int n) { return QString::fromLatin1(txt_message(n).c_str()); }
QString label(int n) { return QString::fromLatin1(txt_label(n).c_str()); }
QString host(int n) { return QString::fromLatin1(txt_error(1, n).value_or("").c_str()); }

QByteArray pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    for (int i = 0; i < size; ++i)
        b[i] = char((i * 31 + seed * 7 + (i >> 8)) & 0xFF);
    return b;
}

bool write_file(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(data) == data.size();
}

QByteArray read_file(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void reset_all()
{
    shell_reset_for_tests();
    link_reset_for_tests();
    core_reset_for_tests();
    hid_link_reset_for_tests();
    dev_exchange_reset_for_tests();
    g_dev_commands().reset();
    queue_clear();
}

// A simulated controller with its clone data: versions, area 3 and the flash configuration
// bank with its own value at offsets 8 and 0x2008.
struct controller {
    std::unique_ptr<testing_support::tvxsim_process> sim = std::make_unique<testing_support::tvxsim_process>();
    QByteArray area;
    QByteArray flash;

    std::string ask(const std::string& line)
    {
        std::string result;
        EXPECT_TRUE(sim->control().command(line, &result)) << line << ": " << result;
        return result;
    }
    std::function<void()> reapply;
    void versions(int fw_major, int fw_minor, int fw_patch, int build, int fld_major, int fld_minor, int fld_patch)
    {
        reapply = [=] { versions(fw_major, fw_minor, fw_patch, build, fld_major, fld_minor, fld_patch); };
        ask("info 2 5 " + std::to_string(fw_major) + " " + std::to_string(fw_minor) + " " + std::to_string(fw_patch) +
            " " + std::to_string(build & 0xFF) + " " + std::to_string(build >> 8));
        ask("info 5 5 " + std::to_string(fld_major) + " " + std::to_string(fld_minor) + " " + std::to_string(fld_patch));
    }
    void load(const testing_support::temp_dir& dir, const std::string& name, int seed, uint32_t own)
    {
        area = pattern(0x10000, seed);
        flash = pattern(0x8000, seed + 1);
        for (int at : {8, 0x2008})
            for (int i = 0; i < 4; ++i)
                flash[at + i] = char((own >> (8 * i)) & 0xFF);
        const std::string a = dir.file(name + "-area.bin"), f = dir.file(name + "-flash.bin");
        ASSERT_TRUE(write_file(QString::fromStdString(a), area));
        ASSERT_TRUE(write_file(QString::fromStdString(f), flash));
        ask("area-load 3 " + a);
        ask("memory-load " + std::to_string(flash_config_address) + " " + f);
    }
    QByteArray saved_area(const testing_support::temp_dir& dir)
    {
        const std::string a = dir.file("saved-area.bin");
        ask("area-save 3 " + a);
        return read_file(QString::fromStdString(a));
    }
    QByteArray saved_flash(const testing_support::temp_dir& dir)
    {
        const std::string f = dir.file("saved-flash.bin");
        ask("memory-save " + std::to_string(flash_config_address) + " 32768 " + f);
        return read_file(QString::fromStdString(f));
    }
    // Waits until the controller runs its application again after a flashcli run and has
    // answered the program's status requests since.
    bool settled()
    {
        if (!QTest::qWaitFor([this] { return ask("personality").rfind("application", 0) == 0; }, deadline_ms))
            return false;
        // A restarted controller reports the versions of its profile again.
        if (reapply)
            reapply();
        const uint64_t seq = sim->control().log_next_seq();
        return QTest::qWaitFor(
            [&] {
                int answers = 0;
                for (const sim::wire_entry& e : sim->control().wire_log(seq))
                    if (e.direction == sim::wire_direction::out)
                        ++answers;
                return answers >= 3 && g_link().connected;
            },
            deadline_ms);
    }
    // Points the program's link (and the flashcli it starts) at this controller.
    void select() { ::setenv("TARVIX_HID_SIM", sim->folder().c_str(), 1); }
};

class clone_tvxsim : public ui_testing::app_first, public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_all();
        old_dir_ = QDir::currentPath();
        const QString app = QString::fromStdString(app_.path());
        const QString installed = QString::fromLocal8Bit(qgetenv("TARVIX_APP_DIR"));
        ASSERT_FALSE(installed.isEmpty());
        ASSERT_TRUE(QFile::link(installed + QStringLiteral("/flashcli"), app + QStringLiteral("/flashcli")));
        for (const char* sub : {"tvx_clones", "tvx_fsw", "tvx_firmload", "tvx_firmloadx", "tvx_logic"}) {
            QDir().mkpath(app + QLatin1Char('/') + QLatin1String(sub));
            for (const QString& f : QDir(installed + QLatin1Char('/') + QLatin1String(sub)).entryList(QDir::Files))
                ASSERT_TRUE(QFile::link(installed + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + f,
                                        app + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + f));
        }
        for (const char* f : {"scannerx.lst", "scanners.cscan", "KONFIG.CFG"})
            QFile::copy(installed + QLatin1Char('/') + QLatin1String(f), app + QLatin1Char('/') + QLatin1String(f));
        QDir::setCurrent(app);
        init_dirs();
        clones_ = data_file(QStringLiteral("tvx_clones"));

        // The installed loader and firmware that the source controller's versions name.
        loader_ = pattern(0x8000, 77);
        ASSERT_TRUE(write_file(app + QStringLiteral("/tvx_firmload/F251_10503.bin"), loader_));
        firmware_ = ":020000040000FA\r\n:0400000001020304F2\r\n:00000001FF\r\n";
        ASSERT_TRUE(write_file(app + QStringLiteral("/tvx_fsw/F252_117.06.012.hex"), firmware_));

        ASSERT_TRUE(a_.sim->ok()) << a_.sim->error();
        a_.ask("param 75 5206252");
        a_.versions(1, 17, 6, 12, 1, 5, 3);
        a_.load(app_, "a", 1, 0xA1A2A3A4);
    }
    void TearDown() override
    {
        window_.reset();
        reset_all();
        a_.sim.reset();
        if (b_)
            b_->sim.reset();
        QDir::setCurrent(old_dir_);
        reset_app_dirs_for_tests();
    }

    void init_dirs()
    {
        const QString app = QString::fromStdString(app_.path());
        ASSERT_TRUE(init_app_dirs(app, app + QStringLiteral("/data")));
        ASSERT_TRUE(set_directory_copies(app, app + QStringLiteral("/data")));
    }

    void connect_to(controller& c)
    {
        window_.reset();
        reset_all();
        init_dirs();
        c.select();
        window_ = std::make_unique<c_frm_main>(QStringList{QStringLiteral("TarvixStudio")});
        window_->start_link();
        window_->show();
        ASSERT_TRUE(QTest::qWaitFor([] { return g_link().connected && g_link().device_answered; }, deadline_ms));
    }

    // The prompts of a Create Clone into `path` with `comment`, up to the comment dialog.
    void script_create(const QString& path, const QString& comment, bool existing = false)
    {
        script_.expect_box(ui::box_kind::information, ui::title_information(), message(32), ui::ok)
            .expect_save_file(path, QStringLiteral("Save clone data to ..."))
            .expect_modal(QStringLiteral("Create Clone ..."), [this, comment, existing, path](QWidget* d) {
                auto* f = static_cast<c_dlg_createclone*>(d)->form();
                offered_ = f->eb_Comment->text();
                EXPECT_EQ(f->l_Hint->text(), message(existing ? 33 : 34).replace(QStringLiteral("%s"),
                                                                                 QFileInfo(path).fileName()));
                f->eb_Comment->setText(comment);
                return int(QDialog::Accepted);
            });
    }

    testing_support::temp_dir app_;
    QString old_dir_;
    QString clones_;
    QByteArray loader_, firmware_;
    controller a_;
    std::unique_ptr<controller> b_;
    QString offered_;
    ui_testing::scripted_ui script_;
    std::unique_ptr<c_frm_main> window_;
};

TEST_F(clone_tvxsim, create_clone_reads_the_whole_controller_into_a_valid_file)
{
    connect_to(a_);
    const QString path = clones_ + QStringLiteral("/spindle3.clns");
    script_create(path, QStringLiteral("Spindle 3"));
    script_.expect_information(label(309));
    window_->on_ac_CreateClone_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(offered_, QString());

    uint8_t header[clone_header_size];
    ASSERT_TRUE(check_clone_file(path, header));
    const QByteArray file = read_file(path);
    EXPECT_TRUE(file.startsWith("VF:F252_117.06.012.hex\nFI:Spindle 3\nVH:01.34    07.08.2019\nVB:1.05.03\nVA:000000"));
    EXPECT_EQ(file.mid(clone_layout::device_memory, 0x10000), a_.area);
    EXPECT_EQ(file.mid(clone_layout::flash_configuration, 0x8000), a_.flash);
    EXPECT_EQ(file.mid(clone_layout::loader_image, 0x8000), loader_);
    EXPECT_EQ(file.mid(clone_layout::firmware), firmware_);
    EXPECT_FALSE(g_dev_commands().update_in_progress);
    ASSERT_TRUE(a_.settled());

    // Again over the same file: its comment is offered, the new file replaces it.
    script_create(path, QStringLiteral("Spindle 3 again"), true);
    script_.expect_information(label(309));
    window_->on_ac_CreateClone_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(offered_, QStringLiteral("Spindle 3"));
    EXPECT_TRUE(read_file(path).contains("FI:Spindle 3 again\n"));
}

TEST_F(clone_tvxsim, create_clone_failures)
{
    connect_to(a_);
    const QString path = clones_ + QStringLiteral("/keep.clns");
    script_create(path, QStringLiteral("old one"));
    script_.expect_information(label(309));
    window_->on_ac_CreateClone_triggered();
    ASSERT_TRUE(script_.verify_consumed());
    ASSERT_TRUE(a_.settled());
    const QByteArray old = read_file(path);

    // A wrong suffix is refused before anything happens; the file stays as it was.
    const QString wrong = clones_ + QStringLiteral("/keep.txt");
    ASSERT_TRUE(write_file(wrong, "untouched"));
    script_.expect_box(ui::box_kind::information, ui::title_information(), message(32), ui::ok)
        .expect_save_file(wrong)
        .expect_error(host(30));
    window_->on_ac_CreateClone_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(read_file(wrong), QByteArray("untouched"));

    // A failure after the backup (the installed firmware is missing): the old file is back
    // and the failed one kept as corruptedclonefile.bin.
    QFile::remove(QStringLiteral("tvx_fsw/F252_117.06.012.hex"));
    script_create(path, QStringLiteral("new one"), true);
    script_.expect_box_containing(ui::box_kind::critical, ui::title_error(), host(52));
    window_->on_ac_CreateClone_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(read_file(path), old);
    const QByteArray corrupted = read_file(clones_ + QStringLiteral("/corruptedclonefile.bin"));
    EXPECT_TRUE(corrupted.contains("FI:new one\n"));
    EXPECT_EQ(corrupted.mid(clone_layout::loader_image), loader_);  // up to the part that failed
    ASSERT_TRUE(a_.settled());

    // Versions that cannot clone.
    struct row {
        int fw_patch, fld_major, fld_minor;
        int text;
    } rows[] = {{5, 1, 5, 76}, {6, 1, 4, 77}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        a_.versions(1, 17, r.fw_patch, 12, r.fld_major, r.fld_minor, 3);
        script_.expect_box(ui::box_kind::information, ui::title_information(), message(32), ui::ok)
            .expect_error(message(r.text));
        window_->on_ac_CreateClone_triggered();
        EXPECT_TRUE(script_.verify_consumed());
    }
}

}  // namespace
