// Calls on a thread of their own with a time limit, and what is left of a call that overran it.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "sim/firmware/bounded_call_thread.h"

using namespace std::chrono_literals;

namespace {

struct call_state {
    std::atomic<int> calls{0};
    std::atomic<bool> release{false};
    std::thread::id thread;
};

void count(void* argument)
{
    auto& state = *static_cast<call_state*>(argument);
    state.thread = std::this_thread::get_id();
    ++state.calls;
}

void wait_for_release(void* argument)
{
    auto& state = *static_cast<call_state*>(argument);
    while (!state.release)
        std::this_thread::sleep_for(1ms);
    ++state.calls;
}

} // namespace

TEST(bounded_call_thread, calls_within_the_limit_run_on_one_other_thread)
{
    auto state = std::make_shared<call_state>();
    sim::bounded_call_thread thread(state);
    for (int i = 0; i < 1000; ++i)
        ASSERT_TRUE(thread.call(count, state.get(), 1s)) << i;
    EXPECT_EQ(state->calls, 1000);
    EXPECT_NE(state->thread, std::this_thread::get_id());
    EXPECT_FALSE(thread.abandoned());
}

TEST(bounded_call_thread, an_overrunning_call_abandons_the_thread_which_ends_when_the_call_returns)
{
    auto state = std::make_shared<call_state>();
    std::weak_ptr<call_state> kept = state;
    {
        sim::bounded_call_thread thread(state);
        auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(thread.call(wait_for_release, state.get(), 50ms));
        EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
        EXPECT_TRUE(thread.abandoned());
        EXPECT_FALSE(thread.call(count, state.get(), 1s)) << "an abandoned thread takes no more calls";
    }
    // the owner is gone; the late call still has what it uses
    call_state* late = state.get();
    state.reset();
    EXPECT_FALSE(kept.expired());
    late->release = true;
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!kept.expired() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_TRUE(kept.expired()) << "the thread let go of keep_alive after its late call";
}
