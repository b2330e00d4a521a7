#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace page_logic {

// The bytes a hex text stands for: spaces are skipped, two hex digits make a byte, a single
// digit before a space or the end makes a byte of its own, and any other character ends the
// text (after the byte of a single digit right before it).
std::vector<uint8_t> parse_hex(const std::vector<uint8_t>& text);

// "%02X " per byte.
std::string hex_text(const uint8_t* bytes, size_t length);
inline std::string hex_text(const std::vector<uint8_t>& bytes)
{
    return hex_text(bytes.data(), bytes.size());
}

} // namespace page_logic
