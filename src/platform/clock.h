#pragma once
#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed start, wrapping like GetTickCount.
uint32_t tick_ms();

// Monotonic high-resolution counter and its frequency (ticks per second).
int64_t perf_counter();
double perf_frequency();

// Elapsed milliseconds of the performance counter since a stored base, truncated.
inline uint32_t perf_elapsed_ms(int64_t base, double frequency)
{
    return static_cast<uint32_t>(static_cast<double>(perf_counter() - base) / frequency * 1000.0);
}

} // namespace platform
