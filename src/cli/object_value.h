#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace cli {

enum class value_type { u8, u16, u32, i8, i16, i32, str, hex };

// "u8" ... "hex"; false for an unknown name.
bool parse_value_type(const std::string& name, value_type& type);
// Bytes an upload of this type asks for by default.
size_t default_size(value_type type);

// "0x2000:00" or "2000:0A" -> index and subindex (hexadecimal). False when malformed.
bool parse_object_address(const std::string& text, uint16_t& index, uint8_t& subindex);
// "0x2000:00"
std::string format_object_address(uint16_t index, uint8_t subindex);

// The bytes to download for a value written as text; false with a reason when the text
// is not a number of that type or out of its range.
bool encode_value(value_type type, const std::string& text, std::vector<uint8_t>& bytes, std::string& error);
// How an uploaded value is shown: integers as decimal and hexadecimal, text up to its
// first zero, other bytes as hexadecimal pairs.
std::string format_value(value_type type, const uint8_t* bytes, size_t size);

} // namespace cli
