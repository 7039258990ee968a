#include <gtest/gtest.h>

#include <climits>

#include "core/image/core_state.h"
#include "core/text/error_texts.h"
#include "core/text/safe_format.h"
#include "core/text/text_tables.h"
#include "support/test_support.h"
#include "tests/core/core_fixture.h"

namespace {

class ErrorTexts : public core_test {
protected:

    static error_record make(int16_t type, int32_t code, int32_t sev = err_severity_error,
                             int16_t kind = err_arg_none, int32_t arg = 0)
    {
        error_record e;
        e.set(type, code, sev, kind, arg);
        return e;
    }
};

TEST_F(ErrorTexts, MessagesOfRecords)
{
    struct row {
        error_record e;
        std::string text;
    };
    const row rows[] = {
        {make(1, 26, 1), "Host: Wrong password!"},
        {make(2, 11), "USB-Host: Timeout receiving USB-Message from Tarvix!"},
        {make(2, 10), "USB-Host: USB was disconnected!"},
        {make(2, 1167), "Text not found, Fehlercode: 1167, FehlerTyp: 2"},
        {make(7, 3), "Text not found, Fehlercode: 3, FehlerTyp: 7"},
        {make(1, 16, 2, err_arg_once, 5), "Host: Update-Utility FLASHCLI.EXE returned an error (Code 5)! Retry?"},
        {make(1, 17, 2, err_arg_once, -2), "Host: Systemerror FFFFFFFEH occured! Retry?"},
        // a text without a conversion is unchanged whatever the argument kind
        {make(1, 4, 2, err_arg_twice, 9), "Host: Timeout in Communication to Tarvix!"},
        // kind 0 shows the text as it stands, conversions and all
        {make(1, 40), "Host: Error writing error buf on disk! Errorcode: %d"},
        // a text that wants a name, filled with a number by a device: the number's text
        {make(1, 49, 2, err_arg_once, 12), "Host: USB connection error occured!\n12!\nRetry?"},
        {make(1, 48, 2, err_arg_once, 0x3C), "Host: Tarvix logic family (3c) could not be identified! Unknown Device!"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(error_record_text(r.e), r.text) << r.e.type << "/" << r.e.code;
}

TEST_F(ErrorTexts, ParameterNamesInParameterErrors)
{
    // device error 30 naming function field 9: label 52 with its trailing blanks
    EXPECT_EQ(error_record_text(make(3, 30, 2, err_arg_once, 9)),
              " Error Tarvix: Parameter Mode     is out of range! Please update to current FW.");
    g_parameter_error().parameter_error_function = 12;
    EXPECT_EQ(error_record_text(make(3, 30, 2, err_arg_once, 9)),
              " Error Tarvix: Parameter Mode     is out of range! Please update to current FW. FuncNo: 012 ");
    // kind 0 names nothing
    EXPECT_EQ(error_record_text(make(3, 32)),
              " WARNING TVX: Parameter NotDefined is not active because manual settings on io-module!");
    // host error 24 takes a label number
    g_parameter_error().parameter_error_function = -1;
    EXPECT_EQ(error_record_text(make(1, 24, 2, err_arg_once, 36)),
              "The FW version of the TVX could not handle changed data \"Save\". Ignore?");
    // a field number beyond the table, or a label beyond the labels
    EXPECT_EQ(error_record_text(make(3, 30, 2, err_arg_once, 30)),
              " Error Tarvix: Parameter NotDefined is out of range! Please update to current FW.");
    EXPECT_EQ(error_record_text(make(1, 24, 2, err_arg_once, 9999)),
              "The FW version of the TVX could not handle changed data \"NotDefined\". Ignore?");

    // a settings position wins over the argument; "Default " entries join two labels
    struct row {
        int index;
        std::string name;
    };
    const row rows[] = {{0, "Return Travel Monitoring"}, {13, "Default Mode    "}, {12, "Default Function Options"},
                        {28, "VertDistance [mm] "},      {77, "Customer Settings"}, {78, "NotDefined"},
                        {-5, "NotDefined"}};
    for (const auto& r : rows) {
        EXPECT_EQ(settings_parameter_name(r.index), r.name) << r.index;
        if (r.index < 0)
            continue;
        g_parameter_error().parameter_error_index = r.index;
        EXPECT_EQ(error_record_text(make(3, 30, 2, err_arg_once, 9)),
                  " Error Tarvix: Parameter " + r.name + " is out of range! Please update to current FW.");
    }
}

TEST_F(ErrorTexts, BoxKindFollowsCodeAndSeverity)
{
    testing_support::recording_ui fake;
    show_error_record(make(1, 26, 1));
    show_error_record(make(1, 4, 2));
    show_error_record(make(1, 0, 2));
    show_error_code(-1, 2, 2, 0, 0);  // sign-extended code, no text
    std::string out;
    show_error_record(make(1, 5, 2), &out);  // stored, not shown
    EXPECT_EQ(out, "Host: Write Error from Tarvix!");

    ASSERT_EQ(fake.prompts().size(), 4u);
    EXPECT_EQ(fake.prompts()[0].kind, ui::box_kind::warning);
    EXPECT_EQ(fake.prompts()[0].title, "WARNING");
    EXPECT_EQ(fake.prompts()[0].text, "Host: Wrong password!");
    EXPECT_EQ(fake.prompts()[0].buttons, ui::ok);
    EXPECT_EQ(fake.prompts()[1].kind, ui::box_kind::critical);
    EXPECT_EQ(fake.prompts()[1].title, "ERROR");
    EXPECT_EQ(fake.prompts()[2].title, "WARNING");  // code 0
    EXPECT_EQ(fake.prompts()[3].title, "ERROR");
    EXPECT_EQ(fake.prompts()[3].text, "Text not found, Fehlercode: -1, FehlerTyp: 2");
}

TEST(SafeFormat, ConversionsOfTheTexts)
{
    struct row {
        std::string fmt;
        std::string out;
    };
    const row rows[] = {
        {safe_format("%d|%02d|%03d|%2d", {7, 7, 7, 7}), "7|07|007| 7"},
        {safe_format("%02x|%X|%08X", {0xAB, 0xAB, 0xAB}), "ab|AB|000000AB"},
        {safe_format("%3.2f|%2.2f|%5.1f", {1.5, 0.51, 15.5}), "1.50|0.51| 15.5"},
        {safe_format("%5d|%-4d|%4d", {42, 3, -1}), "   42|3   |  -1"},
        {safe_format("%s and %s", {"a", std::string("b")}), "a and b"},
        {safe_format("%c%c", {'O', 'K'}), "OK"},
        {safe_format("100%% sure, 0.00% .. 655.35%", {}), "100% sure, 0.00% .. 655.35%"},
        // mismatches never reinterpret: a number meets %s as text, a text meets %d as 0
        {safe_format("%s|%d", {17, "x"}), "17|0"},
        // missing arguments yield nothing; surplus arguments are ignored
        {safe_format("[%d][%s]", {}), "[][]"},
        {safe_format("[%d]", {1, 2, 3}), "[1]"},
        // pointer-reading and writing conversions are not conversions here
        {safe_format("%p %n %ls", {1, 2, 3}), "%p %n 1"},
        // a trailing percent sign stands as it is
        {safe_format("50%", {1}), "50%"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r.fmt, r.out);
    // huge widths and precisions are bounded
    EXPECT_LE(safe_format("%999999999d", {1}).size(), 200u);
    EXPECT_LE(safe_format("%.999999999f", {1.0}).size(), 200u);
    EXPECT_LE(safe_format("%1000.1000f", {1e300}).size(), 600u);
}

TEST_F(ErrorTexts, HostileRecordsNeverBreakTheFormatter)
{
    // every type and code a device could name, with every argument kind and extreme arguments
    const int16_t types[] = {INT16_MIN, -1, 0, 1, 2, 3, 4, INT16_MAX};
    const int32_t args[] = {INT32_MIN, -1, 0, 29, 30, 520, 521, INT32_MAX};
    const int32_t indexes[] = {-1, 0, 77, 78, INT32_MAX, INT32_MIN};
    size_t total = 0;
    for (int16_t type : types)
        for (int32_t code = -2; code <= 70; ++code)
            for (int16_t kind = -1; kind <= 3; ++kind)
                for (int32_t arg : args)
                    for (int32_t idx : {indexes[0], indexes[2], indexes[3]}) {
                        g_parameter_error().parameter_error_index = idx;
                        g_parameter_error().parameter_error_function = idx == -1 ? -1 : 511;
                        const std::string t = error_record_text(make(type, code, 2, kind, arg));
                        ASSERT_FALSE(t.empty());
                        ASSERT_LT(t.size(), 400u);
                        total += t.size();
                    }
    for (int32_t idx : indexes) {
        g_parameter_error().parameter_error_index = idx;
        EXPECT_FALSE(error_record_text(make(3, 30, 2, 1, 0)).empty());
    }
    EXPECT_GT(total, 0u);
    // every text of every table used as a format with hostile arguments
    for (txt_table t : {txt_table::labels, txt_table::messages, txt_table::status, txt_table::host_errors,
                        txt_table::usb_host_errors, txt_table::device_errors})
        for (size_t i = 0; i < txt_table_size(t); ++i) {
            const char* text = txt_table_text(t, long(i));
            ASSERT_NE(text, nullptr);
            EXPECT_LT(safe_format(text, {INT64_MIN, -1e308, "", INT32_MAX}).size(), 1000u);
        }
}

}  // namespace
