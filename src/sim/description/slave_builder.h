#pragma once
#include <string>

#include "sim/firmware/object_dictionary.h"
#include "sim/description/slave_description.h"

namespace sim {

// Describes a slave step by step. build() adds the communication objects that follow from
// the rest (0x1018 identity, 0x1C00 sync manager types, 0x1C10 + n PDO assignment, the PDO
// mapping objects), so that the object dictionary always agrees with the SII.
// Misuse (a hook for an object that does not exist, a sync manager the chip lacks) throws
// std::invalid_argument.
class slave_builder {
public:
    explicit slave_builder(std::string model);

    slave_builder& identity(uint32_t vendor_id, uint32_t product_code, uint32_t revision, uint32_t serial);
    slave_builder& alias(uint16_t alias);
    slave_builder& names(std::string name, std::string group, std::string order);
    slave_builder& chip(const esc_config& config);
    // The standard mailbox, also entered as sync managers 0 (master writes) and 1 (master reads).
    slave_builder& mailbox(mailbox_area receive, mailbox_area send, uint16_t protocols = mailbox_protocol::coe);
    slave_builder& boot_mailbox(mailbox_area receive, mailbox_area send);
    slave_builder& sync_manager(const sync_manager_description& description);
    slave_builder& rx_pdo(pdo_description pdo);
    slave_builder& tx_pdo(pdo_description pdo);

    slave_builder& object(object_entry entry);
    // An entry of a fixed-size type (1 to 8 bytes) holding initial as a little-endian number.
    slave_builder& number(uint16_t index, uint8_t subindex, uint16_t type, object_access access, uint64_t initial,
                          std::string name = {});
    // A visible string; capacity 0 means it cannot grow beyond its initial text.
    slave_builder& text(uint16_t index, uint8_t subindex, object_access access, std::string initial,
                        size_t capacity = 0, std::string name = {});
    // An octet string of a fixed size, initially zero.
    slave_builder& octets(uint16_t index, uint8_t subindex, object_access access, size_t size, std::string name = {});
    slave_builder& on_write(uint16_t index, uint8_t subindex, write_hook hook);
    slave_builder& on_read(uint16_t index, uint8_t subindex, read_hook hook);

    slave_description build() const;

private:
    object_entry& entry(uint16_t index, uint8_t subindex);

    slave_description description_;
};

// Byte size of a fixed-size CiA 301 type; 0 for strings.
size_t size_of_type(uint16_t type);

} // namespace sim
