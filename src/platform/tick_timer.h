#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// One-shot timer on its own thread, the stand-in for a one-shot multimedia timer.
// arm() schedules one call of the tick delay_us from now, or, when called inside the
// tick, delay_us after the running tick was due (but never before now): the period
// stays 1 ms while ticks are short, and a long tick delays the next one instead of
// piling up. Ticks never overlap: there is one thread and one pending deadline.
class tick_timer {
public:
    explicit tick_timer(std::function<void()> tick);
    ~tick_timer();
    tick_timer(const tick_timer&) = delete;
    tick_timer& operator=(const tick_timer&) = delete;

    // Schedules the next tick; callable from inside the tick.
    void arm(unsigned delay_us = 1000);
    // Cancels a pending tick and waits for a running one to end. Not from inside the tick.
    void kill();
    bool running_tick() const { return in_tick_.load(); }

private:
    void run();

    std::function<void()> tick_;
    std::mutex mutex_;
    std::condition_variable armed_cv_;
    bool armed_ = false;
    bool quit_ = false;
    long long deadline_ns_ = 0;
    long long running_deadline_ns_ = 0; // when the running tick was due
    std::atomic<bool> in_tick_{false};
    std::thread thread_;
};

} // namespace platform
