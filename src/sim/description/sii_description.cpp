#include "sim/description/sii_description.h"

#include <algorithm>
#include <array>

#include "sim/description/sii_file.h"
#include "sim/description/sii_image.h"

namespace sim {

namespace {

constexpr uint16_t fmmu_category = 40;
constexpr size_t sync_manager_entry_words = 4;
constexpr size_t general_ports_word = 8;
constexpr unsigned process_memory_start = 0x1000;
constexpr unsigned largest_process_memory_kib = 60;
constexpr uint8_t max_units = 16;
constexpr uint16_t erased = 0xFFFF;

uint32_t word32(const std::vector<uint16_t>& image, size_t word)
{
    return uint32_t(image[word] | uint32_t(image[word + 1]) << 16);
}

mailbox_area area(const std::vector<uint16_t>& image, size_t word)
{
    return {image[word], image[word + 1]};
}

uint8_t byte_at(const std::vector<uint16_t>& image, const sii_category_span& category, size_t byte)
{
    uint16_t word = image[category.first_word + byte / 2];
    return uint8_t(byte % 2 ? word >> 8 : word);
}

// one nibble a port: 1 MII, 3 EBUS, 4 MII with fast hot connect; anything else no port
std::array<port_kind, 4> ports_of(uint16_t physical_ports)
{
    std::array<port_kind, 4> ports{};
    for (unsigned port = 0; port < 4; ++port) {
        unsigned code = (physical_ports >> (4 * port)) & 0x0F;
        ports[port] = code == 1 || code == 4 ? port_kind::mii
            : code == 3                      ? port_kind::ebus
                                             : port_kind::not_implemented;
    }
    return ports;
}

void describe_category(const std::vector<uint16_t>& image, const sii_category_span& category, slave_description& d)
{
    if (category.type == fmmu_category) {
        size_t count = 2 * category.words;
        while (count > 0 && byte_at(image, category, count - 1) == 0xFF)
            --count; // padding to a whole word
        d.esc.fmmu_count = uint8_t(std::min<size_t>(count, max_units));
    } else if (category.type == sii_category::sync_managers) {
        for (size_t n = 0; n < category.words / sync_manager_entry_words && n < max_units; ++n) {
            size_t at = category.first_word + n * sync_manager_entry_words;
            sync_manager_description sm;
            sm.start = image[at];
            sm.length = image[at + 1];
            sm.control = uint8_t(image[at + 2]);
            sm.enable = uint8_t(image[at + 3]);
            sm.use = sync_manager_use(image[at + 3] >> 8);
            d.sync_managers.push_back(sm);
        }
        d.esc.sync_manager_count = uint8_t(d.sync_managers.size());
    } else if (category.type == sii_category::general && category.words > general_ports_word) {
        uint16_t physical_ports = image[category.first_word + general_ports_word];
        if (physical_ports != 0 && (physical_ports & 0x0F) != 0)
            d.esc.ports = ports_of(physical_ports);
    }
}

// enough process memory for every area the image places in it
uint8_t process_memory_kib(const slave_description& d)
{
    unsigned end = process_memory_start;
    for (const mailbox_area& box : {d.boot_receive, d.boot_send, d.receive, d.send})
        if (box.size != 0)
            end = std::max(end, unsigned(box.offset) + box.size);
    for (const sync_manager_description& sm : d.sync_managers)
        end = std::max(end, unsigned(sm.start) + sm.length);
    unsigned kib = (end - process_memory_start + 1023) / 1024;
    return uint8_t(std::clamp(kib, unsigned(d.esc.ram_kib), largest_process_memory_kib));
}

} // namespace

slave_description describe_sii_image(const std::vector<uint16_t>& image, const std::string& model)
{
    slave_description d;
    d.model = d.name = model;
    d.alias = image[0x0004];
    d.vendor_id = word32(image, 0x0008);
    d.product_code = word32(image, 0x000A);
    d.revision = word32(image, 0x000C);
    d.serial = word32(image, 0x000E);
    d.boot_receive = area(image, 0x0014);
    d.boot_send = area(image, 0x0016);
    d.receive = area(image, 0x0018);
    d.send = area(image, 0x001A);
    d.mailbox_protocols = image[0x001C] == erased ? 0 : image[0x001C];
    for (const sii_category_span& category : sii_categories(image))
        describe_category(image, category, d);
    d.esc.ram_kib = process_memory_kib(d);
    return d;
}

} // namespace sim
