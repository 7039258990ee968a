// The run on the recording downloader: what is asked and what is printed instead, the calls
// into the library with their arguments, the function menu and the answers a prompt takes.
#include "flashcli_fixture.h"

#include "flashcli/exit_status.h"
#include "flashcli/progress.h"
#include "flashcli/run.h"

#include <vector>

namespace {

using calls = std::vector<std::string>;

class Run : public flashcli_run {
protected:
    bool printed(const std::string& text) const { return output().find(text) != std::string::npos; }
    size_t count(const std::string& text) const
    {
        size_t n = 0;
        for (size_t p = output().find(text); p != std::string::npos; p = output().find(text, p + 1))
            ++n;
        return n;
    }
};

const int kF006 = 0xF06;

}  // namespace

TEST_F(Run, UsbWithEverythingGivenAsksNothingAndRunsTheHexDownload)
{
    write("set.DAT", "O:Tarvix!9\nZ:1\nK:3\nS:8000\nT:1\nA:1\nE:7\nV:1\n");
    const int status = run({"H:E", "=", ")", "set", "N:./fw/firmware.hex"});
    EXPECT_EQ(status, 0) << output();
    EXPECT_EQ(fake_.calls(), (calls{"DrvInitUsb(Tarvix 9)", "construct(5,0,0)",
                                    "HexDownload(3,./fw/firmware.hex,32768,1,1,7,0,0,1,0,0,-1,0,0,1)"}));
    const char* lines[] = {
        "Configured function code Z = 1.  DOWNLOAD FSW-HEX FLASH \n",
        "Start address of Flash-EEPROM in Hex: 8000\n",
        "Configured flash type (0=128k, 1=512k, 2=1024k) : 1\n",
        "First sector to clear: 1\n",
        "Last sector to clear: 7\n",
        "Configuration V: Stay in the bootloader after loading file. \n",
        "Configured download file: ./fw/firmware.hex\n",
    };
    size_t at = 0;
    for (const char* line : lines) {
        const size_t p = output().find(line, at);
        ASSERT_NE(p, std::string::npos) << line << "\n" << output();
        at = p;
    }
    EXPECT_FALSE(printed("Please"));
    EXPECT_FALSE(printed("ID selection"));
    EXPECT_FALSE(printed("Knotennummer"));
    EXPECT_EQ(fake_.last_hex().progress, &flashcli::hex_download_progress);
}

TEST_F(Run, CallsAndLinesOfEachFunctionAndTransport)
{
    struct row {
        const char* name;
        std::string dat;
        flashcli::argument_list args;
        calls expected;
        std::vector<std::string> lines;
    };
    const std::vector<row> rows = {
        {"CAN with P:1 says QUELCAN only", "B:5\nI:5\nX:300\nP:1\nK:120\nZ:7\nL:8000:0008\nW:10\nV:0\nN:out.bin\n",
         {"H:E"},
         {"DrvInitCAN_ISA(5,5,768)", "construct(2,0,0)", "BinUpload(120,out.bin,0,32768,8,16,0,0,0,0,0,1)",
          "DrvCloseCAN()"},
         {"Configured baudrate id  5\n", "CAN-interrupt-number: 5\n", "CAN-board-address: 300\n",
          "ID selection: QUELCAN\n", "Konfigurierte Knotennummer: 120\n",
          "Configuration V: Skip to the FSW after loading file.\n",
          "Start-Address of binary file: 8000:0008\n", "Configured number of upload bytes: 10H\n"}},
        {"serial D:5 is 115200 baud", "C:2\nD:5\nZ:9\nL:1000:0000\nW:7\nV:1\nN:v.bin\n", {"#"},
         {"DrvInitV24(2,12)", "construct(3,0,0)", "BinUpload(0,v.bin,0,4096,0,7,1,1,0,0,0,1)", "DrvCloseV24()"},
         {"Portnummer der seriellen Schnittstelle: 2\n", "COM-Baudrate-Kennziffer: 5\n"}},
        {"serial D:6 is 9600 baud", "C:1\nD:6\nZ:3\nV:1\nN:ram\n", {"#", "!"},
         {"DrvInitV24(1,7)", "construct(3,0,1)", "HexDownload(0,ram,0,0,0,0,0,1,1,0,0,-1,0,0,1)",
          "DrvCloseV24()"},
         {"Konfiguriertes Download-File: ram.HEX\n"}},
        {"RAM keeps S, T, A and E as given; binary type, slot, option, connect",
         "O:p\nZ:6\nS:c000\nT:2\nA:3\nE:4\nL:1000:5000\nM:2\nF:40\nQ:1\nR:1234\nJ:100\nW:2000\nV:0\nN:logic.bin\n",
         {"=", "+", "H:E"},
         {"DrvInitUsb(p)", "construct(5,1,0)",
          "BinDownload(0,logic.bin,49152,2,3,4,64,4096,20480,1,2,0,1,4660,256,8192,0,1)"},
         {"FileOffset: 100H    ByteAnzahl: 2000H\n", "Access on external MCPU2-Adress-Space\n",
          "Active Megabyte Slot : 40\n", "Configured download file: logic.bin\n"}},
        {"hexx forces area 7 over G:3", "O:p\nZ:1\nS:0\nT:1\nA:0\nE:0\nV:1\nG:3\n", {"=", "N:./tvx\\PrgFld.hexx"},
         {"DrvInitUsb(p)", "construct(5,0,0)", "HexDownload(0,./tvx\\PrgFld.hexx,0,1,0,0,0,0,1,0,0,-1,0,7,1)"},
         {}},
        {"Ethernet", "Y:10.0.0.7\nZ:4\nS:0\nT:1\nA:0\nE:0\nL:8000:0000\nV:0\nN:a.bin\n", {"@"},
         {"DrvInitEthernet(10.0.0.7)", "construct(4,0,0)",
          "BinDownload(0,a.bin,0,1,0,0,0,32768,0,0,0,0,0,0,-1,0,0,1)", "DrvCloseEthernet()"},
         {}},
        {"PEAK and dongle ask the scheme once; 7 is CANopen", "B:2\nK:1\nZ:7\nL:0:0\nW:1\nV:1\nN:x.bin\n",
         {"(", "H:E"}, {"DrvInitCANPeak(2,0)", "construct(1,0,0)", "BinUpload(1,x.bin,0,0,0,1,0,1,0,0,0,1)"},
         {"ID selection. QUELCAN(1) or CANOPEN(2): "}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        flashcli::recording_downloader fake;
        flashcli::scoped_downloader guard(fake);
        write("set.DAT", r.dat);
        flashcli::argument_list args = r.args;
        args.push_back(")");
        args.push_back("set");
        const int status = run(args, "7\n");
        EXPECT_EQ(status, 0) << output();
        EXPECT_EQ(fake.calls(), r.expected) << output();
        for (const std::string& line : r.lines)
            EXPECT_TRUE(printed(line)) << line << "\n" << output();
        EXPECT_FALSE(printed("Error")) << output();
    }
}

TEST_F(Run, QuelcanAnswerAndCanopenAnswers)
{
    write("set.DAT", "B:1\nH:1\nK:1\n");
    const std::pair<const char*, int> answers[] = {{"1\n", 2}, {"2\n", 1}, {"7\n", 1}};
    for (const auto& a : answers) {
        flashcli::recording_downloader fake;
        flashcli::scoped_downloader guard(fake);
        ASSERT_EQ(run({"$", ")", "set"}, std::string(a.first) + "E\n"), 0) << output();
        EXPECT_EQ(fake.calls(), (calls{"DrvInitCANDon(1,1)", "construct(" + std::to_string(a.second) + ",0,0)",
                                       "DrvCloseCAN()"}));
        EXPECT_EQ(count("ID Auswahl. QUELCAN(1) oder CANOPEN(2): "), 1u);
    }
}

TEST_F(Run, FunctionMenuExitAndIllegalCodes)
{
    write("set.DAT", "O:p\nJ:100\nW:2000\n");
    // "E" leaves at once with status 0; the offset line is printed all the same.
    EXPECT_EQ(run({"H:E", "=", ")", "set"}, "e\n"), 0);
    EXPECT_TRUE(printed("\nPlease enter function code:\n1: DOWNLOAD FSW-HEX FLASH\n"));
    EXPECT_TRUE(printed("E: Exit programming\n"));
    EXPECT_TRUE(printed("FileOffset: 100H    ByteAnzahl: 2000H\n"));
    EXPECT_EQ(fake_.calls(), (calls{"DrvInitUsb(p)", "construct(5,0,0)"}));

    // An illegal code, from the settings or the menu, transfers nothing and is a failure.
    const std::pair<flashcli::argument_list, std::string> illegal[] = {{{"Z:2"}, ""}, {{}, "8\n"}};
    for (const auto& c : illegal) {
        flashcli::recording_downloader fake;
        flashcli::scoped_downloader guard(fake);
        flashcli::argument_list args = c.first;
        args.insert(args.end(), {"=", ")", "set"});
        EXPECT_EQ(run(args, c.second), 0xF07);
        EXPECT_TRUE(printed("Falsche Eingabe!!!!\n")) << output();
        EXPECT_EQ(fake.calls(), (calls{"DrvInitUsb(p)", "construct(5,0,0)"}));
    }
}

TEST_F(Run, PromptsTakeTheFirstAnswerThatScansAndFitsAndEndAtEndOfInput)
{
    // Everything asked: flash values, V, file name; "abc" and out-of-range answers are
    // asked again, a negative sector too, and the rest of a line is dropped.
    write("set.DAT", "O:p\n");
    const std::string answers =
        "1\n"             // function code
        "zz\nc000 rest\n"  // S: not hex, then c000
        "9\n5\n2\n"        // T: 9 out of range, 5 out of range, 2
        "abc\n5\n"         // A: abc asked again, then 5
        "-1\n16\n11\n"     // E: negative and 16 asked again, then 11
        "n\n"              // leave the loader? n: stay
        "\n  image  extra\n";  // file name: an empty line asks again
    ASSERT_EQ(run({"H:E", "=", ")", "set"}, answers), 0) << output();
    EXPECT_EQ(fake_.calls().back(), "HexDownload(0,image,49152,2,5,11,0,0,1,0,0,-1,0,0,1)");
    EXPECT_EQ(count("Please enter the type of the flash-EEPROM\n"), 3u);
    EXPECT_EQ(count("First sector to clear (0..15)? "), 2u);
    EXPECT_EQ(count("Last sector to clear (0..15)? "), 3u);
    EXPECT_EQ(count("Please enter the INTEL-HEX-Filename without extension: "), 2u);

    // "j" leaves the loader.
    {
        flashcli::recording_downloader fake;
        flashcli::scoped_downloader guard(fake);
        write("set.DAT", "O:p\nZ:3\n");
        ASSERT_EQ(run({"=", ")", "set"}, "j\nram\n"), 0) << output();
        EXPECT_EQ(fake.calls().back(), "HexDownload(0,ram,0,0,0,0,0,1,0,0,0,-1,0,0,1)");
    }

    // End of input at any prompt ends through "Error in configuration file!".
    const std::pair<const char*, std::string> cut[] = {
        {"function code", ""}, {"flash start", "1\n"}, {"file name", "1\n0\n0\n0\n0\nJ\n"},
        {"upload size", "7\nJ\nf\n0\n0\n"}, {"in a line without end", "1\n0"},
    };
    for (const auto& c : cut) {
        SCOPED_TRACE(c.first);
        flashcli::recording_downloader fake;
        flashcli::scoped_downloader guard(fake);
        write("set.DAT", "O:p\n");
        EXPECT_EQ(run({"H:E", "=", ")", "set"}, c.second), kF006);
        EXPECT_TRUE(printed("Error application module! Error in configuration file!\n")) << output();
        EXPECT_EQ(fake.calls().size(), 2u);
    }

    // The transport values of CAN, serial and the ISA board.
    struct transport_row {
        const char* name;
        flashcli::argument_list args;
        std::string answers;
        std::string init;
    };
    const transport_row rows[] = {
        {"ISA", {}, "4\n2\n8\n5\nfff1\n2ff\nx\n1\n150\n42\nE\n", "DrvInitCAN_ISA(4,5,767)"},
        {"dongle", {"$"}, "6\n3\n0\n2\n1\n9\nE\n", "DrvInitCANDon(6,2)"},
        {"serial", {"#"}, "0\n5\n3\n-2\n4\nE\n", "DrvInitV24(4,10)"},
    };
    write("set.DAT", "");
    for (const transport_row& r : rows) {
        SCOPED_TRACE(r.name);
        flashcli::recording_downloader fake;
        flashcli::scoped_downloader guard(fake);
        flashcli::argument_list args = r.args;
        args.insert(args.end(), {")", "set"});
        EXPECT_EQ(run(args, r.answers), 0) << output();
        ASSERT_FALSE(fake.calls().empty());
        EXPECT_EQ(fake.calls()[0], r.init) << output();
    }
}

TEST(AreaRule, LongExtensionsEndingInXGiveSeven)
{
    struct row {
        const char* name;
        uint16_t area;
    };
    const row rows[] = {
        {"name.hexx", 7}, {"name.binX", 7}, {"name.hex", 3}, {"./dir.hexx/name", 3}, {"a\\b.binx", 7},
        {"name.x", 3}, {"C:name.abcx", 7}, {"name", 3}, {".hexx", 7},
    };
    for (const row& r : rows)
        EXPECT_EQ(flashcli::area_code_for(r.name, 3), r.area) << r.name;
}
