#pragma once
#include <cstdint>

// ESC register offsets as the tests' fake slaves and checks name them, written from the
// standard and not taken from the master, so that the two can disagree.
namespace testsupport::esc {

constexpr uint16_t fmmu_count = 0x0004;
constexpr uint16_t sync_manager_count = 0x0005;
constexpr uint16_t features = 0x0008;
constexpr uint16_t station_address = 0x0010;
constexpr uint16_t al_control = 0x0120;
constexpr uint16_t al_status = 0x0130;
constexpr uint16_t al_status_code = 0x0134;
constexpr uint16_t sii_control = 0x0502;
constexpr uint16_t sii_control_busy = 0x0503; // high byte of the control/status word
constexpr uint16_t sii_address = 0x0504;
constexpr uint16_t sii_data = 0x0508;
constexpr uint16_t sync_manager_0 = 0x0800; // receive mailbox: start address
constexpr uint16_t sync_manager_1 = 0x0808; // send mailbox: start address
constexpr uint16_t sync_manager_1_status = 0x080D;
constexpr uint16_t dc_system_time = 0x0910;

} // namespace testsupport::esc
