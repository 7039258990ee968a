// The card readers and the record and tool-type writers over arbitrary sectors: the input fills
// the ring directory, a tool-type sector, a tool header and a recording header of a card image
// (sparse, made once), and picks the indices read.
#include <fcntl.h>
#include <unistd.h>

#include <QString>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/image/byte_record.h"
#include "core/image/tool_records.h"
#include "procmon/pm_csv.h"
#include "procmon/sdcard_reader.h"

namespace L = sd_card_layout;

namespace {

struct card_file {
    std::string path = "/tmp/fuzz_procmon_card_" + std::to_string(::getpid()) + ".img";
    std::string out = "/tmp/fuzz_procmon_card_" + std::to_string(::getpid()) + ".csv";
    int fd = -1;
    card_file()
    {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::ftruncate(fd, off_t(L::card_bytes)) != 0)
            std::abort();
        uint8_t s[512] = {'T', 'V', 'X', '_', 'S', 'D', 'C'};
        if (::pwrite(fd, s, sizeof s, 0) != 512)
            std::abort();
        ::setenv("TARVIX_SDCARD_DEVICES", path.c_str(), 1);
    }
    ~card_file()
    {
        ::close(fd);
        ::unlink(path.c_str());
        ::unlink(out.c_str());
    }
    void sector(uint32_t n, const uint8_t* data, size_t size)
    {
        uint8_t s[512] = {};
        std::memcpy(s, data, size < 512 ? size : 512);
        if (::pwrite(fd, s, 512, off_t(uint64_t(n) * 512)) != 512)
            std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static card_file card;
    if (size < 8)
        return 0;
    const int32_t i = int32_t(le::u16(data)) - 100;  // an index, now and then out of range
    const int32_t k = int32_t(le::u16(data + 2)) % 7100 - 20;
    data += 4;
    size -= 4;
    const size_t part = size / 4;
    card.sector(L::ring_directory, data, part);
    card.sector(L::tool_type_sector(0), data + part, part);
    // Sample counts kept to a few chunks so every run stays short; the clamp is tested apart.
    uint8_t header[512] = {};
    std::memcpy(header, data + 2 * part, part < 512 ? part : 512);
    le::put32(header + 1 + tr::data_cnt, uint32_t(int32_t(le::u32(header + 1 + tr::data_cnt) % 70000) - 1000));
    card.sector(L::tool_header_sector(0), header, sizeof header);
    const uint32_t slot = (uint32_t(data[size - 1]) * 257 + uint32_t(part)) % uint32_t(L::ring_slots);
    card.sector(L::ring_header_sector(int32_t(slot)), header, sizeof header);

    sdcard_reset_for_tests();
    if (!sdcard_rescan() || !sdcard_open())
        std::abort();
    uint8_t b[512];
    sdcard_read_tooltype(i, b);
    sdcard_read_tool_header(i, b);
    sdcard_read_tool_data_sector(i, k, b);
    const int32_t count = sdcard_read_ring_directory();
    if (count < 0 || count > L::ring_slots)
        std::abort();
    sdcard_read_ring_header(i, b);
    sdcard_read_ring_data_sector(i, k, b);
    const QString out = QString::fromStdString(card.out);
    if (sdcard_read_tooltype(0, b))
        write_tooltype_csv(0, b, out);
    if (sdcard_read_tool_header(0, b))
        write_record_csv(false, 0, b, out);
    for (int32_t r = 0; r < count && r < 3; ++r)
        if (sdcard_read_ring_header(r, b))
            write_record_csv(true, uint32_t(r), b, out);
    sdcard_close();
    return 0;
}
