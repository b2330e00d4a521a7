// The master under faults of the bus: many slaves at once, unplugging, link loss, lost frames.
#include <atomic>

#include "support/sim_bus_fixture.h"
#include "ecat/sdo_api.h"
#include "sim/description/generic_slaves.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

class bus_faults : public testsupport::bus_fixture {
protected:
    void add_slaves(uint32_t count)
    {
        for (uint32_t serial = 1; serial <= count; ++serial)
            bus->add_slave(sim::generic_coe_slave(serial));
    }
};

TEST_F(bus_faults, twenty_slaves_with_requests_keep_at_most_sixteen_busy)
{
    add_slaves(20);
    start();
    ASSERT_TRUE(wait_ready(20, 20000));
    std::atomic<int> most_busy{0};
    std::atomic<bool> running{true};
    std::thread watcher([&] {
        while (running) {
            {
                std::lock_guard lock(inside(*m).master_lock);
                most_busy = std::max(most_busy.load(), inside(*m).busy_count);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::atomic<int> succeeded{0};
    std::vector<std::thread> callers;
    for (uint16_t position = 0; position < 20; ++position)
        callers.emplace_back([&, position] {
            for (int k = 0; k < 10; ++k) {
                uint8_t word[2];
                size_t size = 0;
                if (master_sdo_upload(*m, position, 0x5000, 2, word, 2, &size, nullptr) == 0
                    && read_u16(word) == 0x2222)
                    ++succeeded;
            }
        });
    for (auto& caller : callers)
        caller.join();
    running = false;
    watcher.join();
    EXPECT_EQ(succeeded, 200);
    EXPECT_EQ(most_busy, 16);
}

TEST_F(bus_faults, unplugging_a_slave_triggers_exactly_one_rescan)
{
    add_slaves(3);
    start();
    ASSERT_TRUE(wait_ready(3));
    ASSERT_EQ(inside(*m).scans_started, 1u);
    bus->unplug(2);
    ASSERT_TRUE(wait_ready(2));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(inside(*m).scans_started, 2u);
    EXPECT_EQ(inside(*m).slave_count, 2u);
    bus->replug(2);
    ASSERT_TRUE(wait_ready(3));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(inside(*m).scans_started, 3u);
}

// The slaves before an unplugged one keep their state over both rescans, including the
// counter of the last mailbox request they served. Whatever that counter was, the first
// request after the rescans must not look like that one written again: on a bus that
// loses nothing, no request is ever ignored as a repeat.
TEST_F(bus_faults, slaves_that_kept_their_mailbox_over_a_rescan_answer_the_first_request_after_it)
{
    add_slaves(3);
    start();
    ASSERT_TRUE(wait_ready(3));
    for (int history = 1; history <= 8; ++history) {
        for (int k = 0; k < history; ++k) {
            uint8_t word[2];
            size_t size = 0;
            ASSERT_EQ(master_sdo_upload(*m, 1, 0x5000, 2, word, 2, &size, nullptr), 0);
        }
        unsigned scans = inside(*m).scans_started;
        bus->unplug(2);
        ASSERT_TRUE(wait_for([&] { return inside(*m).scans_started > scans && wait_ready(2, 0); }));
        bus->replug(2);
        ASSERT_TRUE(wait_for([&] { return inside(*m).scans_started > scans + 1 && wait_ready(3, 0); }));
        for (uint16_t position = 0; position < 2; ++position) {
            uint8_t word[2] = {};
            size_t size = 0;
            EXPECT_EQ(master_sdo_upload(*m, position, 0x5000, 2, word, 2, &size, nullptr), 0)
                << "slave " << position << " after " << history << " requests";
            EXPECT_EQ(read_u16(word), 0x2222);
        }
    }
    for (size_t id = 0; id < 3; ++id)
        EXPECT_EQ(bus->with_slave(
                      id,
                      [](sim::slave& s) {
                          return static_cast<sim::standard_application&>(s.application()).mailbox().repeats_ignored();
                      }),
                  0u)
            << "slave " << id;
}

TEST_F(bus_faults, link_loss_empties_the_slave_table)
{
    add_slaves(2);
    start();
    ASSERT_TRUE(wait_ready(2));
    bus->set_link(false);
    EXPECT_TRUE(wait_for([&] { return inside(*m).slave_count == 0; }));
    bus->set_link(true);
    EXPECT_TRUE(wait_ready(2));
}

TEST_F(bus_faults, with_lost_frames_every_transfer_is_right_or_fails)
{
    add_slaves(2);
    start();
    ASSERT_TRUE(wait_ready(2));
    bus->set_drop_probability(0.10);
    int wrong = 0, succeeded = 0;
    for (int k = 0; k < 150; ++k) {
        uint16_t position = static_cast<uint16_t>(k % 2);
        uint32_t value = 0xA5000000u + static_cast<uint32_t>(k);
        uint8_t bytes[4];
        write_u32(bytes, value);
        if (master_sdo_download(*m, position, 0x5000, 3, bytes, 4, nullptr) != 0)
            continue;
        uint8_t back[4] = {};
        size_t size = 0;
        int result = master_sdo_upload(*m, position, 0x5000, 3, back, 4, &size, nullptr);
        if (result != 0)
            continue;
        ++succeeded;
        if (size != 4 || read_u32(back) != value)
            ++wrong;
    }
    EXPECT_EQ(wrong, 0) << "a transfer reported success with a wrong value";
    EXPECT_GT(succeeded, 50) << "retries should carry most transfers through";
}

// Request machines go on within the tick while the tick's own frame, frames lost and
// retried, and the rescan's exchanges are in flight: every slave gets back its own value,
// and no two machines ever hold the same ring datagram.
TEST_F(bus_faults, in_tick_exchanges_of_sixteen_slaves_under_loss_and_a_rescan_keep_every_value)
{
    add_slaves(16);
    start();
    ASSERT_TRUE(wait_ready(16, 20000));
    bus->set_drop_probability(0.05);
    std::atomic<bool> running{true};
    std::atomic<int> shared_slots{0};
    std::thread watcher([&] {
        while (running) {
            {
                std::lock_guard lock(inside(*m).master_lock);
                for (int i = 0; i < inside(*m).busy_count; ++i)
                    for (int j = i + 1; j < inside(*m).busy_count; ++j)
                        if (inside(*m).busy[i]->dgram && inside(*m).busy[i]->dgram == inside(*m).busy[j]->dgram)
                            ++shared_slots;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    });
    std::atomic<int> wrong{0}, succeeded{0};
    std::vector<std::thread> callers;
    for (uint16_t position = 0; position < 16; ++position)
        callers.emplace_back([&, position] {
            for (uint32_t k = 0; k < 40; ++k) {
                uint8_t bytes[4];
                uint32_t value = (uint32_t(position) << 16) | k;
                write_u32(bytes, value);
                if (master_sdo_download(*m, position, 0x5000, 3, bytes, 4, nullptr) != 0)
                    continue;
                uint8_t back[4] = {};
                size_t size = 0;
                if (master_sdo_upload(*m, position, 0x5000, 3, back, 4, &size, nullptr) != 0)
                    continue;
                ++succeeded;
                if (size != 4 || read_u32(back) != value)
                    ++wrong;
            }
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    bus->unplug(15); // the rescan's exchanges join the request machines' in the ticks
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    bus->replug(15);
    for (auto& caller : callers)
        caller.join();
    running = false;
    watcher.join();
    EXPECT_EQ(wrong, 0) << "a transfer reported success with another slave's or an old value";
    EXPECT_EQ(shared_slots, 0);
    EXPECT_GT(succeeded, 320);
}

} // namespace
