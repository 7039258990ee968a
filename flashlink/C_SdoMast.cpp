#include "flashlink/C_SdoMast.h"

#include <algorithm>
#include <cstring>

#include "flashlink/C_COMM.h"
#include "flashlink/comm_factory.h"
#include "flashlink/fl_results.h"

namespace {

sdo_globals g_sdo;

// Command specifiers of the requests (byte 0).
constexpr uint8_t REQ_INIT_UPLOAD = 0x40;
constexpr uint8_t REQ_UPLOAD_SEGMENT = 0x60;
constexpr uint8_t REQ_EXPEDITED = 0x23;
constexpr uint8_t REQ_INIT_DOWNLOAD = 0x20;
constexpr uint8_t REQ_ABORT = 0x80;

// Kinds of responses (byte 0 >> 5).
constexpr uint8_t RSP_UPLOAD_SEGMENT = 0;
constexpr uint8_t RSP_DOWNLOAD_SEGMENT = 1;
constexpr uint8_t RSP_INIT_UPLOAD = 2;
constexpr uint8_t RSP_INIT_DOWNLOAD = 3;
constexpr uint8_t RSP_ABORT = 4;

// Data bytes of an 8-byte segment frame.
constexpr uint16_t PLAIN_SEGMENT = 7;

uint32_t get_le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put_le32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

void put_object(uint8_t* frame, uint8_t command, uint16_t index, uint8_t subindex)
{
    frame[0] = command;
    frame[1] = static_cast<uint8_t>(index);
    frame[2] = static_cast<uint8_t>(index >> 8);
    frame[3] = subindex;
}

}  // namespace

sdo_globals& C_SdoMast::Globals() { return g_sdo; }

void C_SdoMast::ResetGlobals() { g_sdo = sdo_globals{}; }

uint16_t C_SdoMast::SegmentSizeOf(T_PROTOCOL protocol, uint8_t fast)
{
    switch (protocol) {
    case PROT_CAN:
    case PROT_QUELCAN:
        return 7;
    case PROT_V24:
        return fast ? 1024 : 7;
    case PROT_ETH:
        return 1024;
    case PROT_USB:
        return 62;
    }
    return 0;
}

C_SdoMast::C_SdoMast(T_PROTOCOL protocol, uint8_t fast)
{
    init(protocol, fast);
    if (segmentSize_ != 0)
        comm_ = fl_make_comm(protocol, fast, &ApplStartFlg);
    // Without a transport nothing can run: refuse every transfer as for an unknown protocol.
    if (!comm_)
        ConstructResult = fl_result::bad_protocol;
}

C_SdoMast::C_SdoMast(T_PROTOCOL protocol, uint8_t fast, C_COMM* transport)
{
    init(protocol, fast);
    comm_ = transport;
    if (segmentSize_ == 0 || !comm_)
        ConstructResult = fl_result::bad_protocol;
}

void C_SdoMast::init(T_PROTOCOL protocol, uint8_t fast)
{
    protocol_ = protocol;
    fast_ = fast;
    segmentSize_ = SegmentSizeOf(protocol, fast);
    // An 8-byte frame carries at most 7 data bytes, whatever the transport could take.
    if (!fast_ && segmentSize_ > PLAIN_SEGMENT)
        segmentSize_ = PLAIN_SEGMENT;
    state_ = ST_IDLE;
}

C_SdoMast::~C_SdoMast() { delete comm_; }

short C_SdoMast::Abort()
{
    if (comm_) {
        comm_->ResetReceiver();
        if (running()) {
            put_object(abortFrame_, REQ_ABORT, index_, subindex_);
            put_le32(abortFrame_ + 4, SDO_ABORT_BY_CALLER);
            uint16_t sent = 0;
            comm_->Send(abortFrame_, sizeof abortFrame_, &sent, 0);
        }
    }
    closeChannel();
    clearTransfer();
    requestId_ = responseId_ = 0;
    index_ = 0;
    subindex_ = 0;
    result_ = 0;
    state_ = ST_IDLE;
    return 0;
}

void C_SdoMast::Clear()
{
    clearTransfer();
    result_ = 0;
    abortDetail_ = 0;
    state_ = ST_IDLE;
    closeChannel();
}

void C_SdoMast::clearTransfer()
{
    callbackMode_ = 0;
    function_ = nullptr;
    useRequester_ = 0;
    transferred_ = 0;
    lastSegmentLength_ = 0;
    data_ = nullptr;
    position_ = 0;
    size_ = 0;
    capacity_ = 0;
    indicateSize_ = 0;
    requestToggle_ = responseToggle_ = 0;
}

void C_SdoMast::closeChannel()
{
    if (channelOpen_ && comm_)
        comm_->Close();
    channelOpen_ = 0;
}

uint16_t C_SdoMast::startCommon(uint16_t node, uint16_t index, uint8_t subindex)
{
    if (ConstructResult != 0)
        return ConstructResult;
    comm_->ResetReceiver();
    if (state_ != ST_IDLE && state_ != ST_DONE && state_ != ST_FAILED && state_ != ST_NO_CHANNEL)
        return fl_result::busy;
    if (protocol_ == PROT_QUELCAN) {
        requestId_ = static_cast<uint16_t>(node * 8 + 0x107);
        responseId_ = static_cast<uint16_t>(node * 8 + 0x302);
    } else {
        requestId_ = static_cast<uint16_t>(0x600 + node);
        responseId_ = static_cast<uint16_t>(0x580 + node);
    }
    index_ = index;
    subindex_ = subindex;
    return 0;
}

uint16_t C_SdoMast::Download(C_RQ_Xld* requester, T_XLD_CALLBACK function, uint16_t node,
                             uint16_t index, uint8_t subindex, uint32_t size, uint8_t* data,
                             unsigned flags)
{
    if (uint16_t r = startCommon(node, index, subindex))
        return r;
    bool expedited = (!(flags & SDO_FLAG_CALLBACK) && size != 0) || (!function && !requester);
    // An expedited request has room for 1 to 4 bytes. The source of a segmented one needs a
    // buffer to fill, and its size is all that bounds what the source may put there: with size
    // 0 the object is empty and the source can only end it with an empty last piece.
    if (!data || (expedited && (size == 0 || size > 4)))
        return fl_result::no_buffer;
    clearTransfer();
    abortDetail_ = 0;
    result_ = 0;
    data_ = data;
    if (expedited) {
        state_ = ST_SEND_EXPEDITED;
    } else {
        callbackMode_ = 1;
        function_ = function;
        useRequester_ = function ? 0 : 1;
        Requester = requester;
        capacity_ = size;
        state_ = ST_SEND_INIT_DOWNLOAD;
    }
    indicateSize_ = (flags & SDO_FLAG_SIZE) ? 1 : 0;
    size_ = size;
    position_ = 0;
    return 0;
}

uint16_t C_SdoMast::Upload(C_RQ_Xld* requester, T_XLD_CALLBACK function, uint16_t node,
                           uint16_t index, uint8_t subindex, uint32_t capacity, uint8_t* data,
                           unsigned flags)
{
    if (uint16_t r = startCommon(node, index, subindex))
        return r;
    bool callback = (flags & SDO_FLAG_CALLBACK) != 0;
    if (!data || (callback && !function && !requester))
        return fl_result::no_buffer;
    clearTransfer();
    abortDetail_ = 0;
    result_ = 0;
    data_ = data;
    capacity_ = capacity;
    if (callback) {
        callbackMode_ = 1;
        function_ = function;
        useRequester_ = function ? 0 : 1;
        Requester = requester;
    }
    state_ = ST_SEND_INIT_UPLOAD;
    return 0;
}

bool C_SdoMast::Busy(uint16_t* result, uint32_t* count)
{
    if (g_sdo.resend) {
        if (comm_) {
            uint16_t sent = 0;
            comm_->Send(nullptr, C_COMM::resend_last, &sent, 0);
        }
        g_sdo.resend = 0;
    }
    if (comm_)
        step();
    if (count)
        *count = transferred_;
    if (result)
        *result = result_;
    result_ = 0;
    return !(state_ == ST_IDLE || state_ == ST_DONE || state_ == ST_FAILED || state_ == ST_NO_CHANNEL);
}

void C_SdoMast::step()
{
    if (running()) {
        if (isCan() && !channelOpen_) {
            uint16_t r = comm_->Open(requestId_, responseId_);
            if (r != 0) {
                state_ = ST_NO_CHANNEL;
                result_ = r;
            } else {
                channelOpen_ = 1;
            }
        }
        if (state_ >= ST_WAIT_INIT_UPLOAD && state_ <= ST_WAIT_LAST_SEGMENT) {
            uint16_t error = 0;
            if (comm_->RcvReady(&error)) {
                if (error != 0) {
                    abortDetail_ = error;
                    startAbort(SDO_ABORT_GENERAL);
                    comm_->ResetReceiver();
                } else {
                    // Bytes beyond a short frame read as zero, never as the previous response.
                    std::memset(rx_, 0, sizeof rx_);
                    rxLength_ = 0;
                    comm_->GetFrame(rx_, &rxLength_);
                    rxLength_ = std::min<uint16_t>(rxLength_, sizeof rx_);
                    // A transport that had nothing whole to give: keep waiting.
                    if (rxLength_ > 0)
                        handleResponse();
                }
            }
        }
    }
    if (state_ >= ST_SEND_INIT_UPLOAD && state_ <= ST_SEND_ABORT) {
        comm_->ResetReceiver();
        sendRequest();
    }
    if (state_ >= ST_DONE && channelOpen_)
        closeChannel();
}

uint16_t C_SdoMast::send(const uint8_t* frame, uint16_t length)
{
    uint16_t sent = 0;
    return comm_->Send(frame, length, &sent, 0);
}

void C_SdoMast::startAbort(uint32_t code)
{
    put_object(abortFrame_, REQ_ABORT, index_, subindex_);
    put_le32(abortFrame_ + 4, code);
    state_ = ST_SEND_ABORT;
}

short C_SdoMast::callData(uint8_t* data, uint16_t* length, int* last)
{
    if (function_)
        return function_(data, length, last, 0);
    if (useRequester_ && Requester)
        return Requester->CallBack(data, length, last, 0);
    return 0;
}

void C_SdoMast::sendRequest()
{
    uint8_t frame[C_COMM::max_frame] = {};
    uint16_t length = 8;
    uint32_t next = state_;
    switch (state_) {
    case ST_SEND_INIT_UPLOAD:
        put_object(frame, REQ_INIT_UPLOAD, index_, subindex_);
        next = ST_WAIT_INIT_UPLOAD;
        break;
    case ST_SEND_UPLOAD_SEGMENT:
        frame[0] = static_cast<uint8_t>(REQ_UPLOAD_SEGMENT | (requestToggle_ << 4));
        for (int i = 1; i < 8; ++i)
            frame[i] = static_cast<uint8_t>(g_sdo.filler + i - 1);
        g_sdo.filler = static_cast<uint8_t>(g_sdo.filler + 7);
        requestToggle_ ^= 1;
        next = ST_WAIT_UPLOAD_SEGMENT;
        break;
    case ST_SEND_EXPEDITED:
        put_object(frame, static_cast<uint8_t>(REQ_EXPEDITED | (((4 - size_) & 3) << 2)), index_, subindex_);
        std::memcpy(frame + 4, data_, size_);
        transferred_ = 0;
        next = ST_WAIT_EXPEDITED;
        break;
    case ST_SEND_INIT_DOWNLOAD:
        put_object(frame, static_cast<uint8_t>(REQ_INIT_DOWNLOAD | indicateSize_), index_, subindex_);
        put_le32(frame + 4, size_);
        lastSegment_ = 0;
        transferred_ = 0;
        lastSegmentLength_ = 0;
        next = ST_WAIT_INIT_DOWNLOAD;
        break;
    case ST_SEND_DOWNLOAD_SEGMENT: {
        uint8_t toggle = requestToggle_;
        requestToggle_ ^= 1;
        if (position_ >= size_) {
            uint16_t piece = static_cast<uint16_t>(std::min<uint32_t>(capacity_, 0xFFFF));
            g_sdo.last_piece = 0;
            callData(data_, &piece, &g_sdo.last_piece);
            // A piece larger than the buffer cannot be read back whole: sending part of it
            // would end a transfer that lost data as a success.
            if (piece > capacity_) {
                startAbort(SDO_ABORT_SIZE_HIGH);
                sendRequest();
                return;
            }
            position_ = 0;
            size_ = piece;
        }
        uint32_t remaining = size_ - position_;
        uint32_t n;
        if (remaining > segmentSize_) {
            n = segmentSize_;
            lastSegment_ = 0;
        } else {
            n = remaining;
            lastSegment_ = g_sdo.last_piece ? 1 : 0;
        }
        std::memcpy(frame + 1, data_ + position_, n);
        lastSegmentLength_ = n;
        position_ += n;
        if (fast_) {
            frame[0] = static_cast<uint8_t>(toggle << 4 | lastSegment_);
            length = static_cast<uint16_t>(n + 1);
        } else {
            frame[0] = static_cast<uint8_t>(toggle << 4 | (PLAIN_SEGMENT - n) << 1 | lastSegment_);
        }
        next = lastSegment_ ? ST_WAIT_LAST_SEGMENT : ST_WAIT_DOWNLOAD_SEGMENT;
        break;
    }
    case ST_SEND_ABORT: {
        uint16_t r = send(abortFrame_, sizeof abortFrame_);
        result_ = r != 0 ? r : fl_result::client_abort;
        state_ = ST_FAILED;
        return;
    }
    }
    uint16_t r = send(frame, length);
    if (r != 0) {
        result_ = r;
        state_ = ST_FAILED;
        return;
    }
    state_ = next;
}

bool C_SdoMast::matchesObject() const
{
    return rx_[1] == static_cast<uint8_t>(index_) && rx_[2] == static_cast<uint8_t>(index_ >> 8) &&
           rx_[3] == subindex_;
}

void C_SdoMast::handleResponse()
{
    switch (rx_[0] >> 5) {
    case RSP_UPLOAD_SEGMENT:
        onUploadSegmentResponse();
        break;
    case RSP_DOWNLOAD_SEGMENT:
        onDownloadSegmentResponse();
        break;
    case RSP_INIT_UPLOAD:
        onInitUploadResponse();
        break;
    case RSP_INIT_DOWNLOAD:
        onInitDownloadResponse();
        break;
    case RSP_ABORT:
        onServerAbort();
        break;
    default:
        break;  // not a response of this protocol: keep waiting
    }
}

void C_SdoMast::onInitDownloadResponse()
{
    uint32_t value = get_le32(rx_ + 4);
    bool accepted = value == 0 || value == SDO_CONFIRM_RESTART;
    if (state_ == ST_WAIT_EXPEDITED && matchesObject()) {
        if (accepted) {
            ApplStartFlg.store(value == SDO_CONFIRM_RESTART ? 1 : 0);
            state_ = ST_DONE;
        } else {
            result_ = fl_result::bad_confirm;
            state_ = ST_FAILED;
        }
    } else if (state_ == ST_WAIT_INIT_DOWNLOAD && matchesObject()) {
        if (accepted) {
            // The first segment asks the source for its first piece.
            position_ = 0;
            size_ = 0;
            state_ = ST_SEND_DOWNLOAD_SEGMENT;
        } else {
            result_ = fl_result::bad_confirm;
            startAbort(SDO_ABORT_PROTOCOL);
        }
    } else {
        startAbort(SDO_ABORT_PROTOCOL);
    }
}

void C_SdoMast::onDownloadSegmentResponse()
{
    if (state_ != ST_WAIT_DOWNLOAD_SEGMENT && state_ != ST_WAIT_LAST_SEGMENT) {
        startAbort(SDO_ABORT_PROTOCOL);
        return;
    }
    // The server's toggle is not checked: servers that do not alternate it work too.
    responseToggle_ ^= 1;
    transferred_ += lastSegmentLength_;
    if (state_ == ST_WAIT_LAST_SEGMENT) {
        data_ = nullptr;
        position_ = size_ = 0;
        requestToggle_ = responseToggle_ = 0;
        state_ = ST_DONE;
    } else {
        state_ = ST_SEND_DOWNLOAD_SEGMENT;
    }
}

void C_SdoMast::onInitUploadResponse()
{
    if (state_ != ST_WAIT_INIT_UPLOAD || !matchesObject()) {
        startAbort(SDO_ABORT_PROTOCOL);
        return;
    }
    uint8_t command = rx_[0];
    if (command & 0x02) {
        uint32_t n = (command & 0x01) ? 4 - ((command >> 2) & 3) : 4;
        if (callbackMode_) {
            // The sink is told n bytes, so all n must fit, as for a segment.
            uint32_t room = capacity_ != 0 ? capacity_ : static_cast<uint32_t>(C_COMM::max_frame);
            if (n > room) {
                startAbort(SDO_ABORT_SIZE_HIGH);
                return;
            }
            uint8_t piece[8] = {};
            std::memcpy(piece, rx_ + 4, n);
            std::memcpy(data_, piece, std::min<uint32_t>(room, 8));
            position_ = n;
            uint16_t length = static_cast<uint16_t>(n);
            int last = 1;
            callData(data_, &length, &last);
        } else {
            uint32_t stored = std::min(n, capacity_ > position_ ? capacity_ - position_ : 0);
            std::memcpy(data_ + position_, rx_ + 4, stored);
            position_ += stored;
            if (capacity_ > position_)
                std::memset(data_ + position_, 0, capacity_ - position_);
        }
        transferred_ = position_;
        state_ = ST_DONE;
        return;
    }
    position_ = 0;
    size_ = (command & 0x01) ? get_le32(rx_ + 4) : 0;
    requestToggle_ = responseToggle_ = 0;
    if (!callbackMode_ && size_ > capacity_) {
        size_ = 0;
        startAbort(SDO_ABORT_SIZE_HIGH);
        return;
    }
    state_ = ST_SEND_UPLOAD_SEGMENT;
}

void C_SdoMast::onUploadSegmentResponse()
{
    if (state_ != ST_WAIT_UPLOAD_SEGMENT) {
        startAbort(SDO_ABORT_PROTOCOL);
        return;
    }
    uint8_t command = rx_[0];
    if (((command >> 4) & 1) != responseToggle_) {
        startAbort(SDO_ABORT_TOGGLE);
        return;
    }
    responseToggle_ ^= 1;
    uint32_t count = fast_ ? static_cast<uint32_t>(rxLength_ - 1) : PLAIN_SEGMENT - ((command >> 1) & 7);
    if (size_ != 0 && position_ + count > size_) {
        startAbort(SDO_ABORT_SIZE_HIGH);
        return;
    }
    if (callbackMode_) {
        // One segment at the start of the caller's buffer, padded to a whole frame when plain.
        uint32_t room = capacity_ != 0 ? capacity_ : static_cast<uint32_t>(C_COMM::max_frame);
        if (count > room) {
            startAbort(SDO_ABORT_SIZE_HIGH);
            return;
        }
        std::memcpy(data_, rx_ + 1, count);
        if (!fast_ && count < 8 && room >= 8)
            std::memset(data_ + count, 0, 8 - count);
        position_ += count;
        transferred_ += count;
    } else {
        // More than the buffer holds is an overflow, never a silently shortened result.
        if (count > capacity_ - position_) {
            startAbort(SDO_ABORT_SIZE_HIGH);
            return;
        }
        std::memcpy(data_ + position_, rx_ + 1, count);
        position_ += count;
        transferred_ = position_;
    }
    if (command & 0x01) {
        if (size_ != 0 && size_ != position_) {
            startAbort(SDO_ABORT_SIZE_LOW);
            return;
        }
        if (callbackMode_) {
            uint16_t length = static_cast<uint16_t>(count);
            int last = 1;
            callData(data_, &length, &last);
        }
        data_ = nullptr;
        position_ = size_ = 0;
        requestToggle_ = responseToggle_ = 0;
        state_ = ST_DONE;
    } else {
        if (callbackMode_) {
            uint16_t length = static_cast<uint16_t>(count);
            int last = 0;
            callData(data_, &length, &last);
        }
        state_ = ST_SEND_UPLOAD_SEGMENT;
    }
}

void C_SdoMast::onServerAbort()
{
    abortDetail_ = get_le32(rx_ + 4);
    result_ = fl_result::from_server_abort(abortDetail_);
    state_ = ST_FAILED;
}
