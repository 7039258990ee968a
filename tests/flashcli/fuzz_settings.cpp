// Fuzzes the command-line and settings-file parsing: the input is a few arguments, a line
// "--", then the text of a settings file.
#include "flashcli/arguments.h"
#include "flashcli/cli_settings.h"
#include "flashcli/parse_parameter.h"
#include "flashcli/settings_files.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find("\n--\n");
    const std::string head = input.substr(0, split);
    const std::string dat = split == std::string::npos ? std::string() : input.substr(split + 4);

    flashcli::reset_settings();
    flashcli::argument_list args;
    size_t pos = 0;
    while (pos <= head.size()) {
        size_t end = head.find('\n', pos);
        if (end == std::string::npos)
            end = head.size();
        args.push_back(head.substr(pos, end - pos));
        pos = end + 1;
    }
    flashcli::apply_early_language(args);
    flashcli::is_help_request(args);
    flashcli::apply_arguments(args);
    for (const std::string& a : args)
        flashcli::parse_parameter(a.c_str());

    if (!dat.empty()) {
        FILE* f = fmemopen(const_cast<char*>(dat.data()), dat.size(), "r");
        if (f) {
            flashcli::read_dat_stream(f);
            std::fclose(f);
        }
    }
    const flashcli::cli_settings& s = flashcli::settings();
    if (s.file_name.size() > flashcli::k_file_name_capacity || s.usb_product.size() > flashcli::k_text_capacity ||
        s.ipv4_address.size() > flashcli::k_text_capacity)
        __builtin_trap();
    return 0;
}
