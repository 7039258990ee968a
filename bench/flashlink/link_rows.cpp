// The serial line and ICMP echo rows of the transfer benchmark: binary downloads into the
// simulated loader's RAM through tvxsim's paced pty (11 bits a byte at the rate the port
// set) and through its TUN device. Bounds: serial, the line bytes both ways × 11 ÷ baud;
// ICMP, packets × the 2 ms pause before each. Ratios to meet: serial 0.9 with the caller's
// CPU under 10 % of the wall time, ICMP 0.8. The process moves into a network namespace of
// its own before anything else, and tvxsim runs in it: the ICMP row reaches the controller's
// address only there.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "flashlink/C_SndHex.h"
#include "sim/net_namespace.h"
#include "sim/simulator.h"
#include "sim/test_image.h"
#include "sim/tun_peer.h"
#include "support/own_network.h"
#include "tests/sim/tvxsim_process.h"

namespace {

namespace fs = std::filesystem;
using clock_type = std::chrono::steady_clock;

const testing_support::own_network_state& g_network = testing_support::own_network();

double cpu_now()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct run_result {
    double seconds = 0, cpu = 0;
    uint64_t line_bytes = 0, packets = 0;
    uint16_t code = 0;
};

run_result download(testing_support::tvxsim_process& sim, T_PROTOCOL p, uint8_t fast, const fs::path& file,
                    uint8_t iface)
{
    sim.control().clear_log();
    C_SndHex s(p, 0, fast);
    run_result r;
    double c0 = cpu_now();
    auto t0 = clock_type::now();
    r.code = s.BinDownload(nullptr, nullptr, 1, file.c_str(), 0, 0, 0, 0, 0, 0xC000, 0, 1, 0, 1, 0, 0, -1, 0, 0, 1);
    r.seconds = std::chrono::duration<double>(clock_type::now() - t0).count();
    r.cpu = cpu_now() - c0;
    for (const auto& e : sim.control().wire_log()) {
        if (e.interface_index != iface)
            continue;
        size_t frame = e.report.size() - 2;
        // Plain frames are 8 bytes and a sum; fast ones carry start byte, length and sum.
        r.line_bytes += fast ? frame + 4 : 9;
        if (e.direction == sim::wire_direction::in)
            ++r.packets;
    }
    return r;
}

void row(const char* name, const run_result& r, uint32_t payload, double bound, double need, bool cpu_matters)
{
    double ratio = bound / r.seconds;
    std::printf("%-22s %7.2f s  %6.1f KiB/s  bound %7.2f s  ratio %.3f %s", name, r.seconds, payload / 1024.0 / r.seconds,
                bound, ratio, ratio >= need ? "ok" : "LOW");
    if (cpu_matters)
        std::printf("  CPU %.1f %% %s", 100.0 * r.cpu / r.seconds, r.cpu / r.seconds < 0.1 ? "ok" : "HIGH");
    if (r.code)
        std::printf("  transfer failed: 0x%04X", r.code);
    std::printf("\n");
}

}  // namespace

int run_link_rows()
{
    std::vector<std::string> args = {"--pace", "--profile", "loader", "--serial"};
    const std::string peer = sim::tun_peer::default_peer;
    if (g_network.ok)
        args.push_back("--tun");
    testing_support::tvxsim_process sim(args);
    if (!sim.ok()) {
        std::fprintf(stderr, "tvxsim: %s\n", sim.error().c_str());
        return 1;
    }
    std::string slave;
    sim.control().command("serial-path", &slave);
    ::setenv("TARVIX_COM3", slave.c_str(), 1);
    fs::path dir = fs::path(sim.folder()) / "links";
    fs::create_directories(dir);
    auto write = [&](const char* name, uint32_t size) {
        auto bin = test_image::make_binary(9, size);
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bin.data()), long(bin.size()));
        return dir / name;
    };
    fs::path small = write("small.bin", 2 * 1024), medium = write("medium.bin", 32 * 1024),
             large = write("large.bin", 256 * 1024);

    std::printf("\nserial paced at 11 bits a byte; ICMP bound: 2 ms per packet\n");
    struct serial_case {
        const char* name;
        T_BAUDRATE rate;
        uint32_t baud;
        uint8_t fast;
        const fs::path& file;
        uint32_t size;
    };
    const serial_case cases[] = {{"serial 115200 fast", 12, 115200, 1, medium, 32 * 1024},
                                 {"serial 9600 plain", 7, 9600, 0, small, 2 * 1024}};
    for (const auto& c : cases) {
        if (C_SndHex::DrvInitV24(3, c.rate) != 0) {
            std::printf("%-22s port cannot be opened\n", c.name);
            continue;
        }
        run_result r = download(sim, PROT_V24, c.fast, c.file, sim::simulator::serial_log_iface);
        C_SndHex::DrvCloseV24();
        row(c.name, r, c.size, double(r.line_bytes) * 11.0 / c.baud, 0.9, true);
    }
    if (!g_network.ok) {
        std::printf("%-22s skipped: %s\n", "ICMP", g_network.why.c_str());
        return 0;
    }
    // Before the first packet: nothing in the namespace but lo and tvxsim's TUN device.
    std::string info, found;
    sim.control().command("tun-info", &info);
    if (!sim::network_is_own({info.substr(0, info.find(' '))}, found)) {
        std::printf("%-22s refused: the benchmark's network namespace has %s\n", "ICMP", found.c_str());
        return 1;
    }
    if (C_SndHex::DrvInitEthernet(peer.c_str()) != 0) {
        std::printf("%-22s socket cannot be opened\n", "ICMP");
        return 0;
    }
    run_result r = download(sim, PROT_ETH, 1, large, sim::simulator::tun_log_iface);
    C_SndHex::DrvCloseEthernet();
    row("ICMP", r, 256 * 1024, double(r.packets) * 2.0 / 1000.0, 0.8, false);
    return 0;
}
