#pragma once
#include <array>
#include <cstdint>

namespace sim::cards {

// The AD and latch configuration of a card, as it runs and as its flash keeps it.
struct card_config {
    // bit 2k: channel pair AD(2k)/AD(2k+1) single-ended (1) or differential (0)
    uint16_t ad_mode = 0x5555;
    uint16_t rate_code = 10;
    // bits 0/1 enable comparator 0/1, bits 2/4 single-ended, bits 3/5 invert the result
    uint16_t comparator_flags = 0x0017;
    uint16_t encoder_flag = 1;
    // bit 0 enable, bit 1 falling edge, bit 2 latch once, bits 4-6 trigger source
    std::array<uint16_t, 16> ad_latch{};
    std::array<uint16_t, 4> comparator_latch{};

    bool operator==(const card_config&) const = default;
};

namespace comparator_flag {
constexpr uint16_t enable0 = 0x0001;
constexpr uint16_t enable1 = 0x0002;
constexpr uint16_t single_ended0 = 0x0004;
constexpr uint16_t invert0 = 0x0008;
constexpr uint16_t single_ended1 = 0x0010;
constexpr uint16_t invert1 = 0x0020;
} // namespace comparator_flag

} // namespace sim::cards
