// flashlink over CAN on the paced simulated bus: for each driver library at 125 and 500 kbit/s, a
// download of an image and the upload of the same range to the boot loader's node. Prints the
// payload throughput, frames per KiB and the ratio of the time the bus needed for those frames
// (47 + 8 x DLC bit times each) to the time the transfer took; the goal is at least 0.8. The loader
// and client columns show where the rest of the time goes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "flashlink/C_SdoMast.h"
#include "flashlink/can_driver.h"
#include "flashlink/fl_results.h"
#include "flashlink/support/can_world.h"
#include "flashlink/support/fake_comms.h"

namespace {

constexpr uint16_t DOMAIN = 0x30F7;
constexpr uint32_t TRANSFER_BUFFER = 2304;

class buffer_source : public C_RQ_Xld {
public:
    explicit buffer_source(const frame_bytes& bytes) : bytes_(bytes) {}
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t) override
    {
        size_t n = std::min<size_t>(TRANSFER_BUFFER, bytes_.size() - pos_);
        std::copy(bytes_.begin() + pos_, bytes_.begin() + pos_ + n, data);
        pos_ += n;
        *length = static_cast<uint16_t>(n);
        *last = pos_ == bytes_.size() ? 1 : 0;
        return 0;
    }

private:
    const frame_bytes& bytes_;
    size_t pos_ = 0;
};

struct result {
    bool ok;
    double seconds;
    size_t frames;
    double bus_seconds;
    double loader_us, client_us;  // mean time from the end of a frame to the answer's send
};

double mean(const std::vector<double>& v)
{
    double sum = 0;
    for (double x : v)
        sum += x;
    return v.empty() ? 0 : sum / static_cast<double>(v.size());
}

result measure(can_testing::can_world& world, uint16_t node, uint16_t request_id, T_PROTOCOL protocol, bool upload,
               const frame_bytes& image, uint32_t bitrate)
{
    size_t before = world.tap->frames().size();
    C_SdoMast client(protocol, 0);
    auto t0 = std::chrono::steady_clock::now();
    uint16_t r;
    frame_bytes buffer(upload ? image.size() + 64 : TRANSFER_BUFFER);
    buffer_source source(image);
    if (upload)
        r = client.Upload(nullptr, nullptr, node, DOMAIN, 0, static_cast<uint32_t>(buffer.size()), buffer.data(), 0);
    else
        r = client.Download(&source, nullptr, node, DOMAIN, 0, TRANSFER_BUFFER, buffer.data(), SDO_FLAG_CALLBACK);
    if (r == 0)
        r = run_transfer(client, 5000);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    // The tap sees each frame when the bus has carried it.
    auto frames = world.tap->frames();
    double bits = 0;
    // Where the time between frames goes: each frame carries its sender's send stamp, so the gap
    // from the end of one frame on the bus to the send of the next is the answering side's delay
    // (the hub's delivery, the wake-up and the work of the loader's node or of the client).
    std::vector<double> loader_gaps, client_gaps;
    for (size_t i = before; i < frames.size(); ++i) {
        double frame_ns = 1e9 * sim::can_bus_hub::frame_bits(frames[i].dlc) / bitrate;
        bits += sim::can_bus_hub::frame_bits(frames[i].dlc);
        if (i + 1 < frames.size() && frames[i + 1].id != frames[i].id) {
            double gap = (static_cast<double>(frames[i + 1].sent_ns) - static_cast<double>(frames[i].sent_ns) - frame_ns) / 1e3;
            (frames[i].id == request_id ? loader_gaps : client_gaps).push_back(gap);
        }
    }
    bool same = !upload || std::equal(image.begin(), image.end(), buffer.begin());
    return {r == 0 && same, seconds, frames.size() - before, bits / bitrate, mean(loader_gaps), mean(client_gaps)};
}

}  // namespace

int main()
{
    const size_t size = 4096;
    frame_bytes image(size);
    std::mt19937 g(7);
    for (auto& b : image)
        b = static_cast<uint8_t>(g());
    std::printf("%-11s %8s %-8s %10s %9s %13s %11s %11s %7s\n", "library", "kbit/s", "transfer", "bytes/s",
                "frames/KiB", "bus busy [s]", "loader [us]", "client [us]", "ratio");
    bool all_ok = true;
    for (const can_testing::driver_case& d : can_testing::drivers) {
        for (uint16_t baud : {uint16_t{4}, uint16_t{6}}) {
            uint32_t bitrate = baud == 4 ? 125000 : 500000;
            const can_testing::node_case& n = can_testing::nodes[0];
            C_SdoMast::ResetGlobals();
            can_testing::can_world world(d, n, bitrate, true);
            if (d.init(baud) != fl_result::ok) {
                std::printf("%-11s: the adapter did not open\n", d.name);
                all_ok = false;
                continue;
            }
            for (bool upload : {false, true}) {
                result r = measure(world, n.node, n.request, n.protocol, upload, image, bitrate);
                // Let the tap catch up with the last frames before the next count.
                world.tap->wait_for_count(world.tap->frames().size(), 10);
                double ratio = r.bus_seconds / r.seconds;
                std::printf("%-11s %8u %-8s %10.0f %9.1f %13.3f %11.0f %11.0f %7.2f%s\n", d.name, bitrate / 1000,
                            upload ? "upload" : "download", size / r.seconds, r.frames * 1024.0 / size,
                            r.bus_seconds, r.loader_us, r.client_us, ratio, r.ok ? (ratio >= 0.8 ? "" : "  below 0.8") : "  FAILED");
                all_ok = all_ok && r.ok && ratio >= 0.8;
            }
            fl_can::DrvCloseCAN();
        }
    }
    return all_ok ? 0 : 1;
}
