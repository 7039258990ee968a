#include "parse_parameter.h"

#include "cli_settings.h"
#include "result_codes.h"
#include "value_scan.h"

#include <cstring>

namespace flashcli {
namespace {

bool is_letter(char c)
{
    c = ascii_upper(c);
    return c >= 'A' && c <= 'Z';
}

// A value that does not scan still counts as given and stores 0.
uint32_t number_or_zero(const char* value, int base, int width = 0)
{
    uint32_t v = 0;
    scan_number(value, base, width, v);
    return v;
}

void refuse(cli_settings& s)
{
    if (s.result == 0)
        s.result = result_wrong_parameters;
}

// Stores a one-word text setting, or refuses a word longer than the field.
bool store_word(cli_settings& s, const char* value, std::string& field)
{
    std::string word = scan_word(value);
    if (word.size() > k_text_capacity) {
        refuse(s);
        return false;
    }
    field = word;
    return true;
}

int32_t baudrate_code_of(uint16_t selection)
{
    switch (selection) {
    case 1: return 7;
    case 2: return 8;
    case 3: return 10;
    case 4: return 11;
    default: return 7;
    }
}

}  // namespace

char ascii_upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

bool copy_file_name(const char* value, std::string& destination)
{
    const char* end = std::strchr(value, ';');
    size_t n = end ? size_t(end - value) : std::strlen(value);
    while (n > 0 && static_cast<unsigned char>(value[n - 1]) <= 32)
        --n;
    destination.assign(value, n);
    return n > 0;
}

int parse_parameter(const char* setting)
{
    cli_settings& s = settings();
    if (!is_letter(setting[0]))
        return 0;
    const char letter = ascii_upper(setting[0]);
    // The value starts at the third character; a shorter setting has an empty value.
    const char* value = (setting[1] != '\0') ? setting + 2 : setting + 1;
    const char first = *value;
    bool& mark = s.given[letter - 'A'];

    switch (letter) {
    case 'A':
        if (!mark) { s.first_sector = uint16_t(number_or_zero(value, 10)); mark = true; }
        break;
    case 'B':
        if (!mark) { s.baud_id = uint16_t(first - '0'); mark = true; }
        break;
    case 'C':
        if (!mark) { s.com_port = uint16_t(number_or_zero(value, 16)); mark = true; }
        break;
    case 'D':
        if (!mark) {
            s.com_baud_selection = uint16_t(number_or_zero(value, 16));
            s.baudrate_code = baudrate_code_of(s.com_baud_selection);
            mark = true;
        }
        break;
    case 'E':
        if (!mark) { s.last_sector = uint16_t(number_or_zero(value, 10)); mark = true; }
        break;
    case 'F':
        if (s.megabyte_slot == 0) s.megabyte_slot = uint16_t(number_or_zero(value, 16));
        break;
    case 'G':
        if (s.area_code == 0) s.area_code = uint16_t(number_or_zero(value, 10));
        break;
    case 'H':
        if (first >= '0' && first <= '9') {
            if (!s.parallel_port_given) {
                s.parallel_port = uint16_t(number_or_zero(value, 16));
                s.parallel_port_given = true;
            }
        } else if (is_letter(first)) {
            s.language = ascii_upper(first) == 'D' ? language_german : language_english;
        }
        break;
    case 'I':
        if (!mark) { s.interrupt = uint16_t(number_or_zero(value, 10)); mark = true; }
        break;
    case 'J':
        if (s.file_offset == -1) s.file_offset = int32_t(number_or_zero(value, 16));
        break;
    case 'K':
        if (!mark) { s.node = uint16_t(number_or_zero(value, 10)); mark = true; }
        break;
    case 'L':
        if (!mark) {
            s.load_segment = uint16_t(number_or_zero(value, 16, 4));
            // The offset sits at the eighth character (L:ssss:oooo); a shorter value has none.
            s.load_offset = std::strlen(setting) > 7 ? uint16_t(number_or_zero(setting + 7, 16, 4)) : 0;
            mark = true;
        }
        break;
    case 'M':
        if (s.binary_type == 0) s.binary_type = uint16_t(number_or_zero(value, 10));
        break;
    case 'N':
        if (s.file_name.empty()) {
            std::string name;
            copy_file_name(value, name);
            if (name.size() > k_file_name_capacity)
                refuse(s);
            else
                s.file_name = name;
        }
        break;
    case 'O':
        if (!mark && store_word(s, value, s.usb_product)) {
            for (char& c : s.usb_product)
                if (c == '!')
                    c = ' ';
            mark = true;
        }
        break;
    case 'P':
        if (s.protocol == 0) s.protocol = first == '1' ? 2 : 1;
        break;
    case 'Q':
        if (s.option_flag == 0) s.option_flag = uint16_t(first - '0');
        break;
    case 'R':
        if (s.connect_value == 0) s.connect_value = number_or_zero(value, 16, 8);
        break;
    case 'S':
        if (!mark) { s.flash_start = uint16_t(number_or_zero(value, 16, 4)); mark = true; }
        break;
    case 'T':
        if (!mark) { s.flash_type = uint16_t(number_or_zero(value, 10)); mark = true; }
        break;
    case 'V':
        if (!mark) { s.stay_in_loader = first == '1' ? 1 : 0; mark = true; }
        break;
    case 'W':
        if (!mark) { s.upload_bytes = number_or_zero(value, 16); mark = true; }
        break;
    case 'X':
        if (!mark) { s.isa_address = uint16_t(number_or_zero(value, 16)); mark = true; }
        break;
    case 'Y':
        if (!mark && store_word(s, value, s.ipv4_address))
            mark = true;
        break;
    case 'Z':
        if (!mark) { s.function_code = uint16_t(number_or_zero(value, 10)); mark = true; }
        break;
    default:  // U: no setting
        break;
    }
    return 0;
}

}  // namespace flashcli
