#pragma once
#include <cstdint>

// SDO abort codes (CiA 301) that only the card models answer with.
namespace sim::cards::card_abort {

constexpr uint32_t value_range_exceeded = 0x06090030;
constexpr uint32_t value_too_high = 0x06090031;
// the card is in a mode where the request makes no sense (e.g. serial block in Modbus mode)
constexpr uint32_t device_state = 0x08000022;

} // namespace sim::cards::card_abort
