// The download sequences over USB against tvxsim with its 1 ms report pacing: the payload
// rate of a 256 KiB HEX download, binary download and upload beside the link's own bound
// for the same exchanges (2 ms each: one report per 1 ms frame each way), with the caller's
// CPU time; and the HEX line reader beside a plain line-by-line read of a 4 MiB file.
// Ratios to meet: transfers at least 0.9 with CPU under 10 % of the wall time; the
// reader at least 0.25.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "flashlink/C_SndHex.h"
#include "platform/hex_record.h"
#include "sim/test_image.h"
#include "tests/sim/tvxsim_process.h"

// The serial line and ICMP rows (link_rows.cpp).
int run_link_rows();

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;
constexpr uint32_t image_size = 256 * 1024;
constexpr double exchange_ms = 2.0;

double cpu_seconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

uint64_t log_next(testing_support::tvxsim_process& sim)
{
    std::string r;
    sim.control().command("log-next", &r);
    return std::stoull(r);
}

struct result {
    double seconds, cpu;
    uint64_t exchanges;
};

template <class F>
result measure(testing_support::tvxsim_process& sim, F run)
{
    uint64_t before = log_next(sim);
    double c0 = cpu_seconds();
    auto t0 = clock_type::now();
    uint16_t r = run();
    double seconds = std::chrono::duration<double>(clock_type::now() - t0).count();
    double cpu = cpu_seconds() - c0;
    if (r != 0)
        std::printf("  transfer failed: 0x%04X\n", r);
    // Every exchange is a request and its reply in the wire log.
    return {seconds, cpu, (log_next(sim) - before) / 2};
}

void report(const char* name, const result& r, uint32_t payload)
{
    double bound = double(r.exchanges) * exchange_ms / 1000.0;
    double ratio = bound / r.seconds;
    std::printf("%-16s %7.2f s  %6llu exchanges  %6.1f KiB/s  bound %6.1f KiB/s  ratio %.3f %s  CPU %.1f %% %s\n", name,
                r.seconds, static_cast<unsigned long long>(r.exchanges), payload / 1024.0 / r.seconds,
                payload / 1024.0 / bound, ratio, ratio >= 0.9 ? "ok" : "LOW", 100.0 * r.cpu / r.seconds,
                r.cpu / r.seconds < 0.1 ? "ok" : "HIGH");
}

void parse_ratio(const fs::path& dir)
{
    test_image::hex_options o;
    o.seed = 4;
    o.data_bytes = 1600 * 1024;
    o.base = 0x08000000;
    o.segment_records = false;
    auto img = test_image::make_hex(o);
    fs::path file = dir / "big.hex";
    std::ofstream(file, std::ios::binary) << img.text;
    auto time = [&](auto body) {
        double best = 1e9;
        for (int i = 0; i < 5; ++i) {
            std::FILE* f = std::fopen(file.c_str(), "rb");
            auto t0 = clock_type::now();
            body(f);
            best = std::min(best, std::chrono::duration<double>(clock_type::now() - t0).count());
            std::fclose(f);
        }
        return best;
    };
    size_t lines = 0, pieces = 0;
    double plain = time([&](std::FILE* f) {
        char buf[1024];
        lines = 0;
        while (std::fgets(buf, sizeof buf, f))
            ++lines;
    });
    double parse = time([&](std::FILE* f) {
        std::string line;
        uint8_t piece[hex_record::max_piece];
        pieces = 0;
        while (hex_record::read_line(f, line) == hex_record::read_result::line)
            pieces += hex_record::to_piece(line.data(), line.size(), piece, sizeof piece) != 0;
    });
    double read_only = time([&](std::FILE* f) {
        std::string line;
        while (hex_record::read_line(f, line) == hex_record::read_result::line) {
        }
    });
    std::printf("HEX lines alone  %.1f MiB/s\n", double(img.text.size()) / (1 << 20) / read_only);
    double mib = double(img.text.size()) / (1 << 20);
    std::printf("HEX reader       %.2f MiB, %zu lines: plain read %.1f MiB/s, reader %.1f MiB/s (%zu pieces), ratio %.3f %s\n",
                mib, lines, mib / plain, mib / parse, pieces, plain / parse, plain / parse >= 0.25 ? "ok" : "LOW");
}

}  // namespace

int main(int argc, char** argv)
{
    // "reader": the HEX reader alone, without tvxsim.
    if (argc > 1 && std::string(argv[1]) == "reader") {
        fs::path dir = fs::temp_directory_path() / ("hexbench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        parse_ratio(dir);
        fs::remove_all(dir);
        return 0;
    }
    // "links": the serial and ICMP rows alone.
    if (argc > 1 && std::string(argv[1]) == "links")
        return run_link_rows();
    testing_support::tvxsim_process sim({"--pace", "--profile", "loader"});
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    fs::path dir = fs::path(sim.folder()) / "bench";
    fs::create_directories(dir);
    parse_ratio(dir);

    if (C_SndHex::DrvInitUsb("Tarvix 9") != 0) {
        std::fprintf(stderr, "no device\n");
        return 1;
    }
    C_SndHex s(PROT_USB, 0, 1);

    test_image::hex_options o;
    o.seed = 8;
    o.data_bytes = image_size;
    o.base = 0x4000;
    o.max_gap = 0;
    auto img = test_image::make_hex(o);
    std::ofstream(dir / "image.hex", std::ios::binary) << img.text;
    auto bin = test_image::make_binary(8, image_size);
    std::ofstream(dir / "image.bin", std::ios::binary).write(reinterpret_cast<const char*>(bin.data()), long(bin.size()));

    result hex = measure(sim, [&] {
        return s.HexDownload(nullptr, nullptr, 1, (dir / "image.hex").c_str(), 0, 1, 1, 7, 0x80, 0, 1, 0, 0, -1, 0, 0, 1);
    });
    result down = measure(sim, [&] {
        return s.BinDownload(nullptr, nullptr, 1, (dir / "image.bin").c_str(), 0, 1, 1, 7, 0x80, 0x0400, 0, 0, 0, 1, 0, 0,
                             -1, 0, 0, 1);
    });
    result up = measure(sim, [&] {
        return s.BinUpload(nullptr, nullptr, 1, (dir / "up.bin").c_str(), 0x80, 0x0400, 0, image_size, 0, 1, 0, 0, 0, 1);
    });
    C_SndHex::DrvCloseUsb();
    std::printf("\n\nUSB paced at 1 ms per report each way; bound: 2 ms per exchange\n");
    report("HEX download", hex, image_size);
    report("binary download", down, image_size);
    report("upload", up, image_size);
    return run_link_rows();
}
