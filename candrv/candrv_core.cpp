#include "candrv_core.h"

#include <cstring>

namespace candrv {

uint32_t get_field(const uint8_t* base, const field& f)
{
    uint32_t v = 0;
    for (size_t i = 0; i < f.width; ++i)
        v |= static_cast<uint32_t>(base[f.offset + i]) << (8 * i);
    return v;
}

void put_field(uint8_t* base, const field& f, uint32_t v)
{
    for (size_t i = 0; i < f.width; ++i)
        base[f.offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

void layout_a::store(uint8_t* buf, uint16_t ident, uint8_t len, const uint8_t* data8)
{
    put_field(buf, layout_a::length, clamp_length(len));
    put_field(buf, layout_a::second, 0);
    put_field(buf, layout_a::id, ident);
    std::memcpy(buf + data_offset, data8, max_length);
}

namespace fifo {

void init(uint8_t* f, uint16_t cap)
{
    put_field(f, capacity, cap);
    put_field(f, total_size, size_for(cap));
    put_field(f, record_bytes, record_size);
    put_field(f, write_index, 0);
    put_field(f, read_index, 0);
    put_field(f, overflow, 0);
}

void clear(uint8_t* f)
{
    put_field(f, write_index, 0);
    put_field(f, read_index, 0);
    put_field(f, overflow, 0);
}

bool sane(const uint8_t* f)
{
    uint32_t cap = get_field(f, capacity);
    return valid_capacity(static_cast<uint16_t>(cap)) && get_field(f, write_index) < cap &&
           get_field(f, read_index) < cap;
}

bool empty(const uint8_t* f)
{
    return !sane(f) || get_field(f, write_index) == get_field(f, read_index);
}

bool full(const uint8_t* f)
{
    if (!sane(f))
        return true;
    uint32_t cap = get_field(f, capacity);
    return (get_field(f, write_index) + 1) % cap == get_field(f, read_index);
}

bool push(uint8_t* f, const uint8_t* record)
{
    if (full(f))
        return false;
    uint32_t w = get_field(f, write_index);
    std::memcpy(f + header_size + w * record_size, record, record_size);
    put_field(f, write_index, (w + 1) % get_field(f, capacity));
    return true;
}

bool pop(uint8_t* f, uint8_t* record)
{
    if (empty(f))
        return false;
    uint32_t r = get_field(f, read_index);
    std::memcpy(record, f + header_size + r * record_size, record_size);
    put_field(f, read_index, (r + 1) % get_field(f, capacity));
    return true;
}

}  // namespace fifo

const timing_row timing_table[timing_rows] = {
    {10000, 0x672F, 0x672F, 0x1C, 0x31},
    {20000, 0x532F, 0x532F, 0x1C, 0x18},
    {50000, 0x472F, 0x472F, 0x1C, 0x09},
    {100000, 0x432F, 0x432F, 0x1C, 0x04},
    {125000, 0x031C, 0x031C, 0x1C, 0x03},
    {250000, 0x011C, 0x011C, 0x1C, 0x01},
    {500000, 0x001C, 0x001C, 0x1C, 0x00},
    // Row 7 differs: 1 Mbit/s in pcanbridge, a 500 kbit/s word that portcan refuses, 800 kbit/s on the ISA board.
    {1000000, 0x0014, 0x001C, 0x16, 0x00},
    {1000000, 0x0014, 0x0014, 0x14, 0x00},
};

bool baud_accepted(library lib, int index)
{
    switch (lib) {
    case library::pcanbridge:
        return index >= 0 && index <= 8;
    case library::portcan:
        return (index >= 1 && index <= 6) || index == 8;
    case library::isacan:
        return index >= 1 && index <= 8;
    case library::kerncan:
        return true;
    }
    return false;
}

void object_table::clear()
{
    std::memset(kind, 0, sizeof(kind));
    std::memset(second, 0, sizeof(second));
    std::memset(id, 0, sizeof(id));
    for (uint8_t*& f : fifo)
        f = nullptr;
    std::memset(pending, 0, sizeof(pending));
    std::memset(rxbuf, 0, sizeof(rxbuf));
    top = 0;
    global_mask = id_mask;
    diag_mask = 0;
    overrun = false;
}

object_table::allocation object_table::allocate_receive(uint16_t ident, uint8_t* f, bool object0, int last)
{
    int16_t cand = 0;
    if (!object0) {
        cand = 1;
        while (cand <= last && kind[cand] != kind_free)
            ++cand;
    }
    bool take = object0 ? kind[0] == kind_free : (cand >= 1 && cand <= last);
    if (take) {
        kind[cand] = static_cast<uint8_t>(kind_receive | (f ? kind_fifo : 0));
        fifo[cand] = f;
        second[cand] = 0;
        id[cand] = ident;
    }
    return {cand, take};
}

void object_table::note_candidate(int16_t cand)
{
    if (valid_handle(cand))
        pending[cand] = 0;
    if (cand > top)
        ++top;
}

int object_table::dispatch(uint16_t ident) const
{
    auto matches = [&](int i, uint16_t mask) {
        return (kind[i] & 3) == kind_receive && (ident & mask) == (id[i] & mask);
    };
    int start = top < object_count ? top : object_count - 1;
    if (start > 0) {
        for (int i = start; i > 0; --i)
            if (matches(i, global_mask))
                return i;
    } else if (matches(0, global_mask)) {
        return 0;
    }
    return matches(0, diag_mask) ? 0 : -1;
}

void object_table::deliver(int h, uint16_t ident, uint8_t length, const uint8_t* data8)
{
    if (!valid_handle(h))
        return;
    if (pending[h])
        overrun = true;
    pending[h] = 1;
    layout_a::store(rxbuf[h], ident, length, data8);
}

void object_table::close(int h)
{
    if (!valid_handle(h))
        return;
    kind[h] = kind_free;
    second[h] = 0;
    id[h] = 0;
    fifo[h] = nullptr;
    pending[h] = 0;
    if (h == top && h != 0)
        --top;
}

void object_table::read(int h, uint8_t* data, uint8_t* length, int16_t* ident, int16_t* extra)
{
    if (!valid_handle(h))
        return;
    const uint8_t* b = rxbuf[h];
    if (data)
        std::memcpy(data, b + layout_a::data_offset, max_length);
    if (length)
        *length = clamp_length(get_field(b, layout_a::length));
    if (ident)
        *ident = static_cast<int16_t>(get_field(b, layout_a::id));
    if (extra)
        *extra = 0;
    pending[h] = 0;
}

}  // namespace candrv
