#include "platform/clock.h"

#include <chrono>

namespace platform {

namespace {
const auto process_start = std::chrono::steady_clock::now();
}

uint32_t tick_ms()
{
    auto elapsed = std::chrono::steady_clock::now() - process_start;
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

int64_t perf_counter()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

double perf_frequency()
{
    return 1e9;
}

} // namespace platform
