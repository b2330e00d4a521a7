#include "ecat/fsm/sii_categories.h"

#include <new>
#include <string>

#include "ecat/slave.h"

namespace ecat {

namespace {

constexpr size_t sii_first_category = 0x0040;
constexpr uint16_t category_type_mask = 0x7FFF; // bit 15 is the vendor-specific flag
constexpr uint16_t category_strings = 10;
constexpr uint16_t category_general = 30;
constexpr uint16_t category_sync_managers = 41;
constexpr uint16_t category_tx_pdos = 50;
constexpr uint16_t category_rx_pdos = 51;
constexpr size_t general_bytes = 32;
constexpr size_t sync_manager_entry_bytes = 8;
constexpr size_t pdo_header_bytes = 8;
constexpr size_t pdo_entry_bytes = 8;

// The data of one category as bytes; callers check every offset against size.
struct category_data {
    const uint16_t* words;
    size_t size; // bytes

    uint8_t byte(size_t k) const { return static_cast<uint8_t>(words[k / 2] >> ((k & 1) * 8)); }
    uint16_t u16(size_t k) const { return static_cast<uint16_t>(byte(k) | (byte(k + 1) << 8)); }
    bool holds(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
};

// String indices count from 1; 0 or an index past the table means no string.
std::string sii_string(const slave& s, uint8_t index)
{
    if (index == 0 || index > s.strings.size())
        return {};
    return s.strings[index - 1];
}

bool parse_strings(slave& s, const category_data& data)
{
    if (!data.holds(0, 1))
        return false;
    unsigned count = data.byte(0);
    std::vector<std::string> strings;
    strings.reserve(count);
    size_t offset = 1;
    for (unsigned i = 0; i < count; ++i) {
        if (!data.holds(offset, 1))
            return false;
        size_t length = data.byte(offset++);
        if (!data.holds(offset, length))
            return false;
        std::string text(length, '\0');
        for (size_t k = 0; k < length; ++k)
            text[k] = static_cast<char>(data.byte(offset + k));
        strings.push_back(std::move(text));
        offset += length;
    }
    if (count)
        s.strings = std::move(strings);
    return true;
}

bool parse_general(slave& s, const category_data& data)
{
    if (data.size != general_bytes)
        return false;
    s.group = sii_string(s, data.byte(0));
    s.image = sii_string(s, data.byte(1));
    s.order = sii_string(s, data.byte(2));
    s.name = sii_string(s, data.byte(3));
    for (int port = 0; port < 4; ++port)
        s.physical_port_types[port] = (data.byte(4) >> (2 * port)) & 0x03;
    s.coe_details = data.byte(5) & 0x3F;
    s.general_flags = data.byte(11) & 0x03;
    s.current_on_ebus = static_cast<int16_t>(data.u16(12));
    s.general_present = 1;
    return true;
}

bool parse_sync_managers(slave& s, const category_data& data)
{
    if (data.size % sync_manager_entry_bytes)
        return false;
    for (size_t offset = 0; offset < data.size; offset += sync_manager_entry_bytes) {
        if (s.sync_managers.size() >= max_sync_managers)
            return false;
        sync_manager sm;
        sm.owner = &s;
        sm.physical_start = data.u16(offset);
        sm.length = data.u16(offset + 2);
        sm.control = data.byte(offset + 4);
        sm.enable = data.byte(offset + 6);
        s.sync_managers.push_back(std::move(sm));
    }
    return true;
}

bool parse_pdos(slave& s, const category_data& data)
{
    size_t offset = 0;
    while (offset < data.size) {
        if (!data.holds(offset, pdo_header_bytes))
            return false;
        auto item = std::make_unique<pdo>();
        item->index = data.u16(offset);
        unsigned entry_count = data.byte(offset + 2);
        item->sync_manager_index = static_cast<int8_t>(data.byte(offset + 3));
        item->name = sii_string(s, data.byte(offset + 5));
        offset += pdo_header_bytes;
        if (!data.holds(offset, entry_count * pdo_entry_bytes))
            return false;
        for (unsigned i = 0; i < entry_count; ++i, offset += pdo_entry_bytes) {
            pdo_entry entry;
            entry.index = data.u16(offset);
            entry.subindex = data.byte(offset + 2);
            entry.name = sii_string(s, data.byte(offset + 3));
            entry.bit_length = data.byte(offset + 5);
            item->entries.push_back(std::move(entry));
        }
        int sm = item->sync_manager_index;
        if (sm >= 0 && static_cast<size_t>(sm) < s.sync_managers.size()
            && pdo_list_append_copy(s.sync_managers[sm].pdos, *item) != 0)
            return false;
        s.sii_pdos.push_back(std::move(item));
    }
    return true;
}

bool parse_category(slave& s, uint16_t type, const category_data& data)
{
    switch (type & category_type_mask) {
    case category_strings: return parse_strings(s, data);
    case category_general: return parse_general(s, data);
    case category_sync_managers: return parse_sync_managers(s, data);
    case category_tx_pdos:
    case category_rx_pdos: return parse_pdos(s, data);
    default: return true;
    }
}

} // namespace

bool sii_parse_categories(slave& s)
{
    const std::vector<uint16_t>& image = s.sii_image;
    s.strings.clear();
    s.sync_managers.clear();
    pdo_list_clear(s.sii_pdos);
    try {
        for (size_t word = sii_first_category; word < image.size();) {
            uint16_t type = image[word];
            if (type == sii_category_end)
                return true;
            if (image.size() - word < 2)
                return false;
            size_t size = image[word + 1];
            if (size > image.size() - word - 2)
                return false;
            if (!parse_category(s, type, category_data{image.data() + word + 2, size * 2}))
                return false;
            word += 2 + size;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return false; // ran out of words without the end marker
}

} // namespace ecat
