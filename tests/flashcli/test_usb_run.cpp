// The flashcli program as TarvixStudio starts it (a child with ")" and standard input at
// its end) against the tvxsim process over USB: a generated HEX image into flash, the dump of
// an upload, and the failures each with its text and exit status.
#include "tvxsim_run.h"

#include "flashcli/error_texts.h"

#include <cstring>
#include <filesystem>
#include <future>
#include <iterator>
#include <pty.h>

namespace {

namespace fs = std::filesystem;
using bytes = std::vector<uint8_t>;
using flashcli_child::outcome;
using flashcli_child::read_bytes;

// The first controllers: flash type 0 from address 0, the firmware in sectors 1 to 7.
const char* const k_usb_settings = "; download over USB\nO:Tarvix!9\nK:1\nS:0\nT:0\nZ:1\nV:1\n";

struct usb_run : public flashcli_child::tvxsim_run {
    outcome flashcli(const std::vector<std::string>& args, int limit = 60)
    {
        return flashcli_child::run_detached(args, dir.string(), limit);
    }
};

TEST_F(usb_run, hex_download_fills_flash_and_an_upload_dumps_it)
{
    const test_image::hex_image img = firmware(28, 48 * 1024);
    flashcli_child::write_file((dir / "set.DAT").string(), k_usb_settings);
    const outcome o = flashcli({"H:E", "=", ")", "set", "A:1", "E:7", "N:firmware.hex"});
    ASSERT_FALSE(o.timed_out);
    ASSERT_EQ(o.status, 0) << o.output;
    EXPECT_NE(o.output.find("Configured function code Z = 1.  DOWNLOAD FSW-HEX FLASH \n"), std::string::npos);
    EXPECT_NE(o.output.find("\r\nConnectRequest ....\r\nDevice connected ....\n * "), std::string::npos) << o.output;
    for (const auto& run : img.runs)
        ASSERT_EQ(memory(run.address, uint32_t(run.bytes.size())), run.bytes) << std::hex << run.address;

    // Read the first 24 bytes back from 0x1000:0008 through the dump and into a file.
    flashcli_child::write_file((dir / "up.DAT").string(), "O:Tarvix!9\nZ:7\nV:1\nL:1000:0008\nW:18\n");
    const outcome up = flashcli({"H:E", "=", ")", "up", "N:back.bin"});
    ASSERT_EQ(up.status, 0) << up.output;
    const bytes back = memory(0x10008, 0x18);
    EXPECT_EQ(read_bytes(dir / "back.bin"), back);
    char first[64];
    std::snprintf(first, sizeof first, "\n1000:0000  .. .. .. .. .. .. .. ..  %02x %02x", back[0], back[1]);
    EXPECT_NE(up.output.find(first), std::string::npos) << up.output;
    EXPECT_NE(up.output.find("\n1000:0010  "), std::string::npos) << up.output;
}

TEST_F(usb_run, failures_end_with_their_text_and_status)
{
    firmware(29, 4096);
    flashcli_child::write_file((dir / "set.DAT").string(), k_usb_settings);
    flashcli_child::write_file((dir / "bad.hex").string(), ":0300000001020304\n:00000001FF\n");  // bad checksum
    flashcli_child::write_file((dir / "nothing.DAT").string(), "O:Nothing\nZ:1\n");
    flashcli_child::write_file((dir / "open.DAT").string(), "O:Tarvix!9\nK:1\nS:0\nT:0\n");  // no function
    flashcli_child::write_file((dir / "can.DAT").string(), "B:5\nK:1\nZ:1\nC:1\nD:1\n");

    struct row {
        const char* name;
        std::vector<std::string> args;
        const char* fault;  // a loader fault armed before the run, or null
        std::string text;
        int status;
    };
    const std::string flash = "A:1", to = "E:7";
    const std::vector<row> device_rows = {
        // The step timer in real time: 12 s without an answer.
        {"no reply", {"H:E", "=", ")", "set", flash, to, "N:firmware.hex"}, "drop",
         "Error module CSndHex. Timeout! No answer from module!\n", 3},
        {"abort reason 5", {"H:E", "=", ")", "set", flash, to, "N:firmware.hex"}, "abort reason=5",
         "Error module CSDOMAST. ERROR: Module could not be identified! \n", 5},
        {"flash not erased", {"H:E", "=", ")", "set", "A:2", to, "N:firmware.hex"}, nullptr, "is not erased!", 16},
        {"bad HEX line", {"H:E", "=", ")", "set", flash, to, "N:bad.hex"}, nullptr, "Error module CSndHex. ", 5},
        {"file missing", {"H:E", "=", ")", "set", flash, to, "N:missing.hex"}, nullptr,
         "\nFile Access Error: Errocode: 2\n", 1},
        {"German", {"=", ")", "set", flash, to, "N:missing.hex"}, nullptr,
         "Fehler Modul CSndHex. Angegebene Datei nicht gefunden\n", 1},
    };
    // The first download fills sector 1, so a second one that does not erase it fails.
    ASSERT_EQ(flashcli({"H:E", "=", ")", "set", flash, to, "N:firmware.hex"}).status, 0);
    for (const row& r : device_rows) {
        SCOPED_TRACE(r.name);
        ask("loader-faults-clear");
        if (r.fault)
            ask(std::string("loader-fault ") + r.fault);
        const outcome o = flashcli(r.args);
        EXPECT_FALSE(o.timed_out);
        EXPECT_EQ(o.status, r.status) << o.output;
        EXPECT_NE(o.output.find(r.text), std::string::npos) << o.output;
    }
    ask("loader-faults-clear");

    // Runs that never reach the device go side by side, with standard input closed.
    const std::vector<row> other_rows = {
        {"no USB device", {"H:E", "=", ")", "nothing"}, nullptr,
         "Error USB! Device at USB not recognized! USB cable connected?\n", 10},
        {"settings lack a value", {"H:E", "=", ")", "open"}, nullptr,
         "Error application module! Error in configuration file!\n", 6},
        // Serial and CAN reach the library's own answer of their transport: COM1 is not there,
        // the PEAK adapter cannot be opened, and no ISA board library is installed here.
        {"serial", {"H:E", "#", ")", "can"}, nullptr, flashcli::error_text(0xC001, 1), 1},
        {"PEAK", {"H:E", "(", ")", "can"}, nullptr, flashcli::error_text(0xA005, 1), 5},
        {"ISA", {"H:E", ")", "can", "I:5", "X:300"}, nullptr, flashcli::error_text(0xA003, 1), 3},
        {"dongle", {"$", ")", "can", "H:1"}, nullptr, flashcli::error_text(0xA006, 0), 6},
    };
    ::setenv("TARVIX_COM1", "/nonexistent/tty", 1);
    std::vector<std::future<outcome>> runs;
    for (const row& r : other_rows)
        runs.push_back(std::async(std::launch::async, [this, &r] {
            return flashcli_child::run_detached(r.args, dir.string(), 60, flashcli_child::input::closed);
        }));
    for (size_t i = 0; i < other_rows.size(); ++i) {
        SCOPED_TRACE(other_rows[i].name);
        const outcome o = runs[i].get();
        EXPECT_EQ(o.status, other_rows[i].status) << o.output;
        EXPECT_NE(o.output.find(other_rows[i].text), std::string::npos) << o.output;
        EXPECT_LT(o.seconds, 15.0);  // the report's 5 s, no wait for input
    }
}

TEST_F(usb_run, a_person_at_a_terminal_answers_every_question)
{
    const test_image::hex_image img = firmware(30, 8 * 1024);
    flashcli_child::write_file((dir / "set.DAT").string(), "O:Tarvix!9\n");
    const std::string prog = flashcli_child::program();
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0)
            _exit(120);
        execl(prog.c_str(), prog.c_str(), "H:E", "=", static_cast<char*>(nullptr));
        _exit(121);
    }
    const std::pair<const char*, const char*> script[] = {
        {"Please enter the configuration-filename without extension ... ", "set\n"},
        {"E: Exit programming", "1\n"},
        {"in Hex notation [xxxx] ...", "0\n"},
        {"2: 1024k-Flash, Sektor-Groesse 128 k", "0\n"},
        {"First sector to clear (0..15)? ", "1\n"},
        {"Last sector to clear (0..15)? ", "7\n"},
        {"Would you leave the bootloader after loading file(J/N)  ", "N\n"},
        {"Please enter the INTEL-HEX-Filename without extension: ", "firmware\n"},
    };
    const auto deadline = flashcli_child::steady::now() + std::chrono::seconds(60);
    std::string output;
    size_t seen = 0;
    bool open = true;
    auto read_some = [&] {
        struct pollfd p = {master, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            return;
        char buf[1024];
        const ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            open = false;  // the terminal is gone: the program ended
        else
            output.append(buf, size_t(n));
    };
    for (const auto& step : script) {
        size_t at;
        while ((at = output.find(step.first, seen)) == std::string::npos && open &&
               flashcli_child::steady::now() < deadline)
            read_some();
        ASSERT_NE(at, std::string::npos) << step.first << "\n" << output;
        seen = at + std::strlen(step.first);
        ASSERT_EQ(write(master, step.second, std::strlen(step.second)), ssize_t(std::strlen(step.second)));
    }
    while (open && flashcli_child::steady::now() < deadline)
        read_some();
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    close(master);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0) << output;
    EXPECT_NE(output.find("Device connected ...."), std::string::npos) << output;
    for (const auto& run : img.runs)
        ASSERT_EQ(memory(run.address, uint32_t(run.bytes.size())), run.bytes) << std::hex << run.address;
    // "N": the loader stays.
    EXPECT_EQ(ask("personality"), "loader");
}

}  // namespace

namespace {

// An upload stopped by a signal while it runs: the process ends with the signal, the
// temporary file of the part received is gone, and the file named keeps its old content.
struct stopped_upload : public flashcli_child::tvxsim_run, public ::testing::WithParamInterface<int> {
    std::vector<fs::path> temporaries()
    {
        std::vector<fs::path> found;
        for (const auto& e : fs::directory_iterator(dir))
            if (e.path().filename().string().rfind(".tvx", 0) == 0)
                found.push_back(e.path());
        return found;
    }
};

TEST_P(stopped_upload, leaves_no_temporary_file)
{
    const int sig = GetParam();
    flashcli_child::write_file((dir / "up.DAT").string(), "O:Tarvix!9\nZ:7\nV:1\nL:1000:0000\nW:8000\n");
    flashcli_child::write_file((dir / "back.bin").string(), "old");
    // Every answer after the control record's comes late: the upload is still running when
    // the signal comes.
    ask("loader-fault delay at=2 times=1000 ms=400");
    const flashcli_child::started child =
        flashcli_child::start_detached({"H:E", "=", ")", "up", "N:back.bin"}, dir.string());
    const pid_t pid = child.pid;
    ASSERT_GE(pid, 0);
    // The control record is answered once the temporary file exists: the upload runs.
    const auto deadline = flashcli_child::steady::now() + std::chrono::seconds(30);
    std::string output;
    bool open = true;
    auto read_some = [&](int ms) {
        struct pollfd p = {child.out, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0)
            return;
        char buf[1024];
        const ssize_t n = read(child.out, buf, sizeof buf);
        if (n <= 0)
            open = false;
        else
            output.append(buf, size_t(n));
    };
    while (output.find("Device connected") == std::string::npos && open && flashcli_child::steady::now() < deadline)
        read_some(100);
    const bool running = output.find("Device connected") != std::string::npos;
    const size_t held = temporaries().size();
    kill(pid, sig);
    while (open && flashcli_child::steady::now() < deadline)
        read_some(100);
    if (open)
        kill(pid, SIGKILL);
    close(child.out);
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(running) << output;
    EXPECT_EQ(held, 1u) << "the upload writes a temporary file";
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == sig) << "status " << st << "\n" << output;
    EXPECT_TRUE(temporaries().empty()) << temporaries().front();
    EXPECT_EQ(read_bytes(dir / "back.bin"), (bytes{'o', 'l', 'd'}));
}

INSTANTIATE_TEST_SUITE_P(signals, stopped_upload, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(i.param == SIGINT ? "SIGINT" : i.param == SIGTERM ? "SIGTERM" : "SIGHUP");
                         });

}  // namespace
