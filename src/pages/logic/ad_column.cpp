#include "pages/logic/ad_column.h"

#include <cstdio>

namespace page_logic {

const std::vector<std::string> ad_summary_labels = {
    "平均值：", "输入值：", "平均与输入差：", "最大值：", "最小值：", "最大与最小差：",
};

namespace {

template <typename... Args> std::string format(const char* pattern, Args... args)
{
    char text[96];
    std::snprintf(text, sizeof text, pattern, args...);
    return text;
}

} // namespace

std::string ad_sample_label(int row)
{
    return format("%d：", row + 1);
}

std::string ad_column_header(int run)
{
    return format("第%d次", run);
}

std::vector<std::string> ad_column_cells(const ad_column_input& input)
{
    ad_precision precision = input.precision;
    double c = volts_per_count(precision, input.range_volts);
    std::vector<std::string> cells;
    cells.reserve(size_t(input.rows) + ad_summary_labels.size());
    for (int row = 0; row < input.rows; ++row) {
        if (size_t(row) >= input.samples.size())
            cells.emplace_back();
        else if (input.samples[size_t(row)].read)
            cells.push_back(sample_cell(precision, input.samples[size_t(row)].value, c));
        else
            cells.emplace_back(failed_sample_cell);
    }

    ad_statistics stats = statistics_of(input.samples);
    bool ad24 = precision == ad_precision::bits24;
    const char* fraction = ad24 ? "%0.02f(%0.08fV)" : "%0.02f(%0.04fV)";
    const char* whole = ad24 ? "%lld(%0.08fV)" : "%lld(%0.04fV)";
    double average_volts = volts_of_count(precision, stats.average, c);
    double difference = average_volts - input.input_volts;
    // the count whose volts are the input: inverse of volts_of_count
    double input_count = ad24 ? (input.input_volts + 25.0) / c : input.input_volts / c;
    // 64 bits: a card may answer any 32-bit values
    long long spread = (long long)stats.maximum - stats.minimum;
    cells.push_back(format(fraction, stats.average, average_volts));
    cells.push_back(format(fraction, input_count, input.input_volts));
    cells.push_back(format(fraction, difference / c, difference));
    cells.push_back(format(whole, (long long)stats.maximum, volts_of_count(precision, stats.maximum, c)));
    cells.push_back(format(whole, (long long)stats.minimum, volts_of_count(precision, stats.minimum, c)));
    cells.push_back(format(whole, spread, double(spread) * c));
    return cells;
}

} // namespace page_logic
