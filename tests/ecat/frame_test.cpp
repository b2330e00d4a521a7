#include <cstring>

#include "ecat/master.h"
#include "support/master_fixture.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

class frame_assembly : public testsupport::master_fixture { };

TEST_F(frame_assembly, short_frame_is_padded_to_sixty_bytes)
{
    datagram d;
    ASSERT_EQ(datagram_brd(d, 0x0130, 8), 0); // 10 + 8 + 2 = 20 bytes of datagram
    master_queue_datagram(inside(*m), d);
    master_send_frames(inside(*m), 0);

    ASSERT_EQ(frames.size(), 1u);
    const auto& frame = frames[0];
    ASSERT_EQ(frame.size(), 60u);
    EXPECT_EQ(read_u16(&frame[14]), 0x1000 | 20); // type 1, 20 bytes of datagrams
    for (size_t i = 14 + 22; i < 60; ++i)
        EXPECT_EQ(frame[i], 0) << "padding byte " << i;
    EXPECT_EQ(0, std::memcmp(&frame[6], own_mac, 6));
    EXPECT_EQ(frame[12], 0x88);
    EXPECT_EQ(frame[13], 0xA4);
    EXPECT_EQ(d.state, datagram_state::sent);
}

TEST_F(frame_assembly, datagrams_that_do_not_fit_travel_in_a_second_frame_of_the_other_buffer)
{
    datagram first, second;
    datagram_fprd(first, 1, 0x1000, 740);
    datagram_fprd(second, 2, 0x1000, 740);
    master_queue_datagram(inside(*m), first);
    master_queue_datagram(inside(*m), second);
    master_send_frames(inside(*m), 0);

    ASSERT_EQ(frames.size(), 2u);
    EXPECT_NE(buffers_used[0], buffers_used[1]);
    EXPECT_EQ(read_u16(&frames[0][14]) & 0x07FF, 752);
    EXPECT_EQ(read_u16(&frames[1][14]) & 0x07FF, 752);
    EXPECT_EQ(first.state, datagram_state::sent);
    EXPECT_EQ(second.state, datagram_state::sent);
    EXPECT_NE(first.index, second.index);
}

TEST_F(frame_assembly, several_datagrams_are_chained_with_the_more_bit)
{
    datagram a, b, c;
    datagram_brd(a, 0x0130, 2);
    datagram_fprd(b, 1, 0x0130, 2);
    datagram_fpwr(c, 1, 0x0120, 2);
    for (datagram* d : {&a, &b, &c})
        master_queue_datagram(inside(*m), *d);
    master_send_frames(inside(*m), 0);
    ASSERT_EQ(frames.size(), 1u);
    const uint8_t* p = &frames[0][16];
    EXPECT_TRUE(read_u16(p + 6) & 0x8000);
    EXPECT_TRUE(read_u16(p + 14 + 6) & 0x8000);
    EXPECT_FALSE(read_u16(p + 28 + 6) & 0x8000);
}

TEST_F(frame_assembly, replies_are_matched_and_writes_keep_their_data)
{
    datagram read, write;
    datagram_fprd(read, 1, 0x0130, 2);
    datagram_zero(read);
    datagram_fpwr(write, 1, 0x0120, 2);
    write.data[0] = 0x12;
    write.data[1] = 0x34;
    master_queue_datagram(inside(*m), read);
    master_queue_datagram(inside(*m), write);
    master_send_frames(inside(*m), 0);
    inside(*m).main_device.poll_time = 4242;

    auto reply = answer(frames[0], 1, 0xAB);
    master_receive_frame(inside(*m), reply.data(), reply.size());

    EXPECT_EQ(read.state, datagram_state::received);
    EXPECT_EQ(read.working_counter, 1);
    EXPECT_EQ(read.data[0], 0xAB);
    EXPECT_EQ(read.received_time, 4242u);
    EXPECT_EQ(write.state, datagram_state::received);
    EXPECT_EQ(write.working_counter, 1);
    EXPECT_EQ(write.data[0], 0x12);
    EXPECT_EQ(write.data[1], 0x34);
    EXPECT_TRUE(inside(*m).queue.empty());
}

TEST_F(frame_assembly, a_reply_of_another_size_matches_nothing_and_the_datagram_times_out)
{
    datagram d;
    datagram_fprd(d, 1, 0x0130, 2);
    master_queue_datagram(inside(*m), d);
    master_send_frames(inside(*m), 0);
    auto reply = answer(frames[0], 1, 0);
    write_u16(&reply[2 + 6], 1); // the slave claims one byte
    master_receive_frame(inside(*m), reply.data(), reply.size());
    EXPECT_EQ(d.state, datagram_state::sent);

    master_timeout_datagrams(inside(*m));
    EXPECT_EQ(d.state, datagram_state::timed_out);
    EXPECT_FALSE(d.queue_link.linked());
}

TEST_F(frame_assembly, a_late_reply_for_a_timed_out_datagram_matches_nothing)
{
    datagram d;
    datagram_fprd(d, 1, 0x0130, 2);
    master_queue_datagram(inside(*m), d);
    master_send_frames(inside(*m), 0);
    master_timeout_datagrams(inside(*m));
    auto reply = answer(frames[0], 1, 0x55);
    master_receive_frame(inside(*m), reply.data(), reply.size());
    EXPECT_EQ(d.state, datagram_state::timed_out);
    EXPECT_EQ(d.working_counter, 0);
}

TEST_F(frame_assembly, truncated_and_lying_frames_are_dropped)
{
    datagram d;
    datagram_fprd(d, 1, 0x0130, 2);
    master_queue_datagram(inside(*m), d);
    master_send_frames(inside(*m), 0);
    auto reply = answer(frames[0], 1, 0x55);

    master_receive_frame(inside(*m), reply.data(), 1);
    write_u16(&reply[0], 0x1000 | 0x7FF); // header longer than the frame
    master_receive_frame(inside(*m), reply.data(), reply.size());
    auto cut = answer(frames[0], 1, 0x55);
    master_receive_frame(inside(*m), cut.data(), 2 + 10 + 1); // datagram runs past the end
    EXPECT_EQ(d.state, datagram_state::sent);
}

TEST_F(frame_assembly, the_index_wraps_on_the_wire_after_256_datagrams)
{
    datagram d;
    datagram_fprd(d, 1, 0x0130, 2);
    std::vector<uint8_t> wire_indices;
    for (int i = 0; i < 258; ++i) {
        master_queue_datagram(inside(*m), d);
        master_send_frames(inside(*m), 0);
        wire_indices.push_back(frames.back()[14 + 2 + 1]);
        if (i < 257)
            master_timeout_datagrams(inside(*m));
    }
    EXPECT_EQ(wire_indices[0], 0);
    EXPECT_EQ(wire_indices[255], 255);
    EXPECT_EQ(wire_indices[256], 0);
    EXPECT_EQ(wire_indices[257], 1);

    // a reply to the wrapped index still finds the datagram now on the wire
    auto reply = answer(frames.back(), 1, 0x11);
    master_receive_frame(inside(*m), reply.data(), reply.size());
    EXPECT_EQ(d.state, datagram_state::received);
}

TEST_F(frame_assembly, queueing_twice_counts_a_skip_and_keeps_one_entry)
{
    datagram d;
    datagram_brd(d, 0x0130, 2);
    master_queue_datagram(inside(*m), d);
    master_queue_datagram(inside(*m), d);
    EXPECT_EQ(d.skip_count, 1);
    EXPECT_EQ(inside(*m).queue.size(), 1u);
}

TEST_F(frame_assembly, a_datagram_still_on_the_wire_goes_out_again_with_a_new_index)
{
    datagram d;
    datagram_brd(d, 0x0130, 2);
    master_queue_datagram(inside(*m), d);
    master_send_frames(inside(*m), 0);
    uint32_t first_index = d.index;
    master_send_frames(inside(*m), 0);
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_NE(d.index, first_index);
}

TEST_F(frame_assembly, a_send_between_ticks_leaves_what_waits_for_its_reply_alone)
{
    // an extra exchange inside a tick sends only the newly queued datagram: one sent
    // earlier in the tick keeps its index, so its reply still matches
    datagram waiting, fresh;
    datagram_brd(waiting, 0x0130, 2);
    datagram_fprd(fresh, 1, 0x0502, 10);
    master_queue_datagram(inside(*m), waiting);
    master_send_frames(inside(*m), 0);
    uint32_t waiting_index = waiting.index;
    master_queue_datagram(inside(*m), fresh);
    master_send_frames(inside(*m), 0, false);

    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(read_u16(&frames[1][14]) & 0x07FF, 10 + 10 + 2) << "the second frame holds only the fresh datagram";
    EXPECT_EQ(waiting.index, waiting_index);
    EXPECT_EQ(waiting.state, datagram_state::sent);
    EXPECT_EQ(fresh.state, datagram_state::sent);
}

TEST(datagram_records, preparation_grows_only_internal_buffers)
{
    datagram d;
    ASSERT_EQ(datagram_fprd(d, 7, 0x0910, 8), 0);
    EXPECT_EQ(d.capacity, 8u);
    uint8_t* buffer = d.data;
    ASSERT_EQ(datagram_fprd(d, 7, 0x0910, 4), 0);
    EXPECT_EQ(d.data, buffer) << "a smaller size keeps the buffer";
    EXPECT_EQ(read_u16(d.address), 7);
    EXPECT_EQ(read_u16(d.address + 2), 0x0910);

    uint8_t lent[4] = {};
    datagram_attach_external(d, lent, sizeof lent);
    EXPECT_EQ(datagram_fprd(d, 7, 0, 4), 0);
    EXPECT_EQ(datagram_fprd(d, 7, 0, 16), -12) << "lent memory is never replaced nor overrun";
    EXPECT_EQ(d.data, lent);

    datagram a;
    datagram_apwr(a, 3, 0x0010, 2);
    EXPECT_EQ(read_u16(a.address), static_cast<uint16_t>(-3));
    EXPECT_STREQ(datagram_type_name(datagram_type::FRMW), "FRMW");
    EXPECT_STREQ(datagram_type_name(static_cast<datagram_type>(15)), "?");
}

} // namespace
