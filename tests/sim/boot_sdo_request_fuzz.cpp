// Feeds arbitrary request frames to the transfer server; the input is cut into frames by a
// leading length byte.
#include <cstddef>
#include <cstdint>

#include "sim/boot_object_store.h"
#include "sim/boot_sdo_server.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    boot_object_store store;
    store.set(0x30F9, 0, std::vector<uint8_t>(300, 0x5A));
    boot_sdo_server server(store, (data[0] & 1) ? boot_session::usb() : boot_session::can());
    server.set_logging(false);
    server.set_upload_answer(static_cast<boot_upload_answer>((data[0] >> 1) % 3));
    size_t pos = 1;
    while (pos < size) {
        size_t n = data[pos++] % 70;
        if (n > size - pos)
            n = size - pos;
        server.handle(data + pos, n);
        pos += n;
    }
    return 0;
}
