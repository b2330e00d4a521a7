#include "cli/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace cli {

namespace {

double nearest_rank(const std::vector<double>& sorted, double fraction)
{
    size_t rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(sorted.size())));
    return sorted[std::clamp<size_t>(rank, 1, sorted.size()) - 1];
}

} // namespace

summary summarise(std::vector<double> samples)
{
    summary s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    s.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(samples.size());
    s.p50 = nearest_rank(samples, 0.50);
    s.p99 = nearest_rank(samples, 0.99);
    s.max = samples.back();
    return s;
}

bool parse_positive(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && value > 0 && std::isfinite(value);
}

} // namespace cli
