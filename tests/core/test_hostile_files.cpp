// Files that are not what they seem. Every reader of a file that the user or the system names
// meets a FIFO without a writer, /dev/zero, a directory, a dangling link and a loop of links
// where it expects its file, and must end in its own "cannot open" outcome at once, without
// reading. Every save meets a read-only target, a link, links planted where a temporary file
// might go, a name near the system's limit and a full file system, and must leave the old
// file and every other file as they were whenever it fails.
#include <QDir>
#include <QFileInfo>
#include <QStandardItemModel>
#include <QSortFilterProxyModel>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <map>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "core/files/file_helpers.h"
#include "core/files/parameter_files.h"
#include "core/files/program_file.h"
#include "core/image/core_state.h"
#include "core/image/working_image.h"
#include "files_fixture.h"

namespace {

enum class kind { regular, fifo, dev_zero, directory, dangling_link, link_loop };
const char* kind_name(kind k)
{
    static const char* names[] = {"regular file", "FIFO", "/dev/zero", "directory", "dangling link", "link loop"};
    return names[int(k)];
}

// What a reader made of the name it was given.
enum class outcome { read, missing, refused };
const char* outcome_name(outcome o)
{
    static const char* names[] = {"read", "missing", "refused"};
    return names[int(o)];
}

long max_rss_kb()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// Opens a FIFO for writing as soon as a reader is blocked in it, after a grace time, so a
// reader that waits for a writer fails its time check instead of hanging the test.
class fifo_rescue {
public:
    explicit fifo_rescue(const QByteArray& path) : path_(path)
    {
        thread_ = std::thread([this] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            while (!stop_.load()) {
                if (std::chrono::steady_clock::now() >= until) {
                    const int fd = ::open(path_.constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) {
                        ::close(fd);
                        rescued_.store(true);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
        });
    }
    ~fifo_rescue()
    {
        stop_.store(true);
        thread_.join();
    }
    bool rescued() const { return rescued_.load(); }

private:
    QByteArray path_;
    std::atomic<bool> stop_{false}, rescued_{false};
    std::thread thread_;
};

}  // namespace

class hostile_files : public files_test {
protected:
    // Puts a thing of kind `k` at `path`; `content` is the regular file's.
    static void plant(kind k, const QString& path, const QByteArray& content)
    {
        QFileInfo(path).dir().mkpath(".");
        const QByteArray p = QFile::encodeName(path);
        switch (k) {
        case kind::regular:
            write(path, content);
            break;
        case kind::fifo:
            ASSERT_EQ(::mkfifo(p.constData(), 0644), 0);
            break;
        case kind::dev_zero:
            ASSERT_EQ(::symlink("/dev/zero", p.constData()), 0);
            break;
        case kind::directory:
            ASSERT_TRUE(QDir().mkpath(path));
            break;
        case kind::dangling_link:
            ASSERT_EQ(::symlink((p + ".nowhere").constData(), p.constData()), 0);
            break;
        case kind::link_loop:
            ASSERT_EQ(::symlink((p + ".b").constData(), p.constData()), 0);
            ASSERT_EQ(::symlink(p.constData(), (p + ".b").constData()), 0);
            break;
        }
    }
    static void clear(const QString& path)
    {
        const QByteArray p = QFile::encodeName(path);
        QFileInfo fi(path);
        if (fi.isDir() && !fi.isSymLink())
            QDir(path).removeRecursively();
        ::unlink(p.constData());
        ::unlink((p + ".b").constData());
    }
};

TEST_F(hostile_files, every_reader_refuses_what_is_not_a_regular_file_at_once)
{
    struct reader {
        const char* name;
        std::function<QString()> path;
        QByteArray content;  // a valid regular file
        std::function<outcome()> run;
        // What the missing-file rule of the reader makes of a name that leads nowhere.
        outcome on_nothing;
    };
    config_image program;
    reset_config_image(program);
    const QByteArray program_bytes = encode_program_file(program);
    const std::vector<reader> readers = {
        {"program file", [] { return data_file("cd_data/prog.cdx"); }, program_bytes,
         [this] {
             g_program_file().current_file = data_file("cd_data/prog.cdx");
             error_record e;
             const bool ok = load_configuration_file(false, e);
             if (ok)
                 return g_images().no_file_loaded ? outcome::missing : outcome::read;
             EXPECT_EQ(e.code, 33);
             return outcome::refused;
         },
         outcome::missing},
        {"scanner parameter file", [] { return data_file("cd_data/set.sp"); }, QByteArray(224, 'p'),
         [this] {
             g_scanner_params().file_name = data_file("cd_data/set.sp");
             int code = 0;
             const bool ok = check_configuration_file_size(code);
             if (ok)
                 return g_scanner_params().no_file ? outcome::missing : outcome::read;
             EXPECT_EQ(code, 2);
             return outcome::refused;
         },
         outcome::missing},
        {"customer configuration", [this] { return q(app.file("tvx_config/ACME.bin")); }, QByteArray(2016, 'c'),
         [this] {
             g_device_calls().write_records36 = [](const uint8_t*, const QString&, error_record&) { return true; };
             g_customer_config().name = "ACME";
             g_customer_config().path = q(app.file("tvx_config/ACME.bin"));
             shown.clear();
             if (send_scanner_configuration_file())
                 return outcome::read;
             EXPECT_EQ(shown.size(), 1u);
             EXPECT_EQ(shown.empty() ? 0 : shown[0].code, 42);
             return outcome::refused;
         },
         outcome::refused},
        {"file buffer", [this] { return q(app.file("update/f252.hex")); }, QByteArray(1000, 'h'),
         [this] {
             file_buffer buf;
             error_record e;
             return load_file_buffer(q(app.file("update/f252.hex")), buf, &e) ? outcome::read : outcome::refused;
         },
         outcome::refused},
        {"konfig.cfg", [] { return data_file("konfig.cfg"); }, QByteArray("L:3\r\n"),
         [] {
             reset_konfig_for_tests();
             if (!read_konfig_cfg())
                 return outcome::refused;
             EXPECT_EQ(g_konfig().language, 3);
             return outcome::read;
         },
         outcome::refused},
        {"scannerx.lst", [] { return app_file("scannerx.lst"); }, QByteArray("00010000 P001 First\r\n"),
         [this] {
             shown.clear();
             read_scanner_list();
             EXPECT_TRUE(shown.empty());
             return g_scanner_lists().count == 1 ? outcome::read : outcome::refused;
         },
         outcome::refused},
        {"scannerx.lst rebuild", [] { return app_file("scannerx.lst"); },
         QByteArray("00010000 P001 First\r\n"),
         [this] {
             g_host_context().data_source = [] { return 2; };
             QStandardItemModel model;
             QSortFilterProxyModel proxy;
             error_record e;
             const size_t boxes = ui_fake.prompts().size();
             rebuild_scanner_lists(&model, &proxy, e);
             if (g_scanner_lists().count == 1)
                 return outcome::read;
             EXPECT_EQ(ui_fake.prompts().size(), boxes + 1);
             return outcome::refused;
         },
         outcome::refused},
        {"trace file", [] { return data_file("trace/manual.trc"); }, QByteArray("     1 first\r\n"),
         [] {
             int number = -1;
             bool fresh = false;
             const bool ok = open_trace_file(data_file("trace/manual.trc"), number, fresh);
             reset_trace_for_tests();
             return ok ? outcome::read : outcome::refused;
         },
         outcome::refused},
    };
    const kind kinds[] = {kind::regular,   kind::fifo,          kind::dev_zero,
                          kind::directory, kind::dangling_link, kind::link_loop};
    const long rss_before = max_rss_kb();
    for (const reader& r : readers) {
        for (kind k : kinds) {
            SCOPED_TRACE(std::string(r.name) + " / " + kind_name(k));
            const QString path = r.path();
            plant(k, path, r.content);
            outcome expected = outcome::refused;
            if (k == kind::regular)
                expected = outcome::read;
            else if (k == kind::dangling_link || k == kind::link_loop)
                expected = r.on_nothing;
            std::unique_ptr<fifo_rescue> rescue;
            if (k == kind::fifo)
                rescue = std::make_unique<fifo_rescue>(QFile::encodeName(path));
            const auto t0 = std::chrono::steady_clock::now();
            const outcome got = r.run();
            const auto took = std::chrono::steady_clock::now() - t0;
            EXPECT_LT(took, std::chrono::seconds(1));
            EXPECT_EQ(outcome_name(got), std::string(outcome_name(expected)));
            if (rescue) {
                EXPECT_FALSE(rescue->rescued()) << "the reader waited for a writer";
            }
            rescue.reset();
            clear(path);
        }
    }
    // Nothing was read from /dev/zero: the process did not grow.
    EXPECT_LT(max_rss_kb() - rss_before, 64 * 1024);
}

TEST_F(hostile_files, a_long_comment_line_hides_no_settings_after_it)
{
    QByteArray text = "A:7\r\n;";
    text += QByteArray(10 << 20, 'x');
    text += "L:1\r\nL:3\r\nM:2";  // the last line has no line end
    write(data_file("konfig.cfg"), text);
    ASSERT_TRUE(read_konfig_cfg());
    EXPECT_EQ(g_konfig().a, 7);
    EXPECT_EQ(g_konfig().language, 3);  // "L:1" is inside the comment line
    EXPECT_EQ(g_konfig().m, 2);
}

TEST_F(hostile_files, newest_file_takes_regular_files_only)
{
    const QString dir = data_file("update");
    QDir().mkpath(dir);
    write(dir + "/f252_01.hex", "a");
    const QByteArray d = QFile::encodeName(dir);
    ASSERT_EQ(::mkfifo((d + "/f252_09.hex").constData(), 0644), 0);
    ASSERT_EQ(::symlink((d + "/nowhere").constData(), (d + "/f252_08.hex").constData()), 0);
    write(dir + "/.f252_07.hex", "hidden");
    ASSERT_TRUE(QDir().mkpath(dir + "/f252_06.hex"));
    ASSERT_EQ(::symlink((d + "/f252_01.hex").constData(), (d + "/f252_02.hex").constData()), 0);
    QString name;
    ASSERT_TRUE(find_newest_file(dir, "f252_*.hex", name));
    EXPECT_EQ(name, "f252_02");  // a link to a regular file counts
}

namespace {

// Every entry of a folder with what it is and holds, links not followed.
std::map<std::string, std::string> snapshot(const QString& dir)
{
    std::map<std::string, std::string> m;
    for (const QFileInfo& fi : QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                       QDir::NoDotAndDotDot)) {
        std::string what;
        if (fi.isSymLink()) {
            what = "link -> " + fi.symLinkTarget().toStdString();
        } else if (fi.isFile()) {
            QFile f(fi.filePath());
            what = "file " + std::to_string(fi.permissions()) + ": " +
                   (f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("?"));
        } else {
            what = "other";
        }
        m[fi.fileName().toStdString()] = what;
    }
    return m;
}

bool root() { return ::geteuid() == 0; }

}  // namespace

TEST_F(hostile_files, saves_keep_the_old_file_and_every_other_file_when_they_fail)
{
    struct saver {
        const char* name;
        // Saves `content` to `path`; true on success.
        std::function<bool(const QString& path, const QByteArray& content)> save;
    };
    const std::vector<saver> savers = {
        {"replace_file", [](const QString& path, const QByteArray& c) { return replace_file(path, c).ok; }},
        {"program file",
         [](const QString& path, const QByteArray& c) {
             reset_config_image(g_config_image());
             g_config_image().function(0).set_in_use(true);
             g_config_image().function(0).set_name(c.toStdString());
             return write_file_with_permissions(path) == 0;
         }},
        {"scanner parameter file",
         [](const QString& path, const QByteArray& c) {
             g_scanner_params().source = 2;
             g_scanner_params().file_name = path;
             g_scanner_params().user.clear();
             std::memcpy(g_scanner_params().user.bytes.data(), c.constData(), size_t(std::min(c.size(), 15)));
             error_record e;
             return send_scanner_parameters(false, e);
         }},
    };
    struct row {
        const char* name;
        // Prepares the folder; returns the path to save to, empty to skip the row.
        std::function<QString(const QString& dir, const QByteArray& old)> prepare;
        bool succeeds;
    };
    const std::vector<row> rows = {
        {"read-only target",
         [](const QString& dir, const QByteArray& old) {
             const QString p = dir + "/target";
             write(p, old);
             QFile(p).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup);
             return p;
         },
         false},
        {"symbolic link to the target",
         [](const QString& dir, const QByteArray& old) {
             write(dir + "/real", old);
             ::symlink("real", QFile::encodeName(dir + "/target").constData());
             return dir + "/target";
         },
         true},
        {"links planted at temporary names",
         [](const QString& dir, const QByteArray& old) {
             write(dir + "/target", old);
             write(dir + "/victim", "victim");
             const QByteArray t = QFile::encodeName(dir + "/target");
             const QByteArray v = QFile::encodeName(dir + "/victim");
             for (const QByteArray& name : {t + ".tmp", t + ".tmp" + QByteArray::number(::getpid()), t + "~", t + ".new"})
                 ::symlink(v.constData(), name.constData());
             return dir + "/target";
         },
         true},
        {"250-character name",
         [](const QString& dir, const QByteArray& old) {
             const QString p = dir + "/" + QString(246, 'n') + ".cdx";
             write(p, old);
             return p;
         },
         true},
        {"target in a folder that cannot be written",
         [](const QString& dir, const QByteArray& old) {
             if (root())
                 return QString();  // root writes any folder
             write(dir + "/target", old);
             QFile(dir).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
             return dir + "/target";
         },
         false},
        {"full file system",
         [](const QString& dir, const QByteArray& old) {
             if (!root() || ::mount("tmpfs", QFile::encodeName(dir).constData(), "tmpfs", 0, "size=64k") != 0)
                 return QString();
             write(dir + "/target", old);
             // Fill what is left.
             QFile fill(dir + "/fill");
             fill.open(QIODevice::WriteOnly);
             const QByteArray block(4096, 'f');
             while (fill.write(block) == block.size() && fill.flush()) {
             }
             fill.close();
             return dir + "/target";
         },
         false},
    };
    for (const saver& s : savers) {
        for (const row& r : rows) {
            SCOPED_TRACE(std::string(s.name) + " / " + r.name);
            const QString dir = q(data.file("save"));
            ASSERT_TRUE(QDir().mkpath(dir));
            // What a save of `content` writes, to compare the target with afterwards.
            const QByteArray old = "old contents";
            const QString path = r.prepare(dir, old);
            if (path.isEmpty()) {
                std::printf("skipped: %s / %s (%s)\n", s.name, r.name,
                            root() ? "root writes any folder, or no tmpfs could be mounted"
                                   : "needs root to mount a small tmpfs");
                QDir(dir).removeRecursively();
                continue;
            }
            const auto before = snapshot(dir);
            const bool ok = s.save(path, "NEW");
            EXPECT_EQ(ok, r.succeeds);
            const auto after = snapshot(dir);
            if (!ok) {
                EXPECT_EQ(after, before);
            } else {
                // Only the file the name leads to changed, and a link stays a link.
                const QString written = QFileInfo(path).canonicalFilePath();
                EXPECT_EQ(QFileInfo(path).isSymLink(), before.at(QFileInfo(path).fileName().toStdString())
                                                               .rfind("link", 0) == 0);
                for (const auto& [name, what] : before) {
                    if (QFileInfo(dir + "/" + QString::fromStdString(name)).canonicalFilePath() == written)
                        continue;
                    EXPECT_EQ(after.count(name) ? after.at(name) : "gone", what) << name;
                }
                EXPECT_EQ(after.size(), before.size());  // no temporary file left behind
                EXPECT_NE(read(written), old);
            }
            QFile(dir).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            ::umount2(QFile::encodeName(dir).constData(), MNT_DETACH);
            QDir(dir).removeRecursively();
        }
    }
}
