#include "sim/firmware/object_dictionary.h"

#include <algorithm>

#include "sim/firmware/sdo_abort.h"

namespace sim {

object_dictionary::object_dictionary(const std::vector<object_entry>& entries)
{
    for (const object_entry& entry : entries)
        entries_[key(entry.index, entry.subindex)] = entry;
}

const object_entry* object_dictionary::find(uint16_t index, uint8_t subindex) const
{
    auto it = entries_.find(key(index, subindex));
    return it == entries_.end() ? nullptr : &it->second;
}

object_entry* object_dictionary::entry(uint16_t index, uint8_t subindex)
{
    auto it = entries_.find(key(index, subindex));
    return it == entries_.end() ? nullptr : &it->second;
}

uint32_t object_dictionary::check_access(uint16_t index, uint8_t subindex, bool for_write) const
{
    const object_entry* entry = find(index, subindex);
    if (!entry) {
        auto first = entries_.lower_bound(key(index, 0));
        bool object_exists = first != entries_.end() && first->second.index == index;
        return object_exists ? sdo_abort::subindex_does_not_exist : sdo_abort::object_does_not_exist;
    }
    if (for_write && !entry->writable())
        return sdo_abort::read_only_object;
    if (!for_write && !entry->readable())
        return sdo_abort::write_only_object;
    return 0;
}

size_t object_dictionary::capacity(uint16_t index, uint8_t subindex) const
{
    const object_entry* entry = find(index, subindex);
    return entry ? entry->capacity : 0;
}

uint32_t object_dictionary::read(uint16_t index, uint8_t subindex, std::vector<uint8_t>& out)
{
    if (uint32_t abort = check_access(index, subindex, false))
        return abort;
    object_entry* target = entry(index, subindex);
    if (target->on_read) {
        // the hook may touch other entries; copy it so a map change cannot pull it away
        read_hook hook = target->on_read;
        if (uint32_t abort = hook(*this))
            return abort;
    }
    out = entry(index, subindex)->value;
    return 0;
}

uint32_t object_dictionary::write(uint16_t index, uint8_t subindex, const uint8_t* data, size_t size)
{
    if (uint32_t abort = check_access(index, subindex, true))
        return abort;
    object_entry* target = entry(index, subindex);
    if (size > target->capacity)
        return sdo_abort::length_too_high;
    if (!target->variable_size && size < target->value.size())
        return sdo_abort::length_too_low;
    std::vector<uint8_t> incoming(data, data + size);
    if (target->on_write) {
        write_hook hook = target->on_write;
        if (uint32_t abort = hook(*this, incoming))
            return abort;
    }
    entry(index, subindex)->value = std::move(incoming);
    return 0;
}

std::vector<uint8_t> object_dictionary::value(uint16_t index, uint8_t subindex) const
{
    const object_entry* found = find(index, subindex);
    return found ? found->value : std::vector<uint8_t>{};
}

uint64_t object_dictionary::number(uint16_t index, uint8_t subindex) const
{
    std::vector<uint8_t> bytes = value(index, subindex);
    uint64_t result = 0;
    for (size_t i = 0; i < bytes.size() && i < 8; ++i)
        result |= uint64_t(bytes[i]) << (8 * i);
    return result;
}

bool object_dictionary::set_value(uint16_t index, uint8_t subindex, const std::vector<uint8_t>& value)
{
    object_entry* target = entry(index, subindex);
    if (!target)
        return false;
    if (target->variable_size) {
        target->value.assign(value.begin(), value.begin() + std::min(value.size(), target->capacity));
    } else {
        std::fill(target->value.begin(), target->value.end(), 0);
        std::copy_n(value.begin(), std::min(value.size(), target->value.size()), target->value.begin());
    }
    return true;
}

bool object_dictionary::set_number(uint16_t index, uint8_t subindex, uint64_t value)
{
    std::vector<uint8_t> bytes(8);
    for (size_t i = 0; i < 8; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
    return set_value(index, subindex, bytes);
}

} // namespace sim
