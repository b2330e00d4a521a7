#pragma once
#include <condition_variable>
#include <mutex>

namespace platform {

enum class wait_result { signalled, timed_out, failed };

// Auto-reset event: one wait consumes one signal; a signal with no waiter stays set.
class auto_reset_event {
public:
    void set();
    void reset();
    // Waits at most timeout_ms (negative: forever).
    wait_result wait(int timeout_ms);

private:
    std::mutex mutex_;
    std::condition_variable signalled_cv_;
    bool signalled_ = false;
};

} // namespace platform
