// Error report: texts of the result codes, exit status, the pause and the closed transport.
#include "flashcli_fixture.h"

#include "flashcli/error_texts.h"
#include "flashcli/exit_status.h"

#include <cstdlib>
#include <vector>

using flashcli::error_text;

TEST(ErrorTexts, RowsOfEveryRuleInBothLanguages)
{
    struct row {
        uint16_t code;
        const char* english;
        const char* german;
    };
    const row rows[] = {
        {0x0001, "ERROR: USB Download needs Windows2000 / XP!\n", "FEHLER: USB Download benoetigt Windows2000 / XP!\n"},
        {0x0007, "General Error ErrorClass 0, Fehlercode: 7\n", "Allgemeiner Fehler ErrorClass 0, Fehlercode: 7\n"},
        {0x1001, "Error module CSndHex. Error: Selected file not found\n", "Fehler Modul CSndHex. Angegebene Datei nicht gefunden\n"},
        {0x1003, "Error module CSndHex. Timeout! No answer from module!\n", "Fehler Modul CSndHex. Timeout! Modul antwortet nicht mehr!\n"},
        {0x1004, "Error module CSndHex. ", "Fehler Modul CSndHex. "},
        {0x2002, "Error module CSDOMAST. ERROR on opening the logical channels\n", "Fehler Modul CSDOMAST. Fehler beim Oeffnen der logischen Kanaele\n"},
        {0x2005, "Error module CSDOMAST. ERROR: Abort command from the module received!\n", "Fehler Modul CSDOMAST. Abbruch-Kommando von Modul empfangen\n"},
        {0x2000, "Error module CSDOMAST. Internal ERROR! 0\n", "Fehler Modul CSDOMAST. Interner Fehler! 0\n"},
        {0x2020, "Error module CSDOMAST. Internal ERROR! 32\n", "Fehler Modul CSDOMAST. Interner Fehler! 32\n"},
        {0x2021, "Error module CSDOMAST. ERROR: Domain Up/Download not started!\n", "Fehler Modul CSDOMAST. FEHLER: Domain Up/Download wurde gestartet, aber unvollstaendig parametrisiert!\n"},
        {0x2025, "Error module CSDOMAST. ERROR: Module could not be identified! \n", "Fehler Modul CSDOMAST. FEHLER: KNOTENMODUL KONNTE KEINE DE IDENTIFIZIEREN! \n"},
        {0x2034, "Error module CSDOMAST. ERROR: The FirmLdSpecPar definition was rejected from the firmloader!\n", "Fehler Modul CSDOMAST. FEHLER: Die uebergebene \"FirmLdSpecPar\" wurde vom Loader zurueckgewiesen!\n"},
        {0x2035, "Error module CSDOMAST. Unknown module error!\n", "Fehler Modul CSDOMAST. Unbekannter Modul-Fehler!\n"},
        {0x3001, "Unknown Errorcode 3001\n", "Unbekannter Fehlercode 3001\n"},
        {0x8004, "ERROR C_COMM! ERROR: Send Timeout\n", "Fehler C_COMM! Fehler Sende-Timeout\n"},
        {0x8009, "ERROR C_COMM! Internal ERROR!\n", "Fehler C_COMM! Intener Fehler!\n"},
        {0x9123, "ERROR V24-Class! Errorcode: 291\n", "Fehler V24-Klasse! Fehlercode: 291\n"},
        {0xA007, "ERROR CAN-Class! ERROR: Peak Dongel don\xB4t work on Windows 9x!!!\n", "Fehler CAN-Klasse! FEHLER: Peak Dongel laeuft nicht unter Windows 9x!!!\n"},
        {0xA009, "ERROR CAN-Class! Errorcode 9\n", "Fehler CAN-Klasse! Fehlercode 9\n"},
        {0xB006, "ERROR Ethernet-driver! No winsocket available!\n", "Fehler Ethernet-Treiber! Kein Winsocket verfuegbar!\n"},
        {0xC001, "Error V24-Treiber! V24 interface not exists!\n", "Fehler V24-Treiber! V24 Schnittstelle nicht vorhanden!\n"},
        {0xD00A, "Error USB! Device at USB not recognized! USB cable connected?\n", "Fehler USB! Device wurde am USB nicht gefunden! USB gesteckt?\n"},
        {0xD00D, "Error USB! Errorcode 13\n", "Fehler USB! Fehlercode 13\n"},
        {0xE001, "Unknown Errorcode ffffe001\n", "Unbekannter Fehlercode ffffe001\n"},
        {0xF005, "Error application module! Configuration file not found!\n", "Fehler Anwendungs-Modul! Konfigurationsdatei nicht gefunden!\n"},
        {0xF006, "Error application module! Error in configuration file!\n", "Fehler Anwendungs-Modul! Fehler in der Konfigurationsdatei!\n"},
        {0xF002, "Error application module! Errorcode 2\n", "Fehler Anwendungs-Modul! Fehlercode 2\n"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(error_text(r.code, 1), r.english);
        EXPECT_EQ(error_text(r.code, 0), r.german);
    }
    // A damaged HEX file names its line; other codes take no line.
    EXPECT_EQ(error_text(0x1005, 1, 41), "Error module CSndHex. HEX file error in line 41\n");
    EXPECT_EQ(error_text(0x1005, 0, 41), "Fehler Modul CSndHex. Fehler in der HEX-Datei in Zeile 41\n");
    EXPECT_EQ(error_text(0x2000, 1, 41), "Error module CSDOMAST. Internal ERROR! 0\n");
}

TEST(ErrorTexts, EveryCodeHasAText)
{
    for (uint32_t code = 1; code <= 0xFFFF; ++code) {
        for (int language = 0; language < 2; ++language) {
            const std::string t = error_text(uint16_t(code), language);
            ASSERT_FALSE(t.empty()) << code;
            if ((code >> 12) != 1) {
                ASSERT_EQ(t.back(), '\n') << code;
            }
            ASSERT_EQ(t.find('%'), std::string::npos) << code;
        }
    }
}

TEST(ExitStatus, ClassTimes256PlusCodeAndNeverZeroForTheParent)
{
    struct row {
        uint16_t code;
        int status;
        int process;
    };
    const row rows[] = {
        {0xF005, 0xF05, 5}, {0x2025, 0x205, 5}, {0x2005, 0x205, 5}, {0x1004, 0x104, 4},
        {0x2020, 0x220, 0x20}, {0x2021, 0x201, 1}, {0xFFFF, 0x1EFF, 0xFF}, {0xD00A, 0xD0A, 0x0A},
        {0x1000, 0x100, 255}, {0x0001, 1, 1}, {0xA000, 0xA00, 255},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.code);
        EXPECT_EQ(flashcli::flashcli_exit_status(r.code), r.status);
        EXPECT_EQ(flashcli::process_exit_status(r.status), r.process);
    }
    EXPECT_EQ(flashcli::process_exit_status(0), 0);
}

namespace {
class Report : public flashcli_run {};
}

TEST_F(Report, MissingSettingsFileInEnglishWaitsFiveSecondsWithoutKey)
{
    const int status = run({"H:E", "=", ")", "nofile"});
    const std::string banner = "Firmloader for Windows 2000/XP for V24, CAN, Ethernet and USB\n"
                               "Version 1.11.05                                   Date:  05.08.2019\n";
    ASSERT_EQ(output().rfind(banner, 0), 0u);
    const std::string tail = "\nError application module! Configuration file not found!\nPlease press any key!\n";
    ASSERT_GE(output().size(), tail.size());
    EXPECT_EQ(output().substr(output().size() - tail.size()), tail);
    EXPECT_EQ(status, 0xF05);
    EXPECT_EQ(waited_ms(), 5000u);
    // The transport was never opened; USB needs no close.
    EXPECT_TRUE(fake_.calls().empty());
}

TEST_F(Report, GermanReport)
{
    const int status = run({"$", ")", "nofile"});
    const std::string tail = "\nFehler Anwendungs-Modul! Konfigurationsdatei nicht gefunden!\nBitte Taste druecken\n";
    EXPECT_EQ(output().substr(output().size() - tail.size()), tail);
    EXPECT_EQ(status, 0xF05);
    EXPECT_EQ(fake_.calls(), std::vector<std::string>{"DrvCloseCAN()"});
}

TEST_F(Report, TransportFailuresAreReportedAndTheTransportClosed)
{
    struct row {
        const char* name;
        flashcli::argument_list args;
        const char* failing_call;
        uint16_t result;
        std::vector<std::string> calls;
    };
    const std::vector<row> rows = {
        {"ISA board", {"B:3", "I:5", "X:300"}, "DrvInitCAN_ISA", 0xA003, {"DrvInitCAN_ISA(3,5,768)", "DrvCloseCAN()"}},
        {"CAN dongle", {"$", "B:4", "H:2"}, "DrvInitCANDon", 0xA006, {"DrvInitCANDon(4,2)", "DrvCloseCAN()"}},
        {"PEAK", {"(", "B:6"}, "DrvInitCANPeak", 0xA007, {"DrvInitCANPeak(6,0)"}},
        {"serial", {"#", "C:2", "D:4"}, "DrvInitV24", 0xC001, {"DrvInitV24(2,11)", "DrvCloseV24()"}},
        {"Ethernet", {"&", "Y:10.1.2.3"}, "DrvInitEthernet", 0xD001, {"DrvInitEthernet(10.1.2.3)", "DrvCloseEthernet()"}},
        {"USB", {"=", "O:Tarvix!9"}, "DrvInitUsb", 0xD00A, {"DrvInitUsb(Tarvix 9)"}},
        {"transfer object", {"=", "+", "!"}, "construct", 0xA004, {"DrvInitUsb()", "construct(5,1,1)"}},
        {"serial transfer object", {"#", "C:1", "D:1"}, "construct", 0x8002, {"DrvInitV24(1,7)", "construct(3,0,0)", "DrvCloseV24()"}},
    };
    write("set.DAT", "");
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        flashcli::recording_downloader fake;
        flashcli::scoped_downloader guard(fake);
        fake.set_result(r.failing_call, r.result);
        flashcli::argument_list args = r.args;
        args.push_back(")");
        args.push_back("set");
        const int status = run(args);
        EXPECT_EQ(status, flashcli::flashcli_exit_status(r.result));
        EXPECT_EQ(fake.calls(), r.calls);
        EXPECT_NE(output().find(error_text(r.result, 0)), std::string::npos);
        EXPECT_EQ(waited_ms(), 5000u);
    }
    // Each row's downloader gave way to the fixture's again.
    EXPECT_EQ(&flashcli::current_downloader(), &fake_);
}

TEST_F(Report, EveryFailureEndsWithANonZeroStatus)
{
    write("set.DAT", "");
    flashcli::set_downloader(nullptr);  // the program's own stand-in: no transport available
    const std::vector<flashcli::argument_list> lines = {
        {"B:1", "I:5", "X:300", "set"}, {"$", "B:1", "H:1", "set"}, {"(", "B:1", "set"},
        {"#", "C:1", "D:1", "set"}, {"@", "set"}, {"=", "set"},
        {"nofile"}, {}, {"N:" + std::string(400, 'x'), "set"},
    };
    const size_t transport_lines = 6;
    const uint16_t not_initialised = 0x8002;
    for (size_t i = 0; i < lines.size(); ++i) {
        flashcli::argument_list args = lines[i];
        args.push_back(")");
        const int status = run(args);
        SCOPED_TRACE(output());
        EXPECT_NE(status, 0);
        EXPECT_NE(flashcli::process_exit_status(status), 0);
        // Without the library no transport can open, and the report says so rather than
        // blaming a cable, port or board.
        if (i < transport_lines) {
            EXPECT_EQ(status, flashcli::flashcli_exit_status(not_initialised));
            EXPECT_NE(output().find(error_text(not_initialised, 0)), std::string::npos);
        }
    }
    flashcli::set_downloader(&fake_);
    // With every call of the library succeeding, a settings file that leaves the function
    // open and no one to answer is an error in the settings.
    EXPECT_EQ(run({"=", ")", "set"}), flashcli::flashcli_exit_status(0xF006));
}

TEST_F(Report, UsbOnTheOtherFamilyIsClassZeroCodeOne)
{
    write("set.DAT", "");
    setenv("TARVIX_WINFAMILY", "9x", 1);
    const int status = run({"H:E", "=", ")", "set"});
    unsetenv("TARVIX_WINFAMILY");
    EXPECT_EQ(status, 1);
    EXPECT_NE(output().find("\nERROR: USB Download needs Windows2000 / XP!\nPlease press any key!\n"), std::string::npos);
    EXPECT_TRUE(fake_.calls().empty());
}

TEST_F(Report, HexFileErrorNamesTheLineTheLibraryFound)
{
    write("set.DAT", "Z:1\nS:0\nT:0\nA:1\nE:7\nV:1\nN:bad.hex\n");
    flashcli::recording_downloader fake;
    flashcli::scoped_downloader guard(fake);
    fake.set_result("HexDownload", 0x1005);
    fake.set_hex_error_line(41);
    const int status = run({"H:E", "=", ")", "set"});
    EXPECT_EQ(status, 0x105);
    EXPECT_NE(output().find("\nError module CSndHex. HEX file error in line 41\nPlease press any key!\n"),
              std::string::npos)
        << output();
}
