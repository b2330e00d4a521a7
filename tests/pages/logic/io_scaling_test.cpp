// Scalings and cell formats of the IO pages' values.
#include <gtest/gtest.h>

#include "pages/logic/io_scaling.h"

namespace {

using namespace page_logic;

TEST(io_scaling, shows_24bit_inputs_as_hex_and_volts_around_mid_scale)
{
    EXPECT_EQ(hex_text(1u << 23), "800000");
    EXPECT_EQ(volts_24bit_text(1u << 23), "0.00000000");
    EXPECT_EQ(hex_text(0), "0");
    EXPECT_EQ(volts_24bit_text(0), "-25.00000000");
    EXPECT_EQ(hex_text((1u << 24) - 1), "FFFFFF");
    EXPECT_EQ(volts_24bit_text((1u << 24) - 1), "24.99999702");
    // the raw value is unsigned: the top bit adds, it does not make the value negative
    EXPECT_EQ(hex_text(0xFFFFFFFFu), "FFFFFFFF");
    EXPECT_GT(volts_24bit(0xFFFFFFFFu), 25 * 500);
}

TEST(io_scaling, shows_12bit_values_pwm_and_duty)
{
    EXPECT_EQ(volts_12bit_text(0), "0.000");
    EXPECT_EQ(volts_12bit_text(2048), "5.000");
    EXPECT_EQ(volts_12bit_text(4095), "9.998");
    EXPECT_EQ(decimal_text(65535), "65535");
    EXPECT_EQ(decimal_text(-5), "-5");
    EXPECT_EQ(pwm_frequency_raw_text(1000u * 65536), "65536000");
    EXPECT_EQ(pwm_frequency_text(1000u * 65536), "1000.000");
    EXPECT_EQ(pwm_frequency_raw_text(0xFFFFFFFFu), "4294967295");
    EXPECT_EQ(pwm_frequency_text(0x8000), "0.500");
    EXPECT_EQ(duty_text(32768), "50.000%");
    EXPECT_EQ(duty_text(0xFFFF), "99.998%");
    EXPECT_EQ(duty_text(0), "0.000%");
}

TEST(io_scaling, converts_voltages_to_raw_without_range_check)
{
    EXPECT_EQ(analog_raw_from_volts(5), 2048);
    EXPECT_EQ(analog_raw_from_volts(3), 1228);
    EXPECT_EQ(analog_raw_from_volts(10), 4095);
    EXPECT_EQ(analog_raw_from_volts(9.9990234375), 4095);
    EXPECT_EQ(analog_raw_from_volts(0.0024), 0);
    // the caller sends the low 16 bits of whatever the voltage gives
    EXPECT_EQ(analog_raw_from_volts(20), 8192);
    EXPECT_EQ(analog_raw_from_volts(-1), static_cast<uint16_t>(-409));
    EXPECT_EQ(analog_raw_from_volts(1e300), 0);
}

} // namespace
