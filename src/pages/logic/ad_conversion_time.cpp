#include "pages/logic/ad_conversion_time.h"

#include <array>
#include <cstddef>

namespace page_logic {

namespace {

constexpr std::array<float, 23> conversion_times = {
    0.04025f, 0.04025f, 0.04825f, 0.04825f, 0.06425f, 0.07225f, 0.09625f, 0.09625f, 0.20025f, 0.40025f, 1.0f,   2.0f,
    2.53f,    5.0f,     10.0f,    16.7f,    20.03f,   50.0f,    60.03f,   100.0f,   200.0f,   400.0f,   400.0f,
};

} // namespace

float conversion_time_ms(int rate_code)
{
    if (rate_code < 0 || rate_code >= int(conversion_times.size()))
        return 0;
    return conversion_times[size_t(rate_code)];
}

uint32_t ad24_wait_bound_ms(float conversion_ms)
{
    if (conversion_ms <= 1.0f)
        return 0;
    return uint32_t((conversion_ms + 1.0f) * 16.0f);
}

} // namespace page_logic
