#include "sim/firmware/bounded_call_thread.h"

#include <condition_variable>
#include <mutex>

namespace sim {

struct bounded_call_thread::shared_state {
    std::mutex mutex;
    std::condition_variable job_posted;
    std::condition_variable job_done;
    void (*job)(void*) = nullptr;
    void* argument = nullptr;
    bool done = true;
    bool stop = false;
    std::shared_ptr<void> keep_alive;
};

bounded_call_thread::bounded_call_thread(std::shared_ptr<void> keep_alive) : state_(std::make_shared<shared_state>())
{
    state_->keep_alive = std::move(keep_alive);
    thread_ = std::thread(serve, state_);
}

bounded_call_thread::~bounded_call_thread()
{
    if (abandoned_)
        return;
    {
        std::lock_guard lock(state_->mutex);
        state_->stop = true;
    }
    state_->job_posted.notify_one();
    thread_.join();
}

void bounded_call_thread::serve(std::shared_ptr<shared_state> state)
{
    std::unique_lock lock(state->mutex);
    for (;;) {
        state->job_posted.wait(lock, [&] { return state->stop || !state->done; });
        if (state->stop)
            return;
        lock.unlock();
        state->job(state->argument);
        lock.lock();
        state->done = true;
        state->job_done.notify_one();
    }
}

bool bounded_call_thread::call(void (*job)(void*), void* argument, std::chrono::nanoseconds limit)
{
    if (abandoned_)
        return false;
    std::unique_lock lock(state_->mutex);
    state_->job = job;
    state_->argument = argument;
    state_->done = false;
    state_->job_posted.notify_one();
    if (state_->job_done.wait_for(lock, limit, [&] { return state_->done; }))
        return true;
    // the late call finds stop set when it returns, and the thread ends with it
    state_->stop = true;
    abandoned_ = true;
    thread_.detach();
    return false;
}

} // namespace sim
