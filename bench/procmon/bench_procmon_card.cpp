// Memory card and CSV files at full size, each beside the plain system work it stands on, in
// the same run with a warm cache:
//   1. decoding all 7,789 header sectors (tool types, tools, ring directory, 7032 recordings)
//      / pread of the same sectors in the same order                           goal <= 1.5
//   2. the samples of eight full-length records / plain reads of those bytes   goal <= 1.25
//   3. writing a full record file (57 MB) / a plain write of its bytes        goal <= 3
//   4. pm_read_csv of that file / a plain read with a line count              goal <= 8
// Usage: bench_procmon_card [folder]   (default /tmp; needs about 100 MB of disk)
#include <fcntl.h>
#include <unistd.h>

#include <QLocale>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/image/byte_record.h"
#include "core/image/tool_records.h"
#include "procmon/pm_csv.h"
#include "procmon/sdcard_reader.h"
#include "sim/card_image.h"

namespace L = sd_card_layout;

namespace {

double seconds(const std::function<void()>& f, int rounds = 3)
{
    double best = 1e9;
    for (int r = 0; r < rounds; ++r) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

std::vector<uint32_t> header_sectors()
{
    std::vector<uint32_t> v;
    for (int32_t n = 0; n < L::tool_type_count; ++n)
        v.push_back(L::tool_type_sector(n));
    for (int32_t t = 0; t < L::tool_count; ++t)
        v.push_back(L::tool_header_sector(t));
    v.push_back(L::ring_directory);
    for (int32_t s = 0; s < L::ring_slots; ++s)
        v.push_back(L::ring_header_sector((s + 100) % L::ring_slots));  // logical order, ring start 100
    return v;
}

// What the page keeps of a header: its fields decoded.
struct decoded {
    int64_t sum = 0;
    void add(const uint8_t* sector)
    {
        const const_byte_view r(sector + 1, tool_record_size);
        sum += sector[0] + r.i16(tr::number) + r.u16(tr::dn) + r.u16(tr::pn) + r.i32(tr::data_cnt) +
               int64_t(r.u32(tr::data_crc32)) + int64_t(r.text(tr::name, tr::name_size).size());
    }
};

void report(const char* what, double ours, double plain, double goal)
{
    const double ratio = ours / plain;
    std::printf("%-44s %9.4f s  plain %9.4f s  ratio %5.2f  (goal <= %.2f) %s\n", what, ours, plain, ratio, goal,
                ratio <= goal ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::string img = folder + "/bench_procmon_card.img";
    const std::string csv = folder + "/bench_procmon_record.csv";
    const std::string plain_out = folder + "/bench_procmon_plain.csv";
    QLocale::setDefault(QLocale::c());

    std::printf("writing the card image %s ...\n", img.c_str());
    std::vector<uint16_t> full(size_t(L::max_samples));
    for (size_t k = 0; k < full.size(); ++k)
        full[k] = uint16_t((k * 40503u) >> 3);
    {
        card_image::builder b(img);
        b.signature();
        const card_image::tool_type_bytes tt = card_image::distinct_tool_type();
        for (int32_t n = 0; n < L::tool_type_count; ++n)
            b.tool_type(n, 1, tt);
        card_image::tool_bytes rec = card_image::distinct_tool();
        for (int32_t t = 0; t < L::tool_count; ++t) {
            card_image::describe_samples(rec, t < 8 ? full : std::vector<uint16_t>{});
            b.tool(t, 1, rec, t < 8 ? full : std::vector<uint16_t>{});
        }
        card_image::describe_samples(rec, {});
        b.ring_directory(100, 7100);
        for (int32_t s = 0; s < L::ring_slots; ++s)
            b.ring_slot(s, 1, rec, {});
        if (!b.ok()) {
            std::fprintf(stderr, "cannot write %s\n", img.c_str());
            return 1;
        }
    }
    ::setenv("TARVIX_SDCARD_DEVICES", img.c_str(), 1);
    if (!sdcard_rescan() || !sdcard_open() || sdcard_read_ring_directory() != L::ring_slots) {
        std::fprintf(stderr, "the card cannot be read: %s\n", sdcard_last_reason().c_str());
        return 1;
    }
    const int fd = ::open(img.c_str(), O_RDONLY);
    const std::vector<uint32_t> sectors = header_sectors();
    std::printf("%zu header sectors, 8 records of %d samples\n\n", sectors.size(), L::max_samples);

    // 1. headers
    decoded d;
    const auto read_headers = [&] {
        uint8_t b[512];
        for (int32_t n = 0; n < L::tool_type_count; ++n)
            if (sdcard_read_tooltype(n, b))
                d.add(b);
        for (int32_t t = 0; t < L::tool_count; ++t)
            if (sdcard_read_tool_header(t, b))
                d.add(b);
        sdcard_read_ring_directory();
        for (int32_t i = 0; i < g_sdcard().ringCount; ++i)
            if (sdcard_read_ring_header(i, b))
                d.add(b);
    };
    const auto pread_headers = [&] {
        uint8_t b[512];
        for (uint32_t s : sectors)
            if (::pread(fd, b, 512, off_t(uint64_t(s) * 512)) != 512)
                std::abort();
    };
    read_headers();  // warm
    pread_headers();
    report("1. decode 7,789 header sectors", seconds(read_headers, 5), seconds(pread_headers, 5), 1.5);

    // 2. samples of eight records
    std::vector<std::vector<uint16_t>> samples(8);
    const auto read_samples = [&] {
        for (int32_t t = 0; t < 8; ++t)
            if (!sdcard_read_samples(false, t, L::max_samples, samples[size_t(t)]))
                std::abort();
    };
    // The plain reads go to eight buffers of their own too, so both sides fill the same
    // amount of memory.
    std::vector<std::vector<uint8_t>> raw(8, std::vector<uint8_t>(size_t(L::data_sectors) * 512));
    const auto pread_samples = [&] {
        for (int32_t t = 0; t < 8; ++t)
            if (::pread(fd, raw[size_t(t)].data(), raw[size_t(t)].size(),
                        off_t(uint64_t(L::tool_header_sector(t) + 1) * 512)) != ssize_t(raw[size_t(t)].size()))
                std::abort();
    };
    read_samples();
    pread_samples();
    report("2. samples of eight full records", seconds(read_samples), seconds(pread_samples), 1.25);
    if (samples[7] != full)
        std::fprintf(stderr, "samples differ\n");

    // 3. a full record file
    uint8_t header[512];
    sdcard_read_tool_header(0, header);
    const auto write_csv = [&] {
        if (!write_record_csv(false, 0, header, QString::fromStdString(csv)))
            std::abort();
    };
    write_csv();
    std::string bytes;
    {
        const int in = ::open(csv.c_str(), O_RDONLY);
        bytes.resize(size_t(::lseek(in, 0, SEEK_END)));
        if (::pread(in, &bytes[0], bytes.size(), 0) != ssize_t(bytes.size()))
            std::abort();
        ::close(in);
    }
    const auto plain_write = [&] {
        const int out = ::open(plain_out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || ::write(out, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
            std::abort();
        ::close(out);
    };
    std::printf("record file: %zu bytes\n", bytes.size());
    report("3. write a full record file", seconds(write_csv), seconds(plain_write), 3.0);

    // 4. reading it back
    std::vector<int16_t> back;
    const auto read_csv = [&] {
        bool ok = false;
        if (!pm_read_csv(back, nullptr, ok, QString::fromStdString(csv)))
            std::abort();
    };
    size_t lines = 0;
    const auto plain_read = [&] {
        std::string buf(bytes.size(), '\0');
        const int in = ::open(csv.c_str(), O_RDONLY);
        size_t got = 0;
        for (ssize_t r; (r = ::read(in, &buf[got], buf.size() - got)) > 0;)
            got += size_t(r);
        ::close(in);
        lines = size_t(std::count(buf.begin(), buf.begin() + long(got), '\n'));
    };
    read_csv();
    plain_read();
    report("4. pm_read_csv of the record file", seconds(read_csv), seconds(plain_read), 8.0);
    if (back.size() != size_t(L::max_samples) || lines != size_t(L::max_samples) + 47)
        std::fprintf(stderr, "read %zu samples, %zu lines\n", back.size(), lines);

    sdcard_close();
    ::close(fd);
    ::unlink(img.c_str());
    ::unlink(csv.c_str());
    ::unlink(plain_out.c_str());
    std::printf("\n(checksum %lld)\n", static_cast<long long>(d.sum));
    return 0;
}
