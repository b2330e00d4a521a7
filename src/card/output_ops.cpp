// Analog outputs, PWM outputs and the counter clear.
#include <algorithm>
#include <cmath>

#include "card/card_ops.h"
#include "card/sdo_numbers.h"

namespace card {

namespace {

constexpr transfer_result rejected{ecat::result::refused};
constexpr int da_channels = 4;
constexpr int pwm_channels = 2;
constexpr double highest_pwm_hertz = 65535.9999;
constexpr double fixed_point_one = 65536.0; // 16.16 frequency, duty as a fraction of 2^16

} // namespace

transfer_result write_da_voltage(ecat::master& m, uint16_t position, int channel, double volts)
{
    if (channel < 0 || channel >= da_channels || !(volts >= 0.0 && volts <= 10.0))
        return rejected;
    auto raw = uint32_t(volts / 10.0 * 4096.0); // truncates toward zero
    if (raw == 4096)
        raw = 4095; // 10 V is the top code of the 12-bit converter
    return write_number(m, position, uint16_t(0x2310 + channel), 0, raw, 2);
}

transfer_result write_pwm_frequency(ecat::master& m, uint16_t position, int channel, double hertz)
{
    if (channel < 0 || channel >= pwm_channels || std::isnan(hertz))
        return rejected;
    hertz = std::min(hertz, highest_pwm_hertz);
    // no lower bound: a negative frequency goes out as the low 32 bits of its raw value;
    // the floor only keeps the conversion to 64 bits defined
    double scaled = std::max(hertz * fixed_point_one, -9.0e18);
    auto raw = uint32_t(uint64_t(int64_t(scaled)));
    return write_number(m, position, uint16_t(0x2320 + channel), 0, raw, 4);
}

transfer_result write_pwm_duty(ecat::master& m, uint16_t position, int channel, double fraction)
{
    if (channel < 0 || channel >= pwm_channels || !(fraction >= 0.0 && fraction <= 1.0))
        return rejected;
    auto raw = uint32_t(fraction * fixed_point_one);
    if (raw == 65536)
        raw = 65535;
    return write_number(m, position, uint16_t(0x2330 + channel), 0, raw, 4);
}

transfer_result clear_counters(ecat::master& m, uint16_t position)
{
    // the card clears on the change from 0 to 0xFFFF
    if (transfer_result result = write_number(m, position, 0x2400, 0, 0x0000, 2); !result.ok())
        return result;
    return write_number(m, position, 0x2400, 0, 0xFFFF, 2);
}

} // namespace card
