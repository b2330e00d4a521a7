#pragma once
#include <mutex>
#include <string>

#include "platform/event.h"

namespace platform {

// A lock shared by every thread and process that uses the same name: flock on a
// file of that name in the runtime directory ($XDG_RUNTIME_DIR, else /tmp).
class named_lock {
public:
    explicit named_lock(const std::string& name);
    ~named_lock();
    named_lock(const named_lock&) = delete;
    named_lock& operator=(const named_lock&) = delete;

    bool valid() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    // Takes the lock within timeout_ms (negative: forever).
    wait_result lock(int timeout_ms);
    void unlock();

private:
    std::string path_;
    int fd_ = -1;
    // flock does not exclude threads sharing one descriptor, so threads meet here first
    std::timed_mutex threads_;
};

// The folder where lock files live.
std::string runtime_directory();

} // namespace platform
