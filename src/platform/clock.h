#pragma once
#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary fixed start, wrapping like GetTickCount.
uint32_t tick_ms();

} // namespace platform
