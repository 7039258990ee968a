// The flashcli program itself: help texts, the report with its pause, the key wait under
// a terminal and runs without any terminal.
#include <gtest/gtest.h>

#include "child_process.h"
#include "sim/net_namespace.h"
#include "support/own_network.h"
#include "support/test_support.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <poll.h>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace flashcli_child;

// The Ethernet run below opens its raw socket: the process and its children live in a network
// namespace of their own, so that no packet of theirs could leave the machine.
const testing_support::own_network_state& g_network = testing_support::own_network();

const char* const k_banner_english =
    "Firmloader for Windows 2000/XP for V24, CAN, Ethernet and USB\n"
    "Version 1.11.05                                   Date:  05.08.2019\n";
const char* const k_banner_german =
    "Firmloader fuer WIN95/98, WinNT (CANDongel, ISA-CAN (nicht NT), V24\n"
    "Version 1.11.05                                   Datum: 05.08.2019\n";


}  // namespace

TEST(FlashcliProgram, HelpInEnglishAndGermanExactlyAndStatusZero)
{
    testing_support::temp_dir english;
    write_file(english.file("KONFIG.CFG"), "L:E\r\n");
    outcome o = run_detached({"?"}, english.path());
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.output,
              std::string(k_banner_english) +
                  "Linux edition: settings from the command line, KONFIG.CFG and <name>.DAT\n"
                  "Parameters: \n"
                  "<filename>: Name of the DAT-configuration file without extension\n"
                  "#:          Transfer data over the serial COM interface\n"
                  "$:          Transfer data with the CAN-dongle\n"
                  "(:          Transfer data with PEAK CAN-dongle (from version 1.06)\n"
                  "& oder @:   Transfer data over ethernet\n"
                  "=:          Transfer data over USB (from version 1.05)\n"
                  "!:          Fast protocol\n"
                  "%:         Short Screen Output at reading operations\n"
                  "):          No user key-input to confirm errors\n"
                  "[A..Z:]:    Parameter settings\n");

    testing_support::temp_dir german;
    o = run_detached({"?x"}, german.path());
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.output,
              std::string(k_banner_german) +
                  "Linux-Ausgabe: Einstellungen aus Kommandozeile, KONFIG.CFG und <Name>.DAT\n"
                  "Parameter: \n"
                  "<filename>: Name des DAT-Konfigurationsfiles ohne Extension\n"
                  "#:          Laden ueber SERIELLE Schnittstelle\n"
                  "$:          Laden ueber CAN-Dongel\n"
                  "(:          Laden ueber PEAK CAN-Dongel (ab Version 1.06)\n"
                  "& oder @:   Laden ueber Ethernet-Driver\n"
                  "=:          Laden ueber USB (ab V1.05)\n"
                  "!:          Fast Protocol\n"
                  "%:         Short Screen Output beim Lesen\n"
                  "):          Bei Fehlermeldungen wird nicht auf Tastatur-Eingabe gewartet\n"
                  "[A..Z:]:    Kommando-Parameter-Einstellung\n");
}

TEST(FlashcliProgram, MissingSettingsFileWaitsFiveSecondsAndFails)
{
    testing_support::temp_dir dir;
    const outcome o = run_detached({"H:E", "=", ")", "nofile"}, dir.path());
    ASSERT_FALSE(o.timed_out);
    EXPECT_EQ(o.output.rfind(k_banner_english, 0), 0u);
    const std::string tail = "\nError application module! Configuration file not found!\nPlease press any key!\n";
    ASSERT_GE(o.output.size(), tail.size());
    EXPECT_EQ(o.output.substr(o.output.size() - tail.size()), tail);
    EXPECT_EQ(o.status, 0xF05 & 0xFF);
    EXPECT_GE(o.seconds, 4.9);
}

TEST(FlashcliProgram, WithoutTerminalAndWithInputAtItsEndNothingHangs)
{
    testing_support::temp_dir dir;
    // The transport values are given, so each transport opens before anything is asked.
    write_file(dir.file("set.DAT"), "Z:1\nB:1\nH:1\nC:1\nD:1\n");
    // COM1 is a device that is not there; never the machine's own serial port.
    ::setenv("TARVIX_COM1", "/nonexistent/tty", 1);
    struct row {
        std::vector<std::string> args;
        int status;
    };
    // No key can come: the wait for one ends at once, so a run that does not end within
    // the limit hangs on it.
    const row rows[] = {
        {{"H:E"}, 0x05},              // settings-file prompt at the end of input
        {{"H:E", "nofile"}, 0x05},
        // No device is plugged in; the serial port cannot be opened, the dongle's kernel driver
        // cannot be started. Ethernet opens its socket as root and then finds a value missing
        // in the settings; without the raw socket it cannot start.
        {{"=", "set"}, 0x0A},
        {{"#", "set"}, 0x01},
        {{"$", "set"}, 0x06},
        {{"@", "set"}, g_network.ok ? 0x06 : 0x01},
    };
    if (g_network.ok) {
        std::string found;
        ASSERT_TRUE(sim::network_is_own({}, found)) << found;
    }
    for (const row& r : rows) {
        SCOPED_TRACE(r.args.back());
        const outcome o = run_detached(r.args, dir.path(), 30);
        EXPECT_FALSE(o.timed_out);
        EXPECT_EQ(o.status, r.status) << o.output;
    }
}

// Files that are not what they seem, as KONFIG.CFG and as the settings file: each run ends
// within a second with its text and status, never blocks on a FIFO or reads a device
// without end, and does not grow. Standard input is closed.
// The help is all that "?" gives: standard output on a full disk is a failure, not success.
TEST(FlashcliProgram, HelpThatCannotBeWrittenEndsWithANonZeroStatus)
{
    testing_support::temp_dir dir;
    for (const char* out : {"/dev/null", "/dev/full"}) {
        SCOPED_TRACE(out);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const int fd = open(out, O_WRONLY);
            if (fd < 0 || dup2(fd, 1) < 0 || chdir(dir.path().c_str()) != 0)
                _exit(120);
            const std::string prog = program();
            execl(prog.c_str(), prog.c_str(), "?", static_cast<char*>(nullptr));
            _exit(121);
        }
        int st = 0;
        ASSERT_EQ(waitpid(pid, &st, 0), pid);
        ASSERT_TRUE(WIFEXITED(st));
        if (std::string(out) == "/dev/null") {
            EXPECT_EQ(WEXITSTATUS(st), 0);
        } else {
            EXPECT_EQ(WEXITSTATUS(st), 255);
        }
    }
}

TEST(FlashcliProgram, FilesThatAreNotRegularAreRefusedAtOnce)
{
    struct row {
        const char* name;
        std::function<void(const std::string& path)> make;
        bool regular;
    };
    const row rows[] = {
        {"regular file", [](const std::string&) {}, true},
        {"FIFO without a writer", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }, false},
        {"/dev/zero", [](const std::string& p) { ASSERT_EQ(symlink("/dev/zero", p.c_str()), 0); }, false},
        {"directory", [](const std::string& p) { ASSERT_EQ(mkdir(p.c_str(), 0755), 0); }, false},
        {"dangling link", [](const std::string& p) { ASSERT_EQ(symlink("nowhere", p.c_str()), 0); }, false},
        {"symlink loop", [](const std::string& p) { ASSERT_EQ(symlink(p.c_str(), p.c_str()), 0); }, false},
    };
    const std::string not_found = "\nError application module! Configuration file not found!\nPlease press any key!\n";
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        // KONFIG.CFG: only its language is used; anything but a regular file is no file (German).
        testing_support::temp_dir konfig;
        if (r.regular)
            write_file(konfig.file("KONFIG.CFG"), "L:E\n");
        else
            r.make(konfig.file("KONFIG.CFG"));
        outcome o = run_detached({"?"}, konfig.path(), 10, input::closed);
        ASSERT_FALSE(o.timed_out);
        EXPECT_LT(o.seconds, 1.0);
        EXPECT_EQ(o.status, 0);
        EXPECT_EQ(o.output.rfind(r.regular ? k_banner_english : k_banner_german, 0), 0u) << o.output;
        EXPECT_LT(o.max_rss_kb, 512 * 1024);

        // The settings file: "not found" (0xF005) unless it is a regular file.
        testing_support::temp_dir settings;
        if (r.regular)
            write_file(settings.file("set.DAT"), "Z:1\n");
        else
            r.make(settings.file("set.DAT"));
        o = run_detached({"H:E", "=", "set"}, settings.path(), 10, input::closed);
        ASSERT_FALSE(o.timed_out);
        EXPECT_LT(o.seconds, 1.0);
        EXPECT_EQ(o.output.rfind(k_banner_english, 0), 0u) << o.output;
        EXPECT_EQ(o.max_rss_kb < 512 * 1024, true) << o.max_rss_kb;
        if (r.regular) {
            EXPECT_EQ(o.status, 0x0A);  // read; no USB device is plugged in
        } else {
            EXPECT_EQ(o.status, 0x05);
            ASSERT_GE(o.output.size(), not_found.size());
            EXPECT_EQ(o.output.substr(o.output.size() - not_found.size()), not_found);
        }
    }
}

// An endless standard input at the settings-name prompt ends it as the end of input does.
TEST(FlashcliProgram, EndlessInputEndsTheNamePrompt)
{
    testing_support::temp_dir dir;
    const outcome o = run_detached({"H:E"}, dir.path(), 10, input::endless);
    ASSERT_FALSE(o.timed_out);
    EXPECT_LT(o.seconds, 1.0);
    EXPECT_EQ(o.status, 0x05) << o.output;
    EXPECT_NE(o.output.find("Please enter the configuration-filename without extension ... "), std::string::npos);
}

TEST(FlashcliProgram, UnderATerminalItWaitsForAKeyWithoutEcho)
{
    testing_support::temp_dir dir;
    const std::string prog = program();
    int master = -1;
    pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (chdir(dir.path().c_str()) != 0)
            _exit(120);
        execl(prog.c_str(), prog.c_str(), "H:E", "nofile", static_cast<char*>(nullptr));
        _exit(121);
    }
    const auto deadline = steady::now() + std::chrono::seconds(60);
    std::string output;
    char buf[1024];
    auto read_some = [&](int ms) {
        struct pollfd p = {master, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0)
            return true;
        ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            return false;  // the terminal is gone: the program ended
        output.append(buf, size_t(n));
        return true;
    };
    while (output.find("Please press any key!") == std::string::npos && steady::now() < deadline)
        ASSERT_TRUE(read_some(100)) << output;
    ASSERT_NE(output.find("Please press any key!"), std::string::npos) << output;

    // The key read switches the terminal's echo off; only then is a key certainly not echoed.
    struct termios t;
    for (;;) {
        ASSERT_EQ(tcgetattr(master, &t), 0);
        if (!(t.c_lflag & ECHO))
            break;
        ASSERT_LT(steady::now(), deadline);
        read_some(20);
    }
    int st = 0;
    EXPECT_EQ(waitpid(pid, &st, WNOHANG), 0) << "ended without a key";
    const size_t before_key = output.size();
    ASSERT_EQ(write(master, "k", 1), 1);
    while (steady::now() < deadline && read_some(100)) {
    }
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    close(master);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 5);
    EXPECT_EQ(output.find('k', before_key), std::string::npos) << output.substr(before_key);
}
