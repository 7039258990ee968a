#include "sim/boot_object_store.h"

#include "sim/boot_sdo_server.h"

uint8_t boot_object_store::write(uint16_t index, uint8_t subindex, const uint8_t* data, uint32_t length,
                                 uint32_t* confirm)
{
    objects_[{index, subindex}] = std::vector<uint8_t>(data, data + length);
    auto c = confirms_.find({index, subindex});
    *confirm = c == confirms_.end() ? 0 : c->second;
    return 0;
}

uint8_t boot_object_store::open_download(uint16_t index, uint8_t subindex, uint32_t)
{
    open_ = {index, subindex};
    incoming_.clear();
    downloading_ = true;
    return 0;
}

uint8_t boot_object_store::append_download(const uint8_t* data, uint32_t length)
{
    if (!downloading_)
        return boot_reason::not_started;
    incoming_.insert(incoming_.end(), data, data + length);
    return 0;
}

uint8_t boot_object_store::finish_download()
{
    if (!downloading_)
        return boot_reason::not_started;
    objects_[open_] = std::move(incoming_);
    incoming_.clear();
    downloading_ = false;
    ++finished_;
    return 0;
}

uint8_t boot_object_store::open_upload(uint16_t index, uint8_t subindex, std::vector<uint8_t>* content)
{
    auto o = objects_.find({index, subindex});
    if (o == objects_.end())
        return boot_reason::illegal_index;
    *content = o->second;
    return 0;
}

void boot_object_store::set(uint16_t index, uint8_t subindex, std::vector<uint8_t> content)
{
    objects_[{index, subindex}] = std::move(content);
}

const std::vector<uint8_t>& boot_object_store::get(uint16_t index, uint8_t subindex) const
{
    static const std::vector<uint8_t> none;
    auto o = objects_.find({index, subindex});
    return o == objects_.end() ? none : o->second;
}

bool boot_object_store::has(uint16_t index, uint8_t subindex) const
{
    return objects_.count({index, subindex}) != 0;
}

void boot_object_store::set_confirm(uint16_t index, uint8_t subindex, uint32_t value)
{
    confirms_[{index, subindex}] = value;
}
