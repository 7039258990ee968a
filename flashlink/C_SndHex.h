// The exported face of the download library: the static functions open and close the one
// transport of the process; an object made for it runs one of three sequences of object
// transfers against the controller's boot loader (Intel-HEX download, binary download,
// binary upload), reads and writes the image files, watches every transfer with a step
// timer and reports progress through callbacks.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "flashlink/C_RQ_Xld.h"
#include "flashlink/fl_types.h"

class C_SdoMast;

class C_SndHex final : public C_RQ_Xld {
public:
    // The objects of the boot loader the sequences use.
    enum : uint16_t {
        OBJ_HEX_CONTROL = 0x30F0,
        OBJ_HEX_DOMAIN = 0x30F1,
        OBJ_BIN_CONTROL = 0x30F4,
        OBJ_LENGTH = 0x30F5,
        OBJ_ADDRESS = 0x30F6,
        OBJ_BIN_DOMAIN = 0x30F7,
        OBJ_UPLOAD_CONTROL = 0x30F8,
        OBJ_UPLOAD_DOMAIN = 0x30F9,
        OBJ_HIGH_PART = 0x30FB,
        OBJ_CONNECT = 0x30FC,
    };
    static constexpr uint32_t transfer_buffer_size = 2304;
    static constexpr uint32_t block_size = 32768;
    static constexpr uint32_t step_timeout_ms = 12000;
    static constexpr uint32_t domain_open_timeout_ms = 90000;
    // How long the sequence waits for a restarting USB device to come back.
    static constexpr uint32_t restart_wait_ms = 10000;

    // Makes the protocol client when the open transport is of the protocol's kind. With
    // `no_timeout` a step never times out and a key press ends it instead.
    C_SndHex(T_PROTOCOL protocol, uint8_t no_timeout, uint8_t fast);
    ~C_SndHex();
    // The object owns its protocol client and open file: it is not copied.
    C_SndHex(const C_SndHex&) = delete;
    C_SndHex& operator=(const C_SndHex&) = delete;

    // The data callback of the protocol client, by mode: the next piece of a binary range
    // or of the HEX file, or a received piece of an upload. Then the requester and the
    // progress function hear of it.
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t user) override;
    // For callers that step a sequence: 1 while its transfer runs, else 0.
    virtual short StatusBusy(short* result, uint32_t* count);

    // The sequences: 0 on success or a result code. With run_to_end 0 every call performs
    // one step and returns 0 while the sequence goes on (SequenceStep() is then not 0).
    uint16_t HexDownload(C_RQ_Xld* requester, T_XLD_CALLBACK progress, uint16_t node, const char* file_name,
                         uint16_t flash_start, uint16_t flash_type, uint16_t first_sector, uint16_t last_sector,
                         uint16_t megabyte_slot, int ram_target, int stay_in_loader, uint16_t option_flag,
                         uint32_t connect_value, int file_offset, uint32_t byte_count, short area_code,
                         int run_to_end);
    uint16_t BinDownload(C_RQ_Xld* requester, T_XLD_CALLBACK progress, uint16_t node, const char* file_name,
                         uint16_t flash_start, uint16_t flash_type, uint16_t first_sector, uint16_t last_sector,
                         uint16_t megabyte_slot, uint16_t load_segment, uint16_t load_offset, int ram_target,
                         short binary_type, int stay_in_loader, uint16_t option_flag, uint32_t connect_value,
                         int file_offset, uint32_t byte_count, short area_code, int run_to_end);
    uint16_t BinUpload(C_RQ_Xld* requester, T_XLD_CALLBACK progress, uint16_t node, const char* file_name,
                       uint16_t megabyte_slot, uint16_t segment, uint16_t offset, uint32_t byte_count,
                       int real_memory, int stay_in_loader, uint16_t option_flag, uint32_t connect_value,
                       short area_code, int run_to_end);

    // The line of the HEX file at fault after a download ended with 0x1005, numbered from
    // the file's first line also when a window starts further in; else 0.
    unsigned long HexErrorLine() const { return hexErrorLine_; }

    uint16_t SequenceStep() const { return step_; }
    uint16_t Mode() const { return mode_; }
    C_SdoMast* Sdo() const { return sdo_; }

    // The transport of the process: each sets DrvInitializedF to its kind, or to 0 when it
    // fails, and returns 0 or a result code.
    static uint16_t DrvInitV24(short port, T_BAUDRATE rate);
    static uint16_t DrvInitCANDon(short baud_index, uint16_t parallel_port);
    static uint16_t DrvInitCANPeak(short baud_index, uint16_t port);
    static uint16_t DrvInitCAN_ISA(short baud_index, short interrupt, uint16_t board_address);
    static uint16_t DrvInitEthernet(const char* address);
    static uint16_t DrvInitUsb(const char* pattern);
    // Each acts only when the open transport is of its kind.
    static uint16_t DrvCloseV24();
    static uint16_t DrvCloseCAN();
    static uint16_t DrvCloseEthernet();
    static uint16_t DrvCloseUsb();
    static T_DRV_INIT DrvInitializedF;

    // The file name a sequence opens: the extension added when the last component has none.
    static std::string FileNameFor(const char* name, const char* extension);

private:
    enum class sequence { none, hex, bin, upload };
    // A step's outcome: go_on, or the sequence's result (0 done).
    static constexpr int go_on = -1;

    void HandleApplStrt();
    uint16_t run(int (C_SndHex::*step)(), int run_to_end);
    uint16_t begin(sequence s);
    int hexStep();
    int binStep();
    int uploadStep();
    uint16_t finish(uint16_t result);
    uint16_t checkTimer();
    bool waiting() const;
    // Transfers: start one (0 or the client's code), poll it (go_on, 0 ended, or a code).
    uint16_t startValue(uint16_t index, uint8_t subindex, uint32_t value, uint32_t size, const char* connect_message);
    uint16_t startDomain(uint16_t index, bool upload);
    int poll();
    bool openForReading(const char* name, const char* extension);
    bool openForWriting(const char* name);
    void closeFile(bool keep);
    int readBlock();
    uint32_t rangeAddress() const;

    C_SdoMast* sdo_ = nullptr;
    T_PROTOCOL protocol_;
    uint16_t mode_ = 0;  // 0 idle, 1 binary download, 2 HEX download, 3 upload
    std::FILE* file_ = nullptr;
    uint8_t buffer_[transfer_buffer_size] = {};
    uint16_t step_ = 0;
    uint16_t rangeStart_ = 0xFFFF;
    uint16_t rangeEnd_ = 0xFFFF;
    uint32_t blockCounter_ = 0;
    uint16_t readPos_ = 0;
    uint8_t block_[block_size] = {};
    uint16_t pieceSize_ = 0;

    // The running sequence and its arguments.
    sequence seq_ = sequence::none;
    uint16_t node_ = 0;
    std::string fileArg_;
    uint16_t flashStart_ = 0, flashType_ = 0, firstSector_ = 0, lastSector_ = 0, slot_ = 0;
    uint16_t loadSegment_ = 0, loadOffset_ = 0;
    int ram_ = 0, stay_ = 0, realMemory_ = 0;
    short binaryType_ = 0, area_ = 0;
    uint16_t option_ = 0;
    uint32_t connect_ = 0;
    int fileOffset_ = -1;
    uint32_t byteCount_ = 0;
    // Binary download: the block in hand and the range being sent.
    uint32_t blockLength_ = 0;
    uint32_t scanPos_ = 0;
    uint32_t bytesLeft_ = 0;
    bool lastBlock_ = false;
    bool lastRange_ = false;
    bool rangeAtBlockEnd_ = false;
    bool firstRange_ = true;
    bool sendAll_ = false;
    uint8_t control_ = 0;
    // The transfer in hand.
    const char* connectMessage_ = nullptr;
    uint32_t lastCount_ = 0;
    bool restorePending_ = false;
    uint16_t callbackError_ = 0;
    // HEX download: the lines read so far and the line at fault.
    unsigned long hexLine_ = 0;
    unsigned long hexErrorLine_ = 0;
    // The upload file: written under a temporary name, renamed when the sequence succeeds.
    std::string uploadTarget_;
    std::string uploadTemp_;
};
