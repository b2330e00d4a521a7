#include "sim/description/slave_builder.h"

#include <algorithm>
#include <stdexcept>

namespace sim {

namespace {

constexpr uint8_t control_mailbox_master_writes = 0x26;
constexpr uint8_t control_mailbox_master_reads = 0x22;

std::vector<uint8_t> little_endian(uint64_t value, size_t size)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
    return bytes;
}

bool has_entry(const slave_description& d, uint16_t index, uint8_t subindex)
{
    return std::any_of(d.objects.begin(), d.objects.end(),
                       [&](const object_entry& e) { return e.index == index && e.subindex == subindex; });
}

void add_read_only(slave_description& d, uint16_t index, uint8_t subindex, uint16_t type, uint64_t value)
{
    if (has_entry(d, index, subindex))
        return;
    object_entry e;
    e.index = index;
    e.subindex = subindex;
    e.data_type = type;
    e.access = object_access::read_only;
    e.value = little_endian(value, size_of_type(type));
    d.objects.push_back(std::move(e));
}

// PDO assignment and mapping may be rewritten by the master in PREOP
void add_writable(slave_description& d, uint16_t index, uint8_t subindex, uint16_t type, uint64_t value)
{
    add_read_only(d, index, subindex, type, value);
    for (object_entry& e : d.objects)
        if (e.index == index && e.subindex == subindex)
            e.access = object_access::read_write;
}

void add_pdo_mapping(slave_description& d, const pdo_description& pdo)
{
    add_writable(d, pdo.index, 0, data_type::unsigned8, pdo.entries.size());
    uint8_t sub = 1;
    for (const pdo_entry_description& entry : pdo.entries)
        add_writable(d, pdo.index, sub++, data_type::unsigned32,
                     uint32_t(entry.index) << 16 | uint32_t(entry.subindex) << 8 | entry.bit_length);
}

void add_communication_objects(slave_description& d)
{
    add_read_only(d, 0x1018, 0, data_type::unsigned8, 4);
    add_read_only(d, 0x1018, 1, data_type::unsigned32, d.vendor_id);
    add_read_only(d, 0x1018, 2, data_type::unsigned32, d.product_code);
    add_read_only(d, 0x1018, 3, data_type::unsigned32, d.revision);
    add_read_only(d, 0x1018, 4, data_type::unsigned32, d.serial);
    add_read_only(d, 0x1C00, 0, data_type::unsigned8, d.sync_managers.size());
    for (size_t n = 0; n < d.sync_managers.size(); ++n) {
        add_read_only(d, 0x1C00, uint8_t(n + 1), data_type::unsigned8, uint8_t(d.sync_managers[n].use));
        std::vector<uint16_t> assigned;
        for (const auto* list : {&d.rx_pdos, &d.tx_pdos})
            for (const pdo_description& pdo : *list)
                if (pdo.sync_manager == n)
                    assigned.push_back(pdo.index);
        uint16_t assignment = uint16_t(0x1C10 + n);
        add_writable(d, assignment, 0, data_type::unsigned8, assigned.size());
        for (size_t i = 0; i < assigned.size(); ++i)
            add_writable(d, assignment, uint8_t(i + 1), data_type::unsigned16, assigned[i]);
    }
    for (const auto* list : {&d.rx_pdos, &d.tx_pdos})
        for (const pdo_description& pdo : *list)
            add_pdo_mapping(d, pdo);
}

} // namespace

size_t size_of_type(uint16_t type)
{
    switch (type) {
    case data_type::boolean:
    case data_type::integer8:
    case data_type::unsigned8: return 1;
    case data_type::integer16:
    case data_type::unsigned16: return 2;
    case data_type::integer32:
    case data_type::unsigned32:
    case data_type::real32: return 4;
    case data_type::integer64:
    case data_type::unsigned64: return 8;
    default: return 0;
    }
}

unsigned pdo_description::bit_length() const
{
    unsigned bits = 0;
    for (const pdo_entry_description& entry : entries)
        bits += entry.bit_length;
    return bits;
}

slave_builder::slave_builder(std::string model)
{
    description_.model = std::move(model);
}

slave_builder& slave_builder::identity(uint32_t vendor_id, uint32_t product_code, uint32_t revision, uint32_t serial)
{
    description_.vendor_id = vendor_id;
    description_.product_code = product_code;
    description_.revision = revision;
    description_.serial = serial;
    return *this;
}

slave_builder& slave_builder::alias(uint16_t alias)
{
    description_.alias = alias;
    return *this;
}

slave_builder& slave_builder::names(std::string name, std::string group, std::string order)
{
    description_.name = std::move(name);
    description_.group = std::move(group);
    description_.order = std::move(order);
    return *this;
}

slave_builder& slave_builder::chip(const esc_config& config)
{
    description_.esc = config;
    return *this;
}

slave_builder& slave_builder::mailbox(mailbox_area receive, mailbox_area send, uint16_t protocols)
{
    description_.receive = receive;
    description_.send = send;
    description_.mailbox_protocols = protocols;
    if (protocols & mailbox_protocol::coe)
        description_.coe_details = 0x05; // SDO and PDO assignment, no SDO information
    sync_manager({receive.offset, receive.size, control_mailbox_master_writes, 0x01, sync_manager_use::mailbox_out});
    return sync_manager({send.offset, send.size, control_mailbox_master_reads, 0x01, sync_manager_use::mailbox_in});
}

slave_builder& slave_builder::boot_mailbox(mailbox_area receive, mailbox_area send)
{
    description_.boot_receive = receive;
    description_.boot_send = send;
    return *this;
}

slave_builder& slave_builder::sync_manager(const sync_manager_description& description)
{
    if (description_.sync_managers.size() >= description_.esc.sync_manager_count)
        throw std::invalid_argument("more sync managers than the chip has");
    description_.sync_managers.push_back(description);
    return *this;
}

slave_builder& slave_builder::rx_pdo(pdo_description pdo)
{
    description_.rx_pdos.push_back(std::move(pdo));
    return *this;
}

slave_builder& slave_builder::tx_pdo(pdo_description pdo)
{
    description_.tx_pdos.push_back(std::move(pdo));
    return *this;
}

slave_builder& slave_builder::object(object_entry entry)
{
    if (entry.capacity < entry.value.size())
        entry.capacity = entry.value.size();
    description_.objects.push_back(std::move(entry));
    return *this;
}

slave_builder& slave_builder::number(uint16_t index, uint8_t subindex, uint16_t type, object_access access,
                                     uint64_t initial, std::string name)
{
    size_t size = size_of_type(type);
    if (size == 0)
        throw std::invalid_argument("not a fixed-size type");
    return object({index, subindex, type, access, little_endian(initial, size), false, size, std::move(name), {}, {}});
}

slave_builder& slave_builder::text(uint16_t index, uint8_t subindex, object_access access, std::string initial,
                                   size_t capacity, std::string name)
{
    std::vector<uint8_t> bytes(initial.begin(), initial.end());
    size_t room = std::max(capacity, bytes.size());
    return object(
        {index, subindex, data_type::visible_string, access, std::move(bytes), true, room, std::move(name), {}, {}});
}

slave_builder& slave_builder::octets(uint16_t index, uint8_t subindex, object_access access, size_t size,
                                     std::string name)
{
    return object({index,
                   subindex,
                   data_type::octet_string,
                   access,
                   std::vector<uint8_t>(size),
                   false,
                   size,
                   std::move(name),
                   {},
                   {}});
}

object_entry& slave_builder::entry(uint16_t index, uint8_t subindex)
{
    for (object_entry& e : description_.objects)
        if (e.index == index && e.subindex == subindex)
            return e;
    throw std::invalid_argument("hook for an object entry that does not exist");
}

slave_builder& slave_builder::on_write(uint16_t index, uint8_t subindex, write_hook hook)
{
    entry(index, subindex).on_write = std::move(hook);
    return *this;
}

slave_builder& slave_builder::on_read(uint16_t index, uint8_t subindex, read_hook hook)
{
    entry(index, subindex).on_read = std::move(hook);
    return *this;
}

slave_description slave_builder::build() const
{
    slave_description d = description_;
    if (d.mailbox_protocols & mailbox_protocol::coe)
        add_communication_objects(d);
    return d;
}

} // namespace sim
