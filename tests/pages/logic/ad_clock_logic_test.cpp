// The AD clock dialog without widgets: item maps, clock and frequency, the refusals, the writes.
#include <gtest/gtest.h>

#include "pages/logic/ad_clock_settings.h"

using namespace page_logic;

TEST(ad_clock_items, map_values_to_items_with_their_fallbacks)
{
    EXPECT_EQ(item_of_sampling(1), 0);
    EXPECT_EQ(item_of_sampling(8), 2);
    EXPECT_EQ(item_of_sampling(4), 2);
    EXPECT_EQ(item_of_sampling(810), 7);
    EXPECT_EQ(item_of_prescaler(256), 11);
    EXPECT_EQ(item_of_prescaler(257), 2);
    EXPECT_EQ(item_of_prescaler(3), 2);
    EXPECT_EQ(item_of_prescaler(1), 0);
    EXPECT_EQ(prescaler_of_item(11), 256);
    EXPECT_EQ(prescaler_of_item(12), 4);
    EXPECT_EQ(prescaler_of_item(-1), 4);
    EXPECT_EQ(sampling_of_item(6), 387);
    EXPECT_EQ(sampling_of_item(8), 8);
}

TEST(ad_clock_frequency, follows_the_pll_and_never_divides_by_zero)
{
    EXPECT_EQ(mhz_text(pll_clock_mhz(5, 80, 5)), "80.000 M");
    EXPECT_EQ(mhz_text(pll_clock_mhz(3, 20, 2)), "83.333 M");
    EXPECT_EQ(mhz_text(pll_clock_mhz(0, 80, 5)), "—");
    EXPECT_EQ(mhz_text(pll_clock_mhz(5, 80, 0)), "—");
    EXPECT_EQ(mhz_text(sample_frequency_mhz(25.0, 1, 1)), "0.022 M");
    EXPECT_EQ(mhz_text(sample_frequency_mhz(80.0, 4, 8)), "0.010 M");
    EXPECT_EQ(mhz_text(sample_frequency_mhz(std::nullopt, 4, 8)), "—");
    EXPECT_EQ(mhz_text(sample_frequency_mhz(25.0, 0, 8)), "—");
    EXPECT_EQ(mhz_text(sample_frequency_mhz(25.0, 4, 0)), "—");
}

TEST(ad_clock_refusal, checks_the_ranges_in_order_then_the_exact_clock)
{
    EXPECT_EQ(pll_refusal(64, 1, 0), "PLLM设置值超出范围(1 ~ 63)");
    EXPECT_EQ(pll_refusal(0, 80, 5), "PLLM设置值超出范围(1 ~ 63)");
    EXPECT_EQ(pll_refusal(5, 3, 0), "PLLN设置值超出范围(4 ~ 512)");
    EXPECT_EQ(pll_refusal(5, 513, 5), "PLLN设置值超出范围(4 ~ 512)");
    EXPECT_EQ(pll_refusal(5, 80, 0), "PLLP设置值超出范围(1 ~ 128)");
    EXPECT_EQ(pll_refusal(5, 80, 129), "PLLP设置值超出范围(1 ~ 128)");
    EXPECT_EQ(pll_refusal(5, 80, 5), "");
    EXPECT_EQ(pll_refusal(5, 81, 5), "PLL2时钟频率超过80M");
    // 83.333 MHz: a truncating check would let it through
    EXPECT_EQ(pll_refusal(3, 20, 2), "PLL2时钟频率超过80M");
    EXPECT_EQ(pll_refusal(63, 512, 1), "PLL2时钟频率超过80M");
    EXPECT_EQ(pll_refusal(2, 512, 128), "");
}

TEST(ad_clock_writes, write_the_six_fields_then_the_apply_command)
{
    ad_clock_settings s{1, 5, 80, 5, 16, 8};
    std::vector<object_write> writes = ad_clock_writes(s);
    ASSERT_EQ(writes.size(), 7u);
    const uint8_t order[6] = {2, 3, 4, 5, 6, 1};
    const uint32_t values[6] = {5, 80, 5, 16, 8, 1};
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(writes[i].index, 0x2120);
        EXPECT_EQ(writes[i].subindex, order[i]);
        EXPECT_EQ(writes[i].value, values[i]);
        EXPECT_EQ(writes[i].size, 4u);
    }
    EXPECT_EQ(writes[6].index, 0x2121);
    EXPECT_EQ(writes[6].subindex, 0);
    EXPECT_EQ(writes[6].value, 0x6C3Bu);
    EXPECT_EQ(writes[6].size, 2u);
}
