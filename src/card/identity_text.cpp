#include "card/identity_text.h"

#include <cstdio>

std::string format_identity_date(const uint8_t date[4])
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X.%02X.%02X", unsigned(date[2] | date[3] << 8), unsigned(date[1]),
                  unsigned(date[0]));
    return text;
}

std::string format_serial_number(uint32_t high, uint32_t low)
{
    char text[20];
    std::snprintf(text, sizeof text, "%08X%08X", unsigned(high), unsigned(low));
    return text;
}
