#include "tests/sim/tvxsim_process.h"

#include "core/protocol/device_protocol.h"

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace testing_support {
namespace {

// Generous: a loaded CI machine may take long to start a process.
constexpr int ready_deadline_ms = 30000;

}  // namespace

std::string tvxsim_path()
{
    if (const char* d = std::getenv("TARVIX_APP_DIR"))
        return std::string(d) + "/tvxsim";
    // Run by hand: test programs lie two folders below the build folder, benchmarks one.
    std::error_code ec;
    auto dir = std::filesystem::read_symlink("/proc/self/exe", ec).parent_path();
    for (int up = 0; up < 3; ++up, dir = dir.parent_path())
        if (std::filesystem::exists(dir / "app" / "tvxsim", ec))
            return (dir / "app" / "tvxsim").string();
    return "tvxsim";
}

tvxsim_process::tvxsim_process(const std::vector<std::string>& args)
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "tvxsim-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) {
        error_ = "mkdtemp failed";
        return;
    }
    folder_ = tmpl;
    int out[2], in[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0) {
        error_ = "pipe failed";
        return;
    }
    std::vector<std::string> argv_s = {tvxsim_path(), "--dir", folder_, "--exit-with-stdin"};
    argv_s.insert(argv_s.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : argv_s)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, out[1], 1);
    posix_spawn_file_actions_adddup2(&fa, in[0], 0);
    int rc = posix_spawn(&pid_, argv[0], &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    ::close(out[1]);
    ::close(in[0]);
    stdin_fd_ = in[1];
    if (rc != 0) {
        error_ = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
        pid_ = -1;
        ::close(out[0]);
        return;
    }
    std::string got;
    while (got.find("ready\n") == std::string::npos) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, ready_deadline_ms) != 1)
            break;
        char buf[256];
        ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, size_t(n));
    }
    ::close(out[0]);
    if (got.find("ready\n") == std::string::npos) {
        error_ = "tvxsim did not become ready";
        return;
    }
    if (!control_.connect(folder_, error_))
        return;
    ::setenv("TARVIX_HID_SIM", folder_.c_str(), 1);
    ok_ = true;
}

tvxsim_process::~tvxsim_process()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (stdin_fd_ >= 0)
        ::close(stdin_fd_);
    if (!folder_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    ::unsetenv("TARVIX_HID_SIM");
}

std::vector<sim::wire_entry> tvxsim_process::commands_since(uint64_t seq)
{
    namespace dp = device_protocol;
    std::vector<sim::wire_entry> out;
    for (sim::wire_entry& e : control_.wire_log(seq))
        if (e.direction == sim::wire_direction::in && (e.frame(2) & dp::type_kind_mask) == dp::kind_command)
            out.push_back(std::move(e));
    return out;
}

}  // namespace testing_support
