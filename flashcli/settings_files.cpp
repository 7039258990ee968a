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
    // judged like a line of its own. The line end stays attached.
    char piece[100];
    while (std::fgets(piece, sizeof piece, file)) {
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
