// Fuzzes the receivers of the serial line and of ICMP echo: the first byte picks one, the
// rest is what arrives. Serial bytes go through a pseudo terminal into the plain or the
// fast receiver; an ICMP packet goes through the reply checks and the payload is copied.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "flashlink/C_ETH.h"
#include "flashlink/C_SndHex.h"
#include "flashlink/C_V24.h"

namespace {

int g_master = -1;

bool poll_ready(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 2) > 0;
}

bool serial_ready()
{
    if (g_master >= 0)
        return true;
    g_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (g_master < 0 || ::grantpt(g_master) != 0 || ::unlockpt(g_master) != 0)
        return false;
    ::setenv("TARVIX_COM7", ::ptsname(g_master), 1);
    return C_SndHex::DrvInitV24(7, 12) == 0;
}

void feed_serial(C_V24C& c, const uint8_t* data, size_t size)
{
    // A pty queue holds a few KiB; the receiver drains it as it goes.
    size_t done = 0;
    uint8_t frame[C_COMM::max_frame];
    for (;;) {
        if (done < size) {
            ssize_t w = ::write(g_master, data + done, size - done);
            if (w > 0)
                done += size_t(w);
        }
        int pending = 0;
        ::ioctl(C_V24::PortFd(), FIONREAD, &pending);
        if (pending == 0) {
            // The terminal hands bytes on a moment after the write.
            if (done == size && !poll_ready(C_V24::PortFd()))
                break;
            continue;
        }
        for (int i = 0; i < pending; ++i) {
            uint16_t error = 0;
            if (c.RcvReady(&error) && error == 0) {
                uint16_t n = 0xFFFF;
                c.GetFrame(frame, &n);
                if (n > C_COMM::max_frame)
                    std::abort();
            }
        }
    }
    c.ResetReceiver();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    uint8_t pick = data[0] % 3;
    ++data;
    --size;
    if (pick < 2) {
        if (!serial_ready())
            std::abort();
        static C_V24C plain;
        static C_V24CL fast;
        feed_serial(pick == 0 ? static_cast<C_V24C&>(plain) : fast, data, size);
        return 0;
    }
    const uint8_t id[2] = {0x34, 0x12};
    const uint8_t seq[2] = {0x00, 0x01};
    size_t offset = 0, length = 0;
    C_ETH::check r = C_ETH::CheckReply(data, size, id, seq, offset, length);
    if (r != C_ETH::check::ignored) {
        if (offset + length > size)
            std::abort();
        uint8_t payload[C_ETH::receive_size];
        std::memcpy(payload, data + offset, std::min(length, sizeof payload));
    }
    return 0;
}
