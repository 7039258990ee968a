// What the simulated boot loader's transfer server asks of the objects behind it. The
// server core knows frames, toggles and segments; the objects know what a write or a read
// of an index means. Every method answers with an abort reason (0 = accepted).
#pragma once
#include <cstdint>
#include <vector>

class boot_objects {
public:
    virtual ~boot_objects() = default;
    // An expedited write of 1 to 4 bytes; *confirm is the value the confirmation carries.
    virtual uint8_t write(uint16_t index, uint8_t subindex, const uint8_t* data, uint32_t length,
                          uint32_t* confirm) = 0;
    // A segmented download opens; `size` is 0 when the client did not announce one.
    virtual uint8_t open_download(uint16_t index, uint8_t subindex, uint32_t size) = 0;
    virtual uint8_t append_download(const uint8_t* data, uint32_t length) = 0;
    // The last segment arrived; a failure here is answered with an abort, not a confirm.
    virtual uint8_t finish_download() = 0;
    // An upload opens: the whole content of the object.
    virtual uint8_t open_upload(uint16_t index, uint8_t subindex, std::vector<uint8_t>* content) = 0;
    // The last upload segment was sent.
    virtual void finish_upload() {}
};
