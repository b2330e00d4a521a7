#include <atomic>
#include <chrono>
#include <thread>
#include <unistd.h>
#include <cstdio>

#include <gtest/gtest.h>

#include "platform/event.h"
#include "platform/instance_marker.h"
#include "platform/named_lock.h"
#include "platform/tick_timer.h"

using namespace platform;
using namespace std::chrono_literals;

namespace {

TEST(auto_reset_event, one_signal_wakes_one_wait)
{
    auto_reset_event event;
    EXPECT_EQ(event.wait(0), wait_result::timed_out);
    event.set();
    event.set();
    EXPECT_EQ(event.wait(0), wait_result::signalled);
    EXPECT_EQ(event.wait(5), wait_result::timed_out) << "two signals without a waiter are one";

    std::thread setter([&] {
        std::this_thread::sleep_for(10ms);
        event.set();
    });
    EXPECT_EQ(event.wait(5000), wait_result::signalled);
    setter.join();
}

TEST(named_lock, two_holders_of_one_name_exclude_each_other)
{
    std::string name = "kestio-test-lock-" + std::to_string(::getpid());
    named_lock first(name), second(name);
    ASSERT_TRUE(first.valid());
    ASSERT_EQ(first.lock(100), wait_result::signalled);
    EXPECT_EQ(second.lock(20), wait_result::timed_out);
    EXPECT_EQ(second.lock(0), wait_result::timed_out);
    first.unlock();
    EXPECT_EQ(second.lock(100), wait_result::signalled);
    second.unlock();
    std::remove(first.path().c_str());
}

TEST(named_lock, threads_sharing_one_lock_exclude_each_other)
{
    named_lock lock("kestio-test-thread-lock-" + std::to_string(::getpid()));
    ASSERT_EQ(lock.lock(100), wait_result::signalled);
    std::atomic<bool> other_got_it{false};
    std::thread other([&] {
        if (lock.lock(20) == wait_result::signalled) {
            other_got_it = true;
            lock.unlock();
        }
    });
    other.join();
    EXPECT_FALSE(other_got_it);
    lock.unlock();
    std::remove(lock.path().c_str());
}

TEST(tick_timer, fires_once_per_arm_and_kill_waits_for_the_running_tick)
{
    std::atomic<int> ticks{0};
    std::atomic<bool> in_tick{false}, finished{false};
    tick_timer* self = nullptr;
    tick_timer timer([&] {
        in_tick = true;
        ++ticks;
        std::this_thread::sleep_for(30ms);
        finished = true;
        in_tick = false;
        self->arm(1000); // re-arms like the master's tick
    });
    self = &timer;
    timer.arm(1000);
    while (!in_tick)
        std::this_thread::sleep_for(100us);
    timer.kill();
    EXPECT_TRUE(finished) << "kill returned while the tick was still running";
    int after_kill = ticks;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(ticks, after_kill) << "the re-arm inside the killed tick fired";
}

} // namespace

TEST(instance_marker, one_name_is_marked_once_until_its_holder_ends)
{
    const std::string name = "kestio-test-instance-" + std::to_string(::getpid());
    {
        platform::instance_marker first(name);
        ASSERT_EQ(first.state(), platform::instance_marker::result::marked);
        EXPECT_EQ(platform::instance_marker(name).state(), platform::instance_marker::result::already_running);
        EXPECT_EQ(platform::instance_marker(name + "-other").state(), platform::instance_marker::result::marked);
    }
    EXPECT_EQ(platform::instance_marker(name).state(), platform::instance_marker::result::marked);
}
