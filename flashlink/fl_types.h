// Small types shared by the classes of the download library and its callers.
#pragma once
#include <cstdint>

// The transport a protocol object talks through.
enum T_PROTOCOL : uint16_t {
    PROT_CAN = 1,      // CAN, standard identifiers
    PROT_QUELCAN = 2,  // CAN, QUELCAN identifiers
    PROT_V24 = 3,      // serial line
    PROT_ETH = 4,      // Ethernet (ICMP echo)
    PROT_USB = 5,      // USB HID
};

// Data source and sink of a segmented transfer, and progress report: the bytes, their
// count (in and out), the last-piece mark (out) and a user value.
typedef short (*T_XLD_CALLBACK)(uint8_t* data, uint16_t* length, int* last, uint32_t user);

// The transport the process has opened (C_SndHex::DrvInitializedF).
enum T_DRV_INIT : uint16_t {
    DRV_NONE = 0,
    DRV_CAN_ISA = 1,   // ISA CAN board
    DRV_CAN_DON = 2,   // parallel-port CAN dongle
    DRV_V24 = 3,       // serial line
    DRV_ETH = 4,       // Ethernet (ICMP echo)
    DRV_USB = 5,       // USB HID
    DRV_CAN_PEAK = 6,  // PEAK CAN adapter
};

// The rate code of the serial line.
typedef int32_t T_BAUDRATE;
