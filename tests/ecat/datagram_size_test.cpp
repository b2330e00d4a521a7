// Datagrams larger than a frame can carry: refused where they are made, failed where they
// would block the queue, and never copied past a ring slot.
#include <cstring>

#include "ecat/result.h"
#include "ecat/fsm/slave_request.h"
#include "ecat/master.h"
#include "support/master_fixture.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

class oversized_datagrams : public testsupport::master_fixture { };

TEST_F(oversized_datagrams, preparation_refuses_more_than_one_datagram_can_hold)
{
    datagram d;
    EXPECT_EQ(datagram_fprd(d, 1, 0x1000, max_datagram_data), 0);
    EXPECT_EQ(datagram_fprd(d, 1, 0x1000, max_datagram_data + 1), -139);
    EXPECT_EQ(datagram_fpwr(d, 1, 0x1000, 2048), -139);
    EXPECT_EQ(d.capacity, max_datagram_data) << "the buffer is not grown for a refused size";
}

TEST_F(oversized_datagrams, one_that_fits_no_frame_fails_and_the_ones_behind_it_go_out)
{
    datagram big, small;
    ASSERT_EQ(datagram_reserve(big, 2048), 0); // as an older caller could still make it
    big.type = datagram_type::FPRD;
    big.data_size = 2048;
    ASSERT_EQ(datagram_brd(small, 0x0130, 2), 0);
    master_queue_datagram(inside(*m), big);
    master_queue_datagram(inside(*m), small);
    master_send_frames(inside(*m), 0);
    EXPECT_EQ(big.state, datagram_state::error);
    EXPECT_EQ(small.state, datagram_state::sent);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_FALSE(inside(*m).queue.contains(big));
}

// A slave announcing a mailbox larger than a datagram, with a request queued, on a master
// whose link is down so that every datagram fails at the send step and is carried over.
TEST_F(oversized_datagrams, a_mailbox_larger_than_a_datagram_gets_no_coe_and_nothing_is_overrun)
{
    inside(*m).slaves.reset(new slave[1]);
    slave& s = inside(*m).slaves[0];
    slave_init(s, inside(*m), 0, 0, 1);
    inside(*m).slave_count = 1;
    s.mailbox_protocols = mailbox_protocol_coe;
    s.current_al_state = 2;
    s.configured_rx_mailbox_offset = 0x1000;
    s.configured_rx_mailbox_size = 2048;
    s.configured_tx_mailbox_offset = 0x1800;
    s.configured_tx_mailbox_size = 2048;
    slave_request_init(s.request_machine, s);
    slave_request_set_ready(s.request_machine);

    sdo_request request;
    sdo_request_set_object(request, 0x1009, 0);
    request.direction = sdo_direction::upload;
    request.state = request_state::queued;
    s.sdo_requests.push_back(request);
    inside(*m).main_device.link = 0;
    for (int tick = 0; tick < 30 && request.state != request_state::failure; ++tick)
        master_cycle_tick(inside(*m));
    EXPECT_EQ(request.state, request_state::failure);
    EXPECT_EQ(request.failure, ecat::result::too_large);
    for (const datagram& slot : inside(*m).ext_ring)
        EXPECT_LE(slot.capacity, max_datagram_data);
    inside(*m).slave_count = 0;
    inside(*m).slaves.reset();
}

} // namespace
