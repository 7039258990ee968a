#include "sim/device_versions.h"

#include <cstdio>

#include "core/protocol/device_protocol.h"
#include "sim/boot_loader.h"
#include "sim/image_markers.h"

namespace sim {
namespace {

namespace dp = device_protocol;

// Info blocks hold frame bytes 5..62.
constexpr size_t at(size_t frame_offset) { return frame_offset - 5; }

bool in_ranges(const boot_memory& memory, const finished_download& d, const char* tag, std::vector<unsigned>* n)
{
    for (const auto& r : d.ranges) {
        const std::vector<uint8_t> bytes = memory.read(r.first, r.second);
        if (image_marker::find(bytes.data(), bytes.size(), tag, n))
            return true;
    }
    return false;
}

uint8_t byte_of(const std::vector<unsigned>& n, size_t i) { return i < n.size() ? uint8_t(n[i]) : 0; }

}  // namespace

void device_versions::capture(const world& w)
{
    auto block = [&](uint8_t index) {
        auto i = w.info.find(index);
        return i == w.info.end() ? world::info_block{} : i->second;
    };
    const world::info_block fw = block(dp::info_firmware);
    firmware = {fw.data[0], fw.data[1], fw.data[2]};
    build = uint16_t(fw.data[at(8)] | fw.data[at(9)] << 8);
    hw_revision = uint16_t(fw.data[at(dp::firmware_hw_revision)] | fw.data[at(dp::firmware_hw_revision) + 1] << 8);
    logic_major = fw.data[at(17)];
    logic_minor = fw.data[at(18)];
    const world::info_block ld = block(dp::info_loader);
    loader = {ld.data[0], ld.data[1], ld.data[2]};
    const world::info_block ext = block(dp::info_extended);
    for (size_t i = 0; i < 4; ++i)
        profinet[i] = ext.data[dp::extended_profinet_version + i];
    const world::info_block word = block(dp::info_word);
    redesign = ((word.data[0] | word.data[1] << 8) & dp::info_word_redesign_bit) != 0;
    loader_pending = logic_pending = false;
}

void device_versions::apply(world& w) const
{
    world::info_block& fw = w.info[dp::info_firmware];
    fw.data[0] = firmware[0];
    fw.data[1] = firmware[1];
    fw.data[2] = firmware[2];
    fw.data[at(8)] = uint8_t(build);
    fw.data[at(9)] = uint8_t(build >> 8);
    fw.data[at(dp::firmware_hw_revision)] = uint8_t(hw_revision);
    fw.data[at(dp::firmware_hw_revision) + 1] = uint8_t(hw_revision >> 8);
    fw.data[at(17)] = logic_major;
    fw.data[at(18)] = logic_minor;
    world::info_block& ld = w.info[dp::info_loader];
    ld.data[0] = loader[0];
    ld.data[1] = loader[1];
    ld.data[2] = loader[2];
    auto ext = w.info.find(dp::info_extended);
    if (ext != w.info.end())
        for (size_t i = 0; i < 4; ++i)
            ext->second.data[dp::extended_profinet_version + i] = profinet[i];
    world::info_block& word = w.info[dp::info_word];
    uint16_t v = uint16_t(word.data[0] | word.data[1] << 8);
    v = redesign ? uint16_t(v | dp::info_word_redesign_bit) : uint16_t(v & ~dp::info_word_redesign_bit);
    word.data[0] = uint8_t(v);
    word.data[1] = uint8_t(v >> 8);
}

std::string device_versions::loader_text() const
{
    char b[16];
    std::snprintf(b, sizeof b, "%u.%02u.%02u", loader[0] % 10u, loader[1] % 100u, loader[2] % 100u);
    return b;
}

bool device_versions::on_download(const boot_memory& memory, const finished_download& d)
{
    std::vector<unsigned> n;
    if (!d.ram) {
        if (d.hex && in_ranges(memory, d, image_marker::firmware, &n)) {
            firmware = {byte_of(n, 0), byte_of(n, 1), byte_of(n, 2)};
            build = n.size() > 3 ? uint16_t(n[3]) : 0;
        }
        return false;
    }
    if (!d.hex) {
        if (in_ranges(memory, d, image_marker::loader, &n)) {
            loader_pending = true;
            pending_loader = {byte_of(n, 0), byte_of(n, 1), byte_of(n, 2)};
        } else if (in_ranges(memory, d, image_marker::logic, &n)) {
            logic_pending = true;
            pending_logic = {byte_of(n, 0), byte_of(n, 1)};
        }
        return false;
    }
    if (in_ranges(memory, d, image_marker::program_loader, nullptr)) {
        if (loader_pending)
            loader = pending_loader;
        loader_pending = false;
        return true;
    }
    if (in_ranges(memory, d, image_marker::program_logic, nullptr)) {
        if (logic_pending && !power_fail) {
            logic_major = pending_logic[0];
            logic_minor = uint8_t(pending_logic[1] / 10);
        }
        logic_pending = false;
        return true;
    }
    return false;
}

void device_versions::on_stream(const std::vector<uint8_t>& stream)
{
    std::vector<unsigned> n;
    if (image_marker::find(stream.data(), stream.size(), image_marker::profinet, &n))
        profinet = {byte_of(n, 0), byte_of(n, 1), byte_of(n, 2), byte_of(n, 3)};
}

std::string device_versions::describe() const
{
    char b[160];
    std::snprintf(b, sizeof b, "firmware %u.%02u.%02u.%03u loader %s logic %u.%u profinet %u.%u.%u.%u revision 0x%04X redesign %d",
                  firmware[0], firmware[1], firmware[2], build, loader_text().c_str(), logic_major, logic_minor,
                  profinet[0], profinet[1], profinet[2], profinet[3], hw_revision, redesign ? 1 : 0);
    return b;
}

}  // namespace sim
