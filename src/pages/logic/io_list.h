#pragma once
#include <cstdint>
#include <vector>

#include "pages/logic/status_list.h"

struct polled_values;

namespace page_logic {

// What the IO page (ZEIO, KOVA-AD, start-up set) shows, as copied from the polled values.
struct io_values {
    uint16_t inputs = 0;
    uint16_t outputs = 0;
    int32_t encoder = 0;
    uint16_t analog_outputs[4] = {};
    uint32_t ad[16] = {};
    uint32_t ad_latches[16] = {};
    uint16_t comparator_inputs[4] = {};
    uint16_t comparator_latches[4] = {};
    uint16_t comparator_states[2] = {};
    uint16_t comparator_thresholds[2] = {};
    uint16_t crc_errors = 0;
};

io_values io_values_from(const polled_values& polled);

// The bit of the comparator configuration that enables the single-ended mode comparator c (0 or 1) needs.
uint16_t comparator_single_ended_bit(int comparator);

// The IO page's status list: eight rows of inputs, outputs, 24-bit inputs, comparators,
// analog outputs, encoder and 24-bit latches.
class io_list {
public:
    static constexpr int rows = 8;
    static const std::vector<list_column>& columns();
    static std::vector<list_label> labels();

    // The cells of every value that differs from what the list shows; the list then
    // counts as showing the current values.
    cell_updates refresh(const io_values& current);

private:
    io_values shown_ = initially_shown();
    static io_values initially_shown();
};

} // namespace page_logic
