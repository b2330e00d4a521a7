#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "ecat/adapter.h"
#include "ecat/master.h"
#include "ecat/session.h"
#include "support/recording_link.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

// The adapter table with one in-process wire after whatever interfaces exist.
class adapter_table : public ::testing::Test {
protected:
    void register_wire(const uint8_t mac[6])
    {
        adapter_register_wire("test wire", mac, link);
        ASSERT_EQ(adapter_list_refresh(), 0);
        index = adapter_count() - 1;
    }
    void TearDown() override
    {
        adapter_release_all();
        adapter_unregister_wires();
    }

    std::shared_ptr<testsupport::recording_link> link = std::make_shared<testsupport::recording_link>();
    int index = -1;
};

const uint8_t plain_mac[6] = {0x00, 0x1B, 0x21, 0x00, 0x00, 0x07};
const uint8_t local_mac[6] = {0x02, 0x1B, 0x21, 0x00, 0x00, 0x07}; // locally administered, like a veth

TEST_F(adapter_table, open_twice_close_once_keeps_the_handle)
{
    register_wire(plain_mac);
    net_device descriptor;
    ASSERT_EQ(net_device_fill(descriptor, index, 10), 0);
    EXPECT_EQ(adapter_open(descriptor), 0);
    EXPECT_EQ(adapter_open(descriptor), 0);
    adapter_entry* entry = adapter_get(index);
    EXPECT_EQ(entry->open_count, 2);
    EXPECT_EQ(adapter_close(descriptor), 0);
    EXPECT_NE(entry->handle, nullptr);
    EXPECT_EQ(adapter_close(descriptor), 0);
    EXPECT_EQ(entry->handle, nullptr);
    EXPECT_EQ(adapter_close(descriptor), result::adapter_open);
}

TEST_F(adapter_table, a_refresh_while_a_master_is_open_is_refused_and_the_cycle_runs_on)
{
    register_wire(plain_mac);
    master m;
    net_device descriptor;
    ASSERT_EQ(session_open(m, descriptor, index, 1), 0);
    EXPECT_EQ(adapter_list_refresh(), result::adapter_open);
    EXPECT_EQ(adapter_get(index), descriptor.entry);
    size_t sent = link->sent().size();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GT(link->sent().size(), sent) << "the cycle still sends through its entry";
    session_close(m);
    EXPECT_EQ(adapter_list_refresh(), 0);
}

TEST_F(adapter_table, indices_beyond_the_table_are_refused)
{
    register_wire(plain_mac);
    std::string name;
    EXPECT_EQ(adapter_get_name(adapter_count(), name), result::adapter_index);
    EXPECT_EQ(adapter_get_name(index, name), 0);
    EXPECT_EQ(name, "test wire");
    net_device descriptor;
    descriptor.adapter_index = adapter_count();
    EXPECT_EQ(adapter_open(descriptor), result::adapter_unknown);
}

TEST_F(adapter_table, a_receive_time_out_of_zero_or_less_is_one_ms)
{
    register_wire(plain_mac);
    net_device descriptor;
    ASSERT_EQ(net_device_fill(descriptor, index, 0), 0);
    ASSERT_EQ(adapter_open(descriptor), 0);
    EXPECT_EQ(adapter_get(index)->receive_timeout_ms, 1u);
    adapter_close(descriptor);
    descriptor.receive_timeout_ms = -5;
    ASSERT_EQ(adapter_open(descriptor), 0);
    EXPECT_EQ(adapter_get(index)->receive_timeout_ms, 1u);
    adapter_close(descriptor);
}

// A master on the wire (`link`, which a test may replace first) with one BRD on it, so
// that the poll waits for an answer.
class polled_master : public adapter_table {
protected:
    void start(const uint8_t mac[6], int response_wait_ms = 1)
    {
        register_wire(mac);
        ASSERT_EQ(net_device_fill(descriptor, index, response_wait_ms), 0);
        ASSERT_EQ(master_init(inside(*m), 0, mac), 0);
        ASSERT_NE(master_attach_device(inside(*m), descriptor), nullptr);
        ASSERT_EQ(adapter_open(descriptor), 0);
        datagram_brd(d, 0x0130, 2);
        master_queue_datagram(inside(*m), d);
        master_send_frames(inside(*m), 0);
    }
    void TearDown() override
    {
        adapter_close(descriptor);
        master_clear(inside(*m));
        adapter_table::TearDown();
    }

    // The frame as it comes back from the ring, with the given source MAC.
    std::vector<uint8_t> answer_from(const uint8_t source[6])
    {
        std::vector<uint8_t> frame = link->sent().back();
        std::memcpy(&frame[6], source, 6);
        write_u16(&frame[14 + 2 + 12], 1);
        return frame;
    }

    std::unique_ptr<master> m = std::make_unique<master>();
    net_device descriptor;
    datagram d;
};

TEST_F(polled_master, a_frame_from_our_own_mac_is_never_parsed)
{
    start(plain_mac);
    link->add_reply(answer_from(plain_mac));
    adapter_poll(descriptor);
    EXPECT_EQ(d.state, datagram_state::sent);
}

TEST_F(polled_master, an_answer_with_the_locally_administered_bit_is_parsed)
{
    start(plain_mac);
    uint8_t answered[6];
    std::memcpy(answered, plain_mac, 6);
    answered[0] |= 0x02;
    link->add_reply(answer_from(answered));
    adapter_poll(descriptor);
    EXPECT_EQ(d.state, datagram_state::received);
    EXPECT_EQ(d.working_counter, 1);
}

TEST_F(polled_master, answers_are_parsed_when_our_own_mac_already_has_the_bit)
{
    // slaves pass our own MAC back unchanged here: the MAC test would drop every answer
    start(local_mac);
    link->add_reply(answer_from(local_mac));
    adapter_poll(descriptor);
    EXPECT_EQ(d.state, datagram_state::received);
}

TEST_F(polled_master, frames_of_another_ethertype_are_ignored)
{
    start(plain_mac);
    uint8_t answered[6] = {0x02, 0, 0, 0, 0, 9};
    auto frame = answer_from(answered);
    frame[13] = 0x00;
    link->add_reply(frame);
    adapter_poll(descriptor);
    EXPECT_EQ(d.state, datagram_state::sent);
}

TEST_F(polled_master, every_frame_of_the_last_send_is_taken_in_one_poll)
{
    start(plain_mac);
    datagram big1, big2;
    datagram_fprd(big1, 1, 0x1000, 740);
    datagram_fprd(big2, 2, 0x1000, 740);
    master_queue_datagram(inside(*m), big1);
    master_queue_datagram(inside(*m), big2);
    master_send_frames(inside(*m), 0);
    uint8_t answered[6] = {0x02, 0x1B, 0x21, 0, 0, 7};
    for (auto frame : link->sent()) {
        std::memcpy(&frame[6], answered, 6);
        link->add_reply(frame);
    }
    adapter_poll(descriptor);
    EXPECT_EQ(big1.state, datagram_state::received);
    EXPECT_EQ(big2.state, datagram_state::received);
}

} // namespace

namespace {

// A segment shared with another master: an EtherCAT frame for someone else is always
// waiting, and our own answer never comes. It runs dry after `supply` frames.
class foreign_flood : public testsupport::recording_link {
public:
    int receive(uint8_t* buffer, size_t capacity, int) override
    {
        if (taken >= supply)
            return 0;
        ++taken;
        std::vector<uint8_t> frame(60, 0);
        frame[6] = 0x02;
        frame[11] = 0x99;
        frame[12] = 0x88;
        frame[13] = 0xA4;
        write_u16(&frame[14], 0x1000 | 14);
        frame[16] = 0x07; // BRD
        frame[17] = 0xEE; // an index none of ours has
        write_u16(&frame[16 + 6], 2);
        size_t length = std::min(frame.size(), capacity);
        std::copy_n(frame.begin(), length, buffer);
        return static_cast<int>(length);
    }
    int taken = 0;
    int supply = 100000;
};

TEST_F(polled_master, foreign_frames_cannot_hold_the_poll_while_our_answer_is_lost)
{
    auto flood = std::make_shared<foreign_flood>();
    link = flood;
    start(plain_mac);

    adapter_poll(descriptor);
    EXPECT_LE(flood->taken, 8) << "each foreign frame costs one of the poll's attempts";
    EXPECT_EQ(d.state, datagram_state::sent);
}

// A wire on which our answer was lost: nothing ever arrives. It notes how long the poll
// asked it to wait, in all.
class silent_wire : public testsupport::recording_link {
public:
    int receive(uint8_t*, size_t, int timeout_us) override
    {
        asked_us += timeout_us;
        std::this_thread::sleep_for(std::chrono::microseconds(timeout_us));
        return 0;
    }
    long asked_us = 0;
};

TEST_F(polled_master, a_lost_answer_holds_the_poll_for_one_response_wait_not_several)
{
    auto wire = std::make_shared<silent_wire>();
    link = wire;
    start(plain_mac, 2); // 2 ms response wait

    adapter_poll(descriptor);
    EXPECT_GT(wire->asked_us, 0) << "the poll did not wait for the answer at all";
    EXPECT_LE(wire->asked_us, 2000) << "a lost answer stalls the whole cycle for as long as the poll waits";
    EXPECT_EQ(d.state, datagram_state::sent);
}

} // namespace
