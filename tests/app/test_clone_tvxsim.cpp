// Create Clone and Program Clone end to end: the main window against tvxsim controllers, the
// flash configuration moved by the real flashcli, in an application directory of the test's
// own with the installed settings files and synthetic loader and firmware files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/stat.h>

#include "app/app_directories.h"
#include "app/c_dlg_createclone.h"
#include "app/c_frm_main.h"
#include "app/clone_file.h"
#include "core/device/command_mailbox.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/device/device_info.h"
#include "core/files/app_dirs.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/text/text_tables.h"
#include "sim/update_images.h"
#include "state/link_state.h"
#include "state/shell_state.h"
#include "tests/sim/program_reset.h"
#include "support/test_support.h"
#include "tests/sim/tvxsim_process.h"
#include "ui_c_dlg_createclone.h"
#include "widgets/c_dlg_message.h"
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

void reset_all() { testing_support::reset_program_state(); }

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
    void versions(int fw_major, int fw_minor, int fw_patch, int build, int fld_major, int fld_minor, int fld_patch)
    {
        ask("version firmware " + std::to_string(fw_major) + " " + std::to_string(fw_minor) + " " +
            std::to_string(fw_patch) + " " + std::to_string(build));
        ask("version loader " + std::to_string(fld_major) + " " + std::to_string(fld_minor) + " " +
            std::to_string(fld_patch));
    }
    // "firmware 1.17.06.012 loader 1.05.03", as the controller reports them.
    std::string reported_versions()
    {
        const std::string v = ask("versions");
        return v.substr(0, v.find(" logic"));
    }
    void load(const testing_support::temp_dir& dir, const std::string& name, int seed, uint32_t own, bool blank = false)
    {
        area = blank ? QByteArray(0x10000, '\0') : pattern(0x10000, seed);
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
    bool running()
    {
        return QTest::qWaitFor([this] { return ask("personality").rfind("application", 0) == 0; }, deadline_ms);
    }
    bool settled()
    {
        if (!running())
            return false;
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
            for (const QString& f : QDir(installed + QLatin1Char('/') + QLatin1String(sub))
                                        .entryList({QStringLiteral("*.DAT")}, QDir::Files))
                ASSERT_TRUE(QFile::link(installed + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + f,
                                        app + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + f));
        }
        for (const char* f : {"scannerx.lst", "scanners.cscan", "KONFIG.CFG"})
            QFile::copy(installed + QLatin1Char('/') + QLatin1String(f), app + QLatin1Char('/') + QLatin1String(f));
        QDir::setCurrent(app);
        init_dirs();
        clones_ = data_file(QStringLiteral("tvx_clones"));

        // The installed loader and firmware that the source controller's versions name, and
        // the images of the loader exchange.
        ASSERT_TRUE(update_images::write_installed(app_.path(), update_images::installed_set{}));
        const std::vector<uint8_t> loader = update_images::loader_image({1, 5, 3});
        loader_ = QByteArray(reinterpret_cast<const char*>(loader.data()), int(loader.size()));
        ASSERT_TRUE(write_file(app + QStringLiteral("/tvx_firmload/F251_10503.bin"), loader_));
        firmware_ = QByteArray::fromStdString(update_images::firmware_hex({1, 17, 6, 12}));
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
            .expect_modal(QStringLiteral("Save clone data to ..."),
                          [this, path](QWidget* d) {
                              // A save dialog of the main window in the detail view.
                              auto* files = qobject_cast<QFileDialog*>(d);
                              EXPECT_NE(files, nullptr);
                              if (!files)
                                  return int(QDialog::Rejected);
                              EXPECT_EQ(files->parentWidget(), window_.get());
                              EXPECT_EQ(files->viewMode(), QFileDialog::Detail);
                              EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptSave);
                              EXPECT_EQ(files->fileMode(), QFileDialog::AnyFile);
                              EXPECT_EQ(files->defaultSuffix(), QStringLiteral("clns"));
                              EXPECT_EQ(files->nameFilters(), QStringList{QStringLiteral("Tarvix Clonefiles (*.clns)")});
                              EXPECT_EQ(files->directory().absolutePath(), QDir(clones_).absolutePath());
                              files->selectFile(path);
                              return int(QDialog::Accepted);
                          })
            .expect_modal(QStringLiteral("Create Clone ..."), [this, comment, existing, path](QWidget* d) {
                auto* f = static_cast<c_dlg_createclone*>(d)->form();
                offered_ = f->eb_Comment->text();
                EXPECT_EQ(f->l_Hint->text(), message(existing ? 33 : 34).replace(QStringLiteral("%s"),
                                                                                 QFileInfo(path).fileName()));
                f->eb_Comment->setText(comment);
                return int(QDialog::Accepted);
            });
    }

    // Creates a clone of controller A in `path`.
    void create_from_a(const QString& path)
    {
        connect_to(a_);
        script_create(path, QStringLiteral("from A"));
        script_.expect_information(label(309));
        window_->on_ac_CreateClone_triggered();
        ASSERT_TRUE(script_.verify_consumed());
        ASSERT_TRUE(a_.settled());
    }
    // Controller B: other versions, blank device memory, its own flash configuration.
    void make_b(int fw_patch = 7, int fld_patch = 4)
    {
        b_ = std::make_unique<controller>();
        ASSERT_TRUE(b_->sim->ok()) << b_->sim->error();
        b_->ask("param 75 5206252");
        b_->versions(1, 17, fw_patch, 3, 1, 5, fld_patch);
        b_->load(app_, "b", 9, 0xB1B2B3B4, true);
    }
    // The prompts of a Program Clone of `path` up to the file dialog.
    void script_program(const QString& path)
    {
        script_.expect_box(ui::box_kind::information, ui::title_information(), message(36), ui::ok)
            .expect_box(ui::box_kind::warning, ui::title_warning(), message(67), ui::ok)
            .expect_modal(QStringLiteral("Program clone data from file ..."), [path](QWidget* d) {
                auto* files = static_cast<QFileDialog*>(d);
                EXPECT_EQ(files->nameFilters(), QStringList{QStringLiteral("Tarvix Clonefiles (*.clns)")});
                files->selectFile(path);
                return int(QDialog::Accepted);
            });
    }
    // The flashcli lines the runner started during `run`.
    QStringList flashcli_lines(const std::function<void()>& run)
    {
        static QStringList* seen = nullptr;
        QStringList lines;
        seen = &lines;
        const QtMessageHandler before = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) {
            if (seen && m.contains(QStringLiteral("Start-Cmd")))
                seen->append(m);
        });
        run();
        qInstallMessageHandler(before);
        seen = nullptr;
        return lines;
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

    // A FIFO or a folder in the clone file's place ends in the write access error at once,
    // and is left as it was.
    const QString fifo = clones_ + QStringLiteral("/pipe.clns");
    const QString folder = clones_ + QStringLiteral("/folder.clns");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString access = host(63).left(host(63).indexOf(QLatin1Char('%')));
    for (const QString& target : {fifo, folder}) {
        SCOPED_TRACE(target.toStdString());
        script_.expect_box(ui::box_kind::information, ui::title_information(), message(32), ui::ok)
            .expect_save_file(target)
            .expect_box_containing(ui::box_kind::critical, ui::title_error(), access);
        window_->on_ac_CreateClone_triggered();
        EXPECT_TRUE(script_.verify_consumed());
    }
    struct stat st {};
    EXPECT_TRUE(stat(QFile::encodeName(fifo).constData(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(QFileInfo(folder).isDir());

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

// The clone file named is replaced only by a complete, checked clone: a link is written
// through to its target and stays a link; whatever fails, the target keeps its old bytes and
// the failed file is kept as corruptedclonefile.bin, or the box says that it could not be.
TEST_F(clone_tvxsim, create_clone_keeps_the_link_and_the_old_target_whatever_fails)
{
    connect_to(a_);
    const QByteArray old = "an old clone file, kept byte for byte";
    const QString corrupted = clones_ + QStringLiteral("/corruptedclonefile.bin");
    const QString firmware = QStringLiteral("tvx_fsw/F252_117.06.012.hex");
    std::unique_ptr<testing_support::small_filesystem> small;
    struct row {
        const char* name;
        // Prepares the case; returns the clone file to name, empty to skip the row.
        std::function<QString()> prepare;
        QString error;      // a fragment of the error box; empty: the clone is made
        bool asks = true;   // the comment dialog comes
        bool kept = true;   // the failed file is kept as corruptedclonefile.bin
    };
    auto link_to_real = [&] {
        QDir().mkpath(clones_ + QStringLiteral("/real"));
        EXPECT_TRUE(write_file(clones_ + QStringLiteral("/real/spindle.clns"), old));
        QFile::remove(clones_ + QStringLiteral("/spindle.clns"));
        EXPECT_TRUE(QFile::link(QStringLiteral("real/spindle.clns"), clones_ + QStringLiteral("/spindle.clns")));
        return clones_ + QStringLiteral("/spindle.clns");
    };
    const std::vector<row> rows = {
        {"through a link", link_to_real, QString()},
        {"through a link, failing after the read",
         [&] {
             QFile::remove(firmware);
             return link_to_real();
         },
         host(52)},
        {"a target nobody may write",
         [&] {
             const QString p = clones_ + QStringLiteral("/locked.clns");
             EXPECT_TRUE(write_file(p, old));
             EXPECT_TRUE(QFile(p).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup));
             return p;
         },
         host(63).left(host(63).indexOf(QLatin1Char('%'))), false},
        {"corruptedclonefile.bin cannot be made",
         [&] {
             QFile::remove(firmware);
             QFile::remove(corrupted);
             EXPECT_TRUE(QDir().mkpath(corrupted + QStringLiteral("/in the way")));
             const QString p = clones_ + QStringLiteral("/keep.clns");
             EXPECT_TRUE(write_file(p, old));
             return p;
         },
         QStringLiteral("could not be kept as ") + corrupted, true, false},
        {"a full data folder",
         [&] {
             small = std::make_unique<testing_support::small_filesystem>(QFile::encodeName(clones_).toStdString(), 256);
             if (!small->mounted()) {
                 std::printf("skipped: a full data folder (%s)\n", small->why_not().c_str());
                 return QString();
             }
             const QString p = clones_ + QStringLiteral("/full.clns");
             EXPECT_TRUE(write_file(p, old));
             small->fill(size_t(old.size()) + 16384);  // room for the backup, not for the clone
             return p;
         },
         host(3)},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        QDir(corrupted).removeRecursively();
        QFile::remove(corrupted);
        const QString path = r.prepare();
        if (path.isEmpty())
            continue;
        const bool link = QFileInfo(path).isSymLink();
        const QString target = QFileInfo(path).canonicalFilePath();
        script_.expect_box(ui::box_kind::information, ui::title_information(), message(32), ui::ok)
            .expect_save_file(path, QStringLiteral("Save clone data to ..."));
        if (r.asks)
            script_.expect_modal(QStringLiteral("Create Clone ..."), [](QWidget* d) {
                static_cast<c_dlg_createclone*>(d)->form()->eb_Comment->setText(QStringLiteral("new one"));
                return int(QDialog::Accepted);
            });
        if (r.error.isEmpty())
            script_.expect_information(label(309));
        else
            script_.expect_box_containing(ui::box_kind::critical, ui::title_error(), r.error);
        window_->on_ac_CreateClone_triggered();
        EXPECT_TRUE(script_.verify_consumed());
        EXPECT_EQ(QFileInfo(path).isSymLink(), link);
        EXPECT_EQ(QFileInfo(path).canonicalFilePath(), target);
        uint8_t header[clone_header_size];
        if (r.error.isEmpty()) {
            EXPECT_TRUE(check_clone_file(target, header));
            EXPECT_TRUE(read_file(target).contains("FI:new one\n"));
        } else {
            EXPECT_EQ(read_file(target), old);
            if (r.asks && r.kept) {
                EXPECT_TRUE(read_file(corrupted).contains("FI:new one\n"));
            }
        }
        // Nothing is left under a temporary name.
        for (const QString& dir : {QFileInfo(path).absolutePath(), QFileInfo(target).absolutePath()})
            EXPECT_TRUE(QDir(dir).entryList({QStringLiteral(".tvx*")}, QDir::Files | QDir::Hidden).isEmpty()) << dir.toStdString();
        ASSERT_TRUE(a_.settled());
        ASSERT_TRUE(write_file(firmware, firmware_));
        small.reset();
    }
}

// Program Clone never waits on a FIFO in place of the configuration it sends
// (tvx_clones/flashconfig1.bin): it is refused at once with host error 41.
TEST_F(clone_tvxsim, program_clone_refuses_a_fifo_for_the_configuration_it_sends)
{
    const QString path = clones_ + QStringLiteral("/a.clns");
    create_from_a(path);
    make_b(6, 3);
    b_->versions(1, 17, 6, 12, 1, 5, 3);  // A's versions: only memory and configuration travel
    connect_to(*b_);
    testing_support::fifo_watchdog fifo(QFile::encodeName(clones_ + QStringLiteral("/flashconfig1.bin")).toStdString(),
                                        30000);
    ASSERT_TRUE(fifo.made());
    script_program(path);
    script_.expect_error(host(41));
    window_->on_ac_ProgramClone_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_FALSE(fifo.fired()) << "Program Clone waited on the FIFO";
    struct stat st {};
    EXPECT_TRUE(::stat(QFile::encodeName(clones_ + QStringLiteral("/flashconfig1.bin")).constData(), &st) == 0 &&
                S_ISFIFO(st.st_mode));
    EXPECT_FALSE(g_dev_commands().update_in_progress);
}

// A controller that keeps its article number to itself (parameter 75 refused, the text
// stays "-----"): the VF line and the firmware taken in are named by that text, and only
// the DA line takes the article number of the controller's family.
TEST_F(clone_tvxsim, without_an_article_number_only_the_da_line_takes_the_family_article)
{
    a_.ask("fault error type=0x23 index=75 times=1000 code=5 ttype=3 count=3 arg=9");
    ASSERT_TRUE(write_file(QStringLiteral("tvx_fsw/F---_117.06.012.hex"), firmware_));
    connect_to(a_);
    const QString path = clones_ + QStringLiteral("/unnamed.clns");
    script_create(path, QStringLiteral("no article"));
    script_.expect_information(label(309));
    window_->on_ac_CreateClone_triggered();
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_EQ(g_device_info().cu_article_text, "-----");
    const QByteArray file = read_file(path);
    EXPECT_TRUE(file.startsWith("VF:F---_117.06.012.hex\nFI:no article\n")) << file.left(40).toStdString();
    EXPECT_TRUE(file.left(clone_layout::signature).contains("\nDA:5206252\n"));
    EXPECT_EQ(file.mid(clone_layout::firmware), firmware_);
    a_.ask("faults-clear");
    ASSERT_TRUE(a_.settled());
}

TEST_F(clone_tvxsim, program_clone_makes_b_a_copy_of_a)
{
    const QString path = clones_ + QStringLiteral("/a.clns");
    create_from_a(path);
    make_b();
    connect_to(*b_);
    ASSERT_NE(b_->reported_versions(), a_.reported_versions());

    script_program(path);
    const QStringList first = flashcli_lines([this] { window_->on_ac_ProgramClone_triggered(); });
    EXPECT_TRUE(script_.verify_consumed());
    EXPECT_FALSE(g_dev_commands().update_in_progress);
    // The controller is reset to start with its new data; the message waits for it.
    EXPECT_TRUE(g_objects().message_dialog->isVisible());
    ASSERT_TRUE(b_->settled());

    EXPECT_EQ(b_->saved_area(app_), a_.area);
    QByteArray expected = a_.flash;
    for (int at : {8, 0x2008})
        expected.replace(at, 4, b_->flash.mid(at, 4));
    EXPECT_EQ(b_->saved_flash(app_), expected);
    EXPECT_EQ(b_->reported_versions(), a_.reported_versions());
    EXPECT_TRUE(first.join(QLatin1Char('|')).contains(QStringLiteral("dl_bmr\" J:18100 W:8000"))) << first.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(first.join(QLatin1Char('|')).contains(QStringLiteral("J:20100")));

    // Again with equal versions: neither loader nor firmware is sent.
    ASSERT_TRUE(QTest::qWaitFor([] { return !g_objects().message_dialog->isVisible(); }, deadline_ms));
    b_->ask("area-load 3 /dev/null");
    script_program(path);
    const QStringList again = flashcli_lines([this] { window_->on_ac_ProgramClone_triggered(); });
    EXPECT_TRUE(script_.verify_consumed());
    ASSERT_TRUE(b_->settled());
    EXPECT_EQ(again.size(), 2) << again.join(QLatin1Char('\n')).toStdString();  // the configuration up and down
    EXPECT_FALSE(again.join(QLatin1Char('|')).contains(QStringLiteral("J:18100")));
    EXPECT_FALSE(again.join(QLatin1Char('|')).contains(QStringLiteral("J:20100")));
    EXPECT_EQ(b_->saved_area(app_), a_.area);
}

// Refusals of Program Clone, each before anything is written to the controller.
TEST_F(clone_tvxsim, program_clone_refuses_files_it_cannot_program)
{
    const QString path = clones_ + QStringLiteral("/a.clns");
    create_from_a(path);
    make_b();
    connect_to(*b_);
    const QByteArray clone = read_file(path);

    // A copy of the clone file changed by `edit`, finished again when `refinish`.
    auto variant = [&](const char* name, const std::function<void(QByteArray&)>& edit, bool refinish) {
        QByteArray b = clone;
        edit(b);
        const QString p = clones_ + QLatin1Char('/') + QLatin1String(name);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
        f.write(b);
        if (refinish) {
            EXPECT_TRUE(finish_clone_file(f));
        }
        return p;
    };
    auto header_line = [](const char* from, const char* to) {
        return [from, to](QByteArray& b) {
            const int at = b.indexOf(from);
            ASSERT_GE(at, 0);
            b.replace(at, int(std::strlen(to)), to);
        };
    };
    struct row {
        const char* name;
        QString file;
        int error;
    } rows[] = {
        {"byte changed after the header", variant("changed.clns", [](QByteArray& b) { b[0x5000] = char(b[0x5000] + 1); }, false), 30},
        {"cut in the device memory", variant("cut1.clns", [](QByteArray& b) { b.truncate(0x8000); }, true), 31},
        {"cut in the loader", variant("cut2.clns", [](QByteArray& b) { b.truncate(clone_layout::loader_image + 10); }, true), 31},
        {"cut before the firmware", variant("cut3.clns", [](QByteArray& b) { b.truncate(clone_layout::firmware); }, true), 31},
        // The firmware part read as Intel HEX: cut inside, and its records kept whole but its
        // end record gone.
        {"cut in the firmware", variant("cut4.clns", [this](QByteArray& b) { b.truncate(clone_layout::firmware + firmware_.size() / 2); }, true), 31},
        {"firmware without its end record",
         variant("cut5.clns", [](QByteArray& b) { b.truncate(b.lastIndexOf(":00000001FF")); }, true), 31},
        {"family 2 into family 0", variant("family.clns", header_line("VA:00000020", "VA:00000030"), true), 36},
        {"another article", variant("article.clns", header_line("DA:5206252", "DA:5206253"), true), 53},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const uint64_t seq = b_->sim->control().log_next_seq();
        script_program(r.file);
        script_.expect_error(host(r.error));
        const QStringList lines = flashcli_lines([this] { window_->on_ac_ProgramClone_triggered(); });
        EXPECT_TRUE(script_.verify_consumed());
        EXPECT_TRUE(lines.isEmpty());
        // Nothing written: no memory write reached the controller; a file refused as such
        // sends no frame at all.
        for (const sim::wire_entry& e : b_->sim->control().wire_log(seq)) {
            EXPECT_FALSE(e.direction == sim::wire_direction::in && e.frame(2) == 0x05) << "memory written";
            if (r.error == 30 || r.error == 31) {
                EXPECT_NE(e.direction, sim::wire_direction::in) << "a frame sent";
            }
        }
        EXPECT_EQ(b_->saved_area(app_), QByteArray(0x10000, '\0'));
        EXPECT_FALSE(g_dev_commands().update_in_progress);
    }
}

// Waiting mode: TarvixStudio started with a clone file programs it into the controller that
// answers and ends by itself, also when the programming fails.
TEST_F(clone_tvxsim, waiting_mode_programs_the_clone_and_ends)
{
    const QString good = clones_ + QStringLiteral("/a.clns");
    create_from_a(good);
    window_.reset();
    // B has A's versions: only device memory and flash configuration travel.
    make_b(6, 3);
    b_->versions(1, 17, 6, 12, 1, 5, 3);
    QByteArray wrong = read_file(good);
    wrong.replace(wrong.indexOf("DA:5206252"), 10, "DA:5206253");
    const QString bad = clones_ + QStringLiteral("/other_article.clns");
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite | QIODevice::Truncate));
        f.write(wrong);
        ASSERT_TRUE(finish_clone_file(f));
    }
    struct row {
        QString file;
        bool programmed;
    } rows[] = {{bad, false}, {good, true}};
    for (const row& r : rows) {
        SCOPED_TRACE(r.file.toStdString());
        testing_support::temp_dir home;
        QProcess studio;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARVIX_HID_SIM"), QString::fromStdString(b_->sim->folder()));
        env.insert(QStringLiteral("TARVIX_AUTO_ANSWER"), QStringLiteral("1"));
        env.insert(QStringLiteral("PROGRAMDATA"), QString::fromStdString(home.path()));
        env.insert(QStringLiteral("TMPDIR"), QString::fromStdString(home.path()));  // its own instance guard
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        studio.setProcessEnvironment(env);
        studio.setProcessChannelMode(QProcess::MergedChannels);
        studio.start(QString::fromLocal8Bit(qgetenv("TARVIX_APP_DIR")) + QStringLiteral("/TarvixStudio"), {r.file});
        ASSERT_TRUE(studio.waitForStarted(10000));
        const bool ended = studio.waitForFinished(deadline_ms * 2);
        if (!ended)
            studio.kill();
        EXPECT_TRUE(ended) << studio.readAll().right(3000).toStdString();
        EXPECT_EQ(studio.exitStatus(), QProcess::NormalExit);
        ASSERT_TRUE(b_->running());
        EXPECT_EQ(b_->saved_area(app_) == a_.area, r.programmed);
    }
}

}  // namespace
