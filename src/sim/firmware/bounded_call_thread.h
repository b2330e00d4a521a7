#pragma once
#include <chrono>
#include <memory>
#include <thread>

namespace sim {

// Makes calls on a thread of its own, and lets the caller wait for each at most a time limit.
// A call cannot be stopped from outside, so one that runs over its limit is left to run: the
// thread is abandoned, takes no further calls and ends by itself if that call ever returns.
// Until then it holds keep_alive, for whatever the call may still reach.
class bounded_call_thread {
public:
    explicit bounded_call_thread(std::shared_ptr<void> keep_alive);
    ~bounded_call_thread();
    bounded_call_thread(const bounded_call_thread&) = delete;
    bounded_call_thread& operator=(const bounded_call_thread&) = delete;

    // Runs job(argument) on the thread. False when it did not return within limit, or when
    // the thread was abandoned before. A late call may still use argument: keep it alive
    // through keep_alive.
    bool call(void (*job)(void*), void* argument, std::chrono::nanoseconds limit);
    bool abandoned() const { return abandoned_; }

private:
    struct shared_state;
    static void serve(std::shared_ptr<shared_state> state);

    std::shared_ptr<shared_state> state_;
    std::thread thread_;
    bool abandoned_ = false;
};

} // namespace sim
