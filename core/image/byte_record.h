// Little-endian byte records: views over fixed-layout byte arrays and the field tables
// (name, offset, width, sign) that describe them. Every record the device and the files
// exchange is read and written through these; nothing casts a struct over the bytes.
#pragma once
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

enum class field_kind : uint8_t {
    signed_int,    // two's complement, width 1, 2 or 4
    unsigned_int,  // width 1, 2 or 4
    text,          // zero-terminated 8-bit text (Latin-1), width = room including the terminator
    chars,         // 8-bit text filling the field, zero-padded, terminated only when shorter
    reserved,      // bytes kept as they are
};

struct field_desc {
    const char* name;
    uint32_t offset;
    uint32_t width;  // in bytes
    field_kind kind;
    uint8_t decimals = 0;  // 2: the value is in hundredths (shown with two decimals)

    bool is_integer() const { return kind == field_kind::signed_int || kind == field_kind::unsigned_int; }
    uint32_t end() const { return offset + width; }
};

// A table of fields of one record layout.
struct field_table {
    const field_desc* fields;
    size_t count;
    uint32_t record_size;

    const field_desc* begin() const { return fields; }
    const field_desc* end() const { return fields + count; }
    const field_desc& operator[](size_t i) const { return fields[i]; }
    // nullptr when the table has no field of that name
    const field_desc* find(const char* name) const
    {
        for (size_t i = 0; i < count; ++i)
            if (std::strcmp(fields[i].name, name) == 0)
                return &fields[i];
        return nullptr;
    }
};

// Raw little-endian access at a byte pointer.
namespace le {
inline uint32_t get_u(const uint8_t* p, unsigned width)
{
    uint32_t v = 0;
    for (unsigned i = 0; i < width; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}
inline int32_t get_s(const uint8_t* p, unsigned width)
{
    const uint32_t v = get_u(p, width);
    if (width >= 4)
        return int32_t(v);
    const uint32_t sign = 1u << (8 * width - 1);
    return int32_t((v ^ sign) - sign);
}
// Stores the low `width` bytes of v.
inline void put(uint8_t* p, unsigned width, uint32_t v)
{
    for (unsigned i = 0; i < width; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
inline uint16_t u16(const uint8_t* p) { return uint16_t(get_u(p, 2)); }
inline int16_t i16(const uint8_t* p) { return int16_t(get_s(p, 2)); }
inline uint32_t u32(const uint8_t* p) { return get_u(p, 4); }
inline int32_t i32(const uint8_t* p) { return get_s(p, 4); }
inline void put16(uint8_t* p, uint32_t v) { put(p, 2, v); }
inline void put32(uint8_t* p, uint32_t v) { put(p, 4, v); }
}  // namespace le

// A view of `size` bytes. Byte is uint8_t (writable) or const uint8_t (read only).
// Every access is checked against the size in debug builds.
template <typename Byte>
class basic_byte_view {
public:
    static constexpr bool writable = !std::is_const<Byte>::value;

    basic_byte_view() = default;
    basic_byte_view(Byte* p, size_t n) : p_(p), n_(n) {}
    // A writable view converts to a read-only one.
    template <typename Other, typename = std::enable_if_t<std::is_same<Byte, const Other>::value>>
    basic_byte_view(const basic_byte_view<Other>& o) : p_(o.data()), n_(o.size())
    {
    }

    Byte* data() const { return p_; }
    size_t size() const { return n_; }

    uint8_t u8(size_t off) const { return p_[at(off, 1)]; }
    int8_t i8(size_t off) const { return int8_t(p_[at(off, 1)]); }
    uint16_t u16(size_t off) const { return le::u16(p_ + at(off, 2)); }
    int16_t i16(size_t off) const { return le::i16(p_ + at(off, 2)); }
    uint32_t u32(size_t off) const { return le::u32(p_ + at(off, 4)); }
    int32_t i32(size_t off) const { return le::i32(p_ + at(off, 4)); }

    // An integer field, sign-extended as the table says; a text or reserved field reads 0.
    int64_t get(const field_desc& f) const
    {
        if (!f.is_integer())
            return 0;
        const Byte* q = p_ + at(f.offset, f.width);
        return f.kind == field_kind::signed_int ? int64_t(le::get_s(q, f.width)) : int64_t(le::get_u(q, f.width));
    }

    // The text of `width` bytes at `off`, up to its first zero (never past the field).
    std::string text(size_t off, size_t width) const
    {
        const Byte* q = p_ + at(off, width);
        size_t n = 0;
        while (n < width && q[n] != 0)
            ++n;
        return std::string(reinterpret_cast<const char*>(q), n);
    }
    std::string text(const field_desc& f) const { return text(f.offset, f.width); }

    bool equal(size_t off, const uint8_t* other, size_t n) const { return std::memcmp(p_ + at(off, n), other, n) == 0; }

    // ---- writing (writable views only)
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set_u8(size_t off, uint32_t v) const
    {
        p_[at(off, 1)] = uint8_t(v);
    }
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set_u16(size_t off, uint32_t v) const
    {
        le::put16(p_ + at(off, 2), v);
    }
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set_u32(size_t off, uint32_t v) const
    {
        le::put32(p_ + at(off, 4), v);
    }
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set_i32(size_t off, int32_t v) const
    {
        le::put32(p_ + at(off, 4), uint32_t(v));
    }
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set_i16(size_t off, int32_t v) const
    {
        le::put16(p_ + at(off, 2), uint32_t(v));
    }
    // Stores the low bytes of v in an integer field (truncation as the device does it);
    // text and reserved fields are left alone.
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set(const field_desc& f, int64_t v) const
    {
        if (f.is_integer())
            le::put(p_ + at(f.offset, f.width), f.width, uint32_t(uint64_t(v)));
    }
    // Writes at most width - 1 bytes of s and zero-fills the rest, so the field is always terminated.
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set_text(size_t off, size_t width, const std::string& s) const
    {
        Byte* q = p_ + at(off, width);
        if (width == 0)
            return;
        const size_t n = s.size() < width - 1 ? s.size() : width - 1;
        std::memcpy(q, s.data(), n);
        std::memset(q + n, 0, width - n);
    }
    // Writes at most width bytes of s and zero-fills the rest (no terminator when s fills it).
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set_chars(size_t off, size_t width, const std::string& s) const
    {
        Byte* q = p_ + at(off, width);
        const size_t n = s.size() < width ? s.size() : width;
        std::memcpy(q, s.data(), n);
        std::memset(q + n, 0, width - n);
    }
    // A text or chars field as its kind says.
    template <bool W = writable, typename = std::enable_if_t<W>>
    void set_text(const field_desc& f, const std::string& s) const
    {
        if (f.kind == field_kind::chars)
            set_chars(f.offset, f.width, s);
        else
            set_text(f.offset, f.width, s);
    }
    template <bool W = writable, typename = std::enable_if_t<W>>
    void fill(size_t off, size_t n, uint8_t v) const
    {
        std::memset(p_ + at(off, n), v, n);
    }
    template <bool W = writable, typename = std::enable_if_t<W>>
    void copy_from(size_t off, const uint8_t* src, size_t n) const
    {
        std::memmove(p_ + at(off, n), src, n);
    }
    // Copies all bytes of another view of the same size.
    template <bool W = writable, typename = std::enable_if_t<W>>
    void assign(const basic_byte_view<const uint8_t>& src) const
    {
        assert(src.size() == n_);
        std::memmove(p_, src.data(), n_);
    }

    basic_byte_view sub(size_t off, size_t n) const { return basic_byte_view(p_ + at(off, n), n); }

private:
    size_t at(size_t off, size_t width) const
    {
        assert(p_ != nullptr && off <= n_ && width <= n_ - off);
        (void)width;
        return off;
    }

    Byte* p_ = nullptr;
    size_t n_ = 0;
};

using byte_view = basic_byte_view<uint8_t>;
using const_byte_view = basic_byte_view<const uint8_t>;

// Checks that the fields of a table lie inside the record, in ascending order without overlap,
// and (when `cover_all`) that together they cover every byte. Used by the tests of each layout.
inline bool field_table_well_formed(const field_table& t, bool cover_all)
{
    uint32_t pos = 0;
    for (const field_desc& f : t) {
        if (f.width == 0 || f.offset < pos || f.end() > t.record_size)
            return false;
        if (cover_all && f.offset != pos)
            return false;
        if (f.is_integer() && f.width != 1 && f.width != 2 && f.width != 4)
            return false;
        pos = f.end();
    }
    return !cover_all || pos == t.record_size;
}
