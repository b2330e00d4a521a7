#include "platform/tick_timer.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>

namespace platform {

namespace {

long long monotonic_ns()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

void sleep_until_ns(long long deadline)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadline / 1000000000LL);
    ts.tv_nsec = static_cast<long>(deadline % 1000000000LL);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

} // namespace

tick_timer::tick_timer(std::function<void()> tick) : tick_(std::move(tick)), thread_([this] { run(); }) { }

tick_timer::~tick_timer()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
        armed_ = false;
    }
    armed_cv_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void tick_timer::arm(unsigned delay_us)
{
    {
        std::lock_guard lock(mutex_);
        long long now = monotonic_ns();
        long long delay = static_cast<long long>(delay_us) * 1000;
        // re-armed from inside the tick: count from when the tick was due, so the
        // tick's own run time does not stretch the period (never earlier than now)
        long long base = in_tick_.load() ? running_deadline_ns_ : now;
        deadline_ns_ = std::max(base + delay, now);
        armed_ = true;
    }
    armed_cv_.notify_all();
}

void tick_timer::kill()
{
    std::unique_lock lock(mutex_);
    armed_ = false;
    // the tick runs without the mutex; wait until it has ended and not re-armed
    while (in_tick_.load()) {
        lock.unlock();
        std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::microseconds(50));
        lock.lock();
        armed_ = false;
    }
    armed_ = false;
}

void tick_timer::run()
{
    // a 1 ms period needs fine timer slack; the default 50 us slack shows as jitter
    prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
    // where allowed (root or CAP_SYS_NICE), run ahead of ordinary threads so that a busy
    // machine does not delay the tick; the tick always sleeps, so it cannot starve them
    sched_param realtime{};
    realtime.sched_priority = 40;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &realtime);
    std::unique_lock lock(mutex_);
    for (;;) {
        armed_cv_.wait(lock, [this] { return armed_ || quit_; });
        if (quit_)
            return;
        long long deadline = deadline_ns_;
        lock.unlock();
        sleep_until_ns(deadline);
        lock.lock();
        if (quit_)
            return;
        if (!armed_ || deadline_ns_ != deadline)
            continue; // killed or re-armed meanwhile
        armed_ = false;
        running_deadline_ns_ = deadline;
        in_tick_.store(true);
        lock.unlock();
        tick_();
        lock.lock();
        in_tick_.store(false);
    }
}

} // namespace platform
