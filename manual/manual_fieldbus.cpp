#include "manual/manual_fieldbus.h"

#include "core/image/byte_record.h"

namespace {

uint16_t swap16(uint16_t v) { return uint16_t((v >> 8) | (v << 8)); }
uint32_t swap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

// Tool-tip labels of the PROFIBUS cells; rows not listed have no meaning per cell.
struct tip_row {
    int row;
    int labels[19];
};
const tip_row tip_rows[] = {
    {0, {453, 453, 453, 358, 358, 358, 358, 358, 358, 358, 358, 357, 357, 357, 357, 357, 370, 369, 368}},
    {1, {454, 454, 454, -1, 385, 384, 383, 382, 381, 380, 379, 378, 377, 376, 375, 374, -1, 372, 371}},
    {32, {463, 463, 463, 358, 358, 358, 358, 358, 358, 358, 358, 357, 357, 357, 357, 357, 389, 388, 387}},
    {33, {464, 464, 464, 360, 360, 360, 360, 360, 360, 360, 360, 394, 515, 516, 260, 243, 23, 21, 20}},
};

}  // namespace

profibus_layout profibus_layout_of(uint32_t format_word)
{
    profibus_layout l;
    l.format_word = format_word;
    l.format = int((format_word >> 8) & 0xF);
    l.rows = l.format == 1 ? process_block::long_rows : process_block::short_rows;
    l.big_endian = (format_word & 1) != 0;
    return l;
}

uint16_t profibus_word(const uint8_t* block, size_t base, int r, const profibus_layout& l)
{
    if (r < 0 || r >= l.rows)
        return 0;
    const uint16_t w = le::u16(block + base + 2 * size_t(r));
    return l.big_endian ? swap16(w) : w;
}

void word_to_bit_strings(uint16_t value, QStringList& out)
{
    for (int b = 15; b >= 0; --b)
        out << ((value >> b) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
}

void bits_to_cells(uint32_t value, int cells, int bits, QStringList& out)
{
    for (int k = 0; k < cells - bits; ++k)
        out << QStringLiteral(" ");
    for (int b = bits - 1; b >= 0; --b)
        out << ((value >> b) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
    out << (bits == 8 ? QString::asprintf("%02X", unsigned(value & 0xFF)) : QString::asprintf("%08X", value));
}

namespace {

void word_cells(const QString& value, uint16_t word, QStringList& out)
{
    out << value << QString::asprintf("%04X", unsigned(word));
    word_to_bit_strings(word, out);
}

QString parameter_text(uint16_t word) { return QString::asprintf("%d / %d", (word >> 3) & 0x1F, word >> 8); }

}  // namespace

void input_word_cells(int row, uint16_t word, QStringList& out, uint32_t profibus_bits)
{
    QString v;
    switch (row) {
    case 0:
        v = parameter_text(word);
        break;
    case 2:
        v = (profibus_bits & 4) ? QString::asprintf("%.1f", word / 10.0) : QString::asprintf("%.2f", word / 100.0);
        break;
    case 3:
        v = QString::number(word >> 8);
        break;
    default:
        v = QString::number(word);
        break;
    }
    word_cells(v, word, out);
}

void output_word_cells(int row, uint16_t word, QStringList& out)
{
    QString v;
    switch (row) {
    case 0:
        v = parameter_text(word);
        break;
    case 1:
        v = QString::asprintf("%.2f", (word >> 8) / 100.0);
        break;
    case 2:
        v = QString::asprintf("%.2f / %d", word / 100.0, word & 0x7FFF);
        break;
    case 3:
    case 21:
        v = QString::number(word >> 8);
        break;
    case 5:
        v = QString::asprintf("%d / %d", (word >> 8) & 0x7F, word & 3);
        break;
    case 6:
        v = QString::asprintf("%.2f", word / 100.0);
        break;
    default:
        v = QString::number(word);
        break;
    }
    word_cells(v, word, out);
}

QStringList profibus_row(const uint8_t* block, bool input, int r, const profibus_layout& l)
{
    const size_t base = input ? process_block::input_words : process_block::output_words;
    QStringList cells;
    const uint16_t word = profibus_word(block, base, r, l);
    if (input)
        input_word_cells(r, word, cells, le::u32(block + process_block::format_word));
    else
        output_word_cells(r, word, cells);
    if (r == 7) {
        // Words 8 and 7 make one unsigned 32-bit value.
        const uint32_t v = (uint32_t(profibus_word(block, base, 8, l)) << 16) + word;
        cells[0] = QString::number(v);
    }
    return cells;
}

devicenet_block decode_devicenet(const uint8_t* d)
{
    devicenet_block b;
    b.status = le::u32(d + 0);
    b.config = le::u32(d + 4);
    b.mac = d[8];
    b.baud = d[9];
    b.cmd_flags = d[10];
    b.param_status = d[34];
    b.byte35 = d[35];
    const bool be = b.big_endian();
    auto u16 = [&](size_t k) { return be ? swap16(le::u16(d + k)) : le::u16(d + k); };
    auto u32 = [&](size_t k) { return be ? swap32(le::u32(d + k)) : le::u32(d + k); };
    b.cmd_number = u16(11);
    b.cmd_value = u32(13);
    b.field21 = u32(21);
    b.tolerance = int32_t(b.field21);
    b.setpoint = int32_t(u32(25));
    b.sts_number = u16(35);
    b.sts_value = u32(37);
    b.field41 = u32(41);
    b.field45 = u32(45);
    b.measured = int32_t(u32(49));
    return b;
}

QString devicenet_protocol_text(int protocol)
{
    static const char* const texts[4] = {"Protocol 2/1 ", "Protocol 19/19 ", "Protocol 3/2", "Reserved 3     "};
    return QString::fromLatin1(texts[protocol >= 0 && protocol <= 3 ? protocol : 0]);
}

int devicenet_page(int protocol) { return protocol >= 0 && protocol < 3 ? protocol : 0; }

QString devicenet_baud_text(uint8_t index)
{
    switch (index) {
    case 0:
        return QStringLiteral("125 kBaud");
    case 1:
        return QStringLiteral("250 kBaud");
    case 2:
        return QStringLiteral("500 kBaud");
    default:
        return QStringLiteral("Error");
    }
}

QStringList devicenet_input_row(const devicenet_block& b, int r)
{
    QStringList c;
    switch (b.produced()) {
    case 1:
        if (r == 0)
            bits_to_cells(b.param_status, 32, 8, c);
        else if (r == 1)
            bits_to_cells(b.field41, 32, 32, c);
        else if (r == 2)
            bits_to_cells(b.field45, 32, 32, c);
        break;
    case 2:
        if (r == 0)
            bits_to_cells(b.param_status, 8, 8, c);
        else if (r == 1)
            bits_to_cells(b.byte35, 8, 8, c);
        break;
    default:
        if (r == 0)
            bits_to_cells(b.param_status, 8, 8, c);
        break;
    }
    return c;
}

QStringList devicenet_output_row(const devicenet_block& b, int r)
{
    QStringList c;
    if (b.consumed() == 1) {
        if (r == 0)
            bits_to_cells(b.cmd_flags, 32, 8, c);
        else if (r == 1)
            bits_to_cells(b.field21, 32, 32, c);
    } else if (r == 0) {
        bits_to_cells(b.cmd_flags, 8, 8, c);
    }
    return c;
}

int profibus_tip_label(int table_row, int column)
{
    if (column < 0 || column >= 19)
        return -1;
    for (const tip_row& t : tip_rows)
        if (t.row == table_row)
            return t.labels[column];
    return -1;
}
