// CTQRThread: the start rule, stopping, and the give-up after 5000 ms.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

#include "app/CTQRThread.h"
#include "test_host.h"

using namespace std::chrono_literals;

namespace {

// What the procedures of these tests share with the test.
struct gate {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    std::atomic<int> runs{0};
    std::atomic<int> last_procedure{0};

    void release()
    {
        std::lock_guard lock(mutex);
        open = true;
        changed.notify_all();
    }
    void wait()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return open; });
    }
};
gate* shared_gate = nullptr;

int loop_until_stopped(CTQRThread& slot, worker_host&)
{
    ++shared_gate->runs;
    shared_gate->last_procedure = 1;
    while (!slot.stop_requested())
        std::this_thread::sleep_for(1ms);
    return 0;
}

int other_procedure(CTQRThread& slot, worker_host&)
{
    ++shared_gate->runs;
    shared_gate->last_procedure = 2;
    while (!slot.stop_requested())
        std::this_thread::sleep_for(1ms);
    return 0;
}

// Blocked as in a transfer that does not look at the stop flag.
int blocked(CTQRThread&, worker_host&)
{
    ++shared_gate->runs;
    shared_gate->wait();
    return 0;
}

int returns_at_once(CTQRThread&, worker_host&)
{
    ++shared_gate->runs;
    return 0;
}

class thread_slot_test : public ::testing::Test {
protected:
    void SetUp() override { shared_gate = &state; }
    void TearDown() override
    {
        state.release();
        slot.stop_thread();
        slot.join();
    }
    gate state;
    ecat::master bus_master; // never started: the procedures here do not use it
    apptest::test_host host{bus_master};
    CTQRThread slot;
};

bool eventually(const std::function<bool()>& condition)
{
    for (int i = 0; i < 2000 && !condition(); ++i)
        std::this_thread::sleep_for(1ms);
    return condition();
}

TEST_F(thread_slot_test, a_started_slot_ignores_another_start_even_with_another_procedure)
{
    EXPECT_TRUE(slot.stop_requested());
    slot.start(loop_until_stopped, "Thread_GetSlaveReg", &host);
    ASSERT_TRUE(eventually([&] { return state.runs == 1; }));
    slot.start(other_procedure, "other", &host);
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(state.runs, 1);
    EXPECT_EQ(state.last_procedure, 1);
    EXPECT_EQ(slot.name(), "Thread_GetSlaveReg");
    EXPECT_FALSE(slot.set_procedure(other_procedure, "other", &host));

    slot.stop_thread();
    EXPECT_FALSE(slot.running());
    EXPECT_TRUE(slot.stop_requested());
    slot.start(other_procedure, "other", &host);
    ASSERT_TRUE(eventually([&] { return state.runs == 2; }));
    EXPECT_EQ(state.last_procedure, 2);
}

TEST_F(thread_slot_test, a_stop_right_after_the_start_is_not_lost)
{
    for (int i = 0; i < 50; ++i) {
        slot.start(loop_until_stopped, "Thread_GetSlaveReg", &host);
        slot.stop_thread();
        EXPECT_FALSE(slot.running());
    }
}

TEST_F(thread_slot_test, stopping_an_idle_slot_returns_at_once)
{
    auto before = std::chrono::steady_clock::now();
    slot.stop_thread();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5ms);
}

TEST_F(thread_slot_test, a_procedure_that_returns_leaves_the_slot_stopped_and_startable)
{
    slot.start(returns_at_once, "Thread_GetSlaveInfo", &host);
    ASSERT_TRUE(eventually([&] { return !slot.running(); }));
    EXPECT_TRUE(slot.stop_requested());
    slot.start(returns_at_once, "Thread_GetSlaveInfo", &host);
    ASSERT_TRUE(eventually([&] { return state.runs == 2 && !slot.running(); }));
}

TEST_F(thread_slot_test, stopping_a_blocked_procedure_waits_for_it_and_gives_up_after_5000_ms)
{
    slot.start(blocked, "Thread_GetSlaveReg", &host);
    std::thread releaser([&] {
        std::this_thread::sleep_for(300ms);
        state.release();
    });
    auto before = std::chrono::steady_clock::now();
    slot.stop_thread();
    auto waited = std::chrono::steady_clock::now() - before;
    releaser.join();
    EXPECT_GE(waited, 250ms);
    EXPECT_FALSE(slot.running());

    state.open = false;
    slot.start(blocked, "Thread_GetSlaveReg", &host);
    before = std::chrono::steady_clock::now();
    slot.stop_thread();
    waited = std::chrono::steady_clock::now() - before;
    EXPECT_GE(waited, 4900ms);
    EXPECT_LT(waited, 6000ms);
    // still stopping: the old thread runs, so a start changes nothing
    EXPECT_TRUE(slot.running());
    slot.start(returns_at_once, "other", &host);
    EXPECT_EQ(slot.name(), "Thread_GetSlaveReg");
    state.release();
    ASSERT_TRUE(eventually([&] { return !slot.running(); }));
    slot.start(returns_at_once, "other", &host);
    EXPECT_TRUE(eventually([&] { return state.runs == 3; }));
}

} // namespace
