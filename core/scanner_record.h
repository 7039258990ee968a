// One scanner parameter set (224 bytes): a 16-byte name and 52 signed 32-bit little-endian
// words. The same bytes travel to the controller in four blocks of 56 and fill a *.sp file.
#pragma once
#include <QString>
#include <array>
#include <cstdint>

struct scanner_field {
    const char* name;
    int offset;  // every field is a signed 32-bit word
};

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

    // The named fields the scanner parameter page edits, in layout order.
    static const std::array<scanner_field, 40>& fields();
    // The field of that name, or nullptr.
    static const scanner_field* field(const char* name);

    bool operator==(const scanner_record& o) const { return bytes == o.bytes; }
    bool operator!=(const scanner_record& o) const { return bytes != o.bytes; }
};
