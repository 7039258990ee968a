#include "prompts.h"

#include "cli_settings.h"
#include "console_io.h"
#include "result_codes.h"
#include "value_scan.h"

#include <cstdarg>
#include <cstdio>

namespace flashcli {
namespace {

// Characters of a line kept for scanning; the rest of a longer line is dropped.
constexpr size_t k_line_capacity = 1023;
// A "line" longer than this without its end is taken as input without end.
constexpr size_t k_max_line = 1 << 20;

bool in_range(uint32_t v, uint16_t low, uint16_t high)
{
    // The entry is compared as a 16-bit number: a negative one is out of range.
    const uint16_t n = uint16_t(v);
    return n >= low && n <= high;
}

bool any_value(uint32_t) { return true; }
bool node_range(uint32_t v) { return in_range(v, 1, 99); }
bool flash_type_range(uint32_t v) { return in_range(v, 0, 3); }
bool sector_range(uint32_t v) { return in_range(v, 0, 15); }

}  // namespace

const char* in_language(const char* english, const char* german)
{
    return settings().language == language_english ? english : german;
}

void say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::vfprintf(console().out, format, args);
    va_end(args);
}

bool read_answer(std::string& line)
{
    FILE* in = console().in;
    std::fflush(console().out);
    line.clear();
    size_t length = 0;
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
        if (++length > k_max_line)
            return false;
        if (line.size() < k_line_capacity)
            line += char(c);
    }
    return c != EOF || length > 0;
}

uint16_t ask_number(const std::string& question, int base, bool (*accept)(uint32_t), uint32_t& value)
{
    std::string line;
    for (;;) {
        say("%s", question.c_str());
        if (!read_answer(line))
            return result_settings_file_error;
        uint32_t v = 0;
        if (scan_number(line.c_str(), base, 0, v) && accept(v)) {
            value = v;
            return 0;
        }
    }
}

uint16_t ask_word(const std::string& question, std::string& word)
{
    std::string line;
    for (;;) {
        say("%s", question.c_str());
        if (!read_answer(line))
            return result_settings_file_error;
        word = scan_word(line.c_str());
        if (!word.empty())
            return 0;
    }
}

uint16_t ask_can_baudrate()
{
    cli_settings& s = settings();
    if (s.is_given('B')) {
        say(in_language("Configured baudrate id  %d\n", "Konfigurierte Baudrate-Kennziffer %d\n"), s.baud_id);
        return 0;
    }
    std::string q = in_language("Please enter the CAN_Baudrate (1..6) \n", "Bitte Baudrate-Kennziffer eingeben (1..6)\n");
    q += "1:   20 kBaud\n2:   50 kBaud\n3:  100 kBaud\n4:  125 kBaud\n5:  250 kBaud\n6:  500 kBaud\n";
    uint32_t v = 0;
    if (uint16_t r = ask_number(q, 10, any_value, v))
        return r;
    s.baud_id = uint16_t(v);
    s.given['B' - 'A'] = true;
    return 0;
}

uint16_t ask_id_scheme()
{
    cli_settings& s = settings();
    if (s.protocol != 0) {
        say("%s", in_language("ID selection:", "ID Auswahl:"));
        say("%s", s.protocol == 2 ? " QUELCAN\n" : " CANOPEN\n");
        return 0;
    }
    uint32_t v = 0;
    if (uint16_t r = ask_number(in_language("ID selection. QUELCAN(1) or CANOPEN(2): ",
                                            "ID Auswahl. QUELCAN(1) oder CANOPEN(2): "),
                                10, any_value, v))
        return r;
    s.protocol = uint16_t(v) == 1 ? 2 : 1;
    return 0;
}

uint16_t ask_node_id()
{
    cli_settings& s = settings();
    if (s.is_given('K')) {
        say("Konfigurierte Knotennummer: %d\n", s.node);
        return 0;
    }
    uint32_t v = 0;
    if (uint16_t r = ask_number(in_language("Please enter the node-id (1.. 99): ",
                                            "Bitte Knotennummer eingeben ( 1.. 99): "),
                                10, node_range, v))
        return r;
    s.node = uint16_t(v);
    s.given['K' - 'A'] = true;
    return 0;
}

uint16_t ask_flash_parameters()
{
    cli_settings& s = settings();
    uint32_t v = 0;
    if (s.is_given('S')) {
        say(in_language("Start address of Flash-EEPROM in Hex: %4x\n", "Start-Adresse des Flash-EEPROMs in Hex: %4x\n"),
            s.flash_start);
    } else {
        if (uint16_t r = ask_number(
                in_language("Please enter the start address of the Flash-EEPROM in Hex notation [xxxx] ...",
                            "Bitte die Start-Adresse des Flash-EEPROMs in Hex eingeben [xxxx] ..."),
                16, any_value, v))
            return r;
        s.flash_start = uint16_t(v);
        s.given['S' - 'A'] = true;
    }
    if (s.is_given('T')) {
        say(in_language("Configured flash type (0=128k, 1=512k, 2=1024k) : %d\n",
                        "Konfigurierter Flashtyp (0=128k, 1=512k, 2=1024k) : %d\n"),
            s.flash_type);
    } else {
        std::string q = in_language("Please enter the type of the flash-EEPROM\n", "Bitte geben Sie den Typ des Flash-EEPROMs an\n");
        q += "0: 128k-Flash,  Sektor-Groesse  16 k\n1: 512k-Flash,  Sektor-Groesse  64 k\n"
             "2: 1024k-Flash, Sektor-Groesse 128 k\n";
        if (uint16_t r = ask_number(q, 10, flash_type_range, v))
            return r;
        s.flash_type = uint16_t(v);
        s.given['T' - 'A'] = true;
    }
    if (s.is_given('A')) {
        say(in_language("First sector to clear: %d\n", "Zu loeschender Start-Sektor: %d\n"), s.first_sector);
    } else {
        if (uint16_t r = ask_number(in_language("First sector to clear (0..15)? ", "Zu loeschender Start-Sektor (0..15)? "),
                                    10, sector_range, v))
            return r;
        s.first_sector = uint16_t(v);
        s.given['A' - 'A'] = true;
    }
    if (s.is_given('E')) {
        say(in_language("Last sector to clear: %d\n", "Zu loeschender Ende-Sektor: %d\n"), s.last_sector);
    } else {
        if (uint16_t r = ask_number(in_language("Last sector to clear (0..15)? ", "Zu loeschender Ende-Sektor (0..15)? "),
                                    10, sector_range, v))
            return r;
        s.last_sector = uint16_t(v);
        s.given['E' - 'A'] = true;
    }
    return 0;
}

uint16_t ask_start_address()
{
    cli_settings& s = settings();
    if (s.is_given('L')) {
        say(in_language("Start-Address of binary file: %04x:%04x\n", "Start-Adresse der Bitmap: %04x:%04x\n"),
            s.load_segment, s.load_offset);
        return 0;
    }
    uint32_t segment = 0;
    uint32_t offset = 0;
    if (uint16_t r = ask_number(in_language("Please enter start-segment of the binary file in the format xxxx: ",
                                            "Start-Segment der Bitmap in der Form xxxx eingeben: "),
                                16, any_value, segment))
        return r;
    if (uint16_t r = ask_number(in_language("Please enter the start-offset of the binary file in the format xxxx: ",
                                            "Start-Offset der Bitmap in der Form xxxx eingeben: "),
                                16, any_value, offset))
        return r;
    s.load_segment = uint16_t(segment);
    s.load_offset = uint16_t(offset);
    s.given['L' - 'A'] = true;
    return 0;
}

uint16_t ask_leave_bootloader()
{
    cli_settings& s = settings();
    if (s.is_given('V')) {
        if (s.stay_in_loader == 1)
            say("%s", in_language("Configuration V: Stay in the bootloader after loading file. \n",
                                  "Konfiguration V: Nach XLoad bleibt Bootloader aktiv. \n"));
        else
            say("%s", in_language("Configuration V: Skip to the FSW after loading file.\n",
                                  "Konfiguration V: Nach XLoad wird zur FSW verzweigt.\n"));
        return 0;
    }
    // The typed answer decides: no second key is read.
    std::string answer;
    if (uint16_t r = ask_word(in_language("Would you leave the bootloader after loading file(J/N)  ",
                                          "Sollen nach dem XLoad der Boot-Loader verlassen werden (J/N)  "),
                              answer))
        return r;
    s.stay_in_loader = (answer[0] == 'N' || answer[0] == 'n') ? 1 : 0;
    s.given['V' - 'A'] = true;
    return 0;
}

uint16_t ask_file_name(bool binary)
{
    cli_settings& s = settings();
    if (!s.file_name.empty()) {
        if (s.file_name.find('.') != std::string::npos)
            say(in_language("Configured download file: %s\n", "Konfiguriertes Download-File: %s\n"), s.file_name.c_str());
        else
            say(in_language("Configured download file: %s%s\n", "Konfiguriertes Download-File: %s%s\n"),
                s.file_name.c_str(), binary ? ".BIN" : ".HEX");
        return 0;
    }
    std::string word;
    const char* q = binary ? in_language("Please enter the BIN-Filename without extension: ",
                                         "Bitte geben Sie den BIN-Filenamen ohne Extension ein: ")
                           : in_language("Please enter the INTEL-HEX-Filename without extension: ",
                                         "Bitte geben Sie den INTEL-HEX-Filenamen ohne Extension ein: ");
    for (;;) {
        if (uint16_t r = ask_word(q, word))
            return r;
        // A name longer than the field is refused rather than cut: no other file is opened.
        if (word.size() <= k_file_name_capacity)
            break;
    }
    s.file_name = word;
    return 0;
}

uint16_t ask_upload_size()
{
    cli_settings& s = settings();
    if (s.is_given('W')) {
        say(in_language("Configured number of upload bytes: %xH\n", "Konfigurierte Anzahl von Upload-Bytes: %xH\n"),
            s.upload_bytes);
        return 0;
    }
    uint32_t v = 0;
    if (uint16_t r = ask_number(in_language("Please enter the number of reading bytes in the format xxxxx: ",
                                            "Bitte die Anzahl der zu lesenden Bytes eingeben in der Form xxxxx: "),
                                16, any_value, v))
        return r;
    s.upload_bytes = v;
    s.given['W' - 'A'] = true;
    return 0;
}

void show_megabyte_slot()
{
    const cli_settings& s = settings();
    if (s.megabyte_slot != 0)
        say(in_language("Active Megabyte Slot : %x\n", "Aktiver Megabyte Slot : %x\n"), s.megabyte_slot);
}

void show_external_space()
{
    if (settings().option_flag != 0)
        say("%s", in_language("Access on external MCPU2-Adress-Space\n", "Zugriff auf externer MCPU2-Adress-Space\n"));
}

}  // namespace flashcli
