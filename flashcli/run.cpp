#include "run.h"

#include "cli_settings.h"
#include "downloader.h"
#include "progress.h"
#include "prompts.h"
#include "result_codes.h"

namespace flashcli {
namespace {

const char* function_name(uint16_t code)
{
    switch (code) {
    case 1: return " DOWNLOAD FSW-HEX FLASH ";
    case 3: return " DOWNLOAD FSW-HEX RAM ";
    case 4: return " DOWNLOAD BITMAP  FLASH ";
    case 6: return " DOWNLOAD BITMAP  RAM ";
    case 7: return " UPLOAD   BITMAP ";
    case 9: return " UPLOAD   BITMAP REAL (only PC104-CPU)";
    default: return nullptr;
    }
}

void apply_area_rule()
{
    cli_settings& s = settings();
    s.area_code = area_code_for(s.file_name, s.area_code);
}

}  // namespace

uint16_t area_code_for(const std::string& file_name, uint16_t area_code)
{
    // The base name starts after the last separator (either slash) or a drive "X:".
    size_t base = file_name.find_last_of("/\\");
    base = base == std::string::npos ? 0 : base + 1;
    if (base == 0 && file_name.size() >= 2 && file_name[1] == ':')
        base = 2;
    const size_t dot = file_name.rfind('.');
    if (dot == std::string::npos || dot < base)
        return area_code;
    const std::string extension = file_name.substr(dot);
    if (extension.size() > 4 && (extension.back() == 'X' || extension.back() == 'x'))
        return 7;
    return area_code;
}

uint16_t ask_function_code(bool& exit_mark)
{
    cli_settings& s = settings();
    exit_mark = false;
    if (!s.is_given('Z')) {
        std::string q = in_language("\nPlease enter function code:\n", "\nFunktionscode eingeben:\n");
        q += "1: DOWNLOAD FSW-HEX FLASH\n3: DOWNLOAD FSW-HEX RAM\n4: DOWNLOAD BITMAP  FLASH\n"
             "6: DOWNLOAD BITMAP  RAM\n7: UPLOAD   BITMAP\n9: UPLOAD   BITMAP  REAL (ONLY PC104-CPU)\n";
        q += in_language("E: Exit programming\n", "E: Programmierung-Ende\n");
        std::string answer;
        if (uint16_t r = ask_word(q, answer))
            return r;
        if (answer[0] == 'E' || answer[0] == 'e') {
            exit_mark = true;
            return 0;
        }
        s.function_code = uint16_t(answer[0] - '0');
    }
    if (const char* name = function_name(s.function_code)) {
        say(in_language("Configured function code Z = %d. %s\n", "Konfigurierter Funktionscode Z = %d. %s\n"),
            s.function_code, name);
        s.given['Z' - 'A'] = true;
        return 0;
    }
    say("%s", in_language("Illegal input!!!!\n", "Falsche Eingabe!!!!\n"));
    // Nothing was transferred: a caller must not read this as success.
    return result_wrong_parameters;
}

uint16_t run_download(bool ram, bool binary)
{
    cli_settings& s = settings();
    uint16_t r = 0;
    if (!ram && (r = ask_flash_parameters()))
        return r;
    if (binary && (r = ask_start_address()))
        return r;
    if ((r = ask_leave_bootloader()))
        return r;
    show_external_space();
    if ((r = ask_file_name(binary)))
        return r;
    show_megabyte_slot();
    apply_area_rule();
    progress().transfer_mark = 1;

    // For RAM the flash values go as they were given, else 0.
    auto flash_value = [&](char letter, uint16_t value) -> uint16_t {
        return ram && !s.is_given(letter) ? 0 : value;
    };
    auto fill = [&](download_args& a) {
        a.node = s.node;
        a.file_name = s.file_name;
        a.flash_start = flash_value('S', s.flash_start);
        a.flash_type = flash_value('T', s.flash_type);
        a.first_sector = flash_value('A', s.first_sector);
        a.last_sector = flash_value('E', s.last_sector);
        a.megabyte_slot = s.megabyte_slot;
        a.ram_target = ram ? 1 : 0;
        a.stay_in_loader = s.stay_in_loader;
        a.option_flag = s.option_flag;
        a.connect_value = s.connect_value;
        a.file_offset = s.file_offset;
        a.byte_count = s.upload_bytes;
        a.area_code = int16_t(s.area_code);
        a.run_to_end = 1;
    };
    downloader& d = current_downloader();
    if (binary) {
        bin_download_args a;
        fill(a);
        a.progress = bin_download_progress;
        a.load_segment = s.load_segment;
        a.load_offset = s.load_offset;
        a.binary_type = int16_t(s.binary_type);
        return d.BinDownload(a);
    }
    hex_download_args a;
    fill(a);
    a.progress = hex_download_progress;
    return d.HexDownload(a);
}

uint16_t run_upload(bool real)
{
    cli_settings& s = settings();
    uint16_t r = 0;
    if ((r = ask_leave_bootloader()))
        return r;
    show_external_space();
    if ((r = ask_file_name(true)))
        return r;
    if ((r = ask_start_address()))
        return r;
    if ((r = ask_upload_size()))
        return r;
    show_megabyte_slot();
    apply_area_rule();
    progress().transfer_mark = 1;

    bin_upload_args a;
    a.progress = upload_dump;
    a.node = s.node;
    a.file_name = s.file_name;
    a.megabyte_slot = s.megabyte_slot;
    a.load_segment = s.load_segment;
    a.load_offset = s.load_offset;
    a.byte_count = s.upload_bytes;
    a.real_memory = real ? 1 : 0;
    a.stay_in_loader = s.stay_in_loader;
    a.option_flag = s.option_flag;
    a.connect_value = s.connect_value;
    a.area_code = int16_t(s.area_code);
    a.run_to_end = 1;
    return current_downloader().BinUpload(a);
}

uint16_t run_function()
{
    const cli_settings& s = settings();
    bool exit_mark = false;
    if (uint16_t r = ask_function_code(exit_mark))
        return r;
    if (s.file_offset != -1)
        say("FileOffset: %XH    ByteAnzahl: %XH\n", uint32_t(s.file_offset), s.upload_bytes);
    if (exit_mark)
        return 0;
    switch (s.function_code) {
    case 1: return run_download(false, false);
    case 3: return run_download(true, false);
    case 4: return run_download(false, true);
    case 6: return run_download(true, true);
    case 7: return run_upload(false);
    case 9: return run_upload(true);
    default: return result_wrong_parameters;
    }
}

}  // namespace flashcli
