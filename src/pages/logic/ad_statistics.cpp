#include "pages/logic/ad_statistics.h"

#include <algorithm>

namespace page_logic {

ad_statistics statistics_of(const std::vector<ad_sample>& samples)
{
    ad_statistics result;
    double sum = 0;
    for (const ad_sample& sample : samples) {
        if (!sample.read)
            continue;
        sum += sample.value;
        ++result.count;
        result.maximum = std::max(result.maximum, sample.value);
        result.minimum = std::min(result.minimum, sample.value);
    }
    if (result.count > 0)
        result.average = sum / result.count;
    else
        result.minimum = 0;
    return result;
}

} // namespace page_logic
