// The CoE transfer machine driven through its datagram, one exchange at a time.
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "ecat/result.h"
#include "ecat/fsm/coe.h"
#include "ecat/master.h"
#include "platform/clock.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

class coe_machine : public ::testing::Test {
protected:
    void SetUp() override
    {
        const uint8_t mac[6] = {0, 1, 2, 3, 4, 5};
        ASSERT_EQ(master_init(inside(*m), 0, mac), 0);
        slave_init(s, inside(*m), 0, 0, 1);
        s.mailbox_protocols = mailbox_protocol_coe;
        s.configured_rx_mailbox_offset = 0x1000;
        s.configured_rx_mailbox_size = 128;
        s.configured_tx_mailbox_offset = 0x1080;
        s.configured_tx_mailbox_size = 128;
        s.current_al_state = 2;
        s.mailbox_settled = true; // most cases start from an empty send mailbox
        request.response_timeout_ms = 1000;
    }
    void TearDown() override { master_clear(inside(*m)); }

    void begin(sdo_direction direction, uint16_t index, uint8_t subindex)
    {
        sdo_request_set_object(request, index, subindex);
        request.direction = direction;
        coe_start(fsm, s, request);
        fsm.dgram = &d;
        coe_exec(fsm);
    }

    // The slave answers the datagram on the wire with a counter and, for reads, data.
    void answer(uint16_t working_counter, const std::vector<uint8_t>& data = {})
    {
        uint32_t now = platform::tick_ms();
        d.sent_time = now;
        d.received_time = now;
        d.working_counter = working_counter;
        d.state = datagram_state::received;
        if (!data.empty())
            std::memcpy(d.data, data.data(), std::min(data.size(), d.data_size));
        coe_exec(fsm);
    }

    // Mailbox write taken, status full, then the fetched mailbox holds `coe`.
    void slave_replies(const std::vector<uint8_t>& coe)
    {
        answer(1); // the request written into the receive mailbox
        ASSERT_EQ(d.type, datagram_type::FPRD);
        ASSERT_EQ(read_u16(d.address + 2), 0x0808);
        std::vector<uint8_t> status(8, 0);
        status[5] = 0x08;
        answer(1, status);
        ASSERT_EQ(read_u16(d.address + 2), 0x1080);
        answer(1, coe_mailbox(coe));
    }

    // A check in flight finds the mailbox full, and the fetch reads `coe`.
    void slave_replies_to_check(const std::vector<uint8_t>& coe)
    {
        ASSERT_EQ(read_u16(d.address + 2), 0x0808);
        std::vector<uint8_t> status(8, 0);
        status[5] = 0x08;
        answer(1, status);
        answer(1, coe_mailbox(coe));
    }

    // A fetched send mailbox holding the CoE message `coe`.
    static std::vector<uint8_t> coe_mailbox(const std::vector<uint8_t>& coe)
    {
        std::vector<uint8_t> mailbox(128, 0);
        write_u16(&mailbox[0], static_cast<uint16_t>(coe.size()));
        mailbox[5] = 0x03;
        std::copy(coe.begin(), coe.end(), mailbox.begin() + 6);
        return mailbox;
    }

    // The SDO part of the mailbox the master wrote.
    const uint8_t* written_sdo() const { return d.data + 6; }

    std::unique_ptr<master> m = std::make_unique<master>();
    slave s;
    sdo_request request;
    coe_transfer fsm;
    datagram d;
};

std::vector<uint8_t> sdo_response(uint8_t command, uint16_t index, uint8_t subindex, std::vector<uint8_t> rest)
{
    rest.insert(rest.begin(),
                {0x00, 0x30, command, static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8), subindex});
    return rest;
}

TEST_F(coe_machine, a_two_byte_expedited_upload_yields_two_bytes)
{
    begin(sdo_direction::upload, 0x2000, 0);
    EXPECT_EQ(d.type, datagram_type::FPWR);
    EXPECT_EQ(written_sdo()[2], 0x40);
    slave_replies(sdo_response(0x4B, 0x2000, 0, {0x34, 0x12, 0xEE, 0xEE}));
    ASSERT_TRUE(coe_done(fsm));
    ASSERT_EQ(request.data_size, 2u);
    EXPECT_EQ(read_u16(request.data), 0x1234);
}

TEST_F(coe_machine, a_five_byte_download_uses_the_normal_initiate)
{
    uint8_t five[5] = {1, 2, 3, 4, 5};
    sdo_request_copy_data(request, five, 5);
    begin(sdo_direction::download, 0x5001, 0);
    EXPECT_EQ(written_sdo()[2], 0x21);
    EXPECT_EQ(read_u32(written_sdo() + 6), 5u);
    EXPECT_EQ(read_u16(d.data), 15) << "service data: 10 + 5 bytes";
    EXPECT_EQ(0, std::memcmp(written_sdo() + 10, five, 5));
    slave_replies(sdo_response(0x60, 0x5001, 0, {0, 0, 0, 0}));
    EXPECT_TRUE(coe_done(fsm));
}

TEST_F(coe_machine, an_abort_stores_its_code_unless_it_is_too_short)
{
    begin(sdo_direction::upload, 0x7777, 0);
    std::vector<uint8_t> abort = {0x00, 0x20, 0x80, 0x77, 0x77, 0x00, 0x00, 0x00, 0x02, 0x06};
    slave_replies(abort);
    ASSERT_TRUE(coe_failed(fsm));
    EXPECT_EQ(request.failure, ecat::result::failed);
    EXPECT_EQ(request.abort_code, 0x06020000u);

    begin(sdo_direction::upload, 0x7777, 0);
    request.abort_code = 0xABCD;
    abort.resize(8);
    slave_replies(abort);
    ASSERT_TRUE(coe_failed(fsm));
    EXPECT_EQ(request.failure, ecat::result::failed);
    EXPECT_EQ(request.abort_code, 0xABCDu) << "an 8-byte abort carries no code";
}

TEST_F(coe_machine, an_emergency_while_waiting_does_not_end_the_transfer)
{
    begin(sdo_direction::upload, 0x2000, 0);
    std::vector<uint8_t> emergency = {0x00, 0x10, 0x00, 0x81, 0x11, 0, 0, 0, 0, 0};
    slave_replies(emergency);
    ASSERT_FALSE(coe_done(fsm) || coe_failed(fsm));
    EXPECT_EQ(read_u16(d.address + 2), 0x0808) << "it checks the mailbox again";
    std::vector<uint8_t> status(8, 0);
    status[5] = 0x08;
    answer(1, status);
    std::vector<uint8_t> mailbox(128, 0);
    auto response = sdo_response(0x4F, 0x2000, 0, {0x5A, 0, 0, 0});
    write_u16(&mailbox[0], static_cast<uint16_t>(response.size()));
    mailbox[5] = 0x03;
    std::copy(response.begin(), response.end(), mailbox.begin() + 6);
    answer(1, mailbox);
    ASSERT_TRUE(coe_done(fsm));
    EXPECT_EQ(request.data[0], 0x5A);
}

TEST_F(coe_machine, a_mailbox_length_beyond_the_mailbox_is_a_protocol_error)
{
    begin(sdo_direction::upload, 0x2000, 0);
    answer(1);
    std::vector<uint8_t> status(8, 0);
    status[5] = 0x08;
    answer(1, status);
    std::vector<uint8_t> mailbox(128, 0);
    write_u16(&mailbox[0], 123); // 123 + 6 > 128
    mailbox[5] = 0x03;
    answer(1, mailbox);
    // the slave is asked for the answer again, and hands over the same one every time
    for (int repeat = 0; repeat < 3; ++repeat) {
        ASSERT_FALSE(coe_failed(fsm));
        status[5] = 0x00;
        answer(1, status); // taken: request a repeat
        status[6] ^= 0x02;
        answer(1);
        status[5] = 0x08;
        status[7] = status[6];
        answer(1, status);
        answer(1, mailbox);
    }
    ASSERT_TRUE(coe_failed(fsm));
    EXPECT_EQ(request.failure, ecat::result::mailbox_error);
}

// An answer lost on its way back: read again while the slave still holds it, otherwise
// asked for again with SM1's repeat toggle, and fetched once the slave acknowledges.
TEST_F(coe_machine, a_lost_answer_is_read_again_or_repeated_by_the_slave)
{
    for (bool taken : {false, true}) {
        SCOPED_TRACE(taken ? "the read emptied the mailbox" : "the read never reached the slave");
        begin(sdo_direction::upload, 0x2000, 0);
        answer(1);
        std::vector<uint8_t> status(8, 0);
        status[5] = 0x08;
        status[6] = 0x01; // enabled, repeat bit clear
        answer(1, status);
        ASSERT_EQ(read_u16(d.address + 2), 0x1080);
        d.state = datagram_state::timed_out;
        coe_exec(fsm);
        ASSERT_EQ(read_u16(d.address + 2), 0x0808) << "SM1 is looked at before anything is read again";
        status[5] = taken ? 0x00 : 0x08;
        answer(1, status);
        if (taken) {
            ASSERT_EQ(d.type, datagram_type::FPWR);
            ASSERT_EQ(read_u16(d.address + 2), 0x080E);
            EXPECT_EQ(d.data[0], 0x03) << "the repeat bit toggled, the enable bit kept";
            answer(1);
            ASSERT_EQ(read_u16(d.address + 2), 0x0808);
            status[5] = 0x08; // full, but not yet acknowledged: the old content
            answer(1, status);
            ASSERT_EQ(read_u16(d.address + 2), 0x0808);
            status[7] = 0x02;
            answer(1, status);
        }
        ASSERT_EQ(read_u16(d.address + 2), 0x1080);
        answer(1, coe_mailbox(sdo_response(0x4B, 0x2000, 0, {0x34, 0x12, 0xEE, 0xEE})));
        ASSERT_TRUE(coe_done(fsm));
        EXPECT_EQ(read_u16(request.data), 0x1234);
    }
}

TEST_F(coe_machine, a_segment_beyond_the_announced_size_fails_without_overrun)
{
    begin(sdo_direction::upload, 0x5001, 0);
    // normal response: complete size 10, the first 4 bytes in this message
    slave_replies(sdo_response(0x41, 0x5001, 0, {10, 0, 0, 0, 1, 2, 3, 4}));
    ASSERT_FALSE(coe_done(fsm) || coe_failed(fsm));
    EXPECT_EQ(written_sdo()[2], 0x60) << "asks for the first segment";
    std::vector<uint8_t> segment = {0x00, 0x30, 0x00};
    segment.resize(3 + 20, 0x77); // 20 bytes where 6 remain
    slave_replies(segment);
    ASSERT_TRUE(coe_failed(fsm));
    EXPECT_EQ(request.failure, ecat::result::too_large);
    EXPECT_EQ(request.data_size, 4u);
}

TEST_F(coe_machine, a_segmented_upload_collects_every_segment)
{
    begin(sdo_direction::upload, 0x5001, 0);
    slave_replies(sdo_response(0x41, 0x5001, 0, {12, 0, 0, 0, 1, 2, 3, 4}));
    std::vector<uint8_t> first = {0x00, 0x30, 0x00, 5, 6, 7, 8, 9, 10, 11};
    slave_replies(first);
    ASSERT_FALSE(coe_done(fsm) || coe_failed(fsm));
    EXPECT_EQ(written_sdo()[2], 0x70) << "the toggle flips for the next segment";
    // last segment, toggle 1, one byte used of seven: six empty bytes
    std::vector<uint8_t> last = {0x00, 0x30, 0x1D, 12, 0, 0, 0, 0, 0, 0};
    slave_replies(last);
    ASSERT_TRUE(coe_done(fsm));
    ASSERT_EQ(request.data_size, 12u);
    for (uint8_t i = 0; i < 12; ++i)
        EXPECT_EQ(request.data[i], i + 1);
}

TEST_F(coe_machine, a_slave_without_coe_or_with_a_small_mailbox_is_refused_at_once)
{
    s.mailbox_protocols = 0;
    begin(sdo_direction::upload, 0x2000, 0);
    ASSERT_TRUE(coe_failed(fsm));
    EXPECT_EQ(request.failure, ecat::result::no_coe);

    s.mailbox_protocols = mailbox_protocol_coe;
    s.configured_rx_mailbox_size = 15;
    uint8_t one = 1;
    sdo_request_copy_data(request, &one, 1);
    begin(sdo_direction::download, 0x2000, 0);
    ASSERT_TRUE(coe_failed(fsm));
    EXPECT_EQ(request.failure, ecat::result::too_large);
}

TEST_F(coe_machine, a_lost_mailbox_check_is_sent_again_three_times)
{
    begin(sdo_direction::upload, 0x2000, 0);
    answer(1);
    for (int lost = 0; lost < 3; ++lost) {
        d.state = datagram_state::timed_out;
        coe_exec(fsm);
        ASSERT_FALSE(coe_failed(fsm)) << "retry " << lost;
        EXPECT_EQ(read_u16(d.address + 2), 0x0808);
    }
    d.state = datagram_state::timed_out;
    coe_exec(fsm);
    EXPECT_TRUE(coe_failed(fsm));
    EXPECT_EQ(request.failure, ecat::result::failed);
}

uint8_t mailbox_counter(const datagram& d)
{
    return (d.data[5] >> 4) & 0x07;
}

// The slave may still remember the counter of a request from before the scan: 0 first,
// which no slave takes for a repeat, then 1..7.
TEST_F(coe_machine, requests_are_numbered_from_zero_then_one_to_seven_and_a_rewrite_keeps_its_number)
{
    const uint8_t expected[] = {0, 1, 2, 3, 4, 5, 6, 7, 1, 2};
    for (uint8_t counter : expected) {
        begin(sdo_direction::upload, 0x2000, 0);
        ASSERT_EQ(d.type, datagram_type::FPWR);
        EXPECT_EQ(mailbox_counter(d), counter);
        EXPECT_EQ(d.data[5] & 0x0F, 0x03);
        d.state = datagram_state::timed_out; // the write was lost: written again unchanged
        coe_exec(fsm);
        EXPECT_EQ(mailbox_counter(d), counter);
        answer(0); // the mailbox was still full: written again within the time-out
        ASSERT_EQ(d.type, datagram_type::FPWR);
        EXPECT_EQ(mailbox_counter(d), counter);
        slave_replies(sdo_response(0x4F, 0x2000, 0, {1, 0, 0, 0}));
        ASSERT_TRUE(coe_done(fsm));
    }
}

TEST_F(coe_machine, losses_spread_over_a_long_wait_for_the_answer_do_not_fail_it)
{
    begin(sdo_direction::upload, 0x2000, 0);
    answer(1);
    std::vector<uint8_t> empty(8, 0);
    for (int round = 0; round < 10; ++round) {
        d.state = datagram_state::timed_out;
        coe_exec(fsm);
        ASSERT_FALSE(coe_failed(fsm)) << "round " << round;
        answer(1, empty);
        ASSERT_FALSE(coe_failed(fsm)) << "round " << round;
        ASSERT_EQ(read_u16(d.address + 2), 0x0808);
    }
    std::vector<uint8_t> full(8, 0);
    full[5] = 0x08;
    for (int round = 0; round < 3; ++round) { // emergencies, each followed by a lost check
        answer(1, full);
        std::vector<uint8_t> mailbox(128, 0);
        std::vector<uint8_t> emergency = {0x00, 0x10, 0x00, 0x81, 0x11, 0, 0, 0, 0, 0};
        write_u16(&mailbox[0], static_cast<uint16_t>(emergency.size()));
        mailbox[5] = 0x03;
        std::copy(emergency.begin(), emergency.end(), mailbox.begin() + 6);
        answer(1, mailbox);
        d.state = datagram_state::timed_out;
        coe_exec(fsm);
        ASSERT_FALSE(coe_failed(fsm)) << "emergency " << round;
    }
    slave_replies_to_check(sdo_response(0x4F, 0x2000, 0, {0x42, 0, 0, 0}));
    ASSERT_TRUE(coe_done(fsm));
    EXPECT_EQ(request.data[0], 0x42);
}

TEST_F(coe_machine, answers_left_from_a_failed_transfer_are_drained_before_the_next_request)
{
    begin(sdo_direction::upload, 0x2000, 0);
    answer(1);
    for (int lost = 0; lost < 4; ++lost) {
        d.state = datagram_state::timed_out;
        coe_exec(fsm);
    }
    ASSERT_TRUE(coe_failed(fsm));

    begin(sdo_direction::upload, 0x2000, 0);
    ASSERT_EQ(d.type, datagram_type::FPRD) << "the send mailbox is looked at first";
    ASSERT_EQ(read_u16(d.address + 2), 0x0808);
    std::vector<uint8_t> full(8, 0);
    full[5] = 0x08;
    answer(1, full);
    ASSERT_EQ(read_u16(d.address + 2), 0x1080);
    std::vector<uint8_t> stale(128, 0);
    auto old_answer = sdo_response(0x4F, 0x2000, 0, {0x01, 0, 0, 0});
    write_u16(&stale[0], static_cast<uint16_t>(old_answer.size()));
    stale[5] = 0x03;
    std::copy(old_answer.begin(), old_answer.end(), stale.begin() + 6);
    answer(1, stale);
    ASSERT_EQ(read_u16(d.address + 2), 0x0808) << "thrown away, then looked at again";
    answer(1, std::vector<uint8_t>(8, 0));
    ASSERT_EQ(d.type, datagram_type::FPWR) << "empty now: the request goes out";
    slave_replies(sdo_response(0x4F, 0x2000, 0, {0x02, 0, 0, 0}));
    ASSERT_TRUE(coe_done(fsm));
    EXPECT_EQ(request.data[0], 0x02);
}

TEST_F(coe_machine, a_slave_just_found_has_its_send_mailbox_looked_at_before_the_first_request)
{
    slave_init(s, inside(*m), 0, 0, 1); // as a scan leaves it: it may have been in PREOP all along
    s.mailbox_protocols = mailbox_protocol_coe;
    s.configured_rx_mailbox_offset = 0x1000;
    s.configured_rx_mailbox_size = 128;
    s.configured_tx_mailbox_offset = 0x1080;
    s.configured_tx_mailbox_size = 128;
    begin(sdo_direction::upload, 0x2000, 0);
    ASSERT_EQ(d.type, datagram_type::FPRD);
    ASSERT_EQ(read_u16(d.address + 2), 0x0808);
    answer(1, std::vector<uint8_t>(8, 0));
    ASSERT_EQ(d.type, datagram_type::FPWR) << "empty: the request goes out";
    EXPECT_EQ(mailbox_counter(d), 0);
    slave_replies(sdo_response(0x4F, 0x2000, 0, {0x07, 0, 0, 0}));
    ASSERT_TRUE(coe_done(fsm));
    EXPECT_EQ(request.data[0], 0x07);
}

TEST_F(coe_machine, an_upload_segment_with_the_wrong_toggle_fails)
{
    begin(sdo_direction::upload, 0x5001, 0);
    slave_replies(sdo_response(0x41, 0x5001, 0, {12, 0, 0, 0, 1, 2, 3, 4}));
    std::vector<uint8_t> repeated = {0x00, 0x30, 0x10, 5, 6, 7, 8, 9, 10, 11}; // toggle 1 where 0 is due
    slave_replies(repeated);
    ASSERT_TRUE(coe_failed(fsm));
    EXPECT_EQ(request.failure, ecat::result::failed);
}

} // namespace
