#include "pages/logic/io_scaling.h"

#include <climits>
#include <cmath>
#include <cstdio>

namespace page_logic {

namespace {

template <typename... Args> std::string format(const char* pattern, Args... args)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

} // namespace

double volts_12bit(uint16_t raw)
{
    return raw * 10 * 0.000244140625;
}

double volts_24bit(uint32_t raw)
{
    return (raw * 0x1p-23 - 1) * 2.5 * 10;
}

double pwm_hertz(uint32_t raw)
{
    return raw * 0x1p-16;
}

double duty_percent(uint16_t raw)
{
    return raw * 100 * 0x1p-16;
}

uint16_t analog_raw_from_volts(double volts)
{
    double raw = std::trunc(volts / 10 * 4096);
    // outside this range the conversion to an integer has no value
    if (!(raw >= -0x1p63 && raw < 0x1p63))
        return 0;
    auto low = static_cast<uint16_t>(static_cast<int64_t>(raw));
    return low == 4096 ? 4095 : low;
}

std::string hex_text(uint32_t raw)
{
    return format("%lX", static_cast<unsigned long>(raw));
}

std::string volts_24bit_text(uint32_t raw)
{
    return format("%0.08f", volts_24bit(raw));
}

std::string volts_12bit_text(uint16_t raw)
{
    return format("%0.03f", volts_12bit(raw));
}

std::string decimal_text(int value)
{
    return format("%d", value);
}

std::string pwm_frequency_raw_text(uint32_t raw)
{
    return format("%lu", static_cast<unsigned long>(raw));
}

std::string pwm_frequency_text(uint32_t raw)
{
    return format("%0.03f", pwm_hertz(raw));
}

std::string duty_text(uint16_t raw)
{
    return format("%0.03f%%", duty_percent(raw));
}

std::vector<std::string> widest_texts(cell_format format)
{
    switch (format) {
    case cell_format::hex32: return {hex_text(UINT32_MAX)};
    case cell_format::volts_24bit: return {volts_24bit_text(0), volts_24bit_text(UINT32_MAX)};
    case cell_format::volts_12bit: return {volts_12bit_text(UINT16_MAX)};
    case cell_format::u16: return {decimal_text(UINT16_MAX)};
    case cell_format::s32: return {decimal_text(INT32_MIN), decimal_text(INT32_MAX)};
    case cell_format::u32: return {pwm_frequency_raw_text(UINT32_MAX)};
    case cell_format::hertz: return {pwm_frequency_text(UINT32_MAX)};
    case cell_format::duty: return {duty_text(UINT16_MAX)};
    }
    return {};
}

} // namespace page_logic
