#include "cli/object_value.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace cli {

namespace {

struct type_name {
    const char* name;
    value_type type;
    size_t size;
};

const type_name type_names[] = {
    {"u8", value_type::u8, 1},     {"u16", value_type::u16, 2},    {"u32", value_type::u32, 4},
    {"i8", value_type::i8, 1},     {"i16", value_type::i16, 2},    {"i32", value_type::i32, 4},
    {"str", value_type::str, 255}, {"hex", value_type::hex, 1024},
};

const type_name& entry_of(value_type type)
{
    for (const auto& entry : type_names)
        if (entry.type == type)
            return entry;
    return type_names[7];
}

bool is_signed(value_type type)
{
    return type == value_type::i8 || type == value_type::i16 || type == value_type::i32;
}

bool parse_hex_number(const std::string& text, unsigned long& value, unsigned long limit)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    errno = 0;
    value = std::strtoul(digits.c_str(), nullptr, 16);
    return errno == 0 && value <= limit;
}

} // namespace

bool parse_value_type(const std::string& name, value_type& type)
{
    for (const auto& entry : type_names)
        if (name == entry.name) {
            type = entry.type;
            return true;
        }
    return false;
}

size_t default_size(value_type type)
{
    return entry_of(type).size;
}

bool parse_object_address(const std::string& text, uint16_t& index, uint8_t& subindex)
{
    size_t colon = text.find(':');
    if (colon == std::string::npos)
        return false;
    unsigned long index_value = 0, subindex_value = 0;
    if (!parse_hex_number(text.substr(0, colon), index_value, 0xFFFF)
        || !parse_hex_number(text.substr(colon + 1), subindex_value, 0xFF))
        return false;
    index = static_cast<uint16_t>(index_value);
    subindex = static_cast<uint8_t>(subindex_value);
    return true;
}

std::string format_object_address(uint16_t index, uint8_t subindex)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X:%02X", index, subindex);
    return text;
}

bool encode_value(value_type type, const std::string& text, std::vector<uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    if (type == value_type::str) {
        bytes.assign(text.begin(), text.end());
        return true;
    }
    if (type == value_type::hex) {
        std::string digits;
        for (char c : text)
            if (c != ' ' && c != ':')
                digits += c;
        if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
            digits = digits.substr(2);
        if (digits.empty() || digits.size() % 2
            || digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            error = "'" + text + "' is not a sequence of hexadecimal bytes";
            return false;
        }
        for (size_t i = 0; i < digits.size(); i += 2)
            bytes.push_back(static_cast<uint8_t>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
        return true;
    }
    size_t size = entry_of(type).size;
    long long minimum = is_signed(type) ? -(1LL << (8 * size - 1)) : 0;
    long long maximum = is_signed(type) ? (1LL << (8 * size - 1)) - 1 : (1LL << (8 * size)) - 1;
    char* end = nullptr;
    errno = 0;
    long long value = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || *end || errno) {
        error = "'" + text + "' is not a number";
        return false;
    }
    if (value < minimum || value > maximum) {
        error = "'" + text + "' is out of range for " + entry_of(type).name;
        return false;
    }
    auto raw = static_cast<unsigned long long>(value);
    for (size_t i = 0; i < size; ++i)
        bytes.push_back(static_cast<uint8_t>(raw >> (8 * i)));
    return true;
}

std::string format_value(value_type type, const uint8_t* bytes, size_t size)
{
    if (type == value_type::str) {
        size_t length = 0;
        while (length < size && bytes[length])
            ++length;
        return std::string(reinterpret_cast<const char*>(bytes), length);
    }
    size_t width = entry_of(type).size;
    if (type == value_type::hex || size != width) {
        std::string text;
        char pair[4];
        for (size_t i = 0; i < size; ++i) {
            std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", bytes[i]);
            text += pair;
        }
        return text;
    }
    unsigned long long raw = 0;
    for (size_t i = 0; i < size; ++i)
        raw |= static_cast<unsigned long long>(bytes[i]) << (8 * i);
    long long value = static_cast<long long>(raw);
    if (is_signed(type) && (raw >> (8 * size - 1)) & 1)
        value -= 1LL << (8 * size);
    char text[64];
    std::snprintf(text, sizeof text, "%lld (0x%0*llX)", value, static_cast<int>(2 * size), raw);
    return text;
}

} // namespace cli
