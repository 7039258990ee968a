#include <gtest/gtest.h>

#include "core/image/device_function_record.h"
#include "tests/core/core_fixture.h"

namespace {

device_state flags(int family, int vb2 = 0, int vb3 = 0)
{
    device_state d;
    d.family_flag = family;
    d.variant_bit2 = uint8_t(vb2);
    d.variant_bit3 = uint8_t(vb3);
    return d;
}

TEST(DeviceFunctionRecord, PackedLayoutCoversFiftyTwoBytes)
{
    EXPECT_TRUE(field_table_well_formed(device_function_record_table(), true));
    size_t n = 0;
    device_function_record_fields(&n);
    EXPECT_EQ(n, device_function_record_table().count - 1);  // all but the unused byte
}

TEST(DeviceFunctionRecord, PackAndUnpackTruncateAsTheDeviceDoes)
{
    const device_state premium = flags(0);
    function_record_bytes src;
    src.fill(0xEE);  // stale bytes everywhere, reserved words included
    function_record r(src.data());
    r.set_in_use(true);
    r.set_name("ABCDEFGHIJKLM");  // 13 characters
    struct row {
        uint32_t field;
        int32_t value;
        int32_t back;  // after the round trip
    };
    const row rows[] = {
        {fr::mode, 129, 129},           {fr::back_mode, 4, 4},           {fr::back_angle, -300, -300},
        {fr::flags, 0x123, 0x23},       {fr::object_pos, 123456789, 123456789},
        {fr::teach_limit, 40000, -25536}, {fr::tolerance, 300, 300},     {fr::intensity, 7, 7},
        {fr::out1, 1, 1},               {fr::out2, 2, 2},                {fr::out3, 14, 14},
        {fr::out4, 0x1FF, 0xFF},        {fr::warn_min, int32_t(0xC003), int32_t(0xFFFFC003)},
        {fr::warn_max, -1, -1},         {fr::err_min, 65535, -1},        {fr::err_max, 500, 500},
        {fr::counter, -7, -7},          {fr::counter_limit, 100000, 100000},
        {fr::next_func, -1, -1},        {fr::ko_func, 511, 511},         {fr::ko_back_mode, 1, 1},
    };
    for (const auto& x : rows)
        r.set_field(x.field, x.value);

    device_function_record_bytes packed;
    packed.fill(0x77);
    device_record_pack(r, byte_view(packed.data(), packed.size()), premium);
    EXPECT_EQ(packed[12], 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(packed.data()), 12), "ABCDEFGHIJKL");  // not terminated
    EXPECT_EQ(packed[dfr::intensity], 1);  // index 7 -> code 1
    EXPECT_EQ(packed[dfr::next_func], 0xFF);
    EXPECT_EQ(packed[dfr::next_func + 1], 0xFF);

    const function_record_bytes back = device_record_unpack(const_byte_view(packed.data(), packed.size()), premium);
    const_function_record b(back.data());
    EXPECT_TRUE(b.in_use());
    EXPECT_EQ(b.name(), "ABCDEFGHIJKL");
    for (const auto& x : rows)
        EXPECT_EQ(b.field(x.field), x.back) << x.field;
    for (uint32_t i = fr::name + 12; i < fr::mode; ++i)
        EXPECT_EQ(back[i], 0) << i;  // the name is always terminated
    for (uint32_t i = fr::reserved; i < image_layout::function_size; ++i)
        ASSERT_EQ(back[i], 0) << i;

    // a short name is zero-padded in the packed form
    r.set_name("abc");
    device_record_pack(r, byte_view(packed.data(), packed.size()), premium);
    EXPECT_EQ(packed[3], 0);
    EXPECT_EQ(packed[11], 0);
}

// The controller's bytes, written down from its record layout rather than taken from the
// field table that packing and unpacking share: a field stored at another field's place
// would pass any round trip.
TEST(DeviceFunctionRecord, PackedBytesMatchTheControllersLayoutAndUnpackBack)
{
    const device_state premium = flags(0);
    struct row {
        uint32_t field;
        int32_t value;
    };
    const row rows[] = {
        {fr::mode, 0x81},          {fr::back_mode, 3},          {fr::back_angle, 0x0405},
        {fr::flags, 0x26},         {fr::next_func, 0x0107},     {fr::object_pos, 0x0A0B0C0D},
        {fr::teach_limit, 0x0E0F}, {fr::tolerance, 0x1011},     {fr::intensity, 5},
        {fr::counter, 0x15161718}, {fr::counter_limit, 0x191A1B1C},
        {fr::out1, 8},             {fr::out2, 9},               {fr::out3, 10},
        {fr::out4, 12},            {fr::warn_min, 0x2122},      {fr::warn_max, 0x2324},
        {fr::err_min, -300},       {fr::err_max, 0x2728},       {fr::ko_func, 0x01F3},
        {fr::ko_back_mode, 2},
    };
    const device_function_record_bytes expected = {
        'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L',  // 0: name
        0x00,                                                        // 12: no field
        0x81,                                                        // 13: mode
        0x03,                                                        // 14: back mode
        0x05, 0x04,                                                  // 15: back angle
        0x26,                                                        // 17: flags
        0x07, 0x01,                                                  // 18: next function
        0x0D, 0x0C, 0x0B, 0x0A,                                      // 20: object angle
        0x0F, 0x0E,                                                  // 24: teach limit
        0x11, 0x10,                                                  // 26: tolerance
        0x06,                                                        // 28: intensity 5 as code 6
        0x18, 0x17, 0x16, 0x15,                                      // 29: counter
        0x1C, 0x1B, 0x1A, 0x19,                                      // 33: counter limit
        0x08, 0x09, 0x0A, 0x0C,                                      // 37: outputs 1 to 4
        0x22, 0x21,                                                  // 41: warning min
        0x24, 0x23,                                                  // 43: warning max
        0xD4, 0xFE,                                                  // 45: error min (-300)
        0x28, 0x27,                                                  // 47: error max
        0xF3, 0x01,                                                  // 49: KO function
        0x02,                                                        // 51: KO back mode
    };

    function_record_bytes src{};
    function_record r(src.data());
    r.set_in_use(true);
    r.set_name("ABCDEFGHIJKL");
    for (const row& x : rows)
        r.set_field(x.field, x.value);
    device_function_record_bytes packed;
    packed.fill(0x77);
    device_record_pack(r, byte_view(packed.data(), packed.size()), premium);
    for (size_t i = 0; i < packed.size(); ++i)
        EXPECT_EQ(int(packed[i]), int(expected[i])) << "byte " << i;

    const function_record_bytes back = device_record_unpack(const_byte_view(expected.data(), expected.size()), premium);
    const_function_record b(back.data());
    EXPECT_TRUE(b.in_use());
    EXPECT_EQ(b.name(), "ABCDEFGHIJKL");
    for (const row& x : rows)
        EXPECT_EQ(b.field(x.field), x.value) << "field at " << x.field;
}

TEST(DeviceFunctionRecord, IntensityMapsByFamily)
{
    const device_state basic = flags(1), premium = flags(0);
    // index -> code
    const int basic_to[] = {0, 3, 5, 1, 0, 0, 0, 0, 0};
    const int premium_to[] = {0, 2, 3, 4, 5, 6, 7, 1, 0};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(intensity_to_device(i, basic), basic_to[i]) << i;
        EXPECT_EQ(intensity_to_device(i, premium), premium_to[i]) << i;
    }
    EXPECT_EQ(intensity_to_device(-1, premium), int32_t(0xFFFFFF00u));  // bits above the low byte pass
    EXPECT_EQ(intensity_to_device(0x1203, basic), 0x1201);
    // code -> index
    const int basic_from[] = {0, 3, 1, 1, 2, 2, 0, 0};
    const int premium_from[] = {0, 7, 1, 2, 3, 4, 5, 6};
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(intensity_from_device(c, basic), basic_from[c]) << c;
        EXPECT_EQ(intensity_from_device(c, premium), premium_from[c]) << c;
    }
    EXPECT_EQ(intensity_from_device(200, premium), 199);
    EXPECT_EQ(intensity_from_device(0x500, premium), 0x500);
}

TEST(DeviceFunctionRecord, ModeMapsByVariant)
{
    const device_state plain = flags(0), vb2 = flags(0, 1), vb3 = flags(1, 0, 1);
    struct row {
        int index, plain, vb2, vb3;
    };
    const row to[] = {
        {0, 0, 0, 0},     {1, 1, 1, 1},     {2, 2, 6, 2},    {3, 3, 1, 3},   {6, 6, 1, 6},     {7, 7, 1, 7},
        {8, 128, 1, 1},   {9, 129, 1, 1},   {10, 132, 1, 1}, {11, 133, 1, 1}, {12, 134, 1, 1},
    };
    for (const auto& r : to) {
        EXPECT_EQ(device_type_from_function_type(r.index, plain), r.plain) << r.index;
        EXPECT_EQ(device_type_from_function_type(r.index, vb2), r.vb2) << r.index;
        EXPECT_EQ(device_type_from_function_type(r.index, vb3), r.vb3) << r.index;
    }
    const row from[] = {
        // code, plain, vb2, vb3
        {0, 0, 0, 0},   {1, 1, 1, 1},     {2, 2, 1, 2},     {6, 6, 2, 6},     {7, 7, 1, 7},
        {128, 8, 0, 0}, {129, 9, 0, 0},   {130, 8, 0, 0},   {131, 9, 0, 0},   {132, 10, 0, 0}, {134, 12, 0, 0},
    };
    for (const auto& r : from) {
        EXPECT_EQ(function_type_from_device_type(r.index, plain), r.plain) << r.index;
        EXPECT_EQ(function_type_from_device_type(r.index, vb2), r.vb2) << r.index;
        EXPECT_EQ(function_type_from_device_type(r.index, vb3), r.vb3) << r.index;
    }
}

TEST(DeviceFunctionRecord, InputMaps)
{
    struct row {
        int row, in1, in3;
    };
    const row to[] = {{-1, 0, 0}, {0, 1, 3}, {1, 4, 4}, {2, 5, 5}, {3, 1, 6}, {4, 1, 7},
                      {5, 1, 8},  {6, 1, 9}, {7, 1, 3}};
    for (const auto& r : to) {
        EXPECT_EQ(kind_to_row(r.row, 1), r.in1) << r.row;
        EXPECT_EQ(kind_to_row(r.row, 3), r.in3) << r.row;
        EXPECT_EQ(kind_to_row(r.row, 13), r.in3) << r.row;
    }
    const row from[] = {{0, 0, -1}, {1, 0, 0}, {3, 0, 0}, {4, 1, 1}, {5, 2, 2}, {6, 0, 3},
                        {7, 0, 4},  {8, 0, 5}, {9, 0, 6}, {10, 0, 0}};
    for (const auto& r : from) {
        EXPECT_EQ(row_to_kind(r.row, 1), r.in1) << r.row;
        EXPECT_EQ(row_to_kind(r.row, 3), r.in3) << r.row;
        EXPECT_EQ(row_to_kind(r.row, 13), r.in3) << r.row;
    }
}

TEST(DeviceFunctionRecord, OutputFunctionLabels)
{
    const char* expected[] = {"NotDefined", "OK",         "KO",          "Active", "Object",
                              "Counter Limit", "Area Warning", "Area Error", "HomePos", "CollFrArea",
                              "CollChgArea", "KO R",       "KO L",        "UnexpStop", "ParityBit"};
    for (int i = 0; i < output_function_count; ++i)
        EXPECT_EQ(output_function_label(i), expected[i]);
    EXPECT_EQ(output_function_label(15), "");
}

class FunctionFrames : public core_test {
protected:
    void SetUp() override
    {
        core_test::SetUp();
        reset_config_image(g_config_image());
    }
};

TEST_F(FunctionFrames, StartRequestCarriesTheDefaultRecord)
{
    std::array<uint8_t, 63> frame{};
    frame[5] = 0xFF;
    frame[6] = 0xFF;
    function_record_to_request(byte_view(frame.data(), frame.size()));
    const uint8_t head[] = {0x00, 0xBB, 0x02, 0x37, 0x01, 0xFF, 0xFF};
    for (size_t i = 0; i < sizeof head; ++i)
        EXPECT_EQ(frame[i], head[i]) << i;
    // default record: empty name, mode 1 (frame byte 20), teach limit 27000 (31..32),
    // tolerance 300 (33..34), next and KO function -1
    EXPECT_EQ(frame[7], 0);
    EXPECT_EQ(frame[20], 1);
    EXPECT_EQ(le::u16(&frame[31]), 27000);
    EXPECT_EQ(le::u16(&frame[33]), 300);
    EXPECT_EQ(le::u16(&frame[7 + dfr::next_func]), 0xFFFF);
    EXPECT_EQ(le::u16(&frame[7 + dfr::ko_func]), 0xFFFF);
    EXPECT_EQ(frame[7 + dfr::out1], 1);
    EXPECT_EQ(frame[7 + dfr::out1 + 1], 2);
    EXPECT_EQ(frame[59], 0);
}

TEST_F(FunctionFrames, RecordFrameTakesTheCommandWord)
{
    function_record r = g_config_image().function(9);
    r.set_in_use(true);
    r.set_name("Drill");
    r.set_field(fr::flags, 0x1F5);
    r.set_field(fr::object_pos, 0x01020304);
    std::array<uint8_t, 63> frame{};
    function_record_to_device_record(9, 0xAA332211u, byte_view(frame.data(), frame.size()));
    EXPECT_EQ(frame[1], 0xBB);
    EXPECT_EQ(frame[2], 0x02);
    EXPECT_EQ(frame[3], 0x37);
    EXPECT_EQ(frame[4], 0x11);
    EXPECT_EQ(frame[5], 0x22);
    EXPECT_EQ(frame[6], 0x33);
    EXPECT_EQ(frame[7], 'D');  // the name replaces the word's top byte
    EXPECT_EQ(frame[24], 0xF5);
    EXPECT_EQ(le::u32(&frame[27]), 0x01020304u);

    frame[5] = 0x55;
    frame[6] = 0x66;
    function_record_to_device_record_cmd(9, 0x03, byte_view(frame.data(), frame.size()));
    EXPECT_EQ(frame[4], 0x03);
    EXPECT_EQ(frame[5], 0x55);
    EXPECT_EQ(frame[6], 0x66);
    EXPECT_EQ(frame[7], 'D');
}

}  // namespace
