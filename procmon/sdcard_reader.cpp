#include "procmon/sdcard_reader.h"

#include <cstring>

#include "core/image/byte_record.h"

namespace L = sd_card_layout;

namespace {

struct module_state {
    uint16_t sector_size = L::sector_size;
    int32_t search_drive = 0;  // the drive the last search ended on
    std::string search_path;   // its device
    disk::device dev;
    disk::roots roots;
    std::string reason;
    std::vector<std::string> refusals;
};

module_state& m()
{
    static module_state s;
    return s;
}

bool signed_card(const uint8_t* s)
{
    return std::memcmp(s, "TVX_", 4) == 0 && s[4] == 'S' && s[5] == 'D' && s[6] == 'C';
}

bool read_or_zero(uint32_t sector, uint8_t* out)
{
    if (!sdcard_read_sectors(sector, 1, out)) {
        std::memset(out, 0, L::sector_size);
        return false;
    }
    return true;
}

bool in_range(int32_t v, int32_t end) { return v >= 0 && v < end; }

bool little_endian_host()
{
    const uint16_t probe = 1;
    uint8_t first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1;
}

}  // namespace

sdcard_reader& g_sdcard()
{
    static sdcard_reader r;
    return r;
}

const std::string& sdcard_last_reason() { return m().reason; }
const std::vector<std::string>& sdcard_search_refusals() { return m().refusals; }
void sdcard_set_roots(const disk::roots& r) { m().roots = r; }

void sdcard_reset_for_tests()
{
    module_state& s = m();
    s.dev.close();
    s.sector_size = L::sector_size;
    s.search_drive = 0;
    s.search_path.clear();
    s.reason.clear();
    s.refusals.clear();
    g_sdcard() = sdcard_reader{};
}

bool sdcard_search_drives()
{
    module_state& s = m();
    s.search_drive = 0;
    s.search_path.clear();
    s.refusals.clear();
    s.reason = "no signed memory card in any drive";
    uint8_t sector[L::sector_size];
    for (const disk::drive_candidate& c : disk::list_drives(s.roots)) {
        if (c.index < 4 || (c.kind != disk::drive_kind::removable && c.kind != disk::drive_kind::fixed))
            continue;
        disk::device d;
        if (!d.open(c.device_path)) {
            if (d.error() == EACCES || d.error() == EPERM)
                s.refusals.push_back(d.reason());
            continue;
        }
        const bool card = d.media_present() && d.read_at(0, sector, sizeof sector) && signed_card(sector);
        d.close();
        if (card) {
            s.search_drive = c.index;
            s.search_path = c.device_path;
            s.reason.clear();
            return true;
        }
    }
    return false;
}

bool sdcard_find(int32_t& driveOut)
{
    driveOut = 0;
    if (!sdcard_search_drives())
        return false;
    driveOut = m().search_drive;
    return true;
}

bool sdcard_init(uint16_t sectorSize, int32_t& driveOut)
{
    // The card's sectors are 512 bytes; a size of 0 would make every read an empty success.
    m().sector_size = sectorSize ? sectorSize : uint16_t(L::sector_size);
    return sdcard_find(driveOut);
}

bool sdcard_rescan() { return sdcard_find(g_sdcard().drive); }

bool sdcard_get_device_number(int32_t driveIndex, int32_t& deviceOut)
{
    if (driveIndex == m().search_drive && !m().search_path.empty()) {
        deviceOut = driveIndex - 4;
        return true;
    }
    for (const disk::drive_candidate& c : disk::list_drives(m().roots))
        if (c.index == driveIndex) {
            deviceOut = driveIndex - 4;
            return true;
        }
    return false;
}

bool sdcard_open_physical_drive()
{
    module_state& s = m();
    int32_t number = 0;
    if (!sdcard_get_device_number(s.search_drive, number))
        return false;
    std::string path = s.search_path;
    if (path.empty())
        for (const disk::drive_candidate& c : disk::list_drives(s.roots))
            if (c.index == s.search_drive)
                path = c.device_path;
    if (!s.dev.open(path)) {
        s.reason = s.dev.reason();
        return false;
    }
    return true;
}

bool sdcard_open()
{
    sdcard_reader& r = g_sdcard();
    if (!r.open)
        r.open = sdcard_open_physical_drive();
    return r.open;
}

bool sdcard_close()
{
    sdcard_reader& r = g_sdcard();
    if (r.open) {
        m().dev.close();
        r.open = false;
    }
    return true;
}

bool sdcard_read_sectors(uint32_t sector, uint16_t count, uint8_t* buf)
{
    module_state& s = m();
    if (!s.dev.is_open()) {
        s.reason = "the memory card is not open";
        return false;
    }
    if (!s.dev.read_at(uint64_t(sector) * s.sector_size, buf, size_t(count) * s.sector_size)) {
        s.reason = s.dev.reason();
        return false;
    }
    return true;
}

bool sdcard_read_tooltype(int32_t n, uint8_t* sector512)
{
    if (!in_range(n, L::tool_type_count))
        return false;
    return read_or_zero(L::tool_type_sector(n), sector512);
}

bool sdcard_read_tool_header(int32_t t, uint8_t* sector512)
{
    if (!in_range(t, L::tool_count))
        return false;
    return read_or_zero(L::tool_header_sector(t), sector512);
}

bool sdcard_read_tool_data_sector(int32_t t, int32_t k, uint8_t* sector512)
{
    if (!in_range(t, L::tool_count) || !in_range(k, L::data_sectors))
        return false;
    return read_or_zero(L::tool_header_sector(t) + 1 + uint32_t(k), sector512);
}

int32_t sdcard_ring_slot(int32_t i)
{
    const sdcard_reader& r = g_sdcard();
    if (!in_range(i, r.ringCount))
        return -1;
    return int32_t((int64_t(i) + r.ringStart) % L::ring_slots);
}

int32_t sdcard_read_ring_directory()
{
    sdcard_reader& r = g_sdcard();
    r.ringStart = 0;
    r.ringCount = 0;
    uint8_t sector[L::sector_size];
    if (!sdcard_read_sectors(L::ring_directory, 1, sector)) {
        m().reason = "ring directory unreadable: " + m().reason;
        return 0;
    }
    const uint32_t next = le::u32(sector + L::ring_next_slot);
    const uint32_t low = le::u32(sector + L::ring_total_low);
    const uint32_t high = le::u32(sector + L::ring_total_high);
    if (next > uint32_t(L::ring_slots)) {
        m().reason = "ring directory corrupt: next slot " + std::to_string(next);
        return 0;
    }
    // Wrapped once the ring has been written full: the controller may have moved the next slot
    // back to 0 already (7032 written, next slot 0) or not yet (next slot 7032).
    if (high != 0 || low >= uint32_t(L::ring_slots)) {
        r.ringStart = int32_t(next % uint32_t(L::ring_slots));
        r.ringCount = L::ring_slots;
    } else {
        r.ringCount = int32_t(next);
    }
    m().reason.clear();
    return r.ringCount;
}

bool sdcard_read_ring_header(int32_t i, uint8_t* sector512)
{
    const int32_t slot = sdcard_ring_slot(i);
    if (slot < 0)
        return false;
    return read_or_zero(L::ring_header_sector(slot), sector512);
}

bool sdcard_read_ring_data_sector(int32_t i, int32_t k, uint8_t* sector512)
{
    const int32_t slot = sdcard_ring_slot(i);
    if (slot < 0 || !in_range(k, L::data_sectors))
        return false;
    return read_or_zero(L::ring_header_sector(slot) + 1 + uint32_t(k), sector512);
}

bool sdcard_read_data_sectors(bool isRecording, int32_t index, int32_t k, int32_t count, uint8_t* buf)
{
    uint32_t header = 0;
    if (isRecording) {
        const int32_t slot = sdcard_ring_slot(index);
        if (slot < 0)
            return false;
        header = L::ring_header_sector(slot);
    } else {
        if (!in_range(index, L::tool_count))
            return false;
        header = L::tool_header_sector(index);
    }
    if (!in_range(k, L::data_sectors) || count <= 0 || count > L::data_sectors - k)
        return false;
    uint32_t sector = header + 1 + uint32_t(k);
    uint8_t* p = buf;
    while (count > 0) {
        const uint16_t n = uint16_t(count > 0xFFFF / 2 ? 0x7FFF : count);
        if (!sdcard_read_sectors(sector, n, p)) {
            std::memset(buf, 0, size_t(p - buf) + size_t(count) * L::sector_size);
            return false;
        }
        sector += n;
        p += size_t(n) * L::sector_size;
        count -= n;
    }
    return true;
}

bool sdcard_read_samples(bool isRecording, int32_t index, int32_t count, std::vector<uint16_t>& samples)
{
    count = L::clamp_count(count);
    const int32_t sectors = L::sectors_for(count);
    if (sectors == 0) {
        samples.clear();
        return isRecording ? sdcard_ring_slot(index) >= 0 : in_range(index, L::tool_count);
    }
    samples.resize(size_t(sectors) * L::samples_per_sector);
    if (!sdcard_read_data_sectors(isRecording, index, 0, sectors, reinterpret_cast<uint8_t*>(samples.data()))) {
        samples.clear();
        return false;
    }
    if (!little_endian_host())
        for (uint16_t& v : samples)
            v = le::u16(reinterpret_cast<const uint8_t*>(&v));
    samples.resize(size_t(count));
    return true;
}
