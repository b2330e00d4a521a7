#pragma once
#include <cstdint>
#include <string>

namespace ecat {

constexpr uint8_t al_state_init = 0x01;
constexpr uint8_t al_state_preop = 0x02;
constexpr uint8_t al_state_boot = 0x03;
constexpr uint8_t al_state_safeop = 0x04;
constexpr uint8_t al_state_op = 0x08;
constexpr uint8_t al_state_error = 0x10;

// "PREOP", "PREOP + ERROR", "(unknown)" for 0, "(invalid)" for other low nibbles.
std::string al_state_name(uint8_t state);
// Names of several slaves' OR-ed states: "INIT, PREOP", "OP + ERROR", "ERROR".
std::string al_state_names_multi(uint8_t states);
// Text of an AL status code (register 0x0134); nullptr for a code not in the table.
const char* al_status_text(uint16_t code);

} // namespace ecat
