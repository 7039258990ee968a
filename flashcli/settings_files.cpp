#include "settings_files.h"

#include "cli_settings.h"
#include "parse_parameter.h"
#include "result_codes.h"

#include "platform/paths.h"
#include "platform/regular_file.h"

#include <algorithm>
#include <cstring>

namespace flashcli {

int read_konfig_language(const std::string& path)
{
    FILE* f = platform::fopen_regular(platform::resolve_path(path));
    if (!f)
        return language_german;
    char line[100] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    if (read && (line[0] == 'L' || line[0] == 'l') && line[1] != '\0' && (line[2] == 'E' || line[2] == 'e'))
        return language_english;
    return language_german;
}

uint16_t read_dat_stream(FILE* file)
{
    // Read whole before any setting is applied: a file over the bound is refused, never
    // taken in part (a setting past the bound would be lost without a word).
    std::string text;
    char chunk[65536];
    size_t n;
    while (text.size() <= k_settings_file_bound &&
           (n = std::fread(chunk, 1, std::min(sizeof chunk, k_settings_file_bound + 1 - text.size()), file)) > 0)
        text.append(chunk, n);
    if (text.size() > k_settings_file_bound || std::ferror(file))
        return result_settings_file_error;
    // Pieces of at most 99 characters: a longer line goes on as the next piece and is
    // judged like a line of its own. The line end stays attached. As the C library's line
    // reading, a NUL byte ends the text of its piece.
    char piece[100];
    size_t at = 0;
    while (at < text.size()) {
        size_t n = 0;
        while (n < sizeof piece - 1 && at < text.size()) {
            const char c = text[at++];
            piece[n++] = c;
            if (c == '\n')
                break;
        }
        piece[n] = '\0';
        if (std::strlen(piece) >= 3 && piece[0] != ';' && piece[1] == ':')
            parse_parameter(piece);
    }
    return 0;
}

uint16_t read_dat_file(const std::string& path)
{
    FILE* f = platform::fopen_regular(platform::resolve_path(path));
    if (!f)
        return result_settings_file_not_found;
    const uint16_t r = read_dat_stream(f);
    std::fclose(f);
    return r;
}

}  // namespace flashcli
