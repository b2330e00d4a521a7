#pragma once
#include <string>

namespace platform {

// Marks that a program of this name runs, for every user and root alike: an abstract
// Unix socket bound to the name. The system frees it when the process ends, however it
// ends, so a killed instance leaves nothing behind.
class instance_marker {
public:
    enum class result { marked, already_running, unavailable };

    explicit instance_marker(const std::string& name);
    ~instance_marker();
    instance_marker(const instance_marker&) = delete;
    instance_marker& operator=(const instance_marker&) = delete;

    // The outcome of the construction: unavailable when no socket could be made or bound
    // for another reason than a running instance.
    result state() const { return state_; }

private:
    int fd_ = -1;
    result state_ = result::unavailable;
};

} // namespace platform
