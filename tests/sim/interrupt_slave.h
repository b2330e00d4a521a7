#pragma once
#include <cstdint>
#include <memory>

#include "sim/bus/slave.h"

namespace simtest {

// A CoE slave running interrupt_firmware, with a small dictionary of its own (0x2100 to 0x2102,
// none of which the generic slaves have), so that its answers cannot come from the standard
// firmware. Mailbox as the generic slave: SM0 at 0x1000, SM1 at 0x1080, 128 bytes each.
std::unique_ptr<sim::slave> make_interrupt_slave(uint32_t serial = 1);

namespace interrupt_slave {
constexpr uint32_t product_code = 0x00010003;
constexpr uint16_t word_index = 0x2100;  // :01 u32, :02 u64, both writable
constexpr uint16_t block_index = 0x2101; // 300 writable bytes
constexpr uint16_t name_index = 0x2102;  // the text below, read only
constexpr const char* name = "interrupt-driven firmware";
} // namespace interrupt_slave

} // namespace simtest
