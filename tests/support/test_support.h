// Helpers shared by the tests: a recording fake of the UI services and temporary folders.
#pragma once
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <string>
#include <vector>

#include "core/text/user_seam.h"

namespace testing_support {

// Records every prompt; answers from a queue of scripted answers, else the default.
class recording_ui final : public ui::services {
public:
    struct prompt {
        ui::box_kind kind;
        QString title;
        QString text;
        int buttons;
    };

    recording_ui() { ui::install(this); }
    ~recording_ui() override { ui::install(nullptr); }

    void answer_next(int button) { answers_.push_back(button); }
    const std::vector<prompt>& prompts() const { return prompts_; }
    std::vector<int> progress_values;
    std::vector<QString> progress_titles;
    int event_passes = 0;
    QString next_file_name;

    int message(ui::box_kind kind, const QString& title, const QString& text, int buttons,
                int default_button) override;
    void progress_begin(const QString& title) override;
    void progress_set(int percent) override;
    int progress_value() const override { return value_; }
    void progress_end() override { shown_ = false; }
    bool progress_shown() const { return shown_; }
    void process_events() override { ++event_passes; }
    QString open_file_name(QWidget*, const QString&, const QString&, const QString&) override { return next_file_name; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return next_file_name; }
    QString existing_directory(QWidget*, const QString&, const QString&) override { return next_file_name; }
    int run_modal(QWidget*) override { return 0; }
    void busy_show(const QString& title, const QString& text) override { busy_texts.push_back(title + ": " + text); busy_shown = true; }
    void busy_hide() override { busy_shown = false; }
    std::vector<QString> busy_texts;
    bool busy_shown = false;

private:
    std::vector<prompt> prompts_;
    std::deque<int> answers_;
    int value_ = 0;
    bool shown_ = false;
};

// A fresh temporary folder removed with the object.
class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Makes a FIFO at `path` and keeps a test that waits on it from hanging: unless disarmed
// before `grace_ms`, it opens the FIFO for reading and writing (which ends any open of it
// that waits, whichever way) and, until the object goes, keeps zeros in it for a reader and
// takes what a writer puts in. fired() then says that something waited on the FIFO.
class fifo_watchdog {
public:
    explicit fifo_watchdog(const std::string& path, int grace_ms = 3000);
    ~fifo_watchdog();
    fifo_watchdog(const fifo_watchdog&) = delete;
    fifo_watchdog& operator=(const fifo_watchdog&) = delete;
    bool made() const { return made_; }
    bool fired();

private:
    std::string path_;
    bool made_ = false;
    std::mutex m_;
    std::condition_variable cv_;
    bool stop_ = false;
    bool fired_ = false;
    int fd_ = -1;
    std::thread t_;
};

// A small tmpfs mounted on the folder `dir` (made when missing) for tests of a full disk;
// root only. Unmounted with the object.
class small_filesystem {
public:
    small_filesystem(const std::string& dir, int kilobytes);
    ~small_filesystem();
    small_filesystem(const small_filesystem&) = delete;
    small_filesystem& operator=(const small_filesystem&) = delete;
    bool mounted() const { return mounted_; }
    // Why there is none (to skip with).
    const std::string& why_not() const { return why_; }
    // Fills the file system with the file "fill" until a write fails, then gives back
    // `leave` bytes of it (rounded up to whole pages).
    void fill(size_t leave = 0);

private:
    std::string dir_;
    bool mounted_ = false;
    std::string why_;
};

// The source tree, for fixtures.
std::string source_dir();

}  // namespace testing_support
