#pragma once
#include <cstdint>
#include <vector>

namespace page_logic {

// One sample of an AD run: its value, and whether its read succeeded.
struct ad_sample {
    int32_t value = 0;
    bool read = false;
};

// What the summary rows of a run show, over the samples that were read.
struct ad_statistics {
    // the start values stay when nothing was read (the minimum then shows 0)
    static constexpr int32_t maximum_start = -83886070;
    static constexpr int32_t minimum_start = 268435455;

    double average = 0;
    int32_t maximum = maximum_start;
    int32_t minimum = minimum_start;
    int count = 0;
};

ad_statistics statistics_of(const std::vector<ad_sample>& samples);

} // namespace page_logic
