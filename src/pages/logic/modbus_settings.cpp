#include "pages/logic/modbus_settings.h"

#include <cstdint>

namespace page_logic {

namespace {

bool bit_type(int register_type)
{
    return register_type == 0 || register_type == 1;
}

} // namespace

std::vector<int> bit_count_choices(int register_type)
{
    if (!bit_type(register_type))
        return {16, 32};
    std::vector<int> counts;
    for (int bits = 1; bits <= 32; ++bits)
        counts.push_back(bits);
    return counts;
}

std::optional<std::vector<int>> bit_count_refill(int previous_type, int next_type)
{
    if (bit_type(previous_type) == bit_type(next_type))
        return std::nullopt;
    return bit_count_choices(next_type);
}

} // namespace page_logic
