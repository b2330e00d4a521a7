#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ecat {
struct master;
}

namespace page_logic {

// The card's serial baud rate typed in the page: a decimal integer after optional blanks,
// read as far as it goes. Nothing when there is no positive number there.
std::optional<uint32_t> card_baud_from_text(std::u16string_view text);

// Writes the card's serial settings: parity (0x2402:06), stop bits (:07), then baud rate
// (:02). The first failure ends it; returns 0 or that SDO error.
int write_card_port_settings(ecat::master& m, uint16_t position, uint32_t baud, int stop_bits, int parity);

// One message through the card's serial port: send state 0 (0x2600:01), the bytes in
// blocks, send state 0x00FF. Returns 0 or the first SDO error, which ends it.
int send_card_message(ecat::master& m, uint16_t position, const uint8_t* data, size_t length);

} // namespace page_logic
