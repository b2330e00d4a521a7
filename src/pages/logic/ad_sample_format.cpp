#include "pages/logic/ad_sample_format.h"

#include <cstdio>

#include "protocol/io.h"

namespace page_logic {

const char* const failed_sample_cell = "读失败";

namespace {
constexpr double ad24_volts_per_count = 25.0 / double(1 << 23);
constexpr double ad24_offset_volts = 25.0;
} // namespace

ad_sample_object sample_object(ad_precision precision, int channel)
{
    if (precision == ad_precision::bits24)
        return protocol::analog::ad24_input(channel);
    return protocol::io::analog_input(channel);
}

double volts_per_count(ad_precision precision, double range)
{
    switch (precision) {
    case ad_precision::bits12: return range / 4096.0;
    case ad_precision::bits16: return range / 65535.0;
    case ad_precision::bits24: break;
    }
    return ad24_volts_per_count;
}

double volts_of_count(ad_precision precision, double count, double per_count)
{
    double volts = count * per_count;
    return precision == ad_precision::bits24 ? volts - ad24_offset_volts : volts;
}

int32_t sample_from_bytes(ad_precision precision, const uint8_t* bytes)
{
    if (precision == ad_precision::bits24)
        return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16
                       | uint32_t(bytes[3]) << 24);
    return int32_t(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8);
}

std::string sample_cell(ad_precision precision, int32_t value, double per_count)
{
    char text[64];
    const char* format = precision == ad_precision::bits24 ? "%4d(%0.08fV)" : "%4d(%0.04fV)";
    std::snprintf(text, sizeof text, format, value, volts_of_count(precision, value, per_count));
    return text;
}

} // namespace page_logic
