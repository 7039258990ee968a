#include "flashcli_main.h"

#include "cli_settings.h"
#include "console_io.h"
#include "downloader.h"
#include "error_report.h"
#include "result_codes.h"
#include "run.h"
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

bool is_blank(int c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The exit status when the run's output could not be written (a full disk, a closed pipe): no
// result code of the tables fits, and the parent must not read success.
constexpr int k_output_failed_status = 255;

// Blank characters skipped before a word, at most; an endless run of them is end of input.
constexpr int k_max_leading_blanks = 65536;

// Reads one blank-delimited word. False at the end of input, and for input that cannot be a
// name: a word longer than the field (it is refused rather than cut, so that no other file
// than the one named is read) or blanks without end. Never reads more than that bound, so an
// endless standard input ends the prompt too.
bool read_word(std::string& word)
{
    FILE* in = console().in;
    word.clear();
    int c;
    int blanks = 0;
    do {
        c = std::fgetc(in);
    } while (is_blank(c) && ++blanks < k_max_leading_blanks);
    if (is_blank(c))
        return false;
    while (c != EOF && !is_blank(c)) {
        if (word.size() >= k_settings_name_capacity)
            return false;
        word += char(c);
        c = std::fgetc(in);
    }
    return !word.empty();
}

// Steps 1 to 9 of the start-up: 0 when the settings are complete, else the result code.
uint16_t read_settings(const argument_list& args, bool& help_shown)
{
    cli_settings& s = settings();
    reset_settings();
    s.language = read_konfig_language();
    apply_early_language(args);
    // Out at once: a caller reading the output through a pipe sees the program started
    // even when a later step fails or waits.
    print(banner_text(s.language));
    std::fflush(console().out);
    if (is_help_request(args)) {
        print(help_text(s.language));
        help_shown = true;
        return 0;
    }
    apply_arguments(args);
    if (s.settings_name.empty()) {
        std::fputs(settings_name_prompt(s.language), console().out);
        std::fflush(console().out);
        std::string word;
        if (!read_word(word))
            return result_settings_file_not_found;
        s.settings_name = word;
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
    if (help_shown) {
        // The help is all this run gives: when it could not be written, the status says so.
        const bool written = std::fflush(console().out) == 0 && !std::ferror(console().out);
        return written ? 0 : k_output_failed_status;
    }
    if (r == 0)
        r = open_transport();
    if (r == 0) {
        const cli_settings& s = settings();
        r = current_downloader().construct(s.protocol, s.no_timeout, s.fast_protocol);
    }
    if (r == 0)
        r = run_function();
    if (r == 0) {
        std::fflush(console().out);
        close_driver();
        return 0;
    }
    return report_error(r);
}

}  // namespace flashcli
