#pragma once
#include <cstdint>

// Addresses and bits of the EtherCAT slave controller register map that the model implements.
namespace sim::reg {

constexpr uint16_t type = 0x0000;
constexpr uint16_t revision = 0x0001;
constexpr uint16_t build = 0x0002;
constexpr uint16_t fmmu_count = 0x0004;
constexpr uint16_t sync_manager_count = 0x0005;
constexpr uint16_t ram_size = 0x0006;
constexpr uint16_t port_descriptor = 0x0007;
constexpr uint16_t features = 0x0008;
constexpr uint16_t station_address = 0x0010;
constexpr uint16_t station_alias = 0x0012;
constexpr uint16_t dl_control = 0x0100;
constexpr uint16_t dl_status = 0x0110;
constexpr uint16_t al_control = 0x0120;
constexpr uint16_t al_status = 0x0130;
constexpr uint16_t al_status_code = 0x0134;
constexpr uint16_t pdi_control = 0x0140;
constexpr uint16_t al_event_mask = 0x0204;
constexpr uint16_t al_event_request = 0x0220;
constexpr uint16_t sii_config = 0x0500;
constexpr uint16_t sii_control = 0x0502;
constexpr uint16_t sii_address = 0x0504;
constexpr uint16_t sii_data = 0x0508;
constexpr uint16_t fmmu_base = 0x0600;
constexpr uint16_t sync_manager_base = 0x0800;
constexpr uint16_t dc_receive_time_port0 = 0x0900;
constexpr uint16_t dc_system_time = 0x0910;
constexpr uint16_t dc_receive_time_unit = 0x0918;
constexpr uint16_t dc_system_time_offset = 0x0920;
constexpr uint16_t dc_system_time_delay = 0x0928;
constexpr uint16_t dc_activation = 0x0980;
constexpr uint16_t dc_unit_end = 0x0A00;
constexpr uint16_t process_memory = 0x1000;

constexpr unsigned fmmu_size = 16;
constexpr unsigned sync_manager_size = 8;

// features 0x0008
constexpr uint16_t feature_fmmu_byte_oriented = 0x0001;
constexpr uint16_t feature_dc = 0x0004;
constexpr uint16_t feature_dc_64bit = 0x0008;

// DL control 0x0100, byte 3 bit 0: configured addressing also matches the alias
constexpr uint32_t dl_control_alias_enable = 0x01000000;

// DL status 0x0110
constexpr uint16_t dl_pdi_operational = 0x0001;
constexpr uint16_t dl_watchdog_not_expired = 0x0002;
inline constexpr uint16_t dl_link_up(unsigned port)
{
    return uint16_t(1u << (4 + port));
}
inline constexpr uint16_t dl_loop_closed(unsigned port)
{
    return uint16_t(1u << (8 + 2 * port));
}
inline constexpr uint16_t dl_signal_detected(unsigned port)
{
    return uint16_t(1u << (9 + 2 * port));
}

// AL event request 0x0220
constexpr uint32_t event_al_control = 0x0001;
constexpr uint32_t event_sm_activation = 0x0010;
inline constexpr uint32_t event_sync_manager(unsigned n)
{
    return 1u << (8 + n);
}

// SII control/status 0x0502 (16 bit)
constexpr uint16_t sii_write_enable = 0x0001;
constexpr uint16_t sii_read_size_8_bytes = 0x0040;
constexpr uint16_t sii_two_address_bytes = 0x0080;
constexpr uint16_t sii_command_read = 0x0100;
constexpr uint16_t sii_command_write = 0x0200;
constexpr uint16_t sii_command_reload = 0x0400;
constexpr uint16_t sii_command_mask = 0x0700;
constexpr uint16_t sii_checksum_error = 0x0800;
constexpr uint16_t sii_command_error = 0x2000;
constexpr uint16_t sii_write_error = 0x4000;
constexpr uint16_t sii_busy = 0x8000;

// sync manager register bytes (offset within the 8-byte entry)
constexpr unsigned sm_start = 0;
constexpr unsigned sm_length = 2;
constexpr unsigned sm_control = 4;
constexpr unsigned sm_status = 5;
constexpr unsigned sm_activate = 6;
constexpr unsigned sm_pdi_control = 7;
constexpr uint8_t sm_mode_mask = 0x03;
constexpr uint8_t sm_mode_mailbox = 0x02;
constexpr uint8_t sm_direction_mask = 0x0C;
constexpr uint8_t sm_direction_ecat_writes = 0x04;
constexpr uint8_t sm_status_interrupt_write = 0x01;
constexpr uint8_t sm_status_interrupt_read = 0x02;
constexpr uint8_t sm_status_mailbox_full = 0x08;
constexpr uint8_t sm_activate_enable = 0x01;
constexpr uint8_t sm_activate_repeat_request = 0x02;
constexpr uint8_t sm_pdi_deactivate = 0x01;
constexpr uint8_t sm_pdi_repeat_ack = 0x02;

// FMMU register bytes
constexpr unsigned fmmu_logical_start = 0;
constexpr unsigned fmmu_length = 4;
constexpr unsigned fmmu_logical_start_bit = 6;
constexpr unsigned fmmu_logical_stop_bit = 7;
constexpr unsigned fmmu_physical_start = 8;
constexpr unsigned fmmu_physical_start_bit = 10;
constexpr unsigned fmmu_type = 11;
constexpr unsigned fmmu_activate = 12;
constexpr uint8_t fmmu_type_read = 0x01;
constexpr uint8_t fmmu_type_write = 0x02;

} // namespace sim::reg
