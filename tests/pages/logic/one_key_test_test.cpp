// The one-key test's steps.
#include <climits>

#include <gtest/gtest.h>

#include "pages/logic/io_scaling.h"
#include "pages/logic/one_key_test.h"

namespace {

using namespace page_logic;

TEST(one_key_test, ramps_by_the_step_and_wraps_after_10_volts)
{
    one_key_test test;
    test.start(1.0, 2, 0.5);
    EXPECT_EQ(analog_raw_from_volts(test.next_voltage(3892)), 0);    // 9.502 V + 1 V
    EXPECT_EQ(analog_raw_from_volts(test.next_voltage(3686)), 4095); // 8.999 V + 1 V
    EXPECT_DOUBLE_EQ(test.next_voltage(409), 409 * 10.0 / 4096 + 1);

    // a ramp from 0 V with step 2.5 V climbs to 10 V and then wraps
    test.start(2.5, 2, 0.5);
    uint16_t raw = 0;
    std::vector<uint16_t> ramp;
    for (int tick = 0; tick < 6; ++tick) {
        raw = analog_raw_from_volts(test.next_voltage(raw));
        ramp.push_back(raw);
    }
    EXPECT_EQ(ramp, (std::vector<uint16_t>{1024, 2048, 3072, 4095, 0, 1024}));
}

TEST(one_key_test, alternates_the_output_word_from_0xAAAA)
{
    one_key_test test;
    EXPECT_FALSE(test.running());
    EXPECT_EQ(test.start(1, 2, 0.5), 0xAAAA);
    EXPECT_TRUE(test.running());
    EXPECT_EQ(test.next_word(), 0x5555);
    EXPECT_EQ(test.next_word(), 0xAAAA);
    EXPECT_EQ(test.next_word(), 0x5555);
    test.stop();
    EXPECT_FALSE(test.running());
    // a new start begins again at 0xAAAA
    EXPECT_EQ(test.start(1, 2, 0.5), 0xAAAA);
    EXPECT_EQ(test.next_word(), 0x5555);
}

TEST(one_key_test, takes_periods_in_whole_milliseconds)
{
    one_key_test test;
    test.start(1, 2, 0.5);
    EXPECT_EQ(test.analog_period_ms(), 2000);
    EXPECT_EQ(test.digital_period_ms(), 500);
    EXPECT_EQ(timer_period_ms(0.0159), 15);
    EXPECT_EQ(timer_period_ms(0.25), 250);
    // the window system's minimum interval
    EXPECT_EQ(timer_period_ms(0), 10);
    EXPECT_EQ(timer_period_ms(0.003), 10);
    // negative periods become the longest one instead of a busy loop
    EXPECT_EQ(timer_period_ms(-1), INT_MAX);
    EXPECT_EQ(timer_period_ms(1e12), INT_MAX);
}

} // namespace
