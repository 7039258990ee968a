#include <gtest/gtest.h>

#include <functional>

#include "core/image/function_rows.h"

namespace {

QString q(const char* s) { return QString::fromLatin1(s); }

class FunctionRows : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_config_image(image);
        bytes = function_record_clear(image.header());
        rec().set_in_use(true);
    }
    function_record rec() { return function_record(bytes.data()); }
    QStringList row(int n, int32_t scanning_mode = 0, int family = 0)
    {
        device_state d;
        d.family_flag = family;
        return format_manual_row(n, rec(), scanning_mode, d);
    }

    config_image image;
    function_record_bytes bytes{};
};

TEST_F(FunctionRows, PlainRow)
{
    rec().set_name("Drill 1");
    rec().set_field(fr::object_pos, 12345);
    rec().set_field(fr::counter, 7);
    rec().set_field(fr::counter_limit, 100);
    rec().set_field(fr::next_func, 12);
    rec().set_field(fr::warn_min, 250);
    rec().set_field(fr::err_max, 1000);
    const QStringList expected = {
        "003",   "Drill 1", "CheckObj", "HomePos", "  12",  "    ", "123.45", "270.00", "3.00", "Min",
        "    7", "  100",   "OK",       "KO",      "KO",    "OK",   "2.50 abs", "0.00 abs", "0.00 abs", "10.00 abs",
    };
    EXPECT_EQ(row(3), expected);
    EXPECT_EQ(row(3).size(), function_row_columns);
}

TEST_F(FunctionRows, ColumnRules)
{
    struct change {
        const char* what;
        std::function<void(function_record)> edit;
        int n;
        int column;
        const char* text;
        int32_t scanning_mode;
    };
    const change rows[] = {
        {"cluster base", [](function_record r) { r.set_field(fr::flags, 2); }, 4, 0, "004 RL", 0},
        {"cluster base hides object", [](function_record r) { r.set_field(fr::flags, 2); }, 4, 6, "-----", 0},
        {"cluster base hides tolerance", [](function_record r) { r.set_field(fr::flags, 2); }, 4, 8, "----", 0},
        {"cluster base hides intensity", [](function_record r) { r.set_field(fr::flags, 2); }, 4, 9, "---", 0},
        {"cluster base hides counter limit", [](function_record r) { r.set_field(fr::flags, 2); }, 4, 11, "-----", 0},
        {"cluster R shows values", [](function_record r) { r.set_field(fr::flags, 2); }, 5, 0, "005 R", 0},
        {"cluster R teach limit", [](function_record r) { r.set_field(fr::flags, 2); }, 5, 7, "270.00", 0},
        {"cluster L", [](function_record r) { r.set_field(fr::flags, 2); }, 6, 0, "006 L", 0},
        {"cluster LR hidden", [](function_record r) { r.set_field(fr::flags, 2); }, 7, 10, "-----", 0},
        {"cluster areas blank", [](function_record r) { r.set_field(fr::flags, 3); }, 5, 16, "   ", 0},
        {"scan limit marker", [](function_record r) { r.set_field(fr::warn_min, 0xC003); }, 0, 16, "Scan Limit abs", 0},
        {"KOFunc marker relative", [](function_record r) { r.set_field(fr::flags, 1); r.set_field(fr::err_min, 0xC001); }, 0, 18, "KOFunc rel", 0},
        {"mode 7 back angle", [](function_record r) { r.set_field(fr::mode, 7); r.set_field(fr::back_angle, 155); }, 0, 3, "HomePos/ 15.5 s", 0},
        {"mode 128 back angle", [](function_record r) { r.set_field(fr::mode, 128); r.set_field(fr::back_angle, 42); r.set_field(fr::back_mode, 1); }, 0, 3, "No Return/   42 ", 0},
        {"mode 129 back angle", [](function_record r) { r.set_field(fr::mode, 129); r.set_field(fr::back_angle, 250); r.set_field(fr::back_mode, 3); }, 0, 3, "StartPos/2.50 s ", 0},
        {"back mode 4 is the angle, KO marked", [](function_record r) { r.set_field(fr::back_mode, 4); r.set_field(fr::back_angle, -1234); r.set_field(fr::ko_back_mode, 1); }, 0, 3, "-12.34*", 0},
        {"back mode unknown", [](function_record r) { r.set_field(fr::back_mode, 2); }, 0, 3, "Not Defined", 0},
        {"GoPos has no back mode", [](function_record r) { r.set_field(fr::mode, 2); }, 0, 3, "", 0},
        {"mode names", [](function_record r) { r.set_field(fr::mode, 130); }, 0, 2, "BothScanObj ", 0},
        {"mode self check", [](function_record r) { r.set_field(fr::mode, 132); }, 0, 2, "Self Check", 0},
        {"mode unknown", [](function_record r) { r.set_field(fr::mode, 8); }, 0, 2, "Not Defined", 0},
        {"raw object for mode 132", [](function_record r) { r.set_field(fr::mode, 132); r.set_field(fr::object_pos, 77); }, 0, 6, "   77", 0},
        {"tolerance marked in scanning mode 2", [](function_record r) { r.set_field(fr::tolerance, 51); }, 0, 8, "0.51 !!", 2},
        {"tolerance 0.50 not marked", [](function_record r) { r.set_field(fr::tolerance, 50); }, 0, 8, "0.50", 2},
        {"tolerance other scanning mode", [](function_record r) { r.set_field(fr::tolerance, 51); }, 0, 8, "0.51", 1},
        {"intensity max", [](function_record r) { r.set_field(fr::intensity, 7); }, 0, 9, "Max", 0},
        {"intensity number", [](function_record r) { r.set_field(fr::intensity, 3); }, 0, 9, " 4", 0},
        {"KO function", [](function_record r) { r.set_field(fr::ko_func, 5); }, 0, 5, "   5", 0},
        {"unknown output", [](function_record r) { r.set_field(fr::out2, 15); }, 0, 13, "Not Defined", 0},
        {"output parity", [](function_record r) { r.set_field(fr::out3, 14); }, 0, 14, "ParityBit", 0},
    };
    for (const auto& r : rows) {
        SetUp();
        r.edit(rec());
        EXPECT_EQ(row(r.n, r.scanning_mode)[r.column], q(r.text)) << r.what;
    }
}

TEST_F(FunctionRows, BasicBlanks)
{
    rec().set_name("x");
    rec().set_field(fr::intensity, 2);
    rec().set_field(fr::next_func, 3);
    QStringList r = row(0, 0, 1);
    EXPECT_EQ(r[1], "");
    EXPECT_EQ(r[3], "");
    EXPECT_EQ(r[4], "    ");
    EXPECT_EQ(r[6], "     ");
    EXPECT_EQ(r[9], "Medium");
    EXPECT_EQ(r[15], "");
    EXPECT_EQ(r[16], "");
    rec().set_field(fr::intensity, 4);
    EXPECT_EQ(row(0, 0, 1)[9], "SW-Error");
}

TEST(DisplayHelpers, VersionsStatesAndBits)
{
    // day 5, month 11, year 2024, version 1.15, patch 12, build 345
    const uint32_t w1 = (11u << 16) | (5u << 8);
    const uint32_t w2 = (15u << 24) | (1u << 16) | 2024u;
    EXPECT_EQ(format_version_text(w1, w2, (345u << 16) | 12u), "V01.15.12.345 05.11.2024");
    EXPECT_EQ(format_version_text(w1, w2, 345u << 16), "V01.15 05.11.2024");

    EXPECT_EQ(format_output_state_text(0x30), "Active");
    EXPECT_EQ(format_output_state_text(0x10), "Plugged");
    EXPECT_EQ(format_output_state_text(0x0F), "--------");
    EXPECT_EQ(connection_title_suffix(true, "a.cdx"), " / Controller");
    EXPECT_EQ(connection_title_suffix(false, "a.cdx"), " / a.cdx");

    const uint8_t a[3] = {1, 15, 200}, b[3] = {1, 15, 12}, c[3] = {1, 16, 0};
    EXPECT_EQ(compare_version_triples(a, b), 1);  // 200 is not negative
    EXPECT_EQ(compare_version_triples(b, c), -1);
    EXPECT_EQ(compare_version_triples(a, a), 0);

    EXPECT_DOUBLE_EQ(centi_to_double(-155), -1.55);
    EXPECT_EQ(swap16_if(0x1234, true), 0x3412);
    EXPECT_EQ(swap16_if(0x1234, false), 0x1234);

    EXPECT_EQ(format_bit_string(0x0B, 4, false), "1101");
    EXPECT_EQ(format_bit_string(0x0B, 8, true, 4, '.'), "0000.1011");
    EXPECT_EQ(format_bit_string(0x5, 3, true, 3, ' '), "101");  // never after the last
    EXPECT_EQ(format_bit_string(0x5, 5, true, 2, '_'), "00_10_1");  // counted from the left
    EXPECT_EQ(format_bit_string(0xFFFFFFFF, 40, true), std::string(32, '1'));
}

}  // namespace
