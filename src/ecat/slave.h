#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ecat/fsm/slave_request.h"
#include "ecat/list.h"
#include "ecat/pdo.h"
#include "ecat/sdo_request.h"

namespace ecat {

struct master_core;
struct slave;

struct slave_port {
    uint32_t type = 0;   // two bits of register 0x0007
    uint8_t link_up = 0; // register 0x0110
    uint8_t loop_closed = 0;
    uint8_t signal_detected = 0;
    slave* next_slave = nullptr;   // slave behind this port (port 0: upstream)
    uint32_t receive_time = 0;     // registers 0x0900..0x090C
    uint32_t delay_to_next_dc = 0; // ns
};

struct sync_manager {
    slave* owner = nullptr;
    uint16_t physical_start = 0;
    uint16_t length = 0;
    uint8_t control = 0;
    uint8_t enable = 0;
    pdo_list pdos;
};

// An object fetched through CoE SDO information; this system never fetches any.
struct sdo_object {
    uint16_t index = 0;
    std::string name;
};

using sdo_request_queue = intrusive_list<sdo_request, &sdo_request::queue_link>;

constexpr unsigned max_sync_managers = 16;
constexpr unsigned max_fmmus = 16;

struct slave {
    master_core* owner = nullptr;
    int device_index = 0;
    uint16_t ring_position = 0;
    uint16_t station_address = 0;
    uint16_t effective_alias = 0;
    slave_port ports[4];
    int requested_al_state = 2;
    int current_al_state = 0;
    int error_flag = 0;
    int force_config = 0;
    // A configuration that failed is tried again after a back-off (a state refused for
    // good costs a few datagrams now and then; one refused by a garbled reply comes back)
    unsigned failed_configurations = 0;
    uint32_t configuration_retry_time = 0;
    uint16_t al_status_code = 0;
    uint16_t configured_rx_mailbox_offset = 0, configured_rx_mailbox_size = 0;
    uint16_t configured_tx_mailbox_offset = 0, configured_tx_mailbox_size = 0;
    // counter of the next mailbox request (see mailbox_next_counter)
    uint8_t next_mailbox_counter = 0;
    // false while the send mailbox may still hold or receive an answer nobody waits for
    bool mailbox_settled = false;

    uint8_t esc_type = 0, esc_revision = 0;
    uint16_t esc_build = 0;
    uint8_t fmmu_count = 0, sync_manager_count = 0;
    uint8_t fmmu_bit_operation = 0;
    uint8_t dc_supported = 0;
    int dc_range = 0; // 32 or 64
    uint8_t has_dc_system_time = 0;
    uint32_t transmission_delay = 0;

    std::vector<uint16_t> sii_image; // sii_image.size() is the SII size in words
    uint32_t vendor_id = 0, product_code = 0, revision_number = 0, serial_number = 0;
    uint16_t alias = 0;
    uint16_t boot_rx_mailbox_offset = 0, boot_rx_mailbox_size = 0;
    uint16_t boot_tx_mailbox_offset = 0, boot_tx_mailbox_size = 0;
    uint16_t std_rx_mailbox_offset = 0, std_rx_mailbox_size = 0;
    uint16_t std_tx_mailbox_offset = 0, std_tx_mailbox_size = 0;
    uint16_t mailbox_protocols = 0;
    std::vector<std::string> strings; // strings[0] is SII string 1
    int general_present = 0;
    std::string group, image, order, name; // empty: no string
    uint8_t physical_port_types[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    uint8_t coe_details = 0;
    uint8_t general_flags = 0;
    int16_t current_on_ebus = 0;
    std::vector<sync_manager> sync_managers;
    pdo_list sii_pdos;
    std::vector<sdo_object> object_dictionary;
    uint8_t object_dictionary_fetched = 0;

    sdo_request_queue sdo_requests;
    slave_request_machine request_machine;

    slave() = default;
    slave(const slave&) = delete;
    slave& operator=(const slave&) = delete;
};

constexpr uint16_t mailbox_protocol_coe = 0x0004;

// Sets every field to its initial value.
void slave_init(slave& s, master_core& owner, int device_index, uint16_t ring_position, uint16_t station_address);
// Fails every queued and in-service request (signalling the request-done event),
// detaches the configuration and frees the SII data, lists and object dictionary.
void slave_release(slave& s);

} // namespace ecat
