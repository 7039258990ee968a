// One scanner parameter set (224 bytes): a 16-byte name and 52 signed 32-bit little-endian
// words. The same bytes travel to the controller in four blocks of 56 and fill a *.sp file.
#pragma once
#include <QString>
#include <array>
#include <cstdint>

#include "core/image/byte_record.h"

class scanner_record {
public:
    static constexpr int size = 224;
    static constexpr int name_size = 16;
    static constexpr int block_size = 56;

    std::array<uint8_t, size> bytes{};

    void clear() { bytes.fill(0); }
    QString name() const;               // up to the first zero byte, Latin-1
    void set_name(const QString& name);  // at most 15 characters, zero-filled
    int32_t word(int offset) const;
    void set_word(int offset, int32_t value);

    byte_view view() { return byte_view(bytes.data(), bytes.size()); }
    const_byte_view view() const { return const_byte_view(bytes.data(), bytes.size()); }

    // Every field in layout order: the name, the words the scanner parameter page edits (by
    // the names of its line edits without "ebx_"), the option bits and the unedited words.
    static const field_table& fields();

    bool operator==(const scanner_record& o) const { return bytes == o.bytes; }
    bool operator!=(const scanner_record& o) const { return bytes != o.bytes; }
};
