// The flashcli program downloading a 256 KiB Intel-HEX image over USB into tvxsim with its
// 1 ms report pacing, start-up and output included: the link's own bound for the exchanges
// it made (2 ms each: one report per 1 ms frame each way) over the wall time from the start
// of the program to its exit. Ratio to meet: at least 0.85.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "sim/test_image.h"
#include "tests/sim/tvxsim_process.h"

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;
constexpr uint32_t image_size = 256 * 1024;
constexpr double exchange_ms = 2.0;

uint64_t log_next(testing_support::tvxsim_process& sim)
{
    std::string r;
    sim.control().command("log-next", &r);
    return std::stoull(r);
}

// Runs the program in `dir`, its output read through a pipe as TarvixStudio reads it;
// returns its exit status and the bytes it printed.
int run_flashcli(const std::string& program, const fs::path& dir, size_t* printed)
{
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        if (chdir(dir.c_str()) != 0)
            _exit(120);
        execl(program.c_str(), program.c_str(), "H:E", "=", ")", "set", "N:image.hex", static_cast<char*>(nullptr));
        _exit(121);
    }
    close(fds[1]);
    char buf[4096];
    ssize_t n;
    *printed = 0;
    while ((n = read(fds[0], buf, sizeof buf)) > 0)
        *printed += size_t(n);
    close(fds[0]);
    int st = 0;
    waitpid(pid, &st, 0);
    return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
}

}  // namespace

int main(int, char** argv)
{
    // Run by hand from the build tree: the application directory beside bench/.
    if (!std::getenv("TARVIX_APP_DIR")) {
        const fs::path app = fs::canonical(fs::path(argv[0])).parent_path().parent_path() / "app";
        setenv("TARVIX_APP_DIR", app.c_str(), 1);
    }
    const std::string program = std::string(std::getenv("TARVIX_APP_DIR")) + "/flashcli/flashcli";
    testing_support::tvxsim_process sim({"--pace", "--profile", "loader"});
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    const fs::path dir = fs::path(sim.folder()) / "bench";
    fs::create_directories(dir);

    test_image::hex_options o;
    o.seed = 28;
    o.data_bytes = image_size;
    o.base = 0x4000;
    o.max_gap = 0;
    std::ofstream(dir / "image.hex", std::ios::binary) << test_image::make_hex(o).text;
    // The redesign's flash in slot 0x80, sectors 1 to 7.
    std::ofstream(dir / "set.DAT") << "O:Tarvix!9\nK:1\nZ:1\nS:0\nT:1\nA:1\nE:7\nF:80\nV:1\n";

    const uint64_t before = log_next(sim);
    const auto t0 = clock_type::now();
    size_t printed = 0;
    const int status = run_flashcli(program, dir, &printed);
    const double seconds = std::chrono::duration<double>(clock_type::now() - t0).count();
    const uint64_t exchanges = (log_next(sim) - before) / 2;
    if (status != 0) {
        std::printf("flashcli ended with status %d\n", status);
        return 1;
    }
    const double bound = double(exchanges) * exchange_ms / 1000.0;
    const double ratio = bound / seconds;
    std::printf("flashcli HEX download 256 KiB over paced USB: %.2f s, %llu exchanges, %zu bytes of output, "
                "bound %.2f s, ratio %.3f %s\n",
                seconds, static_cast<unsigned long long>(exchanges), printed, bound, ratio,
                ratio >= 0.85 ? "ok" : "LOW");
    return 0;
}
