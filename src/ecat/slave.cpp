#include "ecat/slave.h"

#include "ecat/master.h"
#include "ecat/topology.h"

namespace ecat {

void slave_init(slave& s, master_core& owner, int device_index, uint16_t ring_position, uint16_t station_address)
{
    s.owner = &owner;
    s.device_index = device_index;
    s.ring_position = ring_position;
    s.station_address = station_address;
    s.effective_alias = 0;
    for (auto& port : s.ports)
        port = slave_port{};
    s.requested_al_state = 2;
    s.current_al_state = 0;
    s.error_flag = 0;
    s.force_config = 0;
    s.al_status_code = 0;
    s.configured_rx_mailbox_offset = s.configured_rx_mailbox_size = 0;
    s.configured_tx_mailbox_offset = s.configured_tx_mailbox_size = 0;
    s.next_mailbox_counter = 0;
    // a slave found in PREOP may hold an answer to a transfer cut short before the scan
    s.mailbox_settled = false;
    s.esc_type = s.esc_revision = 0;
    s.esc_build = 0;
    s.fmmu_count = s.sync_manager_count = 0;
    s.fmmu_bit_operation = s.dc_supported = 0;
    s.dc_range = 0;
    s.has_dc_system_time = 0;
    s.transmission_delay = 0;
    s.sii_image.clear();
    s.vendor_id = s.product_code = s.revision_number = s.serial_number = 0;
    s.alias = 0;
    s.boot_rx_mailbox_offset = s.boot_rx_mailbox_size = s.boot_tx_mailbox_offset = s.boot_tx_mailbox_size = 0;
    s.std_rx_mailbox_offset = s.std_rx_mailbox_size = s.std_tx_mailbox_offset = s.std_tx_mailbox_size = 0;
    s.mailbox_protocols = 0;
    s.strings.clear();
    s.general_present = 0;
    s.group.clear();
    s.image.clear();
    s.order.clear();
    s.name.clear();
    for (auto& type : s.physical_port_types)
        type = 0xFF;
    s.coe_details = 0;
    s.general_flags = 0;
    s.current_on_ebus = 0;
    s.sync_managers.clear();
    s.sii_pdos.clear();
    s.object_dictionary.clear();
    s.object_dictionary_fetched = 0;
    s.sdo_requests.clear();
    slave_request_init(s.request_machine, s);
}

void slave_release(slave& s)
{
    master_core& owner = *s.owner;
    bool failed_any = false;
    while (sdo_request* request = s.sdo_requests.pop_front()) {
        request->state = request_state::failure;
        failed_any = true;
    }
    if (failed_any)
        master_signal_request_done(owner);

    s.object_dictionary.clear();
    s.strings.clear();
    s.sync_managers.clear();
    s.sii_pdos.clear();
    s.sii_image.clear();

    slave_request_fail_in_service(s.request_machine);
}

} // namespace ecat
