// Every flashcli command line TarvixStudio runs, plain and redesign, split as QProcess splits
// it, with the installed settings files and standard input at its end: each reaches its
// transfer without a question; against tvxsim the firmware, the loader version, the flash
// configuration round trip and the programming image behind a backslash do what they say.
#include "child_process.h"
#include "flashcli_fixture.h"

#include "flashcli/cli_settings.h"
#include "sim/boot_flash_map.h"
#include "sim/test_image.h"
#include "tests/sim/tvxsim_process.h"

#include <QProcess>
#include <QString>
#include <filesystem>
#include <iterator>
#include <thread>

namespace {

namespace fs = std::filesystem;
using bytes = std::vector<uint8_t>;

// The folders of installed settings files, copied below `to` (the application directory).
void install_settings(const fs::path& to)
{
    const char* app = std::getenv("TARVIX_APP_DIR");
    ASSERT_NE(app, nullptr);
    for (const char* sub : {"tvx_fsw", "tvx_firmload", "tvx_firmloadx", "tvx_logic", "tvx_clones"})
        fs::copy(fs::path(app) / sub, to / sub, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

// The program's arguments as QProcess splits the line (the program name dropped).
std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> args;
    for (const QString& a : QProcess::splitCommand(QString::fromStdString(line)))
        args.push_back(a.toStdString());
    if (!args.empty())
        args.erase(args.begin());
    return args;
}

std::string replace_all(std::string s, const std::string& what, const std::string& with)
{
    for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + with.size()))
        s.replace(p, what.size(), with);
    return s;
}

const std::string k_program = "./flashcli/flashcli H:E  \"=\" ) ";

struct line_row {
    const char* name;
    std::string line;      // after the program and its three first arguments; @ is the data directory
    std::string transfer;  // the call on the recording downloader; @ as above
};

const std::vector<line_row>& lines()
{
    static const std::vector<line_row> rows = {
        {"firmware", "\"./tvx_fsw/dl_hex\" A:1 E:7 N:\"/fw/f252_1.16.02.hex\"",
         "HexDownload(1,/fw/f252_1.16.02.hex,0,0,1,7,0,0,0,0,1,-1,0,0,1)"},
        {"firmware, redesign", "\"./tvx_fsw/dl_hex\" A:4 E:10 N:\"/fw/f355_1.16.02.hexx\"",
         "HexDownload(1,/fw/f355_1.16.02.hexx,0,0,4,10,0,0,0,0,1,-1,0,7,1)"},
        {"clone firmware", " \"./tvx_fsw/dl_hex\"  J:20100 W:FFFFFF N:\"@/tvx_clones/a.clns\"",
         "HexDownload(1,@/tvx_clones/a.clns,0,0,1,7,0,0,0,0,1,131328,16777215,0,1)"},
        {"loader version", "\"./tvx_firmload/rd_bin\" N:\"@/pm_cache/fldversion.bin\"",
         "BinUpload(1,@/pm_cache/fldversion.bin,0,4095,0,7,0,1,0,1,0,1)"},
        {"loader version, redesign", "\"./tvx_firmloadx/rd_binx\" N:\"@/pm_cache/fldversion.binx\"",
         "BinUpload(1,@/pm_cache/fldversion.binx,128,1023,0,7,0,1,0,1,7,1)"},
        {"FLD 1", "\"./tvx_firmload/dl_hexr\" N:\"./tvx_firmload/IntHook\"",
         "HexDownload(1,./tvx_firmload/IntHook,0,0,0,0,0,1,1,0,1,-1,0,0,1)"},
        {"FLD 2 from a clone", "\"./tvx_firmload/dl_bmr\" J:18100 W:8000 N:\"@/tvx_clones/a.clns\"",
         "BinDownload(1,@/tvx_clones/a.clns,0,0,0,0,0,49152,0,1,0,1,0,1,98560,32768,0,1)"},
        {"FLD 2 installed", "\"./tvx_firmload/dl_bmr\" N:\"./tvx_firmload/F251_10203.bin\"",
         "BinDownload(1,./tvx_firmload/F251_10203.bin,0,0,0,0,0,49152,0,1,0,1,0,1,-1,0,0,1)"},
        {"FLD 3", "\"./tvx_firmload/dl_hexr\" N:\"./tvx_firmload/JmpHook\"",
         "HexDownload(1,./tvx_firmload/JmpHook,0,0,0,0,0,1,1,0,1,-1,0,0,1)"},
        {"FLD 4", "\"./tvx_firmload/dl_hexr\" N:\"./tvx_firmload\\PrgFld\"",
         "HexDownload(1,./tvx_firmload\\PrgFld,0,0,0,0,0,1,1,0,1,-1,0,0,1)"},
        {"FLD redesign 1 from a clone", "\"./tvx_firmloadx/dl_bmrx\" J:18100 W:8000 N:\"@/tvx_clones/a.clnsx\"",
         "BinDownload(1,@/tvx_clones/a.clnsx,0,0,0,0,0,49152,0,1,0,1,0,1,98560,32768,7,1)"},
        {"FLD redesign 1 installed", "\"./tvx_firmloadx/dl_bmrx\" N:\"./tvx_firmloadx/F356_10203.binx\"",
         "BinDownload(1,./tvx_firmloadx/F356_10203.binx,0,0,0,0,0,49152,0,1,0,1,0,1,-1,0,7,1)"},
        {"FLD redesign 2", "\"./tvx_firmloadx/dl_hexr\" N:\"./tvx_firmloadx\\PrgFld.hexx\"",
         "HexDownload(1,./tvx_firmloadx\\PrgFld.hexx,0,0,0,0,0,1,1,0,1,-1,0,7,1)"},
        {"logic", "\"./tvx_logic/dl_bmr\" F:40 L:1000:5000 J:1a W:200  N:\"./tvx_logic/Logic_2.bin\"",
         "BinDownload(1,./tvx_logic/Logic_2.bin,0,0,0,0,64,4096,20480,1,0,1,0,1,26,512,0,1)"},
        {"logic program", "\"./tvx_logic/dl_hexr\" N:\"./tvx_logic/ispProg\"",
         "HexDownload(1,./tvx_logic/ispProg,0,0,0,0,0,1,1,0,1,-1,0,0,1)"},
        {"clone creation", "\"@/tvx_clones/flashconfig\" N:\"@/tvx_clones/flashconfig.bin\" V:0 F:0  L:8000:0000",
         "BinUpload(1,@/tvx_clones/flashconfig.bin,0,32768,0,32768,0,0,0,1,0,1)"},
        {"clone creation, redesign",
         "\"@/tvx_clones/flashconfig\" N:\"@/tvx_clones/flashconfig.bin\" V:0 F:80 L:E000:0000",
         "BinUpload(1,@/tvx_clones/flashconfig.bin,128,57344,0,32768,0,0,0,1,0,1)"},
        {"clone programming, read",
         "\"@/tvx_clones/flashconfig\" N:\"@/tvx_clones/flashconfig.bin\" V:1 W:10 F:0  L:8000:0000",
         "BinUpload(1,@/tvx_clones/flashconfig.bin,0,32768,0,16,0,1,0,1,0,1)"},
        {"clone programming, read, redesign",
         "\"@/tvx_clones/flashconfig\" N:\"@/tvx_clones/flashconfig.bin\" V:1 W:10 F:80 L:E000:0000",
         "BinUpload(1,@/tvx_clones/flashconfig.bin,128,57344,0,16,0,1,0,1,0,1)"},
        {"clone programming, write",
         "\"@/tvx_clones/dl_config\" A:8 E:11 V:0  L:8000:0000 N:\"@/tvx_clones/flashconfig1.bin\"",
         "BinDownload(1,@/tvx_clones/flashconfig1.bin,0,0,8,11,0,32768,0,0,0,0,0,1,-1,0,0,1)"},
        {"clone programming, write, redesign",
         "\"@/tvx_clones/dl_config\" A:11 E:11 V:0 F:80 L:E000:0000 N:\"@/tvx_clones/flashconfig1.bin\"",
         "BinDownload(1,@/tvx_clones/flashconfig1.bin,0,0,11,11,128,57344,0,0,0,0,0,1,-1,0,0,1)"},
    };
    return rows;
}

class Lines : public flashcli_run {};

}  // namespace

TEST_F(Lines, EveryLineReachesItsTransferWithoutAQuestion)
{
    const fs::path app = dir_.path();
    install_settings(app);
    // The clone settings live in the data directory.
    const fs::path data = app / "userdata";
    fs::create_directories(data);
    fs::copy(app / "tvx_clones", data / "tvx_clones", fs::copy_options::recursive);
    for (const line_row& r : lines()) {
        SCOPED_TRACE(r.name);
        flashcli::recording_downloader fake;
        flashcli::scoped_downloader guard(fake);
        const std::string line = replace_all(k_program + r.line, "@", data.string());
        EXPECT_EQ(run(split(line)), 0) << output();
        EXPECT_EQ(fake.calls(), (std::vector<std::string>{"DrvInitUsb(Tarvix [8,9])", "construct(5,0,0)",
                                                           replace_all(r.transfer, "@", data.string())}))
            << output();
        EXPECT_EQ(output().find("Please"), std::string::npos) << output();
    }
}

namespace {

bytes read_bytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), {});
}

struct lines_sim : public ::testing::Test {
    testing_support::tvxsim_process sim;
    testing_support::temp_dir app_dir;
    fs::path app, data;

    void SetUp() override
    {
        ASSERT_TRUE(sim.ok()) << sim.error();
        ASSERT_TRUE(sim.control().load_profile("loader"));
        app = app_dir.path();
        install_settings(app);
        data = app / "userdata";
        fs::create_directories(data / "pm_cache");
        fs::copy(app / "tvx_clones", data / "tvx_clones", fs::copy_options::recursive);
    }
    std::string ask(const std::string& command)
    {
        std::string r;
        EXPECT_TRUE(sim.control().command(command, &r)) << command << ": " << r;
        return r;
    }
    bytes memory(uint32_t address, uint32_t n)
    {
        const fs::path f = data / "memory.bin";
        ask("memory-save " + std::to_string(address) + " " + std::to_string(n) + " " + f.string());
        return read_bytes(f);
    }
    flashcli_child::outcome run_line(const std::string& name)
    {
        for (const line_row& r : lines())
            if (name == r.name)
                return flashcli_child::run_detached(split(replace_all(k_program + r.line, "@", data.string())),
                                                    app.string());
        ADD_FAILURE() << name;
        return {};
    }
};

}  // namespace

TEST_F(lines_sim, FirmwareLoaderVersionConfigurationRoundTripAndProgrammingImage)
{
    // Firmware: a generated image in sectors 1 to 7; V:0 of the settings starts it.
    test_image::hex_options o;
    o.seed = 281;
    o.data_bytes = 32 * 1024;
    o.base = 0x10000;
    const test_image::hex_image img = test_image::make_hex(o);
    fs::create_directories(app / "fw");
    {
        std::ofstream(app / "fw" / "f252_1.16.02.hex", std::ios::binary) << img.text;
    }
    {
        line_row r = lines()[0];
        const std::string line = replace_all(k_program + r.line, "/fw/", (app / "fw").string() + "/");
        const flashcli_child::outcome out = flashcli_child::run_detached(split(line), app.string());
        ASSERT_EQ(out.status, 0) << out.output;
        for (const auto& run : img.runs)
            ASSERT_EQ(memory(run.address, uint32_t(run.bytes.size())), run.bytes) << std::hex << run.address;
    }
    // The firmware started: the next line finds the loader through the restart.
    std::this_thread::sleep_for(std::chrono::milliseconds(900));

    // The loader version text.
    {
        const flashcli_child::outcome out = run_line("loader version");
        ASSERT_EQ(out.status, 0) << out.output;
        const bytes text = read_bytes(data / "pm_cache" / "fldversion.bin");
        EXPECT_EQ(std::string(text.begin(), text.end()), std::string(boot_flash::loader_version_text)) << out.output;
    }

    // The flash configuration: written by dl_config, read back whole by the clone creation line.
    {
        const bytes config = test_image::make_binary(282, 0x8000, {{0x100, 0x300}});
        std::ofstream(data / "tvx_clones" / "flashconfig1.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(config.data()), long(config.size()));
        flashcli_child::outcome out = run_line("clone programming, write");
        ASSERT_EQ(out.status, 0) << out.output;
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
        out = run_line("clone creation");
        ASSERT_EQ(out.status, 0) << out.output;
        EXPECT_EQ(read_bytes(data / "tvx_clones" / "flashconfig.bin"), config);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(900));

    // FLD step 4: the programming image behind a backslash, into RAM.
    {
        fs::create_directories(app / "tvx_firmload");
        std::ofstream(app / "tvx_firmload" / "PrgFld.HEX", std::ios::binary)
            << test_image::hex_line(2, 0, {0xC0, 0x00}) << "\r\n"
            << test_image::hex_line(0, 0x10, {'P', 'r', 'g'}) << "\r\n:00000001FF\r\n";
        const flashcli_child::outcome out = run_line("FLD 4");
        ASSERT_EQ(out.status, 0) << out.output;
        EXPECT_EQ(memory(0xC0010, 3), (bytes{'P', 'r', 'g'}));
    }
}
