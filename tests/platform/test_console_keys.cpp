// Console keys on a pseudo terminal that a child process takes as its controlling terminal,
// in a child that has none, and in a background job of a terminal.
#include <gtest/gtest.h>

#include "platform/console_keys.h"
#include "platform/ending_signals.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

using steady = std::chrono::steady_clock;

// Waits until the terminal's echo is off, i.e. the child is inside a key call.
bool wait_echo_off(int master)
{
    const auto deadline = steady::now() + std::chrono::seconds(60);
    struct termios t;
    while (steady::now() < deadline) {
        if (tcgetattr(master, &t) != 0)
            return false;
        if (!(t.c_lflag & ECHO))
            return true;
        usleep(2000);
    }
    return false;
}

}  // namespace

TEST(ConsoleKeys, ReadsOneKeyWithoutEchoAndRestoresTheTerminal)
{
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    int ready[2], go[2];  // child to parent, parent to child
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(master);
        close(ready[0]);
        close(go[1]);
        setsid();
        if (ioctl(slave, TIOCSCTTY, 0) != 0)
            _exit(10);
        if (platform::console_key_pressed())
            _exit(11);
        if (write(ready[1], "r", 1) != 1)
            _exit(12);
        if (platform::console_read_key() != 'q')
            _exit(13);
        struct termios t;
        if (tcgetattr(slave, &t) != 0 || !(t.c_lflag & ECHO) || !(t.c_lflag & ICANON))
            _exit(14);
        // A key typed before the call is seen as pressed and then read.
        if (write(ready[1], "s", 1) != 1)
            _exit(15);
        char c;
        if (read(go[0], &c, 1) != 1)
            _exit(16);
        if (!platform::console_key_pressed())
            _exit(17);
        if (platform::console_read_key() != 'z')
            _exit(18);
        _exit(0);
    }
    close(slave);
    close(ready[1]);
    close(go[0]);
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_TRUE(wait_echo_off(master));
    ASSERT_EQ(write(master, "q", 1), 1);
    if (read(ready[0], &c, 1) != 1) {
        int st = 0;
        waitpid(pid, &st, 0);
        FAIL() << "child ended with " << WEXITSTATUS(st);
    }
    ASSERT_EQ(write(master, "z", 1), 1);
    usleep(50000);  // lets the line discipline take the byte before the child looks
    ASSERT_EQ(write(go[1], "g", 1), 1);
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
    // No echo of the key read in raw mode.
    char out[64];
    ssize_t n = read(master, out, sizeof out);  // the typed "z" was echoed in line mode
    std::string echoed = n > 0 ? std::string(out, size_t(n)) : "";
    EXPECT_EQ(echoed.find('q'), std::string::npos);
    close(master);
}

TEST(ConsoleKeys, WithoutTerminalNoKeyAndEndOfInputAtOnce)
{
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setsid();
        if (platform::console_key_pressed())
            _exit(1);
        if (platform::console_read_key() != -1)
            _exit(2);
        _exit(0);
    }
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
}

TEST(ConsoleKeys, BackgroundJobIsNotStoppedAndSeesNoKeys)
{
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(master);
        setsid();
        if (ioctl(slave, TIOCSCTTY, 0) != 0)
            _exit(10);
        // The session leader stays the foreground job; the key calls run in a job of their own.
        pid_t job = fork();
        if (job < 0)
            _exit(11);
        if (job == 0) {
            setpgid(0, 0);
            if (platform::console_key_pressed())
                _exit(1);
            if (platform::console_read_key() != -1)
                _exit(2);
            _exit(0);
        }
        setpgid(job, job);
        int st = 0;
        if (waitpid(job, &st, WUNTRACED) != job)
            _exit(12);
        if (WIFSTOPPED(st)) {
            kill(job, SIGKILL);
            waitpid(job, &st, 0);
            _exit(20);
        }
        _exit(WIFEXITED(st) ? WEXITSTATUS(st) : 21);
    }
    close(slave);
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0) << "20: the job was stopped by the terminal";
    close(master);
}

// A job stopped while it waits for a key gives the terminal back and takes raw mode again
// when continued; a signal that ends it gives the terminal back too.
TEST(ConsoleKeys, StoppingAndEndingSignalsGiveTheTerminalBack)
{
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    int report[2];  // leader to test: the job's pid, then 'T' when it stopped
    ASSERT_EQ(pipe(report), 0);
    pid_t leader = fork();
    ASSERT_GE(pid_t(leader), 0);
    if (leader == 0) {
        close(master);
        close(report[0]);
        setsid();
        if (ioctl(slave, TIOCSCTTY, 0) != 0)
            _exit(10);
        // The job runs in a process group of its own in the foreground, as a shell starts it,
        // so that a stop signal really stops it.
        pid_t job = fork();
        if (job < 0)
            _exit(11);
        if (job == 0) {
            setpgid(0, 0);
            while (tcgetpgrp(slave) != getpgrp())
                usleep(1000);
            platform::console_read_key();
            _exit(0);
        }
        setpgid(job, job);
        tcsetpgrp(slave, job);
        if (write(report[1], &job, sizeof job) != sizeof job)
            _exit(12);
        int st = 0;
        for (;;) {
            if (waitpid(job, &st, WUNTRACED) != job)
                _exit(13);
            if (!WIFSTOPPED(st))
                break;
            if (write(report[1], "T", 1) != 1)
                _exit(14);
        }
        _exit(WIFSIGNALED(st) ? 50 + WTERMSIG(st) : 15);
    }
    close(slave);
    close(report[1]);
    pid_t job = 0;
    ASSERT_EQ(read(report[0], &job, sizeof job), ssize_t(sizeof job));
    auto echo_on = [&] {
        struct termios t;
        return tcgetattr(master, &t) == 0 && (t.c_lflag & ECHO) != 0;
    };
    auto wait_for_echo = [&](bool on) {
        const auto deadline = steady::now() + std::chrono::seconds(30);
        while (echo_on() != on && steady::now() < deadline)
            usleep(2000);
        return echo_on() == on;
    };
    ASSERT_TRUE(wait_echo_off(master));

    ASSERT_EQ(kill(job, SIGTSTP), 0);
    char stopped = 0;
    ASSERT_EQ(read(report[0], &stopped, 1), 1);
    EXPECT_EQ(stopped, 'T');
    EXPECT_TRUE(echo_on()) << "stopped with the terminal in raw mode";

    ASSERT_EQ(kill(job, SIGCONT), 0);
    EXPECT_TRUE(wait_for_echo(false)) << "raw mode not taken again after SIGCONT";

    ASSERT_EQ(kill(job, SIGUSR1), 0);
    int st = 0;
    ASSERT_EQ(waitpid(leader, &st, 0), leader);
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 50 + SIGUSR1);
    EXPECT_TRUE(echo_on()) << "ended with the terminal in raw mode";
    close(report[0]);
    close(master);
}

// SIGINT during a key read while a save is in progress: the terminal is given back and the
// save's temporary file removed, before the process ends with the signal.
TEST(ConsoleKeys, AnEndingSignalDuringAKeyReadRemovesTheFileOfASave)
{
    char folder[] = "/tmp/tvx-keys-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string file = std::string(folder) + "/.tvxsave.tmp";
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(master);
        setsid();
        if (ioctl(slave, TIOCSCTTY, 0) != 0)
            _exit(10);
        const int fd = open(file.c_str(), O_CREAT | O_WRONLY, 0600);
        if (fd < 0)
            _exit(11);
        platform::remove_on_ending_signal(file);
        platform::console_read_key();
        _exit(12);
    }
    close(slave);
    ASSERT_TRUE(wait_echo_off(master));
    ASSERT_EQ(kill(pid, SIGINT), 0);
    int st = 0;
    ASSERT_EQ(waitpid(pid, &st, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(st) && WTERMSIG(st) == SIGINT) << st;
    struct termios t;
    ASSERT_EQ(tcgetattr(master, &t), 0);
    EXPECT_TRUE(t.c_lflag & ECHO) << "ended with the terminal in raw mode";
    EXPECT_NE(access(file.c_str(), F_OK), 0) << "the temporary file stays";
    unlink(file.c_str());
    rmdir(folder);
    close(master);
}
