#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "pages/logic/ad_sample_format.h"
#include "pages/logic/ad_statistics.h"

namespace page_logic {

// What a run reads: the mode and channel the combos showed at its start, and how many samples.
struct ad_run_request {
    ad_precision precision = ad_precision::bits12;
    int channel = 0;
    int count = 0;
};

// Reads the samples of one AD run through an object reader. In 24-bit mode it first reads the
// rate code and waits between samples as the converter needs. The clock and the sleep are
// given, so that tests can run the wait rule without real time.
class ad_sampler {
public:
    // true when the object's bytes are in target
    using reader = std::function<bool(uint16_t index, uint8_t subindex, uint8_t* target, size_t size)>;
    using clock_ms = std::function<uint64_t()>;
    using sleeper = std::function<void(uint32_t ms)>;
    // called after each sample with the number taken so far
    using progress = std::function<void(int taken)>;

    // The longest single sleep, so that a stop is seen soon during a long wait.
    static constexpr uint32_t sleep_slice_ms = 20;

    ad_sampler(reader read, clock_ms now, sleeper sleep);

    // The samples taken, in order: all of them, or fewer when stop was set; a stop during a
    // wait ends the run at once, as the sample before the wait was already taken.
    std::vector<ad_sample> run(const ad_run_request& request, const std::atomic<bool>& stop,
                               const progress& taken) const;

private:
    // Waits until more than bound_ms have passed since from_ms; false when stopped.
    bool wait_after(uint64_t from_ms, uint32_t bound_ms, const std::atomic<bool>& stop) const;

    reader read_;
    clock_ms now_;
    sleeper sleep_;
};

} // namespace page_logic
