#include "sim/cards/ad_clock.h"

#include <algorithm>

#include "protocol/analog.h"
#include "sim/cards/card_aborts.h"

namespace sim::cards {

namespace {

constexpr double reference_mhz = 25.0;
constexpr int32_t sampling_times[] = {1, 2, 8, 16, 32, 64, 387, 810};
constexpr int32_t prescalers[] = {1, 2, 4, 6, 8, 10, 12, 16, 32, 64, 128, 256};

template <size_t N> bool one_of(const int32_t (&list)[N], int32_t value)
{
    return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

bool within(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

} // namespace

double ad_clock::clock_mhz(const settings& s)
{
    if (!one_of(sampling_times, s[4]) || !one_of(prescalers, s[5]))
        return 0;
    if (s[0] == 0)
        return reference_mhz;
    if (s[0] != 1 || !within(s[1], 1, 63) || !within(s[2], 4, 512) || !within(s[3], 1, 128))
        return 0;
    double mhz = reference_mhz / s[1] * s[2] / s[3];
    return mhz <= highest_mhz ? mhz : 0;
}

namespace analog = protocol::analog;

void ad_clock::install(card_hooks& hooks)
{
    for (int n = 0; n < analog::ad_clock_field_count; ++n) {
        const protocol::object field = analog::ad_clock_field(n);
        hooks.on_write(field, [this, n](object_dictionary&, const std::vector<uint8_t>& data) {
            staged_[size_t(n)] = int32_t(uint32_t(incoming_number(data)));
            return uint32_t(0);
        });
        hooks.on_read(field, [this, n, field](object_dictionary& d) {
            set_number(d, field, uint32_t(running_[size_t(n)]));
            return uint32_t(0);
        });
    }
    hooks.on_write(analog::ad_clock_apply, [this](object_dictionary&, const std::vector<uint8_t>& data) {
        if (incoming_number(data) != apply_command || clock_mhz(staged_) == 0)
            return card_abort::value_range_exceeded;
        running_ = staged_;
        return uint32_t(0);
    });
}

void ad_clock::reset(object_dictionary& dictionary)
{
    staged_ = running_;
    for (int n = 0; n < analog::ad_clock_field_count; ++n)
        set_number(dictionary, analog::ad_clock_field(n), uint32_t(running_[size_t(n)]));
}

} // namespace sim::cards
