#include "platform/event.h"

#include <chrono>

namespace platform {

void auto_reset_event::set()
{
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    signalled_cv_.notify_one();
}

void auto_reset_event::reset()
{
    std::lock_guard lock(mutex_);
    signalled_ = false;
}

wait_result auto_reset_event::wait(int timeout_ms)
{
    std::unique_lock lock(mutex_);
    if (timeout_ms < 0)
        signalled_cv_.wait(lock, [this] { return signalled_; });
    else if (!signalled_cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return signalled_; }))
        return wait_result::timed_out;
    signalled_ = false;
    return wait_result::signalled;
}

} // namespace platform
