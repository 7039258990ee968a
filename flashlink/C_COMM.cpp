#include "flashlink/C_COMM.h"

uint16_t C_COMM::Send(const uint8_t*, uint16_t, uint16_t* sent, uint32_t)
{
    if (sent)
        *sent = 0;
    return 0;
}

uint16_t C_COMM::Receive(uint8_t*, uint16_t, uint16_t* count, uint32_t, uint8_t, uint32_t)
{
    if (count)
        *count = 0;
    return 0;
}

bool C_COMM::PollReceive(uint16_t* result, uint16_t* count)
{
    if (result)
        *result = 0;
    if (count)
        *count = 0;
    return false;
}

void C_COMM::ResetReceiver() {}

uint16_t C_COMM::Open(uint16_t, uint16_t) { return 0; }

void C_COMM::Close() {}

C_COMM::~C_COMM() = default;
