#pragma once
#include <cstdint>

// SDO abort codes (CiA 301) that the simulated slaves answer with.
namespace sim::sdo_abort {

constexpr uint32_t toggle_bit_not_changed = 0x05030000;
constexpr uint32_t command_specifier_unknown = 0x05040001;
constexpr uint32_t out_of_memory = 0x05040005;
constexpr uint32_t unsupported_access = 0x06010000;
constexpr uint32_t write_only_object = 0x06010001;
constexpr uint32_t read_only_object = 0x06010002;
constexpr uint32_t object_does_not_exist = 0x06020000;
constexpr uint32_t length_mismatch = 0x06070010;
constexpr uint32_t length_too_high = 0x06070012;
constexpr uint32_t length_too_low = 0x06070013;
constexpr uint32_t subindex_does_not_exist = 0x06090011;
constexpr uint32_t general_error = 0x08000000;

} // namespace sim::sdo_abort
