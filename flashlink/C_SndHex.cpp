#include "flashlink/C_SndHex.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "flashlink/C_COMM.h"
#include "flashlink/C_SdoMast.h"
#include "flashlink/can_driver.h"
#include "flashlink/C_StepTimer.h"
#include "flashlink/C_USB.h"
#include "flashlink/bin_ranges.h"
#include "flashlink/fl_console.h"
#include "flashlink/fl_results.h"
#include "platform/hex_record.h"
#include "flashlink/sequence_globals.h"
#include "platform/paths.h"
#include "platform/ending_signals.h"
#include "platform/regular_file.h"
#include "platform/save_file.h"

T_DRV_INIT C_SndHex::DrvInitializedF = DRV_NONE;

namespace {

sequence_globals g;

const char* const msg_connect_request = "\r\nConnectRequest ....";

// Flags of the transfers: values go expedited, data domains through this object.
constexpr unsigned value_flags = 0;
constexpr unsigned domain_flags = 3;

// How long one wait for a response lasts before the timer and the keys are looked at again.
constexpr uint32_t wait_slice_ms = 20;

void say(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

bool is_driver_of(T_PROTOCOL p, T_DRV_INIT d)
{
    switch (p) {
    case PROT_CAN:
    case PROT_QUELCAN:
        return d == DRV_CAN_ISA || d == DRV_CAN_DON || d == DRV_CAN_PEAK;
    case PROT_V24:
        return d == DRV_V24;
    case PROT_ETH:
        return d == DRV_ETH;
    case PROT_USB:
        return d == DRV_USB;
    }
    return false;
}

}  // namespace

sequence_globals& fl_sequence() { return g; }

// --- transports ------------------------------------------------------------------------

// CAN: the driver library of the adapter's kind, opened through the loader (can_driver.h).
// The serial line and Ethernet open in C_SndHex_links.cpp.
uint16_t C_SndHex::DrvInitCANDon(short baud_index, uint16_t parallel_port)
{
    uint16_t r = fl_can::DrvInitCANDon(static_cast<uint16_t>(baud_index), parallel_port);
    DrvInitializedF = r ? DRV_NONE : DRV_CAN_DON;
    return r;
}

uint16_t C_SndHex::DrvInitCANPeak(short baud_index, uint16_t port)
{
    uint16_t r = fl_can::DrvInitCANPeak(static_cast<uint16_t>(baud_index), port);
    DrvInitializedF = r ? DRV_NONE : DRV_CAN_PEAK;
    return r;
}

uint16_t C_SndHex::DrvInitCAN_ISA(short baud_index, short interrupt, uint16_t board_address)
{
    uint16_t r = fl_can::DrvInitCAN_ISA(static_cast<uint16_t>(baud_index), static_cast<uint16_t>(interrupt),
                                        board_address);
    DrvInitializedF = r ? DRV_NONE : DRV_CAN_ISA;
    return r;
}

uint16_t C_SndHex::DrvCloseCAN()
{
    if (DrvInitializedF == DRV_CAN_ISA || DrvInitializedF == DRV_CAN_DON || DrvInitializedF == DRV_CAN_PEAK) {
        fl_can::DrvCloseCAN();
        DrvInitializedF = DRV_NONE;
    }
    return 0;
}

uint16_t C_SndHex::DrvInitUsb(const char* pattern)
{
    uint16_t r = C_USB::Open(pattern);
    DrvInitializedF = r == 0 ? DRV_USB : DRV_NONE;
    return r;
}

uint16_t C_SndHex::DrvCloseUsb()
{
    if (DrvInitializedF == DRV_USB) {
        // The receive thread is stopped and joined here: none is left running at exit.
        C_USB::Shutdown();
        DrvInitializedF = DRV_NONE;
    }
    return 0;
}

// --- object --------------------------------------------------------------------------------

C_SndHex::C_SndHex(T_PROTOCOL protocol, uint8_t no_timeout, uint8_t fast) : protocol_(protocol)
{
    if (is_driver_of(protocol, DrvInitializedF)) {
        uint8_t client_fast = fast;
        if (protocol == PROT_CAN || protocol == PROT_QUELCAN)
            client_fast = 0;
        else if (protocol == PROT_ETH || protocol == PROT_USB)
            client_fast = 1;
        sdo_ = new (std::nothrow) C_SdoMast(protocol, client_fast);
        Protocol = sdo_;
    }
    pieceSize_ = C_SdoMast::SegmentSizeOf(protocol, fast);
    g.timeout = g.savedTimeout = no_timeout ? 0 : step_timeout_ms;
}

C_SndHex::~C_SndHex()
{
    closeFile(false);
    delete sdo_;
}

std::string C_SndHex::FileNameFor(const char* name, const char* extension)
{
    std::string n = name ? name : "";
    size_t slash = n.find_last_of("/\\");
    std::string last = slash == std::string::npos ? n : n.substr(slash + 1);
    if (last.find('.', 1) == std::string::npos)
        n += extension;
    return n;
}

bool C_SndHex::openForReading(const char* name, const char* extension)
{
    std::string path = platform::resolve_path(FileNameFor(name, extension));
    // Regular files only, checked on the open file itself: a FIFO or a device would block or
    // never end (errno EISDIR for a folder, EINVAL for the other kinds).
    file_ = platform::fopen_regular(path);
    if (!file_) {
        std::printf("\nFile Access Error: Errocode: %d\n", errno);
        std::fflush(stdout);
        return false;
    }
    return true;
}

bool C_SndHex::openForWriting(const char* name)
{
    // Saved as every save is: a link is followed to its final target (a dangling one makes
    // it), and a temporary file beside the target replaces it only when the upload succeeds.
    // The file keeps the permissions of the one it replaces.
    std::string target;
    mode_t mode = 0644;
    bool existed = false;
    int e = platform::save_target(platform::resolve_path(FileNameFor(name, ".BIN")), target);
    if (e == 0)
        e = platform::save_target_error(target, mode, existed);
    int fd = -1;
    if (e == 0) {
        fd = platform::create_save_temporary(target, 0600, uploadTemp_);
        e = fd < 0 ? errno : 0;
    }
    if (fd >= 0) {
        // A run stopped by the user or the system leaves no part of the upload behind.
        platform::remove_on_ending_signal(uploadTemp_);
        ::fchmod(fd, mode);
        file_ = ::fdopen(fd, "wb");
        if (!file_) {
            e = errno;
            ::close(fd);
            ::unlink(uploadTemp_.c_str());
            platform::forget_on_ending_signal();
        }
    }
    if (!file_) {
        uploadTemp_.clear();
        std::printf("\nFile Access Error: Errocode: %d\n", e);
        std::fflush(stdout);
        return false;
    }
    uploadTarget_ = target;
    return true;
}

void C_SndHex::closeFile(bool keep)
{
    if (!file_)
        return;
    bool written = std::fflush(file_) == 0;
    written = std::fclose(file_) == 0 && written;
    file_ = nullptr;
    if (!uploadTemp_.empty()) {
        if (keep && written)
            written = ::rename(uploadTemp_.c_str(), uploadTarget_.c_str()) == 0;
        if (!keep || !written)
            ::unlink(uploadTemp_.c_str());
        if (keep && !written)
            callbackError_ = fl_result::file_create;
        platform::forget_on_ending_signal();
        uploadTemp_.clear();
    }
}

// --- common steps -------------------------------------------------------------------------

uint16_t C_SndHex::begin(sequence s)
{
    // A stepped sequence of another kind left unfinished ends here: its transfer is aborted
    // and its file closed (an upload's file is not kept).
    if (step_ != 0) {
        sdo_->Abort();
        closeFile(false);
        mode_ = 0;
    }
    seq_ = s;
    step_ = 1;
    callbackError_ = 0;
    hexLine_ = 0;
    hexErrorLine_ = 0;
    restorePending_ = false;
    g.firstConnect = true;
    g.endLimit = -1;
    say(msg_connect_request);
    g.timer.Restart(g.timeout);
    return 0;
}

uint16_t C_SndHex::finish(uint16_t result)
{
    if (result != 0 && sdo_) {
        // A transfer stopped by this side goes out as an abort.
        if (callbackError_ != 0)
            sdo_->Abort();
        sdo_->Clear();
    }
    closeFile(result == 0);
    // The upload's file could not be put in place: a failure after all.
    if (result == 0 && callbackError_ != 0)
        result = callbackError_;
    if (restorePending_) {
        g.timeout = g.savedTimeout;
        restorePending_ = false;
    }
    mode_ = 0;
    step_ = 0;
    seq_ = sequence::none;
    return result;
}

bool C_SndHex::waiting() const
{
    uint32_t s = sdo_->State();
    return s >= C_SdoMast::ST_WAIT_INIT_UPLOAD && s <= C_SdoMast::ST_WAIT_LAST_SEGMENT;
}

uint16_t C_SndHex::checkTimer()
{
    const fl_console& keys = fl_current_console();
    bool ran_out;
    if (g.timeout == 0) {
        ran_out = keys.key_pressed();
        if (ran_out)
            keys.read_key();
    } else {
        ran_out = g.timer.Expired();
    }
    if (!ran_out)
        return 0;
    if (protocol_ == PROT_ETH && seq_ != sequence::upload) {
        say("\r\nTimeout!!! Retry(j/n)?");
        int key = keys.read_key();
        if (key >= 0) {
            std::printf("%c", key);
            std::fflush(stdout);
        }
        // Without a console nobody can answer: as 'n'.
        if (key == 'j' || key == 'J') {
            C_SdoMast::Globals().resend = 1;
            g.timer.Restart(g.timeout);
            return 0;
        }
    }
    return fl_result::step_timeout;
}

uint16_t C_SndHex::run(int (C_SndHex::*step)(), int run_to_end)
{
    for (;;) {
        int r = (this->*step)();
        if (r >= 0)
            return finish(uint16_t(r));
        if (uint16_t t = checkTimer())
            return finish(t);
        if (!run_to_end) {
            if (waiting())
                sdo_->Comm()->WaitFrame(1);
            return 0;
        }
        if (waiting())
            sdo_->Comm()->WaitFrame(g.timeout ? std::min(wait_slice_ms, std::max<uint32_t>(g.timer.Remaining(), 1))
                                              : wait_slice_ms);
    }
}

uint16_t C_SndHex::startValue(uint16_t index, uint8_t subindex, uint32_t value, uint32_t size,
                              const char* connect_message)
{
    uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    // The protocol client copies the value when it sends the request, within the next step.
    std::memcpy(buffer_, bytes, sizeof bytes);
    uint16_t r = sdo_->Download(this, nullptr, node_, index, subindex, size, buffer_, value_flags);
    if (r == 0) {
        g.timer.Restart(g.timeout);
        connectMessage_ = connect_message;
        ++step_;
    }
    return r;
}

uint16_t C_SndHex::startDomain(uint16_t index, bool upload)
{
    // Opening a data domain may erase flash: allow it long, until the first piece.
    g.savedTimeout = g.timeout;
    if (g.timeout != 0) {
        g.timeout = domain_open_timeout_ms;
        restorePending_ = true;
    }
    uint16_t r = upload ? sdo_->Upload(this, nullptr, node_, index, 0, transfer_buffer_size, buffer_, domain_flags)
                        : sdo_->Download(this, nullptr, node_, index, 0, transfer_buffer_size, buffer_, domain_flags);
    if (r == 0) {
        g.timer.Restart(g.timeout);
        connectMessage_ = nullptr;
        lastCount_ = 0;
        ++step_;
    }
    return r;
}

int C_SndHex::poll()
{
    uint16_t result = 0;
    uint32_t count = 0;
    bool busy = sdo_->Busy(&result, &count);
    if (callbackError_ != 0)
        return callbackError_;
    if (result != 0)
        return result;
    if (busy) {
        if (count != lastCount_) {
            lastCount_ = count;
            g.timer.Restart(g.timeout);
        }
        return go_on;
    }
    g.timer.Restart(g.timeout);
    if (g.firstConnect) {
        g.firstConnect = false;
        HandleApplStrt();
        if (connectMessage_)
            say(connectMessage_);
    }
    ++step_;
    return 0;
}

void C_SndHex::HandleApplStrt()
{
    if (sdo_->ApplStartFlg.load() == 0)
        return;
    say(" .. Application StartFlg is detected .. ");
    if (DrvInitializedF == DRV_USB) {
        // The device restarts into its loader; the transport clears the flag when it is
        // back. Bounded: a device that stays away fails the next request instead.
        C_USB::WaitApplStartCleared(sdo_->ApplStartFlg, restart_wait_ms);
        say(" Reset OK...");
    }
}

// --- callbacks ----------------------------------------------------------------------------

short C_SndHex::StatusBusy(short* result, uint32_t* count)
{
    if (result)
        *result = 0;
    if (count)
        *count = 0;
    if (mode_ == 0 || !sdo_)
        return 0;
    uint16_t r = 0;
    uint32_t c = 0;
    bool busy = sdo_->Busy(&r, &c);
    if (result)
        *result = short(r);
    if (count)
        *count = c;
    if (busy)
        return 1;
    mode_ = 0;
    closeFile(r == 0 && callbackError_ == 0);
    return 0;
}

short C_SndHex::CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t user)
{
    if (restorePending_) {
        g.timeout = g.savedTimeout;
        restorePending_ = false;
    }
    int is_last = 0;
    uint16_t n = 0;
    switch (mode_) {
    case 1: {
        uint32_t rest = uint32_t(rangeEnd_) - readPos_;
        n = uint16_t(rest > pieceSize_ ? pieceSize_ : rest);
        is_last = rest <= pieceSize_;
        std::memcpy(data, block_ + readPos_, n);
        readPos_ = uint16_t(readPos_ + n);
        break;
    }
    case 2: {
        if (callbackError_ != 0)
            break;
        // The window or the file ends without an end record: an empty last piece.
        if (!file_ || (g.endLimit >= 0 && std::ftell(file_) >= g.endLimit)) {
            is_last = 1;
            break;
        }
        std::string line;
        hex_record::read_result rr = hex_record::read_line(file_, line, &hexLine_);
        if (rr == hex_record::read_result::end) {
            is_last = 1;
            break;
        }
        size_t piece = rr == hex_record::read_result::line
                           ? hex_record::to_piece(line.data(), line.size(), data, *length ? *length : 0)
                           : 0;
        if (piece == 0) {
            // The file was checked before the first request, so it changed since: the line
            // is not sent and the transfer is aborted after this step.
            callbackError_ = fl_result::hex_line_invalid;
            hexErrorLine_ = hexLine_;
            break;
        }
        n = uint16_t(piece);
        is_last = data[4] == 1;
        break;
    }
    case 3:
        if (callbackError_ == 0 && *length > 0 && (!file_ || std::fwrite(data, 1, *length, file_) != *length))
            callbackError_ = fl_result::file_create;
        n = *length;
        is_last = *last;
        break;
    default:
        break;
    }
    if (mode_ != 3) {
        *length = n;
        *last = is_last;
    }
    uint16_t progress = mode_ == 1 ? uint16_t((blockCounter_ * block_size + readPos_) >> 8) : n;
    short r = 0;
    if (Requester)
        r = Requester->CallBack(data, &progress, last, user);
    if (ProgressFn)
        r = ProgressFn(data, &progress, last, user);
    return r;
}
