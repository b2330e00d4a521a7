#pragma once
#include <cstdint>

// AL states as AL control and AL status carry them, and the AL status codes the slaves use.
namespace sim::al {

constexpr uint8_t init = 0x01;
constexpr uint8_t preop = 0x02;
constexpr uint8_t boot = 0x03;
constexpr uint8_t safeop = 0x04;
constexpr uint8_t op = 0x08;
constexpr uint8_t state_mask = 0x0F;
constexpr uint8_t error_flag = 0x10;

namespace code {
constexpr uint16_t none = 0x0000;
constexpr uint16_t invalid_state_change = 0x0011;
constexpr uint16_t unknown_state = 0x0012;
constexpr uint16_t bootstrap_not_supported = 0x0013;
constexpr uint16_t invalid_boot_mailbox = 0x0015;
constexpr uint16_t invalid_mailbox = 0x0016;
constexpr uint16_t invalid_output_configuration = 0x001D;
constexpr uint16_t invalid_input_configuration = 0x001E;
constexpr uint16_t no_inputs_and_outputs = 0x002B;
} // namespace code

} // namespace sim::al
