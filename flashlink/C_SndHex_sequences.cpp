// The three sequences of C_SndHex, one step per call of their step function. Odd steps
// start a transfer, even steps wait for it.
#include <cstdio>
#include <sys/stat.h>

#include "flashlink/C_SdoMast.h"
#include "flashlink/C_SndHex.h"
#include "flashlink/bin_ranges.h"
#include "flashlink/fl_results.h"
#include "platform/hex_record.h"
#include "flashlink/sequence_globals.h"
#include "platform/paths.h"

namespace {

const char* const msg_connected = "\r\nDevice connected ....";
const char* const msg_connected_short = ".. Device Connected\r\n";

// Control byte bits.
constexpr uint8_t ctl_hex_or_upload = 0x01;
constexpr uint8_t ctl_option_download = 0x08;
constexpr uint8_t ctl_option_upload = 0x10;
constexpr uint8_t ctl_real_memory = 0x08;
constexpr uint8_t ctl_stay = 0x40;
// Sectors of every binary range after the first: an empty range, nothing more to erase.
constexpr uint8_t no_erase_first = 3, no_erase_last = 2;

uint32_t control_value(uint8_t b0, uint8_t b1, uint8_t b2, uint8_t b3)
{
    return uint32_t(b0) | uint32_t(b1) << 8 | uint32_t(b2) << 16 | uint32_t(b3) << 24;
}

uint8_t area_bits(short area) { return uint8_t((area & 7) << 3); }

}  // namespace

// A step that started a transfer goes on; a refused start ends the sequence.
#define STARTED(call)            \
    do {                         \
        uint16_t r_ = (call);    \
        return r_ ? r_ : go_on;  \
    } while (0)

// A waiting step goes on until its transfer ended (the step has then advanced).
#define WAITED()                 \
    do {                         \
        int r_ = poll();         \
        return r_ == 0 ? go_on : r_; \
    } while (0)

// --- Intel-HEX download ----------------------------------------------------------------

uint16_t C_SndHex::HexDownload(C_RQ_Xld* requester, T_XLD_CALLBACK progress, uint16_t node, const char* file_name,
                               uint16_t flash_start, uint16_t flash_type, uint16_t first_sector,
                               uint16_t last_sector, uint16_t megabyte_slot, int ram_target, int stay_in_loader,
                               uint16_t option_flag, uint32_t connect_value, int file_offset, uint32_t byte_count,
                               short area_code, int run_to_end)
{
    if (!sdo_)
        return fl_result::driver_not_initialised;
    if (step_ == 0 || seq_ != sequence::hex) {
        Requester = requester;
        ProgressFn = progress;
        node_ = node;
        fileArg_ = file_name ? file_name : "";
        flashStart_ = flash_start;
        flashType_ = flash_type;
        firstSector_ = first_sector;
        lastSector_ = last_sector;
        slot_ = megabyte_slot;
        ram_ = ram_target;
        stay_ = stay_in_loader;
        option_ = option_flag;
        connect_ = connect_value;
        fileOffset_ = file_offset;
        byteCount_ = byte_count;
        area_ = area_code;
        begin(sequence::hex);
    }
    return run(&C_SndHex::hexStep, run_to_end);
}

int C_SndHex::hexStep()
{
    switch (step_) {
    case 1:
        if (!openForReading(fileArg_.c_str(), ".HEX"))
            return fl_result::file_open;
        if (fileOffset_ != -1) {
            // A line at fault is named by its number in the file, also inside a window.
            hexLine_ = hex_record::lines_before(file_, fileOffset_);
            std::fseek(file_, fileOffset_, SEEK_SET);
            fl_sequence().endLimit = long(fileOffset_) + long(byteCount_);
        }
        {
            // The control record erases the sectors: a damaged or empty image is refused
            // whole before the first request, and the old firmware stays.
            long start = std::ftell(file_);
            hex_record::check_result c = hex_record::check_lines(file_, fl_sequence().endLimit, hexLine_);
            if (!c.ok) {
                hexErrorLine_ = c.line;
                return fl_result::hex_line_invalid;
            }
            std::fseek(file_, start, SEEK_SET);
        }
        if (connect_ == 0) {
            step_ = 3;
            return go_on;
        }
        STARTED(startValue(OBJ_CONNECT, 0, connect_, 4, msg_connected));
    case 3: {
        if (option_ && area_)
            return fl_result::bad_parameters;
        uint8_t b0 = uint8_t(ctl_hex_or_upload | (stay_ ? ctl_stay : 0) |
                             (option_ ? ctl_option_download : area_bits(area_)));
        uint32_t value = ram_ ? control_value(b0, 0, 0, 0)
                              : control_value(b0, uint8_t((flashStart_ >> 8) + flashType_), uint8_t(firstSector_),
                                              uint8_t(lastSector_));
        mode_ = 2;
        STARTED(startValue(OBJ_HEX_CONTROL, ram_ ? 1 : 0, value, 4, msg_connected));
    }
    case 5:
        if (slot_ == 0) {
            step_ = 7;
            return go_on;
        }
        STARTED(startValue(OBJ_HIGH_PART, 0, slot_, 4, msg_connected));
    case 7:
        STARTED(startDomain(OBJ_HEX_DOMAIN, false));
    case 2:
    case 4:
    case 6:
        WAITED();
    case 8:
        return poll();
    default:
        return fl_result::step_out_of_range;
    }
}

// --- binary download -----------------------------------------------------------------------

uint16_t C_SndHex::BinDownload(C_RQ_Xld* requester, T_XLD_CALLBACK progress, uint16_t node, const char* file_name,
                               uint16_t flash_start, uint16_t flash_type, uint16_t first_sector,
                               uint16_t last_sector, uint16_t megabyte_slot, uint16_t load_segment,
                               uint16_t load_offset, int ram_target, short binary_type, int stay_in_loader,
                               uint16_t option_flag, uint32_t connect_value, int file_offset, uint32_t byte_count,
                               short area_code, int run_to_end)
{
    if (!sdo_)
        return fl_result::driver_not_initialised;
    if (step_ == 0 || seq_ != sequence::bin) {
        Requester = requester;
        ProgressFn = progress;
        node_ = node;
        fileArg_ = file_name ? file_name : "";
        flashStart_ = flash_start;
        flashType_ = flash_type;
        firstSector_ = first_sector;
        lastSector_ = last_sector;
        slot_ = megabyte_slot;
        loadSegment_ = load_segment;
        loadOffset_ = load_offset;
        ram_ = ram_target;
        binaryType_ = binary_type;
        stay_ = stay_in_loader;
        option_ = option_flag;
        connect_ = connect_value;
        fileOffset_ = file_offset;
        byteCount_ = byte_count;
        area_ = area_code;
        begin(sequence::bin);
        // An empty or missing file fails before any request, without a message of its own.
        struct stat st;
        std::string path = platform::resolve_path(FileNameFor(fileArg_.c_str(), ".BIN"));
        if (::stat(path.c_str(), &st) != 0 || (S_ISREG(st.st_mode) && st.st_size == 0))
            return finish(fl_result::file_open);
        if (!openForReading(fileArg_.c_str(), ".BIN"))
            return finish(fl_result::file_open);
        if (fileOffset_ != -1) {
            // Nothing to read at the offset is a missing image, not an empty success.
            if (fileOffset_ < 0 || long(fileOffset_) >= long(st.st_size) || byteCount_ == 0)
                return finish(fl_result::file_open);
            std::fseek(file_, fileOffset_, SEEK_SET);
        }
        if ((option_ || binaryType_) && area_)
            return finish(fl_result::bad_parameters);
        control_ = uint8_t((option_ ? ctl_option_download : 0) | area_bits(area_) | (binaryType_ == 1 ? 0x10 : 0) |
                           (binaryType_ == 2 ? 0x20 : 0));
        sendAll_ = binaryType_ != 0 || ram_ || fileOffset_ != -1;
        bytesLeft_ = byteCount_;
        blockCounter_ = 0;
        blockLength_ = 0;
        scanPos_ = 0;
        firstRange_ = true;
        mode_ = 1;
    }
    return run(&C_SndHex::binStep, run_to_end);
}

int C_SndHex::readBlock()
{
    uint32_t want = block_size;
    if (fileOffset_ != -1 && bytesLeft_ < want)
        want = bytesLeft_;
    size_t n = std::fread(block_, 1, want, file_);
    if (fileOffset_ != -1)
        bytesLeft_ -= uint32_t(n);
    blockLength_ = uint32_t(n);
    scanPos_ = 0;
    int next = std::getc(file_);
    if (next != EOF)
        std::ungetc(next, file_);
    lastBlock_ = n < want || next == EOF || (fileOffset_ != -1 && bytesLeft_ == 0);
    return go_on;
}

uint32_t C_SndHex::rangeAddress() const
{
    return (uint32_t(loadSegment_) + 2048u * blockCounter_) * 16u + rangeStart_ + loadOffset_;
}

int C_SndHex::binStep()
{
    switch (step_) {
    case 1:
        if (connect_ == 0) {
            step_ = 3;
            return go_on;
        }
        STARTED(startValue(OBJ_CONNECT, 0, connect_, 4, msg_connected));
    case 2:
        WAITED();
    case 3:
        readBlock();
        step_ = 4;
        return go_on;
    case 4: {
        if (sendAll_) {
            rangeStart_ = 0;
            rangeEnd_ = uint16_t(blockLength_);
            rangeAtBlockEnd_ = true;
            lastRange_ = lastBlock_;
        } else {
            bin_range r = find_bin_range(block_, blockLength_, scanPos_);
            if (!r.found) {
                if (!lastBlock_) {
                    ++blockCounter_;
                    step_ = 3;
                    return go_on;
                }
                // The image ends in erased flash: one byte still carries the last range.
                r.found = true;
                r.start = 0;
                r.end = 1;
                r.at_block_end = true;
            }
            rangeStart_ = uint16_t(r.start);
            rangeEnd_ = uint16_t(r.end);
            rangeAtBlockEnd_ = r.at_block_end;
            scanPos_ = r.next_scan;
            lastRange_ = r.at_block_end && lastBlock_;
        }
        step_ = 5;
        return go_on;
    }
    case 5: {
        uint8_t b0 = uint8_t(control_ | ((lastRange_ ? stay_ != 0 : true) ? ctl_stay : 0));
        uint32_t value;
        if (ram_)
            value = control_value(b0, 0, 0, 0);
        else if (firstRange_)
            value = control_value(b0, uint8_t((flashStart_ >> 8) + flashType_), uint8_t(firstSector_),
                                  uint8_t(lastSector_));
        else
            value = control_value(b0, uint8_t((flashStart_ >> 8) + flashType_), no_erase_first, no_erase_last);
        bool first = firstRange_;
        firstRange_ = false;
        STARTED(startValue(OBJ_BIN_CONTROL, ram_ ? 1 : 0, value, 4, first ? msg_connected_short : nullptr));
    }
    case 7: {
        uint32_t high = ((rangeAddress() >> 20) & 0xFFF) + slot_;
        if (high == 0) {
            step_ = 9;
            return go_on;
        }
        STARTED(startValue(OBJ_HIGH_PART, 0, high & 0xFFFF, 4, nullptr));
    }
    case 9:
        STARTED(startValue(OBJ_LENGTH, 0, uint32_t(rangeEnd_) - rangeStart_, 4, nullptr));
    case 11: {
        uint32_t a = rangeAddress();
        STARTED(startValue(OBJ_ADDRESS, 0, (a & 0xF) | ((a & 0xFFFFF) >> 4) << 16, 4, nullptr));
    }
    case 13:
        readPos_ = rangeStart_;
        STARTED(startDomain(OBJ_BIN_DOMAIN, false));
    case 6:
    case 8:
    case 10:
    case 12:
        WAITED();
    case 14: {
        int r = poll();
        if (r != 0)
            return r;
        if (lastRange_)
            return 0;
        if (rangeAtBlockEnd_ || scanPos_ >= blockLength_) {
            ++blockCounter_;
            step_ = 3;
        } else {
            step_ = 4;
        }
        return go_on;
    }
    default:
        return fl_result::step_out_of_range;
    }
}

// --- binary upload --------------------------------------------------------------------------

uint16_t C_SndHex::BinUpload(C_RQ_Xld* requester, T_XLD_CALLBACK progress, uint16_t node, const char* file_name,
                             uint16_t megabyte_slot, uint16_t segment, uint16_t offset, uint32_t byte_count,
                             int real_memory, int stay_in_loader, uint16_t option_flag, uint32_t connect_value,
                             short area_code, int run_to_end)
{
    if (!sdo_)
        return fl_result::driver_not_initialised;
    if (step_ == 0 || seq_ != sequence::upload) {
        Requester = requester;
        ProgressFn = progress;
        node_ = node;
        fileArg_ = file_name ? file_name : "";
        slot_ = megabyte_slot;
        loadSegment_ = segment;
        loadOffset_ = offset;
        byteCount_ = byte_count;
        realMemory_ = real_memory;
        stay_ = stay_in_loader;
        option_ = option_flag;
        connect_ = connect_value;
        area_ = area_code;
        begin(sequence::upload);
        if (!openForWriting(fileArg_.c_str()))
            return finish(fl_result::file_create);
    }
    return run(&C_SndHex::uploadStep, run_to_end);
}

int C_SndHex::uploadStep()
{
    switch (step_) {
    case 1:
        if (connect_ == 0) {
            step_ = 3;
            return go_on;
        }
        STARTED(startValue(OBJ_CONNECT, 0, connect_, 4, msg_connected_short));
    case 3: {
        if ((option_ || realMemory_) && area_)
            return fl_result::bad_parameters;
        uint8_t b0 = uint8_t(ctl_hex_or_upload | (stay_ ? ctl_stay : 0) | (option_ ? ctl_option_upload : 0) |
                             (realMemory_ ? ctl_real_memory : 0) | area_bits(area_));
        mode_ = 3;
        STARTED(startValue(OBJ_UPLOAD_CONTROL, 0, control_value(b0, 0, 0, 0), 4, msg_connected));
    }
    case 5:
        if (slot_ == 0) {
            step_ = 7;
            return go_on;
        }
        STARTED(startValue(OBJ_HIGH_PART, 0, slot_, 2, nullptr));
    case 7:
        STARTED(startValue(OBJ_LENGTH, 0, byteCount_, 4, nullptr));
    case 9:
        STARTED(startValue(OBJ_ADDRESS, 0, uint32_t(loadOffset_) | uint32_t(loadSegment_) << 16, 4, nullptr));
    case 11:
        STARTED(startDomain(OBJ_UPLOAD_DOMAIN, true));
    case 2:
    case 4:
    case 6:
    case 8:
    case 10:
        WAITED();
    case 12:
        return poll();
    default:
        return fl_result::step_out_of_range;
    }
}
