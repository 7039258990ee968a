#include "settings_files.h"

#include "cli_settings.h"
#include "parse_parameter.h"
#include "result_codes.h"

#include "platform/paths.h"
#include "platform/regular_file.h"

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

void read_dat_stream(FILE* file)
{
    // Pieces of at most 99 characters: a longer line goes on as the next piece and is
    // judged like a line of its own. The line end stays attached. As the C library's line
    // reading, a NUL byte ends the text of its piece. Nothing past the bound is read.
    char piece[100];
    size_t left = k_settings_file_bound;
    int c = 0;
    while (c != EOF && left > 0) {
        size_t n = 0;
        while (n < sizeof piece - 1 && left > 0 && (c = std::getc(file)) != EOF) {
            --left;
            piece[n++] = char(c);
            if (c == '\n')
                break;
        }
        if (n == 0)
            break;
        piece[n] = '\0';
        if (std::strlen(piece) >= 3 && piece[0] != ';' && piece[1] == ':')
            parse_parameter(piece);
    }
}

uint16_t read_dat_file(const std::string& path)
{
    FILE* f = platform::fopen_regular(platform::resolve_path(path));
    if (!f)
        return result_settings_file_not_found;
    read_dat_stream(f);
    std::fclose(f);
    return 0;
}

}  // namespace flashcli
