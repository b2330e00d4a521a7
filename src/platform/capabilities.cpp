#include "platform/capabilities.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>

namespace platform {

namespace {

// The priority the tick timer asks for; an unprivileged process may use SCHED_FIFO up to
// its RLIMIT_RTPRIO.
constexpr rlim_t cycle_realtime_priority = 40;

void keep_realtime_cycle_possible()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur >= cycle_realtime_priority)
        return;
    rlimit raised{cycle_realtime_priority,
                  limit.rlim_max < cycle_realtime_priority ? cycle_realtime_priority : limit.rlim_max};
    // succeeds only while CAP_SYS_RESOURCE is still held (root); otherwise nothing changes
    setrlimit(RLIMIT_RTPRIO, &raised);
}

} // namespace

bool holds_raw_socket_capability()
{
    cap_t current = cap_get_proc();
    if (!current)
        return false;
    cap_flag_value_t value = CAP_CLEAR;
    bool held = cap_get_flag(current, CAP_NET_RAW, CAP_EFFECTIVE, &value) == 0 && value == CAP_SET;
    cap_free(current);
    return held;
}

bool drop_all_capabilities(std::string& error, bool keep_realtime_cycle)
{
    if (keep_realtime_cycle)
        keep_realtime_cycle_possible();
    // ambient capabilities would come back in programs this process starts
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL) {
        error = std::string("clearing the ambient capabilities failed: ") + std::strerror(errno);
        return false;
    }
    cap_t none = cap_init();
    if (!none) {
        error = std::string("cap_init failed: ") + std::strerror(errno);
        return false;
    }
    int result = cap_set_proc(none);
    int saved = errno;
    cap_free(none);
    if (result != 0) {
        error = std::string("dropping the capabilities failed: ") + std::strerror(saved);
        return false;
    }
    return true;
}

} // namespace platform
