#include <gtest/gtest.h>

#include "core/text/text_tables.h"

namespace {

TEST(TextTables, CountsAndBounds)
{
    const std::pair<txt_table, size_t> counts[] = {
        {txt_table::labels, 521},         {txt_table::messages, 91},      {txt_table::status, 67},
        {txt_table::host_errors, 64},     {txt_table::usb_host_errors, 13}, {txt_table::device_errors, 62},
    };
    for (const auto& c : counts) {
        EXPECT_EQ(txt_table_size(c.first), c.second);
        EXPECT_NE(txt_table_text(c.first, long(c.second) - 1), nullptr);
        EXPECT_EQ(txt_table_text(c.first, long(c.second)), nullptr);
        EXPECT_EQ(txt_table_text(c.first, -1), nullptr);
    }
    EXPECT_EQ(txt_label(521), "");
    EXPECT_EQ(txt_message(91), "");
    EXPECT_EQ(txt_label(520), "Customer Settings");
    EXPECT_EQ(txt_message(90), "The data will not be saved, because we are in diagnostic mode (Premium viewer)!");
    EXPECT_EQ(txt_table_entry(2, 66), " ERROR! Selfcheck: Range too small");
    EXPECT_EQ(txt_table_entry(2, 16), "");
    EXPECT_EQ(txt_table_entry(3, 1), "");
    EXPECT_EQ(txt_table_entry(1, 12), "Do you really want to set the factory defaults?");
}

TEST(TextTables, LabelsDropTheMnemonicMarkerOnRequest)
{
    EXPECT_EQ(txt_label(1, true), "File");
    EXPECT_EQ(txt_label(1), "&File");
    EXPECT_EQ(txt_label(36, true), "Save");
    EXPECT_EQ(txt_label(52), "Mode    ");  // trailing blanks kept
}

TEST(TextTables, ErrorLookupByType)
{
    EXPECT_EQ(txt_error(1, 26).value(), "Host: Wrong password!");
    EXPECT_EQ(txt_error(1, 63).value(),
              "Host: File Write Access Error! Errorcode: %d\nPlease check windows file permissions!");
    EXPECT_EQ(txt_error(2, 12).value(), "USB-Host: Reserved2");
    EXPECT_EQ(txt_error(3, 61).value(), " Error Tarvix: Clearing the selfcheck-data failed!");
    EXPECT_FALSE(txt_error(2, 13));
    EXPECT_FALSE(txt_error(3, 62));
    EXPECT_FALSE(txt_error(0, 1));
    EXPECT_FALSE(txt_error(4, 1));
    EXPECT_FALSE(txt_error(1, -1));
}

TEST(TextTables, SpecialCharactersAreKept)
{
    // Latin-1 degree sign, embedded quotes, line breaks and tabs
    EXPECT_EQ(txt_label(192), "Object Angle [\xB0]");
    EXPECT_EQ(txt_label(199), "RefAngle90\xB0");
    EXPECT_EQ(txt_label(204), "Angle [\xB0]");
    EXPECT_EQ(txt_label(418), "RefAngle90\xB0");
    EXPECT_EQ(txt_label(431), "Angle  [\xB0]");
    EXPECT_EQ(txt_label(229), "Is the selected scanner \"%s\" correct?");
    EXPECT_EQ(txt_message(11), "Is the selected HEX-File \"%s\" OK?\nTo start programming, press the YES-Button!");
    EXPECT_EQ(txt_error(1, 28).value(), "Fehler: Das Eingabefeld \"Name\" ist noch leer!!");
    EXPECT_EQ(txt_error(1, 62).value(), "Host: Format error in scanner definition file \"scannerx.lst\"!");
    EXPECT_EQ(txt_message(53), "Cancel:\tGo back to the \"Global Settings\"-sheet and discard the changes\n");
    EXPECT_EQ(txt_label(453),
              "Parameter Number / Value\nBit 0 .. 2: Statusbits\nBit 3 .. 7: Parameter Nr.\nBit8 .. 15: Parameter Value");
}

TEST(TextTables, ComposeMessageText)
{
    std::string out = "old";
    compose_message_text(out, 0, 1, 2);
    EXPECT_EQ(out, "");
    compose_message_text(out, 1, 4, 5);
    EXPECT_EQ(out, "Rotary Switch Scanner");
    compose_message_text(out, 4, 4, 5, 6, 4);
    EXPECT_EQ(out, "Rotary Switch ScannerRotary Switch P1Rotary Switch P2Rotary Switch Scanner");
    compose_message_text(out, 9, 4, 5, 6, 500);  // counts above 4 and numbers outside add nothing
    EXPECT_EQ(out, "Rotary Switch ScannerRotary Switch P1Rotary Switch P2");
}

}  // namespace
