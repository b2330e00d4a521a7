#include "sim/description/sii_image.h"

#include <string>

namespace sim {

namespace {

// Category data is assembled byte by byte and padded to whole words.
class category_writer {
public:
    void byte(uint8_t value) { bytes_.push_back(value); }
    void word(uint16_t value)
    {
        byte(uint8_t(value));
        byte(uint8_t(value >> 8));
    }
    void zeros(size_t count) { bytes_.insert(bytes_.end(), count, 0); }
    void append_to(std::vector<uint16_t>& image, uint16_t type) const
    {
        size_t words = (bytes_.size() + 1) / 2;
        image.push_back(type);
        image.push_back(uint16_t(words));
        for (size_t i = 0; i < words; ++i) {
            uint8_t high = 2 * i + 1 < bytes_.size() ? bytes_[2 * i + 1] : 0;
            image.push_back(uint16_t(bytes_[2 * i] | high << 8));
        }
    }

private:
    std::vector<uint8_t> bytes_;
};

// The strings category, indexed from 1; index 0 means "no string".
class string_table {
public:
    uint8_t add(const std::string& text)
    {
        if (text.empty())
            return 0;
        for (size_t i = 0; i < texts_.size(); ++i)
            if (texts_[i] == text)
                return uint8_t(i + 1);
        texts_.push_back(text.substr(0, 255));
        return uint8_t(texts_.size());
    }
    void append_to(std::vector<uint16_t>& image) const
    {
        if (texts_.empty())
            return;
        category_writer writer;
        writer.byte(uint8_t(texts_.size()));
        for (const std::string& text : texts_) {
            writer.byte(uint8_t(text.size()));
            for (char c : text)
                writer.byte(uint8_t(c));
        }
        writer.append_to(image, sii_category::strings);
    }

private:
    std::vector<std::string> texts_;
};

void put32(std::vector<uint16_t>& image, size_t word, uint32_t value)
{
    image[word] = uint16_t(value);
    image[word + 1] = uint16_t(value >> 16);
}

void write_header(std::vector<uint16_t>& image, const slave_description& d)
{
    image.assign(0x40, 0);
    image[0x0000] = d.has_mailbox() ? 0x0005 : 0x0000; // PDI: none for a simple slave, else a microcontroller
    image[0x0004] = d.alias;
    image[0x0007] = sii_header_checksum(image);
    put32(image, 0x0008, d.vendor_id);
    put32(image, 0x000A, d.product_code);
    put32(image, 0x000C, d.revision);
    put32(image, 0x000E, d.serial);
    const mailbox_area areas[] = {d.boot_receive, d.boot_send, d.receive, d.send};
    for (size_t i = 0; i < 4; ++i) {
        image[0x0014 + 2 * i] = areas[i].offset;
        image[0x0015 + 2 * i] = areas[i].size;
    }
    image[0x001C] = d.mailbox_protocols;
    image[0x003F] = 1; // SII version
}

void write_general(std::vector<uint16_t>& image, const slave_description& d, string_table& strings)
{
    category_writer writer;
    writer.byte(strings.add(d.group));
    writer.byte(0); // image
    writer.byte(strings.add(d.order));
    writer.byte(strings.add(d.name));
    writer.byte(0); // reserved
    writer.byte(d.coe_details);
    writer.byte(0);  // FoE details
    writer.byte(0);  // EoE details
    writer.zeros(3); // SoE channels, DS402 channels, SysmanClass
    writer.byte(0);  // flags
    writer.word(uint16_t(d.ebus_current_ma));
    writer.byte(strings.add(d.group));
    writer.byte(0);
    uint16_t physical_ports = 0;
    for (unsigned port = 0; port < 4; ++port) {
        // 0 none, 1 MII, 3 EBUS, one nibble per port
        port_kind kind = d.esc.ports[port];
        uint16_t code = kind == port_kind::mii ? 1 : kind == port_kind::ebus ? 3 : 0;
        physical_ports |= uint16_t(code << (4 * port));
    }
    writer.word(physical_ports);
    writer.word(0); // physical memory address
    writer.zeros(12);
    writer.append_to(image, sii_category::general);
}

void write_sync_managers(std::vector<uint16_t>& image, const slave_description& d)
{
    if (d.sync_managers.empty())
        return;
    category_writer writer;
    for (const sync_manager_description& sm : d.sync_managers) {
        writer.word(sm.start);
        writer.word(sm.length);
        writer.byte(sm.control);
        writer.byte(0);
        writer.byte(sm.enable);
        writer.byte(uint8_t(sm.use));
    }
    writer.append_to(image, sii_category::sync_managers);
}

void write_pdos(std::vector<uint16_t>& image, const std::vector<pdo_description>& pdos, uint16_t type,
                string_table& strings)
{
    if (pdos.empty())
        return;
    category_writer writer;
    for (const pdo_description& pdo : pdos) {
        writer.word(pdo.index);
        writer.byte(uint8_t(pdo.entries.size()));
        writer.byte(pdo.sync_manager);
        writer.byte(0); // DC sync
        writer.byte(strings.add(pdo.name));
        writer.word(0); // flags
        for (const pdo_entry_description& entry : pdo.entries) {
            writer.word(entry.index);
            writer.byte(entry.subindex);
            writer.byte(strings.add(entry.name));
            writer.byte(uint8_t(entry.data_type));
            writer.byte(entry.bit_length);
            writer.word(0);
        }
    }
    writer.append_to(image, type);
}

} // namespace

uint8_t sii_header_checksum(const std::vector<uint16_t>& image)
{
    uint8_t crc = 0xFF;
    for (size_t word = 0; word < 7; ++word) {
        for (uint8_t byte : {uint8_t(image[word]), uint8_t(image[word] >> 8)}) {
            crc ^= byte;
            for (int bit = 0; bit < 8; ++bit)
                crc = uint8_t(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
        }
    }
    return crc;
}

std::vector<uint16_t> build_sii_image(const slave_description& d)
{
    std::vector<uint16_t> image;
    write_header(image, d);
    // strings are collected while the other categories are written, then placed first
    string_table strings;
    std::vector<uint16_t> categories;
    write_general(categories, d, strings);
    write_sync_managers(categories, d);
    write_pdos(categories, d.tx_pdos, sii_category::tx_pdos, strings);
    write_pdos(categories, d.rx_pdos, sii_category::rx_pdos, strings);
    strings.append_to(image);
    image.insert(image.end(), categories.begin(), categories.end());
    image.push_back(sii_category::end);

    // word 0x3E: EEPROM size in kbit minus one, at least 2 kbit (128 words)
    size_t kbit = 2;
    while (kbit * 64 < image.size())
        kbit *= 2;
    image[0x003E] = uint16_t(kbit - 1);
    image.resize(kbit * 64, 0xFFFF);
    return image;
}

} // namespace sim
