#include "progress.h"

#include "cli_settings.h"
#include "console_io.h"

#include <cstdio>

namespace flashcli {
namespace {

progress_state g_progress;

uint32_t kilobyte_floor(uint32_t n) { return n & ~uint32_t(0x3FF); }

uint32_t bank_of(uint32_t address) { return (address >> 4) & 0xF000; }

void print_mark(uint32_t value)
{
    std::fprintf(console().out, " *%6lx", static_cast<unsigned long>(value));
}

void finish_line(FILE* out, const progress_state& p)
{
    std::fputs("  ", out);
    for (char c : p.characters)
        std::fputc(c, out);
}

}  // namespace

progress_state& progress()
{
    return g_progress;
}

void reset_progress()
{
    g_progress = progress_state{};
}

uint32_t hex_paragraph(uint16_t load_address)
{
    const progress_state& p = g_progress;
    return ((p.extended_linear << 16) + (p.extended_segment << 4) + load_address) >> 4;
}

int16_t hex_download_progress(uint8_t* data, uint16_t*, int32_t*, uint32_t)
{
    progress_state& p = g_progress;
    FILE* out = console().out;
    if (p.transfer_mark) {
        p.transfer_mark = 0;
        std::fputs("\n", out);
    }
    const uint16_t load_address = uint16_t(data[2] | data[3] << 8);
    const uint8_t type = data[4];
    if (type == 0) {
        const uint32_t paragraph = hex_paragraph(load_address);
        if (paragraph > p.last_hex_mark && paragraph - p.last_hex_mark >= 0x400) {
            std::fprintf(out, " * %4xH", paragraph);
            p.last_hex_mark = paragraph;
        }
    } else if (type == 2 || type == 4) {
        const uint32_t value = uint32_t(data[5] | data[6] << 8);
        if (type == 2)
            p.extended_segment = value;
        else
            p.extended_linear = value;
        const uint32_t paragraph = hex_paragraph(load_address);
        std::fprintf(out, " * %4xH", paragraph);
        p.last_hex_mark = paragraph;
    }
    std::fflush(out);
    return 0;
}

int16_t bin_download_progress(uint8_t*, uint16_t* count, int32_t*, uint32_t)
{
    progress_state& p = g_progress;
    const uint32_t n = uint32_t(*count) * 256;
    if (kilobyte_floor(n) > kilobyte_floor(p.last_kilobyte_mark)) {
        print_mark(kilobyte_floor(n));
        p.last_kilobyte_mark = n;
        std::fflush(console().out);
    }
    return 0;
}

int16_t upload_dump(uint8_t* data, uint16_t* count, int32_t* last, uint32_t)
{
    progress_state& p = g_progress;
    const cli_settings& s = settings();
    FILE* out = console().out;
    if (p.transfer_mark) {
        p.dump_address = uint32_t(s.load_segment) * 16 + s.load_offset;
        if (s.short_output) {
            print_mark(0);
            std::fflush(out);
            p.dump_address = 0;
            p.last_kilobyte_mark = 0;
        } else {
            p.column = uint16_t(p.dump_address % 16);
            if (p.column != 0) {
                const uint32_t line = p.dump_address & ~uint32_t(15);
                std::fprintf(out, "\n%04x:%04x  ", bank_of(line), line & 0xFFFF);
                for (uint16_t i = 0; i < p.column; ++i) {
                    if (i == 8)
                        std::fputc(' ', out);
                    std::fputs(".. ", out);
                    p.characters[i] = '.';
                }
                p.transfer_mark = 0;
            }
        }
    }
    if (s.short_output) {
        if (kilobyte_floor(p.dump_address) > kilobyte_floor(p.last_kilobyte_mark)) {
            print_mark(kilobyte_floor(p.dump_address));
            p.last_kilobyte_mark = p.dump_address;
            std::fflush(out);
        }
        p.dump_address += *count;
        p.transfer_mark = 0;
        return 0;
    }
    for (uint16_t i = 0; i < *count; ++i) {
        const uint8_t byte = data[i];
        if (p.dump_address % 16 == 0) {
            if (!p.transfer_mark)
                finish_line(out, p);
            else
                p.transfer_mark = 0;
            std::fprintf(out, "\n%04x:%04x  ", bank_of(p.dump_address), p.dump_address & 0xFFFF);
            p.column = 0;
        }
        p.characters[p.column] = (byte < 0x21 || byte == 0xFF) ? '.' : char(byte);
        if (p.column == 8)
            std::fputc(' ', out);
        std::fprintf(out, "%02x ", byte);
        ++p.column;
        ++p.dump_address;
    }
    if (*last) {
        for (; p.column < 16; ++p.column) {
            if (p.column == 8)
                std::fputc(' ', out);
            std::fputs("   ", out);
            p.characters[p.column] = ' ';
        }
        finish_line(out, p);
    }
    std::fflush(out);
    p.transfer_mark = 0;
    return 0;
}

}  // namespace flashcli
