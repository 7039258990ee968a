#include <gtest/gtest.h>

#include "core/image/config_image.h"
#include "core/image/working_image.h"

namespace {

using namespace image_layout;

TEST(ByteRecord, LittleEndianAccessorsSignExtendAndTruncate)
{
    uint8_t raw[8] = {0x34, 0x12, 0xFE, 0xFF, 0x80, 0x00, 0x00, 0x80};
    const_byte_view v(raw, sizeof raw);
    EXPECT_EQ(v.u16(0), 0x1234);
    EXPECT_EQ(v.i16(2), -2);
    EXPECT_EQ(v.i8(4), -128);
    EXPECT_EQ(v.u8(4), 0x80);
    EXPECT_EQ(v.u32(4), 0x80000080u);
    EXPECT_EQ(v.i32(4), int32_t(0x80000080u));
    // unaligned access
    EXPECT_EQ(v.u16(1), 0xFE12);

    byte_view w(raw, sizeof raw);
    const field_desc s16{"s", 1, 2, field_kind::signed_int};
    const field_desc u8f{"u", 0, 1, field_kind::unsigned_int};
    w.set(s16, 40000);  // kept to 16 bits, as the device does
    EXPECT_EQ(w.get(s16), -25536);
    w.set(u8f, -1);
    EXPECT_EQ(w.get(u8f), 255);
    EXPECT_EQ(raw[3], 0xFF);  // neighbours untouched
}

TEST(ByteRecord, TextFieldsStayTerminatedAndBounded)
{
    uint8_t raw[6];
    std::memset(raw, 'x', sizeof raw);
    byte_view w(raw, sizeof raw);
    w.set_text(1, 4, "abcdefgh");
    EXPECT_EQ(w.text(1, 4), "abc");
    EXPECT_EQ(raw[4], 0);
    EXPECT_EQ(raw[5], 'x');
    // a field without terminator reads to its end and no further
    std::memset(raw, 'y', sizeof raw);
    EXPECT_EQ(w.text(0, 3), "yyy");
}

TEST(ConfigImage, LayoutTablesCoverEveryByte)
{
    EXPECT_TRUE(field_table_well_formed(settings_header_fields(), true));
    EXPECT_TRUE(field_table_well_formed(function_record_fields(), true));
    EXPECT_TRUE(field_table_well_formed(tool_type_slot_fields(), true));
    EXPECT_TRUE(field_table_well_formed(tool_slot_fields(), true));
    EXPECT_EQ(settings_header_fields().count, 77u);
    config_image img;
    EXPECT_EQ(img.function(1).data() - img.data(), 552 + 184);
    EXPECT_EQ(img.tool_type(255).data() - img.data(), 94760 + 255 * 208);
    EXPECT_EQ(img.tool(499).data() - img.data() + 252, 274008);
}

TEST(ConfigImage, FieldTablesAgreeWithTheAccessors)
{
    // header: one signed 32-bit entry per settings field, in the order of the defaults table
    const field_table& h = settings_header_fields();
    const auto& infos = settings_field_infos();
    for (size_t i = 0; i < header_field_count; ++i) {
        EXPECT_EQ(h[i].offset, infos[i].offset);
        EXPECT_EQ(h[i].width, 4u);
        EXPECT_EQ(h[i].kind, field_kind::signed_int);
    }
    EXPECT_EQ(h.find("mac_id")->offset, uint32_t(hdr::mac_id));
    EXPECT_EQ(h.find("pb_cmd_options")->offset, uint32_t(hdr::pb_cmd_options));

    // function record: a value written through the table reads back through the accessor
    config_image img;
    function_record r = img.function(511);
    int32_t v = -1000;
    for (const field_desc& f : function_record_fields()) {
        if (!f.is_integer())
            continue;
        r.set(f, v);
        EXPECT_EQ(r.field(f.offset), v) << f.name;
        v += 77;
    }
    r.set_text(*function_record_fields().find("Name"), "0123456789ABCDEFGH");
    EXPECT_EQ(r.name(), "0123456789ABCDE");  // 15 characters and the terminator
    EXPECT_EQ(r.field(fr::mode), -1000 + 77);  // the name never spills
    EXPECT_EQ(img.tool_type(0).u8(0), 0);      // nor does the last record
}

TEST(ConfigImage, ResetSetsEveryTabledDefault)
{
    // Rows of the settings table as documented: offset, default, parameter, high-byte
    // parameter (-1: none).
    struct row {
        uint32_t offset;
        int32_t def;
        int16_t param, high;
    };
    const row samples[] = {
        {0, 0x344B, -1, -1},  // the format code travels to no parameter
        {48, 50, 35, -1},
        {72, 27000, 40, -1},
        {116, 0, -1, -1},  // nor do the variant bits
        {120, 0, 22, 23},  // 16-bit values travel as two parameters
        {136, 4000, 7, 8},
        {140, 13000, 9, 10},
        {200, 63, 80, -1},
        {248, 10, 92, -1},
        {280, 0x10111111, 107, -1},
        {288, 5000, 106, -1},
        {300, 0, 110, -1},
    };
    for (const row& r : samples) {
        const settings_field_info& f = settings_field_infos()[r.offset / 4];
        EXPECT_EQ(f.offset, r.offset);
        EXPECT_EQ(f.default_value, r.def) << "field " << r.offset;
        EXPECT_EQ(f.param, r.param) << "field " << r.offset;
        EXPECT_EQ(f.param_high, r.high) << "field " << r.offset;
    }

    config_image img;
    std::memset(img.data(), 0x5A, img.size());  // a dirty image
    reset_config_image(img);
    const_settings_header h = img.header();
    for (const settings_field_info& f : settings_field_infos()) {
        EXPECT_EQ(h.field(f.offset), f.default_value) << f.name;
        EXPECT_EQ(settings_default(f.offset), f.default_value) << f.name;
    }
    for (uint32_t i = 304; i < 552; ++i)
        ASSERT_EQ(img.data()[i], 0xFF) << i;
    for (uint32_t n = 0; n < function_count; ++n) {
        const_function_record r = img.function(n);
        ASSERT_FALSE(r.in_use());
        for (uint32_t i = 104; i < 184; ++i)
            ASSERT_EQ(r.u8(i), 0xFF);
        ASSERT_EQ(r.u8(20), 0x5A);  // free records keep their other bytes
    }
    for (uint32_t n = 0; n < tool_type_count; ++n) {
        const_tool_type_slot s = img.tool_type(n);
        ASSERT_EQ(s.in_use_flag(), 0);
        ASSERT_EQ(s.u8(182), 0x5A);
        for (uint32_t i = 183; i < 208; ++i)
            ASSERT_EQ(s.u8(i), 0xFF);
    }
    for (uint32_t n = 0; n < tool_count; ++n) {
        const_tool_slot s = img.tool(n);
        ASSERT_EQ(s.in_use_flag(), 0);
        for (uint32_t i = 226; i < 251; ++i)
            ASSERT_EQ(s.u8(i), 0xFF);
        ASSERT_EQ(s.u8(251), 0x5A);  // the last byte is left alone
        ASSERT_EQ(s.u8(225), 0x5A);
    }
}

TEST(ConfigImage, ParameterStepsFollowTheHeaderTable)
{
    const auto& steps = parameter_steps();
    for (size_t k = 0; k < parameter_step_count; ++k)
        EXPECT_EQ(steps[k].param, parameter_number_table[k]) << k;
    EXPECT_EQ(steps[18].field_offset, 76u);
    EXPECT_EQ(steps[19].field_offset, 80u);
    EXPECT_EQ(steps[19].param, 0);
    EXPECT_EQ(steps[28].field_offset, 120u);
    EXPECT_EQ(steps[28].part, value_part::low_byte);
    EXPECT_EQ(steps[29].part, value_part::high_byte);
    EXPECT_EQ(steps[34].field_offset, 132u);
    EXPECT_EQ(steps[38].field_offset, 140u);
    EXPECT_EQ(steps[38].part, value_part::high_byte);
    EXPECT_EQ(steps[39].field_offset, 144u);
    EXPECT_EQ(steps[78].field_offset, 300u);
    EXPECT_EQ(steps[65].param, 92);
    EXPECT_EQ(steps[69].param, 96);
}

TEST(ConfigImage, DefaultFunctionRecordFollowsTheHeader)
{
    config_image img;
    reset_config_image(img);
    function_record_bytes bytes = function_record_clear(img.header());
    const_function_record r(bytes.data());
    EXPECT_FALSE(r.in_use());
    EXPECT_EQ(r.name(), "");
    EXPECT_EQ(r.field(fr::mode), 1);
    EXPECT_EQ(r.field(fr::back_mode), 0);
    EXPECT_EQ(r.field(fr::teach_limit), 27000);
    EXPECT_EQ(r.field(fr::tolerance), 300);
    EXPECT_EQ(r.field(fr::out1), 1);
    EXPECT_EQ(r.field(fr::out2), 2);
    EXPECT_EQ(r.field(fr::out3), 2);
    EXPECT_EQ(r.field(fr::out4), 1);
    EXPECT_EQ(r.field(fr::next_func), -1);
    EXPECT_EQ(r.field(fr::ko_func), -1);
    EXPECT_EQ(r.field(fr::object_pos), 0);
    EXPECT_EQ(r.field(fr::counter), 0);
    for (uint32_t i = 104; i < 184; ++i)
        ASSERT_EQ(r.u8(i), 0xFF);

    // the defaults follow the header handed in
    settings_header h = img.header();
    const std::pair<uint32_t, uint32_t> follow[] = {
        {hdr::def_mode, fr::mode},           {hdr::def_back_angle, fr::back_angle},
        {hdr::def_area_rel, fr::flags},      {hdr::def_intensity, fr::intensity},
        {hdr::def_warn_min, fr::warn_min},   {hdr::def_warn_max, fr::warn_max},
        {hdr::def_err_min, fr::err_min},     {hdr::def_err_max, fr::err_max},
        {hdr::def_back_mode, fr::ko_back_mode},
    };
    int32_t v = 11;
    for (const auto& f : follow)
        h.set_field(f.first, v++);
    bytes = function_record_clear(img.header());
    v = 11;
    for (const auto& f : follow)
        EXPECT_EQ(r.field(f.second), v++) << f.second;
}

TEST(ConfigImage, ReservedWordsAreCheckedOnlyInRecordsInUse)
{
    config_image img;
    reset_config_image(img);
    EXPECT_TRUE(reserved_words_valid(img));  // 0xFFFFFFFF words are -1
    img.function(7).set_field(fr::reserved + 8, 5);
    EXPECT_TRUE(reserved_words_valid(img));  // free: never inspected
    img.function(7).set_in_use(true);
    EXPECT_FALSE(reserved_words_valid(img));
    img.function(7).set_field(fr::reserved + 8, 0);
    EXPECT_TRUE(reserved_words_valid(img));
    img.function(7).set_field(fr::reserved + 76, 0x00FF);
    EXPECT_FALSE(reserved_words_valid(img));
}

TEST(WorkingImage, ResetShowsNoDeviceYet)
{
    core_reset_for_tests();
    g_images().no_file_loaded = true;
    reset_working_image();
    EXPECT_EQ(g_config_image().header().field(hdr::format_code), 0x344B);
    EXPECT_EQ(g_device().info_text, "----------");
    EXPECT_FALSE(g_images().no_file_loaded);
    EXPECT_NE(g_config_image(), g_reference_image());  // the reference is left alone
    core_reset_for_tests();
    EXPECT_EQ(g_config_image(), config_image());
}

TEST(WorkingImage, VariantBitsSetTheFlags)
{
    struct row {
        int32_t bits, stored;
        int family, pm, vb2, vb3;
    };
    const row rows[] = {
        {-1, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {1, 1, 1, 0, 0, 0}, {2, 2, 0, 1, 0, 0},
        {6, 6, 0, 1, 1, 0},  {9, 9, 1, 0, 0, 1}, {15, 15, 1, 1, 1, 1},
    };
    for (const auto& r : rows) {
        config_image img;
        reset_config_image(img);
        img.header().set_field(hdr::variant_bits, r.bits);
        device_state d;
        d.pm_capable = 1;  // every flag is set afresh
        apply_variant_bits(img, d);
        EXPECT_EQ(img.header().field(hdr::variant_bits), r.stored) << r.bits;
        EXPECT_EQ(d.family_flag, r.family) << r.bits;
        EXPECT_EQ(d.pm_capable, r.pm) << r.bits;
        EXPECT_EQ(d.variant_bit2, r.vb2) << r.bits;
        EXPECT_EQ(d.variant_bit3, r.vb3) << r.bits;
        EXPECT_EQ(img.function(0).in_use(), r.family == 1) << r.bits;
    }
}

TEST(WorkingImage, BasicSidesFollowFunctionZero)
{
    config_image img;
    reset_config_image(img);
    img.header().set_field(hdr::variant_bits, 1);
    function_record r0 = img.function(0);
    r0.set_field(fr::teach_limit, 12000);
    r0.set_field(fr::tolerance, 150);
    r0.set_field(fr::intensity, 2);
    device_state d;
    apply_variant_bits(img, d);
    EXPECT_TRUE(img.function(0).in_use());  // marked even though the file had it free
    EXPECT_EQ(img.function(1).field(fr::teach_limit), 12000);
    EXPECT_EQ(img.function(2).field(fr::teach_limit), -12000);
    for (uint32_t n : {1u, 2u}) {
        EXPECT_EQ(img.function(n).field(fr::tolerance), 150);
        EXPECT_EQ(img.function(n).field(fr::intensity), 2);
    }

    // the cluster form keeps its sides
    img.function(0).set_field(fr::flags, fr::flag_cluster);
    img.function(0).set_field(fr::teach_limit, 500);
    apply_variant_bits(img, d);
    EXPECT_EQ(img.function(1).field(fr::teach_limit), 12000);

    // the global form works on the working image
    core_reset_for_tests();
    reset_working_image();
    g_config_image().header().set_field(hdr::variant_bits, 2);
    variant_from_image();
    EXPECT_EQ(g_device().pm_capable, 1);
    core_reset_for_tests();
}

}  // namespace
