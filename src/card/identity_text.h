#pragma once
#include <cstdint>
#include <string>

// How a card's date and serial number are written, in the window and in the check's records.

// "%04X.%02X.%02X" of year, month, day; date holds day, month, year (little-endian).
std::string format_identity_date(const uint8_t date[4]);
// "%08X%08X".
std::string format_serial_number(uint32_t high, uint32_t low);
