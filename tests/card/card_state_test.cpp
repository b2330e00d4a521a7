// What a card keeps: counters moving with time, its flash settings, its AD clock.
#include "jig_fixture.h"

#include "sim/cards/card_aborts.h"

namespace cardtest {
namespace {

using sim::cards::card_abort::value_range_exceeded;

class card_state : public jig_fixture { };

TEST_F(card_state, encoder_and_counter_move_with_the_frames_and_clear_on_0_then_ffff)
{
    make("KOVA-H");
    uint64_t encoder = read(0, 0x2020, 0), counter = read(0, 0x2030, 0);
    frames(100);
    EXPECT_EQ(read(0, 0x2020, 0) - encoder, 300u);
    EXPECT_EQ(read(0, 0x2030, 0) - counter, 100u);

    ASSERT_EQ(write(0, 0x2400, 0, 0xFFFF, 2), 0u);
    EXPECT_GE(read(0, 0x2020, 0), 300u) << "0xFFFF alone clears nothing";
    write(0, 0x2400, 0, 0x0000, 2);
    EXPECT_GE(read(0, 0x2030, 0), 100u) << "0 only arms the clear";
    write(0, 0x2400, 0, 0xFFFF, 2);
    EXPECT_EQ(read(0, 0x2020, 0), 0u);
    EXPECT_EQ(read(0, 0x2030, 0), 0u);
    frames(2);
    EXPECT_EQ(read(0, 0x2020, 0), 6u);
}

TEST_F(card_state, the_encoder_of_an_io_card_counts_only_while_enabled)
{
    make("ZEIO");
    frames(10);
    uint64_t moving = read(0, 0x2020, 0);
    EXPECT_GT(moving, 0u);
    write(0, 0x6003, 0, 0, 2);
    write(0, 0x6100, 0, 10, 2);
    write(0, 0x6000, 0, 255, 2);
    EXPECT_EQ(read(0, 0x3034, 0), 0u);
    frames(10);
    EXPECT_EQ(read(0, 0x2020, 0), 0u) << "cleared by the restart, still since";
}

TEST_F(card_state, settings_survive_a_restart_only_when_saved_to_flash)
{
    make("ZEIO");
    auto stage = [&](uint16_t mode, uint16_t rate, uint16_t latch) {
        ASSERT_EQ(write(0, 0x6001, 1, mode, 2), 0u);
        ASSERT_EQ(write(0, 0x6001, 2, rate, 2), 0u);
        ASSERT_EQ(write(0, 0x6005, 0, 0x0003, 2), 0u);
        ASSERT_EQ(write(0, 0x3036, 5, latch, 2), 0u);
    };
    stage(0x0101, 14, 0x0025);
    EXPECT_EQ(read(0, 0x3029, 1), 0x5555u) << "staged words wait for the restart";
    EXPECT_EQ(read(0, 0x3036, 5), 0x0025u) << "latch words run at once";
    ASSERT_EQ(write(0, 0x6100, 0, 10, 2), 0u);
    write(0, 0x2300, 0, 0x00FF, 2);
    ASSERT_EQ(write(0, 0x6000, 0, 255, 2), 0u);
    EXPECT_EQ(read(0, 0x3029, 1), 0x0101u);
    EXPECT_EQ(read(0, 0x3029, 2), 14u);
    EXPECT_EQ(read(0, 0x3031, 0), 0x0003u);
    EXPECT_EQ(read(0, 0x3036, 5), 0x0025u);
    EXPECT_EQ(read(0, 0x2000, 0), 0u) << "a restart switches the outputs off";

    stage(0x4444, 3, 0x0071);
    ASSERT_EQ(write(0, 0x6000, 0, 255, 2), 0u);
    EXPECT_EQ(read(0, 0x3029, 1), 0x0101u) << "not saved, so gone";
    EXPECT_EQ(read(0, 0x6001, 1), 0x0101u);
    EXPECT_EQ(read(0, 0x3036, 5), 0x0025u);

    EXPECT_EQ(write(0, 0x6100, 0, 9, 2), value_range_exceeded);
    EXPECT_EQ(write(0, 0x6000, 0, 254, 2), value_range_exceeded);
    EXPECT_EQ(write(0, 0x6001, 2, 23, 2), sim::cards::card_abort::value_too_high);
}

TEST_F(card_state, the_ad_clock_changes_only_when_applied_and_only_to_a_clock_that_runs)
{
    make("KOVA-AD");
    const uint32_t pll_72mhz[] = {1, 5, 72, 5, 16, 2};
    for (uint8_t sub = 1; sub <= 6; ++sub)
        ASSERT_EQ(write(0, 0x2120, sub, pll_72mhz[sub - 1], 4), 0u);
    EXPECT_EQ(read(0, 0x2120, 3), 80u) << "staged, not yet running";
    EXPECT_EQ(write(0, 0x2121, 0, 0x1234, 2), value_range_exceeded);
    ASSERT_EQ(write(0, 0x2121, 0, 0x6C3B, 2), 0u);
    for (uint8_t sub = 1; sub <= 6; ++sub)
        EXPECT_EQ(read(0, 0x2120, sub), pll_72mhz[sub - 1]);

    write(0, 0x2120, 2, 3, 4);
    write(0, 0x2120, 3, 20, 4);
    write(0, 0x2120, 4, 2, 4); // 83.3 MHz, above what the converter takes
    EXPECT_EQ(write(0, 0x2121, 0, 0x6C3B, 2), value_range_exceeded);
    write(0, 0x2120, 4, 3, 4);
    write(0, 0x2120, 6, 5, 4); // no such prescaler
    EXPECT_EQ(write(0, 0x2121, 0, 0x6C3B, 2), value_range_exceeded);
    EXPECT_EQ(read(0, 0x2120, 2), 5u);

    write(0, 0x2120, 1, 0, 4); // the 25 MHz reference ignores the PLL values
    write(0, 0x2120, 2, 0, 4);
    write(0, 0x2120, 6, 4, 4);
    EXPECT_EQ(write(0, 0x2121, 0, 0x6C3B, 2), 0u);
    EXPECT_EQ(read(0, 0x2120, 1), 0u);
}

} // namespace
} // namespace cardtest
