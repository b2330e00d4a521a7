// The CAN mailbox with the jig's second node echoing every frame.
#include "jig_fixture.h"

#include "sim/cards/card_aborts.h"

namespace cardtest {
namespace {

using sim::cards::card_abort::value_range_exceeded;

class can_jig : public jig_fixture {
protected:
    void make_kova_h() { make("KOVA-H"); }
    uint32_t send(uint32_t identifier, uint16_t length, uint16_t format, uint16_t type, uint16_t trigger)
    {
        write(0, 0x2610, 2, identifier, 4);
        write(0, 0x2610, 4, length, 2);
        write(0, 0x2610, 5, format, 2);
        write(0, 0x2610, 6, type, 2);
        for (uint8_t word = 0; word < 16; ++word)
            write(0, 0x2612, uint8_t(word + 1), 0x03020100u + 0x04040404u * word, 4);
        return write(0, 0x2610, 1, trigger, 2);
    }
};

TEST_F(can_jig, sent_frames_come_back_from_the_second_node_in_order)
{
    make_kova_h();
    ASSERT_EQ(send(0x123, 8, 0, 0, 0xFFFF), 0u);
    ASSERT_EQ(send(0x1ABCDEF0, 12, 1, 0, 0x0000), 0u);
    EXPECT_EQ(send(0x7FF, 8, 0, 0, 0x0000), 0u) << "the same trigger value again";
    EXPECT_EQ(read(0, 0x2610, 3), 2u) << "sends nothing";
    EXPECT_EQ(read(0, 0x2611, 3), 2u);

    ASSERT_EQ(write(0, 0x2611, 1, 0xFFFF, 2), 0u);
    EXPECT_EQ(read(0, 0x2611, 2), 0x123u);
    EXPECT_EQ(read(0, 0x2611, 4), 8u);
    EXPECT_EQ(read(0, 0x2611, 5), 0u);
    EXPECT_EQ(read(0, 0x2613, 1), 0x03020100u);
    EXPECT_EQ(read(0, 0x2613, 2), 0x07060504u);
    EXPECT_EQ(read(0, 0x2613, 3), 0u) << "nothing beyond the frame's length";
    EXPECT_EQ(read(0, 0x2611, 3), 1u);

    ASSERT_EQ(write(0, 0x2611, 1, 0x0000, 2), 0u);
    EXPECT_EQ(read(0, 0x2611, 2), 0x1ABCDEF0u);
    EXPECT_EQ(read(0, 0x2611, 4), 12u);
    EXPECT_EQ(read(0, 0x2611, 5), 1u);
    EXPECT_EQ(read(0, 0x2613, 3), 0x0B0A0908u);
    EXPECT_EQ(read(0, 0x2611, 3), 0u);

    ASSERT_EQ(write(0, 0x2611, 1, 0x0001, 2), 0u);
    EXPECT_EQ(read(0, 0x2611, 4), 0u) << "asked with nothing waiting: an empty presentation";
}

TEST_F(can_jig, frames_no_can_controller_sends_are_refused)
{
    make_kova_h();
    EXPECT_EQ(send(1, 9, 0, 0, 1), value_range_exceeded) << "classic carries at most 8 bytes";
    EXPECT_EQ(send(1, 10, 1, 0, 2), value_range_exceeded) << "no FD payload of 10 bytes";
    EXPECT_EQ(send(1, 8, 1, 1, 3), value_range_exceeded) << "FD has no remote frames";
    EXPECT_EQ(send(0x20000000, 8, 0, 0, 4), value_range_exceeded);
    EXPECT_EQ(read(0, 0x2610, 3), 0u);
    EXPECT_EQ(send(1, 64, 1, 0, 5), 0u);
    EXPECT_EQ(send(1, 0, 0, 1, 6), 0u) << "a remote frame without data";
    EXPECT_EQ(write(0, 0x2609, 1, 2'000'000, 4), value_range_exceeded);
    EXPECT_EQ(write(0, 0x2609, 2, 2'000'000, 4), 0u);
}

TEST_F(can_jig, a_full_queue_loses_what_the_card_cannot_hold)
{
    make_kova_h();
    for (uint16_t trigger = 0; trigger < 70; ++trigger)
        ASSERT_EQ(send(trigger, 1, 0, 0, trigger), 0u);
    EXPECT_EQ(read(0, 0x2611, 3), 64u);
    EXPECT_EQ(bus->with_slave(0, [](sim::slave& s) { return sim::cards::card_of(s)->board().can()->lost(); }), 6u);
    write(0, 0x2611, 1, 0, 2);
    EXPECT_EQ(read(0, 0x2611, 2), 0u) << "the oldest frame first";
}

} // namespace
} // namespace cardtest
