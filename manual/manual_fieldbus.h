// The fieldbus views of the manual mode page: the PROFIBUS word tables over the process-data
// block and the DeviceNet status block with its bit tables. Here the pure parts: the blocks'
// layouts, the row formatters and the decoded DeviceNet block.
#pragma once
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// Process-data block: format word (bit 0 big-endian, bits 8-11 format: 1 = 32 words a
// direction), output words AW0.. from byte 12, input words EW0.. from byte 76.
namespace process_block {
constexpr size_t format_word = 0;
constexpr size_t output_words = 12;
constexpr size_t input_words = 76;
constexpr int long_rows = 32;
constexpr int short_rows = 3;
}  // namespace process_block

// The PROFIBUS view as built for a format word.
struct profibus_layout {
    uint32_t format_word = 0;
    int rows = process_block::short_rows;
    int format = 0;
    bool big_endian = false;
};
profibus_layout profibus_layout_of(uint32_t format_word);

// Word r of one direction (at `base` of the block); 0 at or past the row count.
uint16_t profibus_word(const uint8_t* block, size_t base, int r, const profibus_layout& l);

// Row formatters: they append to `out`.
void word_to_bit_strings(uint16_t value, QStringList& out);
// c cells: c - b blanks, then bits b-1 .. 0; then the hex text ("%02X" for 8 bits, else "%08X").
void bits_to_cells(uint32_t value, int cells, int bits, QStringList& out);
// Value text, "%04X" and the 16 bits of a PROFIBUS input or output word. Input row 2 shows
// tenths when bit 2 of `profibus_bits` (the block's first word) is set, else hundredths.
void input_word_cells(int row, uint16_t word, QStringList& out, uint32_t profibus_bits);
void output_word_cells(int row, uint16_t word, QStringList& out);
// The cells of a whole row of the block as the tables show it: row 7 shows the 32-bit value of
// words 8 and 7.
QStringList profibus_row(const uint8_t* block, bool input, int r, const profibus_layout& l);

// The DeviceNet status block (info 0x14, 58 bytes), its fields converted from big-endian when
// the configuration says so.
struct devicenet_block {
    uint32_t status = 0;  // bit 0 24 V OK, bit 1 online, bit 2 receive state
    uint32_t config = 0;  // bit 0 fixed baud rate, bits 1-2 = 2 big-endian, 3-6 produced, 7-10 consumed
    uint8_t mac = 0, baud = 0, cmd_flags = 0, param_status = 0, byte35 = 0;
    uint16_t cmd_number = 0, sts_number = 0;
    uint32_t cmd_value = 0, sts_value = 0, field21 = 0, field41 = 0, field45 = 0;
    int32_t tolerance = 0, setpoint = 0, measured = 0;
    bool big_endian() const { return ((config >> 1) & 3) == 2; }
    int produced() const { return int((config >> 3) & 0xF); }
    int consumed() const { return int((config >> 7) & 0xF); }
};
devicenet_block decode_devicenet(const uint8_t* block);
// The text of a protocol index (above 3 counts as 0) and its stacked page (above 2: 0).
QString devicenet_protocol_text(int protocol);
int devicenet_page(int protocol);
QString devicenet_baud_text(uint8_t index);
// Rows of the produced (input) and consumed (output) bit tables.
QStringList devicenet_input_row(const devicenet_block& b, int r);
QStringList devicenet_output_row(const devicenet_block& b, int r);

// Label number of the tool tip of cell (row, column) of the PROFIBUS tables (input rows 0..31,
// output rows 32..63); -1 = "Reserved".
int profibus_tip_label(int table_row, int column);

// What the fieldbus views show; it lives for the whole run.
struct fieldbus_view_state {
    profibus_layout profibus;      // the word tables as last built
    bool profibus_built = false;
    std::array<uint8_t, 58> dn_block{};  // the DeviceNet block last drawn
    // The DeviceNet values last shown; a status of 255 redraws everything.
    uint32_t dn_status = 255, dn_config = 0;
    uint8_t dn_mac = 0, dn_baud = 0;

    void reset() { *this = fieldbus_view_state(); }
};
fieldbus_view_state& g_fieldbus_view();
