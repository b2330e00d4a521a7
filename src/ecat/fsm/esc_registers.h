#pragma once
#include <cstdint>

// The ESC registers the state machines read and write.
namespace ecat::esc_register {

constexpr uint16_t esc_base = 0x0000; // type .. features, 12 bytes
constexpr uint16_t station_address = 0x0010;
constexpr uint16_t dl_status = 0x0110;
constexpr uint16_t al_control = 0x0120;
constexpr uint16_t al_status = 0x0130;
constexpr uint16_t al_status_code = 0x0134;
constexpr uint16_t sii_control = 0x0502; // control/status, address at 0x0504, data at 0x0508
constexpr uint16_t fmmu = 0x0600;
constexpr uint16_t sync_manager = 0x0800;       // 8 bytes per sync manager
constexpr uint16_t sync_manager_1 = 0x0808;     // the send mailbox's sync manager
constexpr uint16_t port_receive_times = 0x0900; // a write latches the receive times
constexpr uint16_t dc_system_time = 0x0910;
constexpr uint16_t dc_activation = 0x0980; // cyclic unit control and activation, 0x0980-0x0981

} // namespace ecat::esc_register
