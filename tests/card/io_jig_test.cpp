// The loop-back jig: outputs to inputs, DA to AD with noise, comparators, latches.
#include <cmath>

#include "jig_fixture.h"

namespace cardtest {
namespace {

class io_jig : public jig_fixture { };

constexpr double ad24_counts_per_volt = double(1 << 23) / 25.0;

uint32_t ad24_code(double volts)
{
    return uint32_t(std::lround((volts / 25.0 + 1.0) * (1 << 23)));
}

TEST_F(io_jig, outputs_come_back_on_the_inputs_the_card_has)
{
    make("ZEIO,KOVA-H,KOVA-16IO");
    for (size_t id = 0; id < 3; ++id)
        ASSERT_EQ(write(id, 0x2300, 0, 0xFFFF, 2), 0u);
    EXPECT_EQ(read(0, 0x2000, 0), 0x00FFu) << "eight inputs";
    EXPECT_EQ(read(1, 0x2000, 0), 0x01FFu) << "nine inputs";
    EXPECT_EQ(read(2, 0x2000, 0), 0xFFFFu) << "sixteen inputs";
    EXPECT_EQ(read(1, 0x2300, 0), 0xFFFFu) << "the output word keeps all sixteen bits";
    write(0, 0x2300, 0, 0x0008, 2);
    EXPECT_EQ(read(0, 0x2000, 0), 0x0008u);
}

TEST_F(io_jig, twelve_bit_inputs_follow_their_da_within_one_count)
{
    make("KOVA-H,KOVA-16IO");
    write(0, 0x2310, 0, 1000, 2);
    write(0, 0x2311, 0, 3000, 2);
    write(1, 0x2310, 0, 4095, 2);
    for (int sample = 0; sample < 20; ++sample) {
        EXPECT_NEAR(double(read(0, 0x2010, 0)), 1000, 1);
        EXPECT_NEAR(double(read(0, 0x2011, 0)), 3000, 1);
        EXPECT_NEAR(double(read(0, 0x2012, 0)), 1000, 1);
        EXPECT_NEAR(double(read(0, 0x2013, 0)), 3000, 1);
        EXPECT_NEAR(double(read(1, 0x2011, 0)), 4095, 1);
        EXPECT_LE(read(1, 0x2011, 0), 4095u) << "never beyond the converter's range";
    }
}

TEST_F(io_jig, twenty_four_bit_inputs_show_the_da_with_a_seeded_spread)
{
    make("KOVA-AD", 5);
    write(0, 0x2310, 0, 2048, 2); // 5 V on AD0, AD4, AD8, AD12
    write(0, 0x2311, 0, 1024, 2); // 2.5 V on AD1 ...
    std::vector<uint32_t> samples;
    for (int i = 0; i < 200; ++i)
        samples.push_back(uint32_t(read(0, 0x3028, 1)));
    auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    EXPECT_GT(*high - *low, 20u) << "the AD stability page needs a spread to show";
    EXPECT_LT(*high - *low, 600u);
    double mean = 0;
    for (uint32_t s : samples)
        mean += s;
    mean /= double(samples.size());
    EXPECT_NEAR(mean, ad24_code(5.0), 0.1 * ad24_counts_per_volt / 1000) << "within 0.1 mV on average";
    EXPECT_NEAR(double(read(0, 0x3028, 0x0E)), ad24_code(2.5), 300);
    EXPECT_NEAR(double(read(0, 0x3028, 3)), ad24_code(0.0), 300) << "an idle DA reads 0 V";

    // the same seed replays the same samples; another seed does not
    make("KOVA-AD", 5);
    write(0, 0x2310, 0, 2048, 2);
    write(0, 0x2311, 0, 1024, 2);
    EXPECT_EQ(read(0, 0x3028, 1), samples[0]);
    make("KOVA-AD", 6);
    write(0, 0x2310, 0, 2048, 2);
    std::vector<uint32_t> other;
    for (int i = 0; i < 5; ++i)
        other.push_back(uint32_t(read(0, 0x3028, 1)));
    EXPECT_NE(other, std::vector<uint32_t>(samples.begin(), samples.begin() + 5));

    ASSERT_TRUE(sim::cards::set_analog_noise(*bus, 0, {0.0, 0}));
    EXPECT_EQ(read(0, 0x3028, 1), ad24_code(5.0));
    EXPECT_EQ(read(0, 0x3028, 1), ad24_code(5.0));
    EXPECT_FALSE(sim::cards::set_analog_noise(*bus, 3, {}));
}

TEST_F(io_jig, a_differential_pair_measures_the_difference_of_its_two_wires)
{
    make("ZEIO");
    sim::cards::set_analog_noise(*bus, 0, {0.0, 0});
    write(0, 0x2310, 0, 2048, 2);
    write(0, 0x2311, 0, 1024, 2);
    write(0, 0x6001, 1, 0x5554, 2); // AD0/AD1 differential from the next start on
    write(0, 0x6100, 0, 10, 2);
    write(0, 0x6000, 0, 255, 2);
    write(0, 0x2310, 0, 2048, 2); // the restart switched the outputs off
    write(0, 0x2311, 0, 1024, 2);
    EXPECT_EQ(read(0, 0x3029, 1), 0x5554u);
    EXPECT_EQ(read(0, 0x3028, 1), ad24_code(2.5));
    EXPECT_EQ(read(0, 0x3028, 3), ad24_code(0.0)) << "AD2 stays single-ended on DA2";
}

TEST_F(io_jig, comparators_compare_their_inputs_and_thresholds)
{
    make("ZEIO");
    sim::cards::set_analog_noise(*bus, 0, {0.0, 0});
    EXPECT_EQ(read(0, 0x3031, 0), 0x17u) << "both enabled and single-ended out of the box";
    write(0, 0x3032, 1, 1200, 2); // CMP0 threshold
    write(0, 0x2310, 0, 1000, 2); // CMP0P below it
    EXPECT_EQ(read(0, 0x2010, 0), 1200u) << "CMP0N shows the threshold when single-ended";
    EXPECT_EQ(read(0, 0x2011, 0), 1000u);
    EXPECT_EQ(read(0, 0x3030, 1), 0u);
    write(0, 0x2310, 0, 1300, 2);
    EXPECT_EQ(read(0, 0x3030, 1), 1u);
    EXPECT_EQ(read(0, 0x3033, 0), 1u);
    EXPECT_EQ(read(0, 0x3030, 2), 0u) << "CMP1P and its threshold both 0";

    // comparator 0 differential and inverted, comparator 1 off
    write(0, 0x6005, 0, 0x0009, 2);
    write(0, 0x6100, 0, 10, 2);
    write(0, 0x6000, 0, 255, 2);
    write(0, 0x2310, 0, 1300, 2);
    write(0, 0x2312, 0, 2000, 2); // CMP0N from DA2 now
    EXPECT_EQ(read(0, 0x2010, 0), 2000u);
    EXPECT_EQ(read(0, 0x3030, 1), 1u) << "below, inverted";
    write(0, 0x2311, 0, 4000, 2);
    EXPECT_EQ(read(0, 0x3030, 2), 0u) << "a disabled comparator stays 0";
}

TEST_F(io_jig, latches_capture_on_their_trigger_edge)
{
    make("KOVA-AD");
    sim::cards::set_analog_noise(*bus, 0, {0.0, 0});
    write(0, 0x2310, 0, 2048, 2);
    write(0, 0x3036, 1, 0x0001, 2);     // AD0 on the rising edge of IN0
    write(0, 0x3036, 2, 0x0013 | 4, 2); // AD1 once, on the falling edge of IN1
    write(0, 0x3038, 2, 0x0061, 2);     // CMP0P on the rising edge of comparator 0
    frames(2);
    EXPECT_EQ(read(0, 0x3037, 1), 0u) << "nothing latched without an edge";
    EXPECT_EQ(read(0, 0x3039, 2), 2048u) << "comparator 0 rose when DA0 passed its threshold 0";

    write(0, 0x2300, 0, 0x0003, 2);
    frames(1);
    EXPECT_EQ(read(0, 0x3037, 1), ad24_code(5.0));
    EXPECT_EQ(read(0, 0x3037, 2), 0u) << "a rising edge does not trigger a falling-edge latch";

    write(0, 0x2311, 0, 1024, 2);
    write(0, 0x2300, 0, 0x0000, 2);
    frames(1);
    EXPECT_EQ(read(0, 0x3037, 2), ad24_code(2.5));
    write(0, 0x2311, 0, 3000, 2);
    write(0, 0x2300, 0, 0x0002, 2);
    frames(1);
    write(0, 0x2300, 0, 0x0000, 2);
    frames(1);
    EXPECT_EQ(read(0, 0x3037, 2), ad24_code(2.5)) << "latch once keeps its first capture";

    write(0, 0x3032, 1, 3000, 2);
    frames(1); // comparator 0 falls
    write(0, 0x2310, 0, 3500, 2);
    frames(1); // and rises again
    EXPECT_EQ(read(0, 0x3039, 2), 3500u);
}

} // namespace
} // namespace cardtest
