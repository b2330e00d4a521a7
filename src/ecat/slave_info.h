#pragma once
#include <cstdint>
#include <functional>

namespace ecat {

class master;
struct slave;

struct slave_info_port {
    uint32_t type = 0;
    uint8_t link_up = 0;
    uint8_t loop_closed = 0;
    uint8_t signal_detected = 0;
    uint32_t receive_time = 0;
    uint16_t next_slave = 0xFFFF; // ring position of the slave behind this port
    uint32_t delay_to_next_dc = 0;
};

// The identity record of one slave.
struct slave_info {
    uint16_t position = 0;
    uint32_t vendor_id = 0, product_code = 0, revision_number = 0, serial_number = 0;
    uint16_t alias = 0;
    int16_t current_on_ebus = 0;
    slave_info_port ports[4];
    uint8_t al_state = 0;
    uint8_t error_flag = 0;
    uint8_t dc_reference_capable = 0;
    uint8_t sync_manager_count = 0;
    uint16_t sdo_count = 0;
    uint16_t coe_details = 0;
    char name[64] = {};
};

// Copies a slave's identity. Returns 0, or -4 when the position is not below the
// slave count.
[[nodiscard]] int master_get_slave_info(master& m, uint16_t position, slave_info& info);

// Lets `reader` look at the whole record of one slave (its SII data, PDOs, sync managers)
// under the master lock; it must not call back into the master. False when the position is
// not below the slave count.
bool master_read_slave(master& m, uint16_t position, const std::function<void(const slave&)>& reader);

} // namespace ecat
