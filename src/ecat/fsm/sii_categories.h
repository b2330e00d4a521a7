#pragma once
#include <cstdint>

namespace ecat {

struct slave;

constexpr uint16_t sii_category_end = 0xFFFF;

// Parses the categories of the slave's SII image from word 0x0040 on into the slave
// record (strings, general, sync managers, PDOs). Every length is checked against the
// image. Returns false for a malformed image (nothing is read past it) or when out of
// memory; what was parsed before stays.
bool sii_parse_categories(slave& s);

} // namespace ecat
