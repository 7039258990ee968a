// The update flows' rules without a controller: the firmware name check, the version texts
// of installed file names, and the exact flashcli lines of the loader exchange, the logic
// download, the loader version read and the firmware downloads (a fake flashcli records
// them); then the logic package check against the simulated controller's family.
#include "update_fixture.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "app/flashcli_command.h"
#include "app/update_files.h"
#include "core/text/text_tables.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

using namespace update_testing;

// --- file names -------------------------------------------------------------------------

struct name_case {
    const char* name;
    bool result;
    const char* box;  // "error: ...", "warning" (answered by `answer`) or nothing
    int answer;
};

TEST(update_names, firmware_file_names_by_version_and_revision)
{
    ui_testing::test_app();
    reset_all();
    c_frm_main w;
    ui_testing::scripted_ui script;
    device_info_state& d = g_device_info();
    d.valid = true;
    d.firmware.hw_revision = 0x9121;
    const char* refused = "error: The selected firmware-file is not compatible with new Tarvix controller, revision H";
    const name_case cases[] = {
        {"F252_117.06", true, nullptr, 0},
        {"F252_116.50", true, nullptr, 0},
        {"F252_115.50", true, nullptr, 0},
        {"F252_118", true, nullptr, 0},
        {"F252_116.49", false, refused, 0},
        {"F252_117", false, refused, 0},  // 1.17.0
        {"F252_1xy", true, "error: The fileversion could not be extracted from the filename!", 0},
        {"F252_1x", true, "warning", ui::yes},
        {"test", false, "warning", ui::cancel},
        {"f252_117.06", true, "warning", ui::yes},
    };
    const QString warning = QString::fromLatin1((txt_message(41) + txt_message(42)).c_str());
    auto run = [&](const name_case& c) {
        SCOPED_TRACE(c.name);
        if (c.box && std::string(c.box) == "warning")
            script.expect_warning(warning, c.answer);
        else if (c.box)
            script.expect_error(QString::fromLatin1(c.box + 7));
        EXPECT_EQ(w.check_firmware_file_name(c.name), c.result);
        EXPECT_TRUE(script.verify_consumed());
    };
    for (const name_case& c : cases)
        run(c);
    // Accepted at once: the hardware the rule does not concern, unknown information, the loader.
    for (int variant = 0; variant < 3; ++variant) {
        d.firmware.hw_revision = variant == 0 ? 0x9120 : 0x9121;
        d.valid = variant != 1;
        g_device().loader_state = variant == 2;
        run({"F252_116.49", true, nullptr, 0});
    }
    reset_all();
}

TEST(update_names, version_texts)
{
    struct row {
        const char* text;
        bool ok;
        int major, minor, patch, build;
    };
    const row rows[] = {
        {"117.06", true, 1, 17, 6, 0},  {"117", true, 1, 17, 0, 0},       {"117.", true, 1, 17, 0, 0},
        {"116.50.123", true, 1, 16, 50, 123}, {"117.06abc", true, 1, 17, 6, 0}, {"1170", false, 0, 0, 0, 0},
        {"1xy", false, 0, 0, 0, 0},     {"", false, 0, 0, 0, 0},          {"117.0", false, 0, 0, 0, 0},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.text);
        uint8_t a = 9, b = 9, c = 9;
        uint16_t build = 9;
        ASSERT_EQ(parse_version_string(r.text, a, b, c, build), r.ok);
        if (r.ok) {
            EXPECT_EQ(std::vector<int>({a, b, c, build}), std::vector<int>({r.major, r.minor, r.patch, r.build}));
        }
    }
    int n[4] = {};
    EXPECT_TRUE(parse_logic_version("210008", n));
    EXPECT_EQ(std::vector<int>(n, n + 4), std::vector<int>({2, 1, 0, 8}));
    for (const char* bad : {"21008", "2100080", "2100x8", "-10008"})
        EXPECT_FALSE(parse_logic_version(bad, n)) << bad;

    version_record v;
    ASSERT_TRUE(decode_loader_version("1.02.05", v));
    EXPECT_EQ(std::vector<int>({v.major, v.minor, v.patch}), std::vector<int>({1, 2, 5}));
    ASSERT_TRUE(decode_loader_version("2.10.00", v));
    EXPECT_EQ(std::vector<int>({v.major, v.minor, v.patch}), std::vector<int>({2, 10, 0}));
    EXPECT_FALSE(decode_loader_version("1.02.0", v));
    EXPECT_EQ(logic_record_for_family(0x22), 3);
    EXPECT_EQ(logic_record_for_family(0x41), 6);
    EXPECT_EQ(logic_record_for_family(0x48), -1);
}

// The installed files each flow searches for, in directories spelled as the program spells
// them; the newest by name wins.
TEST(update_names, installed_files_are_found_by_filter_and_suffix)
{
    const fs::path root = fs::temp_directory_path() / ("installed-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const fs::path old = fs::current_path();
    update_images::installed_set files;
    files.firmware = {1, 17, 6, 0};
    files.loader = {1, 6, 0, 0};
    files.logic = {{3, 20, 16}};
    files.profinet = {2, 1, 0, 8};
    files.redesign = true;
    std::string why;
    ASSERT_TRUE(make_update_app_dir(root, files, why)) << why;
    update_images::installed_set older;
    older.firmware = {1, 16, 50, 0};
    older.loader = {1, 5, 0, 0};
    older.redesign = true;
    ASSERT_TRUE(update_images::write_installed((root / "app").string(), older));
    const struct {
        const char *dir, *filter, *suffix, *base;
    } rows[] = {
        {"tvx_firmLoad", "F251_*", ".bin", "F251_106"},    {"tvx_firmLoadx", "F356_*", ".binx", "F356_106"},
        {"tvx_fsw", "f252_*", ".hex", "F252_117.06.000"},      {"tvx_fsw", "f355_*", ".hexx", "F355_117.06.000"},
        {"tvx_logic", "Logic_*", ".bin", "Logic_0001"},    {"tps_fsw", "4418062-*", ".img", "4418062-210008"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.dir);
        QString base, path;
        ASSERT_TRUE(find_installed_file(r.dir, r.filter, r.suffix, base, path));
        EXPECT_EQ(base, QString::fromLatin1(r.base));
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
    }
    QString base, path;
    EXPECT_FALSE(find_installed_file("tvx_fsw", "f999_*", ".hex", base, path));
    EXPECT_TRUE(base.isEmpty());
    fs::current_path(old);
    fs::remove_all(root);
    reset_all();
}

// --- command lines, with a fake flashcli ----------------------------------------------------

// Records each call as its arguments joined by "|", fails (status 3) when a call contains
// $FAKE_FAIL_ON, and answers an upload of the loader version with $FAKE_LOADER_TEXT.
const char* const k_recording_flashcli = R"(#!/bin/sh
first=1
for a in "$@"; do
  if [ $first = 1 ]; then printf '%s' "$a" >> calls.txt; first=0; else printf '|%s' "$a" >> calls.txt; fi
  case "$a" in N:*) n="${a#N:}" ;; esac
done
echo >> calls.txt
if [ -n "$FAKE_FAIL_ON" ]; then case "$*" in *"$FAKE_FAIL_ON"*) exit 3 ;; esac; fi
case "$*" in *rd_bin*) printf '%s' "$FAKE_LOADER_TEXT" > "$n" ;; esac
exit 0
)";

struct command_lines : ui_testing::app_first, ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("lines-" + std::to_string(::getpid()));
    fs::path old = fs::current_path();
    std::unique_ptr<c_frm_main> w;
    ui_testing::scripted_ui script;

    command_lines()
    {
        reset_all();
        fs::remove_all(dir);
        fs::create_directories(dir / "flashcli");
        fs::create_directories(dir / "data");
        std::ofstream(dir / "flashcli" / "flashcli") << k_recording_flashcli;
        fs::permissions(dir / "flashcli" / "flashcli", fs::perms::owner_all);
        fs::current_path(dir);
        init_app_dirs(QString::fromStdString(dir.string()), QString::fromStdString((dir / "data").string()));
        g_sndhex_limits().settle_ms = 0;
        w = std::make_unique<c_frm_main>();
    }
    ~command_lines() override
    {
        w.reset();
        qunsetenv("FAKE_FAIL_ON");
        qunsetenv("FAKE_LOADER_TEXT");
        fs::current_path(old);
        fs::remove_all(dir);
        reset_all();
    }
    // The calls since the last look, each "program|arg|arg...".
    std::vector<std::string> calls()
    {
        std::vector<std::string> out;
        std::ifstream in(dir / "calls.txt");
        for (std::string l; std::getline(in, l);)
            out.push_back(l);
        fs::remove(dir / "calls.txt");
        return out;
    }
};

const std::string head = "H:E|=|)|";

TEST_F(command_lines, loader_exchange_four_runs_or_two_and_the_clone_variant)
{
    ASSERT_TRUE(w->download_fld("F251_106.bin", false));
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           head + "./tvx_firmload/dl_hexr|N:./tvx_firmload/IntHook",
                           head + "./tvx_firmload/dl_bmr|N:./tvx_firmload/F251_106.bin",
                           head + "./tvx_firmload/dl_hexr|N:./tvx_firmload/JmpHook",
                           head + "./tvx_firmload/dl_hexr|N:./tvx_firmload\\PrgFld",
                       }));
    ASSERT_TRUE(w->download_fld("/data/tvx_clones/a b.tcl", true));
    EXPECT_EQ(calls()[1], head + "./tvx_firmload/dl_bmr|J:18100|W:8000|N:/data/tvx_clones/a b.tcl");

    g_device_info().redesign = true;
    ASSERT_TRUE(w->download_fld("F356_106.binx", false));
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           head + "./tvx_firmloadx/dl_bmrx|N:./tvx_firmloadx/F356_106.binx",
                           head + "./tvx_firmloadx/dl_hexr|N:./tvx_firmloadx\\PrgFld.hexx",
                       }));
    g_device_info().redesign = false;

    // The first failure ends the sequence: the retry question declined.
    qputenv("FAKE_FAIL_ON", "JmpHook");
    script.expect_error(QStringLiteral("Host: Update-Utility FLASHCLI.EXE returned an error (Code 3)! Retry?"), ui::no);
    EXPECT_FALSE(w->download_fld("F251_106.bin", false));
    EXPECT_EQ(calls().size(), 3u);
}

TEST_F(command_lines, logic_download_and_its_failed_first_line)
{
    ASSERT_TRUE(w->download_logic("Logic_0001.bin", 0x1a2, 0x40));
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           head + "./tvx_logic/dl_bmr|F:40|L:1000:5000|J:1a2|W:40|N:./tvx_logic/Logic_0001.bin",
                           head + "./tvx_logic/dl_hexr|N:./tvx_logic/ispProg",
                       }));
    // Without retry nothing is shown and the second line never runs.
    qputenv("FAKE_FAIL_ON", "dl_bmr");
    EXPECT_FALSE(w->download_logic("Logic_0001.bin", 0x1a2, 0x40));
    EXPECT_EQ(calls().size(), 1u);
}

TEST_F(command_lines, loader_version_read_needs_seven_fresh_bytes)
{
    const std::string file = (dir / "data" / "pm_cache" / "fldversion.bin").string();
    qputenv("FAKE_LOADER_TEXT", "1.02.05");
    version_record v;
    ASSERT_TRUE(w->read_loader_version(v));
    EXPECT_EQ(std::vector<int>({v.major, v.minor, v.patch}), std::vector<int>({1, 2, 5}));
    EXPECT_EQ(calls(), (std::vector<std::string>{head + "./tvx_firmload/rd_bin|N:" + file}));

    // A short answer fails; so does a run that leaves an earlier controller's file untouched.
    qputenv("FAKE_LOADER_TEXT", "1.02");
    EXPECT_FALSE(w->read_loader_version(v));
    std::ofstream(file) << "9.99.99";
    qputenv("FAKE_FAIL_ON", "rd_bin");
    script.expect_box_containing(ui::box_kind::critical, ui::title_error(), QStringLiteral("(Code 3)"), ui::no);
    EXPECT_FALSE(w->read_loader_version(v));
    EXPECT_FALSE(fs::exists(file));
}

TEST_F(command_lines, firmware_downloads)
{
    fs::create_directories(dir / "tvx_fsw");
    const QString chosen = QString::fromStdString((dir / "tvx_fsw" / "F252_117.06.hex").string());
    // The file dialog: a child of the main window that adds ".hex" to a name typed without it,
    // on the redesigned hardware too.
    auto file_dialog = [&](const char* filter) {
        return [&, filter](QWidget* d) {
            auto* files = qobject_cast<QFileDialog*>(d);
            EXPECT_NE(files, nullptr);
            if (!files)
                return int(QDialog::Rejected);
            EXPECT_EQ(files->parentWidget(), w.get());
            EXPECT_EQ(files->defaultSuffix(), QStringLiteral("hex"));
            EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptOpen);
            EXPECT_EQ(files->fileMode(), QFileDialog::ExistingFile);
            EXPECT_EQ(files->nameFilters(), QStringList{QLatin1String(filter)});
            EXPECT_EQ(files->directory().absolutePath(), QDir(QString::fromStdString((dir / "tvx_fsw").string())).absolutePath());
            files->selectFile(chosen);
            return int(QDialog::Accepted);
        };
    };
    script.expect_modal(QStringLiteral("Select Tarvix firmware file ..."), file_dialog("Tarvix firmware files (*.hex)"))
        .expect_question(QStringLiteral("Is the selected HEX-File \"%1\" OK?\nTo start programming, press the YES-Button!")
                             .arg(chosen),
                         ui::yes);
    bool cancelled = true;
    EXPECT_TRUE(w->select_download_firmware(QString(), cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(calls(), (std::vector<std::string>{head + "./tvx_fsw/dl_hex|A:1|E:7|N:" + chosen.toStdString()}));

    g_device_info().redesign = true;
    script.expect_modal(QStringLiteral("Select Tarvix firmware file ..."), file_dialog("Tarvix redesign firmware files (*.hexx)"))
        .expect_box_containing(ui::box_kind::question, ui::title_confirm(),
                                                          QStringLiteral("Is the selected HEX-File"), ui::cancel);
    EXPECT_TRUE(w->select_download_firmware(QString(), cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(calls().empty());
    g_device_info().redesign = false;

    // The clone's firmware from its offset; without a controller the wait ends with error 4.
    w->waitPolls = 2;
    script.expect_error(QString::fromLatin1(txt_error(1, 4).value_or("").c_str()));
    EXPECT_FALSE(w->download_clone_firmware(QStringLiteral("/x/my clone.tcl")));
    EXPECT_EQ(calls(), (std::vector<std::string>{head + "./tvx_fsw/dl_hex|J:20100|W:FFFFFF|N:/x/my clone.tcl"}));
}

// --- the logic package against the controller's family -------------------------------------

class logic_check : public update_world {};

TEST_F(logic_check, family_record_walk_sum_and_bounds)
{
    using update_images::logic_fault;
    using update_images::logic_record;
    std::vector<logic_record> records;
    for (uint16_t i = 0; i < 7; ++i)
        records.push_back({uint8_t(1 + i), uint8_t(10 * i), uint16_t(40 + 30 * i)});
    const std::vector<logic_record> four(records.begin(), records.begin() + 4);
    start({});
    struct row {
        const char* name;
        uint8_t family;
        std::vector<uint8_t> file;  // empty: no file
        int code;
    };
    const row rows[] = {
        {"family 0x22 walks records 0 to 3", 0x22, update_images::logic_package(records), 0},
        {"family 0x10 takes record 0", 0x10, update_images::logic_package(records), 0},
        {"family 0x41 takes record 6", 0x41, update_images::logic_package(records), 0},
        {"sum off by one", 0x22, update_images::logic_package(records, logic_fault::sum_off_by_one), 45},
        {"wrong magic", 0x22, update_images::logic_package(records, logic_fault::wrong_magic), 46},
        {"record 3 truncated", 0x22, update_images::logic_package(four, logic_fault::truncated), 44},
        {"record 3 past the end", 0x22, update_images::logic_package(four, logic_fault::length_past_end), 44},
        {"header cut", 0x41, update_images::logic_package(four), 44},
        {"unknown family", 0x48, update_images::logic_package(records), 48},
        {"no file", 0x22, {}, 41},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string file = path("tvx_logic/Logic_test.bin");
        std::remove(file.c_str());
        if (!r.file.empty())
            update_images::write_file(file, r.file.data(), r.file.size());
        ask("param 28 " + std::to_string(r.family));
        uint32_t position = 0, length = 0;
        uint8_t major = 0, minor = 0, family = 0;
        ASSERT_EQ(window->check_logic_file("Logic_test.bin", position, length, major, minor, family), r.code);
        EXPECT_EQ(family, r.family);
        if (r.code == 0) {
            const size_t index = size_t(logic_record_for_family(r.family));
            uint32_t want_position = 0, want_length = 0;
            update_images::logic_record_place(records, index, want_position, want_length);
            EXPECT_EQ(position, want_position);
            EXPECT_EQ(length, want_length);
            EXPECT_EQ(major, records[index].major);
            EXPECT_EQ(minor, records[index].minor);
        }
    }

    // A FIFO in the package's place is refused at once, never waited on.
    const std::string file = path("tvx_logic/Logic_test.bin");
    std::remove(file.c_str());
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    ask("param 28 34");
    uint32_t position = 0, length = 0;
    uint8_t major = 0, minor = 0, family = 0;
    EXPECT_EQ(window->check_logic_file("Logic_test.bin", position, length, major, minor, family), 41);
    std::remove(file.c_str());
}

}  // namespace
