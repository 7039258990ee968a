// The process-monitor CSV files: golden files byte for byte with '.' and ',', titles, the
// reader's cases, safe names, the curve folder of a program file and failed writes.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocale>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "core/image/byte_record.h"
#include "core/image/config_image.h"
#include "core/image/tool_records.h"
#include "procmon/pm_csv.h"
#include "procmon/safe_file_name.h"
#include "procmon/sdcard_reader.h"
#include "sim/card_image.h"
#include "support/test_support.h"

namespace L = sd_card_layout;

namespace {

std::string fixture(const char* name)
{
    std::ifstream in(testing_support::source_dir() + "/tests/procmon/fixtures/" + name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string file_text(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void put_text(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Numbers with the user's separator: '.' or ','.
struct decimal_comma {
    explicit decimal_comma(bool on)
    {
        QLocale::setDefault(on ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c());
    }
    ~decimal_comma() { QLocale::setDefault(QLocale::c()); }
};

card_image::tool_bytes record_fixture()
{
    const std::string b = fixture("record.bin");
    card_image::tool_bytes r{};
    EXPECT_EQ(b.size(), r.size());
    std::copy(b.begin(), b.end(), r.begin());
    return r;
}

// The samples the golden files were made from.
uint16_t record_sample(uint32_t k) { return k == 7 ? 0xFFFF : uint16_t((uint64_t(k) * 2654435761u >> 7) & 0xFFFF); }
int16_t curve_sample(uint32_t k) { return int16_t(uint16_t((k * 40503 + 17) & 0xFFFF)); }

struct card {
    explicit card(const std::string& path)
    {
        ::setenv("TARVIX_SDCARD_DEVICES", path.c_str(), 1);
        sdcard_reset_for_tests();
        ok = sdcard_rescan() && sdcard_open();
    }
    ~card()
    {
        sdcard_close();
        ::unsetenv("TARVIX_SDCARD_DEVICES");
        sdcard_reset_for_tests();
    }
    bool ok = false;
};

std::vector<uint16_t> golden_record_samples()
{
    std::vector<uint16_t> v;
    for (uint32_t k = 0; k < 300; ++k)
        v.push_back(record_sample(k));
    return v;
}

}  // namespace

TEST(PmCsvGolden, ToolTypeFile)
{
    const std::string rec = fixture("tooltype.bin");
    ASSERT_EQ(rec.size(), 179u);
    uint8_t sector[512];
    std::memset(sector, 0xA5, sizeof sector);
    sector[0] = 1;
    std::memcpy(sector + 1, rec.data(), rec.size());
    testing_support::temp_dir dir;
    for (bool comma : {false, true}) {
        decimal_comma sep(comma);
        const std::string out = dir.file("tt.csv");
        ASSERT_TRUE(write_tooltype_csv(9, sector, QString::fromStdString(out)));
        const std::string golden = fixture(comma ? "tooltype_comma.csv" : "tooltype_point.csv");
        EXPECT_EQ(golden.size(), 2162u);
        EXPECT_EQ(file_text(out), golden) << (comma ? "comma" : "point");
        bool paramsOk = false;
        std::vector<int16_t> samples{1, 2};
        EXPECT_TRUE(pm_read_csv(samples, nullptr, paramsOk, QString::fromStdString(out)));
        EXPECT_TRUE(samples.empty());
    }
}

TEST(PmCsvGolden, RecordFileOfAToolAndOfARecordingOnAWrappedRing)
{
    testing_support::temp_dir dir;
    const std::string img = dir.file("card.img");
    {
        card_image::builder b(img);
        b.signature();
        b.tool(3, 1, record_fixture(), golden_record_samples());
        b.ring_directory(100, 7100);
        b.ring_slot(102, 1, record_fixture(), golden_record_samples());  // logical 2
        ASSERT_TRUE(b.ok());
    }
    card c(img);
    ASSERT_TRUE(c.ok);
    ASSERT_EQ(sdcard_read_ring_directory(), 7032);
    uint8_t header[512];
    for (bool comma : {false, true}) {
        decimal_comma sep(comma);
        const std::string golden = fixture(comma ? "record_comma.csv" : "record_point.csv");
        ASSERT_EQ(golden.size(), 2554u + 32u * 300u);
        ASSERT_TRUE(sdcard_read_tool_header(3, header));
        ASSERT_TRUE(write_record_csv(false, 3, header, QString::fromStdString(dir.file("tool.csv"))));
        EXPECT_EQ(file_text(dir.file("tool.csv")), golden);
        ASSERT_TRUE(sdcard_read_ring_header(2, header));
        ASSERT_TRUE(write_record_csv(true, 2, header, QString::fromStdString(dir.file("rec.csv"))));
        EXPECT_EQ(file_text(dir.file("rec.csv")), golden);
    }
    // Sample 0xFFFF is 655.35 in a record file
    EXPECT_NE(file_text(dir.file("tool.csv")).find("\"          70\";\"      655,35\";\r\n"), std::string::npos);
}

TEST(PmCsvGolden, CurveFile)
{
    std::vector<int16_t> samples;
    for (uint32_t k = 0; k < 300; ++k)
        samples.push_back(curve_sample(k));
    const card_image::tool_bytes rec = record_fixture();
    testing_support::temp_dir dir;
    for (bool comma : {false, true}) {
        decimal_comma sep(comma);
        const std::string out = dir.file("curve.csv");
        ASSERT_TRUE(write_curve_csv(samples, rec.data(), QString::fromStdString(out)));
        const std::string text = file_text(out);
        EXPECT_EQ(text, fixture(comma ? "curve_comma.csv" : "curve_point.csv"));
        EXPECT_NE(text.find("\"DataCRC32           \";\"                      00001A2B\";\r\n"), std::string::npos);
    }
    ASSERT_TRUE(write_curve_csv({-1}, rec.data(), QString::fromStdString(dir.file("one.csv"))));
    EXPECT_NE(file_text(dir.file("one.csv")).find("\"           0\";\"       -0.01\";\r\n"), std::string::npos);
}

TEST(PmCsvRead, EveryInt16AndEveryParameterRoundTrips)
{
    std::vector<int16_t> all;
    for (int v = -32768; v <= 32767; ++v)
        all.push_back(int16_t(v));
    const card_image::tool_bytes rec = record_fixture();
    testing_support::temp_dir dir;
    const QString path = QString::fromStdString(dir.file("all.csv"));
    for (bool comma : {false, true}) {
        decimal_comma sep(comma);
        ASSERT_TRUE(write_curve_csv(all, rec.data(), path));
        std::vector<int16_t> back;
        uint8_t params[tool_record_size];
        std::memset(params, 0xA5, sizeof params);
        bool paramsOk = false;
        ASSERT_TRUE(pm_read_csv(back, params, paramsOk, path)) << pm_csv_last_error().toStdString();
        EXPECT_TRUE(paramsOk);
        EXPECT_EQ(back, all);
        EXPECT_EQ(std::memcmp(params, rec.data(), sizeof params), 0);
    }
}

TEST(PmCsvRead, Cases)
{
    const std::string head = "sep=;\r\n[Parameter]\r\n";
    const std::string data = "[Data]\r\n\"        Time\";\" ProcessData\";\r\n";
    struct read_case {
        const char* what;
        std::string text;
        bool ok;
        std::vector<int16_t> samples;
        bool params_ok;
    };
    const read_case cases[] = {
        {"0.29 reads as 29, -1.00 as -100", data + "\"0\";\"0.29\";\n\"10\";\"-1.00\";\n", true, {29, -100}, true},
        {"LF", data + "\"0\";\"1.5\";\n\"10\";\"2.5\";\n", true, {150, 250}, true},
        {"CR LF", data + "\"0\";\"1.5\";\r\n\"10\";\"2.5\";\r\n", true, {150, 250}, true},
        {"no last line end", data + "\"0\";\"1.5\";\r\n\"10\";\"2,5\";", true, {150, 250}, true},
        {"empty value stops, earlier samples stay", data + "\"0\";\"1.5\";\n\"10\";\"\";\n\"20\";\"3\";\n", false,
         {150}, true},
        {"value without a second field", data + "\"0\";\"1.5\";\n\"10\"\n", false, {150}, true},
        {"value beyond 32 bits", data + "\"0\";\"21474836.48\";\n", false, {}, true},
        {"value just inside 32 bits keeps its low 16 bits", data + "\"0\";\"21474836.47\";\n", true, {-1}, true},
        {"NUL inside a value", data + std::string("\"0\";\"1.5\0\";\n", 12), false, {}, true},
        {"inf is not a number", data + "\"0\";\"inf\";\n", false, {}, true},
        {"time not an integer skips the line", data + "\"1.5\";\"1\";\n\"0\";\"2\";\n", true, {200}, true},
        {"key without value", head + "\"DataCnt             \"\r\n" + data, true, {}, false},
        {"key with empty value", head + "\"DataCnt             \";\"\";\r\n", true, {}, false},
        {"key value beyond 32 bits", head + "\"DataCnt             \";\"4294967296\";\r\n", true, {}, false},
        {"unknown key", head + "\"Colour              \";\"1\";\r\n", true, {}, false},
        {"NUL in a key value", head + std::string("\"DataCnt\";\"1\0\";\r\n", 16), true, {}, false},
        {"lines that are not ours", "sep=;\n\n[Parameter]\nrandom\n\"\n", true, {}, true},
    };
    testing_support::temp_dir dir;
    const std::string path = dir.file("case.csv");
    for (const read_case& c : cases) {
        SCOPED_TRACE(c.what);
        put_text(path, c.text);
        std::vector<int16_t> samples;
        uint8_t rec[tool_record_size] = {};
        bool paramsOk = false;
        EXPECT_EQ(pm_read_csv(samples, rec, paramsOk, QString::fromStdString(path)), c.ok);
        EXPECT_EQ(samples, c.samples);
        EXPECT_EQ(paramsOk, c.params_ok);
    }
    std::vector<int16_t> samples{1, 2, 3};
    bool paramsOk = false;
    EXPECT_FALSE(pm_read_csv(samples, nullptr, paramsOk, QString::fromStdString(dir.file("missing.csv"))));
    EXPECT_TRUE(samples.empty());
    samples = {1};
    EXPECT_FALSE(pm_read_csv(samples, nullptr, paramsOk, QString::fromStdString(dir.path())));  // a folder
    EXPECT_TRUE(samples.empty());
}

TEST(PmCsvRead, KeyLines)
{
    struct parse_case {
        const char* line;
        bool ok;
        const char* field;
        int64_t value;
    };
    const parse_case cases[] = {
        {"\"DataCRC32           \";\"                      FFFFFFFF\";", true, "DataCRC32", int64_t(0xFFFFFFFF)},
        {"\"DataCnt             \";\"                           300\";", true, "DataCnt", 300},
        {"\"DN                  \";\"                         40000\";", true, "DN", 40000},
        {"\"BluntLimit          \";\"                         12,34\";", true, "BluntLimit", 1234},
        {"\"BluntLimit          \";\"                          0.29\";", true, "BluntLimit", 29},
        {"\"MonitoringStatus    \";\"                          FFFF\";", true, "MonitoringStatus", 0xFFFF},
        {"\"MissingMode         \";\"                            -1\";", true, "MissingMode", -1},
        {"\"DataCntX            \";\"1\";", false, nullptr, 0},
        {"\"dataCnt             \";\"1\";", false, nullptr, 0},
        {"\"1ataCnt             \";\"1\";", false, nullptr, 0},
        {"\"DataCnt             \";\"12x\";", false, nullptr, 0},
        {"\"DataCnt             \"", false, nullptr, 0},
    };
    for (const parse_case& c : cases) {
        SCOPED_TRACE(c.line);
        uint8_t rec[tool_record_size] = {};
        EXPECT_EQ(pm_csv_parse(QString::fromLatin1(c.line), rec), c.ok);
        if (c.field) {
            EXPECT_EQ(const_byte_view(rec, sizeof rec).get(*tool_record_fields().find(c.field)), c.value);
        }
    }
    uint8_t rec[tool_record_size];
    std::memset(rec, 0x41, sizeof rec);
    const QString longName = QStringLiteral("\"Name                \";\"") + QString(40, QLatin1Char('n')) + "\";";
    EXPECT_TRUE(pm_csv_parse(longName, rec));
    EXPECT_EQ(const_byte_view(rec, sizeof rec).text(tr::name, tr::name_size), std::string(31, 'n'));
    EXPECT_EQ(rec[tr::name + 31], 0);
}

TEST(PmCsvNames, TitlesAndSafeNames)
{
    card_image::tool_bytes rec = record_fixture();
    byte_view v(rec.data(), rec.size());
    EXPECT_EQ(pm_record_name(false, rec.data()), QStringLiteral("T7 DN40000 PN00123 [00010-00000-00001A2B]"));
    EXPECT_EQ(pm_record_name(true, rec.data()), QStringLiteral("T7 DN40000 PN00123 [00010-00042-00001A2B]"));
    v.set_u16(tr::dn, 7);
    v.set_i32(tr::counter_teach, -5);
    v.set_i32(tr::counter_value, -12);
    v.set_chars(tr::name, tr::name_size, std::string(32, 'Z'));
    EXPECT_EQ(pm_record_name(true, rec.data()),
              QString(32, QLatin1Char('Z')) + QStringLiteral(" DN007 PN00123 [-0005--0012-00001A2B]"));

    struct safe_case {
        const char* in;
        const char* out;
    };
    const safe_case cases[] = {{"T7 DN007", "T7 DN007"}, {"a/b", "a_b"},     {"..", "fb"},    {".", "fb"},
                               {"", "fb"},               {"../x", "_._x"},   {"x;y", "x;y"},  {"q\"d", "q_d"},
                               {"cr\rlf\n", "cr_lf_"},   {"a\\b:c*?<>|", "a_b_c_____"}, {".hidden", "_hidden"}};
    for (const safe_case& c : cases)
        EXPECT_EQ(safe_file_name(QString::fromLatin1(c.in), QStringLiteral("fb")), QString::fromLatin1(c.out)) << c.in;
    v.set_chars(tr::name, tr::name_size, "../../etc/passwd");
    EXPECT_FALSE(pm_record_file_name(false, rec.data()).contains('/'));

    // Control characters of a name never break the file's lines; ';' and '"' stay as they are.
    v.set_chars(tr::name, tr::name_size, "a;\"b\r\nc");
    testing_support::temp_dir dir;
    const std::string out = dir.file("name.csv");
    ASSERT_TRUE(write_curve_csv({1}, rec.data(), QString::fromStdString(out)));
    const std::string text = file_text(out);
    EXPECT_NE(text.find("\"Name                \";\"                       a;\"b__c\";\r\n"), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 45 + 2 + 1);
}

TEST(PmCsvFiles, CurveFolderOfAProgramFile)
{
    testing_support::temp_dir dir;
    const QString program = QString::fromStdString(dir.file("line4.cdx"));
    config_image image;
    card_image::tool_bytes rec = record_fixture();
    for (uint32_t n : {3u, 4u}) {
        image.tool(n).set_in_use(1);
        rec[tr::number] = uint8_t(n);
        rec[tr::counter_teach] = uint8_t(n);  // a title of its own
        image.tool(n).record().copy_from(0, rec.data(), rec.size());
    }
    bool folderExists = true;
    bool present[500];
    pm_csv_file_name(program, image, folderExists, present);
    EXPECT_FALSE(folderExists);
    std::vector<int16_t> samples{9};
    int status = -1;
    EXPECT_FALSE(pm_csv_file_name_for(false, program, image.tool(3).record().data(), samples, status));
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(samples.empty());

    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(dir.file("line4"))));
    const QString file = QString::fromStdString(dir.file("line4/")) + pm_record_file_name(false, image.tool(3).record().data());
    ASSERT_TRUE(write_curve_csv({1, -2, 3}, image.tool(3).record().data(), file));
    pm_csv_file_name(program, image, folderExists, present);
    EXPECT_TRUE(folderExists);
    EXPECT_TRUE(present[3]);
    EXPECT_FALSE(present[4]);
    EXPECT_FALSE(present[5]);
    EXPECT_TRUE(pm_csv_file_name_for(false, program, image.tool(3).record().data(), samples, status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(samples, (std::vector<int16_t>{1, -2, 3}));
    EXPECT_FALSE(pm_csv_file_name_for(false, program, image.tool(4).record().data(), samples, status));
    EXPECT_EQ(status, 2);
}

TEST(PmCsvFiles, RecordSampleCountsAndUnreadableData)
{
    testing_support::temp_dir dir;
    const std::string img = dir.file("card.img");
    card_image::tool_bytes rec = record_fixture();
    {
        card_image::builder b(img);
        b.signature();
        const int32_t counts[] = {-5, 0, 0x7FFFFFFF, L::max_samples + 1};
        for (int t = 0; t < 4; ++t) {
            byte_view(rec.data(), rec.size()).set_i32(tr::data_cnt, counts[t]);
            b.tool(t, 1, rec, {});
        }
        ASSERT_TRUE(b.ok());
    }
    card c(img);
    ASSERT_TRUE(c.ok);
    uint8_t header[512];
    for (int t = 0; t < 4; ++t) {
        SCOPED_TRACE(t);
        ASSERT_TRUE(sdcard_read_tool_header(t, header));
        const std::string out = dir.file("t.csv");
        ASSERT_TRUE(write_record_csv(false, uint32_t(t), header, QString::fromStdString(out)));
        const std::string text = file_text(out);
        const size_t data = text.find("[Data]\r\n\"        Time\";\" ProcessData\";\r\n");
        ASSERT_NE(data, std::string::npos);
        const size_t lines = size_t(std::count(text.begin() + long(data), text.end(), '\n')) - 2;
        EXPECT_EQ(lines, t < 2 ? 0u : size_t(L::max_samples));  // a huge count is clamped to the block
        if (t >= 2) {
            EXPECT_NE(text.find("\"    17999350\";\"        0.00\";\r\n"), std::string::npos);
        }
    }
    // A card cut inside the data: the file fails and none is left.
    ASSERT_EQ(::truncate(img.c_str(), off_t(uint64_t(L::tool_header_sector(2) + 100) * 512)), 0);
    ASSERT_TRUE(sdcard_read_tool_header(2, header));
    const std::string out = dir.file("cut.csv");
    EXPECT_FALSE(write_record_csv(false, 2, header, QString::fromStdString(out)));
    EXPECT_FALSE(exists(out));
    EXPECT_TRUE(pm_csv_last_error().contains(QStringLiteral("cannot be read")));
}

TEST(PmCsvFiles, FailedWritesLeaveNothingAndKeepTheOlderFile)
{
    const card_image::tool_bytes rec = record_fixture();
    const std::vector<int16_t> samples(20000, 5);
    testing_support::temp_dir dir;
    // A device is never replaced.
    struct stat before {};
    ASSERT_EQ(::stat("/dev/full", &before), 0);
    EXPECT_FALSE(write_curve_csv(samples, rec.data(), QStringLiteral("/dev/full")));
    struct stat after {};
    ASSERT_EQ(::stat("/dev/full", &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_rdev, before.st_rdev);
    // A folder that does not exist
    EXPECT_FALSE(write_curve_csv(samples, rec.data(), QString::fromStdString(dir.file("none/x.csv"))));
    // A folder without write permission (looked at as nobody: root writes anywhere)
    const std::string ro = dir.file("ro");
    ASSERT_EQ(::mkdir(ro.c_str(), 0555), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::seteuid(65534), 0);
    }
    const bool wrote = write_curve_csv(samples, rec.data(), QString::fromStdString(ro + "/x.csv"));
    if (root) {
        ASSERT_EQ(::seteuid(0), 0);
    }
    EXPECT_FALSE(wrote);
    EXPECT_FALSE(exists(ro + "/x.csv"));
    // The disk fills up part way: false, no file, and the older file stays as it was.
    const std::string keep = dir.file("keep.csv");
    put_text(keep, "older");
    rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool full = write_curve_csv(samples, rec.data(), QString::fromStdString(keep));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(full);
    EXPECT_EQ(file_text(keep), "older");
    EXPECT_EQ(QDir(QString::fromStdString(dir.path())).entryList(QDir::Files).size(), 1);
}
