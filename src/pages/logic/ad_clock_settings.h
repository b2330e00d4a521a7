#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "card/card_ops.h"

namespace page_logic {

// The AD converter's clock as the card keeps it (protocol::analog::ad_clock_field); 0 where
// not known.
struct ad_clock_settings {
    int32_t source = 0; // 0 the 25 MHz reference, 1 PLL2
    int32_t pllm = 0;
    int32_t plln = 0;
    int32_t pllp = 0;
    int32_t sampling = 0; // whole cycles of the sampling time (8 stands for 8.5)
    int32_t prescaler = 0;
};

constexpr double ad_clock_reference_mhz = 25.0;

// The combo items and the values they stand for.
constexpr std::array<int32_t, 12> ad_prescalers = {1, 2, 4, 6, 8, 10, 12, 16, 32, 64, 128, 256};
constexpr std::array<int32_t, 8> ad_sampling_times = {1, 2, 8, 16, 32, 64, 387, 810};
int32_t prescaler_of_item(int item);  // another item gives 4
int32_t sampling_of_item(int item);   // another item gives 8
int item_of_prescaler(int32_t value); // an unknown value, or one above 256, selects "4"
int item_of_sampling(int32_t value);  // an unknown value selects "8.5"

// 25 / PLLM × PLLN / PLLP in MHz; none when PLLM or PLLP is 0.
std::optional<double> pll_clock_mhz(int32_t pllm, int32_t plln, int32_t pllp);
// One channel's sample frequency: ADCLK / prescaler / (sampling + 0.5 + 7.5) / 128, in MHz;
// none without a clock, a prescaler or a sampling time.
std::optional<double> sample_frequency_mhz(std::optional<double> adclk_mhz, int32_t prescaler, int32_t sampling);
// "%0.03f M", or "—" for none.
std::string mhz_text(std::optional<double> mhz);

// The message refusing a PLL setting, or empty when the card may run it: the three ranges in
// order, then the clock itself, exactly, against 80 MHz.
std::string pll_refusal(int32_t pllm, int32_t plln, int32_t pllp);

using card::object_write;
// The writes that make the card run a clock: PLLM, PLLN, PLLP, sampling time, prescaler,
// source, then the apply command.
std::vector<object_write> ad_clock_writes(const ad_clock_settings& settings);

} // namespace page_logic
