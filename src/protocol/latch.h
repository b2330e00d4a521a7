#pragma once
#include "protocol/object.h"

// The two comparators and the latches of AD and comparator values (ZEIO, KOVA-AD).
namespace protocol::latch {

constexpr int comparator_count = 2;
constexpr object comparator_state(int comparator)
{
    return {0x3030, uint8_t(comparator + 1), 2, "Comparator state"};
}
// Enable, mode and inversion bits of both comparators, as the card runs now.
constexpr object comparator_configuration{0x3031, 0, 2, "Comparator configuration"};
constexpr object comparator_threshold(int comparator)
{
    return {0x3032, uint8_t(comparator + 1), 2, "Comparator threshold"};
}
// Bit n: comparator n's output.
constexpr object comparator_outputs{0x3033, 0, 2, "Comparator outputs"};

// AD latch 0…15: configuration (bit 0 enable, edge, once, signal) and latched value.
constexpr int ad_latch_count = 16;
constexpr object ad_latch_configuration(int latch)
{
    return {0x3036, uint8_t(latch + 1), 2, "AD latch configuration"};
}
constexpr object ad_latch(int latch)
{
    return {0x3037, uint8_t(latch + 1), 4, "AD latch"};
}

// Comparator latch 0…3 (CMP0N, CMP0P, CMP1N, CMP1P): configuration and latched value.
constexpr int comparator_latch_count = 4;
constexpr object comparator_latch_configuration(int latch)
{
    return {0x3038, uint8_t(latch + 1), 2, "Comparator latch configuration"};
}
constexpr object comparator_latch(int latch)
{
    return {0x3039, uint8_t(latch + 1), 2, "Comparator latch"};
}

// Bit 0 of a latch configuration: the latch is on.
constexpr uint16_t latch_enabled = 0x0001;

} // namespace protocol::latch
