#include "sim/cards/card_fault_set.h"

#include <cmath>

namespace sim::cards {

void card_fault_set::stuck_bits::stick(unsigned bit, bool level)
{
    uint16_t one = uint16_t(1u << bit);
    mask |= one;
    levels = uint16_t(level ? levels | one : levels & ~one);
}

void card_fault_set::stick_output(unsigned bit, bool level)
{
    stuck_outputs_.stick(bit, level);
}

void card_fault_set::stick_input(unsigned bit, bool level)
{
    stuck_inputs_.stick(bit, level);
}

void card_fault_set::short_outputs(unsigned first, unsigned second)
{
    shorts_.emplace_back(first, second);
}

void card_fault_set::clear()
{
    stuck_outputs_ = {};
    stuck_inputs_ = {};
    shorts_.clear();
    analog_.fill({});
    silent_.fill(false);
}

uint16_t card_fault_set::wired_inputs(uint16_t written) const
{
    uint16_t lines = written;
    // shorts that share a line join into one node: repeat until every pair agrees
    for (bool changed = true; changed;) {
        changed = false;
        for (auto [first, second] : shorts_) {
            uint16_t pair = uint16_t(1u << first | 1u << second);
            if ((lines & pair) && (lines & pair) != pair) {
                lines |= pair;
                changed = true;
            }
        }
    }
    return stuck_inputs_.apply(stuck_outputs_.apply(lines));
}

double card_fault_set::faulty_code(bool ad24, unsigned channel, double code, const ad_scale& scale)
{
    if (ad24 != shape_.ad24 || channel >= shape_.ad_channels)
        return code;
    const analog_fault& fault = analog_[channel];
    if (fault.gain == 1 && fault.offset_mv == 0 && fault.noise_counts == 0)
        return code; // a sound channel reads exactly what the jig gives
    double volts = (code - scale.zero_code) * scale.volts_per_count;
    double faulty = volts * fault.gain + fault.offset_mv / 1000.0;
    double result = scale.zero_code + faulty / scale.volts_per_count;
    if (fault.noise_counts > 0) {
        uint64_t span = uint64_t(fault.noise_counts) * 2 + 1;
        result += double(int64_t(random_.next() % span) - int64_t(fault.noise_counts));
    }
    return result;
}

} // namespace sim::cards
