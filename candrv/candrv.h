/* The common interface of the CAN driver libraries (pcanbridge, portcan, kerncan, isacan).
 * Each library exports these plain C names; flashlink binds them by name at run time.
 * Results are 8-bit booleans (1 = yes/success) unless a comment says otherwise. */
#ifndef TARVIX_CANDRV_H
#define TARVIX_CANDRV_H

#include <stdint.h>

#if defined(__GNUC__)
#define CANDRV_EXPORT __attribute__((visibility("default")))
#else
#define CANDRV_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Exported by all four libraries (the first three are the ones a loader cannot do without). */
CANDRV_EXPORT uint8_t CANReset(void);
/* Error code, 0 = no error; callers test the low byte (pcanbridge returns its whole status word). */
CANDRV_EXPORT uint32_t CANError(void);
/* baud: row of the bit-timing table; second: isacan's interrupt number, kerncan's driver value;
 * port: parallel port 1 or 2 (portcan, kerncan), board I/O address (isacan). */
CANDRV_EXPORT uint8_t CANOpenDevice(int16_t baud, int16_t second, uint16_t port);
CANDRV_EXPORT uint8_t CANCloseDevice(void);
CANDRV_EXPORT uint8_t CANOpenSndObj(int16_t* handle, uint16_t id, uint8_t value, int32_t option);
/* fifo: a message FIFO from CANOpenMsgFifo, or null. The handle is written in every case. */
CANDRV_EXPORT uint8_t CANOpenRcvObj(int16_t* handle, uint16_t id, void* fifo, int32_t option, uint8_t object0,
                                    uint8_t extra);
CANDRV_EXPORT void CANCloseObj(int16_t handle);
CANDRV_EXPORT uint8_t CANSndReady(int16_t handle);
/* length 0..8; longer is refused. */
CANDRV_EXPORT uint8_t CANWrMsg(int16_t handle, const uint8_t* data, uint8_t length, uint16_t id);
CANDRV_EXPORT uint8_t CANRcvReady(int16_t handle);
/* data: 8 bytes; length never exceeds 8. */
CANDRV_EXPORT void CANRdMsg(int16_t handle, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra);
CANDRV_EXPORT void CANFlushRcvAll(void);

/* pcanbridge, portcan, kerncan */
CANDRV_EXPORT void CANSetGlobalMsk(uint16_t mask);
CANDRV_EXPORT void CANSetDiagMsk(uint16_t mask);
CANDRV_EXPORT uint8_t CANOverrun(void);

/* Message FIFOs (portcan, kerncan). Open the FIFO, then pass it to CANOpenRcvObj; close the object
 * before the FIFO. */
CANDRV_EXPORT uint8_t CANOpenMsgFifo(void** fifo, uint16_t capacity, uint8_t allocate);
CANDRV_EXPORT void CANCloseMsgFifo(void* fifo);
CANDRV_EXPORT void CANClearMsgFifo(int16_t handle);
CANDRV_EXPORT uint8_t CANMsgInFifo(int16_t handle, uint8_t* overflow);
CANDRV_EXPORT void CANRdFifoMsg(int16_t handle, uint8_t* data, uint8_t* length, int16_t* id, int16_t* extra);
CANDRV_EXPORT void CANFlushRcvBuf(int16_t handle);

/* portcan */
CANDRV_EXPORT uint8_t CANInitBoard(uint16_t port);
CANDRV_EXPORT void CANSetPortBits(uint8_t reg, uint8_t bits);
CANDRV_EXPORT void CANResetPortBits(uint8_t reg, uint8_t bits);
CANDRV_EXPORT void RdRegTest(void);

/* kerncan */
CANDRV_EXPORT void CANRdStatus(void);
/* The last error, then 0; class 0 Windows error, 1 the driver's own code, 2 a reply's status. */
CANDRV_EXPORT uint32_t GetLastErrorX(uint16_t* error_class);

/* kerncan: a parallel port's byte through the driver; isacan: a board register. */
CANDRV_EXPORT uint8_t CANRdPort(uint16_t port);

/* isacan */
CANDRV_EXPORT uint16_t CANRdPortWord(uint16_t reg);
CANDRV_EXPORT void CANWrPort(uint16_t reg, uint8_t value);
CANDRV_EXPORT void CANSwitchLED(uint8_t led, uint8_t on);
CANDRV_EXPORT void CANMemCopy(void* destination, const void* source, uint32_t count);
CANDRV_EXPORT void CANSetInt03(void);
CANDRV_EXPORT void WR_CAM(int16_t handle, uint16_t word);

/* Pointer types for binding the names at run time. */
typedef uint8_t (*CANReset_fn)(void);
typedef uint32_t (*CANError_fn)(void);
typedef uint8_t (*CANOpenDevice_fn)(int16_t, int16_t, uint16_t);
typedef uint8_t (*CANCloseDevice_fn)(void);
typedef uint8_t (*CANOpenSndObj_fn)(int16_t*, uint16_t, uint8_t, int32_t);
typedef uint8_t (*CANOpenRcvObj_fn)(int16_t*, uint16_t, void*, int32_t, uint8_t, uint8_t);
typedef void (*CANCloseObj_fn)(int16_t);
typedef uint8_t (*CANSndReady_fn)(int16_t);
typedef uint8_t (*CANWrMsg_fn)(int16_t, const uint8_t*, uint8_t, uint16_t);
typedef uint8_t (*CANRcvReady_fn)(int16_t);
typedef void (*CANRdMsg_fn)(int16_t, uint8_t*, uint8_t*, int16_t*, int16_t*);

#ifdef __cplusplus
}
#endif

#endif
