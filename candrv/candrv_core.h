// What the CAN driver libraries share: the message objects with their handles, identifier matching
// and receive buffers, the message FIFO's memory layout, the bit-timing tables and the bounds on
// handles and lengths. Linked into each library; nothing here is exported from them.
#pragma once
#include <cstddef>
#include <cstdint>

namespace candrv {

constexpr int object_count = 16;
constexpr uint8_t max_length = 8;
constexpr uint16_t id_mask = 0x7FF;

// Handles index every per-object array; anything else must never reach one.
inline bool valid_handle(int h) { return h >= 0 && h < object_count; }
// A controller's length field has four bits; the buffers hold eight bytes.
inline uint8_t clamp_length(unsigned dlc) { return static_cast<uint8_t>(dlc > max_length ? max_length : dlc); }

enum kind_flags : uint8_t { kind_free = 0, kind_send = 1, kind_receive = 2, kind_fifo = 4, kind_extra = 8 };

// A field of a fixed byte layout (receive buffers, FIFO header), little-endian.
struct field {
    const char* name;
    size_t offset;
    size_t width;
};
uint32_t get_field(const uint8_t* base, const field& f);
void put_field(uint8_t* base, const field& f, uint32_t v);

// Receive buffer, layout A: length, a zero byte, identifier, eight data bytes.
namespace layout_a {
constexpr size_t size = 12;
constexpr field length{"length", 0, 1};
constexpr field second{"second", 1, 1};
constexpr field id{"id", 2, 2};
constexpr size_t data_offset = 4;
void store(uint8_t* buf, uint16_t id, uint8_t length, const uint8_t* data8);
}  // namespace layout_a

// The message FIFO: a 16-byte header and a ring of 12-byte records, in memory a kernel driver may
// share, so the layout is fixed byte by byte.
namespace fifo {
constexpr size_t header_size = 16;
constexpr uint16_t record_size = 12;
constexpr uint16_t max_capacity = 5459;  // the total size must fit 16 bits
constexpr field capacity{"capacity", 0, 2};
constexpr field total_size{"total_size", 2, 2};
constexpr field record_bytes{"record_size", 4, 2};
constexpr field write_index{"write_index", 6, 2};
constexpr field read_index{"read_index", 8, 2};
constexpr field overflow{"overflow", 10, 2};

// Capacity 0 would divide by zero in the ring arithmetic; above the maximum the size wraps.
inline bool valid_capacity(uint16_t c) { return c >= 1 && c <= max_capacity; }
inline uint16_t size_for(uint16_t c) { return static_cast<uint16_t>(c * record_size + header_size); }
void init(uint8_t* f, uint16_t cap);
void clear(uint8_t* f);
bool empty(const uint8_t* f);
bool full(const uint8_t* f);
// A ring whose header no longer makes sense (indices past the capacity) counts as empty and full,
// so it is neither read nor written past its end.
bool sane(const uint8_t* f);
bool push(uint8_t* f, const uint8_t* record);
bool pop(uint8_t* f, uint8_t* record);
}  // namespace fifo

// Bit-timing tables: row = baud index 0..8.
constexpr int timing_rows = 9;
struct timing_row {
    uint32_t bitrate;        // at the 16 MHz controller clock, for the SJA1000 words
    uint16_t pcanbridge;     // bus timing 0 (high byte) and 1 (low byte)
    uint16_t portcan;
    uint8_t isacan_reg0;     // isacan's own pair: register 0, register 3
    uint8_t isacan_reg3;
};
extern const timing_row timing_table[timing_rows];
enum class library { pcanbridge, portcan, kerncan, isacan };
// Whether the library accepts the index (kerncan leaves it to its driver: every index passes here).
bool baud_accepted(library lib, int index);

// The sixteen message objects and what goes with them in pcanbridge and portcan.
struct object_table {
    uint8_t kind[object_count];
    uint8_t second[object_count];
    uint16_t id[object_count];
    uint8_t* fifo[object_count];
    uint8_t pending[object_count];
    uint8_t rxbuf[object_count][layout_a::size];
    int16_t top;
    uint16_t global_mask;
    uint16_t diag_mask;
    bool overrun;

    // State after a device open: all free, masks 0x7FF and 0.
    void clear();

    struct allocation {
        int16_t candidate;
        bool taken;
    };
    // Receive-object allocation: the first free object from 1 (scan ends at last + 1) or object 0
    // with the object-0 option. A taken object becomes a receive object (with its FIFO).
    allocation allocate_receive(uint16_t ident, uint8_t* f, bool object0, int last);
    // What pcanbridge and portcan do with the candidate, taken or not.
    void note_candidate(int16_t candidate);
    // The receive object a frame's identifier selects, or -1.
    int dispatch(uint16_t ident) const;
    // A frame for an object without FIFO: latches an overrun if the last one was not read yet.
    void deliver(int h, uint16_t ident, uint8_t length, const uint8_t* data8);
    void close(int h);
    // The object's buffer as it stands; the pending flag is not examined first.
    void read(int h, uint8_t* data, uint8_t* length, int16_t* ident, int16_t* extra);
};

}  // namespace candrv
