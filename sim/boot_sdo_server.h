// The simulated boot loader's object-transfer server, free of any transport: one request
// frame in, the reply frames out. A session gives the segment size and the framing of the
// transport the frames travel on. Keeps a log of the wire and injects faults on demand.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/boot_objects.h"

// Reasons of the server's aborts; the abort code on the wire is boot_abort_base | reason.
namespace boot_reason {
constexpr uint8_t not_started = 1;      // transfer not started or incomplete
constexpr uint8_t wrong_parameters = 2;
constexpr uint8_t illegal_index = 3;
constexpr uint8_t illegal_subindex = 4;
constexpr uint8_t toggle = 7;
constexpr uint8_t erase_failed = 12;
constexpr uint8_t too_large = 13;       // larger than the memory
constexpr uint8_t boot_sector = 14;     // write to the boot sector
constexpr uint8_t serial_receive = 15;
constexpr uint8_t not_erased = 16;      // flash not erased
}  // namespace boot_reason
constexpr uint32_t boot_abort_base = 0x08000000;

using boot_frame = std::vector<uint8_t>;

struct boot_session {
    uint16_t segment_size = 7;
    bool fast = false;  // segments as long as their data; else every frame is 8 bytes

    static boot_session can() { return {7, false}; }
    static boot_session serial(bool fast) { return fast ? boot_session{1024, true} : boot_session{7, false}; }
    static boot_session ethernet() { return {1024, true}; }
    static boot_session usb() { return {62, true}; }
};

// How the server opens an upload.
enum class boot_upload_answer {
    sized,            // segmented, size announced
    unsized,          // segmented, size not announced
    expedited_small,  // expedited for 1 to 4 bytes, else sized
};

struct boot_fault {
    enum kind_t {
        no_reply,         // the request is carried out, its reply is lost
        abort,            // the request is answered with an abort of the given reason
        toggle_error,     // the reply goes out with its toggle bit inverted
        duplicate_reply,  // the reply goes out twice
    };
    kind_t kind;
    uint32_t at_request;  // 1 = the first request the server sees
    uint8_t reason = 0;   // abort only
};

struct boot_wire_entry {
    bool from_client;
    uint32_t time_ms;
    boot_frame bytes;
};

class boot_sdo_server {
public:
    boot_sdo_server(boot_objects& objects, boot_session session);

    // Handles one request; returns the replies in wire order (none, one, or two with a fault).
    std::vector<boot_frame> handle(const uint8_t* request, size_t length);

    void set_session(boot_session session) { session_ = session; }
    const boot_session& session() const { return session_; }
    void set_upload_answer(boot_upload_answer a) { uploadAnswer_ = a; }
    void inject(const boot_fault& fault) { faults_.push_back(fault); }
    void clear_faults() { faults_.clear(); }

    const std::vector<boot_wire_entry>& wire_log() const { return log_; }
    void clear_log() { log_.clear(); }
    void set_logging(bool on) { logging_ = on; }
    uint32_t requests() const { return requests_; }
    bool transfer_open() const { return mode_ != mode::idle; }
    // Drops an open transfer and the duplicate caches.
    void reset();

private:
    enum class mode { idle, downloading, uploading };

    boot_frame dispatch(const uint8_t* request, size_t length);
    boot_frame initiate_download(const uint8_t* request, size_t length);
    boot_frame download_segment(const uint8_t* request, size_t length);
    boot_frame initiate_upload(const uint8_t* request, size_t length);
    boot_frame upload_segment(const uint8_t* request, size_t length);
    boot_frame abort_reply(uint16_t index, uint8_t subindex, uint8_t reason);
    uint16_t upload_segment_size() const;

    boot_objects& objects_;
    boot_session session_;
    boot_upload_answer uploadAnswer_ = boot_upload_answer::sized;
    std::vector<boot_fault> faults_;
    std::vector<boot_wire_entry> log_;
    bool logging_ = true;
    uint32_t requests_ = 0;

    mode mode_ = mode::idle;
    uint16_t index_ = 0;
    uint8_t subindex_ = 0;
    uint8_t toggle_ = 0;  // toggle the next segment must carry
    // The last segment exchange, to answer a repeated request without applying it twice.
    boot_frame lastSegmentRequest_;
    boot_frame lastSegmentReply_;
    int lastSegmentToggle_ = -1;
    bool lastWasUpload_ = false;
    std::vector<uint8_t> upload_;
    size_t uploadPos_ = 0;
};
