#include "sim/boot_loader.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "sim/boot_sdo_server.h"

namespace {

uint32_t le(const uint8_t* p, uint32_t n)
{
    uint32_t v = 0;
    for (uint32_t i = 0; i < n; ++i)
        v |= uint32_t(p[i]) << (8 * i);
    return v;
}

// More than any memory of the controller.
constexpr uint32_t max_upload = 16u << 20;

std::string hex(uint32_t v)
{
    char b[16];
    std::snprintf(b, sizeof b, "%X", v);
    return b;
}

}  // namespace

// --- memory ---------------------------------------------------------------------------

uint8_t boot_memory::get(uint32_t address) const
{
    auto p = pages_.find(address / page_size);
    return p == pages_.end() ? 0xFF : p->second[address % page_size];
}

void boot_memory::set(uint32_t address, uint8_t value)
{
    auto p = pages_.find(address / page_size);
    if (p == pages_.end()) {
        if (value == 0xFF)
            return;
        p = pages_.emplace(address / page_size, page{}).first;
        p->second.fill(0xFF);
    }
    p->second[address % page_size] = value;
}

void boot_memory::write(uint32_t address, const uint8_t* data, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        set(uint32_t(address + i), data[i]);
}

std::vector<uint8_t> boot_memory::read(uint32_t address, uint32_t n) const
{
    std::vector<uint8_t> out(n);
    for (uint32_t i = 0; i < n; ++i)
        out[i] = get(address + i);
    return out;
}

void boot_memory::erase(uint32_t address, uint32_t n)
{
    for (uint32_t a = address; a - address < n; a += page_size)
        pages_.erase(a / page_size);
}

// --- loader ---------------------------------------------------------------------------

void boot_loader::note(const std::string& line) { log_.push_back(line); }

void boot_loader::restarted()
{
    erased_.clear();
    controlIndex_ = 0;
    control_ = {};
    ram_ = false;
    layout_ = nullptr;
    erasePending_ = false;
    high_ = 0;
    haveLength_ = haveAddress_ = false;
    stream_ = stream::none;
    pending_.clear();
    uploadOpen_ = false;
}

boot_loader::boot_loader()
{
    const auto* text = reinterpret_cast<const uint8_t*>(boot_flash::loader_version_text);
    const size_t n = std::char_traits<char>::length(boot_flash::loader_version_text);
    memory_.write(boot_flash::loader_version_address_type0, text, n);
    memory_.write(boot_flash::loader_version_address_type1, text, n);
}

boot_loader::event boot_loader::take_event()
{
    event e = event_;
    event_ = event::none;
    return e;
}

uint32_t boot_loader::take_reply_delay_ms()
{
    uint32_t d = replyDelayMs_;
    replyDelayMs_ = 0;
    return d;
}

uint32_t boot_loader::base_address() const
{
    return (uint32_t(high_) << 20) + uint32_t(segment_) * 16 + offset_;
}

uint8_t boot_loader::write(uint16_t index, uint8_t subindex, const uint8_t* data, uint32_t length,
                           uint32_t* confirm)
{
    *confirm = 0;
    if (application_) {
        // The application knows the connect value only, and answers it by restarting.
        if (index != boot_index::connect)
            return boot_reason::not_started;
        connect_ = le(data, length);
        note("connect " + hex(connect_) + " restart");
        *confirm = boot_restart_confirm;
        event_ = event::restart_into_loader;
        return 0;
    }
    switch (index) {
    case boot_index::hex_control:
    case boot_index::bin_control:
    case boot_index::upload_control:
        return control_record(index, subindex, data, length);
    case boot_index::connect:
    case boot_index::length:
    case boot_index::address:
    case boot_index::high_part:
        break;
    case boot_index::hex_domain:
    case boot_index::bin_domain:
    case boot_index::upload_domain:
        return boot_reason::wrong_parameters;  // a domain, not a value
    default:
        return boot_reason::illegal_index;
    }
    if (subindex != 0)
        return boot_reason::illegal_subindex;
    // The high part comes as 4 bytes on downloads and as 2 on uploads.
    if (length != 4 && !(index == boot_index::high_part && length == 2))
        return boot_reason::wrong_parameters;
    uint32_t v = le(data, length);
    switch (index) {
    case boot_index::connect:
        connect_ = v;
        note("connect " + hex(v));
        break;
    case boot_index::length:
        length_ = v;
        haveLength_ = true;
        break;
    case boot_index::address:
        offset_ = uint16_t(v);
        segment_ = uint16_t(v >> 16);
        haveAddress_ = true;
        break;
    case boot_index::high_part:
        high_ = uint16_t(v);
        break;
    }
    return 0;
}

uint8_t boot_loader::control_record(uint16_t index, uint8_t subindex, const uint8_t* data, uint32_t length)
{
    if (subindex > 1 || (index == boot_index::upload_control && subindex != 0))
        return boot_reason::illegal_subindex;
    if (length != 4)
        return boot_reason::wrong_parameters;
    bool hex_or_upload = index != boot_index::bin_control;
    if (bool(data[0] & 1) != hex_or_upload)
        return boot_reason::wrong_parameters;
    const boot_flash::layout* layout = nullptr;
    if (index != boot_index::upload_control && subindex == 0) {
        layout = boot_flash::layout_for(uint8_t(data[1] - (flashStart_ >> 8)));
        if (!layout)
            return boot_reason::wrong_parameters;
    }
    controlIndex_ = index;
    std::copy(data, data + 4, control_.begin());
    ram_ = subindex == 1;
    layout_ = layout;
    // Later binary ranges carry an empty sector range (first above last): nothing to erase.
    erasePending_ = layout && data[2] <= data[3];
    high_ = 0;
    haveLength_ = haveAddress_ = false;
    char line[64];
    std::snprintf(line, sizeof line, "control %X %u %02X %02X %02X %02X", index, subindex, data[0], data[1], data[2],
                  data[3]);
    note(line);
    return 0;
}

uint8_t boot_loader::erase_sectors(uint32_t* delay)
{
    erasePending_ = false;
    uint8_t first = control_[2], last = control_[3];
    if (first == 0)
        return boot_reason::boot_sector;
    for (unsigned n = first; n <= last; ++n)
        if (n >= layout_->count)
            return boot_reason::erase_failed;
    for (unsigned n = first; n <= last; ++n) {
        const auto& s = layout_->sectors[n];
        memory_.erase(s.base, s.size);
        erased_.insert({layout_->type_code, uint8_t(n)});
        *delay += eraseDelayMs_;
    }
    // The firmware is gone until a flash transfer completes.
    firmwarePresent_ = false;
    note("erase " + std::to_string(first) + "-" + std::to_string(last));
    return 0;
}

uint8_t boot_loader::open_download(uint16_t index, uint8_t subindex, uint32_t)
{
    stream_ = stream::none;
    if (application_)
        return boot_reason::not_started;
    if (index == boot_index::hex_domain) {
        if (controlIndex_ != boot_index::hex_control)
            return boot_reason::not_started;
    } else if (index == boot_index::bin_domain) {
        if (controlIndex_ != boot_index::bin_control || !haveLength_ || !haveAddress_)
            return boot_reason::not_started;
    } else if (index >= boot_index::hex_control && index <= boot_index::connect) {
        return boot_reason::wrong_parameters;
    } else {
        return boot_reason::illegal_index;
    }
    if (subindex != 0)
        return boot_reason::illegal_subindex;
    if (erasePending_) {
        uint32_t delay = 0;
        if (uint8_t r = erase_sectors(&delay))
            return r;
        replyDelayMs_ += delay;
    }
    stream_ = index == boot_index::hex_domain ? stream::hex : stream::binary;
    pending_.clear();
    extLinear_ = extSegment_ = 0;
    segmentAddressing_ = false;
    written_ = 0;
    startAddress_ = 0;
    ranges_.clear();
    return 0;
}

uint8_t boot_loader::store(uint32_t address, const uint8_t* data, uint32_t n)
{
    if (n == 0)
        return 0;
    if (ram_) {
        if (!boot_flash::in_ram(address, n))
            return boot_reason::too_large;
        memory_.write(address, data, n);
        note_range(address, n);
        return 0;
    }
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t a = address + i;
        const boot_flash::sector* s = boot_flash::sector_at(*layout_, a);
        if (!s)
            return boot_reason::too_large;
        if (s->number == 0)
            return boot_reason::boot_sector;
        if (!erased_.count({layout_->type_code, s->number}) || memory_.get(a) != 0xFF)
            return boot_reason::not_erased;
    }
    memory_.write(address, data, n);
    note_range(address, n);
    return 0;
}

void boot_loader::note_range(uint32_t address, uint32_t n)
{
    if (!ranges_.empty() && ranges_.back().first + ranges_.back().second == address)
        ranges_.back().second += n;
    else
        ranges_.emplace_back(address, n);
}

uint8_t boot_loader::hex_records()
{
    size_t pos = 0;
    while (pending_.size() - pos >= 5 && pending_.size() - pos >= 5u + pending_[pos + 1]) {
        const uint8_t* r = pending_.data() + pos;
        uint32_t n = r[1];
        uint32_t offset = uint32_t(r[2]) | uint32_t(r[3]) << 8;
        const uint8_t* payload = r + 5;
        switch (r[4]) {
        case 0: {
            uint32_t base = (uint32_t(high_) << 20) + (extLinear_ << 16) + (extSegment_ << 4);
            // Under a segment address the offset wraps within its 64 KiB segment: the bytes
            // past 0xFFFF go to the segment's start.
            uint32_t first = segmentAddressing_ && offset + n > 0x10000 ? 0x10000 - offset : n;
            if (uint8_t e = store(base + offset, payload, first))
                return e;
            if (first < n)
                if (uint8_t e = store(base, payload + first, n - first))
                    return e;
            break;
        }
        case 2:
            if (n != 2)
                return boot_reason::wrong_parameters;
            extSegment_ = le(payload, 2);
            segmentAddressing_ = true;
            break;
        case 4:
            if (n != 2)
                return boot_reason::wrong_parameters;
            extLinear_ = le(payload, 2);
            segmentAddressing_ = false;
            break;
        case 3:
        case 5:
            if (n != 4)
                return boot_reason::wrong_parameters;
            startAddress_ = r[4] == 5 ? le(payload, 4) : (le(payload, 2) << 4) + le(payload + 2, 2);
            break;
        default:
            break;  // the end record, and types the loader does not know: skipped whole
        }
        pos += 5 + n;
    }
    pending_.erase(pending_.begin(), pending_.begin() + long(pos));
    return 0;
}

uint8_t boot_loader::append_download(const uint8_t* data, uint32_t length)
{
    if (stream_ == stream::none)
        return boot_reason::not_started;
    if (stream_ == stream::hex) {
        pending_.insert(pending_.end(), data, data + length);
        return hex_records();
    }
    if (uint64_t(written_) + length > length_)
        return boot_reason::too_large;
    if (written_ == 0 && length > 0)
        note("range " + hex(base_address()) + " " + std::to_string(length_));
    if (uint8_t e = store(base_address() + written_, data, length))
        return e;
    written_ += length;
    return 0;
}

uint8_t boot_loader::finish_download()
{
    stream s = stream_;
    stream_ = stream::none;
    if (s == stream::none)
        return boot_reason::not_started;
    if (s == stream::binary && written_ != length_)
        return boot_reason::wrong_parameters;
    if (s == stream::hex && !pending_.empty())
        return boot_reason::not_started;  // a record was cut off
    if (!ram_)
        firmwarePresent_ = true;
    const bool starts = observer_ && observer_(s == stream::hex, ram_, ranges_);
    if ((!(control_[0] & 0x40) || starts) && firmwarePresent_) {
        note("start application");
        event_ = event::start_application;
    }
    return 0;
}

uint8_t boot_loader::open_upload(uint16_t index, uint8_t subindex, std::vector<uint8_t>* content)
{
    uploadOpen_ = false;
    if (application_)
        return boot_reason::not_started;
    if (index != boot_index::upload_domain)
        return index >= boot_index::hex_control && index <= boot_index::connect ? boot_reason::wrong_parameters
                                                                                   : boot_reason::illegal_index;
    if (subindex != 0)
        return boot_reason::illegal_subindex;
    if (controlIndex_ != boot_index::upload_control || !haveLength_ || !haveAddress_)
        return boot_reason::not_started;
    if (length_ > max_upload)
        return boot_reason::too_large;
    *content = memory_.read(base_address(), length_);
    note("upload " + hex(base_address()) + " " + std::to_string(length_));
    uploadOpen_ = true;
    return 0;
}

void boot_loader::finish_upload()
{
    if (uploadOpen_ && !(control_[0] & 0x40) && firmwarePresent_) {
        note("start application");
        event_ = event::start_application;
    }
    uploadOpen_ = false;
}
