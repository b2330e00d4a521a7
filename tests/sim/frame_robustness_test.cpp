// Malformed frames are dropped without touching any slave; the bus goes on as before.
#include <gtest/gtest.h>

#include "bus_driver.h"
#include "frame_rules.h"
#include "sim/description/generic_slaves.h"

using namespace simtest;

namespace {

struct malformed_frames : ::testing::Test {
    void SetUp() override
    {
        for (uint32_t serial = 1; serial <= 3; ++serial)
            segment.add_slave(sim::generic_coe_slave(serial));
        driver.assign_addresses(3);
    }
    bool answered(const std::vector<uint8_t>& frame) { return !segment.transmit(frame.data(), frame.size()).empty(); }
    void expect_bus_untouched()
    {
        EXPECT_EQ(u16(driver.fprd(0x1001, 0x0010, 2).data), 0x1001);
        EXPECT_EQ(driver.brd(0x0130, 2).working_counter, 3);
    }

    sim::bus segment;
    bus_driver driver{segment};
    // would move slave 0 to another station address if it were processed
    std::vector<uint8_t> valid = build_frame({physical(APWR, 0, 0x0010, le16(0x0BAD))});
};

} // namespace

TEST_F(malformed_frames, truncated_frames_are_dropped_whole)
{
    const size_t datagrams_end = 16 + 10 + 2 + 2;
    for (size_t length = 0; length < datagrams_end; ++length) {
        std::vector<uint8_t> cut(valid.begin(), valid.begin() + long(length));
        EXPECT_FALSE(answered(cut)) << "cut at " << length;
    }
    expect_bus_untouched();
    // only padding removed: still a complete frame
    std::vector<uint8_t> unpadded(valid.begin(), valid.begin() + long(datagrams_end));
    EXPECT_TRUE(answered(unpadded));
}

TEST_F(malformed_frames, lengths_that_overrun_or_underfill_the_frame_are_dropped)
{
    std::vector<uint8_t> overrun = valid;
    overrun[22] = 100; // datagram claims 100 data bytes
    EXPECT_FALSE(answered(overrun));

    std::vector<uint8_t> header_too_long = valid;
    header_too_long[14] = 0xFF;
    header_too_long[15] = 0x17;
    EXPECT_FALSE(answered(header_too_long));

    std::vector<uint8_t> more_than_there_is = valid;
    more_than_there_is[23] |= 0x80; // "another datagram follows"
    EXPECT_FALSE(answered(more_than_there_is));

    std::vector<uint8_t> header_too_short =
        build_frame({physical(BRD, 0, 0x0130, {0, 0}), physical(BRD, 0, 0x0130, {0, 0})});
    header_too_short[14] = uint8_t(header_too_short[14] + 2);
    EXPECT_FALSE(answered(header_too_short));

    std::vector<uint8_t> huge = build_frame({physical(BRD, 0, 0x1000, std::vector<uint8_t>(1486))});
    EXPECT_EQ(huge.size(), 1514u);
    EXPECT_TRUE(answered(huge));
    huge.push_back(0);
    EXPECT_FALSE(answered(huge));
    expect_bus_untouched();
}

TEST_F(malformed_frames, frames_that_are_not_ethercat_datagrams_are_dropped)
{
    std::vector<uint8_t> ip = valid;
    ip[12] = 0x08;
    ip[13] = 0x00;
    EXPECT_FALSE(answered(ip));

    std::vector<uint8_t> other_type = valid;
    other_type[15] = uint8_t((other_type[15] & 0x07) | 0x40); // type 4, network variables
    EXPECT_FALSE(answered(other_type));

    std::vector<uint8_t> reserved = valid;
    reserved[23] |= 0x08;
    EXPECT_FALSE(answered(reserved));
    expect_bus_untouched();
}

TEST_F(malformed_frames, replies_keep_the_frame_and_mark_the_source_address)
{
    std::vector<uint8_t> frame = build_frame({physical(BRD, 0, 0x0130, {0, 0})});
    auto replies = segment.transmit(frame.data(), frame.size());
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].size(), frame.size());
    EXPECT_EQ(replies[0][6], frame[6] | 0x02);
    EXPECT_TRUE(std::equal(frame.begin() + 7, frame.begin() + 16, replies[0].begin() + 7));
    EXPECT_TRUE(well_formed(replies[0]));
}
