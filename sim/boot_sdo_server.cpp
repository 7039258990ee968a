#include "sim/boot_sdo_server.h"

#include <algorithm>

#include "platform/clock.h"

namespace {

uint32_t get_le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put_le32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t index_of(const uint8_t* r) { return static_cast<uint16_t>(r[1] | r[2] << 8); }

boot_frame object_reply(uint8_t command, uint16_t index, uint8_t subindex, uint32_t value)
{
    boot_frame f(8, 0);
    f[0] = command;
    f[1] = static_cast<uint8_t>(index);
    f[2] = static_cast<uint8_t>(index >> 8);
    f[3] = subindex;
    put_le32(f.data() + 4, value);
    return f;
}

// Data bytes an 8-byte segment frame can carry.
constexpr size_t plain_segment = 7;

}  // namespace

boot_sdo_server::boot_sdo_server(boot_objects& objects, boot_session session)
    : objects_(objects), session_(session)
{
}

void boot_sdo_server::reset()
{
    mode_ = mode::idle;
    lastSegmentRequest_.clear();
    lastSegmentReply_.clear();
    lastSegmentToggle_ = -1;
    upload_.clear();
    uploadPos_ = 0;
}

std::vector<boot_frame> boot_sdo_server::handle(const uint8_t* request, size_t length)
{
    std::vector<boot_frame> replies;
    if (length == 0)
        return replies;
    ++requests_;
    if (logging_)
        log_.push_back({true, platform::tick_count_ms(), boot_frame(request, request + length)});

    const boot_fault* fault = nullptr;
    for (const auto& f : faults_)
        if (f.at_request == requests_)
            fault = &f;

    boot_frame reply;
    if (fault && fault->kind == boot_fault::abort) {
        bool initiate = (request[0] >> 5) == 1 || (request[0] >> 5) == 2;
        uint16_t index = initiate && length >= 4 ? index_of(request) : index_;
        uint8_t subindex = initiate && length >= 4 ? request[3] : subindex_;
        mode_ = mode::idle;
        reply = abort_reply(index, subindex, fault->reason);
    } else {
        reply = dispatch(request, length);
    }
    if (!reply.empty()) {
        if (fault && fault->kind == boot_fault::toggle_error)
            reply[0] ^= 0x10;
        if (!(fault && fault->kind == boot_fault::no_reply))
            replies.push_back(reply);
        if (fault && fault->kind == boot_fault::duplicate_reply)
            replies.push_back(reply);
    }
    if (logging_)
        for (const auto& r : replies)
            log_.push_back({false, platform::tick_count_ms(), r});
    return replies;
}

boot_frame boot_sdo_server::dispatch(const uint8_t* request, size_t length)
{
    switch (request[0] >> 5) {
    case 0:
        return download_segment(request, length);
    case 1:
        return initiate_download(request, length);
    case 2:
        return initiate_upload(request, length);
    case 3:
        return upload_segment(request, length);
    case 4:
        // The client gave up: forget the transfer, say nothing.
        mode_ = mode::idle;
        return {};
    default:
        return abort_reply(length >= 4 ? index_of(request) : 0, length >= 4 ? request[3] : 0,
                           boot_reason::wrong_parameters);
    }
}

boot_frame boot_sdo_server::abort_reply(uint16_t index, uint8_t subindex, uint8_t reason)
{
    return object_reply(0x80, index, subindex, boot_abort_base | reason);
}

boot_frame boot_sdo_server::initiate_download(const uint8_t* request, size_t length)
{
    if (length < 8)
        return abort_reply(length >= 4 ? index_of(request) : 0, length >= 4 ? request[3] : 0,
                           boot_reason::wrong_parameters);
    // One transfer at a time: a new initiate replaces whatever was open.
    mode_ = mode::idle;
    lastSegmentToggle_ = -1;
    uint8_t command = request[0];
    uint16_t index = index_of(request);
    uint8_t subindex = request[3];
    if (command & 0x02) {
        uint32_t n = (command & 0x01) ? 4 - ((command >> 2) & 3) : 4;
        uint32_t confirm = 0;
        if (uint8_t reason = objects_.write(index, subindex, request + 4, n, &confirm))
            return abort_reply(index, subindex, reason);
        return object_reply(0x60, index, subindex, confirm);
    }
    uint32_t size = (command & 0x01) ? get_le32(request + 4) : 0;
    if (uint8_t reason = objects_.open_download(index, subindex, size))
        return abort_reply(index, subindex, reason);
    mode_ = mode::downloading;
    index_ = index;
    subindex_ = subindex;
    toggle_ = 0;
    return object_reply(0x60, index, subindex, 0);
}

boot_frame boot_sdo_server::download_segment(const uint8_t* request, size_t length)
{
    uint8_t command = request[0];
    int toggle = (command >> 4) & 1;
    // The client repeated its last segment (its confirmation was lost): confirm again,
    // do not apply the data twice.
    if (!lastWasUpload_ && toggle == lastSegmentToggle_ && boot_frame(request, request + length) == lastSegmentRequest_)
        return lastSegmentReply_;
    if (mode_ != mode::downloading)
        return abort_reply(index_, subindex_, boot_reason::not_started);
    if (toggle != toggle_) {
        mode_ = mode::idle;
        return abort_reply(index_, subindex_, boot_reason::toggle);
    }
    size_t n;
    if (session_.fast) {
        n = length - 1;
    } else {
        if (length < 8) {
            mode_ = mode::idle;
            return abort_reply(index_, subindex_, boot_reason::wrong_parameters);
        }
        n = plain_segment - ((command >> 1) & 7);
    }
    if (uint8_t reason = objects_.append_download(request + 1, static_cast<uint32_t>(n))) {
        mode_ = mode::idle;
        return abort_reply(index_, subindex_, reason);
    }
    if (command & 0x01) {
        mode_ = mode::idle;
        if (uint8_t reason = objects_.finish_download())
            return abort_reply(index_, subindex_, reason);
    }
    boot_frame reply(8, 0);
    reply[0] = static_cast<uint8_t>(0x20 | toggle << 4);
    toggle_ ^= 1;
    lastSegmentRequest_.assign(request, request + length);
    lastSegmentReply_ = reply;
    lastSegmentToggle_ = toggle;
    lastWasUpload_ = false;
    return reply;
}

boot_frame boot_sdo_server::initiate_upload(const uint8_t* request, size_t length)
{
    if (length < 8)
        return abort_reply(length >= 4 ? index_of(request) : 0, length >= 4 ? request[3] : 0,
                           boot_reason::wrong_parameters);
    mode_ = mode::idle;
    lastSegmentToggle_ = -1;
    uint16_t index = index_of(request);
    uint8_t subindex = request[3];
    std::vector<uint8_t> content;
    if (uint8_t reason = objects_.open_upload(index, subindex, &content))
        return abort_reply(index, subindex, reason);
    if (uploadAnswer_ == boot_upload_answer::expedited_small && !content.empty() && content.size() <= 4) {
        boot_frame reply = object_reply(static_cast<uint8_t>(0x43 | (4 - content.size()) << 2), index, subindex, 0);
        std::copy(content.begin(), content.end(), reply.begin() + 4);
        objects_.finish_upload();
        return reply;
    }
    mode_ = mode::uploading;
    index_ = index;
    subindex_ = subindex;
    toggle_ = 0;
    upload_ = std::move(content);
    uploadPos_ = 0;
    if (uploadAnswer_ == boot_upload_answer::unsized)
        return object_reply(0x40, index, subindex, 0);
    return object_reply(0x41, index, subindex, static_cast<uint32_t>(upload_.size()));
}

uint16_t boot_sdo_server::upload_segment_size() const
{
    if (!session_.fast)
        return static_cast<uint16_t>(std::min<size_t>(session_.segment_size, plain_segment));
    return std::min<uint16_t>(session_.segment_size, 2049);
}

boot_frame boot_sdo_server::upload_segment(const uint8_t* request, size_t length)
{
    (void)length;  // the filler bytes carry nothing
    int toggle = (request[0] >> 4) & 1;
    // A repeated request (same toggle as the last one served) gets the same segment again.
    if (lastWasUpload_ && toggle == lastSegmentToggle_)
        return lastSegmentReply_;
    if (mode_ != mode::uploading)
        return abort_reply(index_, subindex_, boot_reason::not_started);
    if (toggle != toggle_) {
        mode_ = mode::idle;
        return abort_reply(index_, subindex_, boot_reason::toggle);
    }
    size_t n = std::min<size_t>(upload_segment_size(), upload_.size() - uploadPos_);
    bool last = uploadPos_ + n == upload_.size();
    boot_frame reply;
    if (session_.fast) {
        reply.assign(n + 1, 0);
        reply[0] = static_cast<uint8_t>(toggle << 4 | (last ? 1 : 0));
    } else {
        reply.assign(8, 0);
        reply[0] = static_cast<uint8_t>(toggle << 4 | (plain_segment - n) << 1 | (last ? 1 : 0));
    }
    std::copy(upload_.begin() + uploadPos_, upload_.begin() + uploadPos_ + n, reply.begin() + 1);
    uploadPos_ += n;
    toggle_ ^= 1;
    lastSegmentReply_ = reply;
    lastSegmentToggle_ = toggle;
    lastWasUpload_ = true;
    if (last) {
        mode_ = mode::idle;
        objects_.finish_upload();
    }
    return reply;
}
