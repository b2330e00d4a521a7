#pragma once
#include <cstdint>
#include <optional>
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

} // namespace page_logic
