#include "pages/logic/ad_clock_settings.h"

#include <algorithm>
#include <cstdio>

#include "protocol/analog.h"

namespace page_logic {

namespace {

constexpr int32_t default_prescaler = 4;
constexpr int32_t default_sampling = 8;
constexpr int32_t highest_clock_mhz = 80;

template <size_t N> int item_of(const std::array<int32_t, N>& values, int32_t value, int32_t fallback)
{
    auto found = std::find(values.begin(), values.end(), value);
    if (found == values.end())
        found = std::find(values.begin(), values.end(), fallback);
    return int(found - values.begin());
}

bool within(int32_t value, int32_t low, int32_t high)
{
    return value >= low && value <= high;
}

} // namespace

int32_t prescaler_of_item(int item)
{
    return item >= 0 && item < int(ad_prescalers.size()) ? ad_prescalers[size_t(item)] : default_prescaler;
}

int32_t sampling_of_item(int item)
{
    return item >= 0 && item < int(ad_sampling_times.size()) ? ad_sampling_times[size_t(item)] : default_sampling;
}

int item_of_prescaler(int32_t value)
{
    return item_of(ad_prescalers, value, default_prescaler);
}

int item_of_sampling(int32_t value)
{
    return item_of(ad_sampling_times, value, default_sampling);
}

std::optional<double> pll_clock_mhz(int32_t pllm, int32_t plln, int32_t pllp)
{
    if (pllm == 0 || pllp == 0)
        return std::nullopt;
    return ad_clock_reference_mhz / pllm * plln / pllp;
}

std::optional<double> sample_frequency_mhz(std::optional<double> adclk_mhz, int32_t prescaler, int32_t sampling)
{
    if (!adclk_mhz || prescaler == 0 || sampling == 0)
        return std::nullopt;
    return *adclk_mhz / prescaler / (sampling + 0.5 + 7.5) * 0.0078125;
}

std::string mhz_text(std::optional<double> mhz)
{
    if (!mhz)
        return "—";
    char text[48];
    std::snprintf(text, sizeof text, "%0.03f M", *mhz);
    return text;
}

std::string pll_refusal(int32_t pllm, int32_t plln, int32_t pllp)
{
    if (!within(pllm, 1, 63))
        return "PLLM设置值超出范围(1 ~ 63)";
    if (!within(plln, 4, 512))
        return "PLLN设置值超出范围(4 ~ 512)";
    if (!within(pllp, 1, 128))
        return "PLLP设置值超出范围(1 ~ 128)";
    // 25 / PLLM × PLLN / PLLP > 80 without rounding: the ranges keep this within int
    if (25 * plln > highest_clock_mhz * pllm * pllp)
        return "PLL2时钟频率超过80M";
    return {};
}

std::vector<object_write> ad_clock_writes(const ad_clock_settings& s)
{
    namespace analog = protocol::analog;
    auto write = [](const protocol::object& o, uint32_t value) {
        return object_write{o.index, o.subindex, value, o.size};
    };
    return {
        write(analog::ad_clock_pllm, uint32_t(s.pllm)),
        write(analog::ad_clock_plln, uint32_t(s.plln)),
        write(analog::ad_clock_pllp, uint32_t(s.pllp)),
        write(analog::ad_sampling_time, uint32_t(s.sampling)),
        write(analog::ad_prescaler, uint32_t(s.prescaler)),
        write(analog::ad_clock_source, uint32_t(s.source)),
        write(analog::ad_clock_apply, analog::ad_clock_apply_command),
    };
}

} // namespace page_logic
