#include "pages/logic/modbus_settings.h"

#include <cstdint>

#include "pages/logic/edit_number.h"

namespace page_logic {

namespace {

bool bit_type(int register_type)
{
    return register_type == 0 || register_type == 1;
}

std::optional<uint16_t> word_from_edit(std::u16string_view text)
{
    std::optional<long long> value = integer_in_range(text, 0, UINT16_MAX);
    return value ? std::optional<uint16_t>(uint16_t(*value)) : std::nullopt;
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

std::optional<uint16_t> register_address_from_edit(std::u16string_view text)
{
    return word_from_edit(text);
}

std::optional<uint32_t> register_data_from_edit(std::u16string_view text)
{
    std::optional<long long> value = integer_in_range(text, INT32_MIN, UINT32_MAX);
    return value ? std::optional<uint32_t>(uint32_t(*value)) : std::nullopt;
}

std::optional<uint16_t> timing_from_edit(std::u16string_view text)
{
    return word_from_edit(text);
}

} // namespace page_logic
