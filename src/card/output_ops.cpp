// Digital, analog and PWM outputs, the comparators and the counter clear.
#include <algorithm>
#include <cmath>

#include "card/card_ops.h"
#include "card/sdo_numbers.h"
#include "protocol/counter.h"
#include "protocol/io.h"
#include "protocol/latch.h"

namespace card {

namespace {

constexpr transfer_result rejected{ecat::result::refused};
constexpr double highest_pwm_hertz = 65535.9999;
constexpr double fixed_point_one = 65536.0; // 16.16 frequency, duty as a fraction of 2^16

} // namespace

transfer_result write_outputs(ecat::master& m, uint16_t position, uint16_t word)
{
    return write_object(m, position, protocol::io::digital_outputs, word);
}

transfer_result write_da_voltage(ecat::master& m, uint16_t position, int channel, double volts)
{
    if (channel < 0 || channel >= protocol::io::analog_output_count || !(volts >= 0.0 && volts <= 10.0))
        return rejected;
    auto raw = uint32_t(volts / 10.0 * 4096.0); // truncates toward zero
    if (raw == 4096)
        raw = 4095; // 10 V is the top code of the 12-bit converter
    return write_object(m, position, protocol::io::analog_output(channel), raw);
}

transfer_result read_comparator_configuration(ecat::master& m, uint16_t position, uint16_t& flags)
{
    uint64_t value = 0;
    transfer_result result = read_object(m, position, protocol::latch::comparator_configuration, value);
    if (result.ok())
        flags = uint16_t(value);
    return result;
}

transfer_result write_comparator_threshold(ecat::master& m, uint16_t position, int comparator, uint16_t raw)
{
    if (comparator < 0 || comparator >= protocol::latch::comparator_count)
        return rejected;
    return write_object(m, position, protocol::latch::comparator_threshold(comparator), raw);
}

transfer_result write_pwm_frequency(ecat::master& m, uint16_t position, int channel, double hertz)
{
    if (channel < 0 || channel >= protocol::counter::pwm_count || std::isnan(hertz))
        return rejected;
    hertz = std::min(hertz, highest_pwm_hertz);
    // no lower bound: a negative frequency goes out as the low 32 bits of its raw value;
    // the floor only keeps the conversion to 64 bits defined
    double scaled = std::max(hertz * fixed_point_one, -9.0e18);
    auto raw = uint32_t(uint64_t(int64_t(scaled)));
    return write_object(m, position, protocol::counter::pwm_frequency(channel), raw);
}

transfer_result write_pwm_duty(ecat::master& m, uint16_t position, int channel, double fraction)
{
    if (channel < 0 || channel >= protocol::counter::pwm_count || !(fraction >= 0.0 && fraction <= 1.0))
        return rejected;
    auto raw = uint32_t(fraction * fixed_point_one);
    if (raw == 65536)
        raw = 65535;
    return write_object(m, position, protocol::counter::pwm_duty(channel), raw, protocol::counter::pwm_duty_write_size);
}

transfer_result clear_counters(ecat::master& m, uint16_t position)
{
    if (transfer_result result = write_object(m, position, protocol::counter::clear, protocol::counter::clear_armed);
        !result.ok())
        return result;
    return write_object(m, position, protocol::counter::clear, protocol::counter::clear_now);
}

} // namespace card
