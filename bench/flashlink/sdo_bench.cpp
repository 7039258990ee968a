// How much of the wire a 256 KiB download and upload spend on payload, per segment size,
// beside the least the protocol allows; and how fast the client and server run in process.
#include <chrono>
#include <cstdio>
#include <vector>

#include "flashlink/C_SdoMast.h"
#include "flashlink/support/fake_comms.h"
#include "sim/boot_object_store.h"
#include "sim/boot_sdo_server.h"

namespace {

constexpr uint32_t IMAGE = 256 * 1024;
constexpr uint32_t PIECE = 2304;  // the download sequences' transfer buffer

class image_source : public C_RQ_Xld {
public:
    explicit image_source(const std::vector<uint8_t>& b) : bytes(b) {}
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t) override
    {
        size_t n = std::min<size_t>(PIECE, bytes.size() - pos);
        std::copy(bytes.begin() + pos, bytes.begin() + pos + n, data);
        pos += n;
        *length = static_cast<uint16_t>(n);
        *last = pos == bytes.size();
        return 0;
    }
    const std::vector<uint8_t>& bytes;
    size_t pos = 0;
};

class discard_sink : public C_RQ_Xld {
public:
    short CallBack(uint8_t*, uint16_t* length, int*, uint32_t) override
    {
        total += *length;
        return 0;
    }
    size_t total = 0;
};

struct figures {
    double payload_per_wire;
    double round_trips_per_kib;
    double mib_per_s;
};

// The least the protocol needs: one initiate exchange (two 8-byte frames), then one round
// trip per full segment; segments as long as their data when fast, else 8 bytes each way.
figures minimum(uint16_t seg, bool fast)
{
    uint64_t k = (IMAGE + seg - 1) / seg;
    uint64_t wire = 16 + (fast ? IMAGE + k : 8 * k) + 8 * k;
    return {double(IMAGE) / double(wire), double(1 + k) / (IMAGE / 1024.0), 0};
}

figures run(T_PROTOCOL p, uint8_t fast, boot_session session, bool upload)
{
    std::vector<uint8_t> image(IMAGE);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 31 + 7);
    boot_object_store store;
    store.set(0x30F9, 0, image);
    boot_sdo_server server(store, session);
    server.set_logging(false);
    auto* comm = new loopback_comm(server);
    C_SdoMast client(p, fast, comm);
    std::vector<uint8_t> buffer(PIECE);
    image_source source(image);
    discard_sink sink;
    auto t0 = std::chrono::steady_clock::now();
    uint16_t r = upload ? client.Upload(&sink, nullptr, 1, 0x30F9, 0, PIECE, buffer.data(), SDO_FLAG_CALLBACK)
                        : client.Download(&source, nullptr, 1, 0x30F7, 0, PIECE, buffer.data(), SDO_FLAG_CALLBACK);
    if (r == 0)
        r = run_transfer(client, 12000);
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    bool whole = upload ? sink.total == IMAGE : store.get(0x30F7, 0) == image;
    if (r != 0 || !whole) {
        std::printf("transfer failed: 0x%04X\n", r);
        return {0, 0, 0};
    }
    return {double(IMAGE) / double(comm->wire_bytes), double(comm->round_trips) / (IMAGE / 1024.0),
            IMAGE / s / (1024.0 * 1024.0)};
}

}  // namespace

int main()
{
    struct row {
        const char* name;
        T_PROTOCOL p;
        uint8_t fast;
        boot_session session;
    } rows[] = {
        {"seg 7 (CAN, plain serial)", PROT_CAN, 0, boot_session::can()},
        {"seg 62 (USB)", PROT_USB, 1, boot_session::usb()},
        {"seg 1024 (Ethernet, fast serial)", PROT_ETH, 1, boot_session::ethernet()},
    };
    std::printf("256 KiB transfers, source pieces of %u bytes\n", PIECE);
    std::printf("%-34s %-9s %14s %14s %14s %14s %10s\n", "segment size", "direction", "payload/wire",
                "minimum", "trips/KiB", "minimum", "MiB/s");
    for (const row& r : rows) {
        figures min = minimum(r.session.segment_size, r.fast);
        for (bool upload : {false, true}) {
            figures f = run(r.p, r.fast, r.session, upload);
            std::printf("%-34s %-9s %14.4f %14.4f %14.3f %14.3f %10.1f\n", r.name, upload ? "upload" : "download",
                        f.payload_per_wire, min.payload_per_wire, f.round_trips_per_kib, min.round_trips_per_kib,
                        f.mib_per_s);
        }
    }
    return 0;
}
