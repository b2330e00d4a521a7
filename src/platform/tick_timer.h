#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// One-shot timer on its own thread, the stand-in for a one-shot multimedia timer.
// arm() schedules one call of the tick delay_us after now (an absolute deadline,
// so the sleep does not drift); the tick re-arms the timer itself if it wants more.
// Ticks never overlap: there is one thread and one pending deadline.
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
    std::atomic<bool> in_tick_{false};
    std::thread thread_;
};

} // namespace platform
