// Feeds arbitrary reply frames to the protocol client during downloads and uploads.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "flashlink/C_SdoMast.h"
#include "flashlink/support/fake_comms.h"

namespace {

class source : public C_RQ_Xld {
public:
    short CallBack(uint8_t* data, uint16_t* length, int* last, uint32_t) override
    {
        for (int i = 0; i < 100; ++i)
            data[i] = static_cast<uint8_t>(i);
        *length = 100;
        *last = ++calls >= 3;
        return 0;
    }
    int calls = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    auto* comm = new scripted_comm;
    size_t pos = 1;
    while (pos < size) {
        size_t n = data[pos++];
        if (n > size - pos)
            n = size - pos;
        comm->answers.push_back(frame_bytes(data + pos, data + pos + n));
        pos += n;
    }
    static const T_PROTOCOL protocols[] = {PROT_CAN, PROT_QUELCAN, PROT_V24, PROT_ETH, PROT_USB};
    C_SdoMast client(protocols[data[0] % 5], (data[0] >> 3) & 1, comm);
    source src;
    std::vector<uint8_t> buffer(2304);
    switch ((data[0] >> 4) % 4) {
    case 0:
        client.Download(nullptr, nullptr, 1, 0x30FC, 0, 4, buffer.data(), 0);
        break;
    case 1:
        client.Download(&src, nullptr, 1, 0x30F1, 0, 2304, buffer.data(), SDO_FLAG_CALLBACK);
        break;
    case 2:
        client.Upload(nullptr, nullptr, 1, 0x30F9, 0, 64, buffer.data(), 0);
        break;
    default:
        client.Upload(&src, nullptr, 1, 0x30F9, 0, 2304, buffer.data(), SDO_FLAG_CALLBACK);
        break;
    }
    uint16_t result;
    uint32_t count;
    for (int i = 0; i < 400 && client.Busy(&result, &count); ++i) {
    }
    return 0;
}
