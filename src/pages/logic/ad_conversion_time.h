#pragma once
#include <cstdint>

namespace page_logic {

// Conversion time per channel of the 24-bit converter for an output data rate code, in
// milliseconds; 0 for a code the converter does not have.
float conversion_time_ms(int rate_code);

// How long a 24-bit run waits after each sample: more than (t + 1) × 16 ms (truncated to
// whole milliseconds) must pass when t > 1 ms, so that the next sample is a new
// conversion. Returns that bound, or 0 for no wait.
uint32_t ad24_wait_bound_ms(float conversion_ms);

} // namespace page_logic
