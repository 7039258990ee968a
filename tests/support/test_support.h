// Helpers shared by the tests: a recording fake of the UI services and temporary folders.
#pragma once
#include <QString>
#include <deque>
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

// The source tree, for fixtures.
std::string source_dir();

}  // namespace testing_support
