// Card images read back through the memory-card reader: scenarios, realistic cards from a
// seed, the fill of unread bytes, sparse full-size files and the tvxcard front end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "core/image/byte_record.h"
#include "procmon/sdcard_reader.h"
#include "sim/card_image.h"
#include "sim/world.h"
#include "support/test_support.h"

namespace L = sd_card_layout;
using namespace card_image;

namespace {

struct open_card {
    explicit open_card(const std::string& path)
    {
        ::setenv("TARVIX_SDCARD_DEVICES", path.c_str(), 1);
        sdcard_reset_for_tests();
        found = sdcard_rescan() && sdcard_open();
    }
    ~open_card()
    {
        sdcard_close();
        ::unsetenv("TARVIX_SDCARD_DEVICES");
        sdcard_reset_for_tests();
    }
    bool found = false;
};

const_byte_view record_of(const uint8_t* sector) { return const_byte_view(sector + 1, tool_record_size); }

int64_t field(const uint8_t* sector, const char* name)
{
    return record_of(sector).get(*tool_record_fields().find(name));
}

std::vector<uint16_t> read_samples(bool recording, int32_t index, int32_t count)
{
    std::vector<uint8_t> raw(size_t(L::sectors_for(count)) * 512);
    std::vector<uint16_t> out;
    if (count > 0 && !sdcard_read_data_sectors(recording, index, 0, L::sectors_for(count), raw.data()))
        return out;
    for (int32_t k = 0; k < count; ++k)
        out.push_back(le::u16(&raw[2 * size_t(k)]));
    return out;
}

}  // namespace

TEST(CardImage, Crc32OfTheCheckString)
{
    const char* s = "123456789";
    EXPECT_EQ(crc32(reinterpret_cast<const uint8_t*>(s), 9), 0xCBF43926u);
}

TEST(CardImage, TypicalScenarioReadsBackWithItsFillAndStaysSparse)
{
    testing_support::temp_dir dir;
    const scenario s = make_scenario("S1");
    const std::string path = dir.file("s1.img");
    ASSERT_TRUE(write_scenario(s, path));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(uint64_t(st.st_size), 27221673472ull);
    EXPECT_LT(uint64_t(st.st_blocks) * 512, 16ull << 20);

    open_card card(path);
    ASSERT_TRUE(card.found);
    uint8_t b[512];
    // Tool types: in use at 0, 5, 9 and 30; 20 has flag 0x02
    for (int32_t n : {0, 5, 9, 20, 30}) {
        ASSERT_TRUE(sdcard_read_tooltype(n, b));
        EXPECT_EQ(b[0] & 1, n == 20 ? 0 : 1) << n;
        for (int i = 180; i < 512; ++i)
            ASSERT_EQ(b[i], unread_fill) << i;
    }
    ASSERT_TRUE(sdcard_read_tooltype(5, b));
    EXPECT_EQ(le::i16(b + 1), 112);

    ASSERT_TRUE(sdcard_read_tool_header(7, b));
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(record_of(b).text(tr::name, tr::name_size), "T7");
    EXPECT_EQ(field(b, "DN"), 7);
    EXPECT_EQ(field(b, "PN"), 123);
    EXPECT_EQ(field(b, "DataCnt"), 200);
    for (int i = 223; i < 512; ++i)
        ASSERT_EQ(b[i], unread_fill) << i;
    const std::vector<uint16_t> samples = read_samples(false, 7, 200);
    ASSERT_EQ(samples.size(), 200u);
    EXPECT_EQ(samples.front(), 900);
    EXPECT_EQ(samples.back(), 1099);
    EXPECT_EQ(field(b, "DataMin"), 900);
    EXPECT_EQ(field(b, "DataMax"), 1099);
    EXPECT_EQ(uint32_t(field(b, "DataCRC32")), samples_crc32(samples));
    ASSERT_TRUE(sdcard_read_tool_data_sector(7, 0, b));
    EXPECT_EQ(b[2 * 200], tail_fill);  // the rest of the last data sector
    ASSERT_TRUE(sdcard_read_tool_header(8, b));
    EXPECT_EQ(b[0], 0x02);

    ASSERT_EQ(sdcard_read_ring_directory(), 7032);
    EXPECT_EQ(sdcard_ring_slot(0), 100);
    ASSERT_TRUE(sdcard_read_ring_header(0, b));
    EXPECT_EQ(record_of(b).text(tr::name, tr::name_size), "T3");
    ASSERT_TRUE(sdcard_read_ring_header(5, b));
    EXPECT_EQ(record_of(b).text(tr::name, tr::name_size), "T7");
    EXPECT_EQ(field(b, "DataCnt"), 300);
    ASSERT_TRUE(sdcard_read_ring_header(6, b));
    EXPECT_EQ(b[0], 0);
    ASSERT_TRUE(sdcard_read_ring_header(7031, b));
    EXPECT_EQ(record_of(b).text(tr::name, tr::name_size), "T11");
    EXPECT_EQ(read_samples(true, 7031, 100).back(), 104);
}

TEST(CardImage, OtherScenarios)
{
    testing_support::temp_dir dir;
    for (const char* name : {"S2", "S3", "S5", "S6"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.file(std::string(name) + ".img");
        ASSERT_TRUE(write_scenario(make_scenario(name), path));
        open_card card(path);
        EXPECT_EQ(card.found, std::strcmp(name, "S3") != 0);
        if (!card.found)
            continue;
        uint8_t b[512];
        if (!std::strcmp(name, "S2")) {
            EXPECT_EQ(sdcard_read_ring_directory(), 0);
            ASSERT_TRUE(sdcard_read_tool_header(0, b));
            EXPECT_EQ(b[0], 0);
        } else if (!std::strcmp(name, "S5")) {
            struct stat st {};
            ::stat(path.c_str(), &st);
            EXPECT_EQ(uint64_t(st.st_size), uint64_t(L::tool_header_sector(7) + 1) * 512);
            EXPECT_TRUE(sdcard_read_tool_header(7, b));
            EXPECT_FALSE(sdcard_read_tool_data_sector(7, 0, b));
        } else {  // S6
            EXPECT_EQ(sdcard_read_ring_directory(), 0);
            std::vector<int64_t> counts;
            std::vector<std::string> names;
            for (int32_t t = 0; t < 10; ++t) {
                ASSERT_TRUE(sdcard_read_tool_header(t, b));
                counts.push_back(field(b, "DataCnt"));
                names.push_back(record_of(b).text(tr::name, tr::name_size));
            }
            EXPECT_EQ(names[0], "a/b");
            EXPECT_EQ(names[4], "cr\rlf\n");
            EXPECT_EQ(names[6], std::string(32, 'N'));  // no terminator in the field
            EXPECT_EQ(counts[7], -5);
            EXPECT_EQ(counts[8], 0x7FFFFFFF);
            EXPECT_EQ(counts[9], 1799937);
        }
    }
}

TEST(CardImage, RealisticCardsFromASeed)
{
    realistic_options o;
    o.seed = 7;
    o.recordings = 60;
    const scenario a = realistic(o);
    const scenario again = realistic(o);
    ASSERT_EQ(a.tools.size(), again.tools.size());
    EXPECT_EQ(a.tools[3].samples, again.tools[3].samples);
    o.seed = 8;
    EXPECT_NE(realistic(o).tools[3].samples, a.tools[3].samples);

    int anomalies[3] = {};
    for (const tool_entry& r : a.recordings) {
        const_byte_view rec(r.record.data(), r.record.size());
        const uint32_t errors = rec.u16(2);
        anomalies[0] += errors == 1;
        anomalies[1] += errors == 2;
        anomalies[2] += errors == 4;
        EXPECT_EQ(rec.i32(tr::data_cnt), int32_t(r.samples.size()));
        EXPECT_EQ(rec.u32(tr::data_crc32), samples_crc32(r.samples));
    }
    EXPECT_GT(anomalies[0], 0);  // break
    EXPECT_GT(anomalies[1], 0);  // blunt
    EXPECT_GT(anomalies[2], 0);  // missing

    testing_support::temp_dir dir;
    struct ring_case {
        ring_state state;
        int32_t count;
    };
    for (const ring_case& c : {ring_case{ring_state::not_wrapped, 60}, ring_case{ring_state::wrapped, 7032},
                               ring_case{ring_state::eager_wrap, 7032}}) {
        o.ring = c.state;
        o.max_samples = 400;
        const scenario s = realistic(o);
        const std::string path = dir.file("real.img");
        ASSERT_TRUE(write_scenario(s, path));
        open_card card(path);
        ASSERT_TRUE(card.found);
        ASSERT_EQ(sdcard_read_ring_directory(), c.count);
        // The newest recording is the last one written, and its samples are on the card.
        uint8_t b[512];
        ASSERT_TRUE(sdcard_read_ring_header(c.count - 1, b));
        EXPECT_EQ(b[0], 1);
        EXPECT_EQ(read_samples(true, c.count - 1, int32_t(field(b, "DataCnt"))), s.recordings.back().samples);
        ASSERT_TRUE(sdcard_read_tool_header(0, b));
        EXPECT_EQ(read_samples(false, 0, int32_t(field(b, "DataCnt"))), s.tools[0].samples);
    }
}

TEST(CardImage, FrontEnd)
{
    testing_support::temp_dir dir;
    const std::string exe = std::string(std::getenv("TARVIX_APP_DIR")) + "/tvxcard";
    const std::string out = dir.file("card.img");
    ASSERT_EQ(std::system((exe + " " + out + " --seed 3 --ring wrapped --recordings 5").c_str()), 0);
    open_card card(out);
    ASSERT_TRUE(card.found);
    EXPECT_EQ(sdcard_read_ring_directory(), 7032);
    EXPECT_NE(std::system((exe + " " + out + " --scenario S9 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((exe + " " + out + " --ring sideways 2>/dev/null").c_str()), 0);
    EXPECT_NE(std::system((exe + " " + dir.file("no/such/dir.img") + " --stamp 2>/dev/null").c_str()), 0);
}

TEST(CardImage, StampImageCarriesEachSectorsNumber)
{
    testing_support::temp_dir dir;
    ASSERT_TRUE(write_stamp_image(dir.file("stamp.img")));
    open_card card(dir.file("stamp.img"));
    ASSERT_TRUE(card.found);
    ASSERT_EQ(sdcard_read_ring_directory(), 7032);
    uint8_t b[512];
    for (uint32_t s : stamped_sectors()) {
        ASSERT_TRUE(sdcard_read_sectors(s, 1, b));
        ASSERT_EQ(le::u32(b), s);
        ASSERT_EQ(b[8], unread_fill);
    }
    ASSERT_TRUE(sdcard_read_ring_data_sector(7031 - 100, 7030, b));
    EXPECT_EQ(le::u32(b), 53167330u);
}

TEST(CardImage, ScenarioLoadsIntoTheSimulatedController)
{
    sim::world w;
    load_scenario(w, make_scenario("S1"));
    EXPECT_TRUE(w.tool_type_used[5]);
    EXPECT_FALSE(w.tool_type_used[20]);
    EXPECT_TRUE(w.tool_used[7]);
    EXPECT_FALSE(w.tool_used[8]);
    EXPECT_EQ(w.tool_lists[7].size(), 200u);
    EXPECT_EQ(w.tool_lists[7].front(), 900);
    ASSERT_EQ(w.pm_records.size(), 4u);  // oldest first: logical 0, 5, 6, 7031
    EXPECT_EQ(const_byte_view(w.pm_records[1].data(), 222).text(tr::name, tr::name_size), "T7");
    EXPECT_EQ(w.pm_lists[3].size(), 100u);
}
