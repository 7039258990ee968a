#include "support/test_support.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
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
