#include "exit_status.h"

namespace flashcli {

int flashcli_exit_status(uint16_t result)
{
    int error_class = result >> 12;
    int code = result & 0xFFF;
    if (error_class == 2 && code > 32)
        code -= 32;
    return error_class * 256 + code;
}

int process_exit_status(int status)
{
    if (status == 0)
        return 0;
    int low = status & 0xFF;
    return low == 0 ? 255 : low;
}

}  // namespace flashcli
