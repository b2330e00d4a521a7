#include "ecat/pdo.h"

#include <new>

#include "ecat/result.h"

namespace ecat {

void pdo_list_clear(pdo_list& list)
{
    list.clear();
}

int pdo_list_append_copy(pdo_list& list, const pdo& item)
{
    if (pdo_list_find(list, item.index))
        return result::already_present;
    try {
        list.push_back(std::make_unique<pdo>(item));
    } catch (const std::bad_alloc&) {
        return result::no_memory;
    }
    return 0;
}

int pdo_list_copy(pdo_list& target, const pdo_list& source)
{
    pdo_list copy;
    try {
        for (const auto& item : source)
            copy.push_back(std::make_unique<pdo>(*item));
    } catch (const std::bad_alloc&) {
        return result::no_memory;
    }
    target = std::move(copy);
    return 0;
}

unsigned pdo_list_total_size(const pdo_list& list)
{
    unsigned bits = 0;
    for (const auto& item : list)
        for (const auto& entry : item->entries)
            bits += entry.bit_length;
    return (bits + 7) / 8;
}

pdo* pdo_list_find(pdo_list& list, uint16_t index)
{
    for (auto& item : list)
        if (item->index == index)
            return item.get();
    return nullptr;
}

int pdo_set_name(std::string& name, const char* text)
{
    if (!text || !*text) {
        name.clear();
        return 0;
    }
    if (name == text)
        return 0;
    try {
        name = text;
    } catch (const std::bad_alloc&) {
        return result::no_memory;
    }
    return 0;
}

} // namespace ecat
