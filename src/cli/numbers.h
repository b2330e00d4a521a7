#pragma once
#include <string>
#include <vector>

namespace cli {

struct summary {
    double mean = 0, p50 = 0, p99 = 0, max = 0;
};

// Mean, median, 99th percentile (nearest rank) and maximum of the samples.
summary summarise(std::vector<double> samples);
bool parse_positive(const std::string& text, double& value);

} // namespace cli
