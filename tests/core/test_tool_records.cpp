#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/image/config_image.h"
#include "core/image/tool_records.h"

namespace {

static_assert(slot::tool_type_record_size == tool_type_record_size, "slot and record agree");
static_assert(slot::tool_record_size == tool_record_size, "slot and record agree");

TEST(ToolRecords, TablesCoverEveryByteWithUniqueNames)
{
    for (const field_table* t : {&tool_type_record_fields(), &tool_record_fields()}) {
        EXPECT_TRUE(field_table_well_formed(*t, true));
        std::set<std::string> names;
        for (const field_desc& f : *t)
            if (f.kind != field_kind::reserved) {
                EXPECT_TRUE(names.insert(f.name).second) << f.name;
            }
    }
    EXPECT_EQ(tool_type_record_fields().record_size, 179u);
    EXPECT_EQ(tool_record_fields().record_size, 222u);
    EXPECT_EQ(tool_record_fields().find("DataCRC32")->offset, tr::data_crc32);
    EXPECT_EQ(tool_record_fields().find("BluntLimit")->decimals, 2);
    EXPECT_EQ(tool_record_fields().find("BluntTime")->decimals, 0);
    EXPECT_EQ(tool_type_record_fields().find("IdleOptions")->offset, ttr::idle_options);
}

TEST(ToolRecords, EveryFieldPacksAndUnpacksThroughTheTable)
{
    for (const field_table* t : {&tool_type_record_fields(), &tool_record_fields()}) {
        std::vector<uint8_t> bytes(t->record_size, 0xA5);
        byte_view v(bytes.data(), bytes.size());
        int64_t seed = 1;
        for (const field_desc& f : *t) {
            if (!f.is_integer())
                continue;
            // the most negative or largest value of the field, so sign and width both show
            const int64_t value = f.kind == field_kind::signed_int ? -(int64_t(1) << (8 * f.width - 1)) + seed
                                                                   : (int64_t(1) << (8 * f.width)) - 1 - seed;
            v.set(f, value);
            EXPECT_EQ(v.get(f), value) << f.name;
            ++seed;
        }
        // nothing written spilled into a neighbour: read all back again
        seed = 1;
        for (const field_desc& f : *t) {
            if (f.kind == field_kind::reserved) {
                for (uint32_t i = f.offset; i < f.end(); ++i)
                    EXPECT_EQ(bytes[i], 0xA5) << f.name << " " << i;
            }
            if (!f.is_integer())
                continue;
            const int64_t value = f.kind == field_kind::signed_int ? -(int64_t(1) << (8 * f.width - 1)) + seed
                                                                   : (int64_t(1) << (8 * f.width)) - 1 - seed;
            EXPECT_EQ(v.get(f), value) << f.name;
            ++seed;
        }
    }
    // unaligned fields land where the layout says
    std::vector<uint8_t> tool(tool_record_size, 0);
    byte_view v(tool.data(), tool.size());
    v.set(*tool_record_fields().find("X_ToleranceOptions"), 0x11223344);
    EXPECT_EQ(tool[55], 0x44);
    EXPECT_EQ(tool[58], 0x11);
    v.set(*tool_record_fields().find("Tolerance"), -2);
    EXPECT_EQ(v.get(*tool_record_fields().find("Tolerance")), -2);
}

TEST(ToolRecords, RecordPassesThroughASlotUnchanged)
{
    std::vector<uint8_t> rec(tool_type_record_size);
    for (size_t i = 0; i < rec.size(); ++i)
        rec[i] = uint8_t(i * 7 + 3);  // reserved bytes too
    byte_view r(rec.data(), rec.size());
    r.set(*tool_type_record_fields().find("Number"), 200);
    r.set_text(*tool_type_record_fields().find("Name"), "");

    config_image img;
    reset_config_image(img);
    tool_type_slot s = img.tool_type(200);
    s.set_in_use(1);
    s.record().assign(const_byte_view(rec.data(), rec.size()));
    const config_image copy = img;
    const const_byte_view out = copy.tool_type(200).record();
    ASSERT_EQ(out.size(), 179u);
    EXPECT_TRUE(out.equal(0, rec.data(), rec.size()));
    EXPECT_EQ(out.get(*tool_type_record_fields().find("Number")), 200);
    EXPECT_EQ(out.text(*tool_type_record_fields().find("Name")), "");
    for (uint32_t i = 183; i < 208; ++i)
        EXPECT_EQ(copy.tool_type(200).u8(i), 0xFF);  // the fill after the record stays
}

TEST(ToolRecords, ToolTypeListIndexAndNumber)
{
    struct row {
        int index, number;
    };
    const row rows[] = {{0, 0}, {4, 4}, {5, 128}, {7, 130}, {132, 255}};
    for (const auto& r : rows) {
        EXPECT_EQ(tool_index_to_number(r.index, 5), r.number) << r.index;
        EXPECT_EQ(tool_number_to_index(r.number, 5), r.index) << r.number;
    }
    EXPECT_EQ(tool_index_to_number(40000, 0), int16_t(40000 + 128));  // kept to 16 bits
}

}  // namespace
