#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace testing_support {

int recording_ui::message(ui::box_kind kind, const QString& title, const QString& text, int buttons,
                          int default_button)
{
    prompts_.push_back({kind, title, text, buttons});
    if (!answers_.empty()) {
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return ui::default_answer(buttons, default_button);
}

void recording_ui::progress_begin(const QString& title)
{
    progress_titles.push_back(title);
    value_ = 1;
    shown_ = true;
}

void recording_ui::progress_set(int percent)
{
    value_ = percent;
    progress_values.push_back(percent);
}

temp_dir::temp_dir()
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "tarvix-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

temp_dir::~temp_dir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string source_dir()
{
    if (const char* s = std::getenv("TARVIX_SOURCE_DIR"))
        return s;
    return TARVIX_SOURCE_DIR;
}

}  // namespace testing_support

namespace testing_support {

fifo_watchdog::fifo_watchdog(const std::string& path, int grace_ms) : path_(path)
{
    made_ = ::mkfifo(path.c_str(), 0600) == 0;
    if (!made_)
        return;
    t_ = std::thread([this, grace_ms] {
        std::unique_lock<std::mutex> lock(m_);
        if (cv_.wait_for(lock, std::chrono::milliseconds(grace_ms), [this] { return stop_; }))
            return;
        fired_ = true;
        fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            return;
        // Whoever waits gets zeros to read or has what it writes taken, until the end.
        char buf[4096] = {};
        do {
            while (::read(fd_, buf, sizeof buf) > 0) {
            }
            std::memset(buf, 0, sizeof buf);
            (void)::write(fd_, buf, sizeof buf);
        } while (!cv_.wait_for(lock, std::chrono::milliseconds(20), [this] { return stop_; }));
    });
}

bool fifo_watchdog::fired()
{
    std::lock_guard<std::mutex> lock(m_);
    return fired_;
}

fifo_watchdog::~fifo_watchdog()
{
    {
        std::lock_guard<std::mutex> lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    if (t_.joinable())
        t_.join();
    if (fd_ >= 0)
        ::close(fd_);
    if (made_)
        ::unlink(path_.c_str());
}

small_filesystem::small_filesystem(const std::string& dir, int kilobytes) : dir_(dir)
{
    if (::geteuid() != 0) {
        why_ = "needs root to mount a small tmpfs";
        return;
    }
    ::mkdir(dir.c_str(), 0755);
    const std::string options = "size=" + std::to_string(kilobytes) + "k";
    if (::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) != 0) {
        why_ = std::string("no tmpfs could be mounted: ") + std::strerror(errno);
        return;
    }
    mounted_ = true;
}

small_filesystem::~small_filesystem()
{
    if (mounted_)
        ::umount2(dir_.c_str(), MNT_DETACH);
}

void small_filesystem::fill(size_t leave)
{
    const std::string path = dir_ + "/fill";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const char block[4096] = {};
    while (::write(fd, block, sizeof block) > 0) {
    }
    struct stat st {};
    if (leave > 0 && ::fstat(fd, &st) == 0) {
        const off_t pages = off_t((leave + 4095) / 4096) * 4096;
        (void)::ftruncate(fd, st.st_size > pages ? st.st_size - pages : 0);
    }
    ::close(fd);
}

}  // namespace testing_support
