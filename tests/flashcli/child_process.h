// Runs the flashcli program of the application directory as a child without a controlling
// terminal, with standard input at its end (or closed, or endless), and collects its output
// and exit status.
#pragma once
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace flashcli_child {

using steady = std::chrono::steady_clock;

inline std::string program()
{
    const char* dir = std::getenv("TARVIX_APP_DIR");
    return std::string(dir ? dir : ".") + "/flashcli/flashcli";
}

struct outcome {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string output;
    double seconds = 0;
    bool timed_out = false;
    long max_rss_kb = 0;
};

enum class input { at_end, closed, endless };

// A running program: its process and the read end of its standard output.
struct started {
    pid_t pid = -1;
    int out = -1;
};

// Starts the program in folder cwd without a controlling terminal (a session of its own) and
// with standard input at its end (or closed, or endless).
inline started start_detached(const std::vector<std::string>& args, const std::string& cwd, input in = input::at_end)
{
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        setsid();
        if (in == input::closed) {
            close(0);
        } else {
            int in_fd = open(in == input::endless ? "/dev/zero" : "/dev/null", O_RDONLY);
            dup2(in_fd, 0);
        }
        dup2(fds[1], 1);
        close(fds[0]);
        if (chdir(cwd.c_str()) != 0)
            _exit(120);
        std::vector<char*> argv;
        std::string prog = program();
        argv.push_back(const_cast<char*>(prog.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(121);
    }
    close(fds[1]);
    return {pid, fds[0]};
}

// Runs the program as start_detached does and gives it at most limit seconds.
inline outcome run_detached(const std::vector<std::string>& args, const std::string& cwd, int limit = 60,
                     input in = input::at_end)
{
    const auto start = steady::now();
    const started child = start_detached(args, cwd, in);
    const pid_t pid = child.pid;
    const int out = child.out;
    outcome o;
    char buf[4096];
    for (;;) {
        const auto left = std::chrono::seconds(limit) - (steady::now() - start);
        const int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(left).count());
        if (ms <= 0) {
            o.timed_out = true;
            kill(pid, SIGKILL);
            break;
        }
        struct pollfd p = {out, POLLIN, 0};
        if (poll(&p, 1, ms) <= 0)
            continue;
        ssize_t n = read(out, buf, sizeof buf);
        if (n <= 0)
            break;
        o.output.append(buf, size_t(n));
    }
    close(out);
    int st = 0;
    struct rusage usage = {};
    wait4(pid, &st, 0, &usage);
    o.max_rss_kb = usage.ru_maxrss;
    o.seconds = std::chrono::duration<double>(steady::now() - start).count();
    o.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return o;
}

inline void write_file(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace flashcli_child
