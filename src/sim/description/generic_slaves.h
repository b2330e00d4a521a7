#pragma once
#include <cstdint>

#include "sim/description/slave_description.h"

namespace sim {

// A CoE slave with the CiA 301 identity objects, test objects 0x5000:01-04 (1, 2, 4, 8
// bytes), 0x5001:00 (200 bytes), all writable, 0x5002:00 (4 bytes, read-only), 128-byte
// mailboxes, one 16-bit output and one 16-bit input PDO.
slave_description generic_coe_slave(uint32_t serial = 1);

// A plain IO slave without mailbox and without DC: one output byte, one input byte.
slave_description slave_without_mailbox(uint32_t serial = 1);

namespace generic_identity {
constexpr uint32_t vendor_id = 0x00004B49;
constexpr uint32_t coe_product = 0x00010001;
constexpr uint32_t plain_product = 0x00010002;
constexpr uint32_t revision = 0x00010000;
} // namespace generic_identity

} // namespace sim
