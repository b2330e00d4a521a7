#include "pages/logic/one_key_test.h"

#include <climits>
#include <cmath>

#include "pages/logic/io_scaling.h"

namespace page_logic {

uint16_t one_key_test::start(double step_volts, double analog_period_s, double digital_period_s)
{
    running_ = true;
    step_volts_ = step_volts;
    analog_period_ms_ = timer_period_ms(analog_period_s);
    digital_period_ms_ = timer_period_ms(digital_period_s);
    word_ = first_word;
    return word_;
}

double one_key_test::next_voltage(uint16_t raw) const
{
    double volts = volts_12bit(raw) + step_volts_;
    return volts > 10 ? 0 : volts;
}

uint16_t one_key_test::next_word()
{
    word_ = static_cast<uint16_t>(~word_);
    return word_;
}

int timer_period_ms(double seconds)
{
    double ms = std::trunc(seconds * 1000);
    // a window timer takes an unsigned period: negative ones are huge, and capped
    if (!(ms >= 0 && ms <= INT_MAX))
        return INT_MAX;
    return ms < one_key_test::minimum_period_ms ? one_key_test::minimum_period_ms : static_cast<int>(ms);
}

} // namespace page_logic
