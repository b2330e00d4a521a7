#pragma once
#include <cstdint>
#include <vector>

#include "sim/description/slave_description.h"

namespace sim {

// SII categories written into the image.
namespace sii_category {
constexpr uint16_t strings = 10;
constexpr uint16_t general = 30;
constexpr uint16_t sync_managers = 41;
constexpr uint16_t tx_pdos = 50;
constexpr uint16_t rx_pdos = 51;
constexpr uint16_t end = 0xFFFF;
} // namespace sii_category

// The EEPROM contents of a slave: the fixed header (words 0x00-0x3F: PDI setup, alias,
// checksum, identity, boot and standard mailboxes, protocols, size, version), then the
// categories strings, general, sync managers, TxPDOs and RxPDOs, then the end marker.
// The image is padded with erased words (0xFFFF) up to the size that word 0x3E declares.
std::vector<uint16_t> build_sii_image(const slave_description& description);

// CRC-8 (polynomial 0x07, start 0xFF) over SII words 0-6, kept in the low byte of word 7.
uint8_t sii_header_checksum(const std::vector<uint16_t>& image);

} // namespace sim
