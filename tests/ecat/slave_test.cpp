#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "ecat/master.h"
#include "ecat/pdo.h"
#include "ecat/slave.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

class slave_records : public ::testing::Test {
protected:
    void SetUp() override
    {
        const uint8_t mac[6] = {0, 1, 2, 3, 4, 5};
        ASSERT_EQ(master_init(inside(*m), 0, mac), 0);
        slave_init(s, inside(*m), 0, 4, 5);
    }
    void TearDown() override { master_clear(inside(*m)); }

    std::unique_ptr<master> m = std::make_unique<master>();
    slave s;
};

TEST_F(slave_records, a_new_record_has_its_initial_values)
{
    EXPECT_EQ(s.ring_position, 4);
    EXPECT_EQ(s.station_address, 5);
    EXPECT_EQ(s.current_al_state, 0);
    EXPECT_EQ(s.error_flag, 0);
    EXPECT_EQ(s.requested_al_state, 2);
    for (uint8_t type : s.physical_port_types)
        EXPECT_EQ(type, 0xFF);
    for (const auto& port : s.ports)
        EXPECT_EQ(port.next_slave, nullptr);
    EXPECT_TRUE(slave_request_is_end(s.request_machine));
    EXPECT_TRUE(s.sdo_requests.empty());
}

TEST_F(slave_records, release_fails_queued_and_in_service_requests_and_signals)
{
    sdo_request first, second, in_service;
    first.state = request_state::queued;
    second.state = request_state::queued;
    s.sdo_requests.push_back(first);
    s.sdo_requests.push_back(second);
    in_service.state = request_state::busy;
    s.request_machine.sdo = &in_service;
    // the release cannot signal before this thread waits: it needs the lock the wait gives up
    master_core& core = inside(*m);
    std::unique_lock wait_lock(core.request_end_lock);
    std::thread releaser([&] { slave_release(s); });
    std::cv_status woken = core.request_ended.wait_for(wait_lock, std::chrono::seconds(5));
    wait_lock.unlock();
    releaser.join();

    EXPECT_EQ(first.state, request_state::failure);
    EXPECT_EQ(second.state, request_state::failure);
    EXPECT_EQ(in_service.state, request_state::failure);
    EXPECT_TRUE(s.sdo_requests.empty());
    EXPECT_EQ(woken, std::cv_status::no_timeout);
}

TEST(pdo_lists, append_refuses_a_duplicate_index_and_leaves_the_list_unchanged)
{
    pdo_list list;
    pdo item;
    item.index = 0x1A00;
    item.entries.push_back({0x6000, 1, 8, "in"});
    ASSERT_EQ(pdo_list_append_copy(list, item), 0);
    item.entries.push_back({0x6000, 2, 8, ""});
    EXPECT_EQ(pdo_list_append_copy(list, item), -17);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]->entries.size(), 1u);
}

TEST(pdo_lists, size_rounds_bits_up_to_bytes)
{
    pdo_list list;
    pdo item;
    item.index = 0x1600;
    item.entries.push_back({0x7000, 1, 1, ""});
    item.entries.push_back({0x7000, 2, 8, ""});
    ASSERT_EQ(pdo_list_append_copy(list, item), 0);
    EXPECT_EQ(pdo_list_total_size(list), 2u);

    pdo_list copy;
    ASSERT_EQ(pdo_list_copy(copy, list), 0);
    EXPECT_EQ(pdo_list_total_size(copy), 2u);
    EXPECT_NE(copy[0].get(), list[0].get());
}

TEST(pdo_lists, names_are_set_cleared_and_kept)
{
    std::string name = "old";
    EXPECT_EQ(pdo_set_name(name, "new"), 0);
    EXPECT_EQ(name, "new");
    EXPECT_EQ(pdo_set_name(name, ""), 0);
    EXPECT_TRUE(name.empty());
    EXPECT_EQ(pdo_set_name(name, nullptr), 0);
    EXPECT_TRUE(name.empty());
}

} // namespace
