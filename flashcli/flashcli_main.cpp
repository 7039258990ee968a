#include "flashcli_main.h"

#include "cli_settings.h"
#include "console_io.h"
#include "downloader.h"
#include "error_report.h"
#include "result_codes.h"
#include "settings_files.h"
#include "texts.h"
#include "transport.h"

#include <string>

namespace flashcli {
namespace {

void print(const std::string& text)
{
    std::fwrite(text.data(), 1, text.size(), console().out);
}

// Reads one blank-delimited word; empty at the end of input. A word longer than the
// field is refused rather than cut, so that no other file than the one named is read.
bool read_word(std::string& word)
{
    FILE* in = console().in;
    word.clear();
    int c;
    do {
        c = std::fgetc(in);
    } while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f');
    bool fits = true;
    while (c != EOF && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') {
        if (word.size() < k_settings_name_capacity)
            word += char(c);
        else
            fits = false;
        c = std::fgetc(in);
    }
    return fits;
}

// Steps 1 to 9 of the start-up: 0 when the settings are complete, else the result code.
uint16_t read_settings(const argument_list& args, bool& help_shown)
{
    cli_settings& s = settings();
    reset_settings();
    s.language = read_konfig_language();
    apply_early_language(args);
    print(banner_text(s.language));
    if (is_help_request(args)) {
        print(help_text(s.language));
        std::fflush(console().out);
        help_shown = true;
        return 0;
    }
    apply_arguments(args);
    if (s.settings_name.empty()) {
        std::fputs(settings_name_prompt(s.language), console().out);
        std::fflush(console().out);
        std::string word;
        if (!read_word(word))
            return result_wrong_parameters;
        s.settings_name = word;
        if (word.empty())
            return result_settings_file_not_found;
    }
    if (s.settings_name.size() > k_settings_name_capacity)
        return result_wrong_parameters;
    const uint16_t r = read_dat_file(s.settings_name + ".DAT");
    if (r != 0)
        return r;
    std::fflush(console().out);
    return s.result;
}

}  // namespace

int flashcli_main(const argument_list& args)
{
    bool help_shown = false;
    uint16_t r = read_settings(args, help_shown);
    if (help_shown)
        return 0;
    if (r == 0)
        r = open_transport();
    if (r == 0) {
        const cli_settings& s = settings();
        r = current_downloader().construct(s.protocol, s.no_timeout, s.fast_protocol);
    }
    if (r == 0) {
        // The transfer itself is not part of this program yet: with the transport open
        // nothing has been done, and that must not read as success. Nothing was wrong
        // with the parameters either; the download library is what is missing.
        r = result_driver_not_initialised;
    }
    return report_error(r);
}

}  // namespace flashcli
