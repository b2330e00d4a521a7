#include "pages/logic/ad_sampler.h"

#include <algorithm>

#include "pages/logic/ad_conversion_time.h"

namespace page_logic {

ad_sampler::ad_sampler(reader read, clock_ms now, sleeper sleep)
    : read_(std::move(read)),
      now_(std::move(now)),
      sleep_(std::move(sleep))
{
}

std::vector<ad_sample> ad_sampler::run(const ad_run_request& request, const std::atomic<bool>& stop,
                                       const progress& taken) const
{
    std::vector<ad_sample> samples;
    if (request.count <= 0)
        return samples;
    samples.reserve(size_t(request.count));
    uint32_t wait_bound = 0;
    if (request.precision == ad_precision::bits24) {
        // a failed read leaves code 0
        uint8_t code[2] = {};
        read_(ad_rate_index, ad_rate_subindex, code, sizeof code);
        wait_bound = ad24_wait_bound_ms(conversion_time_ms(code[0] | code[1] << 8));
    }
    ad_sample_object object = sample_object(request.precision, request.channel);
    for (int i = 0; i < request.count && !stop; ++i) {
        uint8_t bytes[4] = {};
        ad_sample sample;
        sample.read = read_(object.index, object.subindex, bytes, object.size);
        if (sample.read)
            sample.value = sample_from_bytes(request.precision, bytes);
        samples.push_back(sample);
        if (taken)
            taken(int(samples.size()));
        if (wait_bound && i + 1 < request.count && !wait_after(now_(), wait_bound, stop))
            break;
    }
    return samples;
}

bool ad_sampler::wait_after(uint64_t from_ms, uint32_t bound_ms, const std::atomic<bool>& stop) const
{
    for (;;) {
        if (stop)
            return false;
        uint64_t elapsed = now_() - from_ms;
        if (elapsed > bound_ms)
            return true;
        sleep_(uint32_t(std::min<uint64_t>(bound_ms + 1 - elapsed, sleep_slice_ms)));
    }
}

} // namespace page_logic
