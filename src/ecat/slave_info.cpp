#include "ecat/slave_info.h"

#include <cstring>

#include "ecat/master.h"
#include "ecat/result.h"

namespace ecat {

int master_get_slave_info(master& owner, uint16_t position, slave_info& info)
{
    master_core& m = core_of(owner);
    mutex_lock lock(m.master_lock);
    if (position >= m.slave_count)
        return result::wait_failed;
    const slave& s = m.slaves[position];
    info = slave_info{};
    info.position = s.ring_position;
    info.vendor_id = s.vendor_id;
    info.product_code = s.product_code;
    info.revision_number = s.revision_number;
    info.serial_number = s.serial_number;
    info.alias = s.alias;
    info.current_on_ebus = s.current_on_ebus;
    for (int i = 0; i < 4; ++i) {
        const slave_port& port = s.ports[i];
        slave_info_port& out = info.ports[i];
        out.type = port.type;
        out.link_up = port.link_up;
        out.loop_closed = port.loop_closed;
        out.signal_detected = port.signal_detected;
        out.receive_time = port.receive_time;
        out.next_slave = port.next_slave ? port.next_slave->ring_position : 0xFFFF;
        out.delay_to_next_dc = port.delay_to_next_dc;
    }
    info.al_state = static_cast<uint8_t>(s.current_al_state);
    info.error_flag = static_cast<uint8_t>(s.error_flag);
    info.dc_reference_capable = s.dc_supported && s.has_dc_system_time;
    info.sync_manager_count = s.sync_manager_count;
    info.sdo_count = static_cast<uint16_t>(s.object_dictionary.size());
    info.coe_details =
        (s.mailbox_protocols & mailbox_protocol_coe) && s.general_present && (s.coe_details & 0x08) ? 1 : 0;
    std::strncpy(info.name, s.name.c_str(), sizeof info.name - 1);
    return 0;
}

bool master_read_slave(master& owner, uint16_t position, const std::function<void(const slave&)>& reader)
{
    master_core& m = core_of(owner);
    mutex_lock lock(m.master_lock);
    if (position >= m.slave_count)
        return false;
    reader(m.slaves[position]);
    return true;
}

} // namespace ecat
