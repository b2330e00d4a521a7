#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/chip/esc_config.h"
#include "sim/firmware/object_entry.h"

namespace sim {

namespace mailbox_protocol {
constexpr uint16_t aoe = 0x0001;
constexpr uint16_t eoe = 0x0002;
constexpr uint16_t coe = 0x0004;
constexpr uint16_t foe = 0x0008;
constexpr uint16_t soe = 0x0010;
constexpr uint16_t voe = 0x0020;
} // namespace mailbox_protocol

// What a sync manager is for, as the SII's sync manager category names it.
enum class sync_manager_use : uint8_t { unused = 0, mailbox_out = 1, mailbox_in = 2, outputs = 3, inputs = 4 };

struct sync_manager_description {
    uint16_t start = 0;
    uint16_t length = 0;
    uint8_t control = 0;
    uint8_t enable = 0x01;
    sync_manager_use use = sync_manager_use::unused;
};

struct pdo_entry_description {
    uint16_t index = 0;
    uint8_t subindex = 0;
    uint8_t bit_length = 0;
    uint16_t data_type = 0;
    std::string name;
};

struct pdo_description {
    uint16_t index = 0;
    uint8_t sync_manager = 0;
    std::string name;
    std::vector<pdo_entry_description> entries;

    unsigned bit_length() const;
};

struct mailbox_area {
    uint16_t offset = 0;
    uint16_t size = 0;
};

// Everything that makes one kind of slave: identity, chip, mailboxes, sync managers, PDOs,
// object dictionary (with its behaviour hooks). Build it with slave_builder.
struct slave_description {
    std::string model;
    uint32_t vendor_id = 0;
    uint32_t product_code = 0;
    uint32_t revision = 0;
    uint32_t serial = 0;
    uint16_t alias = 0;
    std::string name;
    std::string group;
    std::string order;
    esc_config esc;
    mailbox_area boot_receive;
    mailbox_area boot_send;
    mailbox_area receive;
    mailbox_area send;
    uint16_t mailbox_protocols = 0;
    // CoE details of the SII general category: SDO, SDO info, PDO assign, PDO configuration...
    uint8_t coe_details = 0;
    int16_t ebus_current_ma = 0;
    std::vector<sync_manager_description> sync_managers;
    std::vector<pdo_description> rx_pdos;
    std::vector<pdo_description> tx_pdos;
    std::vector<object_entry> objects;

    bool has_mailbox() const { return mailbox_protocols != 0 && receive.size != 0 && send.size != 0; }
    bool supports_boot() const { return boot_receive.size != 0 && boot_send.size != 0; }
    bool has_process_data() const { return !rx_pdos.empty() || !tx_pdos.empty(); }
};

} // namespace sim
