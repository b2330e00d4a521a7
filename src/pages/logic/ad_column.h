#pragma once
#include <string>
#include <vector>

#include "pages/logic/ad_sample_format.h"
#include "pages/logic/ad_statistics.h"

namespace page_logic {

// Labels of the summary rows that follow the sample rows.
extern const std::vector<std::string> ad_summary_labels;
// Label of sample row i (from 0): "%d：" of i + 1.
std::string ad_sample_label(int row);
// Header of result column k (from 1): "第%d次".
std::string ad_column_header(int run);

// What a run needs to draw its column.
struct ad_column_input {
    ad_precision precision = ad_precision::bits12;
    // the samples taken, in order; a stopped run took fewer than rows
    std::vector<ad_sample> samples;
    // sample rows of the list
    int rows = 0;
    double range_volts = 10.0;
    double input_volts = 1.0;
};

// The column's cells: rows sample cells (empty for samples not taken), then the six summary
// cells. Summary counts are count equivalents of volts, also for the input value and the
// difference in 24-bit mode.
std::vector<std::string> ad_column_cells(const ad_column_input& input);

} // namespace page_logic
