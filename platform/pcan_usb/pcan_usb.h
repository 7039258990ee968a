/* The five operations of the PEAK adapter's library that pcanbridge imports (by ordinal on
 * Windows: 1 close, 2 initialise, 3 read, 5 status, 7 write). Each returns 0 or status bits;
 * the record layout and the bits are in platform/devices/pcan_slot.h. */
#ifndef TARVIX_PCAN_USB_H
#define TARVIX_PCAN_USB_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

__attribute__((visibility("default"))) uint32_t pcan_close(void);
__attribute__((visibility("default"))) uint32_t pcan_init(uint16_t timing, int type);
__attribute__((visibility("default"))) uint32_t pcan_read(uint8_t* record);
__attribute__((visibility("default"))) uint32_t pcan_status(void);
__attribute__((visibility("default"))) uint32_t pcan_write(const uint8_t* record);

#ifdef __cplusplus
}
#endif

#endif
