#include "platform/pcan_usb/pcan_usb.h"

#include "platform/devices/pcan_slot.h"

namespace pcan = platform::pcan;

uint32_t pcan_close(void)
{
    auto a = pcan::current();
    return a ? a->close() : pcan::st_no_adapter;
}

uint32_t pcan_init(uint16_t timing, int type)
{
    auto a = pcan::current();
    return a ? a->init(timing, type) : pcan::st_no_adapter;
}

uint32_t pcan_read(uint8_t* record)
{
    auto a = pcan::current();
    return a && record ? a->read(record) : pcan::st_no_adapter;
}

uint32_t pcan_status(void)
{
    auto a = pcan::current();
    return a ? a->status() : pcan::st_no_adapter;
}

uint32_t pcan_write(const uint8_t* record)
{
    auto a = pcan::current();
    return a && record ? a->write(record) : pcan::st_no_adapter;
}
