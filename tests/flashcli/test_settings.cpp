// Command line, KONFIG.CFG and .DAT settings: which value of a letter is used.
#include "flashcli_fixture.h"

#include "flashcli/settings_files.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <unistd.h>
#include <utility>
#include <vector>

using flashcli::cli_settings;

namespace {

struct settings_case {
    const char* name;
    flashcli::argument_list args;
    std::vector<std::pair<std::string, std::string>> files;  // path below the folder, text
    std::function<void(const cli_settings&, const std::string& output, int status)> check;
    std::string input = "";
};

const std::string k_long_name(300, 'n');

std::vector<settings_case> cases()
{
    return {
        {"defaults", {"set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.transport, 1);
             EXPECT_EQ(s.language, 0);
             EXPECT_EQ(s.file_offset, -1);
             EXPECT_EQ(s.ipv4_address, flashcli::k_default_ipv4_address);
             EXPECT_EQ(s.baudrate_code, 7);
             EXPECT_EQ(s.nt_flag, 1);
             EXPECT_EQ(s.protocol, 0);
             for (bool g : s.given)
                 EXPECT_FALSE(g);
         }},
        {"command line beats file", {"K:5", "set"}, {{"set.DAT", "K:7\nZ:1\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.node, 5);
             EXPECT_EQ(s.function_code, 1);
         }},
        {"first line of file wins", {"set"}, {{"set.DAT", "K:7\nK:8\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.node, 7); }},
        {"zero is not given for F G M Q R", {"F:0", "G:0", "M:0", "Q:0", "R:0", "set"},
         {{"set.DAT", "F:80\nG:3\nM:2\nQ:1\nR:1234abcd\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.megabyte_slot, 0x80);
             EXPECT_EQ(s.area_code, 3);
             EXPECT_EQ(s.binary_type, 2);
             EXPECT_EQ(s.option_flag, 1);
             EXPECT_EQ(s.connect_value, 0x1234abcdu);
         }},
        {"nonzero F holds", {"F:40", "set"}, {{"set.DAT", "F:80\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.megabyte_slot, 0x40); }},
        {"J:-1 is not given", {"J:-1", "set"}, {{"set.DAT", "J:100\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.file_offset, 0x100); }},
        {"J and W hexadecimal", {"J:20100", "W:FFFFFF", "set"}, {{"set.DAT", "J:5\nW:10\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.file_offset, 0x20100);
             EXPECT_EQ(s.upload_bytes, 0xFFFFFFu);
         }},
        {"KONFIG English", {"set"}, {{"set.DAT", ""}, {"KONFIG.CFG", "L:E\n"}},
         [](const cli_settings& s, const std::string& out, int) {
             EXPECT_EQ(s.language, 1);
             EXPECT_EQ(out.rfind("Firmloader for Windows 2000/XP", 0), 0u);
         }},
        {"KONFIG lower case", {"set"}, {{"set.DAT", ""}, {"konfig.cfg", "l:e"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.language, 1); }},
        {"KONFIG German letter", {"set"}, {{"set.DAT", ""}, {"KONFIG.CFG", "L:D\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.language, 0); }},
        {"KONFIG other first letter", {"set"}, {{"set.DAT", ""}, {"KONFIG.CFG", "X:E\nL:E\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.language, 0); }},
        {"early H:D beats KONFIG", {"H:D", "set"}, {{"set.DAT", ""}, {"KONFIG.CFG", "L:E\n"}},
         [](const cli_settings& s, const std::string& out, int) {
             EXPECT_EQ(s.language, 0);
             EXPECT_EQ(out.rfind("Firmloader fuer WIN95/98", 0), 0u);
         }},
        {"early H:J is English", {"h:J", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string& out, int) {
             EXPECT_EQ(s.language, 1);
             EXPECT_EQ(out.rfind("Firmloader for Windows", 0), 0u);
         }},
        {"H:I and H:S are English", {"H:I", "H:S", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.language, 1); }},
        {"H not first comes after the banner", {"set", "H:E"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string& out, int) {
             EXPECT_EQ(s.language, 1);
             EXPECT_EQ(out.rfind("Firmloader fuer", 0), 0u);
         }},
        {"every H letter applies", {"H:E", "set"}, {{"set.DAT", "H:D\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.language, 0); }},
        {"H digit is the guarded port", {"H:2", "set"}, {{"set.DAT", "H:1\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.parallel_port, 2);
             EXPECT_EQ(s.language, 0);
         }},
        {"O blank mark", {"O:Tarvix!9", "set"}, {{"set.DAT", "O:other\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.usb_product, "Tarvix 9"); }},
        {"O from file is one word", {"set"}, {{"set.DAT", "O: Tarv[i,y]x!9 rest\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.usb_product, "Tarv[i,y]x 9"); }},
        {"N to the comment, trailing blanks cut", {"N:./dir/name ; comment", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.file_name, "./dir/name"); }},
        {"N line end and blanks cut, leading kept", {"set"}, {{"set.DAT", "N: image.hex  \t\r\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.file_name, " image.hex"); }},
        {"empty N is not given", {"N:;x", "set"}, {{"set.DAT", "N:real\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.file_name, "real"); }},
        {"drive path is the settings name", {"C:\\data\\flash"}, {{"C:/data/flash.DAT", "Z:4\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.settings_name, "C:\\data\\flash");
             EXPECT_EQ(s.function_code, 4);
             EXPECT_FALSE(s.is_given('C'));
         }},
        {"digit first is the settings name", {"5K:3"}, {{"5K:3.DAT", "Z:7\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.settings_name, "5K:3");
             EXPECT_FALSE(s.is_given('K'));
             EXPECT_EQ(s.function_code, 7);
         }},
        {"short letter argument is the settings name", {"K:"}, {{"K:.DAT", "K:4\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.node, 4); }},
        {"later settings name replaces", {"first", ".second"}, {{".second.DAT", "Z:3\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.function_code, 3); }},
        {"last transport switch counts", {"#", "=", "$", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.transport, 2); }},
        {"switches only set", {"!", "%", "+", "@", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.fast_protocol, 1);
             EXPECT_EQ(s.short_output, 1);
             EXPECT_EQ(s.no_timeout, 1);
             EXPECT_EQ(s.no_key_wait, 1);
             EXPECT_EQ(s.transport, 4);
         }},
        {"others ignored, ? not alone is no help", {"H:E", "?", "-x", "**", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string& out, int) {
             EXPECT_EQ(s.settings_name, "set");
             EXPECT_EQ(out.find("Parameters:"), std::string::npos);
         }},
        {"L segment and offset", {"L:8000:0008", "set"}, {{"set.DAT", "L:1000:5000\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.load_segment, 0x8000);
             EXPECT_EQ(s.load_offset, 8);
         }},
        {"L short value has no offset", {"set"}, {{"set.DAT", "L:1\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_TRUE(s.is_given('L'));
             EXPECT_EQ(s.load_segment, 1);
             EXPECT_EQ(s.load_offset, 0);
         }},
        {"L four digits each", {"L:E0001:12345", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.load_segment, 0xE000);
             EXPECT_EQ(s.load_offset, 0);  // the eighth character is ":"
         }},
        {"character settings B P V", {"B:4", "P:1", "V:1", "set"}, {{"set.DAT", "B:2\nP:0\nV:0\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.baud_id, 4);
             EXPECT_EQ(s.protocol, 2);
             EXPECT_EQ(s.stay_in_loader, 1);
         }},
        {"P other character and V other", {"P:7", "V:x", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.protocol, 1);
             EXPECT_EQ(s.stay_in_loader, 0);
             EXPECT_TRUE(s.is_given('V'));
         }},
        {"D selection and baud code", {"D:3", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.com_baud_selection, 3);
             EXPECT_EQ(s.baudrate_code, 10);
         }},
        {"D out of table keeps 7", {"D:6", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.baudrate_code, 7); }},
        {"hexadecimal fields", {"C:a", "X:2C0", "S:0x80", "set"}, {{"set.DAT", "W:0x10\nS:1\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.com_port, 10);
             EXPECT_EQ(s.isa_address, 0x2C0);
             EXPECT_EQ(s.flash_start, 0x80);
             EXPECT_EQ(s.upload_bytes, 0x10u);
         }},
        {"S at most four digits, R eight", {"S:12345", "R:123456789", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.flash_start, 0x1234);
             EXPECT_EQ(s.connect_value, 0x12345678u);
         }},
        {"decimal fields keep 16 bits", {"A:1", "E:7", "I:5", "T:2", "k:120", "Z:70009", "set"}, {{"set.DAT", ""}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.first_sector, 1);
             EXPECT_EQ(s.last_sector, 7);
             EXPECT_EQ(s.interrupt, 5);
             EXPECT_EQ(s.flash_type, 2);
             EXPECT_EQ(s.node, 120);
             EXPECT_EQ(s.function_code, 70009 - 65536);
         }},
        {"a value that does not scan is given as 0", {"K:x5", "set"}, {{"set.DAT", "K:5\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_TRUE(s.is_given('K'));
             EXPECT_EQ(s.node, 0);
         }},
        {"comments, blank and bad lines skipped", {"set"},
         {{"set.DAT", ";K:1\n\n   \nrubbish\nK5\n:K:2\n1:2\nU:4\nz:1\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.function_code, 1);
             EXPECT_FALSE(s.is_given('K'));
         }},
        {"long line goes on as the next piece", {"set"},
         {{"set.DAT", std::string(99, 'a') + "K:9\n" + std::string(120, 'b') + "\nZ:6"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.node, 9);
             EXPECT_EQ(s.function_code, 6);
         }},
        {"CR LF lines", {"set"}, {{"set.DAT", "Z:1\r\nK:7\r\nO:name\r\nY:10.0.0.5\r\n"}},
         [](const cli_settings& s, const std::string&, int) {
             EXPECT_EQ(s.function_code, 1);
             EXPECT_EQ(s.node, 7);
             EXPECT_EQ(s.usb_product, "name");
             EXPECT_EQ(s.ipv4_address, "10.0.0.5");
         }},
        {".DAT always appended", {"x.dat"}, {{"x.dat.DAT", "Z:9\n"}, {"x.dat", "Z:1\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.function_code, 9); }},
        {"name case and backslash resolved", {"./tvx_fsw\\dl_hex"}, {{"TVX_FSW/dl_hex.dat", "Z:1\nK:2\n"}},
         [](const cli_settings& s, const std::string&, int) { EXPECT_EQ(s.node, 2); }},
        {"settings name from the prompt", {"H:E"}, {{"set.DAT", "K:3\n"}},
         [](const cli_settings& s, const std::string& out, int) {
             EXPECT_NE(out.find("Please enter the configuration-filename without extension ... "), std::string::npos);
             EXPECT_EQ(s.node, 3);
         },
         "\n  set rest\n"},
        {"missing settings file", {"nofile"}, {},
         [](const cli_settings&, const std::string&, int status) { EXPECT_EQ(status, 0xF05); }},
        {"end of input at the prompt", {}, {},
         [](const cli_settings&, const std::string& out, int status) {
             EXPECT_NE(out.find("Bitte Konfig-Filename ohne Extension eingeben ... "), std::string::npos);
             EXPECT_EQ(status, 0xF05);
         }},
        // A word too long for the field is no name: the prompt ends as at the end of input,
        // without reading the rest (an endless input would never end).
        {"word longer than the field at the prompt", {"H:E"}, {},
         [](const cli_settings&, const std::string&, int status) { EXPECT_EQ(status, 0xF05); },
         std::string(256, 'x') + "\n"},
        {"N longer than its field is refused", {"N:" + k_long_name, "set"}, {{"set.DAT", "N:short\n"}},
         [](const cli_settings& s, const std::string& out, int status) {
             EXPECT_EQ(s.result, 0xF007);
             EXPECT_EQ(status, 0xF07);
             EXPECT_NE(out.find("Falsche Parameter!"), std::string::npos);
         }},
        {"settings name longer than its field is refused", {"a" + k_long_name}, {},
         [](const cli_settings&, const std::string&, int status) { EXPECT_EQ(status, 0xF07); }},
    };
}

class SettingsTable : public flashcli_run {};

}  // namespace

TEST_F(SettingsTable, EachCaseGivesItsSettings)
{
    const std::string absolute_dir = dir_.path();
    for (const settings_case& c : cases()) {
        SCOPED_TRACE(c.name);
        testing_support::temp_dir case_dir;
        ASSERT_EQ(chdir(case_dir.path().c_str()), 0);
        for (const auto& f : c.files) {
            std::string path = case_dir.path();
            size_t pos = 0;
            while ((pos = f.first.find('/', pos)) != std::string::npos) {
                mkdir((path + "/" + f.first.substr(0, pos)).c_str(), 0755);
                ++pos;
            }
            std::ofstream(path + "/" + f.first, std::ios::binary) << f.second;
        }
        flashcli::argument_list args = c.args;
        args.push_back(")");
        const int status = run(args, c.input);
        c.check(flashcli::settings(), output(), status);
    }
    ASSERT_EQ(chdir(absolute_dir.c_str()), 0);
}

TEST_F(SettingsTable, AbsoluteSettingsPathIsReadAsGiven)
{
    write("sub/abs.DAT", "Z:7\nW:7\n");
    const int status = run({"H:E", dir_.file("sub/abs"), ")"});
    EXPECT_EQ(settings().function_code, 7);
    EXPECT_EQ(settings().upload_bytes, 7u);
    EXPECT_NE(status, 0xF05);
}

// A settings file of up to 1 MiB is read to its end; a longer one is refused whole with the
// settings-file error, and a huge sparse one costs no more than the bound.
TEST_F(SettingsTable, SettingsFileOverItsBoundIsRefused)
{
    auto make = [this](const std::string& name, off_t size) {
        const std::string path = dir_.file(name + ".DAT");
        {
            std::ofstream f(path, std::ios::binary);
            f << "K:5\n";
            f.seekp(flashcli::k_settings_file_bound - 5);
            f << "\nZ:7\n";  // the last bytes a file of the bound holds
        }
        EXPECT_EQ(truncate(path.c_str(), size), 0);
        return path;
    };
    flashcli::reset_settings();
    EXPECT_EQ(flashcli::read_dat_file(make("bound", off_t(flashcli::k_settings_file_bound))), 0);
    EXPECT_EQ(settings().node, 5);
    EXPECT_EQ(settings().function_code, 7) << "the last line is read";

    const std::string over = make("over", off_t(flashcli::k_settings_file_bound) + 1);
    flashcli::reset_settings();
    EXPECT_EQ(flashcli::read_dat_file(over), 0xF006);
    EXPECT_FALSE(settings().is_given('K')) << "nothing of it is applied";
    EXPECT_FALSE(settings().is_given('Z'));
    // The run ends there with the report, before any question.
    EXPECT_EQ(run({"H:E", "over", ")"}), 0xF06);
    EXPECT_NE(output().find("Error in configuration file!"), std::string::npos) << output();
    EXPECT_EQ(output().find("Please enter"), std::string::npos) << output();

    const std::string huge = make("huge", off_t(4) << 30);
    flashcli::reset_settings();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(flashcli::read_dat_file(huge), 0xF006);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_FALSE(settings().is_given('K'));
}
