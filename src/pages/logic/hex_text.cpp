#include "pages/logic/hex_text.h"

namespace page_logic {

namespace {

int hex_digit(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::vector<uint8_t> parse_hex(const std::vector<uint8_t>& text)
{
    std::vector<uint8_t> bytes;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        int high = hex_digit(text[i]);
        if (high < 0)
            break;
        int low = i + 1 < text.size() ? hex_digit(text[i + 1]) : -1;
        if (low < 0) {
            bytes.push_back(uint8_t(high));
            // a space goes on; anything else ends the text
            if (i + 1 < text.size() && text[i + 1] != ' ')
                break;
            i += 1;
            continue;
        }
        bytes.push_back(uint8_t(high << 4 | low));
        i += 2;
    }
    return bytes;
}

std::string hex_text(const uint8_t* bytes, size_t length)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(3 * length);
    for (size_t i = 0; i < length; ++i) {
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0x0F]);
        text.push_back(' ');
    }
    return text;
}

} // namespace page_logic
