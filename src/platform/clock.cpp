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

} // namespace platform
