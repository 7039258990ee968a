// The reader of scanners.cscan as one table of small inline files: sections, levels, wands,
// set-ups, the range check of the P lines, the bounds of names and of the unit mask, line
// ends, and the file itself (missing, the installed one).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <functional>

#include "core/files/app_dirs.h"
#include "core/files/scanner_lists.h"
#include "page_common/scanner_finder_file.h"
#include "support/test_support.h"
#include "tests/scanner/big_cscan.h"

namespace {

const char* const range_text = "The entries in the scanner configuration file \"scanners.cscan\" is out of range!!\nLine: ";

// Two units (the first with two levels), two wands and one closed set-up, as most cases
// start.
const std::string base = "## V1.2 test list\n"
                         "*U\n"
                         "1000001 su-a\n"
                         "10$20 1$2 0$1\n"
                         "30$40 3$4 1$2\n"
                         "1000002 SU-B\n"
                         "*W\n"
                         "2000001 Wand-1 SU-A su-b\n"
                         "2000002 WAND-2 SU-B unknown\n"
                         "*S\n"
                         "*2000001_1000001\n"
                         "P001 1 2 3\n"
                         "P002 10 10 9\n"
                         "\n";

using check_fn = std::function<void(const scanner_finder_tables&)>;

struct parse_case {
    const char* name;
    std::string text;
    bool result;
    const char* refused_line;  // the line the range box names, or null for no box
    check_fn check;
};

std::string units(int n)
{
    std::string s = "*U\n";
    for (int i = 0; i < n; ++i)
        s += std::to_string(3000000 + i) + " U" + std::to_string(i) + "\n";
    return s;
}

const scanner_setup_entry& entry(const scanner_finder_tables& t, size_t s, size_t e) { return t.setups.at(s).entries.at(e); }

void expect_entry(const scanner_setup_entry& e, int number, int time, int force, int precision)
{
    EXPECT_EQ(e.number, number);
    EXPECT_EQ(e.time_level, time);
    EXPECT_EQ(e.force_level, force);
    EXPECT_EQ(e.precision_level, precision);
}

const std::vector<parse_case>& cases()
{
    static const std::vector<parse_case> list = {
        {"base file", base, true, nullptr,
         [](const scanner_finder_tables& t) {
             EXPECT_EQ(t.version, QString(" V1.2 TEST LIST"));
             ASSERT_EQ(t.units.size(), 2u);
             EXPECT_EQ(t.units[0].article, 1000001);
             EXPECT_EQ(t.units[0].name, QByteArray("SU-A"));
             EXPECT_EQ(t.units[0].level_count, 2);
             const scanner_level& l = t.units[0].levels[1];
             EXPECT_EQ(std::vector<int>({l.time_low, l.time_high, l.force_low, l.force_high, l.precision_low,
                                         l.precision_high}),
                       std::vector<int>({30, 40, 3, 4, 1, 2}));
             // A level never given reads 0 to 0.
             EXPECT_EQ(t.units[0].levels[2].time_high, 0);
             ASSERT_EQ(t.wands.size(), 2u);
             EXPECT_EQ(t.wands[0].name, QByteArray("WAND-1"));
             EXPECT_EQ(t.wands[0].unit_mask, 3u);
             EXPECT_EQ(t.wands[1].unit_mask, 2u);  // the unknown unit name is ignored
             ASSERT_EQ(t.setups.size(), 1u);
             ASSERT_EQ(t.setups[0].pairs.size(), 1u);
             EXPECT_EQ(t.setups[0].pairs[0].unit, 0);
             EXPECT_EQ(t.setups[0].pairs[0].wand, 0);
             expect_entry(entry(t, 0, 0), 1, 0, 1, 3);
             expect_entry(entry(t, 0, 1), 2, 9, 9, 9);
         }},
        {"lower case sections and P lines",
         "*u\n1234567 su-1\n*w\n7654321 w1 Su-1\n*s\n*7654321_1234567\np007 1 1 0\n", true, nullptr,
         [](const scanner_finder_tables& t) {
             ASSERT_EQ(t.setups.size(), 1u);
             expect_entry(entry(t, 0, 0), 7, 0, 0, 0);
             EXPECT_EQ(t.wands.at(0).unit_mask, 1u);
         }},
        {"time level 0 refused", base + "*2000002_1000002\nP003 1 1 1\nP005 0 1 0\nP004 1 1 1\n", false,
         "P005 0 1 0",
         [](const scanner_finder_tables& t) {
             // The closed set-up stays, the open one is lost, nothing after the line is read.
             ASSERT_EQ(t.setups.size(), 1u);
             EXPECT_EQ(t.setups[0].entries.size(), 2u);
         }},
        {"force level 11 refused", base + "*2000002_1000002\nP005 1 11 0\n", false, "P005 1 11 0",
         [](const scanner_finder_tables& t) { EXPECT_EQ(t.setups.size(), 1u); }},
        {"precision level 10 refused", base + "*2000002_1000002\nP005 1 1 10\n", false, "P005 1 1 10",
         [](const scanner_finder_tables& t) { EXPECT_EQ(t.setups.size(), 1u); }},
        {"P line with three numbers refused", base + "*2000002_1000002\nP005 1 1\n", false, "P005 1 1", nullptr},
        {"P line past the scanner count refused", base + "*2000002_1000002\nP011 1 1 1\n", false, "P011 1 1 1",
         nullptr},
        {"P line with a level beyond 16 bits refused", base + "*2000002_1000002\nP005 65537 1 1\n", false,
         "P005 65537 1 1", nullptr},
        {"P line at the scanner count accepted", base + "*2000002_1000002\nP010 1 1 1\n", true, nullptr,
         [](const scanner_finder_tables& t) { expect_entry(entry(t, 1, 0), 10, 0, 0, 1); }},
        {"twelve level lines keep ten",
         [] {
             std::string s = "*U\n1000001 U\n";
             for (int i = 1; i <= 12; ++i)
                 s += std::to_string(i) + "$" + std::to_string(i) + " 0$0 0$0\n";
             return s;
         }(),
         true, nullptr,
         [](const scanner_finder_tables& t) {
             EXPECT_EQ(t.units.at(0).level_count, 10);
             EXPECT_EQ(t.units[0].levels[9].time_low, 10);
         }},
        {"level line before the first unit ignored", "*U\n1$2 3$4 5$6\n1000001 U\n", true, nullptr,
         [](const scanner_finder_tables& t) {
             ASSERT_EQ(t.units.size(), 1u);
             EXPECT_EQ(t.units[0].level_count, 0);
         }},
        {"two headers before the same P lines make one set-up for both wands",
         "*U\n1000001 U\n*W\n2000001 W1 U\n2000002 W2 U\n*S\n*2000001_1000001\n*2000002_1000001\nP001 1 1 1\n",
         true, nullptr,
         [](const scanner_finder_tables& t) {
             ASSERT_EQ(t.setups.size(), 1u);  // a set-up that ends with the file is kept
             ASSERT_EQ(t.setups[0].pairs.size(), 2u);
             EXPECT_EQ(t.setups[0].pairs[1].wand, 1);
         }},
        {"a wand naming a unit defined further down does not fit it",
         "*U\n1000001 U1\n*W\n2000001 W1 U1 U2\n*U\n1000002 U2\n", true, nullptr,
         [](const scanner_finder_tables& t) {
             ASSERT_EQ(t.units.size(), 2u);
             EXPECT_EQ(t.wands.at(0).unit_mask, 1u);
         }},
        {"unknown article in a header leaves the pair out and the set-up open",
         base + "*2000009_1000002\n*2000002_1000002\nP003 1 1 1\n", true, nullptr,
         [](const scanner_finder_tables& t) {
             ASSERT_EQ(t.setups.size(), 2u);
             ASSERT_EQ(t.setups[1].pairs.size(), 1u);
             EXPECT_EQ(t.setups[1].pairs[0].wand, 1);
             EXPECT_EQ(t.setups[1].entries.size(), 1u);
         }},
        {"a second set-ups section discards the earlier set-ups",
         base + "*S\n*2000002_1000002\nP004 1 1 1\n", true, nullptr,
         [](const scanner_finder_tables& t) {
             ASSERT_EQ(t.setups.size(), 1u);
             expect_entry(entry(t, 0, 0), 4, 0, 0, 1);
         }},
        {"last line without a line end is read, CR LF accepted",
         "*U\r\n1000001 U1\r\n*W\r\n2000001 W1 U1\r\n*S\r\n*2000001_1000001\r\nP003 1 1 1", true, nullptr,
         [](const scanner_finder_tables& t) {
             EXPECT_EQ(t.wands.at(0).unit_mask, 1u);
             expect_entry(entry(t, 0, 0), 3, 0, 0, 1);
         }},
        {"names and version cut, a long line read whole",
         "##" + std::string(300, 'v') + "\n*U\n1000001 " + std::string(80, 'u') + "\n*W\n2000001 " +
             std::string(80, 'w') + " " + std::string(400, 'x') + " " + std::string(51, 'U') + "\n",
         true, nullptr,
         [](const scanner_finder_tables& t) {
             EXPECT_EQ(t.version.size(), 99);
             EXPECT_EQ(t.units.at(0).name, QByteArray(51, 'U'));
             EXPECT_EQ(t.wands.at(0).name, QByteArray(59, 'W'));
             // The unit named at the end of the 1000-character line still fits the wand.
             EXPECT_EQ(t.wands.at(0).unit_mask, 1u);
         }},
        {"40 units: indices from 32 on left out of the mask",
         units(40) + "*W\n2000001 W U0 U31 U32 U39\n", true, nullptr,
         [](const scanner_finder_tables& t) {
             ASSERT_EQ(t.units.size(), 40u);
             EXPECT_EQ(t.wands.at(0).unit_mask, 0x80000001u);
         }},
        {"an article of more than seven digits is cut as the line format reads it", "*U\n123456789 NAME\n", true,
         nullptr,
         [](const scanner_finder_tables& t) {
             EXPECT_EQ(t.units.at(0).article, 1234567);
             EXPECT_EQ(t.units[0].name, QByteArray("89"));
         }},
        {"NUL bytes end a line", std::string("*U\n1000001 AB\0CD\n1000002 X\0\0\n", 29), true, nullptr,
         [](const scanner_finder_tables& t) {
             ASSERT_EQ(t.units.size(), 2u);
             EXPECT_EQ(t.units[0].name, QByteArray("AB"));
         }},
        {"lines outside their section ignored",
         "1000001 X\nP001 1 1 1\n*2000001_1000001\n*U\n*1000001_1000001\n1000001 U\n*Q\n1000002 V\n", true,
         nullptr,
         [](const scanner_finder_tables& t) {
             EXPECT_EQ(t.units.size(), 2u);  // "*Q" changes nothing
             EXPECT_TRUE(t.setups.empty());
         }},
    };
    return list;
}

TEST(ScannerFinderFile, CaseTable)
{
    for (const parse_case& c : cases()) {
        SCOPED_TRACE(c.name);
        testing_support::recording_ui ui;
        scanner_finder_tables t;
        EXPECT_EQ(parse_scanner_finder_text(QByteArray(c.text.data(), int(c.text.size())), 10, t), c.result);
        if (c.refused_line) {
            ASSERT_EQ(ui.prompts().size(), 1u);
            EXPECT_EQ(ui.prompts()[0].kind, ui::box_kind::critical);
            EXPECT_EQ(ui.prompts()[0].title, QString("ERROR"));
            EXPECT_EQ(ui.prompts()[0].text, QString(range_text) + c.refused_line + "\n");
        } else {
            EXPECT_TRUE(ui.prompts().empty());
        }
        if (c.check)
            c.check(t);
    }
}

TEST(ScannerFinderFile, LookupsByArticleAndName)
{
    scanner_finder_tables t;
    ASSERT_TRUE(parse_scanner_finder_text(QByteArray::fromStdString(base), 10, t));
    EXPECT_EQ(find_unit_by_article(1000002, t), 1);
    EXPECT_EQ(find_unit_by_article(2000001, t), -1);
    EXPECT_EQ(find_wand_by_article(2000002, t), 1);
    EXPECT_EQ(find_wand_by_article(0, t), -1);
    uint32_t mask = 0x10;
    EXPECT_EQ(mark_unit_by_name("su-b", mask, t), 1);
    EXPECT_EQ(mask, 0x12u);
    EXPECT_EQ(mark_unit_by_name("SU-C", mask, t), -1);
    EXPECT_EQ(mask, 0x12u);
}

// A 640 KB file of 60,000 units and a wand line naming 200,000 of them is read whole and
// right (how fast is the benchmark's business: bench/bench_scanner_finder_file).
TEST(ScannerFinderFile, ALargeFileReadsRight)
{
    const QByteArray text = big_scanner_finder_text();
    ASSERT_GT(text.size(), 600000);
    scanner_finder_tables t;
    ASSERT_TRUE(parse_scanner_finder_text(text, 10, t));
    ASSERT_EQ(t.units.size(), 60000u);
    EXPECT_EQ(t.units[5].name, QByteArray("C"));
    ASSERT_EQ(t.wands.size(), 1u);
    EXPECT_EQ(t.wands[0].unit_mask, 0x21u);
    ASSERT_EQ(t.setups.size(), 1u);
    ASSERT_EQ(t.setups[0].pairs.size(), 1u);
    EXPECT_EQ(t.setups[0].pairs[0].unit, 0);
    EXPECT_EQ(t.setups[0].pairs[0].wand, 0);
    EXPECT_EQ(t.setups[0].entries.size(), 1u);
}

class ScannerFinderFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(init_app_dirs(QString::fromStdString(app.path()), QString::fromStdString(data.path())));
        reset_scanner_lists_for_tests();
        g_scanner_finder.clear();
    }
    void TearDown() override
    {
        g_scanner_finder.clear();
        reset_scanner_lists_for_tests();
        reset_app_dirs_for_tests();
    }
    testing_support::temp_dir app;
    testing_support::temp_dir data;
};

TEST_F(ScannerFinderFileOnDisk, MissingFileOrFolderLeavesTablesEmpty)
{
    testing_support::recording_ui ui;
    EXPECT_FALSE(read_scanner_finder_file());
    ASSERT_TRUE(QDir(QString::fromStdString(app.path())).mkdir("scanners.cscan"));
    EXPECT_FALSE(read_scanner_finder_file());
    EXPECT_TRUE(g_scanner_finder.units.empty());
    EXPECT_TRUE(g_scanner_finder.setups.empty());
    EXPECT_TRUE(ui.prompts().empty());
}

TEST_F(ScannerFinderFileOnDisk, InstalledListReadsOverInstalledScannerList)
{
    const QString src = QString::fromStdString(testing_support::source_dir()) + "/data/";
    ASSERT_TRUE(QFile::copy(src + "scanners.cscan", app_file("scanners.cscan")));
    ASSERT_TRUE(QFile::copy(src + "scannerx.lst", app_file("scannerx.lst")));
    read_scanner_list();
    testing_support::recording_ui ui;
    ASSERT_TRUE(read_scanner_finder_file());
    EXPECT_TRUE(ui.prompts().empty());
    EXPECT_FALSE(scanner_finder_version().isEmpty());
    EXPECT_GE(find_unit_by_article(5206719), 0);  // the simulated controller's scanner
    EXPECT_GE(g_scanner_finder.wands.size(), 3u);
    EXPECT_GE(g_scanner_finder.setups.size(), 3u);
    for (const scanner_setup& s : g_scanner_finder.setups) {
        EXPECT_FALSE(s.pairs.empty());
        EXPECT_FALSE(s.entries.empty());
    }
}

}  // namespace
