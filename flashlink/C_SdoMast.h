// Client side of the object-transfer protocol of the boot loader: one download (write) or
// upload (read) of an object at a time, expedited up to 4 bytes or segmented, polled with
// Busy until it ends. The same frames travel over every transport; only the segment size
// and the frame length differ.
#pragma once
#include <cstdint>

#include "flashlink/CProtocol.h"
#include "flashlink/fl_types.h"

class C_COMM;

// Flags of Download and Upload.
enum : unsigned {
    SDO_FLAG_CALLBACK = 0x02,   // segmented through the function or the requester
    SDO_FLAG_SIZE = 0x04,       // the initiate download request announces the size
};

// Abort codes the client puts on the wire.
enum : uint32_t {
    SDO_ABORT_BY_CALLER = 0x00000000,
    SDO_ABORT_GENERAL = 0x05000000,     // the transport failed while a response was awaited
    SDO_ABORT_PROTOCOL = 0x05000020,    // a response that does not fit
    SDO_ABORT_TOGGLE = 0x05030000,
    SDO_ABORT_SIZE_LOW = 0x06070010,    // the last segment leaves fewer bytes than announced
    SDO_ABORT_SIZE_HIGH = 0x06070012,   // more bytes than announced or than the buffer holds
};

// Value of an initiate-download confirmation by which the server announces its restart.
constexpr uint32_t SDO_CONFIRM_RESTART = 0x11223344;

// State of the module that all clients share; only one transfer runs in the process.
struct sdo_globals {
    uint8_t filler = 0;    // next filler byte of the upload segment requests
    int last_piece = 0;    // written by the data source: the piece just given is the final one
    uint16_t resend = 0;   // the next Busy asks the transport to repeat its last frame
};

class C_SdoMast final : public CProtocol {
public:
    enum : uint32_t {
        ST_IDLE = 1,
        ST_SEND_INIT_UPLOAD = 2,
        ST_SEND_UPLOAD_SEGMENT = 3,
        ST_SEND_EXPEDITED = 4,
        ST_SEND_INIT_DOWNLOAD = 5,
        ST_SEND_DOWNLOAD_SEGMENT = 6,
        ST_SEND_ABORT = 7,
        ST_WAIT_INIT_UPLOAD = 8,
        ST_WAIT_UPLOAD_SEGMENT = 9,
        ST_WAIT_EXPEDITED = 10,
        ST_WAIT_INIT_DOWNLOAD = 11,
        ST_WAIT_DOWNLOAD_SEGMENT = 12,
        ST_WAIT_LAST_SEGMENT = 13,
        ST_DONE = 14,
        ST_FAILED = 15,
        ST_NO_CHANNEL = 16,
    };

    // Makes the transport of the protocol; an unsupported protocol (or one without a
    // transport) leaves the construction result 0xA004.
    C_SdoMast(T_PROTOCOL protocol, uint8_t fast);
    // Runs over the given transport (owned from now on), with the protocol's segment size
    // and identifier scheme; for front ends and tests that bring their own transport.
    C_SdoMast(T_PROTOCOL protocol, uint8_t fast, C_COMM* transport);
    ~C_SdoMast();
    C_SdoMast(const C_SdoMast&) = delete;
    C_SdoMast& operator=(const C_SdoMast&) = delete;

    // Ends a running transfer with an abort frame (code 0) and returns to idle.
    virtual short Abort();
    // Starts writing `size` bytes to index/subindex: expedited from `data` (1 to 4 bytes),
    // or, with SDO_FLAG_CALLBACK, segmented with `data` as the buffer of `size` bytes that the
    // source fills; a piece larger than that aborts the transfer.
    virtual uint16_t Download(C_RQ_Xld* requester, T_XLD_CALLBACK function, uint16_t node,
                              uint16_t index, uint8_t subindex, uint32_t size, uint8_t* data,
                              unsigned flags);
    // Starts reading index/subindex into `data` (room for `capacity` bytes), or, with
    // SDO_FLAG_CALLBACK, through the sink with `data` as the buffer of one segment (room for
    // `capacity` bytes, at least 8; 0 means room for a whole frame, C_COMM::max_frame).
    virtual uint16_t Upload(C_RQ_Xld* requester, T_XLD_CALLBACK function, uint16_t node,
                            uint16_t index, uint8_t subindex, uint32_t capacity, uint8_t* data,
                            unsigned flags);
    // Forgets a finished or failed transfer.
    virtual void Clear();
    // One step of the transfer. Hands out (and clears) the result and the transferred count;
    // false once the transfer has ended (done, failed or idle).
    virtual bool Busy(uint16_t* result, uint32_t* count);

    static sdo_globals& Globals();
    static void ResetGlobals();
    // Segment size of a protocol's transport (0 for an unsupported protocol).
    static uint16_t SegmentSizeOf(T_PROTOCOL protocol, uint8_t fast);

    uint32_t State() const { return state_; }
    uint32_t AbortDetail() const { return abortDetail_; }
    uint16_t RequestId() const { return requestId_; }
    uint16_t ResponseId() const { return responseId_; }
    uint16_t SegmentSize() const { return segmentSize_; }
    uint8_t Fast() const { return fast_; }
    C_COMM* Comm() const { return comm_; }

private:
    void init(T_PROTOCOL protocol, uint8_t fast);
    bool isCan() const { return protocol_ == PROT_CAN || protocol_ == PROT_QUELCAN; }
    bool running() const { return state_ >= ST_SEND_INIT_UPLOAD && state_ <= ST_WAIT_LAST_SEGMENT; }
    void step();
    void sendRequest();
    uint16_t send(const uint8_t* frame, uint16_t length);
    void startAbort(uint32_t code);
    void handleResponse();
    void onInitDownloadResponse();
    void onDownloadSegmentResponse();
    void onInitUploadResponse();
    void onUploadSegmentResponse();
    void onServerAbort();
    bool matchesObject() const;
    short callData(uint8_t* data, uint16_t* length, int* last);
    void closeChannel();
    void clearTransfer();
    uint16_t startCommon(uint16_t node, uint16_t index, uint8_t subindex);

    C_COMM* comm_ = nullptr;
    uint32_t state_ = ST_IDLE;
    uint16_t result_ = 0;
    uint32_t abortDetail_ = 0;
    uint8_t channelOpen_ = 0;
    uint16_t requestId_ = 0;
    uint16_t responseId_ = 0;
    uint16_t index_ = 0;
    uint8_t subindex_ = 0;
    uint8_t callbackMode_ = 0;
    T_XLD_CALLBACK function_ = nullptr;
    uint8_t useRequester_ = 0;
    uint8_t* data_ = nullptr;
    uint32_t position_ = 0;
    uint32_t size_ = 0;
    uint8_t responseToggle_ = 0;
    uint8_t requestToggle_ = 0;
    uint32_t capacity_ = 0;       // upload: room in the buffer; download: room the source may fill
    uint32_t transferred_ = 0;
    uint32_t lastSegmentLength_ = 0;
    uint8_t indicateSize_ = 0;
    uint8_t rx_[2050] = {};
    uint16_t rxLength_ = 0;
    uint8_t abortFrame_[8] = {};
    uint8_t lastSegment_ = 0;
    T_PROTOCOL protocol_ = PROT_USB;
    uint16_t segmentSize_ = 0;
    uint8_t fast_ = 0;
};
