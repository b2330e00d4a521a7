// The AD test page without widgets: sample cells, the summary rows, and the sampler's
// reads, stop and wait rule on an injected clock.
#include <map>
#include <utility>

#include <gtest/gtest.h>

#include "pages/logic/ad_column.h"
#include "pages/logic/ad_conversion_time.h"
#include "pages/logic/ad_sampler.h"

using namespace page_logic;

namespace {

std::vector<ad_sample> read_samples(std::initializer_list<int32_t> values)
{
    std::vector<ad_sample> samples;
    for (int32_t value : values)
        samples.push_back({value, true});
    return samples;
}

std::vector<std::string> summary(const std::vector<std::string>& cells)
{
    return {cells.end() - 6, cells.end()};
}

} // namespace

TEST(ad_sample_cells, give_count_and_volts_by_mode_with_the_count_padded_to_four)
{
    double c12 = volts_per_count(ad_precision::bits12, 10.0);
    EXPECT_EQ(sample_cell(ad_precision::bits12, 2048, c12), "2048(5.0000V)");
    EXPECT_EQ(sample_cell(ad_precision::bits12, 512, c12), " 512(1.2500V)");
    EXPECT_EQ(sample_cell(ad_precision::bits16, 65535, volts_per_count(ad_precision::bits16, 10.0)), "65535(10.0000V)");
    // the range does not count in 24-bit mode
    double c24 = volts_per_count(ad_precision::bits24, 3.0);
    EXPECT_EQ(sample_cell(ad_precision::bits24, 0, c24), "   0(-25.00000000V)");
    EXPECT_EQ(sample_cell(ad_precision::bits24, 1 << 23, c24), "8388608(0.00000000V)");
}

TEST(ad_sample_cells, take_two_bytes_unsigned_and_four_bytes_signed)
{
    const uint8_t bytes[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(sample_from_bytes(ad_precision::bits16, bytes), 65535);
    EXPECT_EQ(sample_from_bytes(ad_precision::bits24, bytes), -1);
    EXPECT_EQ(sample_object(ad_precision::bits12, 3).index, 0x2013);
    ad_sample_object ad24 = sample_object(ad_precision::bits24, 3);
    EXPECT_EQ(ad24.index, 0x3028);
    EXPECT_EQ(ad24.subindex, 4);
    EXPECT_EQ(ad24.size, 4u);
}

TEST(ad_column, counts_only_read_samples_in_the_summary)
{
    ad_column_input input;
    input.samples = {{100, true}, {0, false}, {102, true}};
    input.rows = 3;
    input.input_volts = 0.25;
    std::vector<std::string> cells = ad_column_cells(input);
    ASSERT_EQ(cells.size(), 9u);
    EXPECT_EQ(cells[1], "读失败");
    EXPECT_EQ(summary(cells),
              (std::vector<std::string>{"101.00(0.2466V)", "102.40(0.2500V)", "-1.40(-0.0034V)", "102(0.2490V)",
                                        "100(0.2441V)", "2(0.0049V)"}));
}

TEST(ad_column, with_no_sample_read_keeps_the_maximum_start_and_a_zero_minimum)
{
    ad_column_input input;
    input.samples = {{0, false}, {0, false}};
    input.rows = 2;
    std::vector<std::string> cells = summary(ad_column_cells(input));
    EXPECT_EQ(cells[0], "0.00(0.0000V)");
    EXPECT_EQ(cells[3], "-83886070(-204799.9756V)");
    EXPECT_EQ(cells[4], "0(0.0000V)");
    EXPECT_EQ(cells[5], "-83886070(-204799.9756V)");
}

TEST(ad_column, leaves_the_rows_of_samples_not_taken_empty)
{
    ad_column_input input;
    input.samples = read_samples({7, 9});
    input.rows = 4;
    std::vector<std::string> cells = ad_column_cells(input);
    EXPECT_EQ(cells[1], "   9(0.0220V)");
    EXPECT_EQ(cells[2], "");
    EXPECT_EQ(cells[3], "");
    EXPECT_EQ(cells[4], "8.00(0.0195V)");
}

TEST(ad_column, shows_24_bit_input_and_difference_as_counts_of_the_offset_scale)
{
    ad_column_input input;
    input.precision = ad_precision::bits24;
    // 1 V is 2^23 + 2^23 / 25 = 8724152.32 counts
    input.samples = read_samples({8724152, 8724154});
    input.rows = 2;
    input.input_volts = 1.0;
    std::vector<std::string> cells = summary(ad_column_cells(input));
    EXPECT_EQ(cells[0], "8724153.00(1.00000203V)");
    EXPECT_EQ(cells[1], "8724152.32(1.00000000V)");
    EXPECT_EQ(cells[2], "0.68(0.00000203V)");
    EXPECT_EQ(cells[3], "8724154(1.00000501V)");
    EXPECT_EQ(cells[5], "2(0.00000596V)");
}

TEST(ad_column, labels_rows_and_columns)
{
    EXPECT_EQ(ad_sample_label(0), "1：");
    EXPECT_EQ(ad_column_header(12), "第12次");
    EXPECT_EQ(ad_summary_labels.front(), "平均值：");
    EXPECT_EQ(ad_summary_labels.back(), "最大与最小差：");
}

TEST(ad_conversion_time, waits_only_for_conversions_longer_than_a_millisecond)
{
    EXPECT_FLOAT_EQ(conversion_time_ms(0), 0.04025f);
    EXPECT_FLOAT_EQ(conversion_time_ms(22), 400.0f);
    EXPECT_EQ(conversion_time_ms(23), 0.0f);
    EXPECT_EQ(conversion_time_ms(-1), 0.0f);
    EXPECT_EQ(ad24_wait_bound_ms(conversion_time_ms(10)), 0u);
    EXPECT_EQ(ad24_wait_bound_ms(conversion_time_ms(11)), 48u);
    EXPECT_EQ(ad24_wait_bound_ms(conversion_time_ms(14)), 176u);
    EXPECT_EQ(ad24_wait_bound_ms(conversion_time_ms(15)), 283u);
    EXPECT_EQ(ad24_wait_bound_ms(conversion_time_ms(20)), 3216u);
}

// A card on a fake clock: reads take read_ms, sleeps advance the clock.
class ad_sampler_test : public testing::Test {
protected:
    uint64_t now = 1000;
    uint32_t read_ms = 3;
    uint16_t rate_code = 10;
    bool rate_readable = true;
    std::map<std::pair<uint16_t, uint8_t>, int32_t> card;
    std::vector<uint64_t> read_starts;
    std::vector<uint32_t> sleeps;
    std::atomic<bool> stop{false};
    int stop_after = 0;
    std::vector<int> progress;

    ad_sampler sampler{[this](uint16_t index, uint8_t subindex, uint8_t* target, size_t size) {
                           now += read_ms;
                           if (index == ad_rate_index && subindex == ad_rate_subindex) {
                               if (!rate_readable)
                                   return false;
                               target[0] = uint8_t(rate_code);
                               target[1] = uint8_t(rate_code >> 8);
                               return size == 2;
                           }
                           read_starts.push_back(now - read_ms);
                           auto value = card.find({index, subindex});
                           if (value == card.end())
                               return false;
                           for (size_t i = 0; i < size; ++i)
                               target[i] = uint8_t(uint32_t(value->second) >> (8 * i));
                           return true;
                       },
                       [this] { return now; },
                       [this](uint32_t ms) {
                           sleeps.push_back(ms);
                           now += ms;
                       }};

    std::vector<ad_sample> run(ad_precision precision, int channel, int count)
    {
        return sampler.run({precision, channel, count}, stop, [this](int taken) {
            progress.push_back(taken);
            if (taken == stop_after)
                stop = true;
        });
    }
};

TEST_F(ad_sampler_test, reads_the_mode_object_of_the_channel_and_marks_failures)
{
    card[{0x2011, 0}] = 0x0ABC;
    std::vector<ad_sample> samples = run(ad_precision::bits16, 1, 3);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_TRUE(samples[2].read);
    EXPECT_EQ(samples[2].value, 0x0ABC);
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(sleeps.empty());

    card.clear();
    card[{0x3028, 2}] = 8388608;
    samples = run(ad_precision::bits24, 0, 1);
    EXPECT_FALSE(samples[0].read);
    EXPECT_EQ(samples[0].value, 0);
    EXPECT_TRUE(run(ad_precision::bits24, 1, 1)[0].read);
}

TEST_F(ad_sampler_test, waits_more_than_the_bound_after_each_24_bit_sample_but_the_last)
{
    rate_code = 14;
    card[{0x3028, 1}] = 1;
    ASSERT_EQ(run(ad_precision::bits24, 0, 3).size(), 3u);
    ASSERT_EQ(read_starts.size(), 3u);
    for (size_t i = 1; i < read_starts.size(); ++i) {
        uint64_t since_read_end = read_starts[i] - (read_starts[i - 1] + read_ms);
        EXPECT_EQ(since_read_end, 177u);
    }
    for (uint32_t ms : sleeps)
        EXPECT_LE(ms, ad_sampler::sleep_slice_ms);
}

TEST_F(ad_sampler_test, does_not_wait_at_one_millisecond_nor_in_12_bit_mode_nor_without_a_rate_code)
{
    card[{0x3028, 1}] = 1;
    card[{0x2010, 0}] = 1;
    run(ad_precision::bits24, 0, 3);
    rate_code = 20;
    run(ad_precision::bits12, 0, 3);
    rate_readable = false;
    run(ad_precision::bits24, 0, 3);
    EXPECT_TRUE(sleeps.empty());
}

TEST_F(ad_sampler_test, stops_after_the_current_sample_also_during_a_wait)
{
    card[{0x2010, 0}] = 5;
    stop_after = 4;
    EXPECT_EQ(run(ad_precision::bits12, 0, 10).size(), 4u);

    stop = false;
    rate_code = 20;
    stop_after = 2;
    card[{0x3028, 1}] = 1;
    uint64_t start = now;
    EXPECT_EQ(run(ad_precision::bits24, 0, 10).size(), 2u);
    // the wait after the second sample ends at once
    EXPECT_LT(now - start, 2u * 3216u);
}

TEST_F(ad_sampler_test, reads_nothing_for_no_samples_or_when_stopped_before)
{
    EXPECT_TRUE(run(ad_precision::bits24, 0, 0).empty());
    stop = true;
    EXPECT_TRUE(run(ad_precision::bits12, 0, 5).empty());
    EXPECT_TRUE(read_starts.empty());
}
