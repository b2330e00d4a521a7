#pragma once
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace page_logic {

// The Modbus page's choices and edit fields without widgets. Register types are the
// indices of list 1012: 0 coil, 1 discrete input, 2 input register, 3 holding register.

// The bit counts list 1013 offers for a register type: 1..32 for coils and discrete
// inputs, 16 and 32 for the two register types.
std::vector<int> bit_count_choices(int register_type);

// The new items of list 1013 when the register type moves between the bit types and the
// register types; nothing when the list stays as it is.
std::optional<std::vector<int>> bit_count_refill(int previous_type, int next_type);

// Edit fields read strictly: text that is no integer, or one out of range, gives nothing,
// so that the page writes nothing instead of a wrapped value.
std::optional<uint16_t> register_address_from_edit(std::u16string_view text); // 0..65535
// Any value a 32-bit integer holds, signed or unsigned, as the 32 bits written.
std::optional<uint32_t> register_data_from_edit(std::u16string_view text);
// The interval (ms) and the response time-out (0.1 ms), 16 bits each.
std::optional<uint16_t> timing_from_edit(std::u16string_view text);

} // namespace page_logic
