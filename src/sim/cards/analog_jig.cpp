#include "sim/cards/analog_jig.h"

#include "protocol/analog.h"
#include "protocol/io.h"

#include <algorithm>
#include <cmath>

namespace sim::cards {

namespace {
constexpr double volts_per_da_count = 10.0 / 4096.0;
constexpr double ad24_counts_per_volt = double(1 << 23) / 25.0;
constexpr double ad24_zero = double(1 << 23);
constexpr double ad24_top = double((1 << 24) - 1);
} // namespace

void analog_jig::install(card_hooks& hooks)
{
    for (unsigned channel = 0; channel < ad12_inputs_; ++channel)
        hooks.on_read(protocol::io::analog_input(int(channel)), [this, channel](object_dictionary& d) {
            set_number(d, protocol::io::analog_input(int(channel)), sample_ad12(channel));
            return uint32_t(0);
        });
    if (wiring_ != ad12_wiring::comparator_inputs)
        return;
    for (unsigned channel = 0; channel < unsigned(protocol::analog::ad24_count); ++channel)
        hooks.on_read(protocol::analog::ad24_input(int(channel)), [this, channel](object_dictionary& d) {
            set_number(d, protocol::analog::ad24_input(int(channel)), sample_ad24(channel));
            return uint32_t(0);
        });
}

double analog_jig::da_volts(unsigned channel) const
{
    return io_.da(channel) * volts_per_da_count;
}

uint16_t analog_jig::ad12_level(unsigned channel) const
{
    switch (wiring_) {
    case ad12_wiring::comparator_inputs: {
        unsigned comparator = channel / 2;
        bool negative = channel % 2 == 0;
        if (!negative)
            return io_.da(comparator);
        uint16_t single_ended = comparator == 0 ? comparator_flag::single_ended0 : comparator_flag::single_ended1;
        if (config_.comparator_flags & single_ended)
            return io_.threshold(comparator);
        return io_.da(comparator + 2);
    }
    case ad12_wiring::two_outputs: return io_.da(channel % 2);
    case ad12_wiring::one_output: return io_.da(0);
    }
    return 0;
}

uint16_t analog_jig::sample_ad12(unsigned channel)
{
    int level = int(std::lround(faults_.faulty_code(false, channel, ad12_level(channel), {volts_per_da_count, 0})));
    if (noise.ad12_counts > 0) {
        int span = int(noise.ad12_counts) * 2 + 1;
        level += int(random_.next() % unsigned(span)) - int(noise.ad12_counts);
    }
    return uint16_t(std::clamp(level, 0, 4095));
}

uint32_t analog_jig::sample_ad24(unsigned channel)
{
    unsigned pair_first = channel & ~1u;
    bool single_ended = config_.ad_mode & (1u << pair_first);
    double volts = single_ended ? da_volts(channel % 4) : da_volts(pair_first % 4) - da_volts((pair_first + 1) % 4);
    double code = faults_.faulty_code(true, channel, ad24_zero + volts * ad24_counts_per_volt,
                                      {1 / ad24_counts_per_volt, ad24_zero});
    if (noise.ad24_counts > 0)
        code += standard_normal() * noise.ad24_counts;
    return uint32_t(std::clamp(std::round(code), 0.0, ad24_top));
}

// Irwin-Hall: the same numbers on every standard library, unlike std::normal_distribution
double analog_jig::standard_normal()
{
    double sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += random_.unit();
    return sum - 6.0;
}

} // namespace sim::cards
