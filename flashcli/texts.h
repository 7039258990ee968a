// The console downloader's fixed texts: banner and help, in German and English.
#pragma once
#include <string>

namespace flashcli {

constexpr const char* k_version = "1.11.05";
constexpr const char* k_date = "05.08.2019";

// The three banner lines in the language (0 German, 1 English).
std::string banner_text(int language);

// The help text in the language, as printed.
std::string help_text(int language);

// The question for the settings-file name.
const char* settings_name_prompt(int language);

// The line that asks for a key after an error report.
const char* key_prompt(int language);

}  // namespace flashcli
