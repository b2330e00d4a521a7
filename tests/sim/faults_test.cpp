// Faults on demand at the bus level, and replaying a run from its seed.
#include <gtest/gtest.h>

#include "bus_driver.h"
#include "frame_rules.h"
#include "sim/description/generic_slaves.h"

using namespace simtest;

namespace {

std::vector<bool> drop_pattern(uint64_t seed, size_t frames)
{
    sim::bus segment(seed);
    segment.add_slave(sim::generic_coe_slave());
    segment.set_drop_probability(0.3);
    std::vector<uint8_t> frame = build_frame({physical(BRD, 0, 0x0130, {0, 0})});
    std::vector<bool> answered;
    for (size_t i = 0; i < frames; ++i)
        answered.push_back(!segment.transmit(frame.data(), frame.size()).empty());
    return answered;
}

std::vector<uint8_t> reply_index(const std::vector<std::vector<uint8_t>>& replies)
{
    std::vector<uint8_t> indexes;
    for (const auto& reply : replies)
        indexes.push_back(parse_frame(reply).at(0).index);
    return indexes;
}

} // namespace

TEST(drop_fault, loses_about_the_asked_share_and_replays_exactly_from_the_seed)
{
    std::vector<bool> first = drop_pattern(7, 4000);
    size_t lost = size_t(std::count(first.begin(), first.end(), false));
    EXPECT_GT(lost, 1000u);
    EXPECT_LT(lost, 1400u);
    EXPECT_EQ(drop_pattern(7, 4000), first);
    EXPECT_NE(drop_pattern(8, 4000), first);
}

TEST(delay_fault, a_reply_leaves_only_after_the_given_number_of_further_frames)
{
    sim::bus segment;
    segment.add_slave(sim::generic_coe_slave());
    segment.set_reply_delay(2);
    std::vector<std::vector<uint8_t>> out;
    for (uint8_t index = 0; index < 4; ++index) {
        datagram read = physical(BRD, 0, 0x0130, {0, 0});
        read.index = index;
        std::vector<uint8_t> frame = build_frame({read});
        out.push_back(reply_index(segment.transmit(frame.data(), frame.size())));
    }
    EXPECT_EQ(out, (std::vector<std::vector<uint8_t>>{{}, {}, {0}, {1}}));
}

TEST(link_fault, nothing_comes_back_while_the_link_is_down)
{
    sim::bus segment;
    segment.add_slave(sim::generic_coe_slave());
    bus_driver driver(segment);
    segment.set_link(false);
    EXPECT_FALSE(segment.link_up());
    EXPECT_FALSE(driver.exchange(std::vector<datagram>{physical(BRD, 0, 0x0130, {0, 0})}));
    segment.set_link(true);
    EXPECT_EQ(driver.brd(0x0130, 2).working_counter, 1);
    EXPECT_EQ(segment.counters().dropped, 1u);
}

TEST(corruption_fault, the_next_replies_carry_a_datagram_length_that_does_not_fit)
{
    sim::bus segment;
    segment.add_slave(sim::generic_coe_slave());
    segment.corrupt_datagram_lengths(1);
    std::vector<uint8_t> frame = build_frame({physical(BRD, 0, 0x0130, {0, 0})});
    auto corrupted = segment.transmit(frame.data(), frame.size());
    ASSERT_EQ(corrupted.size(), 1u);
    EXPECT_FALSE(well_formed(corrupted[0]));
    auto clean = segment.transmit(frame.data(), frame.size());
    ASSERT_EQ(clean.size(), 1u);
    EXPECT_TRUE(well_formed(clean[0]));
}

TEST(seed, the_same_seed_gives_the_same_clocks)
{
    auto latched = [](uint64_t seed) {
        sim::bus segment(seed);
        segment.add_slave(sim::generic_coe_slave());
        segment.add_slave(sim::generic_coe_slave());
        bus_driver driver(segment);
        driver.assign_addresses(2);
        driver.bwr(0x0900, {0});
        return driver.fprd(0x1002, 0x0900, 4).data;
    };
    EXPECT_EQ(latched(3), latched(3));
    EXPECT_NE(latched(3), latched(4));
}
