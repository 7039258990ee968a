// Memory-card images as the controller writes them: sparse files of the card's full size (or
// cut short), with tool types, tools with their taught curves and a ring of recordings. Made
// from a seed (realistic cards), from a scenario (plain data the tests and simulator profiles
// share) or sector by sector (stamps, hostile values).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/files/sd_card_layout.h"
#include "core/image/tool_records.h"

namespace sim {
struct world;
}

namespace card_image {

using tool_type_bytes = std::array<uint8_t, tool_type_record_size>;
using tool_bytes = std::array<uint8_t, tool_record_size>;

// Bytes the reader never looks at are filled with these, so a wrong offset reads a pattern
// instead of a lucky zero.
constexpr uint8_t unread_fill = 0xA5;
constexpr uint8_t tail_fill = 0xEE;  // the unused rest of a record's last data sector

uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0);
// CRC-32 of the samples as the card stores them (little-endian).
uint32_t samples_crc32(const std::vector<uint16_t>& samples);

// A record whose every field holds a value of its own (field i: 1000 + 7 i, the Name 31 or 32
// characters), so a swapped or shifted field shows.
tool_type_bytes distinct_tool_type(bool name32 = false);
tool_bytes distinct_tool(bool name32 = false);
// Sets DataCnt, DataMin, DataMax and DataCRC32 from the samples.
void describe_samples(tool_bytes& rec, const std::vector<uint16_t>& samples);

// Writes an image; every write goes to the file at once.
class builder {
public:
    // Creates (or empties) the file with `size` bytes, a hole until written.
    builder(const std::string& path, uint64_t size = sd_card_layout::card_bytes);
    ~builder();
    builder(const builder&) = delete;
    builder& operator=(const builder&) = delete;
    bool ok() const { return fd_ >= 0 && ok_; }

    // Sector 0: the given bytes (e.g. "TVX_SDC", "XVX_SDC", "TVX_SD\0"), then the fill.
    void signature(const std::string& bytes = std::string(sd_card_layout::signature, 7));
    void tool_type(int32_t n, uint8_t flag, const tool_type_bytes& rec);
    // Header of tool t with the samples in its data sectors (as many as fit).
    void tool(int32_t t, uint8_t flag, const tool_bytes& rec, const std::vector<uint16_t>& samples);
    void ring_directory(uint32_t nextSlot, uint64_t totalWritten);
    void ring_slot(int32_t slot, uint8_t flag, const tool_bytes& rec, const std::vector<uint16_t>& samples);
    // The slot that holds logical recording i under the given directory state (the reader's rule).
    static int32_t slot_of(int32_t i, uint32_t nextSlot, uint64_t totalWritten);
    // The sector number (uint64, little-endian) in bytes 0 to 7, the fill after it.
    void stamp(uint32_t sector);
    void raw_sector(uint32_t sector, const uint8_t* bytes512);

private:
    void header_block(uint32_t header, uint8_t flag, const uint8_t* rec, size_t rec_size,
                      const std::vector<uint16_t>& samples);
    void write(uint64_t offset, const uint8_t* p, size_t n);

    int fd_ = -1;
    bool ok_ = true;
};

// A card as plain data.
struct tool_type_entry {
    int32_t n;
    uint8_t flag;
    tool_type_bytes record;
};
struct tool_entry {
    int32_t index;  // tool index, or ring slot for recordings
    uint8_t flag;
    tool_bytes record;  // DataCnt as written (may disagree with the samples)
    std::vector<uint16_t> samples;
};
struct scenario {
    std::string name;
    std::string signature = std::string(sd_card_layout::signature, 7);
    uint64_t size = sd_card_layout::card_bytes;
    std::vector<tool_type_entry> tool_types;
    std::vector<tool_entry> tools;
    uint32_t next_slot = 0;
    uint64_t total_written = 0;
    std::vector<tool_entry> recordings;  // index = ring slot
};

bool write_scenario(const scenario& s, const std::string& path);
// The same card as the simulated controller's stores: tool types and tools in use with their
// curves, the recordings (oldest first) as process-monitor records with theirs.
void load_scenario(sim::world& w, const scenario& s);

// S1 "typical", S2 "empty signed card", S3 "unsigned", S4 "two signed images" (the first of
// the two; the second is S4b), S5 "truncated image", S6 "hostile values".
std::vector<std::string> scenario_names();
scenario make_scenario(const std::string& name);

enum class ring_state { not_wrapped, wrapped, eager_wrap };
struct realistic_options {
    uint32_t seed = 1;
    int tool_types = 6;
    int tools = 24;
    int recordings = 40;  // the newest ones written; a wrapped ring lists 7032 all the same
    ring_state ring = ring_state::not_wrapped;
    int max_samples = 3000;
};
// A card a controller could have written: tool types, tools with taught curves, recordings of
// those tools with break, blunt and missing anomalies.
scenario realistic(const realistic_options& o);

// Stamps the sectors every reader reaches at the ends of its structures (tool types, tool
// headers, first and last data sectors, ring headers and data), over a directory of a full ring.
bool write_stamp_image(const std::string& path);
std::vector<uint32_t> stamped_sectors();

}  // namespace card_image
