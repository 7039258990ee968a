// A plain store of objects for the transfer server: every index and subindex can be written
// (expedited or segmented) and read back. Stands in for the loader's real objects where a
// test only cares about the transfer.
#pragma once
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "sim/boot_objects.h"

class boot_object_store : public boot_objects {
public:
    using key = std::pair<uint16_t, uint8_t>;

    uint8_t write(uint16_t index, uint8_t subindex, const uint8_t* data, uint32_t length,
                  uint32_t* confirm) override;
    uint8_t open_download(uint16_t index, uint8_t subindex, uint32_t size) override;
    uint8_t append_download(const uint8_t* data, uint32_t length) override;
    uint8_t finish_download() override;
    uint8_t open_upload(uint16_t index, uint8_t subindex, std::vector<uint8_t>* content) override;

    void set(uint16_t index, uint8_t subindex, std::vector<uint8_t> content);
    // The content of an object; empty when it was never written.
    const std::vector<uint8_t>& get(uint16_t index, uint8_t subindex) const;
    bool has(uint16_t index, uint8_t subindex) const;
    // The value the confirmation of an expedited write of this object carries (default 0).
    void set_confirm(uint16_t index, uint8_t subindex, uint32_t value);
    // Completed segmented downloads so far.
    int downloads_finished() const { return finished_; }

private:
    std::map<key, std::vector<uint8_t>> objects_;
    std::map<key, uint32_t> confirms_;
    key open_{0, 0};
    std::vector<uint8_t> incoming_;
    bool downloading_ = false;
    int finished_ = 0;
};
