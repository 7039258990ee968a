// konfig.cfg, trace files, paths and the directory helpers.
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "core/files/file_helpers.h"
#include "core/files/file_paths.h"
#include "files_fixture.h"

using small_files = files_test;

TEST_F(small_files, start_up_makes_the_data_directory_and_its_folders)
{
    for (const char* sub : {"cd_data", "pm_cache", "tvx_clones", "trace", "diagnostic"})
        EXPECT_TRUE(QFileInfo(data_file(sub)).isDir()) << sub;
    qputenv("PROGRAMDATA", "/srv/pd");
    EXPECT_EQ(default_data_directory(), QString("/srv/pd/Tarvix/Tarvix_QT"));
    qunsetenv("PROGRAMDATA");
    qputenv("XDG_DATA_HOME", "/home/u/.data");
    EXPECT_EQ(default_data_directory(), QString("/home/u/.data/Tarvix/Tarvix_QT"));
    qunsetenv("XDG_DATA_HOME");
}

TEST_F(small_files, konfig_lines_follow_the_key_rules)
{
    struct row {
        const char* text;
        int language;
        int m;
        int a;
    };
    const row rows[] = {
        {"l:7\r\n", 0, 3, 50},        // out of range language: 0
        {"L:3\n", 3, 3, 50},
        {";L:3\r\n", 0, 3, 50},       // comment
        {"L3\r\nL:\r\n", 0, 3, 50},   // no colon, too short
        {"M:2\r\nA:120\r\n", 0, 2, 120},
        {"m:5\r\na:77", 0, 3, 77},    // last line without line end
        {"X:1\r\nC:9\r\nL:4", 4, 3, 50},
        {"A:99999999999\r\n", 0, 3, 50},  // a number too big for an int is no number
    };
    for (const row& r : rows) {
        konfig_settings s;
        s.m = 3;
        parse_konfig_cfg(r.text, s);
        EXPECT_EQ(s.language, r.language) << r.text;
        EXPECT_EQ(s.m, r.m) << r.text;
        EXPECT_EQ(s.a, r.a) << r.text;
    }
}

TEST_F(small_files, konfig_written_with_four_crlf_lines_reads_back_from_crlf_and_lf)
{
    g_konfig() = {120, 7, 2, 3};
    ASSERT_TRUE(write_konfig_cfg());
    const QByteArray written = read(data_file("konfig.cfg"));
    EXPECT_EQ(written, QByteArray("A:120\r\nC:7\r\nM:2\r\nL:3\r\n"));

    for (const QByteArray& text : {written, QByteArray(written).replace("\r\n", "\n")}) {
        write(data_file("konfig.cfg"), text);
        g_konfig() = {};
        g_konfig().language = 1;
        ASSERT_TRUE(read_konfig_cfg());
        EXPECT_EQ(g_konfig().a, 120);
        EXPECT_EQ(g_konfig().c, 7);
        EXPECT_EQ(g_konfig().m, 2);
        EXPECT_EQ(g_konfig().language, 3);
    }
    EXPECT_TRUE(shown.empty());
}

TEST_F(small_files, missing_konfig_keeps_defaults_and_unwritable_reports_host_error_63)
{
    g_konfig().language = 4;
    g_konfig().m = 2;
    EXPECT_FALSE(read_konfig_cfg());
    EXPECT_EQ(g_konfig().language, 0);
    EXPECT_EQ(g_konfig().m, 3);

    // A data directory that is a regular file cannot hold the file, even for root.
    write(q(app.file("plain")), "x");
    g_app_dirs().data = q(app.file("plain"));
    EXPECT_FALSE(write_konfig_cfg());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].code, 63);
    EXPECT_EQ(shown[0].type, err_type_host);
    EXPECT_EQ(shown[0].argument_kind, err_arg_once);
    EXPECT_EQ(shown[0].argument, ENOTDIR);
}

TEST_F(small_files, a_failed_replace_keeps_the_old_file)
{
    const QString path = q(app.file("keep.cfg"));
    write(path, "old contents");
    QFile(path).setPermissions(QFileDevice::ReadOwner);  // read-only, as Windows would refuse it
    const file_write_result r = replace_file(path, "new");
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.opened);
    EXPECT_EQ(r.sys_errno, EACCES);
    EXPECT_EQ(read(path), QByteArray("old contents"));
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_TRUE(replace_file(path, "new").ok);
    EXPECT_EQ(read(path), QByteArray("new"));
    EXPECT_EQ(QDir(q(app.path())).entryList(QDir::Files).size(), 1);  // no temporary left behind
}

// The replacement is written under a private temporary name; the file that takes the old
// one's place must carry the old permission bits, whatever the umask, and a new file those
// the umask leaves.
TEST_F(small_files, a_replaced_file_keeps_its_permission_bits)
{
    struct row {
        const char* name;
        mode_t old_mode;  // 0: no file before
        mode_t umask;
        mode_t after;
    };
    const row rows[] = {
        {"0644 under umask 077", 0644, 077, 0644},
        {"0600 under umask 022", 0600, 022, 0600},
        {"0640 under umask 077", 0640, 077, 0640},
        {"new file under umask 027", 0, 027, 0640},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const QString path = q(app.file("mode.cfg"));
        QFile::remove(path);
        if (r.old_mode) {
            write(path, "old contents");
            ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), r.old_mode), 0);
        }
        const mode_t saved = ::umask(r.umask);
        const bool ok = replace_file(path, "new").ok;
        ::umask(saved);
        ASSERT_TRUE(ok);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, r.after);
        EXPECT_EQ(read(path), QByteArray("new"));
    }
}

TEST_F(small_files, a_file_made_piece_by_piece_is_all_or_nothing)
{
    const QString path = q(app.file("pieces.csv"));
    write(path, "old contents");
    const auto pieces = [](int fail_at) {
        return [fail_at, i = 0](const char*& p, size_t& n) mutable {
            static const char* const parts[] = {"one ", "two ", "three"};
            if (i == fail_at)
                return false;
            p = i < 3 ? parts[i] : nullptr;
            n = i < 3 ? std::strlen(parts[i]) : 0;
            ++i;
            return true;
        };
    };
    EXPECT_FALSE(replace_file(path, pieces(2), write_durability::unsynced).ok);  // the source gives up
    EXPECT_EQ(read(path), QByteArray("old contents"));
    EXPECT_EQ(QDir(q(app.path())).entryList(QDir::Files).size(), 1);
    EXPECT_TRUE(replace_file(path, pieces(-1)).ok);
    EXPECT_EQ(read(path), QByteArray("one two three"));
}

// A replacement in steps: the target keeps its old bytes until commit, whatever was written
// and finished before; dropped, it leaves nothing; a failed file kept under another name
// travels to another file system by copy.
TEST_F(small_files, a_replacement_takes_the_place_of_the_target_only_on_commit)
{
    const QString path = q(app.file("two.pdf"));
    write(path, "old contents");
    const auto files = [this] { return QDir(q(app.path())).entryList(QDir::Files | QDir::Hidden).size(); };
    {
        replacement_file r;
        ASSERT_TRUE(r.open(path));
        ASSERT_TRUE(r.write("new", 3));
        ASSERT_TRUE(r.finish());
        EXPECT_EQ(read(path), QByteArray("old contents"));
        EXPECT_EQ(read(r.temporary_path()), QByteArray("new"));
    }  // dropped
    EXPECT_EQ(read(path), QByteArray("old contents"));
    EXPECT_EQ(files(), 1);
    {
        replacement_file r;
        ASSERT_TRUE(r.open(path));
        ASSERT_TRUE(r.write("new", 3));
        EXPECT_TRUE(r.commit());
        EXPECT_FALSE(r.has_file());
    }
    EXPECT_EQ(read(path), QByteArray("new"));
    EXPECT_EQ(files(), 1);

    testing_support::small_filesystem other(data.file("other"), 64);
    if (!other.mounted())
        GTEST_SKIP() << other.why_not();
    replacement_file r;
    ASSERT_TRUE(r.open(path));
    ASSERT_TRUE(r.write("failed", 6));
    const QString kept = q(data.file("other/kept.bin"));
    EXPECT_TRUE(r.keep_as(kept));
    EXPECT_EQ(read(kept), QByteArray("failed"));
    EXPECT_EQ(read(path), QByteArray("new"));
    EXPECT_EQ(files(), 1);
    EXPECT_EQ(QDir(q(data.file("other"))).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

// Two files replaced together: when the second cannot take its place, the first goes back to
// what it was (or away again when it was new); nothing is left under another name.
TEST_F(small_files, two_replacements_take_their_places_together_or_not_at_all)
{
    const QString first = q(app.file("conf.pdf"));
    const QString second = q(app.file("conf-functions.pdf"));
    const auto names = [this] { return QDir(q(app.path())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
    const auto prepare = [](replacement_file& r, const QString& path, const char* text) {
        ASSERT_TRUE(r.open(path));
        ASSERT_TRUE(r.write(text, std::strlen(text)));
        ASSERT_TRUE(r.finish());
    };
    for (const bool first_existed : {true, false}) {
        SCOPED_TRACE(first_existed ? "the first file existed" : "the first file is new");
        QFile::remove(first);
        QDir(q(app.path())).rmdir(QStringLiteral("conf-functions.pdf"));
        if (first_existed)
            write(first, "old settings");
        write(second, "old table");
        const QStringList before = names();
        {
            replacement_file a, b;
            prepare(a, first, "new settings");
            prepare(b, second, "new table");
            // The second target turns into a folder before the commit: its rename must fail.
            ASSERT_TRUE(QFile::remove(second));
            ASSERT_TRUE(QDir(q(app.path())).mkdir(QStringLiteral("conf-functions.pdf")));
            EXPECT_FALSE(commit_together(a, b));
            EXPECT_FALSE(b.result().ok);
        }
        if (first_existed)
            EXPECT_EQ(read(first), QByteArray("old settings"));
        else
            EXPECT_FALSE(QFileInfo::exists(first));
        QStringList now = names();
        EXPECT_EQ(now, before) << now.join(' ').toStdString();
    }
    QDir(q(app.path())).rmdir(QStringLiteral("conf-functions.pdf"));
    write(second, "old table");
    replacement_file a, b;
    prepare(a, first, "new settings");
    prepare(b, second, "new table");
    EXPECT_TRUE(commit_together(a, b));
    EXPECT_EQ(read(first), QByteArray("new settings"));
    EXPECT_EQ(read(second), QByteArray("new table"));
    EXPECT_EQ(names().size(), 2);
}

TEST_F(small_files, trace_numbering_continues_whatever_the_line_ends_and_lengths)
{
    struct row {
        QByteArray text;
        int number;
        bool is_new;
    };
    const row rows[] = {
        {"     1  start\r\n     2  a longer line than the first\r\n    41  end\r\n", 42, false},
        {"     1  start\n    41  end of a line of another length\n", 42, false},
        {"     7  no line end at all", 8, false},
        {"    12  text\r\n\r\n\n", 13, false},
        {"garbage line\r\n", 0, false},
        {"   41\r\n", 0, false},  // a number without text does not read as "%d %s"
        {"99999999999 x\r\n", 0, false},   // a number too big for the count starts it again
        {"2147483647 x\r\n", 0, false},
        {"2147483646 x\r\n", 2147483647, false},
        {"", 0, true},
    };
    for (const row& r : rows) {
        const QString path = q(app.file("t.trc"));
        write(path, r.text);
        int number = -1;
        bool is_new = false;
        ASSERT_TRUE(open_trace_file(path, number, is_new));
        EXPECT_EQ(number, r.number) << r.text.toStdString();
        EXPECT_EQ(is_new, r.is_new) << r.text.toStdString();
        ASSERT_TRUE(close_trace_file());
    }
}

TEST_F(small_files, trace_lines_are_appended_with_crlf_and_continue_in_the_next_file_session)
{
    const QString path = q(app.file("trace.trc"));
    int number = -1;
    bool is_new = false;
    ASSERT_TRUE(open_trace_file(path, number, is_new));
    EXPECT_TRUE(is_new);
    EXPECT_EQ(number, 0);
    EXPECT_TRUE(trace_print_line(QString::asprintf("%6d  first", number)));
    EXPECT_TRUE(trace_print_line(QString::asprintf("%6d  second, longer", number + 1)));
    EXPECT_TRUE(close_trace_file());
    EXPECT_FALSE(trace_print_line("no file"));
    EXPECT_EQ(read(path), QByteArray("     0  first\r\n     1  second, longer\r\n"));
    ASSERT_TRUE(open_trace_file(path, number, is_new));
    EXPECT_FALSE(is_new);
    EXPECT_EQ(number, 2);
    EXPECT_TRUE(close_trace_file());
    EXPECT_TRUE(close_trace_file());  // none open
}

TEST_F(small_files, paths_with_backslashes_and_other_case_resolve_to_the_existing_entries)
{
    const QString root = q(app.path());
    ASSERT_TRUE(QDir().mkpath(root + "/tvx_config/Sub"));
    write(root + "/tvx_config/Sub/Cust.BIN", "x");
    EXPECT_EQ(resolve_path(root + "\\tvx_Config\\sub\\cust.bin"), root + "/tvx_config/Sub/Cust.BIN");
    EXPECT_EQ(resolve_path(root + "/TVX_CONFIG/new.bin"), root + "/tvx_config/new.bin");
    EXPECT_EQ(resolve_path(root + "/missing/Sub/x"), root + "/missing/Sub/x");
    EXPECT_EQ(app_file("cd_data\\123456789012345.sp"), root + "/cd_data/123456789012345.sp");
}

TEST_F(small_files, newest_file_and_emptying_a_directory)
{
    const QString dir = q(app.path());
    write(dir + "/F252_100.hex", "");
    write(dir + "/f252_120.HEX", "");
    write(dir + "/F252_110.hex", "");
    write(dir + "/other.txt", "");
    QString name;
    ASSERT_TRUE(find_newest_file(dir, "f252_*.hex", name));
    EXPECT_EQ(name, QString("f252_120"));
    EXPECT_FALSE(find_newest_file(dir, "*.bin", name));

    ASSERT_TRUE(QDir().mkdir(dir + "/keep"));
    write(dir + "/keep/inner", "");
    write(dir + "/.hidden", "");
    EXPECT_TRUE(delete_files_in_dir(dir));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), 0);
    EXPECT_TRUE(QFileInfo::exists(dir + "/keep/inner"));

    write(dir + "/a", "");
    write(dir + "/b", "");
    ::chmod(QFile::encodeName(dir + "/a").constData(), 0444);
    EXPECT_FALSE(delete_files_in_dir(dir));
    EXPECT_TRUE(QFileInfo::exists(dir + "/a"));
    EXPECT_TRUE(delete_files_in_dir(dir + "/nothing-here"));
}

TEST_F(small_files, qstring_to_cstr_is_bounded_and_latin1)
{
    char buf[6];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_STREQ(qstring_to_cstr(QString::fromUtf8("ab°cdefgh"), buf, sizeof buf), "ab\xB0" "cd");
    char one[1] = {'x'};
    EXPECT_STREQ(qstring_to_cstr("abc", one, 1), "");
}
